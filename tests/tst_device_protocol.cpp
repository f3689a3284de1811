#include "device/device_command.h"
#include "device/device_protocol.h"
#include "device/firmware_version.h"
#include "device/settings_mapping.h"
#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "link/tmb.h"
#include "tests/support/device_records.h"
#include "tests/support/scripted_peer.h"

#include <QSignalSpy>
#include <QTest>

#include <bit>
#include <functional>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

void le(QByteArray& out, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

void leFloat(QByteArray& out, float value)
{
    le(out, std::bit_cast<quint32>(value), 4);
}

QByteArray answerLine(quint8 command, QByteArrayView data, quint8 status = 0)
{
    QByteArray body;
    body.append(char(DeviceAddress));
    body.append(char(DeviceFunctionId));
    body.append(char(command));
    body.append(char(status));
    body.append(data.data(), data.size());
    return frame::asciiEncode('S', frame::withCrc(body));
}

} // namespace

class tst_DeviceProtocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void prepareSetsHeaderAndClearsData();
    void liveQueryBlock();
    void settingsWriteBlock();
    void wireIndexGivesFirstByte_data();
    void wireIndexGivesFirstByte();
    void calibrationEncoders_data();
    void calibrationEncoders();

    void liveValuesDecodeEveryField();
    void adRawEdges_data();
    void adRawEdges();
    void firmwareAnswer();
    void shortAnswerReadsZeroWithoutAdvancing();
    void settingsAnswerWithOddAveraging();

    void firmwareRange_data();
    void firmwareRange();
    void wiresMapping_data();
    void wiresMapping();
    void averagingMapping_data();
    void averagingMapping();
    void choiceMappings_data();
    void choiceMappings();
    void commandBlocks_data();
    void commandBlocks();
    void onlyListedCodesAreCommands();

private:
    // Sends `command` with the peer answering `data`; true when it ended stOK.
    bool exchange(quint8 command, const QByteArray& data);

    std::unique_ptr<ScriptedPeer> m_peer;
    std::unique_ptr<TMB> m_mb;
};

void tst_DeviceProtocol::initTestCase()
{
    qRegisterMetaType<TMBStatus>();
}

void tst_DeviceProtocol::init()
{
    m_peer = std::make_unique<ScriptedPeer>();
    QVERIFY(m_peer->isValid());
    m_mb = std::make_unique<TMB>();
    m_mb->setMBBaud(baud019200);
    QString error;
    QVERIFY2(m_mb->openAction(m_peer->devicePath(), &error), qPrintable(error));
}

void tst_DeviceProtocol::cleanup()
{
    m_mb.reset();
    m_peer.reset();
}

bool tst_DeviceProtocol::exchange(quint8 command, const QByteArray& data)
{
    m_peer->setResponder([command, data](const QByteArray&) { return answerLine(command, data); });
    PrepareDeviceQuery(*m_mb, command);
    QSignalSpy spy(m_mb.get(), &TMB::OnMBMasterEndOfEvent);
    m_mb->MBSend(0);
    if (spy.isEmpty() && !spy.wait(5000))
        return false;
    return spy.constFirst().at(0).value<TMBStatus>() == stOK;
}

// --- Encoding ----------------------------------------------------------------

void tst_DeviceProtocol::prepareSetsHeaderAndClearsData()
{
    TMB mb;
    mb.MBPutCardinal(0xDEADBEEF);
    PrepareDeviceQuery(mb, CmdWriteSettings);
    QCOMPARE(mb.MBMasterAddressToSlave(), quint8(1));
    QCOMPARE(mb.MBMasterIDToSlave(), quint8(34));
    QCOMPARE(mb.MBMasterCommandToSlave(), quint8(9));
    QCOMPARE(mb.MBDataNumberToSend(), quint16(0));
    QCOMPARE(mb.MBMBTXDataBufferIndex(), quint16(1));
}

void tst_DeviceProtocol::liveQueryBlock()
{
    TMB mb;
    PrepareDeviceQuery(mb, CmdReadLiveValues);
    EncodeLiveQuery(mb, cpAnalogOutput, 0xBEEF);
    QCOMPARE(mb.txData(), hex("03EFBE"));
    QCOMPARE(int(mb.MBDataNumberToSend()), LiveQueryBlockSize);
}

