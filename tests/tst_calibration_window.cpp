// The calibration page and the potentiometer / two-wire stores through the
// real window, against the virtual transmitter on a pseudo-terminal: what a
// press captures and shows, what is sent when, a technician's session on a
// transmitter out of calibration, and the calibration journal.

#include "tests/support/main_window_fixture.h"

#include "app/device_records_window.h"
#include "app/verification_window.h"
#include "device/callendar_van_dusen.h"
#include "device/communication_task.h"
#include "platform/number_format.h"
#include "records/record_store.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_files.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <cstdio>

namespace {

// A step of the quick task below takes milliseconds: a failing wait fails
// the case within seconds.
constexpr int WaitMs = 5000;
// A calibrated reading against the bench's resistor: the point was taken
// from one noisy average and is checked against another, so a few
// hundredths either way; a point not applied is off by tenths.
constexpr double CalibratedOhms = 0.05;
// The task's tick and send delay here (100 and 50 ms in the program).
constexpr int QuickTickMs = 10;
constexpr quint16 QuickSendDelayMs = 1;

// Runs events until `done` holds or `ms` pass; QTest::qWaitFor sleeps 10 ms
// between its rounds, and a query takes several.
template <typename Predicate> bool waitUntil(Predicate done, int ms = WaitMs)
{
    const QDeadlineTimer deadline(ms);
    QTimer wake; // an event each millisecond, so the deadline is seen
    wake.start(1);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// The virtual transmitter and the window, with a journal in a folder of its own.
struct Session
{
    explicit Session(const SimulatorOptions& options = {}, const QString& journal = {})
        : t(options),
          form(nullptr, AppContext{{},
                                   {},
                                   journal.isEmpty() ? dir.filePath(QStringLiteral("journal.txt")) : journal,
                                   dir.filePath(QStringLiteral("records.sqlite")),
                                   QStringLiteral("TT-CAL")})
    {}

    // Opens the port and waits until the opening's settings read is done.
    bool open()
    {
        t.sim.start();
        form.communicationTask().setIntervals(QuickTickMs, QuickSendDelayMs);
        form.show();
        return QTest::qWaitForWindowExposed(&form) && openPort(form, t.sim.devicePath()) &&
               waitUntil([this] { return liveCount(t.sent) >= 2 && !form.SpeedButton_KVKiolvasas->Down(); });
    }
    void showCalibrationTab(QWidget* tab)
    {
        QTabWidget* pages = form.PageControl_Main;
        pages->setTabVisible(pages->indexOf(form.TabSheet_Kalibralas), true);
        form.PageControl_KalibralasTipus->setCurrentWidget(tab);
        pages->setCurrentWidget(form.TabSheet_Kalibralas);
    }
    // A bench command; true when the bench took it.
    bool bench(const QString& line) { return t.sim.benchCommand(line).startsWith(QLatin1String("ok")); }
    double meter() { return t.sim.benchCommand(QStringLiteral("meter")).section(u' ', 1, 1).toDouble(); }
    // Moves the transmitter's clock on past what its 16-sample average spans
    // (320 ms), then waits until the window shows a block read after that.
    bool settled()
    {
        t.sim.model().advance(500);
        const int polls = liveCount(t.sent);
        return waitUntil([&] { return liveCount(t.sent) >= polls + 2; });
    }
    double shownR() const { return form.Label_fCalculatedR->text().toDouble(); }
    // Presses a store button and waits for the transmitter's acknowledgement.
    bool pressUntilStored(TSpeedButton* button)
    {
        button->click();
        return button->Down() && waitUntil([button] { return !button->Down(); });
    }
    // One field of every journal line, such as "command" or "sent".
    QStringList journal(const QString& name) const
    {
        QStringList values;
        for (const QString& line : fileLines(form.context().journalPath))
            values << line.section(u'\t' + name + u'=', 1).section(u'\t', 0, 0);
        return values;
    }
    void picture(const char* name)
    {
        QVERIFY(
            form.grab().save(outputDir() + QStringLiteral("/calibration_%1.png").arg(QLatin1String(name))));
    }

    QTemporaryDir dir;
    SimTransmitter t;
    TForm_Main form;
};

// The session's bench as a verification's reference and meter. An applied
// resistor is given the transmitter's time to settle its average, as a
// technician's bench has it, so that the quick task's polls see the point.
class SessionBench : public VerificationBench
{
public:
    explicit SessionBench(Session& s) : m_session(s) {}
    bool apply(double ohm, QString*) override
    {
        const bool taken = m_session.bench(QStringLiteral("resistor ") + QString::number(ohm, 'f', 3));
        m_session.t.sim.model().advance(500);
        return taken;
    }
    std::optional<double> meterReading(QString*) override { return m_session.meter(); }

private:
    Session& m_session;
};

// A verification run through the window on the bench; the run when it ended.
std::optional<VerificationRun> verify(Session& s, SessionBench& bench, QPushButton* button)
{
    VerificationWindow* w = s.form.verificationWindow();
    w->setBench(&bench);
    w->setSettleTimeoutMs(WaitMs);
    QSignalSpy ended(w, &VerificationWindow::runEnded);
    button->click();
    if (!waitUntil([&] { return !ended.isEmpty(); }) || !ended.first().at(0).toBool() ||
        !ended.first().at(1).toBool())
        return std::nullopt;
    return w->procedure()->run();
}

SimulatorOptions outOfCalibration()
{
    SimulatorOptions options;
    options.outOfCalibration = true;
    return options;
}

// The child of journalSurvivesKill: stores the 0 ohm point, reports it and
// waits to be killed.
int journalChild(const QString& journalPath)
{
    Session s({}, journalPath);
    if (!s.open() || !s.pressUntilStored(s.form.SpeedButton_ADCal0Ohm))
        return 1;
    std::puts("acknowledged");
    std::fflush(stdout);
    return QApplication::exec();
}

} // namespace

class tst_CalibrationWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void converterAndOutputSession();
    void typedMeterReading_data();
    void typedMeterReading();
    void threeWireOffsetAgainst249Ohm();
    void resistanceCaptures_data();
    void resistanceCaptures();
    void offsetBeyondLimitIsRefused();
    void pwmSentIsTheSetpointAtQueryTime();
    void eraseFollowsPendingConverterPoint();
    void refusedPointStaysPendingUnjournaled();
    void trackBarFollowsUnlessMovedByHand();
    void stepButtons_data();
    void stepButtons();
    void journalSurvivesKill();
    void unwritableJournalIsReported();

private:
    // Steps PwmSetpoint with the window's buttons until the bench meter reads
    // target, as a technician does: from the last two readings the steps
    // still missing, in decades.
    bool adjustOutput(Session& s, double target);
};

