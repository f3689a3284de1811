// The Trend window against the virtual transmitter on a pseudo-terminal:
// what it records and plots is what the main window showed, block for
// block, and a recording outlives the line and stops clearly on a full disk.

#include "app/form_main.h"
#include "app/trend_window.h"
#include "device/live_csv_writer.h"
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
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>

namespace {

constexpr int WaitMs = 15000;
constexpr int BlocksToRecord = 12;

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
    QTRY_VERIFY_WITH_TIMEOUT(bench.shown.size() >= first + BlocksToRecord, WaitMs);
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
    QTRY_VERIFY_WITH_TIMEOUT(bench.shown.size() >= first + BlocksToRecord / 2, WaitMs);

    bench.t.sim.stop();
    // The hang-up closes the port; a line that merely fell silent shows
    // the communication error.
    QTRY_VERIFY_WITH_TIMEOUT(!bench.form.MB1->MBPortOpen() || !bench.form.Label_CommError->isHidden(),
                             WaitMs);
    const qsizetype blocks = bench.shown.size() - first;

    QVERIFY(trend->isRecording());
    QCOMPARE(trend->recordedRows(), blocks);
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

// The plot holds the shown blocks in time order, the axis fits them, and a
// pause freezes it while the history goes on.
void tst_TrendWindow::plotFollowsTheBlocks()
{
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    TrendWindow trend(nullptr, 60 * 1000, [&now] { return QDateTime::fromMSecsSinceEpoch(now); });
    trend.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trend));
    LiveValues values;
    for (int i = 0; i < 50; ++i) {
        values.fInput = float(20 + i % 5);
        values.fOutput = float(4 + i % 3);
        trend.addLiveBlock(values);
        now += 100;
    }
    QTRY_COMPARE_WITH_TIMEOUT(trend.measuredPoints().size(), 50, WaitMs);
    QCOMPARE(trend.measuredAxis->min() < 20 && trend.measuredAxis->max() > 24, true);
    QVERIFY(trend.measuredAxis->max() - trend.measuredAxis->min() < 5.0);
    QVERIFY(trend.outputAxis->min() < 4 && trend.outputAxis->max() > 6);
    QCOMPARE(trend.measuredAxis->titleText(), QStringLiteral("Mért érték [°C]"));

    trend.pauseButton->click();
    values.fInput = 100.0f;
    trend.addLiveBlock(values);
    QCOMPARE(trend.history().size(), 51);
    QVERIFY(!trend.refreshPending());
    QCOMPARE(trend.measuredPoints().size(), 50);
    trend.pauseButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(trend.measuredPoints().size(), 51, WaitMs);
    QCOMPARE(trend.measuredPoints().constLast().y(), 100.0);
    QVERIFY(trend.measuredAxis->max() > 100.0);

    // Autoscale off: the axis keeps its range.
    trend.autoscaleCheck->setChecked(false);
    const double top = trend.measuredAxis->max();
    values.fInput = 500.0f;
    trend.addLiveBlock(values);
    QTRY_COMPARE_WITH_TIMEOUT(trend.measuredPoints().size(), 52, WaitMs);
    QCOMPARE(trend.measuredAxis->max(), top);

    // The wheel zooms on time: away from the user, a shorter span.
    const auto wheel = [&trend](int delta) {
        const QPointF at = trend.chartView->viewport()->rect().center();
        QWheelEvent event(at, trend.chartView->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(trend.chartView->viewport(), &event);
    };
    QCOMPARE(trend.spanIndex(), TrendWindow::DefaultSpanIndex);
    wheel(120);
    QCOMPARE(trend.spanIndex(), TrendWindow::DefaultSpanIndex - 1);
    QCOMPARE(trend.spanChoice->currentIndex(), trend.spanIndex());
    wheel(-120);
    wheel(-120);
    QCOMPARE(trend.spanIndex(), TrendWindow::DefaultSpanIndex);

    // The hover read-out names time, curve, value and unit.
    emit trend.outputSeries->hovered(QPointF(double(now), 12.5), true);
    QVERIFY2(trend.readout->text().endsWith(u"Analóg kimenet: 12.500 mA"), qPrintable(trend.readout->text()));
    QVERIFY(trend.readout->text().startsWith(QDateTime::fromMSecsSinceEpoch(now).toString(u"hh:mm:ss.zzz")));
}

void tst_TrendWindow::pictures_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << QStringLiteral("English");
    QTest::newRow("Magyar") << QStringLiteral("Magyar");
}

void tst_TrendWindow::pictures()
{
    QFETCH(QString, language);
    Bench bench;
    bench.form.CurrentLanguage = language;
    bench.form.ApplyLanguage(language);
    QVERIFY(bench.startPolling());
    TrendWindow* trend = bench.form.trendWindow();
    bench.form.viewTrend->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(trend));
    trend->setSpanIndex(0);
    QTemporaryDir dir;
    QVERIFY(trend->startRecording(dir.filePath(QStringLiteral("picture.csv"))));
    bench.t.sim.benchCommand(QStringLiteral("temperature 25"));
    const qsizetype first = bench.shown.size();
    QTRY_VERIFY_WITH_TIMEOUT(bench.shown.size() >= first + 20, WaitMs);
    bench.t.sim.benchCommand(QStringLiteral("temperature 30"));
    QTRY_VERIFY_WITH_TIMEOUT(bench.shown.size() >= first + 40, WaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(trend->measuredPoints().size() >= 40, WaitMs);
    // The read-out as the mouse over the newest point gives it.
    emit trend->measuredSeries->hovered(trend->measuredPoints().constLast(), true);
    QVERIFY(trend->readout->text().endsWith(u" °C"));
    QCoreApplication::sendPostedEvents(); // the layout follows the read-out's text
    const QString name = language == u"English" ? QStringLiteral("en") : QStringLiteral("hu");
    QVERIFY(trend->grab().save(outputDir() + QStringLiteral("/trend_%1.png").arg(name)));
    bench.form.MB1->closeAction();
}

QTEST_MAIN(tst_TrendWindow)
#include "tst_trend_window.moc"
