#include "link/crc16.h"
#include "link/tmb.h"
#include "tests/support/link_frames.h"
#include "tests/support/scripted_peer.h"

#include <QSignalSpy>
#include <QTest>

#include <cstring>

namespace {

QByteArray floatBytes(float value)
{
    quint32 raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    QByteArray out;
    for (int k = 0; k < 4; ++k)
        out.append(char(raw >> (8 * k)));
    return out;
}

} // namespace

class tst_TMBPayload : public QObject
{
    Q_OBJECT

private:
    // Opens the link on a fresh pty and lets the peer deliver one frame.
    bool receive(TMB& link, ScriptedPeer& peer, const QByteArray& wire)
    {
        if (!link.MBPortOpen() && !link.openAction(peer.devicePath()))
            return false;
        QSignalSpy end(&link, &TMB::OnMBMasterEndOfEvent);
        peer.send(wire);
        return end.wait(1500) && end.size() == 1;
    }

private slots:
    void putSequence()
    {
        TMB link;
        link.MBClearTxBuffer();
        link.MBPutWord(2015);
        link.MBPutByte(3);
        QCOMPARE(link.txData(), QByteArray::fromHex("DF0703"));
        QCOMPARE(link.MBDataNumberToSend(), quint16(3));
        QCOMPARE(link.MBMBTXDataBufferIndex(), quint16(4));
    }

    void putTypes()
    {
        TMB link;
        link.MBClearTxBuffer();
        link.MBPutByte(0xA5);
        link.MBPutShortInt(-2);
        link.MBPutBoolean(true);
        link.MBPutBoolean(false);
        link.MBPutWord(0xBEEF);
        link.MBPutCardinal(0x89ABCDEF);
        link.MBPutInteger(-2);
        link.MBPutSingle(1.5f);
        link.MBPutString("Hi");
        QCOMPARE(link.txData(), QByteArray::fromHex("A5FE0100EFBEEFCDAB89FEFFFFFF0000C03F486900"));
        QCOMPARE(link.MBDataNumberToSend(), quint16(21));
    }

    // Setting the index back overwrites in place; the count follows the
    // furthest byte written.
    void putInPlace()
    {
        TMB link;
        link.MBClearTxBuffer();
        link.MBPutCardinal(0x04030201);
        link.setMBMBTXDataBufferIndex(2);
        link.MBPutByte(0xFF);
        QCOMPARE(link.txData(), QByteArray::fromHex("01FF0304"));
        QCOMPARE(link.MBDataNumberToSend(), quint16(4));
        QCOMPARE(link.MBMBTXDataBufferIndex(), quint16(3));

        link.MBClearTxBuffer();
        QCOMPARE(link.MBDataNumberToSend(), quint16(0));
        link.setMBDataNumberToSend(4);
        QCOMPARE(link.txData(), QByteArray(4, '\0'));
    }

    void putAtEnd_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("indexAfter");
        QTest::addColumn<int>("countAfter");

