#pragma once

#include "tools/kvctl/exit_code.h"

#include <QString>

class Console;

// kvctl records sync: pushes what waits in the device records file and
// pulls the other stations' events. 0 when nothing waits afterwards, 1 when
// the server refused events, 2 without a server or with a bad address or
// file, 3 when the server cannot be reached, refuses the login or has
// newer tables.
ExitCode runRecordsSync(Console& console, const QString& serverOption);

// The last step of a command that recorded: one push, at most 5 s; what
// does not go up waits, and a line says so. Returns exitCode; when the
// server kept the push past its budget, ends the process with it instead.
int pushRecordsBeforeExit(Console& console, const QString& serverOption, int exitCode);
