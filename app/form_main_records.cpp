#include "app/form_main.h"

#include "app/device_records_window.h"
#include "app/form_main_controls.h"
#include "app/main_window_task_host.h"
#include "app/tool_texts.h"
#include "device/communication_task.h"
#include "device/settings_editing.h"
#include "link/port_reconnector.h"
#include "link/tmb.h"
#include "records/record_checkpointer.h"
#include "records/record_store.h"
#include "records/recording_task_host.h"
#include "records/records_location.h"
#include "records/records_sync.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"

#include <QCheckBox>
#include <QFile>

// The device records of the window's sessions: the store and the recorder
// the task's results pass through, what the window itself tells the
// recorder (the port, the commands with their reading at the press, the
// settings files), and the Device records tool window.

#ifndef KV_VERSION
#define KV_VERSION "0"
#endif

void TForm_Main::createRecords()
{
    if (!m_context.recordsPath.isEmpty()) {
        m_records = std::make_unique<RecordStore>(m_context.recordsPath);
        m_records->open();
        m_recorder = std::make_unique<SessionRecorder>(
            m_records.get(), RecordOrigin::current(QStringLiteral("kvconf"), QStringLiteral(KV_VERSION)));
        m_recorder->setModel(SettingsFile::modelName(DeviceModel));
        m_recorder->setTag(m_context.recordsTag);
        m_recorder->setListener([this](const RecordEvent& event, const SessionRecorder::Result& result) {
            recordingAttempted(event, result);
        });
        m_recordingHost = std::make_unique<RecordingTaskHost>(*m_taskHost, *m_recorder);
        // A checkpoint waits for the disk: not on the thread that records.
        if (m_records->setAutoCheckpoint(false))
            m_checkpointer = std::make_unique<RecordCheckpointer>(m_records->path());
        if (!m_records->canWrite()) {
            // Every event will fail for this reason: one warning says it.
            m_recordsOffReason = m_records->message();
            m_warnedReasons.insert(m_recordsOffReason);
            warnLater([this] {
                return ToolTexts::text(ToolTexts::Text::RecordsOffWarning, m_toolLanguage)
                    .arg(m_recordsOffReason);
            });
        }
        // The wait for a device that went away ended without it.
        connect(&MB1->reconnector(), &PortReconnector::waitingChanged, this, [this](bool waiting) {
            if (!waiting && !MB1->MBPortOpen())
                m_recorder->sessionAbandoned();
        });
    }

    m_recordsWindow = new DeviceRecordsWindow(m_records.get(), m_recorder.get(), this);
    m_recordsWindow->applyLanguage(m_toolLanguage);
    connect(this, &TForm_Main::toolLanguageChanged, m_recordsWindow, &DeviceRecordsWindow::applyLanguage);
    connect(m_recordsWindow, &DeviceRecordsWindow::loadRequested, this, &TForm_Main::loadRecordedSettings);
    m_recordsWindow->setControlsSettings(
        [this] { return std::optional<RecordedSettings>(controlsSettings()); });
    startRecordsSync();
    attachToolWindow(viewDeviceRecords, m_recordsWindow, QStringLiteral("DeviceRecords"));
}

void TForm_Main::recordPortOpenedOrClosed(bool open)
{
    if (!m_recorder)
        return;
    if (open) {
        m_recorder->portOpened(MB1->Port());
        return;
    }
    // A device that went away closes the port first and only then says so,
    // which starts the reconnector's wait: whether the session goes on is
    // known after this event.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!MB1->MBPortOpen() && !MB1->reconnector().isWaiting())
                m_recorder->portClosed(false);
        },
        Qt::QueuedConnection);
}

void TForm_Main::startRecordsSync()
{
    const recordslocation::ServerChoice server = recordslocation::server();
    if (server.url.isEmpty() || !m_records || !m_records->canWrite())
        return;
    m_sync = std::make_unique<RecordsSync>(RecordsSync::Options{m_records->path(), server.url});
    connect(m_sync.get(), &RecordsSync::statusChanged, m_recordsWindow, &DeviceRecordsWindow::showSyncStatus);
    connect(m_sync.get(), &RecordsSync::pulled, m_recordsWindow, &DeviceRecordsWindow::eventsPulled);
    m_sync->start();
}

bool TForm_Main::stopRecordsSync()
{
    return !m_sync || m_sync->stop();
}

RecordedSettings TForm_Main::controlsSettings() const
{
    const LiveValues& live = m_task->liveValues();
    const DeviceSettings captured = settingsedit::captureForWrite(
        RadioGroup_AnalogKimTipus->ItemIndex(), RadioGroup_AnalogKimHibajelzes->ItemIndex(),
        CheckBox_NemHibaAKimenetTulcsordulas->isChecked(), LabeledEdit_AramL->text(),
        LabeledEdit_AramH->text(), LabeledEdit_AramLLimit->text(), LabeledEdit_AramHLimit->text());
    return RecordedSettings::from(
        CommunicationTask::writeBlock(captured, m_taskHost->settingsSelection(), live.uMode), live);
}

void TForm_Main::recordingAttempted(const RecordEvent& event, const SessionRecorder::Result& result)
{
    if (event.isKind(RecordEvent::SessionStart)) {
        m_warnedReasons.clear();
        if (!m_recordsOffReason.isEmpty())
            m_warnedReasons.insert(m_recordsOffReason);
    }
    if (result.recorded && m_checkpointer)
        m_checkpointer->noteWritten();
    if (result.recorded && m_sync)
        m_sync->poke();
    m_recordsWindow->eventRecorded(event, result);
    if (result.recorded || result.reason.isEmpty() || m_warnedReasons.contains(result.reason))
        return;
    m_warnedReasons.insert(result.reason);
    warnLater([this, reason = result.reason] {
        return ToolTexts::text(ToolTexts::Text::RecordsNotRecordedWarning, m_toolLanguage).arg(reason);
    });
}

void TForm_Main::warnLater(std::function<QString()> text)
{
    QMetaObject::invokeMethod(
        this,
        [this, text = std::move(text)] {
            Dialogs::current().message(this, Dialogs::MessageType::Warning, windowTitle(), text());
        },
        Qt::QueuedConnection);
}

void TForm_Main::recordSettingsFile(const QString& path, bool saved)
{
    if (!m_recorder)
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        recordingAttempted(RecordEvent{}, {false, file.errorString()});
        return;
    }
    const QByteArray bytes = file.readAll();
    if (saved)
        m_recorder->fileSaved(path, bytes);
    else
        m_recorder->fileOpened(path, bytes);
}

void TForm_Main::loadRecordedSettings(const RecordedSettings& recorded)
{
    // The window's own host, not the recording one: this is no read.
    m_taskHost->applySettingsReadBack(
        CommunicationTask::settingsReadBackFor(recorded.settings, recorded.pt1000));
}
