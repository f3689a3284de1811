#include "tools/kvctl/window_names.h"

#include "app/language_table.h"
#include "device/device_command.h"
#include "device/settings_mapping.h"

#include <QStringList>

namespace windownames {

namespace {

// The group each numeric edit of the settings page sits in: its own label
// says only "Low:" or "High:".
struct EditGroup
{
    const char* edit;
    const char* group;
};
constexpr EditGroup kEditGroups[] = {
    {"LabeledEdit_AramL", "GroupBox_AnalogKimenetSkalazasa"},
    {"LabeledEdit_AramH", "GroupBox_AnalogKimenetSkalazasa"},
    {"LabeledEdit_AramLLimit", "GroupBox_AnalogKimenetLimit"},
    {"LabeledEdit_AramHLimit", "GroupBox_AnalogKimenetLimit"},
};

QString caption(const QString& objectName)
{
    for (const LanguageTable::CaptionRow& row : LanguageTable::captionRows()) {
        if (row.controls.contains(objectName)) {
            QString text = row.english;
            if (text.endsWith(u':') || text.endsWith(u'.'))
                text.chop(1);
            return text;
        }
    }
    return objectName;
}

// The language-independent item lists (numbers and units); the output
// ranges as the window labels them for a current output.
QStringList items(const QString& objectName)
{
    if (objectName == QLatin1StringView("RadioGroup_VezetekSzam"))
        return {QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("2")};
    if (objectName == QLatin1StringView("RadioGroup_Atlagolas")) {
        QStringList counts;
        for (int i = 0; i < settingsmap::AveragingItemCount; ++i)
            counts.append(QString::number(settingsmap::averagingForIndex(i)));
        return counts;
    }
    if (objectName == QLatin1StringView("RadioGroup_AnalogKimTipus"))
        return {QStringLiteral("4-20 mA / 2-10 V"), QStringLiteral("0-20 mA / 0-10 V")};
    if (objectName == QLatin1StringView("RadioGroup_AnalogKimHibajelzes"))
        return {QStringLiteral("3.2 mA / 1.6 V"), QStringLiteral("22 mA / 11 V")};
    for (const LanguageTable::ItemRow& row : LanguageTable::itemRows()) {
        if (row.controls.contains(objectName))
            return row.english;
    }
    return {};
}

} // namespace

QString control(const char* objectName)
{
    const QString name = QString::fromLatin1(objectName);
    for (const EditGroup& e : kEditGroups) {
        if (name == QLatin1StringView(e.edit))
            return caption(QString::fromLatin1(e.group)) + QStringLiteral(", ") + caption(name);
    }
    return caption(name);
}

QString item(const char* objectName, int index)
{
    const QStringList texts = items(QString::fromLatin1(objectName));
    return index >= 0 && index < texts.size() ? texts.at(index) : QString::number(index);
}

QString command(quint8 code)
{
    switch (code) {
    case CmdIdentify:
        return QStringLiteral("Identification");
    case CmdReadLiveValues:
        return QStringLiteral("Live values");
    case CmdReadSettings:
        return caption(QStringLiteral("SpeedButton_KVKiolvasas"));
    case CmdWriteSettings:
        return caption(QStringLiteral("SpeedButton_BeallitasokAKVbe"));
    default:
        return QStringLiteral("Command %1").arg(code);
    }
}

} // namespace windownames
