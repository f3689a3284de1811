#include "app/verification_window.h"

#include "records/record_event.h"
#include "records/session_recorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The window's texts, English and Hungarian side by side.
enum Text
{
    Title,
    Points,
    ColumnPercent,
    ColumnValue,
    ColumnApply,
    ColumnExpected,
    ColumnMeasured,
    ColumnOutput,
    ColumnError,
    ColumnResult,
    AddPoint,
    RemovePoint,
    Tolerance,
    Reference,
    OutputSourceLabel,
    SourceReported,
    SourceTyped,
    RunOnBench,
    AsFound,
    AsLeft,
    Applied,
    MeterReading,
    EnterReading,
    Cancel,
    SetupText, // %1 tag, %2 low, %3 high, %4 unit, %5 output
    Untagged,
    NoSettings,
    Potentiometer,
    ApplyNow,    // %1 point, %2 of %3, %4 value, %5 reference
    Settling,    // %1 spread, %2 allowed, %3 unit
    TypeReading, // %1 unit
    RunPassed,   // %1 run
    RunFailed,   // %1 run
    GivenUp,     // %1 reason
    Recorded,    // %1 tag
    NotRecorded, // %1 reason
    Pass,
    Fail,
    ReportedNote,
    AsFoundName,
    AsLeftName,
    TextCount
};

// A number as a technician types it, with a decimal comma or point whatever
// the system's locale: never a group separator, which would make "12,003"
// mA twelve thousand.
std::optional<double> typedNumber(QString text)
{
    text = text.trimmed().replace(u',', u'.');
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

struct Entry
{
    const char* english;
    const char* hungarian;
};

constexpr Entry kTexts[TextCount] = {
    {"Verification", "Ellenőrzés"},
    {"Test points", "Mérési pontok"},
    {"%", "%"},
    {"Test value", "Mérési pont"},
    {"Apply", "Alkalmazandó"},
    {"Expected", "Elvárt"},
    {"Measured", "Mért"},
    {"Output", "Kimenet"},
    {"Error, % of span", "Hiba, tartomány %"},
    {"Result", "Eredmény"},
    {"Add point", "Pont hozzáadása"},
    {"Remove point", "Pont törlése"},
    {"Tolerance, ± % of span:", "Tűrés, a tartomány ± %-a:"},
    {"Reference equipment:", "Referencia eszközök:"},
    {"Output from:", "Kimenet forrása:"},
    {"the transmitter's report", "a távadó jelentése"},
    {"an external meter (typed)", "külső műszer (beírva)"},
    {"Run on the virtual bench", "Futtatás a virtuális mérőpadon"},
    {"As found", "Átvételkor"},
    {"As left", "Átadáskor"},
    {"Applied", "Alkalmazva"},
    {"Meter reading:", "Műszer értéke:"},
    {"Enter", "Rögzítés"},
    {"Cancel", "Megszakítás"},
    {"%1: scaling %2 .. %3 %4, output %5", "%1: skála %2 .. %3 %4, kimenet %5"},
    {"untagged", "azonosító nélkül"},
    {"Read the transmitter's settings first: a verification works on them.",
     "Előbb olvassa ki a távadó beállításait: az ellenőrzés azokra épül."},
    {"A potentiometer input has no verification: its end points are the transmitter's own.",
     "Potenciométer bemenet nem ellenőrizhető: végpontjai a távadó sajátjai."},
    {"Point %1 of %2: apply %3 (%4) at the input, then press Applied.",
     "%1. pont a %2-ból: kapcsoljon %3 értéket (%4) a bemenetre, majd nyomja meg: Alkalmazva."},
    {"Waiting for the value to settle: the last values spread %1 %3, at most %2 %3.",
     "Várakozás a beállásra: az utolsó értékek szórása %1 %3, legfeljebb %2 %3."},
    {"Type the meter's reading in %1 and press Enter.",
     "Írja be a műszer értékét (%1), majd nyomja meg: Rögzítés."},
    {"%1: every point within the tolerance.", "%1: minden pont a tűrésen belül."},
    {"%1: points outside the tolerance.", "%1: tűrésen kívüli pontok."},
    {"Given up: %1", "Megszakítva: %1"},
    {"Recorded under %1.", "Rögzítve: %1."},
    {"Not recorded: %1", "Nincs rögzítve: %1"},
    {"pass", "megfelelt"},
    {"fail", "nem felelt meg"},
    {"Output reported by the transmitter: a drift of its output stage cannot show.",
     "A kimenetet a távadó jelentette: kimeneti fokozatának eltolódása nem látszik."},
    {"As found", "Átvételkor"},
    {"As left", "Átadáskor"},
};

enum Column
{
    ColPercent,
    ColValue,
    ColApply,
    ColExpected,
    ColMeasured,
    ColOutput,
    ColError,
    ColResult,
    ColumnCount
};

constexpr int kSourceReported = 0;
constexpr int kSourceTyped = 1;

QPushButton* button(QWidget* parent, const char* name)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QLatin1StringView(name));
    return b;
}

} // namespace

