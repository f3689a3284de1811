#include "device/device_protocol.h"
#include "link/tmb.h"
#include "sim/slave_blocks.h"
#include "sim/virtual_transmitter.h"
#include "tests/support/device_records.h"
#include "tests/support/scripted_peer.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <functional>

// The link engine as master against the virtual transmitter, over a real
// pseudo-terminal at 19200 baud in ASCII framing.
class tst_SimEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void blockLayoutsAgree();
    void identifyCarriesFirmware_data();
    void identifyCarriesFirmware();
    void pollLiveValues();
    void writeSettingsAndReadThemBack();
    void refusedCommandIsSlaveError();
    void droppedAnswerIsResent();
    void corruptAnswersTimeOut();
    void restartGoesSilentThenAnswers();
    void eraseShowsUncalibrated();
    void calibrationStoresShowInLiveBlock();
    void runsOnItsOwnThread();

private:
    void startTransmitter(const SimulatorOptions& options);
    // One transaction; the status it ended with.
    TMBStatus transact(quint8 command, const std::function<void(TMB&)>& encode = {});
    LiveValues poll(quint8 page = cpNone, quint16 pwm = 0);

    std::unique_ptr<VirtualTransmitter> m_sim;
    std::unique_ptr<TMB> m_mb;
};

void tst_SimEndToEnd::initTestCase()
{
    qRegisterMetaType<TMBStatus>();
}

void tst_SimEndToEnd::cleanup()
{
    m_mb.reset();
    m_sim.reset();
}

void tst_SimEndToEnd::startTransmitter(const SimulatorOptions& options)
{
    m_sim = std::make_unique<VirtualTransmitter>(options);
    QVERIFY2(m_sim->isValid(), qPrintable(m_sim->errorText()));
    m_sim->start();
    m_mb = std::make_unique<TMB>();
    m_mb->setMBBaud(baud019200);
    QCOMPARE(m_mb->MBMode(), modeASCIIMaster);
    QString error;
    QVERIFY2(m_mb->openAction(m_sim->devicePath(), &error), qPrintable(error));
}

TMBStatus tst_SimEndToEnd::transact(quint8 command, const std::function<void(TMB&)>& encode)
{
    PrepareDeviceQuery(*m_mb, command);
    if (encode)
        encode(*m_mb);
    QSignalSpy spy(m_mb.get(), &TMB::OnMBMasterEndOfEvent);
    m_mb->MBSend(0);
    const int limitMs = (m_mb->MBMasterTimeOut() + 200) * m_mb->MBMasterMaxTryNumber() + 5000;
    if (spy.isEmpty() && !spy.wait(limitMs))
        return stClosedPort;
    return spy.constFirst().at(0).value<TMBStatus>();
}

LiveValues tst_SimEndToEnd::poll(quint8 page, quint16 pwm)
{
    LiveValues values;
    if (transact(CmdReadLiveValues, [&](TMB& mb) { EncodeLiveQuery(mb, page, pwm); }) == stOK)
        DecodeLiveValues(*m_mb, values);
    return values;
}

// The transmitter's block writers against the configurator's decoders, with
// a distinct value in every field.
void tst_SimEndToEnd::blockLayoutsAgree()
{
    const LiveValues sent = testrecords::distinctLiveValues();
    DeviceSettings settings = testrecords::distinctSettings();

    ScriptedPeer peer;
    QVERIFY(peer.isValid());
    peer.setResponder([&](const QByteArray& query) {
        const quint8 command = quint8(QByteArray::fromHex(query.mid(5, 2)).at(0));
        const QByteArray data = command == CmdReadLiveValues ? slaveblocks::encodeLiveValues(sent)
                                                             : slaveblocks::encodeSettingsReadBlock(settings);
        return slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId, command, 0, data);
    });
    m_mb = std::make_unique<TMB>();
    m_mb->setMBBaud(baud019200);
    QVERIFY(m_mb->openAction(peer.devicePath()));

    QCOMPARE(transact(CmdReadLiveValues, [](TMB& mb) { EncodeLiveQuery(mb, 0, 0); }), stOK);
    LiveValues received;
    DecodeLiveValues(*m_mb, received);
    QCOMPARE(received, sent);

    QCOMPARE(transact(CmdReadSettings), stOK);
    settings.Wires = sent.uWiresSetting;
    settings.InputMode = sent.uMode;
    QCOMPARE(DecodeSettings(*m_mb, sent), settings);

    PrepareDeviceQuery(*m_mb, CmdWriteSettings);
    EncodeSettings(*m_mb, settings);
    const std::optional<DeviceSettings> written = slaveblocks::decodeSettingsWriteBlock(m_mb->txData());
    QVERIFY(written.has_value());
    QCOMPARE(*written, settings);
    QVERIFY(!slaveblocks::decodeSettingsWriteBlock(m_mb->txData().left(SettingsWriteBlockSize - 1)));
    m_mb.reset();
}

// Versions other than the default, on either side of the accepted range's end.
void tst_SimEndToEnd::identifyCarriesFirmware_data()
{
    QTest::addColumn<quint32>("version");
    QTest::newRow("20150324") << quint32(20150324);
    QTest::newRow("20150326") << quint32(20150326);
}

