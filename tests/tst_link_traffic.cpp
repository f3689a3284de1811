#include "app/traffic_log_model.h"
#include "device/device_command.h"
#include "device/device_protocol.h"
#include "device/link_statistics.h"
#include "device/traffic_decoder.h"
#include "link/ascii_codec.h"
#include "link/crc16.h"
#include "link/tmb.h"
#include "sim/slave_blocks.h"
#include "sim/virtual_transmitter.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QByteArray queryLine(quint8 command, QByteArrayView data = {})
{
    QByteArray body;
    body.append(char(DeviceAddress));
    body.append(char(DeviceFunctionId));
    body.append(char(command));
    body.append(char(0));
    body.append(data.data(), data.size());
    return frame::asciiEncode(frame::AsciiQueryStart, frame::withCrc(body));
}

QByteArray answerLine(quint8 command, quint8 status = 0, QByteArrayView data = {})
{
    return slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId, command, status, data);
}

LinkTraffic entryOf(LinkTraffic::Kind kind, const QByteArray& wire, quint8 tryNumber = 1, bool awaited = true)
{
    LinkTraffic e;
    e.kind = kind;
    e.wire = wire;
    e.tryNumber = tryNumber;
    e.awaited = awaited;
    e.finalTry = kind == LinkTraffic::Kind::NoAnswer && tryNumber == TMB::MaxTries;
    return e;
}

// A valid ASCII answer line as the master's decoder would take it.
bool decodesCleanly(const QByteArray& line)
{
    RxRawBuffer raw;
    AsciiDecoder decoder(raw);
    bool accepted = false;
    for (const char c : line) {
        const DecodeEvent e = decoder.feed(quint8(c));
        if (e == DecodeEvent::Rejected)
            return false;
        accepted = e == DecodeEvent::FrameAccepted;
    }
    return accepted;
}

} // namespace

// The link's traffic as the log and the statistics see it: the decoder's
// judgement of each kind of frame, the log's bounded ring, and the figures
// against a virtual transmitter that drops and corrupts.
class tst_LinkTraffic : public QObject
{
    Q_OBJECT

private slots:
    void decoderJudgesEachFrame_data();
    void decoderJudgesEachFrame();
    void decoderFollowsTheConversation_data();
    void decoderFollowsTheConversation();
    void statisticsCountWhatTheTransmitterDid_data();
    void statisticsCountWhatTheTransmitterDid();
    void nothingCapturedWithoutListener();
    void countingStartsAtEachOpening();
    void ringKeepsTheLatestEntries();
    void pauseHoldsBackWithinTheRing();
    void percentilesAndUtilisation();
};

