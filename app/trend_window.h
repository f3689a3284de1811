#pragma once

#include "app/language_table.h"
#include "device/live_csv_writer.h"
#include "device/trend_columns.h"
#include "device/trend_history.h"
#include "device/trend_scale.h"

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
class QLineEdit;
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
// plot waits until it is shown and not paused.
//
// The plot costs a live block little at every span. Its time axis stands
// still, ending on a round tick, until the newest block passes the end; it
// then moves on by a tick. Meanwhile a block changes the last column
// (ColumnPixels wide) of each curve only (TrendColumns), and the chart lays
// out and paints again only the curve's newest piece, a few points long,
// and not before a block starts a new column, RedrawIntervalMs after the
// last drawing. Pieces are kept as they are once full, and a run of them is
// merged into one, so that the chart holds few pieces. A value axis changes
// only when a value leaves it, or when the time axis moves. A recording's
// row count is shown every RecordingStatusIntervalMs, with a drawing.
//
// A recording that cannot be written stops; the window says why. What was
// written stays in the file.
class TrendWindow : public QWidget
{
    Q_OBJECT

public:
    // The spans the time axis can show, shortest first.
    static constexpr std::array<int, 5> SpanSeconds{30, 60, 120, 300, 600};
    // The longest: the whole default history.
    static constexpr int DefaultSpanIndex = int(SpanSeconds.size()) - 1;
    // A flat curve still gets an axis this tall, in its unit.
    static constexpr double SmallestAxisSpan = 0.1;
    static constexpr double AxisMarginFraction = 0.05;
    // An axis that values left grows by this much of its span or theirs,
    // whichever is taller, half at each end, so that values that drift
    // seldom leave it again: each new axis draws the whole curve anew.
    static constexpr double GrowFraction = 1.0;
    // An autoscaled axis shrinks when it is this many times taller than
    // the values need.
    static constexpr double ShrinkRatio = 4.0;
    // Steps between ticks on an axis, at most.
    static constexpr int MostValueIntervals = 6;
    // Time labels: as many as the plot's width holds at this much room for
    // one "hh:mm:ss", within these bounds, so that a tool window shrunk
    // beside the main window still reads.
    static constexpr int TimeLabelWidth = 90;
    static constexpr int FewestTimeLabels = 3;
    static constexpr int MostTimeLabels = 6;
    // The plot's width may change by this much before its columns follow:
    // a value axis' labels that grow wider do not draw it all anew.
    static constexpr double ColumnsSlackFraction = 0.1;
    // Pixels a column of the curves is wide: as wide as the measured
    // value's pen, so a narrower column would show nothing more, and would
    // lay out more points each time an axis moves.
    static constexpr int ColumnPixels = 3;
    // Points of a curve's newest piece before it is kept as it is; kept
    // pieces are merged this many at a time. Each piece's last point is the
    // next one's first.
    static constexpr int NewestPiecePoints = 8;
    static constexpr int PiecesMerged = 8;
    // The plot is drawn again this often at most, and once a column: the
    // live value itself is on the main window, and one drawing for twenty
    // live blocks keeps an open Trend's cost within a quarter of the
    // window's own.
    static constexpr int RedrawIntervalMs = 2000;
    // The rows of a recording are shown again this often, with the plot's
    // drawing when one comes first: painting the line costs about as much
    // as a drawing of the plot.
    static constexpr int RecordingStatusIntervalMs = 2000;

    using Clock = std::function<QDateTime()>;
    using Curve = TrendColumns::Curve;

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

    // Tests that would otherwise wait on the window's pace shorten how often
    // the plot and the recording's row count are shown again.
    void setIntervals(int redrawMs, int recordingStatusMs);

    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }
    // Index into SpanSeconds; clamped.
    void setSpanIndex(int index);
    int spanIndex() const { return m_spanIndex; }

    const TrendHistory& history() const { return m_history; }
    // The plot as drawn last: at most two points a column.
    QList<QPointF> measuredPoints() const { return drawnPoints(Curve::Measured); }
    QList<QPointF> outputPoints() const { return drawnPoints(Curve::Output); }
    QList<QPointF> drawnPoints(Curve curve) const;
    // The pieces of a curve, oldest first.
    QList<QLineSeries*> curvePieces(Curve curve) const;
    const trendscale::TimeScale& timeScale() const { return m_timeScale; }
    // The curves as the plot has them, drawn or waiting to be.
    const TrendColumns& plotColumns() const { return m_columns; }

    QChartView* chartView = nullptr;
    QDateTimeAxis* timeAxis = nullptr;
    QValueAxis* measuredAxis = nullptr;
    QValueAxis* outputAxis = nullptr;
    QPushButton* pauseButton = nullptr;
    QCheckBox* autoscaleCheck = nullptr;
    QLabel* spanLabel = nullptr;
    QComboBox* spanChoice = nullptr;
    QPushButton* recordButton = nullptr;
    QLineEdit* recordingStatus = nullptr;
    QLabel* readout = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // trend_window_plot.cpp: the chart.
    void buildChart();
    bool plotShown() const;
    // Everything anew: the time axis, the columns, the pieces, the value axes.
    void redrawAll();
    // The newest sample of the history, into the plot.
    void plotNewest();
    // What the blocks since the last drawing changed, into the chart.
    void drawChanges();
    // A curve's points from firstChanged on into its pieces.
    void drawPieces(Curve curve, qsizetype firstChanged);
    struct Piece
    {
        QLineSeries* series = nullptr;
        // Indexes of its first and last point in the curve.
        qsizetype first = 0;
        qsizetype last = 0;
    };
    Piece newPiece(Curve curve, qsizetype first, qsizetype last);
    void dropPiece(Curve curve, Piece& piece);
    // Out of sight, for a spare series.
    void park(Curve curve, QLineSeries* series);
    // The axis of a curve to its values, when they left it or it is far too
    // tall for them.
    void fitValueAxis(Curve curve);
    bool valueOutsideAxis(Curve curve) const;
    void plotAreaChanged();
    qint64 spanMs() const;
    // Steps of the time axis that the plot's width holds.
    int timeIntervals() const;

    void applyTexts();
    void showRecordingStatus();
    void showHover(Curve curve, const QPointF& point, bool state);
    QString unitText(const QString& title, const QString& unit) const;

    TrendHistory m_history;
    Clock m_clock;
    LiveCsvWriter m_recorder;
    QString m_recordingError;
    QString m_recordFolder;
    Language m_language = Language::Hungarian;
    bool m_paused = false;
    int m_spanIndex = DefaultSpanIndex;
    QTimer* m_recordingStatusTimer = nullptr;
    int m_redrawIntervalMs = RedrawIntervalMs;

    TrendColumns m_columns;
    trendscale::TimeScale m_timeScale;
    std::array<trendscale::ValueScale, Curve::CurveCount> m_valueScales;
    struct CurvePieces
    {
        std::vector<Piece> merged;
        std::vector<Piece> kept;
        Piece newest;
        // Empty series, for new pieces.
        std::vector<QLineSeries*> spare;
    };
    std::array<CurvePieces, Curve::CurveCount> m_pieces;
    // The first point of each curve that changed since it was drawn.
    std::array<qsizetype, Curve::CurveCount> m_changedFrom{};
    // The column and the time the plot was drawn up to.
    qint64 m_drawnColumn = 0;
    qint64 m_drawnMs = 0;
    // Draws what waits when no block follows.
    QTimer* m_drawTimer = nullptr;
    int m_timeIntervals = MostTimeLabels - 1;
};