void tst_SimEndToEnd::identifyCarriesFirmware()
{
    QFETCH(quint32, version);
    SimulatorOptions options;
    options.firmwareVersion = version;
    startTransmitter(options);
    QCOMPARE(transact(CmdIdentify), stOK);
    QCOMPARE(m_mb->MBReceivedDataNumber(), quint16(4));
    QCOMPARE(DecodeFirmwareVersion(*m_mb), version);
}

void tst_SimEndToEnd::pollLiveValues()
{
    SimulatorOptions options;
    options.pt1000 = true;
    options.voltageOutput = true;
    startTransmitter(options);

    const LiveValues first = poll();
    QCOMPARE(m_mb->MBStatus(), stOK);
    QCOMPARE(m_mb->MBReceivedDataNumber(), quint16(LiveValuesBlockSize));
    QCOMPARE(first.bPt1000, true);
    QCOMPARE(first.bVoltageOutput, true);
    QCOMPARE(first.uWiresSetting, quint8(4));
    QCOMPARE(first.uMode, quint8(0));
    QCOMPARE(first.uStatusBits, quint16(0));
    QVERIFY2(first.fInput > 15.0f && first.fInput < 28.0f, qPrintable(QString::number(first.fInput)));
    QVERIFY(first.fCalculatedR > 1050.0f && first.fCalculatedR < 1110.0f);
    QVERIFY(first.fOutput > 0.0f && first.fOutput < 10.25f);

    // The transmitter keeps running between polls: its counters move on.
    LiveValues later;
    QTRY_VERIFY_WITH_TIMEOUT((later = poll()).uCounterSecAfterReset >= first.uCounterSecAfterReset + 1,
                             10000);
    QCOMPARE(later.ADSpS, quint8(50));
    QVERIFY(later.uCountOfNewInputValue != first.uCountOfNewInputValue);
}

void tst_SimEndToEnd::writeSettingsAndReadThemBack()
{
    startTransmitter(SimulatorOptions());
    const LiveValues live = poll();
    QCOMPARE(transact(CmdReadSettings), stOK);
    QCOMPARE(DecodeSettings(*m_mb, live), DeviceSettings::factoryDefaults(false));

    const DeviceSettings wanted = testrecords::distinctSettings();
    QCOMPARE(transact(CmdWriteSettings, [&](TMB& mb) { EncodeSettings(mb, wanted); }), stOK);
    QCOMPARE(m_mb->MBDataNumberToSend(), quint16(SettingsWriteBlockSize));

    const LiveValues after = poll();
    QCOMPARE(after.uWiresSetting, quint8(3));
    QCOMPARE(after.uMode, quint8(2));
    QCOMPARE(transact(CmdReadSettings), stOK);
    QCOMPARE(m_mb->MBReceivedDataNumber(), quint16(SettingsReadBlockSize));
    QCOMPARE(DecodeSettings(*m_mb, after), wanted);
}

void tst_SimEndToEnd::refusedCommandIsSlaveError()
{
    SimulatorOptions options;
    options.refusedCommands = {CmdWriteSettings};
    startTransmitter(options);
    QCOMPARE(transact(CmdWriteSettings, [](TMB& mb) { EncodeSettings(mb, DeviceSettings()); }), stSlaveError);
    QCOMPARE(m_mb->MBStatusString(), QStringLiteral("Slave Error: #254"));
    // Other commands still work.
    QCOMPARE(transact(CmdIdentify), stOK);
}

void tst_SimEndToEnd::droppedAnswerIsResent()
{
    SimulatorOptions options;
    options.dropEvery = 2;
    startTransmitter(options);
    m_mb->setMBMasterTimeOut(150);

    QCOMPARE(transact(CmdIdentify), stOK);
    QCOMPARE(m_mb->MBMasterTryNumber(), quint8(1));
    // The second query is lost; its resend is the third and is answered.
    QCOMPARE(transact(CmdIdentify), stOK);
    QCOMPARE(m_mb->MBMasterTryNumber(), quint8(2));
    QCOMPARE(DecodeFirmwareVersion(*m_mb), quint32(20150325));
    QCOMPARE(m_sim->queryCount(), quint32(3));
    QCOMPARE(m_sim->answerCount(), quint32(2));
}

void tst_SimEndToEnd::corruptAnswersTimeOut()
{
    SimulatorOptions options;
    options.corruptRate = 1.0;
    startTransmitter(options);
    m_mb->setMBMasterTimeOut(100);
    m_mb->setMBMasterMaxTryNumber(2);
    QCOMPARE(transact(CmdIdentify), stTimeOut);
    QCOMPARE(m_sim->queryCount(), quint32(2));
    QCOMPARE(m_sim->answerCount(), quint32(2));
}

