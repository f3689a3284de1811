#include "app/app_config.h"

#include "platform/file_replacement.h"
#include "platform/ini_file.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <array>

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
const QString kLinkSection = QStringLiteral("Link");
const QString kReconnectKey = QStringLiteral("MBAutoReconnect");
const QString kVerificationSection = QStringLiteral("Verification");
const QString kToleranceKey = QStringLiteral("Tolerance");
const QString kReferenceKey = QStringLiteral("Reference");
constexpr double kDefaultTolerance = 0.10;
const QString kToolWindowsSection = QStringLiteral("ToolWindows");
const QString kOpenSuffix = QStringLiteral("Open");
const QString kGeometrySuffix = QStringLiteral("Geometry");
constexpr int kGeometryParts = 4;

int indexOrDefault(int index, int defaultIndex)
{
    return index < 0 ? defaultIndex : index;
}

QRect geometryFromText(const QString& text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != kGeometryParts)
        return {};
    std::array<int, kGeometryParts> numbers{};
    for (int i = 0; i < kGeometryParts; ++i) {
        bool ok = false;
        numbers[size_t(i)] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return {};
    }
    const QRect geometry(numbers[0], numbers[1], numbers[2], numbers[3]);
    return geometry.width() > 0 && geometry.height() > 0 ? geometry : QRect();
}

QString geometryText(const QRect& geometry)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(geometry.x())
        .arg(geometry.y())
        .arg(geometry.width())
        .arg(geometry.height());
}

} // namespace

AppConfig::AppConfig() : AppConfig(QCoreApplication::applicationFilePath()) {}

AppConfig::AppConfig(const QString& programPath)
    : m_filePath(configFilePath(programPath)), m_besidePath(besideProgramPath(programPath)),
      m_programFolder(programFolder(programPath)), m_settingsFolder(m_programFolder)
{}

QString AppConfig::besideProgramPath(const QString& programPath)
{
    const QFileInfo program(programPath);
    // The extension replaced: only the last one, and only in the file name.
    QString name = program.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    name += QStringLiteral(".ini");
    return QDir(program.absolutePath()).filePath(name);
}

QString AppConfig::configFilePath(const QString& programPath)
{
    const QString beside = besideProgramPath(programPath);
    const QFileInfo folder(QFileInfo(beside).absolutePath());
    if (folder.isDir() && folder.isWritable())
        return beside;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QFileInfo(beside).fileName());
}

QString AppConfig::readPath() const
{
    if (m_filePath != m_besidePath && !QFileInfo::exists(m_filePath) && QFileInfo::exists(m_besidePath))
        return m_besidePath;
    return m_filePath;
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
    const IniFile ini(readPath());
    m_lastUsedPort = ini.readString(kComSection, kPortKey, QString());
    m_settingsFolder = ini.readString(kPathSection, kPathKey, m_programFolder);
    m_modelIndex =
        indexOrDefault(ini.readInteger(kModelSection, kModelKey, DefaultModelIndex), DefaultModelIndex);
    m_languageIndex = indexOrDefault(ini.readInteger(kLanguageSection, kLanguageKey, DefaultLanguageIndex),
                                     DefaultLanguageIndex);
    m_autoReconnect = ini.readBool(kLinkSection, kReconnectKey, true);
    bool ok = false;
    const double tolerance = ini.readString(kVerificationSection, kToleranceKey).toDouble(&ok);
    m_verificationTolerance = ok && tolerance > 0.0 ? tolerance : kDefaultTolerance;
    m_verificationReference = ini.readString(kVerificationSection, kReferenceKey);
    m_toolWindows.clear();
    for (const QString& key : ini.keys(kToolWindowsSection)) {
        if (!key.endsWith(kOpenSuffix, Qt::CaseInsensitive) || key.size() == kOpenSuffix.size())
            continue;
        const QString name = key.chopped(kOpenSuffix.size());
        ToolWindowState state;
        state.open = ini.readBool(kToolWindowsSection, key, false);
        state.geometry = geometryFromText(ini.readString(kToolWindowsSection, name + kGeometrySuffix));
        m_toolWindows.insert(name, state);
    }
}

std::optional<AppConfig::ToolWindowState> AppConfig::toolWindowState(const QString& name) const
{
    const auto found = m_toolWindows.constFind(name);
    if (found == m_toolWindows.cend())
        return std::nullopt;
    return *found;
}

void AppConfig::setToolWindowState(const QString& name, const ToolWindowState& state)
{
    m_toolWindows.insert(name, state);
}

bool AppConfig::save(QString* error) const
{
    // The user's configuration folder may not exist yet.
    if (!FileReplacement::makeFolder(QFileInfo(m_filePath).absolutePath(), error))
        return false;
    IniFile ini(readPath());
    // An existing file that cannot be read must not be replaced by the five
    // keys alone.
    if (!ini.load(error))
        return false;
    // The first save of an installed program's configuration: what the one
    // beside the program held goes to the user's file.
    ini.setPath(m_filePath);
    ini.writeString(kDateSection, kDateKey,
                    QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    ini.writeString(kComSection, kPortKey, m_lastUsedPort);
    ini.writeString(kPathSection, kPathKey, m_settingsFolder);
    ini.writeInteger(kModelSection, kModelKey, m_modelIndex);
    ini.writeInteger(kLanguageSection, kLanguageKey, m_languageIndex);
    // Files of users who never switched it stay as they were.
    if (!m_autoReconnect || ini.hasKey(kLinkSection, kReconnectKey))
        ini.writeBool(kLinkSection, kReconnectKey, m_autoReconnect);
    // Written once the user changed either, so older files stay as they were.
    if (m_verificationTolerance != kDefaultTolerance || !m_verificationReference.isEmpty() ||
        ini.hasSection(kVerificationSection)) {
        ini.writeString(kVerificationSection, kToleranceKey, QString::number(m_verificationTolerance));
        ini.writeString(kVerificationSection, kReferenceKey, m_verificationReference);
    }
    for (auto it = m_toolWindows.cbegin(); it != m_toolWindows.cend(); ++it) {
        ini.writeBool(kToolWindowsSection, it.key() + kOpenSuffix, it->open);
        // A window never placed keeps no geometry rather than a made-up one.
        if (it->geometry.isValid())
            ini.writeString(kToolWindowsSection, it.key() + kGeometrySuffix, geometryText(it->geometry));
    }
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
