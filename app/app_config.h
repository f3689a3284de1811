#pragma once

#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// The application configuration file: the serial port last used, the folder
// the settings-file dialogs start in, and the item indexes of the start
// window's model and language groups. It lies beside the program as the
// program's name with the extension ".ini"; when the program's folder is not
// writable (an installed program) it is written to the user's configuration
// folder, and read from there, or from beside the program until the user's
// folder holds one: a configuration installed with the program is its start.
//
// The tool windows beside the main window are remembered in a section of
// their own, ToolWindows, after the five sections above: "<name>Open" (1 or
// 0) and "<name>Geometry" ("x,y,width,height" of the window without its
// frame, in screen coordinates).
class AppConfig
{
public:
    struct ToolWindowState
    {
        bool open = false;
        // Invalid when none was remembered.
        QRect geometry;
        bool operator==(const ToolWindowState&) const = default;
    };

    static constexpr int DefaultModelIndex = 1;    // KV4820
    static constexpr int DefaultLanguageIndex = 1; // Magyar

    // For the running program.
    AppConfig();
    // For a program file at programPath.
    explicit AppConfig(const QString& programPath);

    // Where the configuration is written.
    static QString configFilePath(const QString& programPath);
    // The file beside the program, whether it is written there or not.
    static QString besideProgramPath(const QString& programPath);
    // The program's folder with a trailing separator.
    static QString programFolder(const QString& programPath);

    QString filePath() const { return m_filePath; }
    // Where load() reads and save() takes the other sections from.
    QString readPath() const;

    // Reads the file; absent keys, a missing or unreadable file and indexes
    // that are not numbers give the defaults. A negative index gives the
    // default too, since both groups need a selected item.
    void load();
    // Writes Date, Com, Path, KV, Language (and Link) in this order, then the
    // tool windows, updating an existing file in place. False, with the
    // system's reason text, on failure; the file is then as it was.
    bool save(QString* error = nullptr) const;

    QString lastUsedPort() const { return m_lastUsedPort; }
    void setLastUsedPort(const QString& port) { m_lastUsedPort = port; }
    QString settingsFolder() const { return m_settingsFolder; }
    void setSettingsFolder(const QString& folder) { m_settingsFolder = folder; }
    int modelIndex() const { return m_modelIndex; }
    void setModelIndex(int index) { m_modelIndex = index; }
    int languageIndex() const { return m_languageIndex; }
    void setLanguageIndex(int index) { m_languageIndex = index; }
    // Whether the link reopens a device that went away and came back. A
    // section of its own after the others, so older files keep their keys
    // and order; written once it has been switched off.
    bool autoReconnect() const { return m_autoReconnect; }
    void setAutoReconnect(bool on) { m_autoReconnect = on; }

    // The verification window's tolerance (± % of the output span) and its
    // reference equipment, in a section of their own, Verification.
    double verificationTolerance() const { return m_verificationTolerance; }
    QString verificationReference() const { return m_verificationReference; }
    void setVerification(double tolerancePercent, const QString& reference)
    {
        m_verificationTolerance = tolerancePercent;
        m_verificationReference = reference;
    }

    // None for a window the file does not name. A geometry that is not four
    // numbers with a positive size reads as none.
    std::optional<ToolWindowState> toolWindowState(const QString& name) const;
    void setToolWindowState(const QString& name, const ToolWindowState& state);
    const QMap<QString, ToolWindowState>& toolWindowStates() const { return m_toolWindows; }

    // The service access switch among the command-line arguments (without
    // the program's name): "/QELMIR" in any letter case, at any position.
    static bool serviceAccessRequested(const QStringList& arguments);

private:
    QString m_filePath;
    QString m_besidePath;
    QString m_programFolder;
    QString m_lastUsedPort;
    QString m_settingsFolder;
    int m_modelIndex = DefaultModelIndex;
    int m_languageIndex = DefaultLanguageIndex;
    double m_verificationTolerance = 0.10;
    QString m_verificationReference;
    bool m_autoReconnect = true;
    QMap<QString, ToolWindowState> m_toolWindows;
};