void tst_LinkTraffic::decoderJudgesEachFrame_data()
{
    QTest::addColumn<int>("pendingCommand"); // -1: no query before
    QTest::addColumn<LinkTraffic>("entry");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");

    LiveValues live;
    live.ADRaw = -12345;
    live.fInput = 21.5f;
    live.uStatusBits = statusBitMask(StatusBit::bOpenError);
    live.uCounterSecAfterReset = 77;
    const QByteArray liveBlock = slaveblocks::encodeLiveValues(live);
    DeviceSettings settings;
    settings.Wires = 3;
    settings.Averaging = 32;
    settings.fScaleHigh = 150.25f;
    const QByteArray readBlock = slaveblocks::encodeSettingsReadBlock(settings);
    QByteArray writeBlock;
    writeBlock.append(char(settings.Wires));
    writeBlock.append(char(settings.InputMode));
    writeBlock.append(readBlock);
    QByteArray crcBroken = answerLine(CmdReadLiveValues, 0, liveBlock);
    crcBroken[9] = crcBroken[9] == '0' ? '1' : '0';
    QByteArray cutShort = answerLine(CmdIdentify, 0, QByteArray(FirmwareBlockSize, '\0'));
    cutShort.chop(5);
    cutShort.append(';');

    using K = LinkTraffic::Kind;
    const QByteArray liveQueryData("\x01\x34\x12", 3);
    QTest::newRow("identify query") << -1 << entryOf(K::Query, queryLine(CmdIdentify)) << "CmdIdentify (249)"
                                    << ""
                                    << ""
                                    << "";
    QTest::newRow("live query fields")
        << -1 << entryOf(K::Query, queryLine(CmdReadLiveValues, liveQueryData)) << "CmdReadLiveValues (1)"
        << ""
        << "PwmSetpoint"
        << "4660";
    QTest::newRow("resend") << int(CmdReadSettings) << entryOf(K::Query, queryLine(CmdReadSettings), 2)
                            << "CmdReadSettings (8)"
                            << "resend (try 2)"
                            << ""
                            << "";
    QTest::newRow("live answer float")
        << int(CmdReadLiveValues) << entryOf(K::Answer, answerLine(CmdReadLiveValues, 0, liveBlock))
        << "CmdReadLiveValues (1)"
        << "OK"
        << "fInput"
        << "21.5";
    QTest::newRow("live answer signed")
        << int(CmdReadLiveValues) << entryOf(K::Answer, answerLine(CmdReadLiveValues, 0, liveBlock))
        << "CmdReadLiveValues (1)"
        << "OK"
        << "ADRaw"
        << "-12345";
    QTest::newRow("live answer last field")
        << int(CmdReadLiveValues) << entryOf(K::Answer, answerLine(CmdReadLiveValues, 0, liveBlock))
        << "CmdReadLiveValues (1)"
        << "OK"
        << "uCounterSecAfterReset"
        << "77";
    QTest::newRow("live answer status bits")
        << int(CmdReadLiveValues) << entryOf(K::Answer, answerLine(CmdReadLiveValues, 0, liveBlock))
        << "CmdReadLiveValues (1)"
        << "OK"
        << "uStatusBits"
        << "0x0100";
    QTest::newRow("settings read answer")
        << int(CmdReadSettings) << entryOf(K::Answer, answerLine(CmdReadSettings, 0, readBlock))
        << "CmdReadSettings (8)"
        << "OK"
        << "fScaleHigh"
        << "150.25";
    QTest::newRow("settings write query")
        << -1 << entryOf(K::Query, queryLine(CmdWriteSettings, writeBlock)) << "CmdWriteSettings (9)"
        << ""
        << "Wires"
        << "3";
    QTest::newRow("settings write averaging")
        << -1 << entryOf(K::Query, queryLine(CmdWriteSettings, writeBlock)) << "CmdWriteSettings (9)"
        << ""
        << "Averaging"
        << "32";
    QTest::newRow("refused") << int(CmdReadSettings) << entryOf(K::Answer, answerLine(CmdReadSettings, 254))
                             << "CmdReadSettings (8)"
                             << "refused (254)"
                             << ""
                             << "";
    QTest::newRow("refused 255") << int(CmdReset) << entryOf(K::Answer, answerLine(CmdReset, 255))
                                 << "CmdReset (251)"
                                 << "refused (255)"
                                 << ""
                                 << "";
    QTest::newRow("status 253 is success")
        << int(CmdReset) << entryOf(K::Answer, answerLine(CmdReset, 253)) << "CmdReset (251)"
        << "OK"
        << ""
        << "";
    QTest::newRow("answer to another command")
        << int(CmdIdentify) << entryOf(K::Answer, answerLine(CmdReadLiveValues, 0, liveBlock))
        << "CmdReadLiveValues (1)"
        << "late answer ignored"
        << "fInput"
        << "21.5";
    QTest::newRow("answer nobody waited for")
        << int(CmdIdentify) << entryOf(K::Answer, answerLine(CmdIdentify, 0, QByteArray(4, '\1')), 1, false)
        << "CmdIdentify (249)"
        << "late answer ignored"
        << ""
        << "";
    QTest::newRow("crc error") << int(CmdReadLiveValues) << entryOf(K::BadInput, crcBroken) << ""
                               << "CRC error"
                               << ""
                               << "";
    QTest::newRow("cut short") << int(CmdIdentify) << entryOf(K::BadInput, cutShort) << ""
                               << "CRC error"
                               << ""
                               << "";
    QTest::newRow("noise") << int(CmdIdentify) << entryOf(K::BadInput, QByteArray("S01x;\x7f", 6)) << ""
                           << "format error"
                           << ""
                           << "";
    QTest::newRow("try without answer")
        << int(CmdReadLiveValues) << entryOf(K::NoAnswer, {}, 2) << "CmdReadLiveValues (1)"
        << "no answer (try 2)"
        << ""
        << "";
    QTest::newRow("time-out") << int(CmdReadSettings) << entryOf(K::NoAnswer, {}, TMB::MaxTries)
                              << "CmdReadSettings (8)"
                              << "time-out"
                              << ""
                              << "";
}

