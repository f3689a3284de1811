// The main window's side of the communication task, against a transmitter on
// a pseudo-terminal: what it shows of each step, what its clicks capture and
// send, and its dialogs. The task's sequencing is tested without widgets.

#include "tests/support/main_window_fixture.h"

#include "app/form_kv_tipus_valasztas.h"
#include "device/communication_task.h"
#include "link/port_reconnector.h"
#include "link/tmb_panel.h"
#include "platform/number_format.h"
#include "platform/pseudo_terminal.h"
#include "sim/slave_blocks.h"
#include "tests/support/device_records.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_files.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int WaitMs = 10000;
constexpr int ReconnectPollMs = 20;
constexpr int ShortReconnectWindowMs = 100;

} // namespace

class tst_MainTask : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void openingShowsTransmitterSettings();
    void noTransmitterShowsTheErrorOnly();
    void writeCapturesAtClickAndReadsBack();
    void resetBeforeReadAndWithdrawal();
    void refusedRequestFlashesTheError();
    void readAndWriteAfterRefusedReads();
    void incompatibleFirmwareEndsProgram_data();
    void incompatibleFirmwareEndsProgram();
    void liveValuesMove();
    void deviceGoesAwayAndComesBack_data();
    void deviceGoesAwayAndComesBack();
};

void tst_MainTask::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    qRegisterMetaType<TMBStatus>();
    NumberFormat::setDecimalSeparator(u'.');
}

void tst_MainTask::openingShowsTransmitterSettings()
{
    SimTransmitter t;
    QVERIFY(t.sim.model().writeSettings(testrecords::distinctSettings()));
    t.sim.start();

    TForm_Main form;
    WindowRecorder seen(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(!form.settingsChangedMark());
    QVERIFY(openPort(form, t.sim.devicePath()));
    QVERIFY(form.Timer_CommunicationTask->isActive());

    QTRY_VERIFY_WITH_TIMEOUT(seen.states.size() >= 10, WaitMs);
    QCOMPARE(seen.states.mid(0, 10), (QList<int>{1, 2, 10, 11, 90, 91, 10, 11, 10, 11}));
    QCOMPARE(form.Label_Firmware->text(), QStringLiteral("Firmware: v2015-03-25"));
    for (QWidget* shown :
         {static_cast<QWidget*>(form.PageControl_Main), static_cast<QWidget*>(form.GroupBox_System),
          static_cast<QWidget*>(form.GroupBox_KeszulekOlvasasIras)})
        QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));
    QVERIFY(!form.Label_CommError->isVisible());
    QVERIFY(!form.SpeedButton_KVKiolvasas->Down());
    QVERIFY(allGroupEnabled(form));

    QCOMPARE((QList<int>{form.RadioGroup_VezetekSzam->ItemIndex(), form.RadioGroup_Uzemmod->ItemIndex(),
                         form.RadioGroup_Atlagolas->ItemIndex(), form.RadioGroup_AnalogKimTipus->ItemIndex(),
                         form.RadioGroup_AnalogKimHibajelzes->ItemIndex()}),
             (QList<int>{1, 2, 5, 1, 1}));
    QVERIFY(form.CheckBox_NemHibaAKimenetTulcsordulas->isChecked());
    // Resistance mode of a Pt100 device: two decimals.
    QCOMPARE((QStringList{form.LabeledEdit_AramL->text(), form.LabeledEdit_AramH->text(),
                          form.LabeledEdit_AramLLimit->text(), form.LabeledEdit_AramHLimit->text()}),
             (QStringList{"10.50", "250.25", "3.90", "20.25"}));
    // The read-back changed the controls: the write button shows it.
    QVERIFY(form.settingsChangedMark());

    form.MB1->closeAction();
    QVERIFY(!form.Timer_CommunicationTask->isActive());
    for (QWidget* hidden :
         {static_cast<QWidget*>(form.PageControl_Main), static_cast<QWidget*>(form.GroupBox_System),
          static_cast<QWidget*>(form.GroupBox_KeszulekOlvasasIras),
          static_cast<QWidget*>(form.Label_CommError)})
        QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
}

