#include "device/communication_task.h"

#include "device/device_command.h"
#include "device/device_protocol.h"
#include "device/firmware_version.h"
#include "device/live_display.h"
#include "device/settings_editing.h"
#include "device/settings_mapping.h"
#include "link/tmb.h"
#include "platform/number_format.h"

#include <QTimer>

CommunicationTask::CommunicationTask(TMB& mb, CommunicationTaskHost& host, QTimer* timer, QObject* parent)
    : QObject(parent), m_mb(mb), m_host(host), m_timer(timer ? timer : new QTimer(this))
{
    m_timer->stop();
    m_timer->setInterval(TickIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &CommunicationTask::CommunicationTaskStep);
    connect(&m_mb, &TMB::OnMBMasterEndOfEvent, this,
            [this](TMBStatus status, const QString&) { MBMasterEndOfEvent(status); });
    connect(&m_mb, &TMB::OnMBPortOpenedOrClosed, this, &CommunicationTask::MBPortOpenedOrClosed);
}

void CommunicationTask::setIntervals(int tickMs, quint16 sendDelayMs)
{
    m_tickIntervalMs = qMax(1, tickMs);
    m_sendDelayMs = sendDelayMs;
}

void CommunicationTask::StartCommunicationTask()
{
    m_iTP = StateIdentify;
    m_lateAnswerGuard = false;
    m_timer->stop();
    m_timer->setInterval(m_tickIntervalMs);
    m_timer->start();
    CommunicationTaskStep();
}

void CommunicationTask::StopCommunicationTask()
{
    m_iTP = StateStopped;
    m_lateAnswerGuard = false;
    m_timer->stop();
}

void CommunicationTask::PrepareQuery(quint8 command)
{
    PrepareDeviceQuery(m_mb, command);
    m_awaitedCommand = command;
    m_bAnswerArrived = false;
}

void CommunicationTask::send(int waitState)
{
    m_iTP = waitState;
    m_mb.MBSend(m_sendDelayMs);
}

bool CommunicationTask::isWaitState(int state)
{
    // A request waits in the state after its send state.
    return state == StateIdentifyWait || state == StateLivePollWait ||
           requests::forSendState(state - 1).has_value();
}

void CommunicationTask::CommunicationTaskStep()
{
    m_host.showITP(m_iTP);

    if (m_lateAnswerGuard && isWaitState(m_iTP) && !m_bAnswerArrived && !m_mb.MBBusy() &&
        m_lateAnswerClock.hasExpired(qint64(m_mb.MBCalculatedTimeOfSending()) + m_mb.MBMasterTimeOut())) {
        takeEndOfTransaction(stTimeOut);
        return;
    }

    switch (m_iTP) {
    case StateStopped:
        return;
    case StateIdentify:
        PrepareQuery(CmdIdentify);
        send(StateIdentifyWait);
        return;
    case StateIdentifyWait:
        if (!m_bAnswerArrived)
            return;
        if (m_status != stOK) {
            m_iTP = StateIdentify;
            return;
        }
        m_liveValues.FirmwareVersion = DecodeFirmwareVersion(m_mb);
        if (CheckFirmwareVersion())
            m_iTP = StateLivePoll;
        return;
    case StateLivePoll:
        PrepareQuery(CmdReadLiveValues);
        EncodeLiveQuery(m_mb, m_host.calibrationPage(), m_host.pwmSetpoint());
        send(StateLivePollWait);
        return;
    case StateLivePollWait:
        if (!m_bAnswerArrived)
            return;
        if (m_status != stOK) {
            m_iTP = StateIdentify;
            return;
        }
        DecodeLiveValues(m_mb, m_liveValues);
        m_host.liveValuesArrived(m_liveValues);
        chooseAfterLivePoll();
        return;
    case StateReadSettings:
        if (withdrawn(rbKVKiolvasas))
            return;
        PrepareQuery(CmdReadSettings);
        send(StateReadSettingsWait);
        return;
    case StateReadSettingsWait:
        if (!m_bAnswerArrived)
            return;
        if (m_status != stOK) {
            m_iTP = StateIdentify;
            return;
        }
        readBackSettings();
        m_iTP = StateLivePoll;
        return;
    case StateWriteSettings:
        if (withdrawn(rbBeallitasokAKVbe))
            return;
        sendSettings();
        return;
    case StateWriteSettingsWait:
        if (!m_bAnswerArrived)
            return;
        if (m_status != stOK) {
            m_iTP = StateIdentify;
            return;
        }
        m_host.setRequestDown(rbBeallitasokAKVbe, false);
        UpdateCommandButtons(rbBeallitasokAKVbe);
        m_host.setRequestDown(rbKVKiolvasas, true);
        UpdateCommandButtons(rbKVKiolvasas);
        m_iTP = StateLivePoll;
        m_host.settingsWriteAcknowledged(m_writtenSettings);
        return;
    default:
        break;
    }

    if (const std::optional<RequestButton> request = requests::forSendState(m_iTP)) {
        sendRequest(*request);
        return;
    }
    if (const std::optional<RequestButton> request = requests::forSendState(m_iTP - 1)) {
        if (m_bAnswerArrived)
            completeRequest(*request);
        return;
    }
    m_iTP = StateIdentify;
}