void tst_LinkTraffic::decoderJudgesEachFrame()
{
    QFETCH(int, pendingCommand);
    QFETCH(LinkTraffic, entry);
    QFETCH(QString, command);
    QFETCH(QString, status);
    QFETCH(QString, field);
    QFETCH(QString, value);

    TrafficDecoder decoder;
    if (pendingCommand >= 0)
        decoder.take(entryOf(LinkTraffic::Kind::Query, queryLine(quint8(pendingCommand))));
    const TrafficDecoder::Record r = decoder.take(entry);
    const TrafficDecoder::Texts english;
    QCOMPARE(TrafficDecoder::commandText(r.command), command);
    QCOMPARE(TrafficDecoder::statusText(r, english), status);
    // The line carries the frame exactly as it went over the wire.
    const QStringList columns = TrafficDecoder::line(r, english).split(QLatin1Char('\t'));
    QCOMPARE(columns.size(), 6);
    QCOMPARE(columns[2], TrafficDecoder::wireText(entry.wire));
    QCOMPARE(columns[3], command);

    const QList<TrafficDecoder::Field> fields = TrafficDecoder::fields(r);
    QCOMPARE(TrafficDecoder::hasFields(r), !fields.isEmpty());
    if (field.isEmpty()) {
        QVERIFY2(fields.isEmpty(), qPrintable(fields.value(0).name));
        return;
    }
    const auto found =
        std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.name == field; });
    QVERIFY2(found != fields.end(), qPrintable(field));
    QCOMPARE(found->value, value);
}

void tst_LinkTraffic::decoderFollowsTheConversation_data()
{
    QTest::addColumn<QList<LinkTraffic>>("entries");
    QTest::addColumn<QStringList>("statuses");
    using K = LinkTraffic::Kind;
    const LinkTraffic query = entryOf(K::Query, queryLine(CmdReadLiveValues));
    const LinkTraffic answer = entryOf(K::Answer, answerLine(CmdReadLiveValues));
    const LinkTraffic refusal = entryOf(K::Answer, answerLine(CmdReadLiveValues, DeviceRefusalStatus));
    const LinkTraffic otherAnswer = entryOf(K::Answer, answerLine(CmdIdentify));
    const LinkTraffic otherRefusal = entryOf(K::Answer, answerLine(CmdIdentify, DeviceRefusalStatus));
    QTest::newRow("late answer, then the real one")
        << QList{query, otherAnswer, answer} << QStringList{"", "late answer ignored", "OK"};
    QTest::newRow("late refusal, then the real answer")
        << QList{query, otherRefusal, answer} << QStringList{"", "late answer ignored", "OK"};
    QTest::newRow("a refusal ends the wait")
        << QList{query, refusal, answer} << QStringList{"", "refused (254)", "late answer ignored"};
}

// Each entry judged in the light of the ones before it.
void tst_LinkTraffic::decoderFollowsTheConversation()
{
    QFETCH(QList<LinkTraffic>, entries);
    QFETCH(QStringList, statuses);
    TrafficDecoder decoder;
    QStringList seen;
    for (const LinkTraffic& e : std::as_const(entries))
        seen.append(TrafficDecoder::statusText(decoder.take(e), {}));
    QCOMPARE(seen, statuses);
}

void tst_LinkTraffic::statisticsCountWhatTheTransmitterDid_data()
{
    QTest::addColumn<int>("dropEvery");
    QTest::addColumn<double>("corruptRate");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("polls");

    QTest::newRow("drop 3, corrupt 5 %") << 3 << 0.05 << 7u << 30;
    QTest::newRow("corrupt 30 %, other seed") << 0 << 0.3 << 11u << 24;
    QTest::newRow("clean line") << 0 << 0.0 << 1u << 10;
}

