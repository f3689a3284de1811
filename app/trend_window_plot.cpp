// The Trend window's plot: axes on round ticks, and curves drawn in pieces
// so that a live block lays out and paints what it changed only.

#include "app/trend_window.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QTimer>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kMsPerSecond = 1000;
constexpr qint64 kMsPerMinute = 60 * kMsPerSecond;
constexpr double kMeasuredPenWidth = 3.0;
const QColor kMeasuredColour{0, 90, 200};
const QColor kOutputColour{200, 60, 0};
const QColor kGridColour{224, 224, 224};

// Bevelled with a short miter limit: the chart takes a curve's bounds from
// its outline with miter joins, and a noisy curve's sharp corners would
// make every piece as wide as several, to be painted again with its
// neighbours.
QPen measuredPen()
{
    QPen pen(kMeasuredColour, kMeasuredPenWidth);
    pen.setJoinStyle(Qt::BevelJoin);
    pen.setMiterLimit(1.0);
    return pen;
}

// The axis a curve is read on.
QValueAxis* axisOf(const TrendWindow& window, TrendWindow::Curve curve)
{
    return curve == TrendWindow::Curve::Measured ? window.measuredAxis : window.outputAxis;
}

} // namespace

void TrendWindow::buildChart()
{
    auto* chart = new QChart;
    // The axes' titles, in the curves' colours, name the curves: a legend
    // would list every piece.
    chart->legend()->hide();
    // The view's own background, a plain fill in the chart's colour: the
    // chart's paints a rounded rectangle for every bit of the plot painted
    // again.
    const QBrush background = chart->backgroundBrush();
    chart->setBackgroundVisible(false);
    chart->setMargins(QMargins(2, 2, 2, 2));

    timeAxis = new QDateTimeAxis(chart);
    measuredAxis = new QValueAxis(chart);
    outputAxis = new QValueAxis(chart);
    // The grid follows the left axis; the right one's ticks would cross it.
    outputAxis->setGridLineVisible(false);
    for (const auto& [axis, colour] :
         {std::pair{measuredAxis, kMeasuredColour}, {outputAxis, kOutputColour}}) {
        axis->setLabelsColor(colour);
        axis->setTitleBrush(colour);
    }
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(measuredAxis, Qt::AlignLeft);
    chart->addAxis(outputAxis, Qt::AlignRight);
    // The theme's lines, of width 0 (one pixel): the scene asks every line
    // on the chart for its bounds at every paint, which is costly for a
    // wider pen.
    for (QAbstractAxis* axis : std::initializer_list<QAbstractAxis*>{timeAxis, measuredAxis, outputAxis}) {
        // Opaque, so that painting a grid line is a plain fill.
        QPen grid = axis->gridLinePen();
        grid.setWidth(0);
        grid.setColor(kGridColour);
        axis->setGridLinePen(grid);
        QPen line = axis->linePen();
        line.setWidth(0);
        axis->setLinePen(line);
    }

    chartView = new QChartView(chart, this);
    chartView->setObjectName(QStringLiteral("chartView"));
    chartView->setBackgroundBrush(background);
    chartView->setRenderHint(QPainter::Antialiasing, false);
    chartView->setOptimizationFlags(QGraphicsView::DontSavePainterState |
                                    QGraphicsView::DontAdjustForAntialiasing);
    chartView->viewport()->installEventFilter(this);
    m_drawTimer = new QTimer(this);
    m_drawTimer->setSingleShot(true);
    m_drawTimer->setInterval(RedrawIntervalMs);
    connect(m_drawTimer, &QTimer::timeout, this, &TrendWindow::drawChanges);
    // Queued: the chart is in the middle of its layout when it says so.
    connect(chart, &QChart::plotAreaChanged, this, &TrendWindow::plotAreaChanged, Qt::QueuedConnection);

    for (QValueAxis* axis : {measuredAxis, outputAxis}) {
        const trendscale::ValueScale scale;
        axis->setRange(scale.low, scale.high);
        axis->setTickCount(scale.tickCount);
    }
}