VerificationWindow::VerificationWindow(const Sources& sources, QWidget* parent)
    : QWidget(parent, Qt::Window), m_sources(sources)
{
    setObjectName(QStringLiteral("VerificationWindow"));
    build();
    applyLanguage(Language::English);
}

VerificationWindow::~VerificationWindow() = default;

QString VerificationWindow::t(int text) const
{
    const Entry& e = kTexts[text];
    return QString::fromUtf8(m_language == Language::Hungarian ? e.hungarian : e.english);
}

void VerificationWindow::build()
{
    auto* layout = new QVBoxLayout(this);
    LabelSetup = new QLabel(this);
    LabelSetup->setObjectName(QStringLiteral("LabelSetup"));
    LabelSetup->setWordWrap(true);
    layout->addWidget(LabelSetup);

    TablePoints = new QTableWidget(0, ColumnCount, this);
    TablePoints->setObjectName(QStringLiteral("TablePoints"));
    TablePoints->verticalHeader()->hide();
    TablePoints->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(TablePoints, 1);

    auto* pointButtons = new QHBoxLayout;
    ButtonAddPoint = button(this, "ButtonAddPoint");
    ButtonRemovePoint = button(this, "ButtonRemovePoint");
    pointButtons->addWidget(ButtonAddPoint);
    pointButtons->addWidget(ButtonRemovePoint);
    pointButtons->addStretch(1);
    layout->addLayout(pointButtons);

    auto* form = new QFormLayout;
    SpinTolerance = new QDoubleSpinBox(this);
    SpinTolerance->setObjectName(QStringLiteral("SpinTolerance"));
    SpinTolerance->setDecimals(3);
    SpinTolerance->setRange(0.001, 10.0);
    SpinTolerance->setSingleStep(0.01);
    SpinTolerance->setValue(verification::DefaultTolerancePercent);
    EditReference = new QLineEdit(this);
    EditReference->setObjectName(QStringLiteral("EditReference"));
    ComboOutputSource = new QComboBox(this);
    ComboOutputSource->setObjectName(QStringLiteral("ComboOutputSource"));
    ComboOutputSource->addItems({QString(), QString()});
    CheckRunOnBench = new QCheckBox(this);
    CheckRunOnBench->setObjectName(QStringLiteral("CheckRunOnBench"));
    CheckRunOnBench->setVisible(m_sources.bench != nullptr);
    CheckRunOnBench->setChecked(m_sources.bench != nullptr);
    // Narrow beside the main window: the captions go above their fields.
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    for (QWidget* field : {static_cast<QWidget*>(SpinTolerance), static_cast<QWidget*>(EditReference),
                           static_cast<QWidget*>(ComboOutputSource)})
        form->addRow(new QLabel(this), field);
    form->addRow(CheckRunOnBench);
    layout->addLayout(form);

    auto* runButtons = new QHBoxLayout;
    ButtonAsFound = button(this, "ButtonAsFound");
    ButtonAsLeft = button(this, "ButtonAsLeft");
    ButtonApplied = button(this, "ButtonApplied");
    ButtonCancel = button(this, "ButtonCancel");
    for (QPushButton* b : {ButtonAsFound, ButtonAsLeft, ButtonApplied, ButtonCancel})
        runButtons->addWidget(b);
    layout->addLayout(runButtons);

    auto* reading = new QHBoxLayout;
    EditMeterReading = new QLineEdit(this);
    EditMeterReading->setObjectName(QStringLiteral("EditMeterReading"));
    ButtonEnterReading = button(this, "ButtonEnterReading");
    reading->addWidget(EditMeterReading, 1);
    reading->addWidget(ButtonEnterReading);
    layout->addLayout(reading);

    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    LabelStatus->setWordWrap(true);
    layout->addWidget(LabelStatus);

    connect(ButtonAddPoint, &QPushButton::clicked, this, [this] {
        const QList<double> p = percents();
        if (p.size() < verification::MaxPoints) {
            TablePoints->insertRow(TablePoints->rowCount());
            TablePoints->setItem(
                TablePoints->rowCount() - 1, ColPercent,
                new QTableWidgetItem(QString::number(p.isEmpty() ? 0.0 : qMin(100.0, p.last()))));
            fillPoints();
        }
    });
    connect(ButtonRemovePoint, &QPushButton::clicked, this, [this] {
        if (TablePoints->rowCount() > 1)
            TablePoints->removeRow(TablePoints->currentRow() >= 0 ? TablePoints->currentRow()
                                                                  : TablePoints->rowCount() - 1);
        fillPoints();
    });
    connect(TablePoints, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == ColPercent && !m_procedure)
            fillPoints();
    });
    connect(SpinTolerance, &QDoubleSpinBox::valueChanged, this, [this] { fillPoints(); });
    connect(CheckRunOnBench, &QCheckBox::toggled, this, [this] { updateControls(); });
    connect(ButtonAsFound, &QPushButton::clicked, this, [this] { start(VerificationRun::AsFound); });
    connect(ButtonAsLeft, &QPushButton::clicked, this, [this] { start(VerificationRun::AsLeft); });
    connect(ButtonApplied, &QPushButton::clicked, this, [this] {
        if (m_procedure)
            m_procedure->confirmApplied();
    });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] {
        if (m_procedure)
            m_procedure->cancel();
    });
    connect(ButtonEnterReading, &QPushButton::clicked, this, &VerificationWindow::enterReading);
    connect(EditMeterReading, &QLineEdit::returnPressed, this, &VerificationWindow::enterReading);

    for (const double percent : verification::defaultPercents()) {
        TablePoints->insertRow(TablePoints->rowCount());
        TablePoints->setItem(TablePoints->rowCount() - 1, ColPercent,
                             new QTableWidgetItem(QString::number(percent)));
    }
}

