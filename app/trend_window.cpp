#include "app/trend_window.h"

#include "app/tool_texts.h"
#include "platform/dialogs.h"
#include "widgets/flow_layout.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int kDefaultWidth = 720;
constexpr int kDefaultHeight = 420;
constexpr int kMsPerSecond = 1000;
constexpr int kSecondsPerMinute = 60;
constexpr int kReadoutDecimals = 3;
// Room for one "hh:mm:ss" label, and the fewest and most labels.
constexpr int kTimeLabelWidth = 90;
constexpr int kFewestTimeLabels = 3;
constexpr int kMostTimeLabels = 6;
constexpr double kMeasuredPenWidth = 3.0;
constexpr double kOutputPenWidth = 1.5;
const QColor kMeasuredColour{0, 90, 200};
const QColor kOutputColour{200, 60, 0};
const QColor kFailureColour{200, 0, 0};

QString spanText(int seconds, Language language)
{
    if (seconds < kSecondsPerMinute)
        return QStringLiteral("%1 s").arg(seconds);
    return QStringLiteral("%1 %2")
        .arg(seconds / kSecondsPerMinute)
        .arg(language == Language::Hungarian ? QStringLiteral("perc") : QStringLiteral("min"));
}

} // namespace

TrendWindow::TrendWindow(QWidget* parent, qint64 historyMs, Clock clock)
    : QWidget(parent, Qt::Tool), m_history(historyMs), m_clock(std::move(clock))
{
    setObjectName(QStringLiteral("TrendWindow"));
    resize(kDefaultWidth, kDefaultHeight);
    m_recordFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);

    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(2, 2, 2, 2));
    measuredSeries = new QLineSeries(chart);
    // The output follows the measured value: on autoscaled axes the curves
    // lie on each other, so the output's is thin and dashed over the
    // other's.
    measuredSeries->setPen(QPen(kMeasuredColour, kMeasuredPenWidth));
    outputSeries = new QLineSeries(chart);
    outputSeries->setPen(QPen(kOutputColour, kOutputPenWidth, Qt::DashLine));
    chart->addSeries(measuredSeries);
    chart->addSeries(outputSeries);

    timeAxis = new QDateTimeAxis(chart);
    timeAxis->setFormat(QStringLiteral("hh:mm:ss"));
    timeAxis->setTickCount(kMostTimeLabels);
    measuredAxis = new QValueAxis(chart);
    measuredAxis->setLabelsColor(kMeasuredColour);
    outputAxis = new QValueAxis(chart);
    outputAxis->setLabelsColor(kOutputColour);
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(measuredAxis, Qt::AlignLeft);
    chart->addAxis(outputAxis, Qt::AlignRight);
    measuredSeries->attachAxis(timeAxis);
    measuredSeries->attachAxis(measuredAxis);
    outputSeries->attachAxis(timeAxis);
    outputSeries->attachAxis(outputAxis);

    chartView = new QChartView(chart, this);
    chartView->setObjectName(QStringLiteral("chartView"));
    chartView->setRenderHint(QPainter::Antialiasing, false);
    chartView->viewport()->installEventFilter(this);

    pauseButton = new QPushButton(this);
    pauseButton->setObjectName(QStringLiteral("pauseButton"));
    autoscaleCheck = new QCheckBox(this);
    autoscaleCheck->setObjectName(QStringLiteral("autoscaleCheck"));
    autoscaleCheck->setChecked(true);
    spanLabel = new QLabel(this);
    spanChoice = new QComboBox(this);
    spanChoice->setObjectName(QStringLiteral("spanChoice"));
    for (size_t i = 0; i < SpanSeconds.size(); ++i)
        spanChoice->addItem(QString());
    spanChoice->setCurrentIndex(m_spanIndex);
    recordButton = new QPushButton(this);
    recordButton->setObjectName(QStringLiteral("recordButton"));
    recordingStatus = new QLabel(this);
    recordingStatus->setObjectName(QStringLiteral("recordingStatus"));
    recordingStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    readout = new QLabel(this);
    readout->setObjectName(QStringLiteral("readout"));

    // Wraps in a narrow window; the span's caption stays with its choice.
    auto* span = new QWidget(this);
    auto* spanRow = new QHBoxLayout(span);
    spanRow->setContentsMargins(0, 0, 0, 0);
    spanRow->addWidget(spanLabel);
    spanRow->addWidget(spanChoice);
    auto* controls = new FlowLayout;
    controls->addWidget(pauseButton);
    controls->addWidget(autoscaleCheck);
    controls->addWidget(span);
    auto* recording = new QHBoxLayout;
    recording->addWidget(recordButton);
    recording->addWidget(recordingStatus, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(chartView, 1);
    layout->addWidget(readout);
    layout->addLayout(recording);

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    connect(m_refreshTimer, &QTimer::timeout, this, &TrendWindow::refresh);

    connect(pauseButton, &QPushButton::clicked, this, [this] { setPaused(!m_paused); });
    connect(autoscaleCheck, &QCheckBox::toggled, this, &TrendWindow::scheduleRefresh);
    connect(spanChoice, &QComboBox::currentIndexChanged, this, &TrendWindow::setSpanIndex);
    connect(recordButton, &QPushButton::clicked, this, &TrendWindow::recordButtonClicked);
    connect(measuredSeries, &QLineSeries::hovered, this,
            [this](const QPointF& point, bool state) { showHover(measuredSeries, point, state); });
    connect(outputSeries, &QLineSeries::hovered, this,
            [this](const QPointF& point, bool state) { showHover(outputSeries, point, state); });
    // Shortcuts rather than key presses: a focused button would take Space
    // for a click of its own.
    const auto addShortcut = [this](const QKeySequence& keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), [this] { recordButtonClicked(); });
    addShortcut(QKeySequence(Qt::Key_Space), [this] { setPaused(!m_paused); });
    addShortcut(QKeySequence(Qt::Key_Plus), [this] { setSpanIndex(m_spanIndex - 1); });
    addShortcut(QKeySequence(Qt::Key_Minus), [this] { setSpanIndex(m_spanIndex + 1); });
    addShortcut(QKeySequence(Qt::Key_A), [this] { autoscaleCheck->toggle(); });
    addShortcut(QKeySequence(Qt::Key_Escape), [this] { close(); });

    applyLanguage(m_language);
}

