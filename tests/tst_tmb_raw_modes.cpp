#include "link/crc16.h"
#include "link/nibble_codec.h"
#include "link/tmb.h"
#include "tests/support/link_frames.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/tmb_event_log.h"

#include <QTest>

namespace {

constexpr int kWaitMs = 1500;

// A link in a raw mode (or monitoring) on one end of a pty, a scripted
// device on the other.
struct Rig
{
    ScriptedPeer peer;
    TMB link;
    TmbEventLog log{&link};
    QList<int> bytesReported;
    QStringList strings;

    bool open(TMBMode mode)
    {
        QObject::connect(&link, &TMB::OnMBReceivedAByte, &link,
                         [this](quint16 n) { bytesReported.append(n); });
        QObject::connect(&link, &TMB::OnMBReceivedAString, &link,
                         [this](const QString& s) { strings.append(s); });
        link.setMBMode(mode);
        link.setMBStopByteInStringMode(13);
        const bool opened = link.openAction(peer.devicePath());
        log.clear();
        return opened;
    }
    // Puts the bytes and sends them; true when the send's end event came.
    bool send(const QByteArray& bytes, quint16 delayMs = 0)
    {
        link.MBClearTxBuffer();
        for (const char c : bytes)
            link.MBPutByte(quint8(c));
        const int before = log.endCount();
        link.MBSend(delayMs);
        return QTest::qWaitFor([&] { return log.endCount() > before; }, kWaitMs);
    }
    QByteArray getBytes(int count)
    {
        QByteArray out;
        for (int k = 0; k < count; ++k)
            out.append(char(link.MBGetByte()));
        return out;
    }
};

} // namespace

class tst_TMBRawModes : public QObject
{
    Q_OBJECT

private slots:
    // Sends that await no answer: over at once, on an open or closed port.
    void send_data()
    {
        QTest::addColumn<TMBMode>("mode");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("delay");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<quint32>("counted");
        const QByteArray data("AT\0\xFF\r", 5);
        const QByteArray query = frame::nibbleEncode(frame::withCrc(QByteArray::fromHex("470905") + data));
        QTest::newRow("byte") << modeByte << true << 0 << data << 5u;
        QTest::newRow("byte, delayed") << modeByte << true << 20 << data << 5u;
        QTest::newRow("string") << modeString << true << 0 << data << 1u;
        QTest::newRow("diagnostic, delayed") << modeDiagnostic << true << 20 << query << 1u;
        QTest::newRow("byte, closed") << modeByte << false << 0 << QByteArray() << 0u;
        QTest::newRow("diagnostic, closed") << modeDiagnostic << false << 0 << QByteArray() << 0u;
    }
    void send()
    {
        QFETCH(TMBMode, mode);
        QFETCH(bool, open);
        QFETCH(int, delay);
        QFETCH(QByteArray, wire);
        QFETCH(quint32, counted);
        Rig rig;
        QVERIFY(rig.open(mode));
        rig.link.setMBMasterAddressToSlave(7);
        rig.link.setMBMasterIDToSlave(9);
        rig.link.setMBMasterCommandToSlave(5);
        rig.link.setMBMasterQueryMode(true);
        QStringList events{"now Sending", "busy 0", "now Ready", "end OK"};
        if (mode != modeDiagnostic) // a monitor is busy from the opening on
            events.prepend("busy 1");
        if (!open) {
            rig.link.MBClosePort();
            rig.log.clear();
            events = QStringList{"end Closed Port"};
        }
        QVERIFY(rig.send(QByteArray("AT\0\xFF\r", 5), quint16(delay)));
        QCOMPARE(rig.log.entries(), events);
        QCOMPARE(rig.link.MBNumberOfTxFrames(), counted);
        QTRY_COMPARE_WITH_TIMEOUT(rig.peer.received().size(), wire.size(), kWaitMs);
        QCOMPARE(rig.peer.received(), wire);
    }

