#include "device/communication_task.h"
#include "device/device_command.h"
#include "device/settings_editing.h"
#include "link/tmb.h"
#include "platform/number_format.h"
#include "sim/slave_blocks.h"
#include "tests/support/device_records.h"
#include "tests/support/peer_transmitter.h"
#include "tests/support/sent_query.h"
#include "tests/support/sim_transmitter.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <functional>

namespace {

// The task's cycle at a tenth of its pace: each case takes a fraction of a
// second, and a wait that runs out (a QTRY reports after three times its
// bound) fails it within seconds.
constexpr int FastTickMs = 10;
constexpr quint16 FastSendDelayMs = 5;
constexpr int WaitMs = 1500;
// Ends the silences a case arranges soon, yet lets every answer in on a busy machine.
constexpr quint16 SilenceTimeOutMs = 150;

// The main window's side, without widgets.
class FakeTaskHost : public CommunicationTaskHost
{
public:
    FakeTaskHost() { enabled.fill(true); }

    bool isRequestDown(RequestButton b) const override { return down[b]; }
    void setRequestDown(RequestButton b, bool isDown) override { down[b] = isDown; }
    void setRequestEnabled(RequestButton b, bool isEnabled) override
    {
        enabledOutsideGroup |= !requests::isInGroup(b);
        enabled[b] = isEnabled;
    }
    quint8 calibrationPage() const override { return 0; }
    quint16 pwmSetpoint() const override { return 0; }
    CommandParameters commandParameters() const override { return parameters; }
    SettingsSelection settingsSelection() const override { return selection; }
    void showITP(int iTP) override
    {
        if (states.isEmpty() || states.constLast() != iTP)
            states.append(iTP);
        if (onStep)
            onStep(iTP);
    }
    void showTransactionResult(bool ok) override
    {
        viewsVisible = ok;
        commErrorVisible = !ok;
        failures += ok ? 0 : 1;
    }
    void hideDeviceViews() override { viewsVisible = commErrorVisible = false; }
    void showFirmware(const QString& text) override { firmwareText = text; }
    void firmwareRejected(quint32 version) override { rejected.append(version); }
    void liveValuesArrived(const LiveValues&) override { ++polls; }
    void applySettingsReadBack(const SettingsReadBack& readBack) override { readBacks.append(readBack); }
    void commandAcknowledged(RequestButton b, const SentParameter& sent) override
    {
        acknowledged.append({b, sent});
        if (onAcknowledged)
            onAcknowledged(b);
    }

    // The window's click: toggle, then the interlock.
    void click(CommunicationTask& task, RequestButton b)
    {
        down[b] = !down[b];
        task.UpdateCommandButtons(b);
    }
    bool allGroupEnabled() const
    {
        return std::all_of(requests::InPriorityOrder.cbegin(), requests::InPriorityOrder.cend(),
                           [this](RequestButton b) { return !requests::isInGroup(b) || enabled[b]; });
    }

    // Runs at the start of each step, before the task acts: the moment a
    // user's click between two ticks lands.
    std::function<void(int)> onStep;
    std::function<void(RequestButton)> onAcknowledged;
    std::array<bool, RequestButtonCount> down{};
    std::array<bool, RequestButtonCount> enabled{};
    bool enabledOutsideGroup = false;
    CommandParameters parameters;
    SettingsSelection selection{0, 0, 4};
    QList<int> states; // iTP as shown, repeats folded
    bool viewsVisible = false;
    bool commErrorVisible = false;
    int failures = 0;
    QString firmwareText;
    QList<quint32> rejected;
    int polls = 0;
    QList<SettingsReadBack> readBacks;
    QList<std::pair<RequestButton, SentParameter>> acknowledged;
};

} // namespace

class tst_CommunicationTask : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openingIdentifiesPollsAndReadsSettings();
    void noTransmitterKeepsIdentifying();
    void writeTakesSelectionAtSending_data();
    void writeTakesSelectionAtSending();
    void writeWithoutModeItemKeepsModeInRange();
    void resetServedBeforeRead();
    void timedOutRequestIsSentAgain();
    void refusedRequestStaysPendingUntilWithdrawn();
    void withdrawnRequestIsNotSent();
    void withdrawnAfterChosenIsNotSent_data();
    void withdrawnAfterChosenIsNotSent();
    void firmwareOutsideRangeStopsTask();
    void lateAnswerIsIgnored_data();
    void lateAnswerIsIgnored();
    void queryEndingAfterCloseShowsNothing();
    void shortSettingsAnswerFailsTheRead_data();
    void shortSettingsAnswerFailsTheRead();