void tst_DeviceProtocol::settingsWriteBlock()
{
    TMB mb;
    PrepareDeviceQuery(mb, CmdWriteSettings);
    EncodeSettings(mb, testrecords::distinctSettings());
    const QByteArray data = mb.txData();
    QCOMPARE(data.size(), SettingsWriteBlockSize);
    QCOMPARE(data.left(6), hex("030220000101"));
    QCOMPARE(data.mid(6, 4), hex("00002841"));  // 10.5
    QCOMPARE(data.mid(10, 4), hex("00407A43")); // 250.25
    QCOMPARE(data.mid(14, 4), hex("9A997940")); // 3.9
    QCOMPARE(data.mid(18, 4), hex("0000A241")); // 20.25, least significant byte first
}

void tst_DeviceProtocol::wireIndexGivesFirstByte_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("firstByte");
    QTest::newRow("index 0 sends 4") << 0 << 4;
    QTest::newRow("index 1 sends 3") << 1 << 3;
    QTest::newRow("index 2 sends 2") << 2 << 2;
    QTest::newRow("no selection sends 4") << -1 << 4;
}

void tst_DeviceProtocol::wireIndexGivesFirstByte()
{
    QFETCH(int, index);
    QFETCH(int, firstByte);
    DeviceSettings s;
    s.Wires = settingsmap::wiresForIndex(index);
    TMB mb;
    PrepareDeviceQuery(mb, CmdWriteSettings);
    EncodeSettings(mb, s);
    QCOMPARE(int(quint8(mb.txData().at(0))), firstByte);
}

void tst_DeviceProtocol::calibrationEncoders_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("AD 0 ohm, -2") << 0 << hex("FEFFFFFF");
    QTest::newRow("AD 490 ohm") << 1 << hex("40771B00"); // 1800000
    QTest::newRow("3-wire offset 0.5") << 2 << hex("0000003F");
    QTest::newRow("PWM 4 mA") << 3 << hex("662D"); // 11622
    QTest::newRow("PWM 20 mA") << 4 << hex("FFFF");
    QTest::newRow("pot 0 %") << 5 << hex("00007041");   // 15.0
    QTest::newRow("pot 100 %") << 6 << hex("0000C043"); // 384.0
    QTest::newRow("2-wire R") << 7 << hex("CDCC8C3F");  // 1.1
    QTest::newRow("2-wire zero") << 8 << hex("00000000");
}

void tst_DeviceProtocol::calibrationEncoders()
{
    QFETCH(int, which);
    QFETCH(QByteArray, expected);
    const std::function<void(TMB&)> encoders[] = {
        [](TMB& mb) { EncodeStoreAD0Ohm(mb, -2); },        [](TMB& mb) { EncodeStoreAD490Ohm(mb, 1800000); },
        [](TMB& mb) { EncodeStore3WireOffset(mb, 0.5f); }, [](TMB& mb) { EncodeStorePWM4mA(mb, 11622); },
        [](TMB& mb) { EncodeStorePWM20mA(mb, 65535); },    [](TMB& mb) { EncodeStorePot0(mb, 15.0f); },
        [](TMB& mb) { EncodeStorePot100(mb, 384.0f); },    [](TMB& mb) { EncodeStore2WireR(mb, 1.1f); },
        [](TMB& mb) { EncodeStore2WireZero(mb); },
    };
    TMB mb;
    PrepareDeviceQuery(mb, CmdStoreAD0Ohm);
    encoders[which](mb);
    QCOMPARE(mb.txData(), expected);
}

// --- Decoding real answers -----------------------------------------------------