void tst_MainTask::noTransmitterShowsTheErrorOnly()
{
    ScriptedDialogs dialogs;
    PeerTransmitter t;
    t.answers = [](quint8, int) { return false; };
    TForm_Main form;
    shortenTimeOuts(form);
    WindowRecorder seen(form);
    QVERIFY(openPort(form, t.peer.devicePath()));

    QTRY_VERIFY_WITH_TIMEOUT(seen.failuresShown >= 3, WaitMs);
    QVERIFY(!form.Label_CommError->isHidden());
    QVERIFY(form.PageControl_Main->isHidden() && form.GroupBox_System->isHidden() &&
            form.GroupBox_KeszulekOlvasasIras->isHidden());
    QVERIFY(dialogs.messages().isEmpty());
}

// The output settings and the numbers are taken at the click, normalised;
// wires, mode and averaging when the query goes out.
void tst_MainTask::writeCapturesAtClickAndReadsBack()
{
    SimTransmitter t;
    t.sim.start();
    TForm_Main form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(openPort(form, t.sim.devicePath()));
    QTRY_VERIFY_WITH_TIMEOUT(form.GroupBox_KeszulekOlvasasIras->isVisible() && allGroupEnabled(form), WaitMs);

    form.PageControl_Main->setCurrentWidget(form.TabSheet_DO);
    form.RadioGroup_AnalogKimHibajelzes->button(1)->click();
    form.LabeledEdit_AramL->setText(QStringLiteral("12.5"));
    form.LabeledEdit_AramH->setText(QStringLiteral("abc"));
    form.LabeledEdit_AramHLimit->setText(QStringLiteral("19.754"));
    const qsizetype from = t.sent.size();
    QTest::mouseClick(form.SpeedButton_BeallitasokAKVbe, Qt::LeftButton);
    QCOMPARE(form.PageControl_Main->currentWidget(), form.TabSheet_Beallitasok);
    QVERIFY(form.SpeedButton_BeallitasokAKVbe->Down());
    QVERIFY(!form.SpeedButton_KVKiolvasas->isEnabled() && !form.SpeedButton_ADCal0Ohm->isEnabled());
    // Temperature mode: one decimal.
    QCOMPARE(form.LabeledEdit_AramL->text(), QStringLiteral("12.5"));
    QCOMPARE(form.LabeledEdit_AramH->text(), QStringLiteral("800.0"));
    QCOMPARE(form.LabeledEdit_AramHLimit->text(), QStringLiteral("19.75"));
    form.CheckBox_NemHibaAKimenetTulcsordulas->setChecked(true);
    form.RadioGroup_Atlagolas->button(6)->click();

    QTRY_VERIFY_WITH_TIMEOUT(requestsOf(t.sent, from).size() == 2 && allGroupEnabled(form), WaitMs);
    QCOMPARE(requestsOf(t.sent, from), (QList<quint8>{CmdWriteSettings, CmdReadSettings}));
    const QByteArray block = t.sent.at(commandsOf(t.sent).indexOf(CmdWriteSettings, from)).data;
    QCOMPARE(block.left(3), QByteArray("\x04\x00\x40", 3));
    const DeviceSettings& s = t.sim.model().settings();
    QCOMPARE(s.Averaging, quint8(64));
    QVERIFY(s.bErrorLevelHigh);
    QVERIFY(!s.bNoErrorOnOverflow);
    QCOMPARE(s.fScaleHigh, 800.0f);
    QCOMPARE(s.fOutputLimitHigh, 19.75f);
    // Read back: the controls show what the transmitter stored.
    QVERIFY(!form.SpeedButton_BeallitasokAKVbe->Down() && !form.SpeedButton_KVKiolvasas->Down());
    QCOMPARE(form.RadioGroup_Atlagolas->ItemIndex(), 6);
    QVERIFY(!form.CheckBox_NemHibaAKimenetTulcsordulas->isChecked());
}