void tst_CalibrationWindow::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    qRegisterMetaType<TMBStatus>();
    NumberFormat::setDecimalSeparator(u'.');
}

bool tst_CalibrationWindow::adjustOutput(Session& s, double target)
{
    TForm_Main& f = s.form;
    const auto reading = [&] {
        const bool carried = waitUntil([&] { return s.t.sim.model().pwmSetpoint() == f.PwmSetpoint; });
        return carried ? s.meter() : std::nan("");
    };
    QPushButton* const up[] = {f.Button_IP10000, f.Button_IP1000, f.Button_IP100, f.Button_IP10,
                               f.Button_IP1};
    QPushButton* const down[] = {f.Button_IM10000, f.Button_IM1000, f.Button_IM100, f.Button_IM10,
                                 f.Button_IM1};
    f.Button_IP10000->click();
    double x0 = f.PwmSetpoint;
    double y0 = reading();
    f.Button_IP10000->click();
    double x1 = f.PwmSetpoint;
    double y1 = reading();
    for (int round = 0; round < 5 && std::abs(y1 - target) > 0.005; ++round) {
        int missing = int(std::lround((target - y1) * (x1 - x0) / (y1 - y0)));
        for (int decade = 0, size = 10000; decade < 5; ++decade, size /= 10) {
            for (; std::abs(missing) >= size; missing -= missing > 0 ? size : -size)
                (missing > 0 ? up : down)[decade]->click();
        }
        x0 = x1;
        y0 = y1;
        x1 = f.PwmSetpoint;
        y1 = reading();
    }
    return std::abs(y1 - target) <= 0.005;
}

