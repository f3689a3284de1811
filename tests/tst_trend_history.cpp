// The trend's history and the recording's file format, without a window.

#include "device/device_settings.h"
#include "device/live_csv_writer.h"
#include "device/trend_history.h"
#include "tests/support/test_files.h"

#include <QTemporaryDir>
#include <QTest>

#include <cfloat>
#include <cmath>
#include <vector>

namespace {

LiveValues block(float input, float output = 12.0f, quint8 mode = imTemperature, bool voltage = false)
{
    LiveValues v;
    v.fInput = input;
    v.fOutput = output;
    v.uMode = mode;
    v.bVoltageOutput = voltage;
    return v;
}

} // namespace

class tst_TrendHistory : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheHistoryOnly_data();
    void keepsTheHistoryOnly();
    void unitsFollowTheTransmitter_data();
    void unitsFollowTheTransmitter();
    void clockSetBackStartsAfresh();
    void decimationKeepsEveryPeak_data();
    void decimationKeepsEveryPeak();

    void numbersReadBack_data();
    void numbersReadBack();
    void unitsHaveColumnsOfTheirOwn();
};

void tst_TrendHistory::keepsTheHistoryOnly_data()
{
    QTest::addColumn<qint64>("historyMs");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("kept");
    QTest::newRow("fewer than the history") << qint64(60000) << 100 << 50 << 50;
    // 60 s at 10 per second: the newest block and 600 before it.
    QTest::newRow("ten per second, ten minutes") << qint64(60000) << 100 << 2000 << 601;
    QTest::newRow("slow blocks") << qint64(60000) << 7000 << 40 << 9;
    // Faster than the task can poll: the ring's size bounds it.
    QTest::newRow("too fast for the ring") << qint64(1000) << 10 << 500 << 21;
}

void tst_TrendHistory::keepsTheHistoryOnly()
{
    QFETCH(qint64, historyMs);
    QFETCH(int, intervalMs);
    QFETCH(int, blocks);
    QFETCH(int, kept);
    TrendHistory history(historyMs);
    const qsizetype capacity = history.capacity();
    for (int i = 0; i < blocks; ++i)
        history.add(1000000 + qint64(i) * intervalMs, block(float(i)));
    QCOMPARE(history.capacity(), capacity);
    QCOMPARE(history.size(), kept);
    // The newest blocks, oldest first.
    QCOMPARE(history.newest().measured, double(blocks - 1));
    for (qsizetype i = 0; i < history.size(); ++i)
        QCOMPARE(history.at(i).measured, double(blocks - kept + i));
    QVERIFY(history.newest().timeMs - history.at(0).timeMs <= historyMs);
}

void tst_TrendHistory::unitsFollowTheTransmitter_data()
{
    QTest::addColumn<quint8>("mode");
    QTest::addColumn<bool>("voltage");
    QTest::addColumn<QString>("measuredUnit");
    QTest::addColumn<QString>("outputUnit");
    QTest::addColumn<bool>("keepsSamples");
    QTest::newRow("same units") << quint8(imTemperature) << false << "°C"
                                << "mA" << true;
    QTest::newRow("potentiometer") << quint8(imPotentiometer) << false << "%"
                                   << "mA" << false;
    QTest::newRow("resistance") << quint8(imResistance) << false << "ohm"
                                << "mA" << false;
    QTest::newRow("voltage output") << quint8(imTemperature) << true << "°C"
                                    << "V" << false;
}

void tst_TrendHistory::unitsFollowTheTransmitter()
{
    QFETCH(quint8, mode);
    QFETCH(bool, voltage);
    QFETCH(QString, measuredUnit);
    QFETCH(QString, outputUnit);
    QFETCH(bool, keepsSamples);
    TrendHistory history;
    QVERIFY(history.measuredUnit().isEmpty());
    for (int i = 0; i < 5; ++i)
        history.add(i * 100, block(21.0f));
    history.add(500, block(50.0f, 5.0f, mode, voltage));
    QCOMPARE(history.measuredUnit(), measuredUnit);
    QCOMPARE(history.outputUnit(), outputUnit);
    // A curve never mixes units.
    QCOMPARE(history.size(), keepsSamples ? 6 : 1);
}

void tst_TrendHistory::clockSetBackStartsAfresh()
{
    TrendHistory history;
    for (int i = 0; i < 5; ++i)
        history.add(10000 + i * 100, block(float(i)));
    history.add(9000, block(7.0f));
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.lowerBound(9000), 0);
    QCOMPARE(history.lowerBound(9001), 1);
}

void tst_TrendHistory::decimationKeepsEveryPeak_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("buckets");
    QTest::newRow("many samples, few columns") << 6000 << 300;
    QTest::newRow("fewer samples than columns") << 100 << 300;
    QTest::newRow("one column") << 1000 << 1;
}

