#include "tools/kvctl/transmitter_session.h"

#include "device/device_command.h"
#include "device/live_display.h"
#include "tools/kvctl/settings_comparison.h"
#include "tools/kvctl/window_names.h"

TransmitterSession::TransmitterSession(const QString& port, Job job, const Timing& timing,
                                       const Records& records, QObject* parent)
    : QObject(parent), m_port(port), m_job(job), m_timing(timing), m_recorder(records.store, records.origin)
{
    m_task.setIntervals(timing.tickIntervalMs, timing.sendDelayMs);
    m_recorder.setModel(records.model);
    m_recorder.setTag(records.tag);
    m_recorder.setListener([this](const RecordEvent&, const SessionRecorder::Result& result) {
        if (!result.recorded && !result.reason.isEmpty() && !m_notRecorded.contains(result.reason))
            m_notRecorded.append(result.reason);
    });
    // Opened and closed by this session only: a hang-up ends it, so no
    // reconnect continues a session here.
    connect(&m_mb, &TMB::OnMBPortOpenedOrClosed, this, [this](bool open) {
        if (open)
            m_recorder.portOpened(m_port);
        else
            m_recorder.portClosed(false);
    });
}

void TransmitterSession::start()
{
    // The window's line: 19200 baud, ASCII master framing.
    m_mb.setMBBaud(baud019200);
    m_mb.setMBMasterTimeOut(quint16(m_timing.answerTimeoutMs));
    emit progress(QStringLiteral("opening"));
    // The window's reason: "in use by another program" rather than the
    // system's "Device or resource busy", the group to join for "Permission
    // denied".
    if (!m_mb.openAction(m_port))
        finish(Outcome::PortError, QStringLiteral("cannot open: ") + m_mb.portErrorText());
}

void TransmitterSession::stop()
{
    finish(Outcome::Done);
}

void TransmitterSession::interrupt()
{
    finish(Outcome::Interrupted, QStringLiteral("interrupted"));
}

void TransmitterSession::finish(Outcome outcome, const QString& reason)
{
    if (m_outcome != Outcome::Running)
        return;
    m_outcome = outcome;
    m_reason = reason;
    m_task.StopCommunicationTask();
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_mb.MBClosePort();
            emit finished();
        },
        Qt::QueuedConnection);
}

// --- Host: request buttons and the values the queries carry ---------------

bool TransmitterSession::isRequestDown(RequestButton button) const
{
    return m_down.at(button);
}

void TransmitterSession::setRequestDown(RequestButton button, bool down)
{
    m_down.at(button) = down;
}

void TransmitterSession::setRequestEnabled(RequestButton, bool)
{
    // No one to keep from pressing another button.
}

quint8 TransmitterSession::calibrationPage() const
{
    return cpNone;
}

quint16 TransmitterSession::pwmSetpoint() const
{
    return 0;
}

CommunicationTaskHost::CommandParameters TransmitterSession::commandParameters() const
{
    return {};
}

CommunicationTaskHost::SettingsSelection TransmitterSession::settingsSelection() const
{
    return m_controls.selection();
}

// --- Host: what the task shows --------------------------------------------

void TransmitterSession::showITP(int iTP)
{
    QString step;
    switch (iTP) {
    case CommunicationTask::StateIdentify:
    case CommunicationTask::StateIdentifyWait:
        step = QStringLiteral("identifying");
        break;
    case CommunicationTask::StateReadSettings:
    case CommunicationTask::StateReadSettingsWait:
        step = m_writePressed ? QStringLiteral("reading back") : QStringLiteral("reading settings");
        break;
    case CommunicationTask::StateWriteSettings:
    case CommunicationTask::StateWriteSettingsWait:
        step = QStringLiteral("writing settings");
        break;
    default:
        return;
    }
    if (step != m_step && m_outcome == Outcome::Running) {
        m_step = step;
        emit progress(step);
    }
}

void TransmitterSession::showTransactionResult(bool ok)
{
    if (ok)
        return;
    // The window would identify the transmitter again and again; a batch
    // tool reports the failure once the link has used up its tries.
    finish(m_task.lastStatus() == stClosedPort ? Outcome::PortError : Outcome::Failed, failedTransaction());
}

QString TransmitterSession::failedTransaction() const
{
    const QString command = windownames::command(m_mb.MBMasterCommandToSlave());
    switch (m_task.lastStatus()) {
    case stTimeOut:
        if (m_task.lastAnswerTooShort())
            return QStringLiteral("%1: answer too short (%2 of %3 data bytes)")
                .arg(command)
                .arg(m_mb.MBReceivedDataNumber())
                .arg(SettingsReadBlockSize);
        return QStringLiteral("%1: no answer after %2 tries").arg(command).arg(m_mb.MBMasterMaxTryNumber());
    case stSlaveError: {
        const QByteArray frame = m_mb.rxFrame();
        const int status =
            frame.size() > deviceframe::StatusOffset ? quint8(frame.at(deviceframe::StatusOffset)) : -1;
        return QStringLiteral("%1: refused (status %2)").arg(command).arg(status);
    }
    case stClosedPort:
        return QStringLiteral("%1: the port closed (unplugged or hung up)").arg(command);
    case stOK:
        break;
    }
    return command;
}

void TransmitterSession::hideDeviceViews()
{
    // The port closed without the session closing it.
    finish(Outcome::PortError, QStringLiteral("the port closed"));
}

void TransmitterSession::showFirmware(const QString&) {}

void TransmitterSession::commandAcknowledged(RequestButton, const SentParameter&)
{
    // The tool presses no calibration or service button, so nothing of this
    // kind is ever in flight.
}

void TransmitterSession::firmwareRejected(quint32 version)
{
    finish(Outcome::Failed, QStringLiteral("firmware %1 not supported").arg(version));
}

void TransmitterSession::liveValuesArrived(const LiveValues& values)
{
    if (m_outcome != Outcome::Running)
        return;
    if (m_job == Job::Identify)
        finish(Outcome::Done);
    else if (m_job == Job::Live)
        emit liveBlock(values);
}

void TransmitterSession::applySettingsReadBack(const SettingsReadBack& readBack)
{
    if (m_outcome != Outcome::Running)
        return;
    m_controls.applyReadBack(readBack);
    switch (m_job) {
    case Job::Read:
        finish(Outcome::Done);
        return;
    case Job::Write:
        if (m_writePressed)
            verify(readBack);
        else
            pressWrite();
        return;
    case Job::Identify:
    case Job::Live:
        return;
    }
}

void TransmitterSession::pressWrite()
{
    // The window's Open, then its write button.
    if (!m_filePath.isEmpty())
        m_recorder.fileOpened(m_filePath, m_fileBytes);
    m_controls.applyFile(m_fileValues, &m_notes);
    const LiveValues& live = m_task.liveValues();
    m_task.setCapturedSettings(
        m_controls.pressWrite(LiveDisplay::valueFormatFor(live.uMode, live.bPt1000), &m_notes));
    setRequestDown(rbBeallitasokAKVbe, true);
    m_task.UpdateCommandButtons(rbBeallitasokAKVbe);
    m_writePressed = true;
}

void TransmitterSession::verify(const SettingsReadBack& readBack)
{
    const QStringList differences = settingscompare::differences(m_task.writtenSettings(), readBack.settings);
    if (differences.isEmpty())
        finish(Outcome::Done);
    else
        finish(Outcome::NotVerified,
               QStringLiteral("read back differs: ") + differences.join(QStringLiteral("; ")));
}
