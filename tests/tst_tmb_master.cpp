#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "link/nibble_codec.h"
#include "link/tmb.h"
#include "tests/support/link_frames.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/tmb_event_log.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 1500;
// Long enough that a transaction expected to succeed never times out.
constexpr quint16 kPatientTimeOut = 20000;
// Short, for the cases that are meant to time out.
constexpr quint16 kShortTimeOut = 30;

QByteArray asciiQuery(quint8 address, quint8 id, quint8 command, const QByteArray& data = QByteArray())
{
    QByteArray body;
    body.append(char(address)).append(char(id)).append(char(command)).append('\0').append(data);
    return frame::asciiEncode(frame::AsciiQueryStart, frame::withCrc(body));
}

// The frames a nibble-framed wire carries.
QList<QByteArray> nibbleFrames(const QByteArray& wire)
{
    QList<QByteArray> frames;
    RxRawBuffer raw;
    NibbleDecoder decoder(raw);
    for (const char c : wire) {
        if (decoder.feed(quint8(c), {}) == DecodeEvent::FrameAccepted)
            frames.append(raw.view().toByteArray());
    }
    return frames;
}

speed_t outputSpeedOf(const QString& path)
{
    termios tio{};
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return B0;
    ::tcgetattr(fd, &tio);
    ::close(fd);
    return cfgetospeed(&tio);
}

const QStringList kSuccess{"busy 1", "now Sending", "now Waiting For Answer", "now Receiving", "now Ready",
                           "busy 0", "end OK"};

// A link on one end of a pty, a scripted transmitter on the other.
struct Rig
{
    ScriptedPeer peer;
    TMB link;
    TmbEventLog log{&link};

    bool open(TMBMode mode = modeASCIIMaster)
    {
        link.setMBMode(mode);
        link.setMBBaud(baud019200);
        link.setMBMasterAddressToSlave(1);
        link.setMBMasterIDToSlave(34);
        link.setMBMasterCommandToSlave(1);
        link.setMBMasterTimeOut(kPatientTimeOut);
        link.MBClearTxBuffer();
        if (!peer.isValid() || !link.openAction(peer.devicePath()))
            return false;
        log.clear();
        return true;
    }
    // Sends at once and waits for the transaction's end event.
    bool transact()
    {
        const int before = log.endCount();
        link.MBSend(0);
        return QTest::qWaitFor([&] { return log.endCount() > before; }, kWaitMs);
    }
};

} // namespace

class tst_TMBMaster : public QObject
{
    Q_OBJECT

private slots:
    void openSetsReady()
    {
        Rig rig;
        QCOMPARE(rig.link.MBStatusNow(), stnPortError);
        QVERIFY(rig.link.MBBusy());
        QVERIFY(rig.link.openAction(rig.peer.devicePath()));
        QCOMPARE(rig.log.entries(), QStringList({"now Ready", "busy 0", "port 1"}));
        QVERIFY(rig.link.MBPortOpen());
        QVERIFY(rig.link.MBThereWasOpenEvent());
        QCOMPARE(rig.link.Port(), rig.peer.devicePath());
    }

    void asciiTransaction()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.peer.setResponder([](const QByteArray&) { return QByteArray("S0122010034126EFC;"); });
        QVERIFY(rig.transact());