void VerificationWindow::applyLanguage(Language language)
{
    m_language = language;
    setWindowTitle(t(Title));
    TablePoints->setHorizontalHeaderLabels({t(ColumnPercent), t(ColumnValue), t(ColumnApply),
                                            t(ColumnExpected), t(ColumnMeasured), t(ColumnOutput),
                                            t(ColumnError), t(ColumnResult)});
    ButtonAddPoint->setText(t(AddPoint));
    ButtonRemovePoint->setText(t(RemovePoint));
    auto* form = findChild<QFormLayout*>();
    if (form) {
        for (const auto& [field, text] : {std::pair<QWidget*, int>{SpinTolerance, Tolerance},
                                          {EditReference, Reference},
                                          {ComboOutputSource, OutputSourceLabel}}) {
            if (auto* label = qobject_cast<QLabel*>(form->labelForField(field)))
                label->setText(t(text));
        }
    }
    ComboOutputSource->setItemText(kSourceReported, t(SourceReported));
    ComboOutputSource->setItemText(kSourceTyped, t(SourceTyped));
    CheckRunOnBench->setText(t(RunOnBench));
    ButtonAsFound->setText(t(AsFound));
    ButtonAsLeft->setText(t(AsLeft));
    ButtonApplied->setText(t(Applied));
    ButtonEnterReading->setText(t(EnterReading));
    ButtonCancel->setText(t(Cancel));
    EditMeterReading->setPlaceholderText(t(MeterReading));
    fillPoints();
    procedureChanged();
}

