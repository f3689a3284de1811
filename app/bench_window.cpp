#include "app/bench_window.h"

#include "app/activation_tracker.h"
#include "app/simulated_transmitter.h"
#include "sim/virtual_bench.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kMeterFontPixels = 26;
constexpr int kStartTemperature = 21;

} // namespace

BenchWindow::BenchWindow(SimulatedTransmitter& transmitter, QWidget* anchor, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_transmitter(transmitter), m_anchor(anchor)
{
    setObjectName(QStringLiteral("BenchWindow"));
    setWindowTitle(QStringLiteral("Virtual bench"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    ActivationTracker::treatAsForeign(this);

    auto* input = new QGroupBox(QStringLiteral("Input"), this);
    resistorChoice = new QComboBox(input);
    resistorChoice->setObjectName(QStringLiteral("resistorChoice"));
    resistorChoice->setEditable(true);
    resistorChoice->addItems({QStringLiteral("0"), QStringLiteral("249"), QStringLiteral("490"),
                              QStringLiteral("2490"), QStringLiteral("4900")});
    resistorChoice->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would turn a typed "24" into 249 ohm.
    resistorChoice->setCompleter(nullptr);
    connectResistor = new QPushButton(QStringLiteral("Connect"), input);
    connectResistor->setObjectName(QStringLiteral("connectResistor"));
    connectSensor = new QPushButton(QStringLiteral("Sensor"), input);
    connectSensor->setObjectName(QStringLiteral("connectSensor"));
    connectSensor->setToolTip(QStringLiteral("The simulated sensor at the input again"));
    auto* resistorRow = new QHBoxLayout;
    resistorRow->addWidget(resistorChoice, 1);
    resistorRow->addWidget(new QLabel(QStringLiteral("ohm"), input));
    resistorRow->addWidget(connectResistor);
    resistorRow->addWidget(connectSensor);

    temperature = new QDoubleSpinBox(input);
    temperature->setObjectName(QStringLiteral("temperature"));
    temperature->setRange(VirtualBench::MinTemperature, VirtualBench::MaxTemperature);
    temperature->setDecimals(1);
    temperature->setSuffix(QStringLiteral(" °C"));
    temperature->setValue(kStartTemperature);
    // One command when the user has finished typing, not one per digit.
    temperature->setKeyboardTracking(false);

    potentiometer = new QSlider(Qt::Horizontal, input);
    potentiometer->setObjectName(QStringLiteral("potentiometer"));
    potentiometer->setRange(0, 100);
    potentiometer->setValue(PotentiometerStart);
    potentiometerText = new QLabel(input);
    potentiometerText->setMinimumWidth(
        potentiometerText->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
    potentiometerText->setText(QString::number(PotentiometerStart) + QStringLiteral(" %"));
    auto* potentiometerRow = new QHBoxLayout;
    potentiometerRow->addWidget(potentiometer, 1);
    potentiometerRow->addWidget(potentiometerText);

    openCircuit = new QCheckBox(QStringLiteral("Sensor circuit open"), input);
    openCircuit->setObjectName(QStringLiteral("openCircuit"));

    auto* inputForm = new QFormLayout(input);
    inputForm->addRow(QStringLiteral("Resistor:"), resistorRow);
    inputForm->addRow(QStringLiteral("Temperature:"), temperature);
    inputForm->addRow(QStringLiteral("Potentiometer:"), potentiometerRow);
    inputForm->addRow(openCircuit);

    auto* output = new QGroupBox(QStringLiteral("Meter on the analog output"), this);
    meter = new QLabel(QStringLiteral("?"), output);
    meter->setObjectName(QStringLiteral("meter"));
    QFont meterFont = meter->font();
    meterFont.setPixelSize(kMeterFontPixels);
    meter->setFont(meterFont);
    meter->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(output))->addWidget(meter);

    lastAnswer = new QLabel(this);
    lastAnswer->setObjectName(QStringLiteral("lastAnswer"));
    lastAnswer->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(input);
    layout->addWidget(output);
    layout->addWidget(lastAnswer);
    layout->addStretch();

    connect(connectResistor, &QPushButton::clicked, this,
            [this] { command(QStringLiteral("resistor ") + resistorChoice->currentText()); });
    connect(resistorChoice, &QComboBox::activated, this,
            [this] { command(QStringLiteral("resistor ") + resistorChoice->currentText()); });
    connect(connectSensor, &QPushButton::clicked, this, [this] { command(QStringLiteral("sensor")); });
    connect(temperature, &QDoubleSpinBox::valueChanged, this,
            [this](double celsius) { command(QStringLiteral("temperature ") + QString::number(celsius)); });
    connect(potentiometer, &QSlider::valueChanged, this, [this](int percent) {
        potentiometerText->setText(QString::number(percent) + QStringLiteral(" %"));
        command(QStringLiteral("potentiometer ") + QString::number(percent));
    });
    connect(openCircuit, &QCheckBox::toggled, this,
            [this](bool open) { command(open ? QStringLiteral("open") : QStringLiteral("close")); });

    // The transmitter holds what the controls show from the start.
    command(QStringLiteral("temperature ") + QString::number(temperature->value()));
    command(QStringLiteral("potentiometer ") + QString::number(potentiometer->value()));

    m_meterTimer = new QTimer(this);
    m_meterTimer->setInterval(MeterIntervalMs);
    connect(m_meterTimer, &QTimer::timeout, this, &BenchWindow::refreshMeter);

    if (m_anchor)
        m_anchor->installEventFilter(this);
}

QString BenchWindow::command(const QString& line)
{
    const QString answer = m_transmitter.benchCommand(line);
    lastAnswer->setText(answer);
    refreshMeter();
    return answer;
}

void BenchWindow::refreshMeter()
{
    if (!m_meterTimer)
        return; // still being built
    const QString answer = m_transmitter.benchCommand(QStringLiteral("meter"));
    const QString prefix = QStringLiteral("meter: ");
    meter->setText(answer.startsWith(prefix) ? answer.mid(prefix.size()) : QStringLiteral("?"));
}

QPoint BenchWindow::placeBeside(const QRect& anchor, const QSize& size, const QRect& available)
{
    const auto slid = [&](QRect r, bool alongHeight) {
        if (alongHeight)
            r.moveTop(std::clamp(r.top(), available.top(),
                                 std::max(available.top(), available.bottom() + 1 - r.height())));
        else
            r.moveLeft(std::clamp(r.left(), available.left(),
                                  std::max(available.left(), available.right() + 1 - r.width())));
        return r;
    };
    const QRect beside[] = {
        slid(QRect(QPoint(anchor.right() + 1 + Gap, anchor.top()), size), true),
        slid(QRect(QPoint(anchor.left() - Gap - size.width(), anchor.top()), size), true),
        slid(QRect(QPoint(anchor.left(), anchor.bottom() + 1 + Gap), size), false),
        slid(QRect(QPoint(anchor.left(), anchor.top() - Gap - size.height()), size), false),
    };
    for (const QRect& place : beside) {
        if (available.contains(place) && !place.intersects(anchor))
            return place.topLeft();
    }
    const QPoint centre = anchor.center();
    const int x =
        centre.x() < available.center().x() ? available.right() + 1 - size.width() : available.left();
    const int y =
        centre.y() < available.center().y() ? available.bottom() + 1 - size.height() : available.top();
    return {x, y};
}

bool BenchWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_anchor && event->type() == QEvent::Show && !m_anchorShownBefore) {
        m_anchorShownBefore = true;
        show();
    }
    return QWidget::eventFilter(watched, event);
}

void BenchWindow::showEvent(QShowEvent* event)
{
    if (m_anchor && m_anchor->isVisible()) {
        const QScreen* screen = m_anchor->screen();
        const QRect available = screen ? screen->availableGeometry() : m_anchor->frameGeometry();
        move(placeBeside(m_anchor->frameGeometry(), frameGeometry().size(), available));
    }
    refreshMeter();
    m_meterTimer->start();
    QWidget::showEvent(event);
}

void BenchWindow::hideEvent(QHideEvent* event)
{
    m_meterTimer->stop();
    QWidget::hideEvent(event);
}
