#include "device/device_protocol.h"
#include "link/tmb.h"
#include "tests/support/raw_master.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#ifndef KVSIM_PATH
#define KVSIM_PATH ""
#endif

// kvsim as a child process: the path it prints, talking to it, stopping it.
class tst_SimProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void helpExplainsOptions();
    void badOptionIsRefused_data();
    void badOptionIsRefused();
    void servesUntilSignalled_data();
    void servesUntilSignalled();
    void firstQueryRightAfterPathIsAnswered();
    void benchCommandsOnStandardInput();

private:
    QString m_program;
};

void tst_SimProgram::initTestCase()
{
    qRegisterMetaType<TMBStatus>();
    m_program = QString::fromLocal8Bit(qgetenv("KVSIM"));
    if (m_program.isEmpty())
        m_program = QStringLiteral(KVSIM_PATH);
    QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable("kvsim not found at '" + m_program + "'"));
}

void tst_SimProgram::helpExplainsOptions()
{
    QProcess process;
    process.start(m_program, {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QString text = QString::fromLocal8Bit(process.readAllStandardOutput());
    for (const char* option :
         {"--model", "--firmware", "--pt1000", "--voltage", "--open-sensor", "--latency", "--refuse",
          "--short-answer", "--drop-every", "--corrupt-rate", "--seed", "--link"})
        QVERIFY2(text.contains(QLatin1String(option)), option);
}

void tst_SimProgram::badOptionIsRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown option") << QStringList{"--frobnicate"};
    QTest::newRow("unknown model") << QStringList{"--model", "KV9999"};
    QTest::newRow("rate above 1") << QStringList{"--corrupt-rate", "1.5"};
    QTest::newRow("refuse 300") << QStringList{"--refuse", "300"};
    QTest::newRow("short answer to a word") << QStringList{"--short-answer", "settings"};
    QTest::newRow("latency text") << QStringList{"--latency", "soon"};
    QTest::newRow("stray argument") << QStringList{"extra"};
}

void tst_SimProgram::badOptionIsRefused()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    process.start(m_program, arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    QVERIFY(process.readAllStandardError().startsWith("kvsim: "));
}

void tst_SimProgram::servesUntilSignalled_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void tst_SimProgram::servesUntilSignalled()
{
    QFETCH(int, signalNumber);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyKV"));

    QProcess process;
    process.start(m_program,
                  {QStringLiteral("--firmware"), QStringLiteral("20150324"), QStringLiteral("--model"),
                   QStringLiteral("kv4820"), QStringLiteral("--link"), link});
    QVERIFY(process.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 10000);
    const QString devicePath = QString::fromLocal8Bit(process.readLine()).trimmed();
    QVERIFY2(devicePath.startsWith(QLatin1String("/dev/")), qPrintable(devicePath));
    QCOMPARE(QFileInfo(link).symLinkTarget(), devicePath);

    TMB mb;
    mb.setMBBaud(baud019200);
    QVERIFY(mb.openAction(link));
    PrepareDeviceQuery(mb, CmdIdentify);
    QSignalSpy spy(&mb, &TMB::OnMBMasterEndOfEvent);
    mb.MBSend(0);
    QVERIFY(spy.wait(10000));
    QCOMPARE(mb.MBStatus(), stOK);
    QCOMPARE(DecodeFirmwareVersion(mb), quint32(20150324));
    mb.closeAction();

    QCOMPARE(process.state(), QProcess::Running);
    if (signalNumber == SIGTERM)
        process.terminate();
    else
        ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void tst_SimProgram::firstQueryRightAfterPathIsAnswered()
{
    // A master of its own, without the link's start-up delays: it opens the
    // path and sends the moment it has read it. The race with kvsim's own
    // start is lost now and then only, hence several starts.
    constexpr int Starts = 8;
    QStringList lost;
    for (int start = 0; start < Starts; ++start) {
        QProcess process;
        process.start(m_program, {QStringLiteral("--latency"), QStringLiteral("0")});
        QVERIFY(process.waitForStarted(10000));
        while (!process.canReadLine())
            QVERIFY(process.waitForReadyRead(10000));
        const QString path = QString::fromLocal8Bit(process.readLine().trimmed());
        const QByteArray answer = raw_master::identify(path, 5000);
        process.terminate();
        QVERIFY(process.waitForFinished(10000));
        if (!raw_master::isAnswer(answer))
            lost << QStringLiteral("start %1: '%2'").arg(start).arg(QString::fromLatin1(answer));
    }
    QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QStringLiteral("; "))));
}

// One answer line per command line; the end of the input ends only the bench.
void tst_SimProgram::benchCommandsOnStandardInput()
{
    QProcess process;
    process.start(m_program, {QStringLiteral("--out-of-calibration")});
    QVERIFY(process.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 10000);
    const QString path = QString::fromLocal8Bit(process.readLine()).trimmed();
    process.write("help\nresistor 490\nbogus\r\nmeter");
    process.closeWriteChannel();
    QStringList answers;
    const auto collect = [&] {
        while (process.canReadLine())
            answers << QString::fromLocal8Bit(process.readLine()).trimmed();
        return answers.size() >= 4;
    };
    QTRY_VERIFY_WITH_TIMEOUT(collect(), 10000);
    QVERIFY2(answers.at(0).startsWith(QLatin1String("commands: resistor OHM")), qPrintable(answers.at(0)));
    QCOMPARE(answers.mid(1, 2),
             (QStringList{"ok: 490 ohm connected", "error: unknown command 'bogus' (try help)"}));
    QVERIFY2(answers.at(3).startsWith(QLatin1String("meter: ")) &&
                 answers.at(3).endsWith(QLatin1String(" mA")),
             qPrintable(answers.at(3)));
    QVERIFY(raw_master::isAnswer(raw_master::identify(path, 5000)));
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_SimProgram)
#include "tst_sim_program.moc"