double VerificationWindow::tolerancePercent() const
{
    return SpinTolerance->value();
}

void VerificationWindow::setTolerancePercent(double percent)
{
    SpinTolerance->setValue(percent);
}

QString VerificationWindow::reference() const
{
    return EditReference->text();
}

void VerificationWindow::setReference(const QString& reference)
{
    EditReference->setText(reference);
}

void VerificationWindow::showEvent(QShowEvent* event)
{
    // The settings may have been read since it was last shown.
    fillPoints();
    QWidget::showEvent(event);
}

std::optional<VerificationSetup> VerificationWindow::currentSetup(QString* why) const
{
    const std::optional<RecordedSettings> recorded =
        m_sources.settings ? m_sources.settings() : std::optional<RecordedSettings>();
    if (!recorded) {
        *why = t(NoSettings);
        return std::nullopt;
    }
    LiveValues live;
    live.bPt1000 = recorded->pt1000;
    live.bVoltageOutput = recorded->voltageOutput;
    const VerificationSetup setup = VerificationSetup::from(recorded->settings, live, SpinTolerance->value());
    if (!setup.canVerify()) {
        *why = t(Potentiometer);
        return std::nullopt;
    }
    return setup;
}

QList<double> VerificationWindow::percents() const
{
    QList<double> list;
    for (int row = 0; row < TablePoints->rowCount(); ++row) {
        const QTableWidgetItem* item = TablePoints->item(row, ColPercent);
        const std::optional<double> value = item ? typedNumber(item->text()) : std::nullopt;
        list.append(value ? qBound(0.0, *value, 100.0) : 0.0);
    }
    return list;
}

void VerificationWindow::fillPoints()
{
    QString why;
    const std::optional<VerificationSetup> setup = currentSetup(&why);
    const QString tag =
        m_sources.recorder && !m_sources.recorder->tag().isEmpty() ? m_sources.recorder->tag() : t(Untagged);
    const QSignalBlocker blocker(TablePoints);
    if (!setup) {
        LabelSetup->setText(QStringLiteral("%1: %2").arg(tag, why));
        for (int row = 0; row < TablePoints->rowCount(); ++row) {
            for (int column = ColValue; column < ColumnCount; ++column)
                TablePoints->setItem(row, column, new QTableWidgetItem);
        }
        updateControls();
        return;
    }
    const QString valueUnit = verification::valueUnit(*setup);
    const QString outputUnit = verification::outputUnit(*setup);
    LabelSetup->setText(t(SetupText).arg(tag, QString::number(setup->scaleLow),
                                         QString::number(setup->scaleHigh), valueUnit,
                                         QStringLiteral("%1 .. %2 %3")
                                             .arg(verification::outputLow(*setup))
                                             .arg(verification::outputHigh(*setup))
                                             .arg(outputUnit)));
    const QList<double> list = percents();
    const VerificationRun* run = m_procedure ? &m_procedure->run() : nullptr;
    for (int row = 0; row < TablePoints->rowCount(); ++row) {
        const double value = verification::valueAt(*setup, list.at(row));
        const std::optional<double> ohm = verification::appliedOhm(*setup, value);
        const auto cell = [&](int column, const QString& text) {
            auto* item = new QTableWidgetItem(text);
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            TablePoints->setItem(row, column, item);
        };
        cell(ColValue, QStringLiteral("%1 %2").arg(value, 0, 'f', 2).arg(valueUnit));
        cell(ColApply, ohm ? QStringLiteral("%1 ohm").arg(*ohm, 0, 'f', 3) : QStringLiteral("-"));
        cell(ColExpected, QStringLiteral("%1 %2")
                              .arg(verification::expectedOutput(*setup, value), 0, 'f', 4)
                              .arg(outputUnit));
        const PointResult* p = run && row < run->points.size() ? &run->points.at(row) : nullptr;
        cell(ColMeasured, p ? QStringLiteral("%1 %2").arg(p->measured, 0, 'f', 2).arg(valueUnit) : QString());
        cell(ColOutput, p ? QStringLiteral("%1 %2").arg(p->output, 0, 'f', 4).arg(outputUnit) : QString());
        cell(ColError, p ? QString::number(p->errorPercent, 'f', 3) : QString());
        cell(ColResult, p ? (p->pass ? t(Pass) : t(Fail)) : QString());
    }
    updateControls();
}