// Converter points at 0 and 490 ohm, then the output's 4 and 20 mA points;
// afterwards a 100 ohm reference reads 100 ohm and a mid-scale input gives
// 12 mA, where before both were off.
void tst_CalibrationWindow::converterAndOutputSession()
{
    Session s(outOfCalibration());
    // A process range inside the sensor's: the test points at its ends are
    // no input-limit errors.
    DeviceSettings processRange;
    processRange.fScaleLow = 0.0f;
    processRange.fScaleHigh = 400.0f;
    QVERIFY(s.t.sim.model().writeSettings(processRange));
    QVERIFY(s.open());
    // As found on the bench's meter: the drifted output fails.
    SessionBench bench(s);
    const std::optional<VerificationRun> asFound =
        verify(s, bench, s.form.verificationWindow()->ButtonAsFound);
    QVERIFY(asFound);
    QCOMPARE(asFound->points.size(), 5);
    QVERIFY(!asFound->pass());
    // Mid-scale of 0 .. 400 °C: 200 °C.
    const QString midScale =
        QStringLiteral("resistor ") + QString::number(cvd::resistance(200.0, 100.0), 'f', 4);
    QVERIFY(s.bench(midScale) && s.settled());
    const double outputBefore = s.meter();
    QVERIFY2(std::abs(outputBefore - 12.0) > 0.03, qPrintable(QString::number(outputBefore)));
    QVERIFY(s.bench(QStringLiteral("resistor 100")) && s.settled());
    QVERIFY2(std::abs(s.shownR() - 100.0) > 0.2, qPrintable(s.form.Label_fCalculatedR->text()));

    s.showCalibrationTab(s.form.TabSheet_ADKalibralas);
    QVERIFY(s.bench(QStringLiteral("resistor 0")) && s.settled());
    const QString shownAtPress = s.form.Label_ADAveragedBig->text();
    QVERIFY(s.pressUntilStored(s.form.SpeedButton_ADCal0Ohm));
    QCOMPARE(s.form.SpeedButton_ADCal0Ohm->text(), shownAtPress);
    QVERIFY(s.bench(QStringLiteral("resistor 490")) && s.settled());
    QVERIFY(s.pressUntilStored(s.form.SpeedButton_ADCal490Ohm));
    s.picture("ad");
    QVERIFY(s.bench(QStringLiteral("resistor 100")) && s.settled());
    QVERIFY2(std::abs(s.shownR() - 100.0) <= CalibratedOhms, qPrintable(s.form.Label_fCalculatedR->text()));

    s.showCalibrationTab(s.form.TabSheet_AnalogKimenetKalibralas);
    QVERIFY(adjustOutput(s, 4.0));
    const quint16 pwm4mA = s.form.PwmSetpoint;
    QVERIFY(s.pressUntilStored(s.form.SpeedButton_PWMCal4mA));
    QVERIFY(adjustOutput(s, 20.0));
    QVERIFY(s.pressUntilStored(s.form.SpeedButton_PWMCal20mA));
    s.picture("analog_output");

    s.form.PageControl_Main->setCurrentWidget(s.form.TabSheet_Beallitasok);
    QVERIFY(s.bench(midScale) && s.settled());
    QVERIFY2(std::abs(s.meter() - 12.0) <= 0.01, qPrintable(QString::number(s.meter())));

    QCOMPARE(s.journal("command"), (QStringList{"2 CmdStoreAD0Ohm", "3 CmdStoreAD490Ohm", "6 CmdStorePWM4mA",
                                                "7 CmdStorePWM20mA"}));
    QCOMPARE(s.journal("sent").mid(0, 3), s.journal("ADAveraged").mid(0, 2) << QString::number(pwm4mA));
    QCOMPARE(s.journal("port").constLast() + s.journal("model").constLast(), s.t.sim.devicePath() + "KV4820");

    // As left, every point passes; the certificate covers both runs and the
    // four stores between them.
    const std::optional<VerificationRun> asLeft = verify(s, bench, s.form.verificationWindow()->ButtonAsLeft);
    QVERIFY(asLeft);
    QVERIFY2(asLeft->pass(), QJsonDocument(asLeft->toJson()).toJson().constData());
    ScriptedDialogs dialogs;
    const QString pdf = s.dir.filePath(QStringLiteral("TT-CAL.pdf"));
    dialogs.queueFileAnswer(pdf);
    s.form.deviceRecordsWindow()->certificateButton->click();
    QVERIFY(!s.form.deviceRecordsWindow()->certificateButton->isEnabled());
    QTRY_VERIFY2_WITH_TIMEOUT(s.form.deviceRecordsWindow()->message().contains(QStringLiteral("TT-CAL.pdf")),
                              qPrintable(s.form.deviceRecordsWindow()->message()), WaitMs);
    QVERIFY(s.form.deviceRecordsWindow()->certificateButton->isEnabled());
    const RecordEvent certificate = s.form.recordStore()->history(QStringLiteral("TT-CAL")).first();
    QCOMPARE(certificate.kind, QStringLiteral("certificate"));
    QCOMPARE(certificate.data.value("covers").toArray().size(), 2);
    QCOMPARE(readAll(pdf).left(5), QByteArray("%PDF-"));
    // Pictures of both windows in both languages, the run and the certificate in view.
    for (const char* language : {"hu", "en"}) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{s.form.verificationWindow(), s.form.deviceRecordsWindow()}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QVERIFY(
                w->grab().save(outputDir() + QStringLiteral("/%1_%2.png").arg(w->objectName(), language)));
        }
        // The outcome of the run follows the language as well.
        const QString status = s.form.verificationWindow()->LabelStatus->text();
        QVERIFY2(status.endsWith(qstrcmp(language, "hu") == 0 ? QStringLiteral("Rögzítve: TT-CAL.")
                                                              : QStringLiteral("Recorded under TT-CAL.")),
                 qPrintable(status));
        s.form.Button_Nyelv->click();
    }
}

