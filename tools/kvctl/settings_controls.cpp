#include "tools/kvctl/settings_controls.h"

#include "device/settings_editing.h"
#include "device/settings_mapping.h"
#include "tools/kvctl/window_names.h"

#include <algorithm>

namespace {

constexpr int kNoSelection = -1;

// The radio group's rule for an index the program sets: a negative one
// selects nothing, one beyond the last item selects the last item.
int selectable(int index, int itemCount)
{
    return index < 0 ? kNoSelection : std::min(index, itemCount - 1);
}

void select(const char* control, int index, int itemCount, int* shown, QStringList* notes)
{
    *shown = selectable(index, itemCount);
    if (*shown == index)
        return;
    const QString name = windownames::control(control);
    if (*shown == kNoSelection)
        notes->append(QStringLiteral("%1: item %2 of the file selects no item").arg(name).arg(index));
    else
        notes->append(QStringLiteral("%1: item %2 of the file is beyond the last item: \"%3\" is selected")
                          .arg(name)
                          .arg(index)
                          .arg(windownames::item(control, *shown)));
}

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

} // namespace

void SettingsControls::applyReadBack(const CommunicationTaskHost::SettingsReadBack& r)
{
    if (r.wiresIndex)
        m_wires = selectable(*r.wiresIndex, settingsmap::WiresItemCount);
    m_inputMode = selectable(r.inputModeIndex, DeviceInputModeCount);
    m_averaging = selectable(r.averagingIndex, settingsmap::AveragingItemCount);
    m_outputType = selectable(r.outputTypeIndex, settingsmap::OutputTypeItemCount);
    m_errorLevel = selectable(r.errorLevelIndex, settingsmap::ErrorLevelItemCount);
    m_noErrorOnOverflow = r.noErrorOnOverflow;
    m_aramL = r.AramL;
    m_aramH = r.AramH;
    m_aramLLimit = r.AramLLimit;
    m_aramHLimit = r.AramHLimit;
}

void SettingsControls::applyFile(const SettingsFileValues& v, QStringList* notes)
{
    select("RadioGroup_VezetekSzam", v.wires, settingsmap::WiresItemCount, &m_wires, notes);
    select("RadioGroup_Uzemmod", v.inputMode, DeviceInputModeCount, &m_inputMode, notes);
    select("RadioGroup_AnalogKimTipus", v.outputType, settingsmap::OutputTypeItemCount, &m_outputType, notes);
    select("RadioGroup_AnalogKimHibajelzes", v.errorLevel, settingsmap::ErrorLevelItemCount, &m_errorLevel,
           notes);
    m_noErrorOnOverflow = v.noErrorOnOverflow;
    select("RadioGroup_Atlagolas", v.averaging, settingsmap::AveragingItemCount, &m_averaging, notes);
    m_aramL = v.scaleLow;
    m_aramH = v.scaleHigh;
}

DeviceSettings SettingsControls::pressWrite(QStringView valueFormat, QStringList* notes)
{
    struct Edit
    {
        settingsedit::NumericEdit edit;
        const char* name;
        QString* text;
    };
    // The order in which the write request runs the exit rules.
    const Edit edits[] = {
        {settingsedit::neAramL, "LabeledEdit_AramL", &m_aramL},
        {settingsedit::neAramH, "LabeledEdit_AramH", &m_aramH},
        {settingsedit::neAramLLimit, "LabeledEdit_AramLLimit", &m_aramLLimit},
        {settingsedit::neAramHLimit, "LabeledEdit_AramHLimit", &m_aramHLimit},
    };
    for (const Edit& e : edits) {
        const QString normalised = settingsedit::normalised(e.edit, *e.text, valueFormat);
        if (normalised != *e.text) {
            const QString name = windownames::control(e.name);
            if (!settingsedit::parsed(*e.text))
                notes->append(QStringLiteral("%1: %2 is no number: its fallback %3 is written")
                                  .arg(name, quoted(*e.text), normalised));
            else
                notes->append(
                    QStringLiteral("%1: %2 is written as %3 (pattern %4)")
                        .arg(name, quoted(*e.text), normalised, settingsedit::pattern(e.edit, valueFormat)));
        }
        *e.text = normalised;
    }

    const DeviceSettings captured = settingsedit::captureForWrite(
        m_outputType, m_errorLevel, m_noErrorOnOverflow, m_aramL, m_aramH, m_aramLLimit, m_aramHLimit);
    // What goes out for a group without a selected item, as its item's text.
    const auto unselected = [notes](const char* control, const QString& written) {
        notes->append(QStringLiteral("%1: no item selected: %2 is written")
                          .arg(windownames::control(control), written));
    };
    if (m_wires == kNoSelection)
        unselected("RadioGroup_VezetekSzam",
                   QString::number(settingsmap::WiresWithoutSelection) + QStringLiteral(" wires"));
    if (m_inputMode == kNoSelection)
        unselected("RadioGroup_Uzemmod", QStringLiteral("the input mode the transmitter reports"));
    if (m_averaging == kNoSelection)
        unselected("RadioGroup_Atlagolas", QString::number(settingsmap::AveragingWithoutSelection));
    if (m_outputType == kNoSelection)
        unselected("RadioGroup_AnalogKimTipus",
                   windownames::item("RadioGroup_AnalogKimTipus",
                                     settingsmap::indexForOutputLiveZero(captured.bOutputLiveZero)));
    if (m_errorLevel == kNoSelection)
        unselected("RadioGroup_AnalogKimHibajelzes",
                   windownames::item("RadioGroup_AnalogKimHibajelzes",
                                     settingsmap::indexForErrorLevelHigh(captured.bErrorLevelHigh)));
    return captured;
}

CommunicationTaskHost::SettingsSelection SettingsControls::selection() const
{
    return {m_wires, m_inputMode, m_averaging};
}

SettingsFileValues SettingsControls::fileValues() const
{
    SettingsFileValues v;
    v.wires = m_wires;
    v.inputMode = m_inputMode;
    v.outputType = m_outputType;
    v.errorLevel = m_errorLevel;
    v.noErrorOnOverflow = m_noErrorOnOverflow;
    v.averaging = m_averaging;
    v.scaleLow = m_aramL;
    v.scaleHigh = m_aramH;
    return v;
}
