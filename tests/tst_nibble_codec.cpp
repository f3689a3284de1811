#include "link/crc16.h"
#include "link/nibble_codec.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr NibbleFirstByteRule answerFrom1{NibbleFirstByteRule::AnswerFrom, 1};

struct FeedResult
{
    int started = 0;
    int rejected = 0;
    int accepted = 0;
    DecodeEvent last = DecodeEvent::None;
};

FeedResult feedAll(NibbleDecoder& decoder, const QByteArray& wire, NibbleFirstByteRule rule)
{
    FeedResult result;
    for (const char c : wire) {
        const DecodeEvent event = decoder.feed(quint8(c), rule);
        result.started += event == DecodeEvent::FrameStarted;
        result.rejected += event == DecodeEvent::Rejected;
        result.accepted += event == DecodeEvent::FrameAccepted;
        result.last = event;
    }
    return result;
}

QByteArray nibbleFrame(const QByteArray& body)
{
    return frame::nibbleEncode(frame::withCrc(body));
}

} // namespace

class tst_NibbleCodec : public QObject
{
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QByteArray>("frameWithCrc");
        QTest::addColumn<QByteArray>("wire");

        QTest::newRow("query 1/34/1")
            << QByteArray::fromHex("012201F960") << QByteArray::fromHex("01C002420140094F0066");
        QTest::newRow("single byte is first and last")
            << QByteArray::fromHex("A5") << QByteArray::fromHex("05EA");
        QTest::newRow("two bytes") << QByteArray::fromHex("FF00") << QByteArray::fromHex("0FCF0060");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void encode()
    {
        QFETCH(QByteArray, frameWithCrc);
        QFETCH(QByteArray, wire);
        QCOMPARE(frame::nibbleEncode(frameWithCrc), wire);
    }

    // Bit 4 is never set, bit 6 tells the halves apart.
    void wireBitLayout()
    {
        QByteArray frameBytes;
        for (int b = 0; b < 256; ++b)
            frameBytes.append(char(b));
        const QByteArray wire = frame::nibbleEncode(frameBytes);
        QCOMPARE(wire.size(), 512);
        for (int p = 0; p < 256; ++p) {
            const quint8 low = quint8(wire[2 * p]);
            const quint8 high = quint8(wire[2 * p + 1]);
            QCOMPARE(low & 0xF0, 0);
            QCOMPARE(high & 0x50, 0x40);
            QCOMPARE(bool(high & 0x80), p == 0);
            QCOMPARE(bool(high & 0x20), p == 255);
            QCOMPARE(quint8(((high & 0x0F) << 4) | low), quint8(p));
        }
    }

    void decodesAnswer()
    {
        RxRawBuffer raw;
        NibbleDecoder decoder(raw);
        const QByteArray body = QByteArray::fromHex("8122003412");
        const FeedResult r = feedAll(decoder, nibbleFrame(body), answerFrom1);
        QCOMPARE(r.started, 1);
        QCOMPARE(r.accepted, 1);
        QCOMPARE(r.rejected, 0);
        QCOMPARE(r.last, DecodeEvent::FrameAccepted);
        QCOMPARE(raw.view().toByteArray(), frame::withCrc(body));
    }

    void answerAcceptance_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("countAfter");

        const QByteArray goodBody = QByteArray::fromHex("812200");
        QTest::newRow("five bytes is the minimum") << nibbleFrame(goodBody) << true << 5;
        QTest::newRow("four bytes is short") << nibbleFrame(QByteArray::fromHex("8122")) << false << 0;
        QTest::newRow("error code 129 still decodes")
            << nibbleFrame(QByteArray::fromHex("812281")) << true << 5;
        QTest::newRow("query direction bit") << nibbleFrame(QByteArray::fromHex("012200")) << false << 0;
        QTest::newRow("other address") << nibbleFrame(QByteArray::fromHex("822200")) << false << 0;
        QTest::newRow("query-mode flag in address")
            << nibbleFrame(QByteArray::fromHex("C12200")) << true << 5;

        QByteArray badCrc = frame::withCrc(goodBody);
        badCrc[4] = char(badCrc[4] ^ 0x01);
        QTest::newRow("bad crc") << frame::nibbleEncode(badCrc) << false << 0;

        QByteArray noEnd = nibbleFrame(goodBody);
        noEnd[noEnd.size() - 1] = char(noEnd.back() & ~0x20);
        QTest::newRow("no end marker waits on") << noEnd << false << 5;

