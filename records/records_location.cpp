#include "records/records_location.h"

#include "platform/ini_file.h"
#include "records/record_store.h"

#include <QDir>
#include <QStandardPaths>

namespace {

const QString kFolderName = QStringLiteral("kvconf");
const QString kSection = QStringLiteral("Records");
constexpr const char* kServerVariable = "KV_RECORDS_SERVER";

QString userSetting(const QString& key)
{
    IniFile ini(recordslocation::userConfigPath());
    // A missing or unreadable file is as good as an empty one here.
    ini.load();
    return ini.readString(kSection, key).trimmed();
}

} // namespace

QString recordslocation::dataFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(kFolderName);
}

QString recordslocation::databasePath()
{
    return QDir(dataFolder()).filePath(QLatin1StringView(RecordStore::FileName));
}

QString recordslocation::userConfigPath()
{
    return QDir(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                    .filePath(kFolderName))
        .filePath(QStringLiteral("kvconf.ini"));
}

recordslocation::ServerChoice recordslocation::server(const QString& cliValue)
{
    if (!cliValue.isEmpty())
        return {cliValue, QStringLiteral("--records-server")};
    const QString fromEnvironment = qEnvironmentVariable(kServerVariable).trimmed();
    if (!fromEnvironment.isEmpty())
        return {fromEnvironment, QLatin1StringView(kServerVariable)};
    const QString fromFile = userSetting(QStringLiteral("Server"));
    if (!fromFile.isEmpty())
        return {fromFile, QDir::toNativeSeparators(userConfigPath())};
    return {};
}

QString recordslocation::plantName()
{
    return userSetting(QStringLiteral("Plant"));
}

int recordslocation::certificateIntervalMonths()
{
    constexpr int kDefaultMonths = 12;
    constexpr int kMaxMonths = 120;
    bool ok = false;
    const int months = userSetting(QStringLiteral("CertificateIntervalMonths")).toInt(&ok);
    return ok && months > 0 && months <= kMaxMonths ? months : kDefaultMonths;
}