TrendWindow::Piece TrendWindow::newPiece(Curve curve, qsizetype first, qsizetype last)
{
    std::vector<QLineSeries*>& spare = m_pieces[curve].spare;
    Piece piece{nullptr, first, last};
    if (!spare.empty()) {
        piece.series = spare.back();
        spare.pop_back();
    } else {
        QChart* chart = chartView->chart();
        piece.series = new QLineSeries(chart);
        // The output follows the measured value: on autoscaled axes the
        // curves lie on each other, so the output's is thin and dashed over
        // the other's.
        piece.series->setPen(curve == Curve::Measured ? measuredPen() : QPen(kOutputColour, 0, Qt::DashLine));
        chart->addSeries(piece.series);
        piece.series->attachAxis(timeAxis);
        piece.series->attachAxis(axisOf(*this, curve));
        connect(piece.series, &QLineSeries::hovered, this,
                [this, curve](const QPointF& point, bool state) { showHover(curve, point, state); });
    }
    const QList<QPointF>& points = m_columns.points(curve);
    if (last >= first && first < points.size())
        piece.series->replace(points.mid(first, last - first + 1));
    else
        park(curve, piece.series);
    return piece;
}

void TrendWindow::park(Curve curve, QLineSeries* series)
{
    // One point a plot's width left of the plot and a plot's height below
    // it: a series made empty or filled again has the chart paint where it
    // was, and an empty series is at the plot's corner, which would make
    // the chart paint everything between that corner and the newest piece.
    const trendscale::ValueScale& scale = m_valueScales[curve];
    const qint64 widthMs = std::max<qint64>(m_timeScale.toMs - m_timeScale.fromMs, 1);
    series->replace({QPointF(double(m_timeScale.fromMs - widthMs), scale.low - (scale.high - scale.low))});
}

void TrendWindow::dropPiece(Curve curve, Piece& piece)
{
    if (!piece.series)
        return;
    park(curve, piece.series);
    m_pieces[curve].spare.push_back(piece.series);
    piece.series = nullptr;
}

bool TrendWindow::plotShown() const
{
    return isVisible() && !m_paused;
}

int TrendWindow::timeIntervals() const
{
    return std::clamp(chartView->viewport()->width() / TimeLabelWidth, FewestTimeLabels, MostTimeLabels) - 1;
}

qint64 TrendWindow::spanMs() const
{
    return std::min<qint64>(qint64(SpanSeconds[size_t(m_spanIndex)]) * kMsPerSecond, m_history.historyMs());
}

void TrendWindow::redrawAll()
{
    if (!plotShown())
        return;
    // The pieces go first, so that the axes' changes lay out no points.
    for (Curve curve : {Curve::Measured, Curve::Output}) {
        CurvePieces& pieces = m_pieces[curve];
        for (Piece& piece : pieces.merged)
            dropPiece(curve, piece);
        for (Piece& piece : pieces.kept)
            dropPiece(curve, piece);
        dropPiece(curve, pieces.newest);
        pieces.merged.clear();
        pieces.kept.clear();
    }

    const qint64 nowMs = m_history.isEmpty() ? m_clock().toMSecsSinceEpoch() : m_history.newest().timeMs;
    // Looked up once a move of the axis: ticks on the local clock's whole steps.
    const qint64 utcOffsetMs = qint64(QDateTime::fromMSecsSinceEpoch(nowMs).offsetFromUtc()) * kMsPerSecond;
    m_timeIntervals = timeIntervals();
    m_timeScale = trendscale::timeScale(nowMs, spanMs(), utcOffsetMs, m_timeIntervals);
    const QString format =
        m_timeScale.stepMs % kMsPerMinute == 0 ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss");
    // Set only when they change: either lays the whole chart out again.
    if (timeAxis->format() != format)
        timeAxis->setFormat(format);
    if (timeAxis->tickCount() != m_timeScale.tickCount)
        timeAxis->setTickCount(m_timeScale.tickCount);
    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(m_timeScale.fromMs),
                       QDateTime::fromMSecsSinceEpoch(m_timeScale.toMs));

    for (Curve curve : {Curve::Measured, Curve::Output}) {
        for (QLineSeries* series : m_pieces[curve].spare)
            park(curve, series);
    }

    const int columns = std::max(1, int(chartView->chart()->plotArea().width()) / ColumnPixels);
    m_columns.reset(m_history, m_timeScale.fromMs, m_timeScale.toMs, columns);
    // Series for every piece up to the next move of the axis, added at once:
    // each series added later would lay the chart out again. Counted on the
    // view's width, which holds the plot's: a plot a few columns wider
    // (narrower value labels) needs no more.
    const qsizetype mergedPoints = qsizetype(NewestPiecePoints) * PiecesMerged;
    const int mostColumns = std::max(columns, chartView->viewport()->width() / ColumnPixels);
    for (Curve curve : {Curve::Measured, Curve::Output}) {
        const size_t needed = size_t(2 * mostColumns / mergedPoints + PiecesMerged + 3);
        std::vector<Piece> added;
        while (m_pieces[curve].spare.size() + added.size() < needed)
            added.push_back(newPiece(curve, 0, -1));
        for (Piece& piece : added)
            dropPiece(curve, piece);
    }
    m_drawTimer->stop();
    m_drawnColumn = m_history.isEmpty() ? 0 : m_columns.columnOf(m_history.newest().timeMs);
    m_drawnMs = m_history.isEmpty() ? 0 : m_history.newest().timeMs;
    for (Curve curve : {Curve::Measured, Curve::Output}) {
        if (autoscaleCheck->isChecked())
            fitValueAxis(curve);
        // All but the last column in merged pieces, the rest the newest.
        const qsizetype count = m_columns.points(curve).size();
        const qsizetype settled = std::max<qsizetype>(count - 1 - m_columns.lastColumnPoints(curve), 0);
        CurvePieces& pieces = m_pieces[curve];
        for (qsizetype first = 0; first < settled; first += mergedPoints)
            pieces.merged.push_back(newPiece(curve, first, std::min(first + mergedPoints, settled)));
        pieces.newest = newPiece(curve, settled, count - 1);
        m_changedFrom[curve] = count;
    }
}

