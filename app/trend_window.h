#pragma once

#include "app/language_table.h"
#include "device/live_csv_writer.h"
#include "device/trend_history.h"

#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class QCheckBox;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QTimer;
class QValueAxis;

// The "Trend" tool window: the measured value (left axis) and the analog
// output (right axis) of every live block against time, over the last
// TrendHistory::historyMs; and the recording of every live block to a CSV
// file (LiveCsvWriter).
//
// It takes every block whether it is shown or not, so that it shows the
// history when opened and a recording goes on while it is closed; only the
// plot's drawing waits until it is shown and not paused. The plot is drawn
// again when the time axis would move by one pixel column (once a second
// over 10 minutes), at most once per RefreshIntervalMs, each curve reduced
// to two points per pixel column, so its cost does not grow with the
// history.
//
// A recording that cannot be written stops; the window says why. What was
// written stays in the file.
class TrendWindow : public QWidget
{
    Q_OBJECT

public:
    // The plot is drawn again when it would move by a pixel column, and
    // no more often than this.
    static constexpr int RefreshIntervalMs = 100;
    // The spans the time axis can show, shortest first.
    static constexpr std::array<int, 5> SpanSeconds{30, 60, 120, 300, 600};
    // The longest: the whole default history.
    static constexpr int DefaultSpanIndex = int(SpanSeconds.size()) - 1;
    // A flat curve still gets an axis this tall, in its unit.
    static constexpr double SmallestAxisSpan = 0.1;
    static constexpr double AxisMarginFraction = 0.05;

    using Clock = std::function<QDateTime()>;

    // The history is historyMs long; the clock stamps the blocks. It runs
    // in UTC by default: local time costs a look at the time zone files on
    // every live block, and only a recording's rows need it.
    explicit TrendWindow(QWidget* parent = nullptr, qint64 historyMs = TrendHistory::DefaultHistoryMs,
                         Clock clock = &QDateTime::currentDateTimeUtc);

    // One live block, stamped with the clock's time.
    void addLiveBlock(const LiveValues& values);
    void applyLanguage(Language language);

    // Asks for a file and records to it (Record…), or stops a recording.
    void recordButtonClicked();
    // Starts recording to `path`, replacing a file there. False, with the
    // reason shown, when it cannot be written.
    bool startRecording(const QString& path);
    void stopRecording();
    bool isRecording() const { return m_recorder.isOpen(); }
    qint64 recordedRows() const { return m_recorder.rows(); }

    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }
    // Index into SpanSeconds; clamped.
    void setSpanIndex(int index);
    int spanIndex() const { return m_spanIndex; }

    const TrendHistory& history() const { return m_history; }
    // A redraw of the plot is due; in refreshIntervalMs() at the most.
    bool refreshPending() const;
    // The time one pixel column of the plot stands for, at least
    // RefreshIntervalMs.
    int refreshIntervalMs() const;
    // The plot as drawn last: at most two points per pixel column.
    QList<QPointF> measuredPoints() const;
    QList<QPointF> outputPoints() const;

    QChartView* chartView = nullptr;
    QLineSeries* measuredSeries = nullptr;
    QLineSeries* outputSeries = nullptr;
    QDateTimeAxis* timeAxis = nullptr;
    QValueAxis* measuredAxis = nullptr;
    QValueAxis* outputAxis = nullptr;
    QPushButton* pauseButton = nullptr;
    QCheckBox* autoscaleCheck = nullptr;
    QLabel* spanLabel = nullptr;
    QComboBox* spanChoice = nullptr;
    QPushButton* recordButton = nullptr;
    QLabel* recordingStatus = nullptr;
    QLabel* readout = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void scheduleRefresh();
    void refresh();
    qint64 spanMs() const;
    void applyTexts();
    void showRecordingStatus();
    void showHover(const QLineSeries* series, const QPointF& point, bool state);
    void fitAxis(QValueAxis* axis, TrendHistory::Range range);
    QString unitText(const QString& title, const QString& unit) const;

    TrendHistory m_history;
    Clock m_clock;
    LiveCsvWriter m_recorder;
    QString m_recordingError;
    QString m_recordFolder;
    Language m_language = Language::Hungarian;
    bool m_paused = false;
    int m_spanIndex = DefaultSpanIndex;
    QTimer* m_refreshTimer = nullptr;
    std::vector<TrendHistory::Sample> m_decimated;
    QList<QPointF> m_points;
};