private:
    void startSim(const SimulatorOptions& options = {}, const DeviceSettings& stored = {});
    void makeTask(QTimer* timer = nullptr);
    // Opens the link with the task on it and waits for the opening's
    // read-back; false (the case is over) when it fails.
    [[nodiscard]] bool openAndReadBack(const QString& path, QTimer* timer);

    std::unique_ptr<SimTransmitter> m_sim;
    std::unique_ptr<PeerTransmitter> m_peer;
    std::unique_ptr<TMB> m_mb;
    std::unique_ptr<FakeTaskHost> m_host;
    std::unique_ptr<QTimer> m_timer;
    std::unique_ptr<CommunicationTask> m_task;
    bool m_specPace = false;
};

void tst_CommunicationTask::initTestCase()
{
    qRegisterMetaType<TMBStatus>();
    NumberFormat::setDecimalSeparator(u'.');
}

void tst_CommunicationTask::init()
{
    m_host = std::make_unique<FakeTaskHost>();
    m_mb = std::make_unique<TMB>();
    m_mb->setMBBaud(baud019200);
    m_timer = std::make_unique<QTimer>();
    m_specPace = false;
}

void tst_CommunicationTask::cleanup()
{
    m_task.reset();
    m_mb.reset();
    m_timer.reset();
    m_sim.reset();
    m_peer.reset();
    m_host.reset();
}

void tst_CommunicationTask::startSim(const SimulatorOptions& options, const DeviceSettings& stored)
{
    m_sim = std::make_unique<SimTransmitter>(options);
    QVERIFY2(m_sim->sim.isValid(), qPrintable(m_sim->sim.errorText()));
    QVERIFY(m_sim->sim.model().writeSettings(stored));
    m_sim->sim.start();
}

void tst_CommunicationTask::makeTask(QTimer* timer)
{
    m_task = std::make_unique<CommunicationTask>(*m_mb, *m_host, timer);
    if (!m_specPace)
        m_task->setIntervals(FastTickMs, FastSendDelayMs);
}