        QTest::newRow("bytes before a first byte are ignored")
            << QByteArray::fromHex("0342054A") + nibbleFrame(goodBody) << true << 5;
        QTest::newRow("restart in the middle")
            << nibbleFrame(QByteArray::fromHex("81220011")).left(5) + nibbleFrame(goodBody) << true << 5;
    }
    void answerAcceptance()
    {
        QFETCH(QByteArray, wire);
        QFETCH(bool, accepted);
        QFETCH(int, countAfter);

        RxRawBuffer raw;
        NibbleDecoder decoder(raw);
        const FeedResult r = feedAll(decoder, wire, answerFrom1);
        QCOMPARE(r.accepted, accepted ? 1 : 0);
        QCOMPARE(raw.count(), countAfter);
    }

    // Rejected at its first byte: the rest of the frame cannot start one.
    void rejectedFirstByteIgnoresRest()
    {
        RxRawBuffer raw;
        NibbleDecoder decoder(raw);
        const QByteArray wire = nibbleFrame(QByteArray::fromHex("82220012345678"));
        QCOMPARE(decoder.feed(quint8(wire[0]), answerFrom1), DecodeEvent::None);
        QCOMPARE(decoder.feed(quint8(wire[1]), answerFrom1), DecodeEvent::Rejected);
        for (qsizetype i = 2; i < wire.size(); ++i)
            QCOMPARE(decoder.feed(quint8(wire[i]), answerFrom1), DecodeEvent::None);
        QCOMPARE(raw.count(), 0);
    }

    // A high byte without its low byte reuses the last low nibble.
    void missingLowByteReusesPendingNibble()
    {
        RxRawBuffer raw;
        NibbleDecoder decoder(raw);
        const QByteArray body = QByteArray::fromHex("81210055");
        QByteArray wire = nibbleFrame(body);
        QCOMPARE(wire[0], wire[2]); // both low nibbles are 1
        wire.remove(2, 1);
        QCOMPARE(feedAll(decoder, wire, answerFrom1).accepted, 1);
        QCOMPARE(raw.view().toByteArray(), frame::withCrc(body));
    }

    void firstByteRules_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("firstByte");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("slave: own address") << int(NibbleFirstByteRule::QueryTo) << 5 << 0x05 << true;
        QTest::newRow("slave: broadcast") << int(NibbleFirstByteRule::QueryTo) << 5 << 0x00 << true;
        QTest::newRow("slave: query-mode flag") << int(NibbleFirstByteRule::QueryTo) << 5 << 0x45 << true;
        QTest::newRow("slave: other station") << int(NibbleFirstByteRule::QueryTo) << 5 << 0x06 << false;
        QTest::newRow("slave: an answer") << int(NibbleFirstByteRule::QueryTo) << 5 << 0x85 << false;
        QTest::newRow("master: answer") << int(NibbleFirstByteRule::AnswerFrom) << 15 << 0x8F << true;
        QTest::newRow("master: broadcast answer")
            << int(NibbleFirstByteRule::AnswerFrom) << 15 << 0x80 << false;
        QTest::newRow("monitor: query") << int(NibbleFirstByteRule::Any) << 0 << 0x07 << true;
        QTest::newRow("monitor: answer") << int(NibbleFirstByteRule::Any) << 0 << 0x8A << true;
    }
    void firstByteRules()
    {
        QFETCH(int, kind);
        QFETCH(int, address);
        QFETCH(int, firstByte);
        QFETCH(bool, accepted);

        const NibbleFirstByteRule rule{NibbleFirstByteRule::Kind(kind), quint8(address)};
        RxRawBuffer raw;
        NibbleDecoder decoder(raw);
        QByteArray body = QByteArray::fromHex("002201");
        body[0] = char(firstByte);
        const FeedResult r = feedAll(decoder, nibbleFrame(body), rule);
        QCOMPARE(r.accepted, accepted ? 1 : 0);
        QCOMPARE(r.started, accepted ? 1 : 0);
    }

    // More than the buffer holds: the excess is dropped and the frame fails.
    void overlongFrameRejected()
    {
        RxRawBuffer raw;
        NibbleDecoder decoder(raw);
        const QByteArray wire = nibbleFrame(QByteArray::fromHex("812200") + QByteArray(2100, '\0'));
        bool sawFull = false;
        DecodeEvent last = DecodeEvent::None;
        for (const char c : wire) {
            last = decoder.feed(quint8(c), answerFrom1);
            QVERIFY(raw.count() <= RxRawBuffer::Capacity);
            sawFull = sawFull || raw.full();
        }
        QVERIFY(sawFull);
        QCOMPARE(last, DecodeEvent::Rejected);
        QCOMPARE(raw.count(), 0);
        QVERIFY(!raw.full());
    }

    // Whatever arrives, the decoder stays inside its buffer and accepts only
    // frames whose CRC holds.
    void randomInput()
    {
        QRandomGenerator random(4711);
        const NibbleFirstByteRule rules[] = {answerFrom1, {NibbleFirstByteRule::QueryTo, 3}, {}};
        for (const NibbleFirstByteRule rule : rules) {
            RxRawBuffer raw;
            NibbleDecoder decoder(raw);
            for (int i = 0; i < 200000; ++i) {
                // Mostly high bytes without markers, so long frames build up.
                quint8 w = quint8(random.bounded(256));
                if (random.bounded(100) < 60)
                    w = quint8((w & 0x0F) | 0x40);
                const DecodeEvent event = decoder.feed(w, rule);
                QVERIFY(raw.count() >= 0 && raw.count() <= RxRawBuffer::Capacity);
                if (event == DecodeEvent::FrameAccepted) {
                    QVERIFY(raw.count() >= 5);
                    QVERIFY(frame::crcMatches(raw.view()));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_NibbleCodec)
#include "tst_nibble_codec.moc"