void TrendWindow::plotNewest()
{
    if (!plotShown())
        return;
    const TrendHistory::Sample& newest = m_history.newest();
    // A history begun anew (other units, the clock set back) or a block
    // past the time axis' end.
    if (m_history.size() == 1 || newest.timeMs > m_timeScale.toMs) {
        redrawAll();
        return;
    }
    const TrendColumns::Changes changes = m_columns.add(newest);
    for (Curve curve : {Curve::Measured, Curve::Output})
        m_changedFrom[curve] = std::min(m_changedFrom[curve], changes[curve]);
    // Once a column and RedrawIntervalMs at most: a column's later
    // blocks show with a later column's first, or when the blocks stop.
    const qint64 column = m_columns.columnOf(newest.timeMs);
    if (column == m_drawnColumn || newest.timeMs - m_drawnMs < m_redrawIntervalMs) {
        m_drawTimer->start();
        return;
    }
    drawChanges();
}

void TrendWindow::drawChanges()
{
    m_drawTimer->stop();
    if (!plotShown() || m_history.isEmpty())
        return;
    m_drawnColumn = m_columns.columnOf(m_history.newest().timeMs);
    m_drawnMs = m_history.newest().timeMs;
    // A row count due before the next drawing goes with this one: the
    // window is painted once, not once for each.
    if (m_recordingStatusTimer->isActive() &&
        m_recordingStatusTimer->remainingTime() < m_redrawIntervalMs / 2) {
        m_recordingStatusTimer->stop();
        showRecordingStatus();
    }
    for (Curve curve : {Curve::Measured, Curve::Output}) {
        // The chart lays every piece out again for a new axis itself.
        if (autoscaleCheck->isChecked() && valueOutsideAxis(curve))
            fitValueAxis(curve);
        drawPieces(curve, m_changedFrom[curve]);
    }
}