void tst_CalibrationWindow::typedMeterReading_data()
{
    QTest::addColumn<QStringList>("typed"); // all but the last are refused
    QTest::addColumn<double>("taken");
    QTest::newRow("decimal point") << QStringList{"4.002"} << 4.002;
    QTest::newRow("decimal comma") << QStringList{"4,002"} << 4.002;
    QTest::newRow("not a number, then one") << QStringList{"abc", "4 002", "", "3,99"} << 3.99;
}

// Without a bench: the reference applied by hand and the meter's reading
// typed, as a technician types it; the typed value is the point's output,
// not the transmitter's report.
void tst_CalibrationWindow::typedMeterReading()
{
    QFETCH(QStringList, typed);
    QFETCH(double, taken);
    Session s;
    DeviceSettings processRange;
    processRange.fScaleLow = 0.0f;
    processRange.fScaleHigh = 400.0f;
    QVERIFY(s.t.sim.model().writeSettings(processRange));
    QVERIFY(s.open());
    VerificationWindow* w = s.form.verificationWindow();
    w->setSettleTimeoutMs(WaitMs);
    while (w->TablePoints->rowCount() > 1)
        w->ButtonRemovePoint->click();
    w->ComboOutputSource->setCurrentIndex(1);
    QSignalSpy ended(w, &VerificationWindow::runEnded);
    w->ButtonAsFound->click();
    QCOMPARE(w->procedure()->step(), VerificationProcedure::Step::Apply);
    QVERIFY(s.bench(QStringLiteral("resistor 100")) && s.settled());
    w->ButtonApplied->click();
    QVERIFY(s.settled() && s.settled());
    QTRY_COMPARE_WITH_TIMEOUT(w->procedure()->step(), VerificationProcedure::Step::ReadMeter, WaitMs);
    for (const QString& text : typed) {
        QVERIFY(ended.isEmpty());
        w->EditMeterReading->setText(text);
        w->ButtonEnterReading->click();
    }
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, WaitMs);
    const VerificationRun& run = w->procedure()->run();
    QCOMPARE(run.points.size(), 1);
    QCOMPARE(run.points.first().output, taken);
    QCOMPARE(run.outputSource(), OutputSource::Typed);
    QCOMPARE(run.points.first().pass, std::abs(taken - 4.0) / 16.0 * 100.0 <= 0.1);
}