void TrendWindow::applyLanguage(Language language)
{
    m_language = language;
    applyTexts();
}

void TrendWindow::applyTexts()
{
    using Text = ToolTexts::Text;
    const auto text = [this](Text t) { return ToolTexts::text(t, m_language); };
    setWindowTitle(text(Text::TrendTitle));
    pauseButton->setText(text(m_paused ? Text::TrendResume : Text::TrendPause));
    autoscaleCheck->setText(text(Text::TrendAutoscale));
    spanLabel->setText(text(Text::TrendSpan));
    for (int i = 0; i < spanChoice->count(); ++i)
        spanChoice->setItemText(i, spanText(SpanSeconds[size_t(i)], m_language));
    recordButton->setText(text(isRecording() ? Text::TrendStopRecording : Text::TrendRecord));
    measuredSeries->setName(text(Text::TrendMeasuredAxis));
    outputSeries->setName(text(Text::TrendOutputAxis));
    timeAxis->setTitleText(text(Text::TrendTimeAxis));
    measuredAxis->setTitleText(unitText(text(Text::TrendMeasuredAxis), m_history.measuredUnit()));
    outputAxis->setTitleText(unitText(text(Text::TrendOutputAxis), m_history.outputUnit()));
    if (m_history.isEmpty())
        readout->setText(text(Text::TrendNoData));
    else
        readout->setText(text(Text::TrendHoverHint));
    showRecordingStatus();
}

QString TrendWindow::unitText(const QString& title, const QString& unit) const
{
    return unit.isEmpty() ? title : title + QStringLiteral(" [") + unit + u']';
}

void TrendWindow::addLiveBlock(const LiveValues& values)
{
    const QDateTime time = m_clock();
    const bool wasEmpty = m_history.isEmpty();
    const QString measuredUnit = m_history.measuredUnit();
    const QString outputUnit = m_history.outputUnit();
    m_history.add(time.toMSecsSinceEpoch(), values);
    if (wasEmpty || measuredUnit != m_history.measuredUnit() || outputUnit != m_history.outputUnit())
        applyTexts();

    if (isRecording()) {
        if (!m_recorder.write(time.toLocalTime(), values, &m_recordingError))
            recordButton->setText(ToolTexts::text(ToolTexts::Text::TrendRecord, m_language));
        showRecordingStatus();
    }
    scheduleRefresh();
}

void TrendWindow::recordButtonClicked()
{
    if (isRecording()) {
        stopRecording();
        return;
    }
    using Text = ToolTexts::Text;
    Dialogs::FileRequest request;
    request.title = ToolTexts::text(Text::TrendRecordDialogTitle, m_language);
    request.folder = m_recordFolder;
    request.filter = ToolTexts::text(Text::TrendRecordFilter, m_language);
    request.defaultSuffix = QStringLiteral("csv");
    const QString path = Dialogs::current().saveFileName(this, request);
    if (path.isEmpty())
        return;
    m_recordFolder = QFileInfo(path).absolutePath();
    startRecording(path);
}

bool TrendWindow::startRecording(const QString& path)
{
    m_recordingError.clear();
    const bool started = m_recorder.open(path, &m_recordingError);
    applyTexts();
    return started;
}

void TrendWindow::stopRecording()
{
    m_recorder.close();
    applyTexts();
}

void TrendWindow::showRecordingStatus()
{
    using Text = ToolTexts::Text;
    const QString file = QDir::toNativeSeparators(m_recorder.path());
    QPalette palette = recordingStatus->palette();
    palette.setColor(QPalette::WindowText, m_recordingError.isEmpty()
                                               ? this->palette().color(QPalette::WindowText)
                                               : kFailureColour);
    recordingStatus->setPalette(palette);
    if (!m_recordingError.isEmpty())
        recordingStatus->setText(
            ToolTexts::text(Text::TrendRecordingFailed, m_language).arg(file, m_recordingError));
    else if (isRecording())
        recordingStatus->setText(
            ToolTexts::text(Text::TrendRecordingStatus, m_language).arg(file).arg(m_recorder.rows()));
    else if (!m_recorder.path().isEmpty())
        recordingStatus->setText(
            ToolTexts::text(Text::TrendRecordingDone, m_language).arg(file).arg(m_recorder.rows()));
    else
        recordingStatus->setText(ToolTexts::text(Text::TrendNotRecording, m_language));
}