void tst_DeviceProtocol::liveValuesDecodeEveryField()
{
    // The block laid out by hand, field by field, from the shared record.
    const LiveValues expected = testrecords::distinctLiveValues();
    QByteArray d;
    le(d, quint32(expected.ADRaw), 4);
    le(d, quint32(expected.ADAveraged), 4);
    le(d, quint32(expected.ADAveraged2), 4);
    d.append(char(expected.ADSpS));
    le(d, expected.uStatusBits, 2);
    d.append(char(expected.uWiresSetting));
    d.append(char(expected.uMode));
    d.append(char(7)); // bVoltageOutput, true: any non-zero is true
    d.append(char(expected.uAfterWriteOKbits1));
    leFloat(d, expected.fInput);
    d.append(char(expected.bPt1000));
    leFloat(d, expected.fCalculatedR);
    leFloat(d, expected.fCalculatedRWithoutCompensation);
    d.append(char(expected.enuCalMode));
    d.append(char(expected.uWires));
    d.append(char(expected.uCRCOKbits1));
    d.append(char(expected.uAfterWriteOKbits2));
    d.append(char(expected.uCRCOKbits2));
    le(d, expected.PWM, 2);
    leFloat(d, expected.fPotCal0R);
    leFloat(d, expected.fPotCal100R);
    leFloat(d, expected.f2WireR);
    d.append(char(expected.uErrorNumber));
    leFloat(d, expected.fOutput);
    d.append(char(expected.uADCRestartNumber));
    d.append(char(expected.uCountOfNewInputValue));
    d.append(char(expected.uPWMITPerSec));
    d.append(char(expected.uCounterSecAfterReset));
    QCOMPARE(d.size(), LiveValuesBlockSize);
    QCOMPARE(d.left(4), hex("0100E0FF")); // ADRaw -2097151, least significant byte first

    QVERIFY(exchange(CmdReadLiveValues, d));
    LiveValues v;
    v.FirmwareVersion = 20150325;
    DecodeLiveValues(*m_mb, v);

    QVERIFY(v.hasStatus(StatusBit::ADUnderFlow));
    QVERIFY(v.hasStatus(StatusBit::bPWMITNotOK));
    QVERIFY(!v.hasStatus(StatusBit::bOpenError));
    QCOMPARE(v.FirmwareVersion, quint32(20150325)); // not in the block: left as it was
    v.FirmwareVersion = 0;
    QCOMPARE(v, expected);
    QCOMPARE(int(m_mb->MBMBRXDataBufferIndex()), LiveValuesBlockSize + 1);
}

void tst_DeviceProtocol::adRawEdges_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint32>("adRaw");
    QTest::newRow("01 00 00 00") << hex("01000000") << qint32(1);
    QTest::newRow("FF FF FF FF") << hex("FFFFFFFF") << qint32(-1);
    QTest::newRow("00 00 00 80") << hex("00000080") << qint32(INT32_MIN);
}

void tst_DeviceProtocol::adRawEdges()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint32, adRaw);
    QVERIFY(exchange(CmdReadLiveValues, bytes + QByteArray(LiveValuesBlockSize - 4, '\0')));
    LiveValues v;
    DecodeLiveValues(*m_mb, v);
    QCOMPARE(v.ADRaw, adRaw);
}

void tst_DeviceProtocol::firmwareAnswer()
{
    QVERIFY(exchange(CmdIdentify, hex("35783301")));
    QCOMPARE(DecodeFirmwareVersion(*m_mb), quint32(20150325));
}

void tst_DeviceProtocol::shortAnswerReadsZeroWithoutAdvancing()
{
    QVERIFY(exchange(CmdIdentify, hex("3578")));
    QCOMPARE(DecodeFirmwareVersion(*m_mb), quint32(0));
    QCOMPARE(m_mb->MBMBRXDataBufferIndex(), quint16(1));

    // A live block cut after six bytes: ADRaw is whole, the next two i32
    // fields read 0 in place, so ADSpS takes byte 5.
    QVERIFY(exchange(CmdReadLiveValues, hex("070000003201")));
    LiveValues v;
    DecodeLiveValues(*m_mb, v);
    QCOMPARE(v.ADRaw, 7);
    QCOMPARE(v.ADAveraged, 0);
    QCOMPARE(v.ADAveraged2, 0);
    QCOMPARE(v.ADSpS, quint8(0x32));
    QCOMPARE(v.uStatusBits, quint16(0));
    QCOMPARE(v.uWiresSetting, quint8(1));
    QCOMPARE(v.bVoltageOutput, false);
    QCOMPARE(v.fOutput, 0.0f);
    QCOMPARE(m_mb->MBMBRXDataBufferIndex(), quint16(7));
}