void tst_LinkTraffic::statisticsCountWhatTheTransmitterDid()
{
    QFETCH(int, dropEvery);
    QFETCH(double, corruptRate);
    QFETCH(quint32, seed);
    QFETCH(int, polls);

    SimulatorOptions options;
    options.dropEvery = dropEvery;
    options.corruptRate = corruptRate;
    options.seed = seed;
    options.latencyMs = 0;
    VirtualTransmitter sim(options);
    QVERIFY2(sim.isValid(), qPrintable(sim.errorText()));
    int drops = 0;
    int corrupted = 0;
    qint64 answerBytes = 0;
    qint64 queryBytes = 0;
    connect(&sim, &VirtualTransmitter::queryIgnored, this,
            [&](const QByteArray&, const QString& why) { drops += why == QLatin1String("dropped") ? 1 : 0; });
    connect(&sim, &VirtualTransmitter::answerSent, this, [&](const QByteArray& line) {
        answerBytes += line.size();
        corrupted += decodesCleanly(line) ? 0 : 1;
    });
    // Two hex digits a byte, a start letter and an end character.
    connect(&sim, &VirtualTransmitter::queryReceived, this,
            [&](const QByteArray& frame) { queryBytes += 2 * frame.size() + 2; });
    sim.start();

    TMB mb;
    mb.setMBBaud(baud019200);
    // Short tries: a dropped query costs a try's time-out.
    static constexpr quint16 TryMs = 100;
    mb.setMBMasterTimeOut(TryMs);
    LinkStatistics statistics(mb);
    TrafficLogModel log(&mb);
    QString error;
    QVERIFY2(mb.openAction(sim.devicePath(), &error), qPrintable(error));

    int okPolls = 0;
    for (int k = 0; k < polls; ++k) {
        PrepareDeviceQuery(mb, CmdReadLiveValues);
        EncodeLiveQuery(mb, cpNone, 0);
        QSignalSpy end(&mb, &TMB::OnMBMasterEndOfEvent);
        mb.MBSend(0);
        QVERIFY(end.wait((TryMs + 100) * TMB::MaxTries));
        okPolls += mb.MBStatus() == stOK ? 1 : 0;
    }
    mb.closeAction();
    sim.stop();

    const LinkStatistics::Figures f = statistics.figures(mb.baudRate());
    qInfo("%d polls: %d dropped, %d corrupted; %llu resends, %llu time-outs, p95 %.1f ms", polls, drops,
          corrupted, f.resends, f.timeOuts, f.responseP95Ms);
    if (dropEvery > 0)
        QVERIFY(drops >= polls / dropEvery);
    if (corruptRate > 0.0)
        QVERIFY2(corrupted > 0, "the seed corrupted nothing: the case proves nothing");
    QCOMPARE(f.crcOrFormatErrors, quint64(corrupted));
    QCOMPARE(f.resends + f.timeOuts, quint64(drops + corrupted));
    QCOMPARE(f.responses, quint64(okPolls));
    QCOMPARE(f.refused, quint64(0));
    QCOMPARE(f.lateAnswers, quint64(0));
    QCOMPARE(qint64(f.bytesReceived), answerBytes);
    QCOMPARE(qint64(f.bytesSent), queryBytes);
    QVERIFY(f.responseMinMs > 0.0);
    QVERIFY(f.responseMinMs <= f.responseMeanMs && f.responseMeanMs <= f.responseMaxMs);
    QVERIFY(f.responseP95Ms >= f.responseMinMs && f.responseP95Ms <= f.responseMaxMs);
    QVERIFY(f.utilisation > 0.0);

    // The log judged every entry alike.
    int bad = 0;
    int missed = 0;
    int answered = 0;
    for (int row = 0; row < log.rowCount(); ++row) {
        const TrafficDecoder::Status s = log.record(row).status;
        bad += (s == TrafficDecoder::Status::CrcError || s == TrafficDecoder::Status::FormatError) ? 1 : 0;
        missed += (s == TrafficDecoder::Status::NoAnswer || s == TrafficDecoder::Status::TimeOut) ? 1 : 0;
        answered += s == TrafficDecoder::Status::Ok ? 1 : 0;
    }
    QCOMPARE(bad, corrupted);
    QCOMPARE(missed, drops + corrupted);
    QCOMPARE(answered, okPolls);
}

