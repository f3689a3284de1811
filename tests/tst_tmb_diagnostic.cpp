#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "link/nibble_codec.h"
#include "link/tmb.h"
#include "platform/pseudo_terminal.h"
#include "tests/support/link_frames.h"
#include "tests/support/tmb_event_log.h"

#include <QTest>

#include <atomic>
#include <memory>
#include <thread>

namespace {

// The line as a monitor hears it: queries and answers between stations
// with what a noisy line adds in between. `data` is what each valid frame
// carries; `ends` counts the frames that end, valid or broken.
struct Traffic
{
    QByteArray wire;
    QList<QByteArray> data;
    int ends = 0;

    void frame(const QByteArray& header, const QByteArray& payload)
    {
        wire += frame::nibbleEncode(frame::withCrc(header + payload));
        data.append(payload);
        ++ends;
    }
    void broken(const QByteArray& wireBytes)
    {
        wire += wireBytes;
        ++ends;
    }
};

Traffic mixedTraffic()
{
    Traffic t;
    for (int round = 0; round < 12; ++round) {
        const char station = char(1 + round);
        const QByteArray reply(round * 3, char(0xA0 + round));
        // A query (every other one in query mode) and its answer.
        t.frame(QByteArray(1, char(station | (round % 2 ? 0x40 : 0))) + "\x22" + char(round),
                QByteArray(round % 4, char(round)));
        t.frame(QByteArray(1, char(station | 0x80)) + "\x22" + char(0), reply);
        // An answer whose CRC was hit on the line.
        QByteArray damaged = frame::withCrc(QByteArray(1, char(station | 0x80)) + '\x22' + reply);
        damaged[damaged.size() - 2] = char(damaged.at(damaged.size() - 2) ^ 0x10);
        t.broken(frame::nibbleEncode(damaged));
        // A query cut off before its end, ASCII traffic, low halves only,
        // then a frame too short though it has both ends.
        t.wire += frame::nibbleEncode(frame::withCrc(QByteArray::fromHex("0122") + char(round))).chopped(4);
        t.wire += frame::asciiEncode(frame::AsciiQueryStart, frame::withCrc(QByteArray::fromHex("01220100")));
        t.wire += asciiAnswer(0, QByteArray::fromHex("3412")) + QByteArray::fromHex("0F0E0D");
        t.broken(QByteArray::fromHex("01C0 0242 0160"));
    }
    // One long frame, near the buffer's end.
    t.frame(QByteArray::fromHex("852200"), QByteArray(2000, char(0x5A)));
    return t;
}

} // namespace

class tst_TMBDiagnostic : public QObject
{
    Q_OBJECT

private slots:
    // Another thread writes the traffic in pieces of changing size, as it
    // comes off a line; the monitor counts exactly the valid frames, reads
    // each one's data, and is Ready again whenever a frame has ended.
    void countsValidFrames()
    {
        const std::unique_ptr<PseudoTerminal> pty = PseudoTerminal::open();
        QVERIFY(pty);
        TMB link;
        TmbEventLog log(&link);
        link.setMBMode(modeDiagnostic);
        QVERIFY(link.openAction(pty->devicePath()));
        log.clear();
        QList<QByteArray> seen;
        connect(&link, &TMB::OnMBDiagnosticReceivedAFrame, this, [&](quint16 dataNumber) {
            QByteArray data;
            for (int k = 0; k < dataNumber; ++k)
                data.append(char(link.MBGetByte()));
            seen.append(data);
        });

        const Traffic traffic = mixedTraffic();
        std::atomic<bool> written = false;
        std::thread writer([&] {
            bool ok = true;
            int piece = 1;
            for (qsizetype at = 0; ok && at < traffic.wire.size(); at += piece) {
                piece = 1 + int(at * 7 % 61);
                ok = pty->write(traffic.wire.mid(at, piece));
            }
            written = ok;
        });
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), traffic.data.size(), 1500);
        writer.join();
        QVERIFY(written);

        QCOMPARE(seen, traffic.data);
        QCOMPARE(link.MBNumberOfRxFrames(), quint32(traffic.data.size()));
        QStringList states;
        for (int k = 0; k < traffic.ends; ++k)
            states << "now Receiving"
                   << "now Ready";
        QCOMPARE(log.entries(), states);
        // A monitor answers nothing.
        QCOMPARE(pty->readAvailable(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(tst_TMBDiagnostic)
#include "tst_tmb_diagnostic.moc"