        QCOMPARE(rig.peer.received(), QByteArray("M01220100A042;"));
        QCOMPARE(rig.log.entries(), kSuccess);
        QCOMPARE(rig.link.MBStatus(), stOK);
        QCOMPARE(rig.link.MBStatusString(), QStringLiteral("OK"));
        QCOMPARE(rig.link.MBStatusNow(), stnReady);
        QVERIFY(!rig.link.MBBusy());
        QCOMPARE(rig.link.MBNumberOfTxFrames(), 1u);
        QCOMPARE(rig.link.MBNumberOfRxFrames(), 1u);
        QCOMPARE(rig.link.MBMasterTryNumber(), quint8(1));
        QCOMPARE(rig.link.MBCalculatedTimeOfSending(), quint16(6));
        QCOMPARE(rig.link.MBGetWord(), quint16(0x1234));
    }

    void asciiQueryWithData()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.link.setMBMasterCommandToSlave(9);
        rig.link.setMBMasterQueryMode(true); // not sent in ASCII framing
        rig.link.setMBMasterAddressToSlave(200);
        rig.link.MBClearTxBuffer();
        for (int k = 0; k < 16; ++k)
            rig.link.MBPutByte(quint8(0xF0 + k));
        rig.peer.setResponder([](const QByteArray&) { return asciiAnswer(0); });
        QVERIFY(rig.transact());
        QCOMPARE(rig.peer.received(),
                 asciiQuery(200, 34, 9, QByteArray::fromHex("F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF")));
        QCOMPARE(rig.link.MBCalculatedTimeOfSending(), quint16(23));
        QCOMPARE(rig.link.MBStatus(), stOK);
    }

    // Status 0 in ASCII framing is asciiTransaction.
    void answerStatus_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("query");
        const QByteArray ascii("M01220100A042;");
        const QByteArray nibble = QByteArray::fromHex("01C002420140094F0066");
        QTest::newRow("ascii 253") << int(modeASCIIMaster) << 253 << "OK" << ascii;
        QTest::newRow("ascii 254") << int(modeASCIIMaster) << 254 << "Slave Error: #254" << ascii;
        QTest::newRow("ascii 255") << int(modeASCIIMaster) << 255 << "Slave Error: #255" << ascii;
        QTest::newRow("nibble 0") << int(modeMaster) << 0 << "OK" << nibble;
        QTest::newRow("nibble 128") << int(modeMaster) << 128 << "OK" << nibble;
        QTest::newRow("nibble 129") << int(modeMaster) << 129 << "Slave Error: #129" << nibble;
        QTest::newRow("nibble 255") << int(modeMaster) << 255 << "Slave Error: #255" << nibble;
    }
    void answerStatus()
    {
        QFETCH(int, mode);
        QFETCH(int, status);
        QFETCH(QString, text);
        QFETCH(QByteArray, query);
        Rig rig;
        QVERIFY(rig.open(TMBMode(mode)));
        rig.peer.setResponder([mode, status](const QByteArray&) {
            const QByteArray data = QByteArray::fromHex("3412");
            return mode == modeMaster ? nibbleAnswer(0x81, quint8(status), data)
                                      : asciiAnswer(quint8(status), data);
        });
        QVERIFY(rig.transact());

        QCOMPARE(rig.peer.received(), query);
        QStringList expected = kSuccess;
        expected.last() = QStringLiteral("end ") + text;
        QCOMPARE(rig.log.entries(), expected);
        QCOMPARE(rig.link.MBStatus(), text == "OK" ? stOK : stSlaveError);
        QCOMPARE(rig.link.MBStatusString(), text);
        QCOMPARE(rig.link.MBNumberOfRxFrames(), text == "OK" ? 1u : 0u);
        // The answer's data stays readable either way.
        QCOMPARE(rig.link.MBReceivedDataNumber(), quint16(2));
        QCOMPARE(rig.link.MBGetWord(), quint16(0x1234));
    }

    // The header size follows the mode: data sits right after the command.
    void nibbleQueryWithData()
    {
        Rig rig;
        QVERIFY(rig.open(modeMaster));
        rig.link.setMBMasterAddressToSlave(3);
        rig.link.setMBMasterQueryMode(true);
        rig.link.setMBMasterCommandToSlave(9);
        rig.link.MBClearTxBuffer();
        rig.link.MBPutWord(0x1234);
        rig.peer.setResponder([](const QByteArray&) { return nibbleAnswer(0x83, 0); });
        QVERIFY(rig.transact());
        QCOMPARE(rig.link.MBStatus(), stOK);
        QCOMPARE(nibbleFrames(rig.peer.received()),
                 QList<QByteArray>({frame::withCrc(QByteArray::fromHex("43220934"
                                                                       "12"))}));
    }

    // Answers from other stations or in the query direction are not taken:
    // the good answer behind them ends the transaction.
    void nibbleForeignAnswerIgnored_data()
    {
        QTest::addColumn<int>("addressByte");
        QTest::newRow("other station") << 0x82;
        QTest::newRow("query direction") << 0x01;
    }
    void nibbleForeignAnswerIgnored()
    {
        QFETCH(int, addressByte);
        Rig rig;
        QVERIFY(rig.open(modeMaster));
        rig.peer.setResponder([addressByte](const QByteArray&) {
            return nibbleAnswer(quint8(addressByte), 0, QByteArray::fromHex("DEAD")) +
                   nibbleAnswer(0x81, 0, QByteArray::fromHex("3412"));
        });
        QVERIFY(rig.transact());
        QCOMPARE(rig.log.entries(), kSuccess);
        QCOMPARE(rig.link.MBNumberOfRxFrames(), 1u);
        QCOMPARE(rig.link.MBGetWord(), quint16(0x1234));
    }

    void timeOut_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("tries");
        QTest::newRow("0 means 1") << 0 << 1;
        QTest::newRow("3") << 3 << 3;
        QTest::newRow("9 means 5") << 9 << 5;
    }
    void timeOut()
    {
        QFETCH(int, written);
        QFETCH(int, tries);
        Rig rig;
        QVERIFY(rig.open());
        rig.link.setMBMasterMaxTryNumber(written);
        QCOMPARE(int(rig.link.MBMasterMaxTryNumber()), tries);
        rig.link.setMBMasterTimeOut(kShortTimeOut);
        QSignalSpy shown(&rig.link, &TMB::tryNumberShown);
        QVERIFY(rig.transact());

        QStringList expected{"busy 1", "now Sending", "now Waiting For Answer"};
        for (int t = 2; t <= tries; ++t)
            expected << "now Sending"
                     << "now Waiting For Answer";
        expected << "now Time Out"
                 << "busy 0"
                 << "end Time Out";
        QCOMPARE(rig.log.entries(), expected);
        QCOMPARE(rig.link.MBStatus(), stTimeOut);
        QCOMPARE(rig.link.MBStatusString(), QStringLiteral("Time Out"));
        QCOMPARE(rig.link.MBStatusNow(), stnTimeOut);
        QCOMPARE(int(rig.link.MBMasterTryNumber()), tries);
        QCOMPARE(int(rig.link.MBMasterTryNumberMax()), tries);
        QCOMPARE(rig.link.MBNumberOfTxFrames(), 1u);
        QCOMPARE(shown.size(), tries);
        for (int t = 0; t < tries; ++t)
            QCOMPARE(shown.at(t).at(0).toInt(), t + 1);
        // Every try went out, identical, and no more.
        QVERIFY(rig.peer.waitForQueries(tries));
        QCOMPARE(rig.peer.received(), asciiQuery(1, 34, 1).repeated(tries));
    }

    // A try waits the time-out plus the query's time on the line: an answer
    // after the bare time-out but within that is the first try's.
    void answerWithinTheTransmissionTime()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.link.setMBBaud(baud000110); // a query without data: 910 ms
        rig.link.setMBMasterTimeOut(kShortTimeOut);
        rig.peer.setResponder([&](const QByteArray&) {
            QTimer::singleShot(400, &rig.peer, [&] { rig.peer.send(asciiAnswer(0)); });
            return QByteArray();
        });
        QVERIFY(rig.transact());
        QCOMPARE(rig.link.MBCalculatedTimeOfSending(), quint16(910));
        QCOMPARE(rig.link.MBStatus(), stOK);
        QCOMPARE(rig.link.MBMasterTryNumber(), quint8(1));
        QCOMPARE(rig.peer.queryCount(), 1);
    }

    // A valid answer after the time-out is still taken and reported.
    void lateAnswer()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.link.setMBMasterMaxTryNumber(1);
        rig.link.setMBMasterTimeOut(kShortTimeOut);
        QVERIFY(rig.transact());
        QCOMPARE(rig.link.MBStatus(), stTimeOut);

        const int from = int(rig.log.entries().size());
        rig.peer.send("S0122010034126EFC;");
        QTRY_COMPARE_WITH_TIMEOUT(rig.log.endCount(), 2, kWaitMs);
        QCOMPARE(rig.log.since(from), QStringList({"now Receiving", "now Ready", "end OK"}));
        QCOMPARE(rig.link.MBStatus(), stOK);
        QCOMPARE(rig.link.MBStatusNow(), stnReady);
        QCOMPARE(rig.link.MBGetWord(), quint16(0x1234));
    }

    // Answered on a later try: resends are counted as tries, not as frames.
    void answeredOnResend()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.link.setMBMasterTimeOut(kShortTimeOut);
        int queries = 0;
        rig.peer.setResponder([&](const QByteArray&) {
            // Once the first query is in, give the rest all the time they need.
            if (++queries == 1) {
                rig.link.setMBMasterTimeOut(kPatientTimeOut);
                return QByteArray();
            }
            return asciiAnswer(0);
        });
        QVERIFY(rig.transact());
        QCOMPARE(rig.link.MBStatus(), stOK);
        QVERIFY(rig.link.MBMasterTryNumber() >= 2);
        QCOMPARE(rig.link.MBMasterTryNumberMax(), rig.link.MBMasterTryNumber());
        QCOMPARE(rig.link.MBNumberOfTxFrames(), 1u);
        QCOMPARE(rig.link.MBNumberOfRxFrames(), 1u);
        QCOMPARE(rig.peer.received(), asciiQuery(1, 34, 1).repeated(rig.link.MBMasterTryNumber()));
        QCOMPARE(rig.log.endCount(), 1);
    }

    // Corrupt input is dropped; the transaction waits on for a good answer.
    void rejectedInputWhileWaiting()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.link.setMBMasterMaxTryNumber(1);
        rig.link.MBSend(0);
        QVERIFY(rig.peer.waitForQueries(1));
        rig.peer.send("S0122010034126EFD;");
        QTRY_VERIFY_WITH_TIMEOUT(rig.log.entries().count("now Waiting For Answer") == 2, kWaitMs);
        QCOMPARE(rig.log.endCount(), 0);
        QCOMPARE(rig.link.MBStatusNow(), stnWaitingForAnswer);
        QCOMPARE(rig.link.MBNumberOfReceivedBytes(), quint16(0));

        rig.peer.send("S0122010034126EFC;");
        QTRY_COMPARE_WITH_TIMEOUT(rig.log.endCount(), 1, kWaitMs);
        QCOMPARE(rig.log.entries(),
                 QStringList({"busy 1", "now Sending", "now Waiting For Answer", "now Receiving",
                              "now Waiting For Answer", "now Receiving", "now Ready", "busy 0", "end OK"}));
    }

    // An answer split across batches, even inside a byte, is put together.
    void splitAnswer_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<int>("split");
        QTest::addColumn<int>("bytesBefore");

        // "S01220100341" | "26EFC;": the high digit of 0x12 waits.
        QTest::newRow("ascii, inside a byte")
            << int(modeASCIIMaster) << QByteArray("S0122010034126EFC;") << 12 << 5;
        // After a low-nibble byte: the nibble waits.
        const QByteArray nibble = nibbleAnswer(0x81, 0, QByteArray::fromHex("3412"));
        QTest::newRow("nibble, after a low half") << int(modeMaster) << nibble << 7 << 3;
    }
    void splitAnswer()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, wire);
        QFETCH(int, split);
        QFETCH(int, bytesBefore);
        Rig rig;
        QVERIFY(rig.open(TMBMode(mode)));
        rig.link.MBSend(0);
        QVERIFY(rig.peer.waitForQueries(1));
        rig.peer.send(wire.first(split));
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.link.MBNumberOfReceivedBytes()), bytesBefore, kWaitMs);
        QCOMPARE(rig.link.MBStatusNow(), stnReceiving);
        rig.peer.send(wire.mid(split));
        QTRY_COMPARE_WITH_TIMEOUT(rig.log.endCount(), 1, kWaitMs);
        QCOMPARE(rig.log.entries(), kSuccess);
        QCOMPARE(rig.link.MBGetWord(), quint16(0x1234));
    }

    void addressZero()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.link.setMBMasterAddressToSlave(0);
        rig.link.MBSend(0);
        // Over before MBSend returns, without waiting for anything.
        QCOMPARE(rig.log.entries(), QStringList({"busy 1", "now Sending", "busy 0", "now Ready", "end OK"}));
        QCOMPARE(rig.link.MBStatus(), stOK);
        QCOMPARE(rig.link.MBNumberOfTxFrames(), 1u);
        QCOMPARE(rig.link.MBMasterTryNumber(), quint8(1));
        QCOMPARE(rig.link.MBCalculatedTimeOfSending(), quint16(0));
        QVERIFY(rig.peer.waitForQueries(1));
        QCOMPARE(rig.peer.received(), asciiQuery(0, 34, 1));
    }

    void addressClamping()
    {
        TMB link;
        link.setMBMasterAddressToSlave(20);
        QCOMPARE(link.MBMasterAddressToSlave(), quint8(20));
        link.setMBMode(modeMaster);
        link.setMBMasterAddressToSlave(20);
        QCOMPARE(link.MBMasterAddressToSlave(), quint8(15));
        link.setMBMasterAddressToSlave(0);
        QCOMPARE(link.MBMasterAddressToSlave(), quint8(0));
        // A slave's own address is never the broadcast address 0.
        link.setMBSlaveOwnAddress(0);
        QCOMPARE(link.MBSlaveOwnAddress(), quint8(1));
        link.setMBSlaveOwnAddress(20);
        QCOMPARE(link.MBSlaveOwnAddress(), quint8(15));
    }

    void sendWhileClosed_data()
    {
        QTest::addColumn<bool>("wasOpen");
        QTest::addColumn<int>("delay");
        QTest::newRow("never opened") << false << 0;
        QTest::newRow("never opened, delayed") << false << 20;
        QTest::newRow("closed again") << true << 0;
    }
    void sendWhileClosed()
    {
        QFETCH(bool, wasOpen);
        QFETCH(int, delay);
        Rig rig;
        if (wasOpen) {
            QVERIFY(rig.open());
            rig.link.MBClosePort();
            rig.log.clear();
        }
        rig.link.MBSend(quint16(delay));
        if (delay == 0)
            QCOMPARE(rig.log.endCount(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.log.endCount(), 1, kWaitMs);
        QCOMPARE(rig.log.entries(), QStringList({"end Closed Port"}));
        QCOMPARE(rig.link.MBStatus(), stClosedPort);
        QCOMPARE(rig.link.MBStatusNow(), stnPortError);
        QVERIFY(rig.link.MBBusy());
        QCOMPARE(rig.link.MBNumberOfTxFrames(), 0u);
        QCOMPARE(rig.peer.received(), QByteArray());
    }

    void closeWhileWaiting()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.link.MBSend(0);
        QVERIFY(rig.peer.waitForQueries(1));
        rig.log.clear();
        rig.link.MBClosePort();
        QCOMPARE(rig.log.entries(), QStringList({"now Port Error", "end Closed Port", "port 0"}));
        QCOMPARE(rig.link.MBStatus(), stClosedPort);
        QVERIFY(!rig.link.MBPortOpen());
        QCOMPARE(rig.link.MBMasterTryNumberMax(), quint8(0));
    }

    void closeWhileIdle()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.peer.setResponder([](const QByteArray&) { return asciiAnswer(0); });
        QVERIFY(rig.transact());
        rig.log.clear();
        rig.link.MBClosePort();
        QCOMPARE(rig.log.entries(), QStringList({"busy 1", "now Port Error", "port 0"}));
        // Twice is harmless.
        rig.link.MBClosePort();
        QCOMPARE(rig.log.entries().size(), 3);
    }

    // A handler that closes the port while a batch is being handed over: the
    // rest of the batch is discarded and nothing deadlocks.
    void closeFromEndEvent()
    {
        Rig rig;
        QVERIFY(rig.open());
        QObject::connect(&rig.link, &TMB::OnMBMasterEndOfEvent, &rig.link,
                         [&rig] { rig.link.MBClosePort(); });
        const QByteArray answer("S0122010034126EFC;");
        rig.peer.setResponder([&](const QByteArray&) { return answer + answer + answer; });
        QVERIFY(rig.transact());
        QCOMPARE(rig.log.entries(), QStringList(kSuccess) << "busy 1"
                                                          << "now Port Error"
                                                          << "port 0");
        QVERIFY(!rig.link.MBPortOpen());
        // The port is free again.
        TMB other;
        QVERIFY(other.openAction(rig.peer.devicePath()));
    }

    // A handler of the closing's end event that sends again: nothing more
    // reaches the line, and that transaction's own end event follows the
    // close instead of nesting inside the first.
    void sendDuringClose()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.link.MBSend(0);
        QVERIFY(rig.peer.waitForQueries(1));
        int depth = 0;
        int deepest = 0;
        QObject::connect(&rig.link, &TMB::OnMBMasterEndOfEvent, &rig.link, [&] {
            deepest = qMax(deepest, ++depth);
            if (rig.log.endCount() == 1)
                rig.link.MBSend(0);
            --depth;
        });
        rig.log.clear();
        rig.link.MBClosePort();
        QCOMPARE(rig.log.entries(),
                 QStringList({"now Port Error", "end Closed Port", "port 0", "end Closed Port"}));
        QCOMPARE(deepest, 1);

        // Whatever the close wrote would arrive before this query.
        QVERIFY(rig.link.openAction(rig.peer.devicePath()));
        rig.link.setMBMasterCommandToSlave(2);
        rig.link.MBSend(0);
        QVERIFY(rig.peer.waitForQueries(2));
        QCOMPARE(rig.peer.received(), asciiQuery(1, 34, 1) + asciiQuery(1, 34, 2));
    }

    // The next query can be started from the end event itself.
    void sendFromEndEvent()
    {
        Rig rig;
        QVERIFY(rig.open());
        int ends = 0;
        QObject::connect(&rig.link, &TMB::OnMBMasterEndOfEvent, &rig.link, [&] {
            if (++ends < 3)
                rig.link.MBSend(0);
        });
        rig.peer.setResponder([](const QByteArray&) { return asciiAnswer(0); });
        rig.link.MBSend(0);
        QTRY_COMPARE_WITH_TIMEOUT(ends, 3, kWaitMs);
        QCOMPARE(rig.link.MBNumberOfTxFrames(), 3u);
        QCOMPARE(rig.link.MBNumberOfRxFrames(), 3u);
        QVERIFY(rig.peer.waitForQueries(3));
        QCOMPARE(rig.peer.queryCount(), 3);
    }

    // A new MBSend abandons the query still waiting: one end event only.
    void sendOverridesWaiting()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.link.MBSend(0);
        QVERIFY(rig.peer.waitForQueries(1));
        rig.peer.setResponder([](const QByteArray&) { return asciiAnswer(0); });
        rig.link.setMBMasterCommandToSlave(2);
        QVERIFY(rig.transact());
        QCOMPARE(rig.log.endCount(), 1);
        QCOMPARE(rig.link.MBNumberOfTxFrames(), 2u);
        QCOMPARE(rig.peer.received(), asciiQuery(1, 34, 1) + asciiQuery(1, 34, 2));
    }

    void delayedSend()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.peer.setResponder([](const QByteArray&) { return asciiAnswer(0); });
        rig.link.MBSend(50);
        QCOMPARE(rig.log.entries(), QStringList());
        QTRY_COMPARE_WITH_TIMEOUT(rig.log.endCount(), 1, kWaitMs);
        QCOMPARE(rig.log.entries(), kSuccess);
    }

    void modeWrites()
    {
        Rig rig;
        QVERIFY(rig.open());
        rig.peer.setResponder([](const QByteArray&) { return asciiAnswer(0); });
        QVERIFY(rig.transact());
        QCOMPARE(rig.link.MBNumberOfRxFrames(), 1u);
        QCOMPARE(rig.link.FrameHeaderSize(), 4);

        // The same mode again changes nothing.
        rig.link.setMBMode(modeASCIIMaster);
        QCOMPARE(rig.link.MBNumberOfRxFrames(), 1u);
        QCOMPARE(rig.link.MBNumberOfTxFrames(), 1u);

        // The busy change comes before the new mode is stored.
        TMBMode modeSeenByBusyHandler = modeString;
        const QMetaObject::Connection seen = connect(&rig.link, &TMB::OnMBBusyChanged, this,
                                                     [&] { modeSeenByBusyHandler = rig.link.MBMode(); });
        rig.link.setMBMode(modeSlave);
        disconnect(seen);
        QCOMPARE(modeSeenByBusyHandler, modeASCIIMaster);
        QCOMPARE(rig.link.FrameHeaderSize(), 3);
        QVERIFY(rig.link.MBBusy());
        QCOMPARE(rig.link.MBStatusNow(), stnWaitingForCommand);
        QCOMPARE(rig.link.MBNumberOfRxFrames(), 0u);
        QCOMPARE(rig.link.MBNumberOfTxFrames(), 0u);
        QCOMPARE(rig.link.MBMasterTryNumberMax(), quint8(0));

        rig.link.setMBMode(modeMaster);
        QVERIFY(!rig.link.MBBusy()); // the port is open
        QCOMPARE(rig.link.MBStatusNow(), stnReady);
        QCOMPARE(rig.link.MBStatus(), stOK);

        rig.link.MBClosePort();
        rig.link.setMBMode(modeASCIIMaster);
        QVERIFY(rig.link.MBBusy()); // the port is closed
        QCOMPARE(rig.link.FrameHeaderSize(), 4);
    }

    // With no descriptor left for the stop event the opening must fail
    // cleanly: a thread that cannot be woken would hang the close.
    void openFailsWithoutStopEvent()
    {
        ScriptedPeer peer;
        QVERIFY(peer.isValid());
        TMB link;
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit tight = saved;
        tight.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 1024);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        // Fill every free descriptor, then free exactly one for the port.
        QList<int> fillers;
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            fillers.append(fd);
        ::close(fillers.takeLast());

        QString error;
        const bool opened = link.openAction(peer.devicePath(), &error);
        for (const int fd : std::as_const(fillers))
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &saved);

        QVERIFY(!opened);
        QVERIFY(!link.MBPortOpen());
        QCOMPARE(error, QStringLiteral("TMB : cannot open ") + peer.devicePath() + QChar(13) +
                            QString::fromLocal8Bit(std::strerror(EMFILE)));
        // The port was released again.
        QVERIFY(link.openAction(peer.devicePath(), &error));
        link.MBClosePort();
    }

    // One-shot: fires once, and a restart replaces the running interval.
    void userTimer()
    {
        TMB link;
        QSignalSpy fired(&link, &TMB::OnMBUserTimeOut);
        link.MBStartUserTimer(60000);
        link.MBStartUserTimer(20);
        QVERIFY(fired.wait(kWaitMs));
        QCOMPARE(fired.count(), 1);
        QVERIFY(!link.userTimerActive());
    }

    // A new rate waits for the next opening.
    void baudWhileOpen()
    {
        Rig rig;
        QVERIFY(rig.open());
        QCOMPARE(outputSpeedOf(rig.peer.devicePath()), speed_t(B19200));
        rig.link.setMBBaud(baud009600);
        QCOMPARE(rig.link.MBBaud(), baud009600);
        QCOMPARE(outputSpeedOf(rig.peer.devicePath()), speed_t(B19200));
        rig.link.MBClosePort();
        QVERIFY(rig.link.openAction(rig.peer.devicePath()));
        QCOMPARE(outputSpeedOf(rig.peer.devicePath()), speed_t(B9600));

        // 9600 and rates outside the table both read back as 9600.
        rig.link.setMBBaud(99);
        QCOMPARE(rig.link.MBBaud(), baud009600);
        QCOMPARE(rig.link.baudRate(), 9600u);
        rig.link.setMBMasterMaxTryNumber(1);
        rig.link.setMBMasterTimeOut(kShortTimeOut);
        QVERIFY(rig.transact());
        QCOMPARE(rig.link.MBCalculatedTimeOfSending(), quint16(11));
    }
};

QTEST_GUILESS_MAIN(tst_TMBMaster)
#include "tst_tmb_master.moc"