void tst_DeviceProtocol::settingsAnswerWithOddAveraging()
{
    QByteArray d;
    d.append(char(3)); // averaging 3 is no power of two
    d.append(char(0));
    d.append(char(1));
    d.append(char(1));
    leFloat(d, 0.0f);
    leFloat(d, 100.0f);
    leFloat(d, 0.0f);
    leFloat(d, 10.25f);
    QCOMPARE(d.size(), SettingsReadBlockSize);
    QVERIFY(exchange(CmdReadSettings, d));

    LiveValues latest;
    latest.uWiresSetting = 2;
    latest.uMode = 1;
    const DeviceSettings s = DecodeSettings(*m_mb, latest);
    QCOMPARE(s.Wires, quint8(2));
    QCOMPARE(s.InputMode, quint8(1));
    QCOMPARE(s.Averaging, quint8(3));
    QCOMPARE(s.bOutputLiveZero, false);
    QCOMPARE(s.bErrorLevelHigh, true);
    QCOMPARE(s.bNoErrorOnOverflow, true);
    QCOMPARE(s.fScaleHigh, 100.0f);
    QCOMPARE(s.fOutputLimitHigh, 10.25f);

    // The window shows no averaging item; writing in that state sends 16.
    const int averagingIndex = settingsmap::indexForAveraging(s.Averaging);
    QCOMPARE(averagingIndex, -1);
    DeviceSettings toWrite = s;
    toWrite.Averaging = settingsmap::averagingForIndex(averagingIndex);
    TMB mb;
    PrepareDeviceQuery(mb, CmdWriteSettings);
    EncodeSettings(mb, toWrite);
    QCOMPARE(int(quint8(mb.txData().at(2))), 16);
}

// --- Firmware and mapping --------------------------------------------------------

void tst_DeviceProtocol::firmwareRange_data()
{
    QTest::addColumn<quint32>("version");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("text");
    QTest::newRow("one below") << quint32(20150323) << false << "Firmware: v2015-03-23";
    QTest::newRow("lower bound") << quint32(20150324) << true << "Firmware: v2015-03-24";
    QTest::newRow("upper bound") << quint32(20150325) << true << "Firmware: v2015-03-25";
    QTest::newRow("one above") << quint32(20150326) << false << "Firmware: v2015-03-26";
    QTest::newRow("zero") << quint32(0) << false << "Firmware: v0000-00-00";
    QTest::newRow("short year") << quint32(9990101) << false << "Firmware: v0999-01-01";
    // Unsigned: a value that would be negative as a signed number is far above.
    QTest::newRow("all bits") << quint32(0xFFFFFFFF) << false << "Firmware: v429496-72-95";
}

void tst_DeviceProtocol::firmwareRange()
{
    QFETCH(quint32, version);
    QFETCH(bool, accepted);
    QFETCH(QString, text);
    QCOMPARE(firmware::isAccepted(version), accepted);
    QCOMPARE(firmware::text(version), text);
}

void tst_DeviceProtocol::wiresMapping_data()
{
    QTest::addColumn<int>("wires");
    QTest::addColumn<int>("index"); // -2: the group stays as it is
    QTest::newRow("4") << 4 << 0;
    QTest::newRow("3") << 3 << 1;
    QTest::newRow("2") << 2 << 2;
    QTest::newRow("5") << 5 << -2;
    QTest::newRow("0") << 0 << -2;
}

void tst_DeviceProtocol::wiresMapping()
{
    QFETCH(int, wires);
    QFETCH(int, index);
    QCOMPARE(settingsmap::indexForWires(quint8(wires)).value_or(-2), index);
}

void tst_DeviceProtocol::averagingMapping_data()
{
    QTest::addColumn<int>("averaging");
    QTest::addColumn<int>("index");
    for (int n = 0; n <= 6; ++n)
        QTest::addRow("%d", 1 << n) << (1 << n) << n;
    QTest::newRow("0") << 0 << -1;
    QTest::newRow("3") << 3 << -1;
    QTest::newRow("48") << 48 << -1;
    QTest::newRow("128") << 128 << -1;
    QTest::newRow("255") << 255 << -1;
}

void tst_DeviceProtocol::averagingMapping()
{
    QFETCH(int, averaging);
    QFETCH(int, index);
    QCOMPARE(settingsmap::indexForAveraging(quint8(averaging)), index);
    QCOMPARE(int(settingsmap::averagingForIndex(index)), index >= 0 ? averaging : 16);
}