void TrendWindow::drawPieces(Curve curve, qsizetype firstChanged)
{
    const QList<QPointF>& points = m_columns.points(curve);
    const qsizetype count = points.size();
    m_changedFrom[curve] = count;
    CurvePieces& pieces = m_pieces[curve];
    Piece& newest = pieces.newest;
    if (firstChanged >= count || !newest.series)
        return;
    // Only the newest piece changes: the columns before the last are settled.
    Q_ASSERT(firstChanged >= newest.first);
    const qsizetype settled = count - 1 - m_columns.lastColumnPoints(curve);
    if (settled - newest.first < NewestPiecePoints) {
        newest.last = count - 1;
        newest.series->replace(points.mid(newest.first, count - newest.first));
        return;
    }
    // Full: kept as it is up to the settled columns, and a new one after.
    newest.last = settled;
    newest.series->replace(points.mid(newest.first, settled - newest.first + 1));
    pieces.kept.push_back(newest);
    newest = newPiece(curve, settled, count - 1);
    // The last kept piece stays as it is: the newest piece's neighbour is
    // painted with it, and is best short.
    if (pieces.kept.size() <= size_t(PiecesMerged))
        return;
    // One piece of many points for the chart to walk past at every paint,
    // laid out once.
    // Dropped first, so that the merged piece takes one of their series: a
    // series added to the chart lays it all out again.
    const qsizetype first = pieces.kept.front().first;
    const qsizetype last = pieces.kept[PiecesMerged - 1].last;
    for (size_t i = 0; i < size_t(PiecesMerged); ++i)
        dropPiece(curve, pieces.kept[i]);
    pieces.kept.erase(pieces.kept.begin(), pieces.kept.begin() + PiecesMerged);
    pieces.merged.push_back(newPiece(curve, first, last));
}

void TrendWindow::fitValueAxis(Curve curve)
{
    trendscale::ValueScale& shown = m_valueScales[curve];
    const std::optional<TrendHistory::Range> range = m_columns.range(curve);
    if (!range) {
        shown = trendscale::ValueScale{};
    } else {
        TrendHistory::Range wanted = *range;
        const trendscale::ValueScale tight = trendscale::valueScale(wanted.low, wanted.high, SmallestAxisSpan,
                                                                    AxisMarginFraction, MostValueIntervals);
        const bool outside = valueOutsideAxis(curve);
        // An axis that still holds the values stays unless it is far too
        // tall for them: a new axis costs as much as drawing it all anew.
        if (!outside && (tight.high - tight.low) * ShrinkRatio > shown.high - shown.low)
            return;
        // Values that left the axis are likely to go further: room at both
        // ends. Values all beside it (the first, or in other units) get none.
        const bool beside = wanted.high < shown.low || wanted.low > shown.high;
        if (outside && !beside) {
            const double room =
                std::max({wanted.high - wanted.low, shown.high - shown.low, SmallestAxisSpan}) *
                GrowFraction / 2.0;
            wanted.low -= room;
            wanted.high += room;
        }
        shown = trendscale::valueScale(wanted.low, wanted.high, SmallestAxisSpan, AxisMarginFraction,
                                       MostValueIntervals);
    }
    QValueAxis* axis = axisOf(*this, curve);
    // Each set only when it changes: a new format or count of ticks lays the
    // whole chart out again.
    const QString format = QStringLiteral("%.") + QString::number(shown.decimals) + u'f';
    if (axis->labelFormat() != format)
        axis->setLabelFormat(format);
    if (axis->tickCount() != shown.tickCount)
        axis->setTickCount(shown.tickCount);
    axis->setRange(shown.low, shown.high);
}

bool TrendWindow::valueOutsideAxis(Curve curve) const
{
    // Within the axis' margin counts as outside: a curve along the plot's
    // edge is hard to read.
    const std::optional<TrendHistory::Range> range = m_columns.range(curve);
    const trendscale::ValueScale& scale = m_valueScales[curve];
    const double margin = (scale.high - scale.low) * AxisMarginFraction;
    return range && (range->low < scale.low + margin || range->high > scale.high - margin);
}

void TrendWindow::plotAreaChanged()
{
    const double columns = chartView->chart()->plotArea().width() / ColumnPixels;
    if (std::abs(columns - m_columns.columns()) > m_columns.columns() * ColumnsSlackFraction)
        redrawAll();
}

QList<QLineSeries*> TrendWindow::curvePieces(Curve curve) const
{
    const CurvePieces& pieces = m_pieces[curve];
    QList<QLineSeries*> series;
    for (const std::vector<Piece>* run : {&pieces.merged, &pieces.kept}) {
        for (const Piece& piece : *run)
            series.append(piece.series);
    }
    if (pieces.newest.series && pieces.newest.last >= pieces.newest.first)
        series.append(pieces.newest.series);
    return series;
}

QList<QPointF> TrendWindow::drawnPoints(Curve curve) const
{
    QList<QPointF> points;
    for (const QLineSeries* series : curvePieces(curve)) {
        const QList<QPointF> piecePoints = series->points();
        // Each piece begins where the one before ends.
        points.append(points.isEmpty() ? piecePoints : piecePoints.mid(1));
    }
    return points;
}