void tst_LinkTraffic::nothingCapturedWithoutListener()
{
    SimulatorOptions options;
    options.corruptRate = 1.0;
    VirtualTransmitter sim(options);
    QVERIFY(sim.isValid());
    sim.start();
    TMB mb;
    mb.setMBMasterTimeOut(100);
    mb.setMBMasterMaxTryNumber(1);
    QVERIFY(mb.openAction(sim.devicePath()));
    PrepareDeviceQuery(mb, CmdIdentify);
    QSignalSpy end(&mb, &TMB::OnMBMasterEndOfEvent);
    mb.MBSend(0);
    QVERIFY(end.wait(1500));
    QCOMPARE(mb.MBStatus(), stTimeOut);

    // A listener from now on sees the next exchange only, and in full: no
    // bytes held from the unobserved one stand in front of it.
    QList<LinkTraffic> seen;
    connect(&mb, &TMB::traffic, this, [&](const LinkTraffic& e) { seen.append(e); });
    PrepareDeviceQuery(mb, CmdIdentify);
    mb.MBSend(0);
    QVERIFY(end.wait(1500));
    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen[0].kind, LinkTraffic::Kind::Query);
    QCOMPARE(seen[0].wire, queryLine(CmdIdentify));
    QCOMPARE(seen[1].kind, LinkTraffic::Kind::BadInput);
    QVERIFY(seen[1].wire.startsWith('S') || seen[1].wire.endsWith(';'));
    QCOMPARE(seen[2].kind, LinkTraffic::Kind::NoAnswer);
    QVERIFY(seen[2].finalTry);
    QVERIFY(seen[0].steadyNs <= seen[1].steadyNs && seen[1].steadyNs <= seen[2].steadyNs);
}

void tst_LinkTraffic::countingStartsAtEachOpening()
{
    VirtualTransmitter sim;
    QVERIFY(sim.isValid());
    sim.start();
    TMB mb;
    LinkStatistics statistics(mb);
    const auto poll = [&mb] {
        PrepareDeviceQuery(mb, CmdIdentify);
        QSignalSpy end(&mb, &TMB::OnMBMasterEndOfEvent);
        mb.MBSend(0);
        return end.wait(1500) && mb.MBStatus() == stOK;
    };
    QVERIFY(mb.openAction(sim.devicePath()));
    QVERIFY(poll());
    QVERIFY(poll());
    // Made while the port was closed, the statistics count time from the opening.
    const LinkStatistics::Figures open = statistics.figures(mb.baudRate());
    QVERIFY(open.seconds > 0.0);
    QVERIFY(open.utilisation > 0.0 && open.utilisation < 1.0);
    mb.closeAction();
    const LinkStatistics::Figures closed = statistics.figures(mb.baudRate());
    QCOMPARE(closed.responses, quint64(2));
    QVERIFY(closed.seconds >= open.seconds);
    // The clock stands while the port is closed.
    QCOMPARE(statistics.figures(mb.baudRate()).seconds, closed.seconds);

    QSignalSpy reset(&statistics, &LinkStatistics::wasReset);
    QVERIFY(mb.openAction(sim.devicePath()));
    QCOMPARE(reset.count(), 1);
    const LinkStatistics::Figures reopened = statistics.figures(mb.baudRate());
    QCOMPARE(reopened.responses, quint64(0));
    QCOMPARE(reopened.bytesSent, quint64(0));
    QVERIFY(poll());
    QCOMPARE(statistics.figures(mb.baudRate()).responses, quint64(1));
    mb.closeAction();
    sim.stop();
}