void CommunicationTask::chooseAfterLivePoll()
{
    for (const RequestButton button : requests::InPriorityOrder) {
        if (m_host.isRequestDown(button)) {
            m_iTP = requests::sendState(button);
            return;
        }
    }
    m_iTP = StateLivePoll;
}

bool CommunicationTask::withdrawn(RequestButton button)
{
    // Released between the live answer that chose it and this tick: the
    // user took it back (an erase, say), so nothing goes out for it.
    if (m_host.isRequestDown(button))
        return false;
    m_iTP = StateLivePoll;
    m_host.requestWithdrawn(button);
    return true;
}

CommunicationTaskHost::SentParameter CommunicationTask::parameterFor(RequestButton button) const
{
    const CommunicationTaskHost::CommandParameters p = m_host.commandParameters();
    switch (button) {
    case rbADCal0Ohm:
        return p.AD0Ohm;
    case rbADCal490Ohm:
        return p.ADReference;
    case rbR3WOffszet:
        return p.R3WireOffset;
    case rbPWMCal4mA:
    case rbPWMCal20mA:
        // Not captured at the press: the setpoint when the query goes out.
        return m_host.pwmSetpoint();
    case rbPotiCal0:
        return p.PotCal0R;
    case rbPotiCal100:
        return p.PotCal100R;
    case rb2VezRKiejtes:
        return p.TwoWireR;
    case rbR2Wires0Ohm:
        return 0.0f;
    case rbParancsReset:
    case rbParancsEEPROMTorles:
    case rbKVKiolvasas:
    case rbBeallitasokAKVbe:
        break;
    }
    return std::monostate();
}

void CommunicationTask::sendRequest(RequestButton button)
{
    if (withdrawn(button))
        return;
    PrepareQuery(requests::command(button));
    m_sentParameter = parameterFor(button);
    const CommunicationTaskHost::SentParameter& sent = m_sentParameter;
    switch (button) {
    case rbADCal0Ohm:
        EncodeStoreAD0Ohm(m_mb, std::get<qint32>(sent));
        break;
    case rbADCal490Ohm:
        EncodeStoreAD490Ohm(m_mb, std::get<qint32>(sent));
        break;
    case rbR3WOffszet:
        EncodeStore3WireOffset(m_mb, std::get<float>(sent));
        break;
    case rbPWMCal4mA:
        EncodeStorePWM4mA(m_mb, std::get<quint16>(sent));
        break;
    case rbPWMCal20mA:
        EncodeStorePWM20mA(m_mb, std::get<quint16>(sent));
        break;
    case rbPotiCal0:
        EncodeStorePot0(m_mb, std::get<float>(sent));
        break;
    case rbPotiCal100:
        EncodeStorePot100(m_mb, std::get<float>(sent));
        break;
    case rb2VezRKiejtes:
        EncodeStore2WireR(m_mb, std::get<float>(sent));
        break;
    case rbR2Wires0Ohm:
        EncodeStore2WireZero(m_mb);
        break;
    case rbParancsReset:
    case rbParancsEEPROMTorles:
    case rbKVKiolvasas:
    case rbBeallitasokAKVbe:
        break;
    }
    send(requests::sendState(button) + 1);
}

void CommunicationTask::completeRequest(RequestButton button)
{
    if (m_status != stOK) {
        m_iTP = StateIdentify;
        return;
    }
    m_host.setRequestDown(button, false);
    UpdateCommandButtons(button);
    m_iTP = StateLivePoll;
    m_host.commandAcknowledged(button, m_sentParameter);
}

void CommunicationTask::readBackSettings()
{
    m_host.setRequestDown(rbKVKiolvasas, false);
    UpdateCommandButtons(rbKVKiolvasas);
    m_host.applySettingsReadBack(
        settingsReadBackFor(DecodeSettings(m_mb, m_liveValues), m_liveValues.bPt1000));
}