void tst_SimEndToEnd::restartGoesSilentThenAnswers()
{
    startTransmitter(SimulatorOptions());
    QTRY_VERIFY_WITH_TIMEOUT(poll().uCounterSecAfterReset >= 1, 10000);

    QSignalSpy restarted(m_sim.get(), &VirtualTransmitter::restarted);
    QCOMPARE(transact(CmdReset), stOK);
    m_mb->setMBMasterTimeOut(100);
    m_mb->setMBMasterMaxTryNumber(1);
    QCOMPARE(transact(CmdIdentify), stTimeOut);

    // Like the communication task: identify again until it answers.
    QTRY_VERIFY_WITH_TIMEOUT(transact(CmdIdentify) == stOK, 10000);
    QVERIFY(restarted.count() == 1);
    const LiveValues v = poll();
    QCOMPARE(m_mb->MBStatus(), stOK);
    QVERIFY2(v.uCounterSecAfterReset <= 1, qPrintable(QString::number(v.uCounterSecAfterReset)));
}

void tst_SimEndToEnd::eraseShowsUncalibrated()
{
    startTransmitter(SimulatorOptions());
    QCOMPARE(transact(CmdWriteSettings,
                      [](TMB& mb) {
                          DeviceSettings s;
                          s.Averaging = 2;
                          EncodeSettings(mb, s);
                      }),
             stOK);
    QCOMPARE(poll().uStatusBits, quint16(0));

    QSignalSpy restarted(m_sim.get(), &VirtualTransmitter::restarted);
    QCOMPARE(transact(CmdEraseEEPROM), stOK);
    QVERIFY(restarted.wait(10000));
    const LiveValues v = poll();
    QVERIFY(v.hasStatus(StatusBit::bUncalInput));
    QCOMPARE(transact(CmdReadSettings), stOK);
    QCOMPARE(DecodeSettings(*m_mb, v).Averaging, quint8(16));
}

void tst_SimEndToEnd::calibrationStoresShowInLiveBlock()
{
    startTransmitter(SimulatorOptions());
    m_sim->model().eraseMemory();
    QCOMPARE(transact(CmdStorePot0, [](TMB& mb) { EncodeStorePot0(mb, 12.5f); }), stOK);
    QCOMPARE(transact(CmdStorePot100, [](TMB& mb) { EncodeStorePot100(mb, 380.0f); }), stOK);
    QCOMPARE(transact(CmdStore2WireR, [](TMB& mb) { EncodeStore2WireR(mb, 1.25f); }), stOK);
    QCOMPARE(transact(CmdStore3WireOffset, [](TMB& mb) { EncodeStore3WireOffset(mb, 0.5f); }), stOK);
    QCOMPARE(transact(CmdStorePWM4mA, [](TMB& mb) { EncodeStorePWM4mA(mb, 11600); }), stOK);
    QCOMPARE(transact(CmdStorePWM20mA, [](TMB& mb) { EncodeStorePWM20mA(mb, 58100); }), stOK);
    LiveValues v = poll();
    QCOMPARE(v.fPotCal0R, 12.5f);
    QCOMPARE(v.fPotCal100R, 380.0f);
    QCOMPARE(v.f2WireR, 1.25f);
    QVERIFY(!v.hasStatus(StatusBit::bUncal3WOffset));
    QVERIFY(!v.hasStatus(StatusBit::bUncalOutput));
    QVERIFY(v.hasStatus(StatusBit::bUncalInput));

    QCOMPARE(transact(CmdStoreAD0Ohm, [](TMB& mb) { EncodeStoreAD0Ohm(mb, 1187); }), stOK);
    QCOMPARE(transact(CmdStoreAD490Ohm, [](TMB& mb) { EncodeStoreAD490Ohm(mb, 1803411); }), stOK);
    QCOMPARE(transact(CmdStore2WireZero, [](TMB& mb) { EncodeStore2WireZero(mb); }), stOK);
    v = poll(cpAnalogOutput, 40000);
    QVERIFY(!v.hasStatus(StatusBit::bUncalInput));
    QCOMPARE(v.f2WireR, 0.0f);
    QCOMPARE(v.PWM, quint16(40000));
    QCOMPARE(v.enuCalMode, quint8(cpAnalogOutput));
}

void tst_SimEndToEnd::runsOnItsOwnThread()
{
    QThread thread;
    auto* sim = new VirtualTransmitter(SimulatorOptions());
    QVERIFY(sim->isValid());
    const QString path = sim->devicePath();
    sim->moveToThread(&thread);
    connect(&thread, &QThread::finished, sim, &QObject::deleteLater);
    thread.start();
    QMetaObject::invokeMethod(sim, &VirtualTransmitter::start, Qt::QueuedConnection);

    m_mb = std::make_unique<TMB>();
    m_mb->setMBBaud(baud019200);
    QVERIFY(m_mb->openAction(path));
    QCOMPARE(transact(CmdIdentify), stOK);
    QCOMPARE(DecodeFirmwareVersion(*m_mb), quint32(20150325));
    QVERIFY(poll().uWiresSetting == 4);

    QMetaObject::invokeMethod(sim, &VirtualTransmitter::stop, Qt::BlockingQueuedConnection);
    thread.quit();
    QVERIFY(thread.wait(5000));
}

QTEST_GUILESS_MAIN(tst_SimEndToEnd)
#include "tst_sim_end_to_end.moc"
