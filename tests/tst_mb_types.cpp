#include "link/mb_types.h"

#include <QTest>

class tst_MBTypes : public QObject
{
    Q_OBJECT

private slots:
    void baudTable_data()
    {
        QTest::addColumn<int>("ordinal");
        QTest::addColumn<quint32>("rate");

        const quint32 rates[] = {75,    110,   134,    150,    300,    600,    1200,
                                 1800,  2400,  4800,   7200,   9600,   14400,  19200,
                                 38400, 57600, 115200, 128000, 230400, 460800, 921600};
        QCOMPARE(int(std::size(rates)), TMBBaudCount);
        for (int i = 0; i < TMBBaudCount; ++i)
            QTest::addRow("%u", rates[i]) << i << rates[i];
    }
    void baudTable()
    {
        QFETCH(int, ordinal);
        QFETCH(quint32, rate);
        QCOMPARE(mb::baudRate(ordinal), rate);
        QCOMPARE(int(mb::baudFromRate(rate)), ordinal);
        QCOMPARE(mb::baudText(TMBBaud(ordinal)), QString::number(rate) + QStringLiteral(" baud"));
    }

    void baudOutsideTable_data()
    {
        QTest::addColumn<int>("ordinal");
        QTest::addColumn<quint32>("rate");
        QTest::newRow("negative ordinal, zero rate") << -1 << 0u;
        QTest::newRow("ordinal 21, rate 14401") << 21 << 14401u;
        QTest::newRow("huge ordinal, rate 250000") << 1000 << 250000u;
    }
    void baudOutsideTable()
    {
        QFETCH(int, ordinal);
        QFETCH(quint32, rate);
        QCOMPARE(mb::baudRate(ordinal), 9600u);
        QCOMPARE(mb::baudFromRate(rate), baud009600);
    }

    void statusTexts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("ok") << int(stOK) << 0 << "OK";
        QTest::newRow("slave error 129") << int(stSlaveError) << 129 << "Slave Error: #129";
        QTest::newRow("slave error 254") << int(stSlaveError) << 254 << "Slave Error: #254";
        QTest::newRow("time out") << int(stTimeOut) << 0 << "Time Out";
        QTest::newRow("closed port") << int(stClosedPort) << 0 << "Closed Port";
    }
    void statusTexts()
    {
        QFETCH(int, status);
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(mb::statusText(TMBStatus(status), code), text);
    }

    void statusNowTexts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        const char* texts[] = {"Ready",      "Sending",  "Waiting For Answer",  "Receiving",
                               "Port Error", "Time Out", "Waiting For Command", "Received Command"};
        for (int i = 0; i <= stnReceivedCommand; ++i)
            QTest::newRow(texts[i]) << i << QString::fromLatin1(texts[i]);
    }
    void statusNowTexts()
    {
        QFETCH(int, status);
        QFETCH(QString, text);
        QCOMPARE(mb::statusNowText(TMBStatusNow(status)), text);
    }

    void modes()
    {
        QCOMPARE(mb::frameHeaderSize(modeASCIIMaster), 4);
        for (TMBMode mode : {modeMaster, modeSlave, modeASCIISlave, modeDiagnostic, modeByte, modeString})
            QCOMPARE(mb::frameHeaderSize(mode), 3);
        QVERIFY(mb::isMasterMode(modeMaster) && mb::isMasterMode(modeASCIIMaster));
        QVERIFY(!mb::isMasterMode(modeDiagnostic) && !mb::isMasterMode(modeSlave));
        QVERIFY(mb::isSlaveMode(modeSlave) && mb::isSlaveMode(modeASCIISlave));
        QVERIFY(!mb::isSlaveMode(modeByte));
    }

    void transmissionTime_data()
    {
        QTest::addColumn<int>("dataBytes");
        QTest::addColumn<quint32>("rate");
        QTest::addColumn<int>("ms");

        QTest::newRow("no data at 19200") << 0 << 19200u << 6;
        QTest::newRow("16 bytes at 19200") << 16 << 19200u << 23;
        QTest::newRow("no data at 9600") << 0 << 9600u << 11;
        QTest::newRow("22 bytes at 19200") << 22 << 19200u << 29;
        QTest::newRow("fast line rounds to zero") << 0 << 921600u << 1;
        // 625/512 ms per byte pair is exact in binary: 312.5 and 937.5 ms.
        QTest::newRow("half rounds down to even") << 251 << 16384u << 313;
        QTest::newRow("half rounds up to even") << 763 << 16384u << 939;
        QTest::newRow("longest frame at 75") << 2043 << 75u << 65535;
        QTest::newRow("just within a word") << 240 << 75u << 65334;
    }
    void transmissionTime()
    {
        QFETCH(int, dataBytes);
        QFETCH(quint32, rate);
        QFETCH(int, ms);
        QCOMPARE(int(mb::transmissionTimeMs(dataBytes, rate)), ms);
    }
};

QTEST_GUILESS_MAIN(tst_MBTypes)
#include "tst_mb_types.moc"
