// kvconf --simulate in-process: the virtual transmitter's port shows up in
// the link panel, opens and answers, and the shutdown remembers it.

#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "app/simulated_transmitter.h"
#include "link/tmb.h"
#include "link/tmb_panel.h"
#include "tests/support/raw_master.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int WaitMs = 5000;

} // namespace

class tst_AppSimulate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refreshOpenAndClose();
    void firstQueryRightAfterStartIsAnswered();
};

void tst_AppSimulate::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    qRegisterMetaType<TMBStatus>();
}

void tst_AppSimulate::refreshOpenAndClose()
{
    const QByteArray savedPorts = qgetenv("KV_EXTRA_PORTS");
    qputenv("KV_EXTRA_PORTS", "/dev/kv-none");
    SimulatedTransmitter simulated;
    QString error;
    QVERIFY2(simulated.start(SimulatorOptions(), &error), qPrintable(error));
    const QString port = simulated.devicePath();
    QVERIFY(port.startsWith(u"/dev/"));
    SimulatedTransmitter::addToPortList(port);
    SimulatedTransmitter::addToPortList(port);
    QCOMPARE(qgetenv("KV_EXTRA_PORTS"), "/dev/kv-none:" + port.toLocal8Bit());

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString configPath = dir.filePath(QStringLiteral("kvconf.ini"));
    {
        TForm_KVTipusValasztas startForm;
        TForm_Main mainForm(&startForm, AppContext{{QStringLiteral("--simulate")}, dir.filePath("kvconf")});
        QSignalSpy ended(&startForm, &TForm_KVTipusValasztas::formClosed);
        startForm.show();
        QVERIFY(QTest::qWaitForWindowActive(&startForm));
        startForm.Button_OK->click();
        QVERIFY(QTest::qWaitForWindowActive(&mainForm));

        TMBPanel* panel = mainForm.MB1Panel;
        QTRY_VERIFY_WITH_TIMEOUT(panel->refreshButton()->isEnabled(), WaitMs);
        QTest::mouseClick(panel->refreshButton(), Qt::LeftButton);
        // Nothing was remembered, so the newest extra port comes first and is chosen.
        QVERIFY(panel->portList()->count() > 0);
        QCOMPARE(panel->portList()->currentItem()->text(), port);
        QVERIFY(panel->openButton()->isEnabled());

        QTest::mouseClick(panel->openButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(mainForm.MB1->MBPortOpen(), WaitMs);

        // The transmitter behind it answers: the window identifies it and polls it.
        QTRY_COMPARE_WITH_TIMEOUT(mainForm.Label_Firmware->text(), QStringLiteral("Firmware: v2015-03-25"),
                                  WaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(mainForm.GroupBox_System->isVisible(), WaitMs);

        QVERIFY(mainForm.close());
        QCOMPARE(ended.count(), 1);
        QVERIFY(!mainForm.MB1->MBPortOpen());
    }
    qputenv("KV_EXTRA_PORTS", savedPorts);
    simulated.stop();
    QVERIFY(!simulated.isRunning());
    QFile file(configPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(file.readAll().contains("MBLastUsedPort=" + port.toLocal8Bit() + '\n'), qPrintable(configPath));
}

void tst_AppSimulate::firstQueryRightAfterStartIsAnswered()
{
    // start() hands the serving to another thread; once it has returned and
    // the path is shown, a query must not be dropped as stale.
    constexpr int Starts = 8;
    QStringList lost;
    for (int start = 0; start < Starts; ++start) {
        SimulatedTransmitter simulated;
        QString error;
        QVERIFY2(simulated.start(SimulatorOptions(), &error), qPrintable(error));
        const QByteArray answer = raw_master::identify(simulated.devicePath(), WaitMs);
        if (!raw_master::isAnswer(answer))
            lost << QStringLiteral("start %1: '%2'").arg(start).arg(QString::fromLatin1(answer));
    }
    QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QStringLiteral("; "))));
}

QTEST_MAIN(tst_AppSimulate)
#include "tst_app_simulate.moc"