void tst_CalibrationWindow::threeWireOffsetAgainst249Ohm()
{
    Session s(outOfCalibration());
    DeviceSettings threeWires;
    threeWires.Wires = 3;
    QVERIFY(s.t.sim.model().writeSettings(threeWires));
    QVERIFY(s.open());
    s.showCalibrationTab(s.form.TabSheet_3VezKalibralas);
    QVERIFY(s.bench(QStringLiteral("resistor 249")) && s.settled());
    QVERIFY2(std::abs(s.shownR() - 249.0) > 0.1, qPrintable(s.form.Label_fCalculatedR->text()));

    const float uncompensated = s.form.communicationTask().liveValues().fCalculatedRWithoutCompensation;
    QVERIFY(s.pressUntilStored(s.form.SpeedButton_R3WOffszet));
    QCOMPARE(s.form.SpeedButton_R3WOffszet->text(),
             QStringLiteral("(Rmért - 249 ohm) = ") + QString::number(uncompensated - 249.0f, 'f', 2));
    s.picture("three_wire");
    QVERIFY(s.settled());
    QVERIFY2(std::abs(s.shownR() - 249.0) <= CalibratedOhms, qPrintable(s.form.Label_fCalculatedR->text()));
    QCOMPARE(s.journal("command"), QStringList{"5 CmdStore3WireOffset"});
}

void tst_CalibrationWindow::resistanceCaptures_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("capturedField"); // empty: 0 is sent
    QTest::newRow("potentiometer 0 %") << "SpeedButton_PotiCal0"
                                       << "fCalculatedR";
    QTest::newRow("potentiometer 100 %") << "SpeedButton_PotiCal100"
                                         << "fCalculatedR";
    QTest::newRow("two-wire lead") << "SpeedButton_2VezRKiejtes"
                                   << "fCalculatedRWithoutCompensation";
    QTest::newRow("two-wire lead 0 ohm") << "SpeedButton_R2Wires0Ohm"
                                         << "";
}

// With three wires and a drifted offset the compensated and uncompensated
// resistances differ, so a button sending the wrong one shows.
void tst_CalibrationWindow::resistanceCaptures()
{
    QFETCH(QString, button);
    QFETCH(QString, capturedField);
    Session s(outOfCalibration());
    DeviceSettings threeWires;
    threeWires.Wires = 3;
    QVERIFY(s.t.sim.model().writeSettings(threeWires));
    QVERIFY(s.open());
    QVERIFY(s.bench(QStringLiteral("resistor 100")) && s.settled());
    auto* speedButton = s.form.findChild<TSpeedButton*>(button);
    QVERIFY(speedButton);
    QVERIFY(s.pressUntilStored(speedButton));

    const double sent = s.journal("sent").value(0).toDouble();
    const double compensated = s.journal("fCalculatedR").value(0).toDouble();
    const double uncompensated = s.journal("fCalculatedRWithoutCompensation").value(0).toDouble();
    QVERIFY2(std::abs(compensated - uncompensated) > 0.5, qPrintable(QString::number(uncompensated)));
    if (capturedField.isEmpty())
        QCOMPARE(sent, 0.0);
    else
        QCOMPARE(sent, s.journal(capturedField).value(0).toDouble());
}

void tst_CalibrationWindow::offsetBeyondLimitIsRefused()
{
    ScriptedDialogs dialogs;
    PeerTransmitter t;
    t.live.fCalculatedRWithoutCompensation = 259.5f;
    TForm_Main form;
    form.communicationTask().setIntervals(QuickTickMs, QuickSendDelayMs);
    QVERIFY(openPort(form, t.peer.devicePath()));
    QVERIFY(waitUntil([&] { return !form.SpeedButton_KVKiolvasas->Down() && liveCount(t.sent) >= 2; }));

    const qsizetype from = t.sent.size();
    form.SpeedButton_R3WOffszet->click();
    QCOMPARE(dialogs.messages().size(), 1);
    QCOMPARE(dialogs.messages().constFirst().text,
             QStringLiteral("A megengedtt eltérés\n\rmaximum 10 ohm lehet."));
    QVERIFY(!form.SpeedButton_R3WOffszet->Down());
    QVERIFY(allGroupEnabled(form));
    const int polls = liveCount(t.sent);
    QVERIFY(waitUntil([&] { return liveCount(t.sent) >= polls + 3; }));
    QCOMPARE(requestsOf(t.sent, from), QList<quint8>());
}