bool tst_CommunicationTask::openAndReadBack(const QString& path, QTimer* timer)
{
    makeTask(timer);
    QString error;
    if (!m_mb->openAction(path, &error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return QTest::qWaitFor([&] { return !m_host->readBacks.isEmpty() || !m_host->rejected.isEmpty(); },
                           WaitMs) &&
           m_host->rejected.isEmpty();
}

void tst_CommunicationTask::openingIdentifiesPollsAndReadsSettings()
{
    startSim({}, testrecords::distinctSettings());
    int checkedAtOpen = 0;
    // After the task's own handler: the read request is down and interlocks the group.
    connect(
        m_mb.get(), &TMB::OnMBPortOpenedOrClosed, m_mb.get(),
        [this, &checkedAtOpen](bool open) {
            if (!open)
                return;
            QVERIFY(m_host->down[rbKVKiolvasas] && m_host->enabled[rbKVKiolvasas]);
            QVERIFY(!m_host->enabled[rbBeallitasokAKVbe]);
            QVERIFY(m_timer->isActive());
            ++checkedAtOpen;
        },
        Qt::QueuedConnection);
    QVERIFY(openAndReadBack(m_sim->sim.devicePath(), m_timer.get()));
    QCOMPARE(checkedAtOpen, 1);

    QTRY_VERIFY_WITH_TIMEOUT(m_host->states.size() >= 10, WaitMs);
    QCOMPARE(m_host->states.mid(0, 10), (QList<int>{1, 2, 10, 11, 90, 91, 10, 11, 10, 11}));
    QCOMPARE(m_host->firmwareText, QStringLiteral("Firmware: v2015-03-25"));
    QVERIFY(m_host->viewsVisible && !m_host->commErrorVisible);
    QVERIFY(!m_host->down[rbKVKiolvasas]);
    QVERIFY(m_host->allGroupEnabled());
    QVERIFY(!m_host->enabledOutsideGroup);

    const CommunicationTaskHost::SettingsReadBack& r = m_host->readBacks.constFirst();
    QCOMPARE(r.wiresIndex, std::optional<int>(1));
    QCOMPARE((QList<int>{r.inputModeIndex, r.averagingIndex, r.outputTypeIndex, r.errorLevelIndex}),
             (QList<int>{2, 5, 1, 1}));
    QVERIFY(r.noErrorOnOverflow);
    // Resistance mode on a Pt100 device: two decimals.
    QCOMPARE((QStringList{r.AramL, r.AramH, r.AramLLimit, r.AramHLimit}),
             (QStringList{"10.50", "250.25", "3.90", "20.25"}));

    m_mb->closeAction();
    QCOMPARE(m_task->iTP(), 0);
    QVERIFY(!m_timer->isActive());
    QVERIFY(!m_host->viewsVisible && !m_host->commErrorVisible);
}

void tst_CommunicationTask::noTransmitterKeepsIdentifying()
{
    m_peer = std::make_unique<PeerTransmitter>();
    m_peer->answers = [](quint8, int) { return false; };
    m_mb->setMBMasterTimeOut(20);
    m_mb->setMBMasterMaxTryNumber(2);
    makeTask();
    QVERIFY(m_mb->openAction(m_peer->peer.devicePath()));

    QTRY_VERIFY_WITH_TIMEOUT(m_host->failures >= 3, WaitMs);
    QVERIFY(m_host->commErrorVisible && !m_host->viewsVisible);
    QVERIFY(m_host->rejected.isEmpty());
    for (int i = 0; i < m_host->states.size(); ++i)
        QCOMPARE(m_host->states.at(i), i % 2 == 0 ? 1 : 2);
    QCOMPARE(requestsOf(m_peer->sent), QList<quint8>());
    QCOMPARE(m_host->polls, 0);
}

void tst_CommunicationTask::writeTakesSelectionAtSending_data()
{
    QTest::addColumn<int>("storedMode");
    QTest::addColumn<int>("wiresIndex");
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<int>("averagingIndex");
    QTest::addColumn<QByteArray>("blockStart");
    QTest::addColumn<int>("averagingReadBack");
    QTest::newRow("2 wires, pot, 64") << 0 << 2 << 1 << 6 << QByteArray("\x02\x01\x40") << 6;
    // Without a mode item the mode the transmitter reports is kept.
    QTest::newRow("no items") << 2 << -1 << -1 << -1 << QByteArray("\x04\x02\x10") << 4;
}

void tst_CommunicationTask::writeTakesSelectionAtSending()
{
    QFETCH(int, storedMode);
    QFETCH(int, wiresIndex);
    QFETCH(int, modeIndex);
    QFETCH(int, averagingIndex);
    QFETCH(QByteArray, blockStart);
    QFETCH(int, averagingReadBack);
    DeviceSettings stored;
    stored.InputMode = quint8(storedMode);
    startSim({}, stored);
    QVERIFY(openAndReadBack(m_sim->sim.devicePath(), m_timer.get()));

    m_task->setCapturedSettings(settingsedit::captureForWrite(1, 1, true, u"12.5", u"99.5", u"4", u"19.75"));
    const qsizetype from = m_sim->sent.size();
    m_host->click(*m_task, rbBeallitasokAKVbe);
    QVERIFY(!m_host->enabled[rbKVKiolvasas]);
    // Taken when the query is built, not at the click.
    m_host->selection = {wiresIndex, modeIndex, averagingIndex};

    QTRY_COMPARE_WITH_TIMEOUT(m_host->readBacks.size(), 2, WaitMs);
    const QList<quint8> sent = commandsOf(m_sim->sent, from);
    const qsizetype write = sent.indexOf(CmdWriteSettings);
    QCOMPARE(sent.mid(write - 1, 4),
             (QList<quint8>{CmdReadLiveValues, CmdWriteSettings, CmdReadLiveValues, CmdReadSettings}));
    const QByteArray block = m_sim->sent.at(from + write).data;
    QCOMPARE(block.size(), SettingsWriteBlockSize);
    QCOMPARE(block.left(3), blockStart);

    QCOMPARE(m_sim->sim.model().settings().fOutputLimitHigh, 19.75f);
    QVERIFY(!m_host->down[rbBeallitasokAKVbe] && !m_host->down[rbKVKiolvasas]);
    QVERIFY(m_host->allGroupEnabled());
    const CommunicationTaskHost::SettingsReadBack& r = m_host->readBacks.constLast();
    QCOMPARE(r.averagingIndex, averagingReadBack);
    QCOMPARE(r.AramHLimit, QStringLiteral("19.75"));
}

// A transmitter reporting a mode outside 0..2 must not get it back in a
// write the user made without choosing a mode: it is brought into range the
// way the read-back selects it.
void tst_CommunicationTask::writeWithoutModeItemKeepsModeInRange()
{
    m_peer = std::make_unique<PeerTransmitter>();
    m_peer->live.uMode = 7;
    QVERIFY(openAndReadBack(m_peer->peer.devicePath(), m_timer.get()));

    m_task->setCapturedSettings(settingsedit::captureForWrite(0, 0, false, u"0", u"100", u"4", u"20"));
    m_host->selection = {0, -1, 4};
    const qsizetype from = m_peer->sent.size();
    m_host->click(*m_task, rbBeallitasokAKVbe);
    QTRY_VERIFY_WITH_TIMEOUT(commandsOf(m_peer->sent, from).contains(CmdWriteSettings), WaitMs);
    const qsizetype write = commandsOf(m_peer->sent, from).indexOf(CmdWriteSettings);
    QCOMPARE(m_peer->sent.at(from + write).data.left(3), QByteArray("\x04\x02\x10"));
}

void tst_CommunicationTask::resetServedBeforeRead()
{
    SimulatorOptions options;
    options.restartSilenceMs = 20;
    startSim(options);
    QVERIFY(openAndReadBack(m_sim->sim.devicePath(), m_timer.get()));

    const qsizetype from = m_sim->sent.size();
    m_host->click(*m_task, rbKVKiolvasas);
    m_host->click(*m_task, rbParancsReset);
    QVERIFY(!m_host->enabled[rbADCal0Ohm]);

    // The read waits for the next live poll, yet the group is free again.
    bool readWaitsInFreeGroup = false;
    m_host->onAcknowledged = [&](RequestButton b) {
        readWaitsInFreeGroup =
            b == rbParancsReset && m_host->down[rbKVKiolvasas] && m_host->allGroupEnabled();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!m_host->down[rbParancsReset], WaitMs);
    QVERIFY(readWaitsInFreeGroup);

    QTRY_COMPARE_WITH_TIMEOUT(m_host->readBacks.size(), 2, WaitMs);
    QCOMPARE(requestsOf(m_sim->sent, from), (QList<quint8>{CmdReset, CmdReadSettings}));
    const QList<quint8> sent = commandsOf(m_sim->sent, from);
    const qsizetype reset = sent.indexOf(CmdReset);
    QCOMPARE(sent.at(reset - 1), quint8(CmdReadLiveValues));
    QVERIFY(sent.mid(reset, sent.indexOf(CmdReadSettings) - reset).contains(CmdReadLiveValues));
}

void tst_CommunicationTask::timedOutRequestIsSentAgain()
{
    m_peer = std::make_unique<PeerTransmitter>();
    m_peer->answers = [](quint8 command, int n) { return !(command == CmdStoreAD0Ohm && n == 1); };
    m_mb->setMBMasterTimeOut(SilenceTimeOutMs);
    m_mb->setMBMasterMaxTryNumber(1);
    QVERIFY(openAndReadBack(m_peer->peer.devicePath(), m_timer.get()));

    m_host->parameters.AD0Ohm = -123456;
    const qsizetype from = m_peer->sent.size();
    m_host->click(*m_task, rbADCal0Ohm);
    QTRY_VERIFY_WITH_TIMEOUT(!m_host->down[rbADCal0Ohm], WaitMs);

    const QList<quint8> sent = commandsOf(m_peer->sent, from);
    const qsizetype first = sent.indexOf(CmdStoreAD0Ohm);
    QCOMPARE(sent.mid(first, 4),
             (QList<quint8>{CmdStoreAD0Ohm, CmdIdentify, CmdReadLiveValues, CmdStoreAD0Ohm}));
    QCOMPARE(qFromLittleEndian<qint32>(m_peer->sent.at(from + first + 3).data.constData()), -123456);
    QCOMPARE(m_host->failures, 1);
    QVERIFY(m_host->allGroupEnabled());
    // Acknowledged once, with what was sent, although sent twice.
    QCOMPARE(m_host->acknowledged.size(), 1);
    QCOMPARE(m_host->acknowledged.constFirst().first, rbADCal0Ohm);
    QCOMPARE(std::get<qint32>(m_host->acknowledged.constFirst().second), -123456);
}

void tst_CommunicationTask::refusedRequestStaysPendingUntilWithdrawn()
{
    SimulatorOptions options;
    options.refusedCommands = {CmdStorePot0};
    startSim(options);
    QVERIFY(openAndReadBack(m_sim->sim.devicePath(), m_timer.get()));

    const qsizetype from = m_sim->sent.size();
    m_host->click(*m_task, rbPotiCal0);
    // Withdrawn while the second refusal is on its way.
    m_host->onStep = [&](int) {
        if (m_host->down[rbPotiCal0] && requestsOf(m_sim->sent, from).size() == 2)
            m_host->click(*m_task, rbPotiCal0);
    };
    QTRY_VERIFY_WITH_TIMEOUT(!m_host->down[rbPotiCal0], WaitMs);
    QVERIFY(m_host->allGroupEnabled());
    const QList<quint8> sent = commandsOf(m_sim->sent, from);
    const qsizetype first = sent.indexOf(CmdStorePot0);
    QCOMPARE(sent.mid(first, 4), (QList<quint8>{CmdStorePot0, CmdIdentify, CmdReadLiveValues, CmdStorePot0}));

    const int polls = m_host->polls;
    QTRY_VERIFY_WITH_TIMEOUT(m_host->polls >= polls + 3, WaitMs);
    QCOMPARE(requestsOf(m_sim->sent, from).size(), 2);
    QVERIFY(m_host->failures >= 2);
    QVERIFY(m_host->viewsVisible);
}

void tst_CommunicationTask::withdrawnRequestIsNotSent()
{
    startSim();
    QVERIFY(openAndReadBack(m_sim->sim.devicePath(), m_timer.get()));

    const qsizetype from = m_sim->sent.size();
    m_host->click(*m_task, rbR3WOffszet);
    QVERIFY(!m_host->enabled[rbPotiCal0]);
    m_host->click(*m_task, rbR3WOffszet);
    QVERIFY(m_host->allGroupEnabled());
    const int polls = m_host->polls;
    QTRY_VERIFY_WITH_TIMEOUT(m_host->polls >= polls + 3, WaitMs);
    QCOMPARE(requestsOf(m_sim->sent, from), QList<quint8>());
}

void tst_CommunicationTask::withdrawnAfterChosenIsNotSent_data()
{
    QTest::addColumn<int>("request");
    QTest::newRow("erase") << int(rbParancsEEPROMTorles);
    QTest::newRow("write") << int(rbBeallitasokAKVbe);
    QTest::newRow("three-wire offset") << int(rbR3WOffszet);
}

void tst_CommunicationTask::withdrawnAfterChosenIsNotSent()
{
    QFETCH(int, request);
    const RequestButton button = RequestButton(request);
    startSim();
    QVERIFY(openAndReadBack(m_sim->sim.devicePath(), m_timer.get()));

    // The live answer has already picked the send state; the user releases
    // the button before the tick that would send it.
    bool released = false;
    m_host->onStep = [&](int iTP) {
        if (iTP == requests::sendState(button) && m_host->down[button]) {
            m_host->click(*m_task, button);
            released = true;
        }
    };
    const qsizetype from = m_sim->sent.size();
    m_host->click(*m_task, button);
    QTRY_VERIFY_WITH_TIMEOUT(released, WaitMs);
    const int polls = m_host->polls;
    QTRY_VERIFY_WITH_TIMEOUT(m_host->polls >= polls + 3, WaitMs);
    QCOMPARE(requestsOf(m_sim->sent, from), QList<quint8>());
    QVERIFY(m_host->allGroupEnabled());
}

void tst_CommunicationTask::firmwareOutsideRangeStopsTask()
{
    SimulatorOptions options;
    options.firmwareVersion = 20150326;
    startSim(options);
    m_specPace = true;
    makeTask(m_timer.get());
    QVERIFY(m_mb->openAction(m_sim->sim.devicePath()));

    QTRY_COMPARE_WITH_TIMEOUT(m_host->rejected, QList<quint32>{20150326}, WaitMs);
    QCOMPARE(m_host->firmwareText, QStringLiteral("Firmware: v2015-03-26"));
    QCOMPARE(m_task->iTP(), 0);
    QVERIFY(!m_timer->isActive());
    QCOMPARE(m_timer->interval(), 100);
    QCOMPARE(commandsOf(m_sim->sent), QList<quint8>{CmdIdentify});
}

void tst_CommunicationTask::lateAnswerIsIgnored_data()
{
    QTest::addColumn<bool>("answeredAfterLateBlock");
    QTest::addColumn<int>("lateStatus");
    QTest::newRow("identification answered after it") << true << 0;
    QTest::newRow("identification never answered") << false << 0;
    QTest::newRow("late refusal, identification answered") << true << int(DeviceRefusalStatus);
}

// The first live poll times out and its answer arrives while the task waits
// for the next identification; read as a firmware version, its first four
// bytes would be rejected. Nor is a late refusal the identification's.
void tst_CommunicationTask::lateAnswerIsIgnored()
{
    QFETCH(bool, answeredAfterLateBlock);
    QFETCH(int, lateStatus);
    m_peer = std::make_unique<PeerTransmitter>();
    m_peer->live.ADRaw = 20990101;
    PeerTransmitter* peer = m_peer.get();
    peer->answers = [=](quint8 command, int n) {
        if (command == CmdReadLiveValues)
            return n > 1;
        return !(command == CmdIdentify && n == 2 && !answeredAfterLateBlock);
    };
    const QByteArray late = lateStatus == 0
                                ? peer->answer(CmdReadLiveValues)
                                : slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId,
                                                            CmdReadLiveValues, quint8(lateStatus), {});
    peer->before = [=](quint8 command, int n) {
        return command == CmdIdentify && n == 2 ? late : QByteArray();
    };
    m_mb->setMBMasterTimeOut(SilenceTimeOutMs);
    m_mb->setMBMasterMaxTryNumber(1);
    QVERIFY(openAndReadBack(peer->peer.devicePath(), m_timer.get()));

    QCOMPARE(m_task->liveValues().FirmwareVersion, quint32(20150325));
    QList<quint8> expected{CmdIdentify, CmdReadLiveValues, CmdIdentify};
    if (!answeredAfterLateBlock)
        expected.append(CmdIdentify);
    expected.append(CmdReadLiveValues);
    QCOMPARE(commandsOf(peer->sent).mid(0, expected.size()), expected);
    QCOMPARE(m_host->failures, answeredAfterLateBlock ? 1 : 2);
}

// A query prepared just before the port closes ends afterwards with
// stClosedPort; the stopped task shows nothing for it.
void tst_CommunicationTask::queryEndingAfterCloseShowsNothing()
{
    startSim();
    QVERIFY(openAndReadBack(m_sim->sim.devicePath(), m_timer.get()));

    // Whether the live query is still due or already waits for its answer,
    // a query goes out on the closed port 50 ms after the close.
    QTRY_COMPARE_WITH_TIMEOUT(m_task->iTP(), 11, WaitMs);
    QSignalSpy ends(m_mb.get(), &TMB::OnMBMasterEndOfEvent);
    m_mb->closeAction();
    const qsizetype endsAtClose = ends.size();
    QTRY_VERIFY_WITH_TIMEOUT(ends.size() > endsAtClose, WaitMs);
    QCOMPARE(ends.constLast().at(0).value<TMBStatus>(), stClosedPort);
    QVERIFY(!m_host->commErrorVisible && !m_host->viewsVisible);
    QCOMPARE(m_task->iTP(), 0);
}

void tst_CommunicationTask::shortSettingsAnswerFailsTheRead_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("no data") << 0;
    QTest::newRow("one byte short") << SettingsReadBlockSize - 1;
}

