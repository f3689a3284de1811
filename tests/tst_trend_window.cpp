// The Trend window against the virtual transmitter on a pseudo-terminal:
// what it records and plots is what the main window showed, block for
// block, and a recording outlives the line and stops clearly on a full disk.
// The task runs at a quick pace here and the plot's own tests feed blocks
// on a clock of their own, so that no case waits on the program's pace.

#include "app/form_main.h"
#include "app/trend_window.h"
#include "device/communication_task.h"
#include "device/live_csv_writer.h"
#include "device/trend_columns.h"
#include "link/tmb.h"
#include "platform/number_format.h"
#include "tests/support/full_file_system.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/sim_transmitter.h"
#include "tests/support/test_files.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>

namespace {

// A quick task's block takes milliseconds: a failing wait fails the case
// within seconds.
constexpr int WaitMs = 5000;
constexpr int BlocksToRecord = 12;
// The task's tick and send delay here (100 and 50 ms in the program).
constexpr int QuickTickMs = 10;
constexpr quint16 QuickSendDelayMs = 1;
constexpr qint64 BlockMs = 100;
// The plot's and the row count's pace here (1000 and 2000 ms in the program).
constexpr int QuickRedrawMs = 20;
constexpr int QuickStatusMs = 20;

// Ticks one of `steps` apart, on whole steps from zero.
bool onRoundSteps(const QValueAxis* axis, std::initializer_list<double> steps)
{
    const double step = (axis->max() - axis->min()) / (axis->tickCount() - 1);
    const double fromZero = axis->min() / step;
    const bool whole = qAbs(fromZero - std::round(fromZero)) < 1e-6;
    const bool listed =
        std::any_of(steps.begin(), steps.end(), [step](double s) { return qAbs(step - s) < 1e-9; });
    if (!whole || !listed)
        qWarning("axis %g to %g in steps of %g", axis->min(), axis->max(), step);
    return whole && listed;
}

// A window on a clock of the test's own, BlockMs a block.
struct ClockedTrend
{
    explicit ClockedTrend(qint64 historyMs = 60 * 1000)
        : trend(nullptr, historyMs, [this] { return QDateTime::fromMSecsSinceEpoch(now, Qt::UTC); })
    {
        trend.setIntervals(QuickRedrawMs, QuickStatusMs);
    }
    void add(float input, float output, quint8 mode = imTemperature)
    {
        LiveValues values;
        values.fInput = input;
        values.fOutput = output;
        values.uMode = mode;
        trend.addLiveBlock(values);
        now += BlockMs;
    }

    qint64 now =
        QDateTime::fromString(QStringLiteral("2030-01-01T12:00:00Z"), Qt::ISODate).toMSecsSinceEpoch();
    TrendWindow trend;
};

// What the main window showed for one live block.
struct Shown
{
    LiveValues values;
    QString display; // Label_Kijelzo
    QString output;  // Label_Output
};

// A recorded file read back: header lines and rows, each split at commas.
struct Recording
{
    QStringList headers;
    QList<QStringList> rows;
    bool endsWithLineBreak = false;

    explicit Recording(const QString& path)
    {
        const QByteArray bytes = readAll(path);
        endsWithLineBreak = bytes.endsWith('\n');
        for (const QString& line : fileLines(path)) {
            if (line.startsWith(u"time,"))
                headers.append(line);
            else
                rows.append(line.split(u','));
        }
    }
    int column(const QString& prefix) const
    {
        return headers.isEmpty() ? -1 : int(headers.constLast().split(u',').indexOf(prefix));
    }
};

// The window with the transmitter behind it, polling.
struct Bench
{
    explicit Bench(const SimulatorOptions& options = {}) : t(options)
    {
        t.sim.start();
        form.CurrentLanguage = QStringLiteral("English");
        form.ApplyLanguage(form.CurrentLanguage);
        QObject::connect(&form, &TForm_Main::liveValuesShown, &form, [this](const LiveValues& values) {
            shown.append({values, form.Label_Kijelzo->text(), form.Label_Output->text()});
        });
    }

    bool startPolling()
    {
        form.communicationTask().setIntervals(QuickTickMs, QuickSendDelayMs);
        shortenTimeOuts(form);
        form.show();
        return QTest::qWaitForWindowExposed(&form) && openPort(form, t.sim.devicePath()) &&
               QTest::qWaitFor([this] { return shown.size() >= 2; }, WaitMs);
    }

