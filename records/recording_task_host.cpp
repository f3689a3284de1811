#include "records/recording_task_host.h"

#include "device/communication_task.h"
#include "records/session_recorder.h"

void RecordingTaskHost::showITP(int iTP)
{
    m_iTP = iTP;
    m_inner.showITP(iTP);
}

void RecordingTaskHost::showTransactionResult(bool ok)
{
    // Only the read-back's own failure settles the write; a failed live poll
    // in between leaves the read-back pending, as the task does. An answer
    // can end the wait before the next tick shows its state, so the send
    // state counts as well.
    const bool readingBack =
        m_iTP == CommunicationTask::StateReadSettings || m_iTP == CommunicationTask::StateReadSettingsWait;
    if (!ok && readingBack)
        m_recorder.readBackMissed(QStringLiteral("the read-back got no valid answer"));
    m_inner.showTransactionResult(ok);
}

void RecordingTaskHost::liveValuesArrived(const LiveValues& values)
{
    m_recorder.liveValuesArrived(values);
    m_inner.liveValuesArrived(values);
}

void RecordingTaskHost::applySettingsReadBack(const SettingsReadBack& readBack)
{
    m_recorder.settingsRead(readBack.settings);
    m_inner.applySettingsReadBack(readBack);
}

void RecordingTaskHost::settingsWriteAcknowledged(const DeviceSettings& written)
{
    m_recorder.settingsWritten(written);
    m_inner.settingsWriteAcknowledged(written);
}

void RecordingTaskHost::requestWithdrawn(RequestButton button)
{
    if (button == rbKVKiolvasas)
        m_recorder.readBackMissed(QStringLiteral("the read-back was withdrawn"));
    m_inner.requestWithdrawn(button);
}
