#pragma once

#include <QString>

// Where the device records and their settings live. kvconf and kvctl share
// one folder, the configurator's in the user's data folder
// (~/.local/share/kvconf/), so that both programs' events and calibration
// journal lines end up in one place; and one file of settings, the user's
// kvconf.ini (~/.config/kvconf/kvconf.ini), whose Records section both read.
namespace recordslocation {

QString dataFolder();
// records.sqlite in dataFolder().
QString databasePath();
QString userConfigPath();

// The plant's records server and where the choice came from, first to last:
// the command line (`cliValue`, "" when not given), the KV_RECORDS_SERVER
// environment variable, [Records] Server= in the user's kvconf.ini. An empty
// url: no server.
struct ServerChoice
{
    QString url;
    QString source; // "--records-server", "KV_RECORDS_SERVER", the ini file's path
};
ServerChoice server(const QString& cliValue = QString());

// [Records] Plant= of the user's kvconf.ini: the plant's name on certificates.
QString plantName();
// [Records] CertificateIntervalMonths= (12 when not set): when the next
// calibration is due after a certificate.
int certificateIntervalMonths();

} // namespace recordslocation
