// The trend's history, its columns and axes, and the recording's file
// format, without a window.

#include "device/device_settings.h"
#include "device/live_csv_writer.h"
#include "device/trend_columns.h"
#include "device/trend_history.h"
#include "device/trend_scale.h"
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
    void columnsKeepEveryPeak_data();
    void columnsKeepEveryPeak();
    void valueTicksAreRound_data();
    void valueTicksAreRound();
    void timeTicksAreWholeSteps_data();
    void timeTicksAreWholeSteps();

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

void tst_TrendHistory::columnsKeepEveryPeak_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("columns");
    QTest::newRow("many samples, few columns") << 6000 << 300;
    QTest::newRow("fewer samples than columns") << 100 << 300;
    QTest::newRow("one column") << 1000 << 1;
}

// Reduced all at once or a sample at a time, the curve keeps every peak,
// at most two points a column, in time order; a sample changes no point
// before the one it says.
void tst_TrendHistory::columnsKeepEveryPeak()
{
    QFETCH(int, samples);
    QFETCH(int, columns);
    const auto valueAt = [samples](int i) {
        // A slow wave with a one-sample spike up and one down.
        return i == samples / 3 ? 80.0 : i == 2 * samples / 3 ? -40.0 : 20.0 + std::sin(i / 200.0);
    };
    const qint64 toMs = qint64(samples) * 100;
    TrendHistory history(toMs);
    TrendColumns oneByOne;
    oneByOne.reset(history, 0, toMs, columns);
    for (int i = 0; i < samples; ++i) {
        history.add(qint64(i) * 100, block(float(valueAt(i)), float(i % 7)));
        const QList<QPointF> before = oneByOne.points(TrendColumns::Output);
        const qsizetype changed = oneByOne.add(history.newest())[TrendColumns::Output];
        QVERIFY(changed <= before.size());
        QCOMPARE(oneByOne.points(TrendColumns::Output).first(changed), before.first(changed));
    }
    TrendColumns allAtOnce;
    allAtOnce.reset(history, 0, toMs, columns);
    for (TrendColumns::Curve curve : {TrendColumns::Measured, TrendColumns::Output})
        QCOMPARE(oneByOne.points(curve), allAtOnce.points(curve));

    const QList<QPointF>& points = allAtOnce.points(TrendColumns::Measured);
    QVERIFY(points.size() <= std::min(2 * columns, samples));
    double high = -1e9;
    double low = 1e9;
    for (qsizetype i = 0; i < points.size(); ++i) {
        high = std::max(high, points[i].y());
        low = std::min(low, points[i].y());
        if (i > 0)
            QVERIFY(points[i].x() > points[i - 1].x());
    }
    QCOMPARE(high, 80.0);
    QCOMPARE(low, -40.0);
    QCOMPARE(allAtOnce.range(TrendColumns::Measured)->high, 80.0);
}

void tst_TrendHistory::valueTicksAreRound_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("axisLow");
    QTest::addColumn<double>("axisHigh");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("decimals");
    // The field trial's axis ran 21.029 ... with ticks on odd numbers.
    QTest::newRow("nearly flat") << 21.0 << 21.06 << 20.95 << 21.10 << 0.05 << 2;
    QTest::newRow("flat") << 12.0 << 12.0 << 11.94 << 12.06 << 0.02 << 2;
    QTest::newRow("current output") << 4.0 << 20.0 << 0.0 << 25.0 << 5.0 << 0;
    QTest::newRow("below zero") << -40.0 << 80.0 << -50.0 << 100.0 << 50.0 << 0;
    QTest::newRow("resistance") << 109.7 << 111.3 << 109.5 << 111.5 << 0.5 << 1;
}

void tst_TrendHistory::valueTicksAreRound()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, axisLow);
    QFETCH(double, axisHigh);
    QFETCH(double, step);
    QFETCH(int, decimals);
    constexpr int MostIntervals = 6;
    const trendscale::ValueScale scale = trendscale::valueScale(low, high, 0.1, 0.05, MostIntervals);
    QVERIFY(qAbs(scale.low - axisLow) < 1e-9 && qAbs(scale.high - axisHigh) < 1e-9);
    QVERIFY(qAbs(scale.step - step) < 1e-12);
    QCOMPARE(scale.decimals, decimals);
    QVERIFY(scale.low < low && scale.high > high);
    QVERIFY(scale.tickCount - 1 <= MostIntervals);
    QVERIFY(qAbs(scale.low + (scale.tickCount - 1) * scale.step - scale.high) < 1e-9);
}

void tst_TrendHistory::timeTicksAreWholeSteps_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("spanS");
    QTest::addColumn<int>("offsetS");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("ticks");
    QTest::newRow("30 s") << "2030-01-01T12:00:07.250" << 30 << 3600 << "11:59:40"
                          << "12:00:10" << 4;
    QTest::newRow("on a tick") << "2030-01-01T12:00:10.000" << 30 << 3600 << "11:59:50"
                               << "12:00:20" << 4;
    QTest::newRow("2 min") << "2030-01-01T12:00:07.250" << 120 << 0 << "11:58:30"
                           << "12:00:30" << 5;
    QTest::newRow("10 min, offset of 5:45") << "2030-01-01T12:03:00.000" << 600 << 20700 << "11:54:00"
                                            << "12:04:00" << 6;
}

// The window's ends on whole steps of the local clock, the newest time in
// its last step.
void tst_TrendHistory::timeTicksAreWholeSteps()
{
    QFETCH(QString, time);
    QFETCH(int, spanS);
    QFETCH(int, offsetS);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, ticks);
    const QDateTime local = QDateTime::fromString(time, Qt::ISODateWithMs);
    const QDateTime at(local.date(), local.time(), Qt::OffsetFromUTC, offsetS);
    const trendscale::TimeScale scale =
        trendscale::timeScale(at.toMSecsSinceEpoch(), qint64(spanS) * 1000, qint64(offsetS) * 1000, 5);
    const auto clock = [offsetS](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offsetS).toString(u"hh:mm:ss.zzz");
    };
    QCOMPARE(clock(scale.fromMs), from + QStringLiteral(".000"));
    QCOMPARE(clock(scale.toMs), to + QStringLiteral(".000"));
    QCOMPARE(scale.tickCount, ticks);
    QCOMPARE(scale.toMs - scale.fromMs, qint64(spanS) * 1000);
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
