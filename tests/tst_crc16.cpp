#include "link/crc16.h"

#include <QRandomGenerator>
#include <QTest>

class tst_Crc16 : public QObject
{
    Q_OBJECT

private slots:
    void knownValues_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("crc");

        QTest::newRow("check value") << QByteArray("123456789") << 0x4B37;
        QTest::newRow("empty keeps start value") << QByteArray() << 0xFFFF;
        QTest::newRow("rtu read 10 registers") << QByteArray::fromHex("01030000000A") << 0xCDC5;
        QTest::newRow("rtu read 3 registers") << QByteArray::fromHex("1103006B0003") << 0x8776;
        QTest::newRow("nibble query 1/34/1") << QByteArray::fromHex("012201") << 0x60F9;
        QTest::newRow("ascii query 1/34/1") << QByteArray::fromHex("01220100") << 0x42A0;
        QTest::newRow("ascii answer 0x1234") << QByteArray::fromHex("012201003412") << 0xFC6E;
    }
    void knownValues()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, crc);
        QCOMPARE(frame::crc16Modbus(bytes), quint16(crc));
        QCOMPARE(frame::crc16ModbusBitwise(bytes), quint16(crc));
    }

    void appendedLowByteFirst()
    {
        QCOMPARE(frame::withCrc("123456789"), QByteArray("123456789\x37\x4B"));
        QCOMPARE(frame::withCrc(QByteArray::fromHex("01030000000A")),
                 QByteArray::fromHex("01030000000AC5CD"));
        QCOMPARE(frame::withCrc(QByteArray::fromHex("1103006B0003")),
                 QByteArray::fromHex("1103006B00037687"));
    }

    void tableMatchesBitwise()
    {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes(int(random.bounded(0, 600)), Qt::Uninitialized);
            for (char& c : bytes)
                c = char(random.bounded(256));
            const quint16 start = quint16(random.bounded(0x10000));
            QCOMPARE(frame::crc16Modbus(bytes, start), frame::crc16ModbusBitwise(bytes, start));
        }
    }

    void chainsAcrossPieces()
    {
        const QByteArray bytes("123456789");
        for (int split = 0; split <= bytes.size(); ++split) {
            const quint16 first = frame::crc16Modbus(bytes.first(split));
            QCOMPARE(frame::crc16Modbus(bytes.mid(split), first), quint16(0x4B37));
        }
    }

    void crcMatches_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("matches");

        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("one byte") << QByteArray("\xFF", 1) << false;
        QTest::newRow("crc of nothing") << QByteArray("\xFF\xFF", 2) << true;
        QTest::newRow("check value") << QByteArray("123456789\x37\x4B") << true;
        QTest::newRow("crc bytes swapped") << QByteArray("123456789\x4B\x37") << false;
        QTest::newRow("data bit flipped") << QByteArray("123456788\x37\x4B") << false;
        QTest::newRow("rtu frame") << QByteArray::fromHex("1103006B00037687") << true;
    }
    void crcMatches()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, matches);
        QCOMPARE(frame::crcMatches(bytes), matches);
    }

    // Any single-bit error in a frame is caught.
    void everySingleBitErrorDetected()
    {
        const QByteArray good = frame::withCrc(QByteArray::fromHex("0122010034126655"));
        QVERIFY(frame::crcMatches(good));
        for (int bit = 0; bit < good.size() * 8; ++bit) {
            QByteArray bad = good;
            bad[bit / 8] = char(bad[bit / 8] ^ (1 << (bit % 8)));
            QVERIFY2(!frame::crcMatches(bad), qPrintable(QString::number(bit)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Crc16)
#include "tst_crc16.moc"