void VerificationWindow::start(const char* kind)
{
    QString why;
    const std::optional<VerificationSetup> setup = currentSetup(&why);
    if (!setup) {
        LabelStatus->setText(why);
        return;
    }
    const bool onBench = m_sources.bench && CheckRunOnBench->isChecked();
    const OutputSource source = onBench                                             ? OutputSource::Meter
                                : ComboOutputSource->currentIndex() == kSourceTyped ? OutputSource::Typed
                                                                                    : OutputSource::Reported;
    m_result = nullptr;
    m_procedure = std::make_unique<VerificationProcedure>(*setup, percents(), QLatin1StringView(kind), source,
                                                          onBench ? m_sources.bench : nullptr);
    m_procedure->setSettleTimeoutMs(m_settleTimeoutMs);
    m_procedure->setReference(EditReference->text());
    connect(m_procedure.get(), &VerificationProcedure::changed, this, &VerificationWindow::procedureChanged);
    connect(m_procedure.get(), &VerificationProcedure::finished, this,
            &VerificationWindow::procedureFinished);
    m_procedure->start();
    fillPoints();
}

void VerificationWindow::enterReading()
{
    const std::optional<double> value = typedNumber(EditMeterReading->text());
    if (!m_procedure)
        return;
    if (!value) {
        EditMeterReading->selectAll();
        return;
    }
    EditMeterReading->clear();
    m_procedure->enterMeterReading(*value);
}

void VerificationWindow::addLiveBlock(const LiveValues& values)
{
    if (m_procedure)
        m_procedure->takeLiveValues(values);
}

void VerificationWindow::procedureChanged()
{
    if (!m_procedure) {
        LabelStatus->setText(QString());
        updateControls();
        return;
    }
    const VerificationProcedure& p = *m_procedure;
    const VerificationSetup& setup = p.run().setup;
    switch (p.step()) {
    case VerificationProcedure::Step::Apply: {
        const std::optional<double> ohm = p.currentAppliedOhm();
        LabelStatus->setText(
            t(ApplyNow)
                .arg(p.pointIndex() + 1)
                .arg(p.pointCount())
                .arg(ohm ? QStringLiteral("%1 ohm").arg(*ohm, 0, 'f', 3) : QStringLiteral("-"))
                .arg(QStringLiteral("%1 %2")
                         .arg(p.currentValue(), 0, 'f', 2)
                         .arg(verification::valueUnit(setup))));
        break;
    }
    case VerificationProcedure::Step::Settle:
        LabelStatus->setText(t(Settling)
                                 .arg(p.settleWindow().span(), 0, 'g', 3)
                                 .arg(p.settleWindow().maxSpan(), 0, 'g', 3)
                                 .arg(verification::valueUnit(setup)));
        break;
    case VerificationProcedure::Step::ReadMeter:
        LabelStatus->setText(t(TypeReading).arg(verification::outputUnit(setup)));
        EditMeterReading->setFocus();
        break;
    case VerificationProcedure::Step::Done:
    case VerificationProcedure::Step::Failed:
    case VerificationProcedure::Step::Idle:
        LabelStatus->setText(m_result ? m_result() : QString());
        break;
    }
    updateControls();
}

