#pragma once

#include <QString>

// Who and where, as the records name them: the login name of the user the
// process runs as (from the password database, which a changed $USER does
// not fool), and the machine's host name.
namespace useridentity {

QString loginName();
QString stationName();

} // namespace useridentity