    SimTransmitter t;
    TForm_Main form;
    QList<Shown> shown;
};

} // namespace

class tst_TrendWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void recordsWhatWasShown_data();
    void recordsWhatWasShown();
    void recordingOutlivesTheLine();
    void fullDiskStopsTheRecording();
    void plotFollowsTheBlocks();
    void piecesMakeTheCurve_data();
    void piecesMakeTheCurve();
    void axesOnRoundTicks();
    void pictures_data();
    void pictures();
};

void tst_TrendWindow::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    qRegisterMetaType<TMBStatus>();
}

void tst_TrendWindow::recordsWhatWasShown_data()
{
    QTest::addColumn<bool>("pt1000");
    QTest::addColumn<bool>("voltageOutput");
    QTest::addColumn<QString>("outputUnit");
    QTest::newRow("Pt100, current output") << false << false << "mA";
    QTest::newRow("Pt1000, voltage output") << true << true << "V";
}

// One row per block the window showed while recording, in order, and each
// row's values read back to what the window displayed for that block.
void tst_TrendWindow::recordsWhatWasShown()
{
    QFETCH(bool, pt1000);
    QFETCH(bool, voltageOutput);
    QFETCH(QString, outputUnit);
    SimulatorOptions options;
    options.pt1000 = pt1000;
    options.voltageOutput = voltageOutput;
    Bench bench(options);
    QVERIFY(bench.startPolling());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("live.csv"));
    ScriptedDialogs dialogs;
    dialogs.queueFileAnswer(dir.filePath(QStringLiteral("live")));
    TrendWindow* trend = bench.form.trendWindow();
    trend->recordButton->click();
    QVERIFY(trend->isRecording());
    QCOMPARE(dialogs.fileDialogs().size(), 1);
    const qsizetype first = bench.shown.size();
    QVERIFY(QTest::qWaitFor([&] { return bench.shown.size() >= first + BlocksToRecord; }, WaitMs));
    trend->recordButton->click();
    QVERIFY(!trend->isRecording());
    const QList<Shown> recorded = bench.shown.mid(first);
    QVERIFY2(trend->recordingStatus->text().contains(u"live.csv"),
             qPrintable(trend->recordingStatus->text()));

    const Recording file(path);
    QCOMPARE(file.headers.size(), 1);
    QCOMPARE(file.rows.size(), recorded.size());
    QVERIFY(file.endsWithLineBreak);
    // The time, the value and the output with their units lead.
    QVERIFY(file.headers.constFirst().startsWith(u"time,value,unit,output,output_unit,"));
    const int value = 1;
    const int output = 3;
    const int counter = file.column(QStringLiteral("uCountOfNewInputValue [-]"));
    QVERIFY(counter > 0);
    const LiveDisplay& display = bench.form.liveDisplay();
    for (qsizetype i = 0; i < recorded.size(); ++i) {
        const QStringList& row = file.rows[i];
        QCOMPARE(row.size(), file.headers.constLast().count(u',') + 1);
        QVERIFY2(QDateTime::fromString(row[0], Qt::ISODateWithMs).isValid(), qPrintable(row[0]));
        QCOMPARE(row[value + 1], QStringLiteral("degC"));
        QCOMPARE(row[output + 1], outputUnit);
        const float fInput = row[value].toFloat();
        const float fOutput = row[output].toFloat();
        QCOMPARE(fInput, recorded[i].values.fInput);
        QCOMPARE(fOutput, recorded[i].values.fOutput);
        QCOMPARE(row[counter].toInt(), int(recorded[i].values.uCountOfNewInputValue));
        QCOMPARE(NumberFormat::format(fInput, display.ValueFormat()) + u' ' + display.ValueUnit(),
                 recorded[i].display);
        QCOMPARE(NumberFormat::format(fOutput, u"#0.000") + u' ' + display.OutputUnit(), recorded[i].output);
    }
    // Not the same block over and over.
    QVERIFY(file.rows.constFirst()[counter] != file.rows.constLast()[counter]);
    bench.form.MB1->closeAction();
}