void tst_TrendHistory::decimationKeepsEveryPeak()
{
    QFETCH(int, samples);
    QFETCH(int, buckets);
    TrendHistory history(qint64(samples) * 100);
    for (int i = 0; i < samples; ++i) {
        // A slow wave with a one-sample spike up and one down.
        double value = 20.0 + std::sin(i / 200.0);
        if (i == samples / 3)
            value = 80.0;
        if (i == 2 * samples / 3)
            value = -40.0;
        history.add(qint64(i) * 100, block(float(value)));
    }
    std::vector<TrendHistory::Sample> out;
    const qint64 to = history.newest().timeMs;
    history.decimate(0, history.size(), 0, to, buckets, true, out);
    QVERIFY(qsizetype(out.size()) <= std::max(2 * qsizetype(buckets), qsizetype(samples)));
    if (samples > 2 * buckets)
        QVERIFY(qsizetype(out.size()) <= 2 * qsizetype(buckets) + 2);
    const TrendHistory::Range all = history.measuredRange(0, history.size());
    double high = -1e9;
    double low = 1e9;
    for (size_t i = 0; i < out.size(); ++i) {
        high = std::max(high, out[i].measured);
        low = std::min(low, out[i].measured);
        if (i > 0)
            QVERIFY(out[i].timeMs > out[i - 1].timeMs);
    }
    QCOMPARE(high, all.high);
    QCOMPARE(low, all.low);
    QCOMPARE(all.high, 80.0);
    QCOMPARE(all.low, -40.0);
}

void tst_TrendHistory::numbersReadBack_data()
{
    QTest::addColumn<float>("value");
    QTest::newRow("one decimal") << 21.3f;
    QTest::newRow("negative") << -200.0f;
    QTest::newRow("tiny") << 1.17549435e-38f;
    QTest::newRow("largest") << FLT_MAX;
    QTest::newRow("many digits") << 0.1f + 0.2f;
}

// Every float of a row reads back, as a number read into a double and
// rounded to a float, to the very value the block held.
void tst_TrendHistory::numbersReadBack()
{
    QFETCH(float, value);
    LiveValues v = block(value, -value);
    v.fCalculatedR = value;
    v.ADRaw = -2097152;
    v.FirmwareVersion = 20150325;
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(1'800'000'000'123);
    const QStringList header = LiveCsvWriter::columns();
    const QStringList row = QString::fromUtf8(LiveCsvWriter::row(time, v)).split(u',');
    QCOMPARE(row.size(), header.size());
    QCOMPARE(QDateTime::fromString(row[0], Qt::ISODateWithMs), time);
    const auto read = [&](const char* column) {
        return float(row[header.indexOf(QString::fromLatin1(column))].toDouble());
    };
    QCOMPARE(read("value"), value);
    QCOMPARE(read("output"), -value);
    QCOMPARE(read("fCalculatedR [ohm]"), value);
    QCOMPARE(row[header.indexOf(QStringLiteral("ADRaw [counts]"))], QStringLiteral("-2097152"));
    QCOMPARE(row[header.indexOf(QStringLiteral("FirmwareVersion [YYYYMMDD]"))], QStringLiteral("20150325"));
}

// One header for every file, the first columns the time, the value and the
// output with their units, which follow the block; a file opened again on
// the same path starts over with the header, whatever was written before.
void tst_TrendHistory::unitsHaveColumnsOfTheirOwn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("modes.csv"));
    LiveCsvWriter writer;
    QVERIFY(writer.open(path));
    const QDateTime time = QDateTime::currentDateTime();
    LiveValues open = block(41.0f, 6.0f, imPotentiometer, true);
    open.uStatusBits = statusBitMask(StatusBit::ADUnderFlow) | statusBitMask(StatusBit::bOpenError);
    QVERIFY(writer.write(time, block(21.0f)));
    QVERIFY(writer.write(time, open));
    QCOMPARE(writer.rows(), 2);
    writer.close();
    QCOMPARE(writer.rows(), 2);

    const QString header = QStringLiteral("time,value,unit,output,output_unit,ADRaw [counts],");
    QList<QStringList> lines;
    for (const QString& line : fileLines(path))
        lines.append(line.split(u','));
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].join(u',').startsWith(header));
    QCOMPARE(lines[0].constLast(), QStringLiteral("status_flags"));
    QCOMPARE(lines[1].mid(1, 4), (QStringList{"21", "degC", "12", "mA"}));
    QCOMPARE(lines[2].mid(1, 4), (QStringList{"41", "%", "6", "V"}));
    QCOMPARE(lines[1].constLast(), QString());
    QCOMPARE(lines[2].constLast(), QStringLiteral("ADUnderFlow bOpenError"));
    for (const QStringList& line : lines)
        QCOMPARE(line.size(), lines[0].size());

    for (int round = 0; round < 2; ++round) {
        QVERIFY(writer.open(path));
        QCOMPARE(writer.rows(), 0);
        QVERIFY(writer.write(time, block(1.0f)));
        const QStringList again = fileLines(path);
        QCOMPARE(again.size(), 2);
        QVERIFY(again[0].startsWith(header));
        writer.close();
    }
}

QTEST_MAIN(tst_TrendHistory)
#include "tst_trend_history.moc"