void tst_MainTask::resetBeforeReadAndWithdrawal()
{
    SimulatorOptions options;
    options.restartSilenceMs = 20;
    SimTransmitter t(options);
    t.sim.start();
    TForm_Main form;
    QVERIFY(openPort(form, t.sim.devicePath()));
    QTRY_VERIFY_WITH_TIMEOUT(!form.SpeedButton_KVKiolvasas->Down() && liveCount(t.sent) >= 2, WaitMs);

    // Clicked twice before the task served it: taken back, nothing sent.
    qsizetype from = t.sent.size();
    form.SpeedButton_ADCal0Ohm->click();
    QVERIFY(!form.SpeedButton_PotiCal0->isEnabled() && form.SpeedButton_ADCal0Ohm->isEnabled());
    form.SpeedButton_ADCal0Ohm->click();
    QVERIFY(allGroupEnabled(form));
    QTRY_VERIFY_WITH_TIMEOUT(liveCount(t.sent.mid(from)) >= 3, WaitMs);
    QCOMPARE(requestsOf(t.sent, from), QList<quint8>());

    from = t.sent.size();
    form.SpeedButton_KVKiolvasas->click();
    form.SpeedButton_ParancsReset->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form.SpeedButton_ParancsReset->Down(), WaitMs);
    QVERIFY(form.SpeedButton_KVKiolvasas->Down());
    QVERIFY(allGroupEnabled(form));
    QTRY_VERIFY_WITH_TIMEOUT(!form.SpeedButton_KVKiolvasas->Down(), WaitMs);
    QCOMPARE(requestsOf(t.sent, from), (QList<quint8>{CmdReset, CmdReadSettings}));
}

// A refusal shows the error label until the next good answer; the click that
// releases the button withdraws the request. The store commands' parameters
// start at 0 until their buttons capture any.
void tst_MainTask::refusedRequestFlashesTheError()
{
    PeerTransmitter t;
    t.answers = [](quint8 command, int) { return command != CmdStorePot0; };
    t.before = [](quint8 command, int) {
        return command == CmdStorePot0
                   ? slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId, command, 254, {})
                   : QByteArray();
    };
    TForm_Main form;
    shortenTimeOuts(form);
    WindowRecorder seen(form);
    QVERIFY(openPort(form, t.peer.devicePath()));
    QTRY_VERIFY_WITH_TIMEOUT(!form.SpeedButton_KVKiolvasas->Down(), WaitMs);

    const qsizetype from = t.sent.size();
    form.SpeedButton_PotiCal0->click();
    QTRY_VERIFY_WITH_TIMEOUT(requestsOf(t.sent, from).size() >= 2, WaitMs);
    QVERIFY(form.SpeedButton_PotiCal0->Down());
    form.SpeedButton_PotiCal0->click();
    QVERIFY(allGroupEnabled(form));
    QCOMPARE(t.sent.at(commandsOf(t.sent).indexOf(CmdStorePot0, from)).data, QByteArray(4, '\0'));

    const int polls = liveCount(t.sent);
    QTRY_VERIFY_WITH_TIMEOUT(liveCount(t.sent) >= polls + 3, WaitMs);
    QCOMPARE(requestsOf(t.sent, from).size(), 2);
    QVERIFY(seen.failuresShown >= 2);
    QVERIFY(form.Label_CommError->isHidden());
}

