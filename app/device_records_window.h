#pragma once

#include "app/device_history_model.h"
#include "app/language_table.h"
#include "app/tool_texts.h"
#include "records/records_sync.h"
#include "records/session_recorder.h"
#include "records/settings_record.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class CompareBeforeWrite;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableView;
class QTableWidget;
class RecordStore;

// The "Device records" tool window: the history of the tag the session
// works on, newest first; two settings sets side by side; a recorded set
// put back into the main window's settings controls; the history exported;
// and what the records are doing (their file, what waits for the plant's
// server, what could not be recorded).
//
// The tag box is the session's tag: setting it tags what the session does
// from then on, and the session's untagged events so far. Events recorded
// without a tag are listed under an empty tag with their port and time,
// and can be given a tag afterwards.
//
// With no store, or one that is off, the window says so and offers only
// what needs no records; a read-only store still shows its history.
class DeviceRecordsWindow : public QWidget
{
    Q_OBJECT

public:
    enum class ExportFormat
    {
        Csv,
        Json
    };

    // Either may be null (records off); both must outlive the window.
    DeviceRecordsWindow(RecordStore* store, SessionRecorder* recorder, QWidget* parent = nullptr);
    ~DeviceRecordsWindow() override;

    void applyLanguage(Language language);

    // The tag box's text, taken: "" for untagged; an invalid tag is refused
    // with a message and the box shows the tag in force again.
    void applyTag(const QString& text);
    const QString& tag() const { return m_tag; }

    // Every attempt of the recorder, recorded or not (its listener).
    void eventRecorded(const RecordEvent& event, const SessionRecorder::Result& result);

    // The selected settings events side by side, or the selected one beside
    // the session's latest read.
    void compareSelected();
    // The selected settings event into the main window (loadRequested).
    void loadSelected();
    // Gives the selected events the tag typed beside the button.
    void assignTagToSelected();
    // Asks for a file and writes the whole history of the tag to it.
    void exportHistory(ExportFormat format);
    // False, with the reason shown, when the file could not be written; the
    // file is then as it was.
    bool exportTo(const QString& path, ExportFormat format);

    // The settings the main window's controls would write now; none
    // without a main window behind this one.
    void setControlsSettings(std::function<std::optional<RecordedSettings>()> provider)
    {
        m_controlsSettings = std::move(provider);
    }
    // The controls, the transmitter's last read and the tag's last recorded
    // "as left", side by side (compareBeforeWrite).
    void compareBeforeWriting();
    // The tag's latest read-back after a write, as recorded; none without.
    std::optional<RecordedSettings> lastAsLeft() const;
    // Says a result of the main window's (a certificate issued).
    void showResult(ToolTexts::Text text, const QStringList& arguments = {}) { showMessage(text, arguments); }
    // While a certificate is being issued another cannot be asked for.
    void setCertificateBusy(bool busy);

    DeviceHistoryModel& history() { return m_history; }
    // The latest hint or result the window gave, and the status line.
    QString message() const;
    QString status() const;

public slots:
    // The plant server's exchange (RecordsSync::statusChanged): how many
    // events wait for it, its last error, the time of its last exchange.
    void showSyncStatus(const RecordsSyncStatus& status);
    // Other stations' events arrived (RecordsSync::pulled): the history
    // shown may have grown.
    void eventsPulled();

signals:
    // "Load into window": the main window shows these settings as if read.
    void loadRequested(const RecordedSettings& settings);
    // "Certificate…" for the tag shown.
    void certificateRequested(const QString& tag);

public:
    QLabel* tagLabel = nullptr;
    QComboBox* tagBox = nullptr;
    QLabel* sessionLabel = nullptr;
    QTableView* historyView = nullptr;
    QTableWidget* compareTable = nullptr;
    QLabel* assignLabel = nullptr;
    QLineEdit* assignTagEdit = nullptr;
    QPushButton* assignTagButton = nullptr;
    QPushButton* compareButton = nullptr;
    QPushButton* loadButton = nullptr;
    QPushButton* exportCsvButton = nullptr;
    QPushButton* exportJsonButton = nullptr;
    QPushButton* certificateButton = nullptr;
    QPushButton* compareBeforeWriteButton = nullptr;
    CompareBeforeWrite* compareBeforeWrite = nullptr;
    QLabel* messageLabel = nullptr;
    QLabel* statusLabel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // One side of a comparison: a recorded settings set, or (no event) the
    // session's latest read.
    struct Side
    {
        QJsonObject settings;
        std::optional<RecordEvent> event;
    };

    void applyTexts();
    void fitColumns();
    void refreshTags();
    void showSession();
    void showStatus();
    void showMessage(ToolTexts::Text text, const QStringList& arguments = {});
    void showComparison();
    void showPane(QWidget* pane);
    void updateButtons();
    QList<int> selectedRows() const;
    // The selected events that hold a settings set, newest first.
    QList<int> selectedSettingsRows() const;
    QString sideTitle(const Side& side) const;

    RecordStore* m_store = nullptr;
    SessionRecorder* m_recorder = nullptr;
    DeviceHistoryModel m_history;
    QSplitter* m_splitter = nullptr;
    Language m_language = Language::Hungarian;
    QString m_tag;
    QString m_sessionPort;
    QDateTime m_sessionStart;
    bool m_inSession = false;
    // A plant's server is configured: its exchange reports here.
    bool m_certificateBusy = false;
    bool m_exchanging = false;
    int m_waiting = 0;
    QString m_serverError;
    QDateTime m_lastExchange;
    QString m_notRecorded;
    // The message shown: a text of the tables and its argument, so that it
    // follows the language.
    std::optional<ToolTexts::Text> m_messageText;
    QStringList m_messageArguments;
    std::function<std::optional<RecordedSettings>()> m_controlsSettings;
    std::optional<Side> m_compareA;
    std::optional<Side> m_compareB;
};
