#pragma once

#include "app/device_model.h"

#include <QByteArrayView>
#include <QString>

#include <array>

class IniFile;

// One limit output as the limit outputs page shows it.
struct LimitOutputValues
{
    int mode = -1;
    QString low;
    QString high;
    QString hysteresis;
    int holdMode = -1;

    bool operator==(const LimitOutputValues&) const = default;
};

// What a settings file holds: the settings page's setting controls and the
// limit outputs page, as the controls show them. Item indexes count from 0,
// -1 is no selection; texts are the edits' texts, unchecked and unconverted.
// The defaults are what a file without the key gives.
struct SettingsFileValues
{
    static constexpr int LimitOutputCount = 4;

    int wires = -1;
    int inputMode = -1;
    int outputType = -1;
    int errorLevel = -1;
    bool noErrorOnOverflow = false;
    int averaging = -1;
    QString scaleLow;
    QString scaleHigh;
    std::array<LimitOutputValues, LimitOutputCount> limits;

    bool operator==(const SettingsFileValues&) const = default;
};

// The settings file (".kvb"): an INI file for one transmitter model, keyed
// by the names of the window's controls. No widget here: the main window
// and the command-line tools read and write settings files through it.
//
// Writing updates an existing file in place, so sections and keys of other
// programs stay where they are, and replaces the file in one step: a failed
// write leaves the old file as it was (see IniFile::save). A file that
// exists but cannot be read is never overwritten.
class SettingsFile
{
public:
    static constexpr const char* Extension = "kvb";

    // What a write sets: a file made from a transmitter leaves out the limit
    // outputs, which only the window holds.
    enum class Parts
    {
        All,
        WithoutLimitOutputs
    };

    enum class Status
    {
        Loaded,
        // The header names another model, differs from it in letter case or
        // is missing.
        WrongModel,
        // Missing, unreadable or not text.
        Unreadable
    };

    struct Loaded
    {
        Status status = Status::Unreadable;
        // Set only when loaded.
        SettingsFileValues values;
        // The system's reason when unreadable.
        QString error;
    };

    // The header a file for the model carries: "KV4620" or "KV4820".
    static QString modelName(TDeviceModel model);
    // Today in the system's short date format, as the Date key holds it.
    static QString today();

    static Loaded read(const QString& path, TDeviceModel model);
    // The same for bytes as read from a file.
    static Loaded parse(QByteArrayView bytes, TDeviceModel model);
    static Loaded parse(const IniFile& ini, TDeviceModel model);

    // Why a write failed.
    enum class WriteFailure
    {
        None,
        // The file there is no text file of a settings file's kind (a
        // device, a folder, too large, not text): it is left as it was.
        NotSettingsFile,
        // The system refused to read or write it (permission, full disk).
        System,
    };

    // False, with the system's reason, when the file could not be read or
    // written; the file is then as it was.
    static bool write(const QString& path, TDeviceModel model, const SettingsFileValues& values,
                      const QString& date, QString* error = nullptr, Parts parts = Parts::All,
                      WriteFailure* failure = nullptr);
    // Sets every key of the file in ini (of those parts), in the file's order.
    static void store(IniFile& ini, TDeviceModel model, const SettingsFileValues& values, const QString& date,
                      Parts parts = Parts::All);
};
