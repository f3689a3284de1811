#include "app/main_window_task_host.h"

#include "app/form_main.h"
#include "device/device_command.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"
#include "widgets/speed_button.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

MainWindowTaskHost::MainWindowTaskHost(TForm_Main& form) : m_form(form)
{
    m_buttons[rbADCal0Ohm] = form.SpeedButton_ADCal0Ohm;
    m_buttons[rbADCal490Ohm] = form.SpeedButton_ADCal490Ohm;
    m_buttons[rbParancsReset] = form.SpeedButton_ParancsReset;
    m_buttons[rbParancsEEPROMTorles] = form.SpeedButton_ParancsEEPROMTorles;
    m_buttons[rbR3WOffszet] = form.SpeedButton_R3WOffszet;
    m_buttons[rbPWMCal4mA] = form.SpeedButton_PWMCal4mA;
    m_buttons[rbPWMCal20mA] = form.SpeedButton_PWMCal20mA;
    m_buttons[rbKVKiolvasas] = form.SpeedButton_KVKiolvasas;
    m_buttons[rbBeallitasokAKVbe] = form.SpeedButton_BeallitasokAKVbe;
    m_buttons[rbPotiCal0] = form.SpeedButton_PotiCal0;
    m_buttons[rbPotiCal100] = form.SpeedButton_PotiCal100;
    m_buttons[rb2VezRKiejtes] = form.SpeedButton_2VezRKiejtes;
    m_buttons[rbR2Wires0Ohm] = form.SpeedButton_R2Wires0Ohm;
    for (const RequestButton request : requests::InPriorityOrder)
        Q_ASSERT(m_buttons[request] && m_buttons[request]->objectName() == requests::objectName(request));
}

bool MainWindowTaskHost::isRequestDown(RequestButton request) const
{
    return m_buttons[request]->Down();
}

void MainWindowTaskHost::setRequestDown(RequestButton request, bool down)
{
    m_buttons[request]->setDownState(down);
}

void MainWindowTaskHost::setRequestEnabled(RequestButton request, bool enabled)
{
    m_buttons[request]->setEnabled(enabled);
}

quint8 MainWindowTaskHost::calibrationPage() const
{
    // The CalibrationPage of the live query is the calibration sheet shown.
    if (m_form.PageControl_Main->currentWidget() != m_form.TabSheet_Kalibralas)
        return cpNone;
    const QWidget* sheet = m_form.PageControl_KalibralasTipus->currentWidget();
    if (sheet == m_form.TabSheet_ADKalibralas)
        return cpADCalibration;
    if (sheet == m_form.TabSheet_3VezKalibralas)
        return cp3WireCalibration;
    if (sheet == m_form.TabSheet_AnalogKimenetKalibralas)
        return cpAnalogOutput;
    return cpNone;
}

quint16 MainWindowTaskHost::pwmSetpoint() const
{
    return m_form.PwmSetpoint;
}

CommunicationTaskHost::CommandParameters MainWindowTaskHost::commandParameters() const
{
    return m_form.CapturedCommandParameters;
}

CommunicationTaskHost::SettingsSelection MainWindowTaskHost::settingsSelection() const
{
    return {m_form.RadioGroup_VezetekSzam->ItemIndex(), m_form.RadioGroup_Uzemmod->ItemIndex(),
            m_form.RadioGroup_Atlagolas->ItemIndex()};
}

void MainWindowTaskHost::showITP(int iTP)
{
    m_form.Label_iTP->setText(QString::number(iTP));
}

void MainWindowTaskHost::showTransactionResult(bool ok)
{
    m_form.PageControl_Main->setVisible(ok);
    m_form.GroupBox_System->setVisible(ok);
    m_form.GroupBox_KeszulekOlvasasIras->setVisible(ok);
    m_form.Label_CommError->setVisible(!ok);
}

void MainWindowTaskHost::hideDeviceViews()
{
    m_form.PageControl_Main->setVisible(false);
    m_form.GroupBox_System->setVisible(false);
    m_form.GroupBox_KeszulekOlvasasIras->setVisible(false);
    m_form.Label_CommError->setVisible(false);
}

void MainWindowTaskHost::showFirmware(const QString& text)
{
    m_form.Label_Firmware->setText(text);
    // The warning that may follow is modal: the version must be on screen before it.
    m_form.Label_Firmware->repaint();
}

void MainWindowTaskHost::firmwareRejected(quint32)
{
    m_form.endForIncompatibleFirmware();
}

void MainWindowTaskHost::liveValuesArrived(const LiveValues&)
{
    m_form.UpdateLiveDisplay();
}

void MainWindowTaskHost::applySettingsReadBack(const SettingsReadBack& r)
{
    if (r.wiresIndex)
        m_form.RadioGroup_VezetekSzam->setItemIndex(*r.wiresIndex);
    m_form.RadioGroup_Uzemmod->setItemIndex(r.inputModeIndex);
    m_form.RadioGroup_Atlagolas->setItemIndex(r.averagingIndex);
    m_form.RadioGroup_AnalogKimTipus->setItemIndex(r.outputTypeIndex);
    m_form.RadioGroup_AnalogKimHibajelzes->setItemIndex(r.errorLevelIndex);
    m_form.CheckBox_NemHibaAKimenetTulcsordulas->setChecked(r.noErrorOnOverflow);
    m_form.LabeledEdit_AramL->setText(r.AramL);
    m_form.LabeledEdit_AramH->setText(r.AramH);
    m_form.LabeledEdit_AramLLimit->setText(r.AramLLimit);
    m_form.LabeledEdit_AramHLimit->setText(r.AramHLimit);
}

void MainWindowTaskHost::commandAcknowledged(RequestButton request, const SentParameter& sent)
{
    m_form.commandAcknowledged(request, sent);
}
