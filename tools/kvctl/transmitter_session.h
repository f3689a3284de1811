#pragma once

#include "app/settings_file.h"
#include "device/communication_task.h"
#include "device/communication_task_host.h"
#include "link/tmb.h"
#include "records/recording_task_host.h"
#include "records/session_recorder.h"
#include "tools/kvctl/settings_controls.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

// Where a session's device records go: the tag of the transmitter on its
// port, the model when known. No store: nothing is recorded, and each
// result says so.
struct SessionRecords
{
    RecordStore* store = nullptr;
    RecordOrigin origin;
    QString tag;
    QString model;
};

// One transmitter on one port, driven by the configurator's own
// communication task with this object as its host: the request buttons are
// flags, the settings controls a SettingsControls. The task runs as in the
// window (identification, firmware check, live polls, a settings read on
// opening, requests between polls) until the job is done; the first failed
// transaction ends the session where the window would start over.
//
// Threading: everything runs on the thread the object lives on, driven by
// the link's events and the task's timer; sessions on other ports share
// nothing with it, so any number of them run side by side on one thread.
//
// Ownership: the session owns its link (and so the port and the link's
// receive thread) and its task; the port is closed when the session ends.
//
// Failure: finished() comes exactly once after start(), also when the port
// cannot be opened; outcome() and reason() tell how it ended.
class TransmitterSession : public QObject, private CommunicationTaskHost
{
    Q_OBJECT

public:
    enum class Job
    {
        Identify, // identified, firmware accepted, one live block
        Live,     // live blocks until stop()
        Read,     // the settings read on opening
        Write,    // the file's settings written, read back and compared
    };

    enum class Outcome
    {
        Running,
        Done,        // identified, read, or written and verified
        NotVerified, // written, but the read-back differs
        Failed,      // no answer, refused, firmware not supported
        PortError,   // the port could not be opened or went away
        Interrupted,
    };

    // How long the session waits: the link's answer time-out per try and
    // the task's pace, the window's unless a test asks for a quicker one.
    struct Timing
    {
        int answerTimeoutMs = 1000;
        int tickIntervalMs = CommunicationTask::TickIntervalMs;
        quint16 sendDelayMs = CommunicationTask::SendDelayMs;
    };

    using Records = SessionRecords;

    TransmitterSession(const QString& port, Job job, const Timing& timing, const Records& records = {},
                       QObject* parent = nullptr);

    // Write: the settings file's values, opened over the settings read, and
    // the file they came from (path and bytes, for the records).
    void setFileValues(const SettingsFileValues& values, const QString& path = QString(),
                       const QByteArray& bytes = QByteArray())
    {
        m_fileValues = values;
        m_filePath = path;
        m_fileBytes = bytes;
    }

    SessionRecorder& recorder() { return m_recorder; }
    // The reasons this session's events were not recorded, each once.
    const QStringList& notRecorded() const { return m_notRecorded; }

    // Opens the port; the task starts with it.
    void start();
    // Ends the session now: Done unless it had already ended.
    void stop();
    // Ends the session now as Interrupted unless it had already ended.
    void interrupt();

    const QString& port() const { return m_port; }
    Outcome outcome() const { return m_outcome; }
    // Why it failed, or how the read-back differs; empty when done.
    const QString& reason() const { return m_reason; }
    // What the window would have changed silently (Write).
    const QStringList& notes() const { return m_notes; }
    // The latest live block, with the identification's firmware version.
    const LiveValues& liveValues() const { return m_task.liveValues(); }
    // What the settings controls show: after a Read, the transmitter's settings.
    const SettingsControls& controls() const { return m_controls; }

signals:
    // A step of the job began ("identifying", "writing settings", ...).
    void progress(const QString& step);
    void liveBlock(const LiveValues& values);
    void finished();

private:
    // CommunicationTaskHost
    bool isRequestDown(RequestButton button) const override;
    void setRequestDown(RequestButton button, bool down) override;
    void setRequestEnabled(RequestButton button, bool enabled) override;
    quint8 calibrationPage() const override;
    quint16 pwmSetpoint() const override;
    CommandParameters commandParameters() const override;
    SettingsSelection settingsSelection() const override;
    void showITP(int iTP) override;
    void showTransactionResult(bool ok) override;
    void hideDeviceViews() override;
    void showFirmware(const QString& text) override;
    void firmwareRejected(quint32 version) override;
    void liveValuesArrived(const LiveValues& values) override;
    void applySettingsReadBack(const SettingsReadBack& readBack) override;
    void commandAcknowledged(RequestButton button, const SentParameter& sent) override;

    void pressWrite();
    void verify(const SettingsReadBack& readBack);
    QString failedTransaction() const;
    // Stops the task at once; the port closes and finished() follows from
    // the event loop, once the task's step that ended it has returned.
    void finish(Outcome outcome, const QString& reason = QString());

    QString m_port;
    Job m_job = Job::Identify;
    Timing m_timing;
    SettingsFileValues m_fileValues;
    SettingsControls m_controls;
    std::array<bool, RequestButtonCount> m_down{};
    bool m_writePressed = false;
    QString m_step;
    Outcome m_outcome = Outcome::Running;
    QString m_reason;
    QStringList m_notes;
    QString m_filePath;
    QByteArray m_fileBytes;
    QStringList m_notRecorded;
    SessionRecorder m_recorder;
    // Tells the recorder what the task did before this host sees it.
    RecordingTaskHost m_recordingHost{*this, m_recorder};
    // Declared last: the task holds on to the link and to the hosts.
    TMB m_mb;
    CommunicationTask m_task{m_mb, m_recordingHost};
};
