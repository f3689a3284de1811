#include "app/bench_window.h"

#include "app/simulated_transmitter.h"
#include "app/tool_texts.h"
#include "sim/virtual_bench.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kMeterFontPixels = 26;
constexpr int kStartTemperature = 21;

} // namespace

BenchWindow::BenchWindow(SimulatedTransmitter& transmitter, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_transmitter(transmitter)
{
    setObjectName(QStringLiteral("BenchWindow"));

    m_input = new QGroupBox(this);
    auto* input = m_input;
    resistorChoice = new QComboBox(input);
    resistorChoice->setObjectName(QStringLiteral("resistorChoice"));
    resistorChoice->setEditable(true);
    resistorChoice->addItems({QStringLiteral("0"), QStringLiteral("249"), QStringLiteral("490"),
                              QStringLiteral("2490"), QStringLiteral("4900")});
    resistorChoice->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would turn a typed "24" into 249 ohm.
    resistorChoice->setCompleter(nullptr);
    connectResistor = new QPushButton(input);
    connectResistor->setObjectName(QStringLiteral("connectResistor"));
    connectSensor = new QPushButton(input);
    connectSensor->setObjectName(QStringLiteral("connectSensor"));
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

    openCircuit = new QCheckBox(input);
    openCircuit->setObjectName(QStringLiteral("openCircuit"));

    m_resistorCaption = new QLabel(input);
    m_temperatureCaption = new QLabel(input);
    m_potentiometerCaption = new QLabel(input);
    auto* inputForm = new QFormLayout(input);
    // Narrow, a field goes below its caption.
    inputForm->setRowWrapPolicy(QFormLayout::WrapLongRows);
    inputForm->addRow(m_resistorCaption, resistorRow);
    inputForm->addRow(m_temperatureCaption, temperature);
    inputForm->addRow(m_potentiometerCaption, potentiometerRow);
    inputForm->addRow(openCircuit);

    m_output = new QGroupBox(this);
    auto* output = m_output;
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
    applyLanguage(m_language);

    // Where the screen leaves little room beside the main window, the
    // window may be smaller than its controls.
    m_controls = new QWidget(this);
    auto* layout = new QVBoxLayout(m_controls);
    layout->addWidget(input);
    layout->addWidget(output);
    layout->addWidget(lastAnswer);
    layout->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(m_controls);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    connect(connectResistor, &QPushButton::clicked, this, &BenchWindow::connectTypedResistor);
    connect(resistorChoice, &QComboBox::activated, this, &BenchWindow::connectTypedResistor);
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
}

QSize BenchWindow::sizeHint() const
{
    // Tall enough for the rows wrapped at the narrowest.
    const QSize controls = m_controls->sizeHint();
    return {controls.width(),
            std::max(controls.height(), m_controls->heightForWidth(m_controls->minimumSizeHint().width()))};
}

void BenchWindow::applyLanguage(Language language)
{
    m_language = language;
    using Text = ToolTexts::Text;
    const auto text = [language](Text t) { return ToolTexts::text(t, language); };
    setWindowTitle(text(Text::BenchTitle));
    m_input->setTitle(text(Text::BenchInput));
    m_resistorCaption->setText(text(Text::BenchResistor));
    connectResistor->setText(text(Text::BenchConnect));
    connectSensor->setText(text(Text::BenchSensor));
    connectSensor->setToolTip(text(Text::BenchSensorHint));
    m_temperatureCaption->setText(text(Text::BenchTemperature));
    m_potentiometerCaption->setText(text(Text::BenchPotentiometer));
    openCircuit->setText(text(Text::BenchOpenCircuit));
    m_output->setTitle(text(Text::BenchMeter));
    showLastAnswer();
}

QString BenchWindow::command(const QString& line)
{
    m_lastLine = line;
    m_lastAnswer = m_transmitter.benchCommand(line);
    showLastAnswer();
    refreshMeter();
    return m_lastAnswer;
}

void BenchWindow::connectTypedResistor()
{
    const QString typed = resistorChoice->currentText().trimmed();
    bool isNumber = false;
    const double ohm = typed.toDouble(&isNumber);
    if (isNumber && ohm >= 0 && ohm <= VirtualBench::MaxResistorOhm) {
        command(QStringLiteral("resistor ") + typed);
        return;
    }
    // Refused here, to say why in the window's language.
    m_lastLine = QStringLiteral("resistor ") + typed;
    m_lastAnswer.clear();
    showLastAnswer();
}

void BenchWindow::showLastAnswer()
{
    using Text = ToolTexts::Text;
    static const QMap<QString, Text> done{
        {QStringLiteral("resistor"), Text::BenchResistorConnected},
        {QStringLiteral("sensor"), Text::BenchSensorConnected},
        {QStringLiteral("temperature"), Text::BenchSensorAt},
        {QStringLiteral("potentiometer"), Text::BenchPotentiometerAt},
        {QStringLiteral("open"), Text::BenchCircuitOpen},
        {QStringLiteral("close"), Text::BenchCircuitClosed},
    };
    const QStringList words = m_lastLine.split(u' ', Qt::SkipEmptyParts);
    const QString verb = words.value(0);
    const QString value = words.value(1);
    QString shown = m_lastAnswer;
    if (m_lastAnswer.startsWith(QLatin1String("ok:")) && done.contains(verb))
        shown = ToolTexts::text(done.value(verb), m_language).arg(value);
    else if (m_lastAnswer.isEmpty() && verb == QLatin1String("resistor"))
        shown = ToolTexts::text(Text::BenchResistorRange, m_language).arg(VirtualBench::MaxResistorOhm);
    lastAnswer->setText(shown);
}

void BenchWindow::refreshMeter()
{
    if (!m_meterTimer)
        return; // still being built
    const QString answer = m_transmitter.benchCommand(QStringLiteral("meter"));
    const QString prefix = QStringLiteral("meter: ");
    meter->setText(answer.startsWith(prefix) ? answer.mid(prefix.size()) : QStringLiteral("?"));
}

void BenchWindow::showEvent(QShowEvent* event)
{
    refreshMeter();
    m_meterTimer->start();
    QWidget::showEvent(event);
}

void BenchWindow::hideEvent(QHideEvent* event)
{
    m_meterTimer->stop();
    QWidget::hideEvent(event);
}
