#pragma once

#include "app/language_table.h"
#include "device/traffic_decoder.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeView;
class TMB;
class TrafficLogFilter;
class TrafficLogModel;

// The "Traffic log" tool window: every query and answer of the link with
// its time, the frame as on the wire and what it means; filters, pause,
// clear, copy and save; a row of a live or settings block opens to show its
// fields. It records from its creation on, shown or not, and holds the last
// TrafficLogModel::DefaultCapacity entries.
class TrafficLogWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TrafficLogWindow(TMB& mb, QWidget* parent = nullptr);

    void applyLanguage(Language language);

    TrafficLogModel& model() { return *m_model; }
    TrafficLogFilter& filter() { return *m_filter; }
    // The lines of the rows shown (selected ones only when `selectedOnly`),
    // tab-separated, as copied and saved.
    QStringList shownLines(bool selectedOnly) const;
    // Writes the header and the shown lines; false with the reason.
    bool saveTo(const QString& path, QString* errorText) const;

    QCheckBox* hideLivePolls = nullptr;
    QCheckBox* failuresOnly = nullptr;
    QPushButton* pause = nullptr;
    QPushButton* clear = nullptr;
    QPushButton* copy = nullptr;
    QPushButton* save = nullptr;
    QLabel* lineCount = nullptr;
    QTreeView* view = nullptr;

    // How long new entries wait to be shown together while the window is
    // shown; while it is hidden they go into the log at once.
    static constexpr int ShownBatchMs = 250;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void copyToClipboard();
    void saveWithDialog();
    void updateCount();
    void updatePauseText();

    TrafficLogModel* m_model = nullptr;
    TrafficLogFilter* m_filter = nullptr;
    Language m_language = Language::English;
    // The view follows new rows while it is scrolled to the end.
    bool m_followEnd = true;
};