CommunicationTaskHost::SettingsReadBack CommunicationTask::settingsReadBackFor(const DeviceSettings& s,
                                                                               bool pt1000)
{
    CommunicationTaskHost::SettingsReadBack r;
    r.wiresIndex = settingsmap::indexForWires(s.Wires);
    r.inputModeIndex = settingsmap::indexForInputMode(s.InputMode);
    r.settings = s;
    r.averagingIndex = settingsmap::indexForAveraging(s.Averaging);
    r.outputTypeIndex = settingsmap::indexForOutputLiveZero(s.bOutputLiveZero);
    r.errorLevelIndex = settingsmap::indexForErrorLevelHigh(s.bErrorLevelHigh);
    r.noErrorOnOverflow = s.bNoErrorOnOverflow;
    const QString valueFormat = LiveDisplay::valueFormatFor(s.InputMode, pt1000);
    r.AramL = NumberFormat::format(s.fScaleLow, valueFormat);
    r.AramH = NumberFormat::format(s.fScaleHigh, valueFormat);
    r.AramLLimit = NumberFormat::format(s.fOutputLimitLow, settingsedit::LimitFormat);
    r.AramHLimit = NumberFormat::format(s.fOutputLimitHigh, settingsedit::LimitFormat);
    return r;
}

void CommunicationTask::sendSettings()
{
    PrepareQuery(CmdWriteSettings);
    const DeviceSettings s = writeBlock(m_capturedSettings, m_host.settingsSelection(), m_liveValues.uMode);
    EncodeSettings(m_mb, s);
    m_writtenSettings = s;
    send(StateWriteSettingsWait);
}

DeviceSettings CommunicationTask::writeBlock(const DeviceSettings& captured,
                                             const CommunicationTaskHost::SettingsSelection& selection,
                                             quint8 modeInForce)
{
    DeviceSettings s = captured;
    s.Wires = settingsmap::wiresForIndex(selection.wiresIndex);
    // No mode item: keep the reported mode, brought into range the way the
    // read-back selects it.
    s.InputMode = settingsmap::inputModeForIndex(selection.inputModeIndex,
                                                 quint8(settingsmap::indexForInputMode(modeInForce)));
    s.Averaging = settingsmap::averagingForIndex(selection.averagingIndex);
    return s;
}

void CommunicationTask::UpdateCommandButtons(RequestButton button)
{
    if (!m_host.isRequestDown(button)) {
        for (const RequestButton b : requests::InPriorityOrder) {
            if (requests::isInGroup(b))
                m_host.setRequestEnabled(b, true);
        }
        return;
    }
    if (!requests::isInGroup(button))
        return;
    for (const RequestButton b : requests::InPriorityOrder) {
        if (requests::isInGroup(b) && b != button)
            m_host.setRequestEnabled(b, false);
    }
}

void CommunicationTask::UpdateCommandButtons(QStringView buttonName)
{
    if (const std::optional<RequestButton> button = requests::fromObjectName(buttonName))
        UpdateCommandButtons(*button);
}

bool CommunicationTask::CheckFirmwareVersion()
{
    const quint32 version = m_liveValues.FirmwareVersion;
    m_host.showFirmware(firmware::text(version));
    if (firmware::isAccepted(version))
        return true;
    StopCommunicationTask();
    m_host.firmwareRejected(version);
    return false;
}

bool CommunicationTask::answerIsAwaited() const
{
    if (m_mb.MBMode() != modeASCIIMaster)
        return true;
    const QByteArray frame = m_mb.rxFrame();
    return isWaitState(m_iTP) && frame.size() > deviceframe::CommandOffset &&
           quint8(frame.at(deviceframe::CommandOffset)) == m_awaitedCommand;
}

void CommunicationTask::MBMasterEndOfEvent(TMBStatus status)
{
    // A query sent just before the port closed ends after the close.
    if (m_iTP == StateStopped)
        return;
    const bool carriesAnswer = status == stOK || status == stSlaveError;
    if (carriesAnswer && !answerIsAwaited()) {
        // A late answer to an earlier query: the wait goes on.
        if (isWaitState(m_iTP)) {
            m_lateAnswerGuard = true;
            m_lateAnswerClock.start();
        }
        return;
    }
    // Failed as a time-out fails: the read stays pending and is sent again.
    const bool tooShort = settingsAnswerShort(status);
    takeEndOfTransaction(tooShort ? stTimeOut : status, tooShort);
}

bool CommunicationTask::settingsAnswerShort(TMBStatus status) const
{
    return status == stOK && m_awaitedCommand == CmdReadSettings &&
           m_mb.MBReceivedDataNumber() < SettingsReadBlockSize;
}

void CommunicationTask::takeEndOfTransaction(TMBStatus status, bool answerTooShort)
{
    m_lateAnswerGuard = false;
    m_status = status;
    m_lastAnswerTooShort = answerTooShort;
    m_host.showTransactionResult(status == stOK);
    m_bAnswerArrived = true;
    CommunicationTaskStep();
}

void CommunicationTask::MBPortOpenedOrClosed(bool portOpen)
{
    if (portOpen) {
        m_host.setRequestDown(rbKVKiolvasas, true);
        UpdateCommandButtons(rbKVKiolvasas);
        StartCommunicationTask();
        return;
    }
    m_host.hideDeviceViews();
    StopCommunicationTask();
}