void tst_DeviceProtocol::choiceMappings_data()
{
    QTest::addColumn<int>("actual");
    QTest::addColumn<int>("expected");
    // A mode outside 0..2 selects resistance; without an item the reported mode stays.
    QTest::newRow("mode 0 -> item 0") << settingsmap::indexForInputMode(0) << 0;
    QTest::newRow("mode 2 -> item 2") << settingsmap::indexForInputMode(2) << 2;
    QTest::newRow("mode 7 -> item 2") << settingsmap::indexForInputMode(7) << 2;
    QTest::newRow("item 1 -> mode 1") << int(settingsmap::inputModeForIndex(1, 0)) << 1;
    QTest::newRow("no item keeps mode 2") << int(settingsmap::inputModeForIndex(-1, 2)) << 2;
    QTest::newRow("item 3 -> mode 0") << int(settingsmap::inputModeForIndex(3, 0)) << 0;

    QTest::newRow("4-20 mA is live zero") << int(settingsmap::outputLiveZeroForIndex(0)) << 1;
    QTest::newRow("0-20 mA is not") << int(settingsmap::outputLiveZeroForIndex(1)) << 0;
    QTest::newRow("no output item is not") << int(settingsmap::outputLiveZeroForIndex(-1)) << 0;
    QTest::newRow("live zero -> item 0") << settingsmap::indexForOutputLiveZero(true) << 0;
    QTest::newRow("no live zero -> item 1") << settingsmap::indexForOutputLiveZero(false) << 1;

    QTest::newRow("error item 1 is high") << int(settingsmap::errorLevelHighForIndex(1)) << 1;
    QTest::newRow("error item 0 is low") << int(settingsmap::errorLevelHighForIndex(0)) << 0;
    QTest::newRow("no error item is low") << int(settingsmap::errorLevelHighForIndex(-1)) << 0;
    QTest::newRow("high -> item 1") << settingsmap::indexForErrorLevelHigh(true) << 1;
    QTest::newRow("low -> item 0") << settingsmap::indexForErrorLevelHigh(false) << 0;
}

void tst_DeviceProtocol::choiceMappings()
{
    QFETCH(int, actual);
    QFETCH(int, expected);
    QCOMPARE(actual, expected);
}

void tst_DeviceProtocol::commandBlocks_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("parameterBytes"); // -1: no command
    QTest::addColumn<int>("resultBytes");

    const auto row = [](int code, const char* name, int parameters, int results) {
        QTest::addRow("%d", code) << code << QString::fromLatin1(name) << parameters << results;
    };
    row(1, "CmdReadLiveValues", 3, 60);
    row(2, "CmdStoreAD0Ohm", 4, 0);
    row(3, "CmdStoreAD490Ohm", 4, 0);
    row(4, "CmdEraseEEPROM", 0, 0);
    row(5, "CmdStore3WireOffset", 4, 0);
    row(6, "CmdStorePWM4mA", 2, 0);
    row(7, "CmdStorePWM20mA", 2, 0);
    row(8, "CmdReadSettings", 0, 20);
    row(9, "CmdWriteSettings", 22, 0);
    row(10, "CmdStorePot0", 4, 0);
    row(11, "CmdStorePot100", 4, 0);
    row(12, "CmdStore2WireR", 4, 0);
    row(13, "CmdStore2WireZero", 4, 0);
    row(249, "CmdIdentify", 0, 4);
    row(251, "CmdReset", 0, 0);
    row(0, "", -1, -1);
    row(14, "", -1, -1);
    row(250, "", -1, -1);
    row(255, "", -1, -1);
}

void tst_DeviceProtocol::commandBlocks()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QFETCH(int, parameterBytes);
    QFETCH(int, resultBytes);
    QCOMPARE(devicecmd::name(quint8(code)), name);
    QCOMPARE(devicecmd::isCommand(quint8(code)), parameterBytes >= 0);
    QCOMPARE(devicecmd::parameterBlockSize(quint8(code)), parameterBytes);
    QCOMPARE(devicecmd::resultBlockSize(quint8(code)), resultBytes);
}

void tst_DeviceProtocol::onlyListedCodesAreCommands()
{
    int commands = 0;
    for (int code = 0; code < 256; ++code)
        commands += devicecmd::isCommand(quint8(code)) ? 1 : 0;
    QCOMPARE(commands, 15);
    QCOMPARE(int(std::size(devicecmd::AllCommands)), 15);
    for (const quint8 code : devicecmd::AllCommands)
        QVERIFY2(devicecmd::isCommand(code), qPrintable(QString::number(code)));
    QCOMPARE(statusbits::name(StatusBit::bPWMITNotOK), QStringLiteral("bPWMITNotOK"));
    QCOMPARE(statusbits::caption(StatusBit::ADUnderFlow), QStringLiteral(" Un.F "));
}

QTEST_GUILESS_MAIN(tst_DeviceProtocol)
#include "tst_device_protocol.moc"