// The transmitter's end of the line goes away mid-recording: every block
// shown is in the file, whole, and the recording goes on.
void tst_TrendWindow::recordingOutlivesTheLine()
{
    Bench bench;
    QVERIFY(bench.startPolling());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("unplugged.csv"));
    TrendWindow* trend = bench.form.trendWindow();
    QVERIFY(trend->startRecording(path));
    const qsizetype first = bench.shown.size();
    QVERIFY(QTest::qWaitFor([&] { return bench.shown.size() >= first + BlocksToRecord / 2; }, WaitMs));

    bench.t.sim.stop();
    // The hang-up closes the port; a line that merely fell silent shows
    // the communication error.
    QVERIFY(QTest::qWaitFor(
        [&] { return !bench.form.MB1->MBPortOpen() || !bench.form.Label_CommError->isHidden(); }, WaitMs));
    const qsizetype blocks = bench.shown.size() - first;

    QVERIFY(trend->isRecording());
    QCOMPARE(trend->recordedRows(), blocks);
    // Recorded while closed; opened, it counts the rows.
    trend->show();
    QVERIFY2(trend->recordingStatus->text().endsWith(QStringLiteral(": %1 rows").arg(blocks)),
             qPrintable(trend->recordingStatus->text()));
    // Read while the recording is still open, as after a crash.
    const Recording file(path);
    QVERIFY(file.endsWithLineBreak);
    QCOMPARE(file.rows.size(), blocks);
    const int counter = file.column(QStringLiteral("uCountOfNewInputValue [-]"));
    QCOMPARE(file.rows.constLast()[counter].toInt(),
             int(bench.shown.constLast().values.uCountOfNewInputValue));
    bench.form.MB1->closeAction();
}

void tst_TrendWindow::fullDiskStopsTheRecording()
{
    QTemporaryDir dir;
    FullFileSystem disk(dir.filePath(QStringLiteral("full")));
    qInfo("full disk: %s", qPrintable(disk.mechanism()));
    TrendWindow trend;
    trend.applyLanguage(Language::English);
    LiveValues values;
    values.fInput = 21.5f;
    const FullFileSystem::SaveAttempt attempt = disk.trySave([&](QString* error) {
        if (!trend.startRecording(disk.path() + QStringLiteral("/live.csv")))
            return false;
        trend.addLiveBlock(values);
        *error = trend.recordingStatus->text();
        return trend.isRecording();
    });
    if (!attempt.whyNot.isEmpty())
        QSKIP(qPrintable(attempt.whyNot));
    QVERIFY(!attempt.saved);
    QVERIFY(!trend.isRecording());
    QCOMPARE(trend.recordedRows(), 0);
    QVERIFY2(trend.recordingStatus->text().contains(u"stopped"), qPrintable(trend.recordingStatus->text()));
    QCOMPARE(trend.recordButton->text(), QStringLiteral("Record…"));
}

// The plot holds the shown blocks in time order, the axis fits them on
// round ticks, and a pause freezes it while the history goes on.
void tst_TrendWindow::plotFollowsTheBlocks()
{
    ClockedTrend clocked;
    TrendWindow& trend = clocked.trend;
    // A block a column at 30 s.
    trend.setSpanIndex(0);
    trend.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trend));
    QTemporaryDir dir;
    QVERIFY(trend.startRecording(dir.filePath(QStringLiteral("plot.csv"))));
    for (int i = 0; i < 50; ++i)
        clocked.add(float(20 + i % 5), float(4 + i % 3));
    // The last blocks are drawn when no more follow.
    QVERIFY(QTest::qWaitFor([&] { return trend.measuredPoints().size() == 50; }, WaitMs));
    QTRY_VERIFY2_WITH_TIMEOUT(trend.recordingStatus->text().endsWith(u": 50 sor"),
                              qPrintable(trend.recordingStatus->text()), WaitMs);
    QVERIFY(onRoundSteps(trend.measuredAxis, {1.0, 2.0}));
    QVERIFY(trend.measuredAxis->min() < 20 && trend.measuredAxis->max() > 24);
    QCOMPARE(trend.measuredAxis->labelFormat(), QStringLiteral("%.0f"));
    QVERIFY(onRoundSteps(trend.outputAxis, {0.5, 1.0}));
    QVERIFY(trend.outputAxis->min() < 4 && trend.outputAxis->max() > 6);
    QCOMPARE(trend.measuredAxis->titleText(), QStringLiteral("Mért érték [°C]"));

    trend.pauseButton->click();
    clocked.add(100.0f, 4.0f);
    QCOMPARE(trend.history().size(), 51);
    QVERIFY(!QTest::qWaitFor([&] { return trend.measuredPoints().size() > 50; }, 5 * QuickRedrawMs));
    trend.pauseButton->click();
    QCOMPARE(trend.measuredPoints().size(), 51);
    QCOMPARE(trend.measuredPoints().constLast().y(), 100.0);
    QVERIFY(trend.measuredAxis->max() > 100.0);

    // Autoscale off: the axis keeps its range.
    trend.autoscaleCheck->setChecked(false);
    const double top = trend.measuredAxis->max();
    clocked.add(500.0f, 4.0f);
    QVERIFY(QTest::qWaitFor([&] { return trend.measuredPoints().size() == 52; }, WaitMs));
    QCOMPARE(trend.measuredAxis->max(), top);

    // The wheel zooms on time: away from the user, a shorter span.
    const auto wheel = [&trend](int delta) {
        const QPointF at = trend.chartView->viewport()->rect().center();
        QWheelEvent event(at, trend.chartView->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(trend.chartView->viewport(), &event);
    };
    wheel(-120);
    QCOMPARE(trend.spanIndex(), 1);
    QCOMPARE(trend.spanChoice->currentIndex(), trend.spanIndex());
    wheel(120);
    wheel(120);
    QCOMPARE(trend.spanIndex(), 0);

    // The hover read-out names time, curve, value and unit.
    emit trend.curvePieces(TrendColumns::Output)
        .constLast()
        ->hovered(QPointF(double(clocked.now), 12.5), true);
    QVERIFY2(trend.readout->text().endsWith(u"Analóg kimenet: 12.500 mA"), qPrintable(trend.readout->text()));
    QVERIFY(trend.readout->text().startsWith(
        QDateTime::fromMSecsSinceEpoch(clocked.now).toString(u"hh:mm:ss.zzz")));
}