        QTest::newRow("word ends at 2042") << 2041 << 2 << true << 2043 << 2042;
        QTest::newRow("word ends at 2043") << 2042 << 2 << true << 2042 << 0;
        QTest::newRow("byte at 2043") << 2043 << 1 << true << 2043 << 0;
        QTest::newRow("word beyond 2043") << 2043 << 2 << false << 2043 << 0;
        QTest::newRow("cardinal ends at 2043") << 2040 << 4 << true << 2040 << 0;
        QTest::newRow("cardinal beyond 2043") << 2041 << 4 << false << 2041 << 0;
    }
    void putAtEnd()
    {
        QFETCH(int, index);
        QFETCH(int, size);
        QFETCH(bool, stored);
        QFETCH(int, indexAfter);
        QFETCH(int, countAfter);

        TMB link;
        link.MBClearTxBuffer();
        link.setMBMBTXDataBufferIndex(index);
        if (size == 1)
            link.MBPutByte(0xA1);
        else if (size == 2)
            link.MBPutWord(0xA2A1);
        else
            link.MBPutCardinal(0xA4A3A2A1);
        QCOMPARE(int(link.MBMBTXDataBufferIndex()), indexAfter);
        QCOMPARE(int(link.MBDataNumberToSend()), countAfter);

        link.setMBDataNumberToSend(TMB::MaxDataPosition);
        const QByteArray data = link.txData();
        QCOMPARE(data.size(), TMB::MaxDataPosition);
        QByteArray expected(qMin(size, TMB::MaxDataPosition - index + 1), '\0');
        if (stored) {
            for (int k = 0; k < expected.size(); ++k)
                expected[k] = char(0xA1 + k);
        }
        QCOMPARE(data.mid(index - 1, size), expected);
    }

    void putStringAtEnd_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<int>("indexAfter");
        QTest::addColumn<int>("countAfter");

        // The terminating zero lands on 2043: the index stays after "c".
        QTest::newRow("fits exactly") << 2040 << QByteArray("abc\0", 4) << 2043 << 2042;
        // Bytes that do not fit all land on 2043; the zero is the last.
        QTest::newRow("too long") << 2042 << QByteArray("\0a\0", 3) << 2043 << 2042;
    }
    void putStringAtEnd()
    {
        QFETCH(int, index);
        QFETCH(QByteArray, tail);
        QFETCH(int, indexAfter);
        QFETCH(int, countAfter);

        TMB link;
        link.MBClearTxBuffer();
        link.setMBMBTXDataBufferIndex(index);
        link.MBPutString("abc");
        QCOMPARE(int(link.MBMBTXDataBufferIndex()), indexAfter);
        QCOMPARE(int(link.MBDataNumberToSend()), countAfter);
        link.setMBDataNumberToSend(TMB::MaxDataPosition);
        QCOMPARE(link.txData().right(tail.size()), tail);
    }

    void indexClamping_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("stored");
        QTest::newRow("0") << 0 << 1;
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("2043") << 2043 << 2043;
        QTest::newRow("2044") << 2044 << 2043;
        QTest::newRow("5000") << 5000 << 2043;
    }
    void indexClamping()
    {
        QFETCH(int, written);
        QFETCH(int, stored);
        TMB link;
        link.setMBMBTXDataBufferIndex(written);
        link.setMBMBRXDataBufferIndex(written);
        QCOMPARE(int(link.MBMBTXDataBufferIndex()), stored);
        QCOMPARE(int(link.MBMBRXDataBufferIndex()), stored);
        link.setMBDataNumberToSend(written);
        QCOMPARE(int(link.MBDataNumberToSend()), written == 0 ? 0 : stored);
    }

    void getTypes()
    {
        ScriptedPeer peer;
        QVERIFY(peer.isValid());
        TMB link;
        const QByteArray data = QByteArray::fromHex("7F0234126745230100FEFFFF") + floatBytes(-2.25f);
        QVERIFY(receive(link, peer, asciiAnswer(0, data)));
        QCOMPARE(int(link.MBReceivedDataNumber()), data.size());
        QCOMPARE(int(link.MBNumberOfReceivedBytes()), data.size() + 6);
        QCOMPARE(link.MBGetByte(), quint8(0x7F));
        QCOMPARE(link.MBGetBoolean(), true);
        QCOMPARE(link.MBGetWord(), quint16(0x1234));
        QCOMPARE(link.MBGetCardinal(), quint32(0x01234567));
        QCOMPARE(link.MBMBRXDataBufferIndex(), quint16(9));
        QCOMPARE(link.MBGetInteger(), qint32(-512));
        QCOMPARE(link.MBGetSingle(), -2.25f);
        QCOMPARE(int(link.MBMBRXDataBufferIndex()), data.size() + 1);
        // Nothing left: zero, and the index stays.
        QCOMPARE(link.MBGetByte(), quint8(0));
        QCOMPARE(link.MBGetBoolean(), false);
        QCOMPARE(int(link.MBMBRXDataBufferIndex()), data.size() + 1);
        link.closeAction();
    }

    void answerExampleAndShortReads()
    {
        ScriptedPeer peer;
        QVERIFY(peer.isValid());
        TMB link;
        QVERIFY(receive(link, peer, "S0122010034126EFC;"));
        QCOMPARE(link.MBReceivedDataNumber(), quint16(2));
        QCOMPARE(link.MBGetWord(), quint16(0x1234));

        // One byte left: a word reads 0 and the index stays.
        link.setMBMBRXDataBufferIndex(2);
        QCOMPARE(link.MBGetWord(), quint16(0));
        QCOMPARE(link.MBMBRXDataBufferIndex(), quint16(2));
        QCOMPARE(link.MBGetCardinal(), quint32(0));
        QCOMPARE(link.MBGetByte(), quint8(0x12));

        // A new frame resets the index; a frame without data reads nothing.
        QVERIFY(receive(link, peer, asciiAnswer(0)));
        QCOMPARE(link.MBReceivedDataNumber(), quint16(0));
        QCOMPARE(link.MBMBRXDataBufferIndex(), quint16(1));
        QCOMPARE(link.MBGetByte(), quint8(0));
        // The previous frame's data is gone with it.
        QCOMPARE(link.rxFrame(), frame::withCrc(QByteArray::fromHex("01220100")));
        link.closeAction();
    }

    // The largest frames: the index stops moving at 2043.
    void getAtEnd_data()
    {
        QTest::addColumn<bool>("nibble");
        QTest::addColumn<int>("dataBytes");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("indexAfter");

        QTest::newRow("nibble: word at 2042") << true << 2043 << 2042 << 0x07FA << 2042;
        QTest::newRow("nibble: byte at 2043") << true << 2043 << 2043 << 0x07 << 2043;
        QTest::newRow("nibble: word at 2041") << true << 2043 << 2041 << 0xFAF9 << 2043;
        QTest::newRow("ascii: word at 2041") << false << 2042 << 2041 << 0xFAF9 << 2043;
        QTest::newRow("ascii: byte at 2043") << false << 2042 << 2043 << 0 << 2043;
    }
    void getAtEnd()
    {
        QFETCH(bool, nibble);
        QFETCH(int, dataBytes);
        QFETCH(int, index);
        QFETCH(int, expected);
        QFETCH(int, indexAfter);

        ScriptedPeer peer;
        QVERIFY(peer.isValid());
        TMB link;
        if (nibble)
            link.setMBMode(modeMaster);
        // Data byte k (from 1) is k modulo 256; in nibble framing byte 2043 is 0x07.
        QByteArray data;
        for (int k = 1; k <= dataBytes; ++k)
            data.append(char(k));
        if (nibble)
            data[2043 - 1] = char(0x07);
        QVERIFY(receive(link, peer, nibble ? nibbleAnswer(0x81, 0, data) : asciiAnswer(0, data)));
        QCOMPARE(int(link.MBReceivedDataNumber()), dataBytes);
        QCOMPARE(int(link.MBNumberOfReceivedBytes()), RxRawBuffer::Capacity);
        QVERIFY(link.MBRxBufferFull());
        link.setMBMBRXDataBufferIndex(index);
        const int value = index == 2043 ? link.MBGetByte() : link.MBGetWord();
        QCOMPARE(value, expected);
        QCOMPARE(int(link.MBMBRXDataBufferIndex()), indexAfter);
        link.closeAction();
    }

    // Bytes beyond the receive buffer are dropped and the flag says so.
    void receiveBufferOverflow()
    {
        ScriptedPeer peer;
        QVERIFY(peer.isValid());
        TMB link;
        QVERIFY(link.openAction(peer.devicePath()));
        QSignalSpy end(&link, &TMB::OnMBMasterEndOfEvent);
        const QByteArray tooLong = asciiAnswer(0, QByteArray(2100, '\x11'));
        peer.send(tooLong.chopped(1));
        QTRY_VERIFY_WITH_TIMEOUT(link.MBRxBufferFull(), 1500);
        QCOMPARE(int(link.MBNumberOfReceivedBytes()), RxRawBuffer::Capacity);
        peer.send(";");
        QTRY_COMPARE_WITH_TIMEOUT(int(link.MBNumberOfReceivedBytes()), 0, 1500);
        QVERIFY(!link.MBRxBufferFull());
        QCOMPARE(end.size(), 0);
        link.closeAction();
    }
};

QTEST_GUILESS_MAIN(tst_TMBPayload)
#include "tst_tmb_payload.moc"
