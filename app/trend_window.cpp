#include "app/trend_window.h"

#include "app/tool_texts.h"
#include "platform/dialogs.h"
#include "widgets/flow_layout.h"

#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

    buildChart();

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
    // A read-only line rather than a label: its text changes while
    // recording, and a label's new text lays the window out again. The path
    // can be selected and copied.
    recordingStatus = new QLineEdit(this);
    recordingStatus->setObjectName(QStringLiteral("recordingStatus"));
    recordingStatus->setReadOnly(true);
    recordingStatus->setFrame(false);
    recordingStatus->setFocusPolicy(Qt::ClickFocus);
    QPalette statusPalette = recordingStatus->palette();
    statusPalette.setColor(QPalette::Base, statusPalette.color(QPalette::Window));
    recordingStatus->setPalette(statusPalette);
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

    m_recordingStatusTimer = new QTimer(this);
    m_recordingStatusTimer->setSingleShot(true);
    m_recordingStatusTimer->setInterval(RecordingStatusIntervalMs);
    connect(m_recordingStatusTimer, &QTimer::timeout, this, &TrendWindow::showRecordingStatus);

    connect(pauseButton, &QPushButton::clicked, this, [this] { setPaused(!m_paused); });
    connect(autoscaleCheck, &QCheckBox::toggled, this, [this] { redrawAll(); });
    connect(spanChoice, &QComboBox::currentIndexChanged, this, &TrendWindow::setSpanIndex);
    connect(recordButton, &QPushButton::clicked, this, &TrendWindow::recordButtonClicked);
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
        if (!m_recorder.write(time.toLocalTime(), values, &m_recordingError)) {
            recordButton->setText(ToolTexts::text(ToolTexts::Text::TrendRecord, m_language));
            showRecordingStatus();
        } else if (isVisible() && !m_recordingStatusTimer->isActive()) {
            // A person reads the count every few seconds; a text set on
            // every block would cost more than the plot. It goes with a
            // drawing of the plot, else when the timer runs out.
            m_recordingStatusTimer->start();
        }
    }
    plotNewest();
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
    const QColor colour = m_recordingError.isEmpty() ? palette().color(QPalette::WindowText) : kFailureColour;
    if (recordingStatus->palette().color(QPalette::Text) != colour) {
        QPalette statusPalette = recordingStatus->palette();
        statusPalette.setColor(QPalette::Text, colour);
        recordingStatus->setPalette(statusPalette);
    }
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

void TrendWindow::setIntervals(int redrawMs, int recordingStatusMs)
{
    m_redrawIntervalMs = redrawMs;
    m_drawTimer->setInterval(redrawMs);
    m_recordingStatusTimer->setInterval(recordingStatusMs);
}

void TrendWindow::setPaused(bool paused)
{
    m_paused = paused;
    pauseButton->setText(
        ToolTexts::text(paused ? ToolTexts::Text::TrendResume : ToolTexts::Text::TrendPause, m_language));
    redrawAll();
}

void TrendWindow::setSpanIndex(int index)
{
    m_spanIndex = std::clamp(index, 0, int(SpanSeconds.size()) - 1);
    if (spanChoice->currentIndex() != m_spanIndex)
        spanChoice->setCurrentIndex(m_spanIndex);
    redrawAll();
}

void TrendWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    showRecordingStatus();
    redrawAll();
}

void TrendWindow::showHover(Curve curve, const QPointF& point, bool state)
{
    using Text = ToolTexts::Text;
    if (!state) {
        readout->setText(ToolTexts::text(Text::TrendHoverHint, m_language));
        return;
    }
    const bool measured = curve == Curve::Measured;
    const QString time =
        QDateTime::fromMSecsSinceEpoch(qint64(point.x())).toString(QStringLiteral("hh:mm:ss.zzz"));
    const QString name =
        ToolTexts::text(measured ? Text::TrendMeasuredAxis : Text::TrendOutputAxis, m_language);
    const QString unit = measured ? m_history.measuredUnit() : m_history.outputUnit();
    readout->setText(QStringLiteral("%1  %2: %3 %4")
                         .arg(time, name, QString::number(point.y(), 'f', kReadoutDecimals), unit));
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == chartView->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->angleDelta().y() != 0)
            setSpanIndex(m_spanIndex + (wheel->angleDelta().y() > 0 ? -1 : 1));
        return true;
    }
    // The time axis anew when its labels no longer fit, or more would.
    if (watched == chartView->viewport() && event->type() == QEvent::Resize &&
        timeIntervals() != m_timeIntervals)
        redrawAll();
    return QWidget::eventFilter(watched, event);
}