void TrendWindow::setPaused(bool paused)
{
    m_paused = paused;
    pauseButton->setText(
        ToolTexts::text(paused ? ToolTexts::Text::TrendResume : ToolTexts::Text::TrendPause, m_language));
    scheduleRefresh();
}

void TrendWindow::setSpanIndex(int index)
{
    m_spanIndex = std::clamp(index, 0, int(SpanSeconds.size()) - 1);
    if (spanChoice->currentIndex() != m_spanIndex)
        spanChoice->setCurrentIndex(m_spanIndex);
    scheduleRefresh();
}

qint64 TrendWindow::spanMs() const
{
    return std::min<qint64>(qint64(SpanSeconds[size_t(m_spanIndex)]) * kMsPerSecond, m_history.historyMs());
}

int TrendWindow::refreshIntervalMs() const
{
    const qint64 columns = std::max<qint64>(1, qint64(chartView->chart()->plotArea().width()));
    return int(std::max<qint64>(RefreshIntervalMs, spanMs() / columns));
}

void TrendWindow::scheduleRefresh()
{
    if (isVisible() && !m_paused && !m_refreshTimer->isActive())
        m_refreshTimer->start(refreshIntervalMs());
}

bool TrendWindow::refreshPending() const
{
    return m_refreshTimer->isActive();
}

void TrendWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}

namespace {

void toPoints(const std::vector<TrendHistory::Sample>& samples, bool measured, QList<QPointF>& points)
{
    points.clear();
    points.reserve(qsizetype(samples.size()));
    for (const TrendHistory::Sample& s : samples)
        points.append(QPointF(double(s.timeMs), measured ? s.measured : s.output));
}

} // namespace

void TrendWindow::refresh()
{
    if (m_history.isEmpty() || m_paused)
        return;
    const qint64 toMs = m_history.newest().timeMs;
    const qint64 fromMs = toMs - spanMs();
    // One sample before the span, so the curves reach its left edge.
    const qsizetype first = std::max<qsizetype>(m_history.lowerBound(fromMs) - 1, 0);
    const qsizetype last = m_history.size();
    const int columns = std::max(1, int(chartView->chart()->plotArea().width()));

    m_history.decimate(first, last, fromMs, toMs, columns, true, m_decimated);
    toPoints(m_decimated, true, m_points);
    measuredSeries->replace(m_points);
    m_history.decimate(first, last, fromMs, toMs, columns, false, m_decimated);
    toPoints(m_decimated, false, m_points);
    outputSeries->replace(m_points);

    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(fromMs), QDateTime::fromMSecsSinceEpoch(toMs));
    if (autoscaleCheck->isChecked()) {
        const qsizetype visible = m_history.lowerBound(fromMs);
        fitAxis(measuredAxis, m_history.measuredRange(visible, last));
        fitAxis(outputAxis, m_history.outputRange(visible, last));
    }
}

void TrendWindow::fitAxis(QValueAxis* axis, TrendHistory::Range range)
{
    double span = range.high - range.low;
    double middle = (range.high + range.low) / 2.0;
    span = std::max(span * (1.0 + 2.0 * AxisMarginFraction), SmallestAxisSpan);
    axis->setRange(middle - span / 2.0, middle + span / 2.0);
}

QList<QPointF> TrendWindow::measuredPoints() const
{
    return measuredSeries->points();
}

QList<QPointF> TrendWindow::outputPoints() const
{
    return outputSeries->points();
}

void TrendWindow::showHover(const QLineSeries* series, const QPointF& point, bool state)
{
    if (!state) {
        readout->setText(ToolTexts::text(ToolTexts::Text::TrendHoverHint, m_language));
        return;
    }
    const bool measured = series == measuredSeries;
    const QString time =
        QDateTime::fromMSecsSinceEpoch(qint64(point.x())).toString(QStringLiteral("hh:mm:ss.zzz"));
    const QString unit = measured ? m_history.measuredUnit() : m_history.outputUnit();
    readout->setText(QStringLiteral("%1  %2: %3 %4")
                         .arg(time, series->name(), QString::number(point.y(), 'f', kReadoutDecimals), unit));
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == chartView->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->angleDelta().y() != 0)
            setSpanIndex(m_spanIndex + (wheel->angleDelta().y() > 0 ? -1 : 1));
        return true;
    }
    // As many time labels as the plot's width holds: a tool window may be
    // shrunk beside the main window.
    if (watched == chartView->viewport() && event->type() == QEvent::Resize)
        timeAxis->setTickCount(
            std::clamp(chartView->viewport()->width() / kTimeLabelWidth, kFewestTimeLabels, kMostTimeLabels));
    return QWidget::eventFilter(watched, event);
}