void tst_TrendWindow::piecesMakeTheCurve_data()
{
    QTest::addColumn<int>("spanIndex");
    QTest::addColumn<int>("blocks");
    QTest::newRow("30 s, past the axis' end") << 0 << 700;
    QTest::newRow("10 min, many a block a column") << int(TrendWindow::DefaultSpanIndex) << 3000;
}

// However the curves were cut into pieces, kept and merged, a block at a
// time and across moves of the time axis, the pieces joined are the curves
// of the history as it stands, and the time axis holds the newest block.
void tst_TrendWindow::piecesMakeTheCurve()
{
    QFETCH(int, spanIndex);
    QFETCH(int, blocks);
    ClockedTrend clocked(TrendHistory::DefaultHistoryMs);
    TrendWindow& trend = clocked.trend;
    trend.setSpanIndex(spanIndex);
    trend.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trend));
    for (int i = 0; i < blocks; ++i)
        clocked.add(float(21.0 + std::sin(i / 40.0) + (i % 17 == 0 ? 0.5 : 0.0)),
                    float(12.0 + std::cos(i / 30.0)));
    const trendscale::TimeScale& scale = trend.timeScale();
    QVERIFY(scale.fromMs < clocked.now - BlockMs && clocked.now - BlockMs <= scale.toMs);
    const int columns = trend.plotColumns().columns();
    QVERIFY(qAbs(columns - trend.chartView->chart()->plotArea().width() / TrendWindow::ColumnPixels) <=
            columns * TrendWindow::ColumnsSlackFraction);
    TrendColumns expected;
    expected.reset(trend.history(), scale.fromMs, scale.toMs, columns);
    // The last blocks are drawn when no more follow.
    QVERIFY(QTest::qWaitFor([&] { return trend.measuredPoints() == expected.points(TrendColumns::Measured); },
                            WaitMs));
    QCOMPARE(trend.outputPoints(), expected.points(TrendColumns::Output));
    // Few pieces for the chart to walk past: most points in merged ones.
    const qsizetype points = trend.measuredPoints().size();
    QVERIFY2(trend.curvePieces(TrendColumns::Measured).size() <=
                 points / (TrendWindow::NewestPiecePoints * TrendWindow::PiecesMerged) +
                     TrendWindow::PiecesMerged + 2,
             qPrintable(QString::number(trend.curvePieces(TrendColumns::Measured).size())));
}