// A transmitter that refuses the first settings reads and then answers: the
// read stays pending until it is answered, and later clicks on Read and
// Write each send their command.
void tst_MainTask::readAndWriteAfterRefusedReads()
{
    constexpr int Refusals = 3;
    PeerTransmitter t;
    t.answers = [](quint8 command, int n) { return command != CmdReadSettings || n > Refusals; };
    t.before = [](quint8 command, int n) {
        return command == CmdReadSettings && n <= Refusals
                   ? slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId, command,
                                               mb::AsciiRefusalStatus, {})
                   : QByteArray();
    };
    TForm_Main form;
    shortenTimeOuts(form);
    WindowRecorder seen(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(openPort(form, t.peer.devicePath()));
    QTRY_VERIFY_WITH_TIMEOUT(!form.SpeedButton_KVKiolvasas->Down(), WaitMs);
    QCOMPARE(requestsOf(t.sent), QList<quint8>(Refusals + 1, CmdReadSettings));
    QCOMPARE(seen.failuresShown, Refusals);
    QTRY_VERIFY_WITH_TIMEOUT(form.GroupBox_KeszulekOlvasasIras->isVisible() && allGroupEnabled(form), WaitMs);

    qsizetype from = t.sent.size();
    QTest::mouseClick(form.SpeedButton_KVKiolvasas, Qt::LeftButton);
    QVERIFY(form.SpeedButton_KVKiolvasas->Down());
    QVERIFY(form.GroupBox_KeszulekOlvasasIras->grab().save(outputDir() +
                                                           QStringLiteral("/main_window_read_pending.png")));
    QTRY_VERIFY_WITH_TIMEOUT(!form.SpeedButton_KVKiolvasas->Down(), WaitMs);
    QCOMPARE(requestsOf(t.sent, from), QList<quint8>{CmdReadSettings});

    from = t.sent.size();
    QTest::mouseClick(form.SpeedButton_BeallitasokAKVbe, Qt::LeftButton);
    QVERIFY(form.SpeedButton_BeallitasokAKVbe->Down());
    QTRY_VERIFY_WITH_TIMEOUT(requestsOf(t.sent, from).size() == 2 && allGroupEnabled(form), WaitMs);
    QCOMPARE(requestsOf(t.sent, from), (QList<quint8>{CmdWriteSettings, CmdReadSettings}));
    QVERIFY(!form.SpeedButton_BeallitasokAKVbe->Down() && !form.SpeedButton_KVKiolvasas->Down());
}

void tst_MainTask::incompatibleFirmwareEndsProgram_data()
{
    QTest::addColumn<int>("languageIndex");
    QTest::addColumn<QString>("warning");
    QTest::newRow("English") << 0
                             << "This configurator software version is incompatible with this device! Please "
                                "use the sufficient version.";
    QTest::newRow("Magyar")
        << 1
        << "Ez a beállító program verzió nem kompatibilis az eszközzel! Kérjük, használja "
           "a megfelelő verziójú beállító programot.";
}

void tst_MainTask::incompatibleFirmwareEndsProgram()
{
    QFETCH(int, languageIndex);
    QFETCH(QString, warning);
    ScriptedDialogs dialogs;
    SimulatorOptions options;
    options.firmwareVersion = 20150326;
    SimTransmitter t(options);
    t.sim.start();

    TForm_KVTipusValasztas startForm;
    TForm_Main form(&startForm);
    QSignalSpy ended(&form, &TForm_Main::applicationTerminationRequested);
    QSignalSpy closed(&startForm, &TForm_KVTipusValasztas::formClosed);
    startForm.RadioGroup_NyelvValasztas->setItemIndex(languageIndex);
    startForm.show();
    QVERIFY(QTest::qWaitForWindowActive(&startForm));
    startForm.Button_OK->click();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    // What the window shows when the warning comes up.
    QString firmwareShown;
    dialogs.setOnMessage(
        [&](const ScriptedDialogs::Message&) { firmwareShown = form.Label_Firmware->text(); });
    QVERIFY(openPort(form, t.sim.devicePath()));

    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, WaitMs);
    QCOMPARE(dialogs.messages().size(), 1);
    const ScriptedDialogs::Message& m = dialogs.messages().constFirst();
    QCOMPARE(m.type, Dialogs::MessageType::Warning);
    QCOMPARE(m.text, warning);
    QCOMPARE(m.parent.data(), &form);
    QCOMPARE(firmwareShown, QStringLiteral("Firmware: v2015-03-26"));
    QVERIFY(!form.Timer_CommunicationTask->isActive());
    // Ended, not closed: no shutdown steps.
    QCOMPARE(closed.size(), 0);
}

