#include "link/ascii_codec.h"
#include "link/crc16.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Number of frames accepted while feeding the text.
int acceptedFrames(AsciiDecoder& decoder, QByteArrayView text)
{
    int accepted = 0;
    for (const char c : text)
        accepted += decoder.feed(quint8(c)) == DecodeEvent::FrameAccepted;
    return accepted;
}

QByteArray answer(const QByteArray& body)
{
    return frame::asciiEncode(frame::AsciiAnswerStart, frame::withCrc(body));
}

const QByteArray kExample("S0122010034126EFC;");

} // namespace

class tst_AsciiCodec : public QObject
{
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<char>("start");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("text");

        QTest::newRow("query 1/34/1")
            << 'M' << QByteArray::fromHex("01220100") << QByteArray("M01220100A042;");
        QTest::newRow("answer 0x1234") << 'S' << QByteArray::fromHex("012201003412") << kExample;
        QTest::newRow("upper-case digits")
            << 'M' << QByteArray::fromHex("ABCDEF") << QByteArray("MABCDEF153C;");
    }
    void encode()
    {
        QFETCH(char, start);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, text);
        QCOMPARE(frame::asciiEncode(start, frame::withCrc(body)), text);
    }

    void decodesExample()
    {
        RxRawBuffer raw;
        AsciiDecoder decoder(raw);
        QCOMPARE(acceptedFrames(decoder, kExample), 1);
        QCOMPARE(raw.view().toByteArray(), QByteArray::fromHex("012201003412"
                                                               "6EFC"));
        QVERIFY(decoder.inFrame());
    }

    void acceptance_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("accepted");

        QTest::newRow("example") << kExample << 1;
        QTest::newRow("six bytes is the minimum") << answer(QByteArray::fromHex("01220100")) << 1;
        QTest::newRow("five bytes is short") << answer(QByteArray::fromHex("012201")) << 0;
        QTest::newRow("empty frame") << QByteArray("S;") << 0;
        QTest::newRow("lower-case hex") << QByteArray("S0122010034126efc;") << 0;
        QTest::newRow("bad crc") << QByteArray("S0122010034126EFD;") << 0;
        QTest::newRow("S restarts a frame") << QByteArray("S01220100") + kExample << 1;
        QTest::newRow("S restarts after garbage digits") << QByteArray("S0") + kExample << 1;
        QTest::newRow("digits before S") << QByteArray("0122") + kExample << 1;
        QTest::newRow("carriage return inside") << QByteArray("S0122010034\r126EFC;") << 0;
        QTest::newRow("line feed inside") << QByteArray("S0122010034126EFC\n;") << 0;
        QTest::newRow("query letter inside") << QByteArray("S012201M0034126EFC;") << 0;
        QTest::newRow("a query is not an answer") << QByteArray("M01220100A042;") << 0;
        QTest::newRow("semicolon outside a frame") << QByteArray(";") << 0;
        QTest::newRow("a dangling digit is not a byte") << QByteArray("S0122010034126EFC0;") << 1;
        QTest::newRow("repeated end accepts once") << kExample + ";;" << 1;
        QTest::newRow("two answers") << kExample + kExample << 2;
        QTest::newRow("digits appended after an answer") << kExample + "11;" << 1;
        QTest::newRow("a failed frame, then a good one") << QByteArray("S0122010034126EFD;") + kExample << 1;
        QTest::newRow("status 254 decodes") << answer(QByteArray::fromHex("012201FE")) << 1;
    }
    void acceptance()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, accepted);

        RxRawBuffer raw;
        AsciiDecoder decoder(raw);
        QCOMPARE(acceptedFrames(decoder, text), accepted);
    }

    // Each rejection resets the receiver; the next frame is decoded from scratch.
    void rejectionResets_data()
    {
        QTest::addColumn<char>("bad");
        QTest::newRow("lower-case") << 'a';
        QTest::newRow("M") << 'M';
        QTest::newRow("carriage return") << '\r';
        QTest::newRow("nul") << '\0';
        QTest::newRow("high bit") << char(0xC1);
        QTest::newRow("semicolon mid-frame") << ';';
    }
    void rejectionResets()
    {
        QFETCH(char, bad);
        RxRawBuffer raw;
        AsciiDecoder decoder(raw);
        QCOMPARE(acceptedFrames(decoder, "S01220100"), 0);
        QCOMPARE(raw.count(), 4);
        QCOMPARE(decoder.feed(quint8(bad)), DecodeEvent::Rejected);
        QCOMPARE(raw.count(), 0);
        QVERIFY(!decoder.inFrame());
        // The tail of the broken frame is refused too.
        QCOMPARE(decoder.feed('3'), DecodeEvent::Rejected);
        QCOMPARE(acceptedFrames(decoder, "34126EFC;"), 0);
        QCOMPARE(acceptedFrames(decoder, kExample), 1);
    }

    // After a query goes out, a stale answer's tail must not complete a frame.
    void leaveFrameRefusesTail()
    {
        RxRawBuffer raw;
        AsciiDecoder decoder(raw);
        QCOMPARE(acceptedFrames(decoder, kExample.left(17)), 0);
        decoder.leaveFrame();
        QCOMPARE(decoder.feed(';'), DecodeEvent::Rejected);
        QCOMPARE(acceptedFrames(decoder, kExample), 1);
    }

    // Frames arrive in batches of any size; the state carries over.
    void anySplit()
    {
        const QByteArray text = QByteArray("x") + kExample + answer(QByteArray::fromHex("0122010000FF"));
        for (int split = 0; split <= text.size(); ++split) {
            RxRawBuffer raw;
            AsciiDecoder decoder(raw);
            const int n =
                acceptedFrames(decoder, text.first(split)) + acceptedFrames(decoder, text.mid(split));
            QCOMPARE(n, 2);
            QCOMPARE(raw.view().toByteArray(), frame::withCrc(QByteArray::fromHex("0122010000FF")));
        }
    }

    void overlongFrameRejected()
    {
        RxRawBuffer raw;
        AsciiDecoder decoder(raw);
        const QByteArray body = QByteArray::fromHex("01220100") + QByteArray(2100, '\x5A');
        const QByteArray text = answer(body);
        bool sawFull = false;
        int accepted = 0;
        for (const char c : text) {
            accepted += decoder.feed(quint8(c)) == DecodeEvent::FrameAccepted;
            QVERIFY(raw.count() <= RxRawBuffer::Capacity);
            sawFull = sawFull || raw.full();
        }
        QVERIFY(sawFull);
        QCOMPARE(accepted, 0);
        QCOMPARE(raw.count(), 0);
    }

    void randomInput()
    {
        static constexpr char kAlphabet[] = "S;0123456789ABCDEFabcdefM\r\n\x80";
        QRandomGenerator random(1234);
        RxRawBuffer raw;
        AsciiDecoder decoder(raw);
        for (int i = 0; i < 300000; ++i) {
            // Mostly digits, so that long frames build up now and then.
            const quint8 c = random.bounded(100) < 97
                                 ? quint8(kAlphabet[2 + random.bounded(16)])
                                 : quint8(kAlphabet[random.bounded(int(sizeof kAlphabet) - 1)]);
            if (decoder.feed(c) == DecodeEvent::FrameAccepted) {
                QVERIFY(raw.count() >= 6);
                QVERIFY(frame::crcMatches(raw.view()));
            }
            QVERIFY(raw.count() <= RxRawBuffer::Capacity);
        }
    }
};

QTEST_GUILESS_MAIN(tst_AsciiCodec)
#include "tst_ascii_codec.moc"