// Axes read as a person marks them: time on whole steps of the clock
// holding the present, before any block and after, values on steps of 1, 2
// or 5 times a power of ten.
void tst_TrendWindow::axesOnRoundTicks()
{
    ClockedTrend clocked;
    TrendWindow& trend = clocked.trend;
    trend.setSpanIndex(0);
    trend.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trend));
    const auto checkTime = [&](qint64 stepMs) {
        const qint64 from = trend.timeAxis->min().toMSecsSinceEpoch();
        const qint64 to = trend.timeAxis->max().toMSecsSinceEpoch();
        const qint64 offset = qint64(trend.timeAxis->min().offsetFromUtc()) * 1000;
        QCOMPARE((from + offset) % stepMs, 0);
        QCOMPARE(to - from, stepMs * (trend.timeAxis->tickCount() - 1));
        QVERIFY(from < clocked.now && clocked.now <= to + BlockMs);
    };
    checkTime(10 * 1000);
    QCOMPARE(trend.timeAxis->format(), QStringLiteral("hh:mm:ss"));

    for (int i = 0; i < 20; ++i)
        clocked.add(float(21.0 + 0.003 * i), 7.5f);
    QVERIFY(QTest::qWaitFor([&] { return trend.measuredPoints().size() == 20; }, WaitMs));
    checkTime(10 * 1000);
    // 21.000 to 21.057: steps of 0.02 or 0.05, two decimals.
    QVERIFY(onRoundSteps(trend.measuredAxis, {0.02, 0.05}));
    QVERIFY(trend.measuredAxis->min() < 21.0 && trend.measuredAxis->max() > 21.057);
    QCOMPARE(trend.measuredAxis->labelFormat(), QStringLiteral("%.2f"));

    // The history's minute: quarter minutes.
    trend.setSpanIndex(TrendWindow::DefaultSpanIndex);
    checkTime(15 * 1000);
    QCOMPARE(trend.timeAxis->tickCount(), 5);
    // Shrunk beside the main window: fewer labels, still on round steps.
    trend.resize(300, 420);
    QTRY_COMPARE_WITH_TIMEOUT(trend.timeAxis->tickCount(), 3, WaitMs);
    checkTime(30 * 1000);
}

void tst_TrendWindow::pictures_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("spanIndex");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<QString>("name");
    QTest::newRow("English, 30 s") << QStringLiteral("English") << 0 << 400 << "en";
    QTest::newRow("Magyar, 30 s") << QStringLiteral("Magyar") << 0 << 400 << "hu";
    QTest::newRow("English, 10 min") << QStringLiteral("English") << int(TrendWindow::DefaultSpanIndex)
                                     << 6000 << "en_10min";
    QTest::newRow("English, no blocks yet") << QStringLiteral("English") << 0 << 0 << "en_empty";
}

void tst_TrendWindow::pictures()
{
    QFETCH(QString, language);
    QFETCH(int, spanIndex);
    QFETCH(int, blocks);
    QFETCH(QString, name);
    ClockedTrend clocked(TrendHistory::DefaultHistoryMs);
    TrendWindow& trend = clocked.trend;
    trend.applyLanguage(language == u"English" ? Language::English : Language::Hungarian);
    trend.setSpanIndex(spanIndex);
    trend.resize(720, 420);
    trend.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trend));
    QTemporaryDir dir;
    QVERIFY(trend.startRecording(dir.filePath(QStringLiteral("picture.csv"))));
    // A step from 25 to 30 °C two thirds into the run, the output after it.
    for (int i = 0; i < blocks; ++i) {
        const double target = i < blocks * 2 / 3 ? 25.0 : 30.0;
        const double value =
            target - (i < blocks * 2 / 3 ? 0.0 : 5.0 * std::exp(-(i - blocks * 2 / 3) / 15.0));
        clocked.add(float(value + 0.05 * std::sin(i * 1.7)), float(4.0 + 16.0 * value / 100.0));
    }
    if (blocks > 0) {
        QVERIFY(QTest::qWaitFor([&] { return trend.measuredPoints().size() >= 250; }, WaitMs));
        // The read-out as the mouse over the newest point gives it.
        emit trend.curvePieces(TrendColumns::Measured)
            .constLast()
            ->hovered(trend.measuredPoints().constLast(), true);
        QVERIFY(trend.readout->text().endsWith(u" °C"));
    }
    QVERIFY(QTest::qWaitFor(
        [&] { return trend.recordingStatus->text().contains(QStringLiteral(": %1 ").arg(blocks)); }, WaitMs));
    QCoreApplication::sendPostedEvents(); // the layout follows the read-out's text
    QVERIFY(trend.grab().save(outputDir() + QStringLiteral("/trend_%1.png").arg(name)));
}

QTEST_MAIN(tst_TrendWindow)
#include "tst_trend_window.moc"