// The caption shows the setpoint at the press; the command carries the one
// at the moment its query is built.
void tst_CalibrationWindow::pwmSentIsTheSetpointAtQueryTime()
{
    Session s;
    QVERIFY(s.open());
    s.showCalibrationTab(s.form.TabSheet_AnalogKimenetKalibralas);
    s.form.Button_IP1000->click();
    s.form.SpeedButton_PWMCal4mA->click();
    s.form.Button_IP10->click();
    QCOMPARE(s.form.SpeedButton_PWMCal4mA->text(), QStringLiteral("PWM =   1 000"));
    QVERIFY(s.form.SpeedButton_PWMCal4mA->captionBold());
    QVERIFY(!s.form.SpeedButton_PWMCal20mA->isEnabled());
    QVERIFY(waitUntil([&] { return !s.form.SpeedButton_PWMCal4mA->Down(); }));

    const qsizetype sent = commandsOf(s.t.sent).indexOf(CmdStorePWM4mA);
    QCOMPARE(s.t.sent.at(sent).data, QByteArray("\xF2\x03", 2));
    QCOMPARE(s.journal("sent"), QStringList{"1010"});
}

void tst_CalibrationWindow::eraseFollowsPendingConverterPoint()
{
    SimulatorOptions options;
    options.restartSilenceMs = 20;
    Session s(options);
    QVERIFY(s.open());
    s.showCalibrationTab(s.form.TabSheet_Parancsok);
    QVERIFY(waitUntil([&] { return !s.form.SpeedButton_KVKiolvasas->Down(); }));
    const qsizetype from = s.t.sent.size();
    s.form.SpeedButton_ADCal0Ohm->click();
    s.form.SpeedButton_ParancsEEPROMTorles->click();
    s.picture("commands");
    QVERIFY(waitUntil([&] { return !s.form.SpeedButton_ParancsEEPROMTorles->Down(); }));
    QCOMPARE(requestsOf(s.t.sent, from), (QList<quint8>{CmdStoreAD0Ohm, CmdEraseEEPROM}));
    const QList<quint8> order = commandsOf(s.t.sent, from);
    QCOMPARE(order.at(order.indexOf(CmdEraseEEPROM) - 1), quint8(CmdReadLiveValues));

    QCOMPARE(s.journal("command"), (QStringList{"2 CmdStoreAD0Ohm", "4 CmdEraseEEPROM"}));
    QCOMPARE(s.journal("sent").constLast() + s.journal("firmware").constLast(), QStringLiteral("-20150325"));
}

// kvsim --refuse 2: the point stays pending and goes out again; nothing is
// journaled for it.
void tst_CalibrationWindow::refusedPointStaysPendingUnjournaled()
{
    SimulatorOptions options;
    options.refusedCommands = {CmdStoreAD0Ohm};
    Session s(options);
    QVERIFY(s.open());
    const qsizetype from = s.t.sent.size();
    s.form.SpeedButton_ADCal0Ohm->click();
    waitUntil([&] { return requestsOf(s.t.sent, from).size() >= 2; });
    QCOMPARE(requestsOf(s.t.sent, from), (QList<quint8>{CmdStoreAD0Ohm, CmdStoreAD0Ohm}));
    QVERIFY(s.form.SpeedButton_ADCal0Ohm->Down());
    s.form.SpeedButton_ADCal0Ohm->click();
    QVERIFY(allGroupEnabled(s.form));
    QVERIFY(s.journal("command").isEmpty());
}

