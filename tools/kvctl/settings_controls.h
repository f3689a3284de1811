#pragma once

#include "app/settings_file.h"
#include "device/communication_task_host.h"
#include "device/device_settings.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// The settings page's setting controls without a window: what each control
// would show after the same steps as in the window (a read-back, opening a
// settings file, pressing the write button), so that the tool writes what
// the window would. Item indexes count from 0, -1 is no selection.
//
// Where a step changes a value the way the window silently does (an index
// beyond a group's items, an edit's exit rule, a fallback of the write), it
// says so in a note, one line each.
class SettingsControls
{
public:
    // The task's read-back, applied in its member order.
    void applyReadBack(const CommunicationTaskHost::SettingsReadBack& readBack);

    // Opening a settings file: the general settings go to the controls as a
    // user's selection and typing would put them; the output limits, which
    // the file does not hold, stay. Appends a note for each index the
    // radio groups do not take as it is.
    void applyFile(const SettingsFileValues& values, QStringList* notes);

    // The write button: the four edits' exit rules with the measured value's
    // pattern, then the captured part of the write block (the task takes
    // wires, mode and averaging from selection() when it sends). Appends a
    // note for each edit the rules change and each fallback the write uses.
    DeviceSettings pressWrite(QStringView valueFormat, QStringList* notes);

    CommunicationTaskHost::SettingsSelection selection() const;
    // What the window's Save would put in a file (without limit outputs).
    SettingsFileValues fileValues() const;

private:
    // The window's layout: 4 wires, temperature, averaging 16, live zero,
    // low error level, not ticked, empty edits.
    int m_wires = 0;
    int m_inputMode = 0;
    int m_outputType = 0;
    int m_errorLevel = 0;
    bool m_noErrorOnOverflow = false;
    int m_averaging = 4;
    QString m_aramL;
    QString m_aramH;
    QString m_aramLLimit;
    QString m_aramHLimit;
};