// With the virtual transmitter: the values move from poll to poll. Pictures
// of the settings page and the System info group go to the test output.
void tst_MainTask::liveValuesMove()
{
    SimTransmitter t;
    t.sim.start();
    TForm_Main form;
    form.CurrentLanguage = QStringLiteral("English");
    form.ApplyLanguage(form.CurrentLanguage);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(openPort(form, t.sim.devicePath()));
    QTRY_VERIFY_WITH_TIMEOUT(!form.SpeedButton_KVKiolvasas->Down() && liveCount(t.sent) >= 3, WaitMs);

    QStringList shots;
    for (int shot = 1; shot <= 2; ++shot) {
        const int polls = liveCount(t.sent);
        QTRY_VERIFY_WITH_TIMEOUT(liveCount(t.sent) >= polls + 5, WaitMs);
        shots << form.Label_ADRaw->text() + u'|' + form.Label_uCountOfNewInputValue->text();
        QVERIFY(form.grab().save(outputDir() + QStringLiteral("/main_window_live_%1.png").arg(shot)));
    }
    QVERIFY2(shots.at(0) != shots.at(1), qPrintable(shots.join(u' ')));
    QCOMPARE(form.LabeledEdit_AramL->text(), QStringLiteral("-200.0"));
}

void tst_MainTask::deviceGoesAwayAndComesBack_data()
{
    QTest::addColumn<bool>("byId");
    QTest::addColumn<bool>("switchedOff");
    QTest::addColumn<int>("windowMs");
    QTest::newRow("same path") << false << false << WaitMs;
    QTest::newRow("by-id name, another number") << true << false << WaitMs;
    QTest::newRow("switched off") << false << true << WaitMs;
    QTest::newRow("back too late") << false << false << ShortReconnectWindowMs;
}

// The transmitter goes away: the port is closed as Close closes it and the
// panel says why; back under the same path or its by-id name, the task takes
// up its work again.
void tst_MainTask::deviceGoesAwayAndComesBack()
{
    QFETCH(bool, byId);
    QFETCH(bool, switchedOff);
    QFETCH(int, windowMs);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("usb-KV_Adapter_0001-if00-port0"));
    auto transmitter = std::make_unique<SimTransmitter>();
    transmitter->sim.start();
    QVERIFY(QFile::link(transmitter->sim.devicePath(), link));
    TForm_Main form;
    form.MB1->reconnector().setAliasFolder(dir.path());
    form.MB1->reconnector().setTiming(ReconnectPollMs, windowMs);
    if (switchedOff)
        form.MB1Panel->reconnectAction()->trigger();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(openPort(form, byId ? transmitter->sim.devicePath() : link));
    QTRY_VERIFY_WITH_TIMEOUT(form.GroupBox_KeszulekOlvasasIras->isVisible(), WaitMs);

    QSignalSpy waiting(&form.MB1->reconnector(), &PortReconnector::waitingChanged);
    transmitter.reset();
    QVERIFY(QFile::remove(link));
    QTRY_VERIFY_WITH_TIMEOUT(!form.MB1->MBPortOpen(), WaitMs);
    QVERIFY(!form.Timer_CommunicationTask->isActive());
    QVERIFY(form.PageControl_Main->isHidden() && form.Label_CommError->isHidden());
    QCOMPARE(form.MB1Panel->lastStatus()->text(), QStringLiteral("Device went away"));
    if (!byId && !switchedOff && windowMs == WaitMs)
        QVERIFY(form.MB1Panel->grab().save(outputDir() + QStringLiteral("/tmb_panel_device_went_away.png")));
    QVERIFY(form.MB1Panel->portIndicator()->toolTip().contains(QStringLiteral(" went away.")));
    QTRY_COMPARE_WITH_TIMEOUT(waiting.count(), switchedOff ? 0 : windowMs == WaitMs ? 1 : 2, WaitMs);

    // Another device may take the freed number; the by-id name follows ours.
    auto stranger = PseudoTerminal::open();
    transmitter = std::make_unique<SimTransmitter>();
    transmitter->sim.start();
    QVERIFY(QFile::link(transmitter->sim.devicePath(), link));
    if (switchedOff || windowMs != WaitMs) {
        QVERIFY(!form.MB1->reconnector().isWaiting());
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(form.GroupBox_KeszulekOlvasasIras->isVisible(), WaitMs);
    QCOMPARE(form.MB1->Port(), byId ? transmitter->sim.devicePath() : link);
    QVERIFY(form.Timer_CommunicationTask->isActive() && form.MB1Panel->openButton()->isChecked());
}

QTEST_MAIN(tst_MainTask)
#include "tst_main_task.moc"