    // Received bytes pile up to 2048; the rest are counted but dropped
    // until the buffer is emptied.
    void byteLimit_data()
    {
        QTest::addColumn<QList<int>>("pieces");
        QTest::newRow("just under") << QList<int>{2047};
        QTest::newRow("exactly, in two") << QList<int>{1000, 1048};
        QTest::newRow("over, then more") << QList<int>{2040, 100, 7};
    }
    void byteLimit()
    {
        QFETCH(QList<int>, pieces);
        Rig rig;
        QVERIFY(rig.open(modeByte));
        QByteArray sent;
        for (const int size : std::as_const(pieces)) {
            QByteArray piece;
            for (int k = 0; k < size; ++k)
                piece.append(char((sent.size() + k) * 7 % 251));
            rig.peer.send(piece);
            sent += piece;
            QTRY_COMPARE_WITH_TIMEOUT(rig.link.MBNumberOfRxFrames(), quint32(sent.size()), kWaitMs);
        }
        const int held = int(qMin(sent.size(), qsizetype(2048)));
        QCOMPARE(rig.bytesReported.last(), held);
        QCOMPARE(rig.link.MBRxBufferFull(), held == 2048);
        QCOMPARE(rig.getBytes(held - 5), sent.first(held - 5));

        rig.link.MBClearRxBuffer();
        rig.peer.send("xy");
        QTRY_COMPARE_WITH_TIMEOUT(rig.bytesReported.last(), 2, kWaitMs);
        QVERIFY(!rig.link.MBRxBufferFull());
        QCOMPARE(rig.getBytes(2), QByteArray("xy"));
    }

    // What a framed mode left in the receive buffer, and how far its gets
    // had read, do not come before the first raw byte; from there the gets
    // walk on through the batches.
    void byteModeStartsEmpty()
    {
        Rig rig;
        QVERIFY(rig.open(modeMaster));
        rig.peer.setResponder([](const QByteArray&) { return nibbleAnswer(0x81, 0, "xyz"); });
        QVERIFY(rig.send(QByteArray()));
        QCOMPARE(rig.link.MBStatus(), stOK);
        QCOMPARE(rig.getBytes(2), QByteArray("xy"));
        rig.link.setMBMode(modeByte);
        rig.peer.send("Z");
        QTRY_COMPARE_WITH_TIMEOUT(rig.bytesReported, QList<int>{1}, kWaitMs);
        QCOMPARE(rig.getBytes(1), QByteArray("Z"));
        rig.peer.send("QR");
        QTRY_COMPARE_WITH_TIMEOUT(rig.bytesReported.last(), 3, kWaitMs);
        QCOMPARE(rig.getBytes(2), QByteArray("QR"));
    }

    // One send arms the reception of one string, ended by the stop byte;
    // what follows it waits for the next send, which is read from data
    // position 1 again.
    void strings_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("string");
        QTest::newRow("OK and CR") << QByteArrayList{"OK\r"} << QByteArray("OK\r");
        QTest::newRow("one byte at a time") << QByteArrayList{"O", "K", "\r"} << QByteArray("OK\r");
        // One write: the bytes behind the stop byte come in the same batch.
        QTest::newRow("bytes after the stop byte") << QByteArrayList{"AB\rXYZ\r"} << QByteArray("AB\r");
        QTest::newRow("only the stop byte") << QByteArrayList{"\r"} << QByteArray("\r");
        // Longer than the buffer: still ended by its stop byte, in the last place.
        QByteArray longer;
        while (longer.size() < 2100)
            longer += "0123456789";
        QTest::newRow("longer than the buffer") << QByteArrayList{longer, "\r"} << longer.first(2047) + '\r';
    }
    void strings()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArray, string);
        Rig rig;
        QVERIFY(rig.open(modeString));
        QVERIFY(rig.send("?\r"));
        for (const QByteArray& piece : std::as_const(pieces))
            rig.peer.send(piece);
        QTRY_COMPARE_WITH_TIMEOUT(rig.strings.size(), 1, kWaitMs);
        QCOMPARE(rig.strings.first(), QString::fromLatin1(string));
        // Full: the handler can tell that bytes before the stop byte were dropped.
        QCOMPARE(rig.link.MBRxBufferFull(), string.size() == 2048);
        // The gets reach data position 2043 at most.
        const int readable = int(qMin(string.size(), qsizetype(TMB::MaxDataPosition)));
        QCOMPARE(rig.getBytes(readable), string.first(readable));
        // One string counts once, however the bytes were batched.
        QCOMPARE(rig.link.MBNumberOfRxFrames(), 1u);

        QVERIFY(rig.send("?\r"));
        rig.peer.send("CD\r");
        QTRY_COMPARE_WITH_TIMEOUT(rig.strings.size(), 2, kWaitMs);
        QCOMPARE(rig.strings.last(), QStringLiteral("CD\r"));
        QCOMPARE(rig.getBytes(3), QByteArray("CD\r"));
        QCOMPARE(rig.link.MBNumberOfRxFrames(), 2u);
    }
};

QTEST_GUILESS_MAIN(tst_TMBRawModes)
#include "tst_tmb_raw_modes.moc"
