#include "app/settings_file.h"

#include "platform/ini_file.h"

#include <QDate>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <cstring>

namespace {

const QString kHeaderSection = QStringLiteral("Fejlec");
const QString kHeaderKey = QStringLiteral("KV");
const QString kSettingsSection = QStringLiteral("Beallitas");
const QString kLimitsSection = QStringLiteral("Limits");
const QString kDateSection = QStringLiteral("Date");
const QString kDateKey = QStringLiteral("Date");

const QString kWiresKey = QStringLiteral("RadioGroup_VezetekSzam");
const QString kInputModeKey = QStringLiteral("RadioGroup_Uzemmod");
const QString kOutputTypeKey = QStringLiteral("RadioGroup_AnalogKimTipus");
const QString kErrorLevelKey = QStringLiteral("RadioGroup_AnalogKimHibajelzes");
const QString kNoErrorOnOverflowKey = QStringLiteral("CheckBox_NemHibaAKimenetTulcsordulas");
const QString kAveragingKey = QStringLiteral("RadioGroup_Atlagolas");
const QString kScaleLowKey = QStringLiteral("LabeledEdit_AramL");
const QString kScaleHighKey = QStringLiteral("LabeledEdit_AramH");

constexpr int kNoSelection = -1;

struct LimitKeys
{
    QString mode;
    QString low;
    QString high;
    QString hysteresis;
    QString holdMode;
};

// Limit output number is index + 1.
LimitKeys limitKeys(int index)
{
    const QString n = QString::number(index + 1);
    return {QStringLiteral("RadioGroup_Limit%1Uzemmod").arg(n),
            QStringLiteral("LabeledEdit_Limit%1Low").arg(n), QStringLiteral("LabeledEdit_Limit%1High").arg(n),
            QStringLiteral("LabeledEdit_Limit%1Hysteresis").arg(n),
            QStringLiteral("RadioGroup_Limit%1HoldMode").arg(n)};
}

SettingsFile::Loaded unreadable(const QString& error)
{
    SettingsFile::Loaded loaded;
    loaded.status = SettingsFile::Status::Unreadable;
    loaded.error = error;
    return loaded;
}

} // namespace

QString SettingsFile::modelName(TDeviceModel model)
{
    return model == dmKV4620 ? QStringLiteral("KV4620") : QStringLiteral("KV4820");
}

QString SettingsFile::today()
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

SettingsFile::Loaded SettingsFile::read(const QString& path, TDeviceModel model)
{
    // A missing file reads as an empty one to the INI layer; here it is a
    // file the user named and that is not there.
    if (!QFileInfo::exists(path))
        return unreadable(QString::fromLocal8Bit(std::strerror(ENOENT)));
    IniFile ini{QString()};
    ini.setPath(path);
    QString error;
    if (!ini.load(&error))
        return unreadable(error);
    return parse(ini, model);
}

SettingsFile::Loaded SettingsFile::parse(QByteArrayView bytes, TDeviceModel model)
{
    IniFile ini{QString()};
    QString error;
    if (!ini.setContent(bytes, &error))
        return unreadable(error);
    return parse(ini, model);
}

SettingsFile::Loaded SettingsFile::parse(const IniFile& ini, TDeviceModel model)
{
    Loaded loaded;
    // Exact, letter case included: the header is the model's own name.
    if (ini.readString(kHeaderSection, kHeaderKey) != modelName(model)) {
        loaded.status = Status::WrongModel;
        return loaded;
    }
    loaded.status = Status::Loaded;
    SettingsFileValues& v = loaded.values;
    v.wires = ini.readInteger(kSettingsSection, kWiresKey, kNoSelection);
    v.inputMode = ini.readInteger(kSettingsSection, kInputModeKey, kNoSelection);
    v.outputType = ini.readInteger(kSettingsSection, kOutputTypeKey, kNoSelection);
    v.errorLevel = ini.readInteger(kSettingsSection, kErrorLevelKey, kNoSelection);
    v.noErrorOnOverflow = ini.readBool(kSettingsSection, kNoErrorOnOverflowKey, false);
    v.averaging = ini.readInteger(kSettingsSection, kAveragingKey, kNoSelection);
    v.scaleLow = ini.readString(kSettingsSection, kScaleLowKey);
    v.scaleHigh = ini.readString(kSettingsSection, kScaleHighKey);
    for (int i = 0; i < SettingsFileValues::LimitOutputCount; ++i) {
        const LimitKeys keys = limitKeys(i);
        LimitOutputValues& limit = v.limits.at(std::size_t(i));
        limit.mode = ini.readInteger(kLimitsSection, keys.mode, kNoSelection);
        limit.low = ini.readString(kLimitsSection, keys.low);
        limit.high = ini.readString(kLimitsSection, keys.high);
        limit.hysteresis = ini.readString(kLimitsSection, keys.hysteresis);
        limit.holdMode = ini.readInteger(kLimitsSection, keys.holdMode, kNoSelection);
    }
    return loaded;
}

bool SettingsFile::write(const QString& path, TDeviceModel model, const SettingsFileValues& values,
                         const QString& date, QString* error, Parts parts, WriteFailure* failure)
{
    IniFile ini{QString()};
    ini.setPath(path);
    WriteFailure why = WriteFailure::None;
    // A file that is there but cannot be read keeps what it holds.
    if (!ini.load(error)) {
        why = ini.readProblem() == IniFile::ReadProblem::NotText ? WriteFailure::NotSettingsFile
                                                                 : WriteFailure::System;
    } else {
        store(ini, model, values, date, parts);
        // The whole file at once: never some keys old and some new.
        if (!ini.save(error))
            why = WriteFailure::System;
    }
    if (failure)
        *failure = why;
    return why == WriteFailure::None;
}

void SettingsFile::store(IniFile& ini, TDeviceModel model, const SettingsFileValues& values,
                         const QString& date, Parts parts)
{
    // The header first, so that a new file starts with it.
    ini.writeString(kHeaderSection, kHeaderKey, modelName(model));
    ini.writeInteger(kSettingsSection, kWiresKey, values.wires);
    ini.writeInteger(kSettingsSection, kInputModeKey, values.inputMode);
    ini.writeInteger(kSettingsSection, kOutputTypeKey, values.outputType);
    ini.writeInteger(kSettingsSection, kErrorLevelKey, values.errorLevel);
    ini.writeBool(kSettingsSection, kNoErrorOnOverflowKey, values.noErrorOnOverflow);
    ini.writeInteger(kSettingsSection, kAveragingKey, values.averaging);
    ini.writeString(kSettingsSection, kScaleLowKey, values.scaleLow);
    ini.writeString(kSettingsSection, kScaleHighKey, values.scaleHigh);
    if (parts == Parts::All) {
        for (int i = 0; i < SettingsFileValues::LimitOutputCount; ++i) {
            const LimitKeys keys = limitKeys(i);
            const LimitOutputValues& limit = values.limits.at(std::size_t(i));
            ini.writeInteger(kLimitsSection, keys.mode, limit.mode);
            ini.writeString(kLimitsSection, keys.low, limit.low);
            ini.writeString(kLimitsSection, keys.high, limit.high);
            ini.writeString(kLimitsSection, keys.hysteresis, limit.hysteresis);
            ini.writeInteger(kLimitsSection, keys.holdMode, limit.holdMode);
        }
    }
    ini.writeString(kDateSection, kDateKey, date);
}
