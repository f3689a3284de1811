#include "link/crc16.h"
#include "link/nibble_codec.h"
#include "link/tmb.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_port.h"
#include "tests/support/tmb_event_log.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr int kWaitMs = 1500;
constexpr quint8 kId = 34;
constexpr quint8 kSlaveAddress = 3;

// A master in nibble framing on the far end of one pseudo-terminal and a
// slave at address 3 on its near end: the two ends of one cable.
struct LinkPair
{
    std::unique_ptr<PseudoTerminal> pty = PseudoTerminal::open();
    TMB master;
    TMB slave;
    TmbEventLog slaveLog{&slave};
    QSignalSpy slaveWrites{&slave, &TMB::txActivity};
    int handled = 0;

    bool open()
    {
        master.setMBMode(modeMaster);
        master.setMBMasterIDToSlave(kId);
        master.setMBMasterMaxTryNumber(1);
        slave.setMBMode(modeSlave);
        slave.setMBSlaveOwnAddress(kSlaveAddress);
        slave.setMBSlaveID(kId);
        // A user command answers its request word plus one, and the query mode.
        QObject::connect(&slave, &TMB::OnMBSlaveReceivedCommand, &slave, [this](quint8, bool queryMode) {
            ++handled;
            slave.MBPutWord(quint16(slave.MBGetWord() + 1));
            slave.MBPutBoolean(queryMode);
        });
        const bool opened =
            pty && slave.openAction(pty->devicePath()) &&
            master.openAction(SerialPort::adopt(pty->farFd(), QStringLiteral("far end"), master.baudRate()));
        slaveLog.clear();
        return opened;
    }

    // One query; true when the master's end event came.
    bool ask(quint8 address, quint8 command, const QByteArray& data = QByteArray(), quint16 timeOut = 20000)
    {
        master.setMBMasterAddressToSlave(address);
        master.setMBMasterCommandToSlave(command);
        master.setMBMasterTimeOut(timeOut);
        master.MBClearTxBuffer();
        for (const char c : data)
            master.MBPutByte(quint8(c));
        QSignalSpy end(&master, &TMB::OnMBMasterEndOfEvent);
        master.MBSend(0);
        return !end.isEmpty() || end.wait(kWaitMs);
    }

    // The answer's data as the master's get operations read it.
    QByteArray answerData()
    {
        QByteArray data;
        for (int k = 0; k < master.MBReceivedDataNumber(); ++k)
            data.append(char(master.MBGetByte()));
        return data;
    }
};

} // namespace

