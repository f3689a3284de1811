#pragma once

#include "tools/kvctl/exit_code.h"

#include <QString>

class Console;
struct Invocation;
class RecordStore;

// kvctl's commands on the device records file: history, records export and
// report. They read the local file only (report also takes a number from
// the plant's server when there is one) and never write to a transmitter.
namespace recordscommands {

// The records file of this user, opened; a file that cannot be used is
// said once on standard error and gives a store that records nothing.
void openStore(Console& console, RecordStore& store);

ExitCode runHistory(Console& console, const Invocation& invocation);
ExitCode runExport(Console& console, const Invocation& invocation);
// Needs a QGuiApplication (the offscreen platform will do).
ExitCode runReport(Console& console, const Invocation& invocation);

} // namespace recordscommands