// Acknowledged, but without the whole block: shown as a failure, nothing
// applied, and the read goes out again for the real values.
void tst_CommunicationTask::shortSettingsAnswerFailsTheRead()
{
    QFETCH(int, length);
    m_peer = std::make_unique<PeerTransmitter>();
    PeerTransmitter* peer = m_peer.get();
    peer->stored = testrecords::distinctSettings();
    peer->answers = [](quint8 command, int n) { return !(command == CmdReadSettings && n == 1); };
    peer->before = [=](quint8 command, int n) {
        const QByteArray block = slaveblocks::encodeSettingsReadBlock(peer->stored).left(length);
        return command == CmdReadSettings && n == 1
                   ? slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId, command, 0, block)
                   : QByteArray();
    };
    QVERIFY(openAndReadBack(peer->peer.devicePath(), m_timer.get()));

    QCOMPARE(m_host->failures, 1);
    QCOMPARE(requestsOf(peer->sent), (QList<quint8>{CmdReadSettings, CmdReadSettings}));
    QCOMPARE(m_host->readBacks.size(), 1);
    QCOMPARE(m_host->readBacks.constFirst().settings.fScaleHigh, peer->stored.fScaleHigh);
}

QTEST_GUILESS_MAIN(tst_CommunicationTask)
#include "tst_communication_task.moc"