void tst_LinkTraffic::ringKeepsTheLatestEntries()
{
    TrafficLogModel log(nullptr);
    log.setCapacity(5);
    for (int k = 0; k < 12; ++k) {
        LinkTraffic e =
            entryOf(LinkTraffic::Kind::Query, queryLine(CmdReadLiveValues, QByteArray(3, char(k))));
        e.wallMs = k;
        log.append(e);
        if (k == 7) {
            // An opened row keeps pointing at its own entry while older
            // ones drop out in front of it.
            const QModelIndex child = log.index(1, 0, log.index(4, 0));
            QVERIFY(child.isValid());
            QCOMPARE(log.parent(child).row(), 4);
        }
    }
    QCOMPARE(log.rowCount(), 5);
    for (int row = 0; row < 5; ++row)
        QCOMPARE(log.record(row).entry.wallMs, qint64(7 + row));
    QCOMPARE(log.rowCount(log.index(0, 0)), 2);
    QCOMPARE(log.index(1, TrafficLogModel::ColumnCommand, log.index(0, 0)).data().toString(),
             QStringLiteral("1799"));

    // A full ring of many rows makes room a slice at a time, never holding
    // more than its capacity nor losing the latest.
    TrafficLogModel big(nullptr);
    big.setCapacity(1000);
    for (int k = 0; k < 1500; ++k) {
        LinkTraffic e = entryOf(LinkTraffic::Kind::Query, queryLine(CmdIdentify));
        e.wallMs = k;
        big.append(e);
        QVERIFY(big.rowCount() <= 1000);
    }
    QVERIFY(big.rowCount() >= 1000 - 1000 / TrafficLogModel::DropSlices);
    QCOMPARE(big.record(big.rowCount() - 1).entry.wallMs, qint64(1499));
    QCOMPARE(big.record(0).entry.wallMs, qint64(1500 - big.rowCount()));

    log.setCapacity(2);
    QCOMPARE(log.rowCount(), 2);
    QCOMPARE(log.record(0).entry.wallMs, qint64(10));
    log.clear();
    QCOMPARE(log.rowCount(), 0);
}

void tst_LinkTraffic::pauseHoldsBackWithinTheRing()
{
    TrafficLogModel log(nullptr);
    log.setCapacity(4);
    const auto add = [&log](qint64 at) {
        LinkTraffic e = entryOf(LinkTraffic::Kind::Query, queryLine(CmdIdentify));
        e.wallMs = at;
        log.append(e);
    };
    add(1);
    log.setPaused(true);
    for (qint64 at = 2; at <= 7; ++at)
        add(at);
    QCOMPARE(log.rowCount(), 1);
    QCOMPARE(log.heldBack(), qsizetype(4));
    log.setPaused(false);
    QCOMPARE(log.heldBack(), qsizetype(0));
    QCOMPARE(log.rowCount(), 4);
    QCOMPARE(log.record(0).entry.wallMs, qint64(4));
    QCOMPARE(log.record(3).entry.wallMs, qint64(7));
}

void tst_LinkTraffic::percentilesAndUtilisation()
{
    TMB mb;
    LinkStatistics statistics(mb);
    TrafficDecoder decoder;
    static constexpr qint64 Ms = 1000000;
    const QByteArray query = queryLine(CmdIdentify);
    const QByteArray answer = answerLine(CmdIdentify, 0, QByteArray(4, '\0'));
    // 100 answers after 1..100 ms: the 95th is 95 ms.
    for (int k = 1; k <= 100; ++k) {
        LinkTraffic q = entryOf(LinkTraffic::Kind::Query, query);
        q.steadyNs = k * 1000 * Ms;
        statistics.take(decoder.take(q));
        LinkTraffic a = entryOf(LinkTraffic::Kind::Answer, answer);
        a.steadyNs = q.steadyNs + k * Ms;
        statistics.take(decoder.take(a));
    }
    const LinkStatistics::Figures f = statistics.figures(19200);
    QCOMPARE(f.responses, quint64(100));
    QCOMPARE(f.responseMinMs, 1.0);
    QCOMPARE(f.responseMaxMs, 100.0);
    QCOMPARE(f.responseMeanMs, 50.5);
    QVERIFY2(qAbs(f.responseP95Ms - 95.0) <= LinkStatistics::BinMs,
             qPrintable(QString::number(f.responseP95Ms)));
    QCOMPARE(f.bytesSent, quint64(100 * query.size()));
    QCOMPARE(f.bytesReceived, quint64(100 * answer.size()));

    statistics.reset();
    const LinkStatistics::Figures cleared = statistics.figures(19200);
    QCOMPARE(cleared.responses, quint64(0));
    QCOMPARE(cleared.bytesSent, quint64(0));
    QCOMPARE(cleared.utilisation, 0.0);
}

QTEST_GUILESS_MAIN(tst_LinkTraffic)
#include "tst_link_traffic.moc"