class tst_TMBSlave : public QObject
{
    Q_OBJECT

private slots:
    // A query from the master and what came of it on both sides. A query to
    // the slave's own address follows each one: the line keeps the order,
    // so once that is answered the first query was dealt with.
    void query_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("heard");   // frames the slave counted
        QTest::addColumn<int>("answers"); // answers it wrote
        const QByteArray none;
        QTest::newRow("identification")
            << 3 << 34 << 129 << none << "OK" << QByteArray::fromHex("DF070312DF0703124D4220536C61766500")
            << 1 << 1;
        QTest::newRow("ID 0 reaches any slave") << 3 << 0 << 0 << none << "OK" << none << 1 << 1;
        QTest::newRow("user command")
            << 3 << 34 << 7 << QByteArray::fromHex("3412") << "OK" << QByteArray::fromHex("351200") << 1 << 1;
        QTest::newRow("user command, query mode") << 3 << 34 << 127 << QByteArray::fromHex("3412") << "OK"
                                                  << QByteArray::fromHex("351201") << 1 << 1;
        QTest::newRow("counter, cleared") << 3 << 34 << 130 << QByteArray::fromHex("01") << "OK"
                                          << QByteArray::fromHex("00000000") << 0 << 1;
        QTest::newRow("counter") << 3 << 34 << 130 << none << "OK" << QByteArray::fromHex("01000000") << 1
                                 << 1;
        QTest::newRow("command 200") << 3 << 34 << 200 << none << "Slave Error: #130" << none << 0 << 1;
        QTest::newRow("other ID") << 3 << 35 << 129 << none << "Slave Error: #129" << none << 0 << 1;
        QTest::newRow("broadcast") << 0 << 34 << 7 << QByteArray::fromHex("3412") << "OK" << none << 1 << 0;
        QTest::newRow("other station") << 4 << 34 << 129 << none << "Time Out" << none << 0 << 0;
    }
    void query()
    {
        QFETCH(int, address);
        QFETCH(int, id);
        QFETCH(int, command);
        QFETCH(QByteArray, request);
        QFETCH(QString, status);
        QFETCH(QByteArray, answer);
        QFETCH(int, heard);
        QFETCH(int, answers);
        LinkPair link;
        QVERIFY(link.open());
        // Left over from an earlier answer: must not go out with this one.
        link.slave.MBPutCardinal(0xDEADBEEF);
        link.master.setMBMasterIDToSlave(quint8(id));
        link.master.setMBMasterQueryMode(command == 127);
        QVERIFY(link.ask(quint8(address), quint8(command), request, status == "Time Out" ? 30 : 20000));
        QCOMPARE(link.master.MBStatusString(), status);
        QCOMPARE(link.answerData(), answer);
        if (address == kSlaveAddress)
            QCOMPARE(link.slave.MBStatusString(), status);

        link.master.setMBMasterIDToSlave(kId);
        link.master.setMBMasterQueryMode(false);
        QVERIFY(link.ask(kSlaveAddress, 0));
        QCOMPARE(link.master.MBStatus(), stOK);
        QCOMPARE(link.slave.MBNumberOfRxFrames(), quint32(heard + 1));
        QCOMPARE(link.slaveWrites.count(), answers + 1);
        QCOMPARE(link.handled, command >= 1 && command <= 127 ? 1 : 0);
        // Answers are not frames sent.
        QCOMPARE(link.slave.MBNumberOfTxFrames(), 0u);
        QStringList states{"now Receiving", "now Received Command", "now Sending", "now Ready",
                           "now Waiting For Command"};
        if (address == 0)
            states = QStringList{"now Receiving", "now Received Command"} + states;
        else if (address == kSlaveAddress)
            states += states;
        QCOMPARE(link.slaveLog.entries(), states);
    }

    // The answer waits MBSlaveDelayTime in the Sending state; a delayed
    // MBSend in slave mode sends it when its own delay is up, but not on
    // a port closed meanwhile.
    void delayedAnswer_data()
    {
        QTest::addColumn<bool>("closeFirst");
        QTest::newRow("released") << false;
        QTest::newRow("port closed meanwhile") << true;
    }
    void delayedAnswer()
    {
        QFETCH(bool, closeFirst);
        LinkPair link;
        link.slave.setMBSlaveDelayTime(60000);
        QVERIFY(link.open());
        QSignalSpy end(&link.master, &TMB::OnMBMasterEndOfEvent);
        link.master.setMBMasterAddressToSlave(kSlaveAddress);
        link.master.setMBMasterCommandToSlave(129);
        link.master.setMBMasterTimeOut(20000);
        link.master.MBSend(0);
        QTRY_COMPARE_WITH_TIMEOUT(link.slave.MBStatusNow(), stnSending, kWaitMs);
        QVERIFY(link.slave.sendDelayActive());
        QCOMPARE(link.slaveWrites.count(), 0);
        if (closeFirst)
            link.slave.MBClosePort();
        link.slave.MBSend(1);
        QTRY_VERIFY_WITH_TIMEOUT(!link.slave.sendDelayActive(), kWaitMs);
        QCOMPARE(link.slaveWrites.count(), closeFirst ? 0 : 1);
        QCOMPARE(link.slave.MBStatusNow(), closeFirst ? stnPortError : stnWaitingForCommand);
        if (closeFirst)
            return;
        QTRY_COMPARE_WITH_TIMEOUT(end.count(), 1, kWaitMs);
        QCOMPARE(link.answerData().size(), 17);
    }

    // Another master's broadcast comes in while the answer to the first
    // waits out its delay: that answer, emptied for the broadcast, is
    // dropped, so the first master sees a lost frame and its second try
    // gets the whole answer, never an empty "success".
    void queryWhileAnswerWaits()
    {
        LinkPair link;
        link.slave.setMBSlaveDelayTime(100);
        QVERIFY(link.open());
        const QByteArray broadcast = frame::nibbleEncode(frame::withCrc(QByteArray::fromHex("0022073412")));
        bool interrupted = false;
        connect(&link.slave, &TMB::OnMBStatusNowChanged, this, [&](TMBStatusNow now) {
            if (now == stnSending && !interrupted)
                interrupted = link.pty->write(broadcast);
        });
        link.master.setMBMasterMaxTryNumber(2);
        QVERIFY(link.ask(kSlaveAddress, TMB::SlaveCommandIdentification, {}, 300));
        QVERIFY(interrupted);
        QCOMPARE(link.handled, 1);
        QCOMPARE(link.master.MBStatus(), stOK);
        QCOMPARE(link.master.MBMasterTryNumber(), quint8(2));
        QCOMPARE(link.answerData().size(), 17);
        QCOMPARE(link.slaveWrites.count(), 1);
    }

    // A handler may close the port: the closed port's result stays.
    void handlerClosesPort()
    {
        LinkPair link;
        QVERIFY(link.open());
        connect(&link.slave, &TMB::OnMBSlaveReceivedCommand, this, [&] { link.slave.MBClosePort(); });
        link.master.setMBMasterAddressToSlave(kSlaveAddress);
        link.master.setMBMasterCommandToSlave(7);
        link.master.MBSend(0);
        QTRY_VERIFY_WITH_TIMEOUT(!link.slave.MBPortOpen(), kWaitMs);
        QCOMPARE(link.slave.MBStatus(), stClosedPort);
        QCOMPARE(link.slave.MBStatusNow(), stnPortError);
        QCOMPARE(link.slaveWrites.count(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_TMBSlave)
#include "tst_tmb_slave.moc"