void tst_CalibrationWindow::trackBarFollowsUnlessMovedByHand()
{
    TForm_Main form;
    form.PageControl_Main->show();
    form.PageControl_Main->setTabVisible(form.PageControl_Main->indexOf(form.TabSheet_Kalibralas), true);
    form.PageControl_Main->setCurrentWidget(form.TabSheet_Kalibralas);
    form.PageControl_KalibralasTipus->setCurrentWidget(form.TabSheet_AnalogKimenetKalibralas);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QSlider* bar = form.TrackBar_PWM;

    form.Button_PWM100Percent->setFocus();
    form.Button_PWM100Percent->click();
    QCOMPARE(form.Label_PWMToInstrument->text(), QStringLiteral("65 535"));
    QCOMPARE(bar->value(), 65);

    bar->setFocus();
    bar->setValue(12);
    QCOMPARE(form.PwmSetpoint, quint16(12000));
    QCOMPARE(form.Label_PWMToInstrument->text(), QStringLiteral("12 000"));
    // A step while the user holds the bar leaves the bar where it is.
    form.Button_IP1000->click();
    QCOMPARE(form.PwmSetpoint, quint16(13000));
    QCOMPARE(bar->value(), 12);

    form.Button_IM10000->setFocus();
    form.Button_IM10000->click();
    QCOMPARE(bar->value(), 3);
    form.Button_IM10000->click();
    QCOMPARE(form.PwmSetpoint, quint16(0));
    QCOMPARE(bar->value(), 0);
    // The mouse wheel moves a bar without the focus: it goes back.
    bar->setValue(40);
    QCOMPARE(form.PwmSetpoint, quint16(0));
    QCOMPARE(bar->value(), 0);
}

// From 30 000 each button's own step: a handler with another's step, or
// bound to another button, shows.
void tst_CalibrationWindow::stepButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("setpoint");
    QTest::newRow("-1000") << "Button_IM1000" << 29000;
    QTest::newRow("-100") << "Button_IM100" << 29900;
    QTest::newRow("-10") << "Button_IM10" << 29990;
    QTest::newRow("-1") << "Button_IM1" << 29999;
    QTest::newRow("+1") << "Button_IP1" << 30001;
    QTest::newRow("+100") << "Button_IP100" << 30100;
    QTest::newRow("+10 000") << "Button_IP10000" << 40000;
    QTest::newRow("0%") << "Button_PWM0Percent" << 0;
}

void tst_CalibrationWindow::stepButtons()
{
    QFETCH(QString, button);
    QFETCH(int, setpoint);
    TForm_Main form;
    form.PwmSetpoint = 30000;
    auto* const pushButton = form.findChild<QPushButton*>(button);
    QVERIFY(pushButton);
    pushButton->click();
    QCOMPARE(form.PwmSetpoint, quint16(setpoint));
    QCOMPARE(form.Label_PWMToInstrument->text().remove(u' '), QString::number(setpoint));
}

// What was journaled is on the disk when the program dies without warning.
void tst_CalibrationWindow::journalSurvivesKill()
{
    QTemporaryDir dir;
    const QString journal = dir.filePath(QStringLiteral("journal.txt"));
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--journal-child"), journal});
    QVERIFY(waitUntil([&] { return child.canReadLine(); }));
    QCOMPARE(child.readLine().trimmed(), QByteArray("acknowledged"));
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(WaitMs));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    const QStringList lines = fileLines(journal);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.constFirst().contains(QLatin1String("\tcommand=2 CmdStoreAD0Ohm\tsent=")),
             qPrintable(lines.constFirst()));
    // The time says its offset from UTC, so the hour that repeats when the
    // clocks go back stays in order.
    const QDateTime time = QDateTime::fromString(lines.constFirst().section(u'\t', 0, 0), Qt::ISODateWithMs);
    QVERIFY2(time.isValid() && time.timeSpec() != Qt::LocalTime, qPrintable(lines.constFirst()));
}

// A full disk: the store is done all the same, and the user is told that
// its record is missing.
void tst_CalibrationWindow::unwritableJournalIsReported()
{
    ScriptedDialogs dialogs;
    Session s({}, QStringLiteral("/dev/full"));
    QVERIFY(s.open());
    QVERIFY(s.pressUntilStored(s.form.SpeedButton_PotiCal0));
    waitUntil([&] { return !dialogs.messages().isEmpty(); });
    QCOMPARE(dialogs.messages().size(), 1);
    QVERIFY2(
        dialogs.messages().constFirst().text.endsWith(QLatin1String("/dev/full: No space left on device")),
        qPrintable(dialogs.messages().constFirst().text));
    QVERIFY(allGroupEnabled(s.form));
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--journal-child") == 0)
        return journalChild(QString::fromLocal8Bit(argv[2]));
    tst_CalibrationWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_calibration_window.moc"