void VerificationWindow::procedureFinished(bool completed)
{
    const VerificationRun& run = m_procedure->run();
    const bool asFound = run.kind == QLatin1StringView(VerificationRun::AsFound);
    bool recorded = false;
    // Composed when shown, so that it follows the language button.
    if (!completed) {
        m_result = [this, failure = m_procedure->failure()] { return t(GivenUp).arg(failure); };
    } else {
        const SessionRecorder::Result result =
            m_sources.recorder ? m_sources.recorder->recordOther(RecordEvent::Verification, run.toJson())
                               : SessionRecorder::Result{false, QStringLiteral("no device records")};
        recorded = result.recorded;
        const QString tag = m_sources.recorder ? m_sources.recorder->tag() : QString();
        m_result = [this, asFound, pass = run.pass(), reported = run.outputSource() == OutputSource::Reported,
                    recorded, tag, reason = result.reason] {
            QString text = t(pass ? RunPassed : RunFailed).arg(t(asFound ? AsFoundName : AsLeftName));
            if (reported)
                text += u' ' + t(ReportedNote);
            return text + u' ' +
                   (recorded ? t(Recorded).arg(tag.isEmpty() ? t(Untagged) : tag)
                             : t(NotRecorded).arg(reason));
        };
    }
    fillPoints();
    procedureChanged();
    emit runEnded(completed, recorded);
}

void VerificationWindow::updateControls()
{
    QString why;
    const bool canRun = currentSetup(&why).has_value();
    const VerificationProcedure::Step step =
        m_procedure ? m_procedure->step() : VerificationProcedure::Step::Idle;
    const bool running = step == VerificationProcedure::Step::Apply ||
                         step == VerificationProcedure::Step::Settle ||
                         step == VerificationProcedure::Step::ReadMeter;
    ButtonAsFound->setEnabled(canRun && !running);
    ButtonAsLeft->setEnabled(canRun && !running);
    ButtonAddPoint->setEnabled(!running && TablePoints->rowCount() < verification::MaxPoints);
    ButtonRemovePoint->setEnabled(!running && TablePoints->rowCount() > 1);
    TablePoints->setEditTriggers(running ? QAbstractItemView::NoEditTriggers
                                         : QAbstractItemView::AllEditTriggers);
    ButtonApplied->setEnabled(step == VerificationProcedure::Step::Apply);
    ButtonCancel->setEnabled(running);
    EditMeterReading->setEnabled(step == VerificationProcedure::Step::ReadMeter);
    ButtonEnterReading->setEnabled(step == VerificationProcedure::Step::ReadMeter);
    const bool onBench = m_sources.bench && CheckRunOnBench->isChecked();
    ComboOutputSource->setEnabled(!running && !onBench);
    CheckRunOnBench->setEnabled(!running);
    SpinTolerance->setEnabled(!running);
}

void VerificationWindow::setBench(VerificationBench* bench)
{
    m_sources.bench = bench;
    CheckRunOnBench->setVisible(bench != nullptr);
    CheckRunOnBench->setChecked(bench != nullptr);
    updateControls();
}

QSize VerificationWindow::sizeHint() const
{
    const QSize laidOut = QWidget::sizeHint();
    const int margins = 2 * TablePoints->frameWidth() + layout()->contentsMargins().left() +
                        layout()->contentsMargins().right() +
                        TablePoints->verticalScrollBar()->sizeHint().width();
    return {qMax(laidOut.width(), TablePoints->horizontalHeader()->length() + margins), laidOut.height()};
}
