#include "app/app_config.h"

#include "platform/ini_file.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace {

const QString kDateSection = QStringLiteral("Date");
const QString kDateKey = QStringLiteral("Date");
const QString kComSection = QStringLiteral("Com");
const QString kPortKey = QStringLiteral("MBLastUsedPort");
const QString kPathSection = QStringLiteral("Path");
const QString kPathKey = QStringLiteral("sUtolsoFileUtvonal");
const QString kModelSection = QStringLiteral("KV");
const QString kModelKey = QStringLiteral("RadioGroup_KVValasztas");
const QString kLanguageSection = QStringLiteral("Language");
const QString kLanguageKey = QStringLiteral("RadioGroup_NyelvValasztas");

int indexOrDefault(int index, int defaultIndex)
{
    return index < 0 ? defaultIndex : index;
}

} // namespace

AppConfig::AppConfig() : AppConfig(QCoreApplication::applicationFilePath()) {}

AppConfig::AppConfig(const QString& programPath)
    : m_filePath(configFilePath(programPath)), m_programFolder(programFolder(programPath)),
      m_settingsFolder(m_programFolder)
{}

QString AppConfig::configFilePath(const QString& programPath)
{
    const QFileInfo program(programPath);
    // The extension replaced: only the last one, and only in the file name.
    QString name = program.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    name += QStringLiteral(".ini");

    const QFileInfo folder(program.absolutePath());
    if (folder.isDir() && folder.isWritable())
        return QDir(program.absolutePath()).filePath(name);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(name);
}

QString AppConfig::programFolder(const QString& programPath)
{
    QString folder = QDir::toNativeSeparators(QFileInfo(programPath).absolutePath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

void AppConfig::load()
{
    const IniFile ini(m_filePath);
    m_lastUsedPort = ini.readString(kComSection, kPortKey, QString());
    m_settingsFolder = ini.readString(kPathSection, kPathKey, m_programFolder);
    m_modelIndex =
        indexOrDefault(ini.readInteger(kModelSection, kModelKey, DefaultModelIndex), DefaultModelIndex);
    m_languageIndex = indexOrDefault(ini.readInteger(kLanguageSection, kLanguageKey, DefaultLanguageIndex),
                                     DefaultLanguageIndex);
}

bool AppConfig::save(QString* error) const
{
    // The user's configuration folder may not exist yet; when it cannot be
    // made, saving reports why.
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    IniFile ini(m_filePath);
    // An existing file that cannot be read must not be replaced by the five
    // keys alone.
    if (!ini.load(error))
        return false;
    ini.writeString(kDateSection, kDateKey,
                    QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    ini.writeString(kComSection, kPortKey, m_lastUsedPort);
    ini.writeString(kPathSection, kPathKey, m_settingsFolder);
    ini.writeInteger(kModelSection, kModelKey, m_modelIndex);
    ini.writeInteger(kLanguageSection, kLanguageKey, m_languageIndex);
    return ini.save(error);
}

bool AppConfig::serviceAccessRequested(const QStringList& arguments)
{
    bool requested = false;
    for (const QString& argument : arguments) {
        if (argument.toUpper() == QStringLiteral("/QELMIR"))
            requested = true;
    }
    return requested;
}
