// The "Virtual bench" tool window: where it goes beside the main window,
// driving the in-process transmitter on its thread, in the main window's
// language, and that visiting it is no reason for its activation steps.

#include "app/bench_window.h"
#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "app/simulated_transmitter.h"
#include "link/tmb.h"
#include "tests/support/test_files.h"
#include "widgets/radio_group.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <cmath>

namespace {

constexpr int WaitMs = 15000;

} // namespace

class tst_BenchWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void drivesTheTransmitterBesideTheWindow();
    void visitingTheBenchKeepsTheLanguage();
};

void tst_BenchWindow::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    qRegisterMetaType<TMBStatus>();
}

void tst_BenchWindow::drivesTheTransmitterBesideTheWindow()
{
    SimulatedTransmitter simulated;
    QString error;
    QVERIFY2(simulated.start(SimulatorOptions(), &error), qPrintable(error));
    TForm_Main form;
    BenchWindow bench(simulated, &form);
    form.attachVirtualBench(&bench);
    // The test screen is small: room beside a main window at its smallest.
    form.setGeometry(0, 0, TForm_Main::FormMinimumSize, TForm_Main::FormMinimumSize);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY_WITH_TIMEOUT(bench.isVisible(), WaitMs);
    QVERIFY(QTest::qWaitForWindowExposed(&bench));
    QVERIFY(!bench.frameGeometry().intersects(form.frameGeometry()));
    QVERIFY(form.screen()->availableGeometry().contains(bench.frameGeometry()));
    QVERIFY(form.MB1->openAction(simulated.devicePath()));

    bench.resistorChoice->setCurrentIndex(bench.resistorChoice->findText(QStringLiteral("249")));
    bench.connectResistor->click();
    QCOMPARE(bench.lastAnswer->text(), QStringLiteral("249 ohm csatlakoztatva"));
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(form.Label_fCalculatedR->text().toDouble() - 249.0) < 0.05, WaitMs);
    QVERIFY2(bench.meter->text().endsWith(QLatin1String(" mA")), qPrintable(bench.meter->text()));

    bench.openCircuit->click();
    QTRY_COMPARE_WITH_TIMEOUT(form.Label_uErrorNumber->text(), QStringLiteral("2"), WaitMs);

    // The two windows as they stand on the screen.
    QPixmap screen(form.screen()->availableGeometry().size());
    screen.fill(Qt::darkGray);
    QPainter(&screen).drawPixmap(form.geometry().topLeft(), form.grab());
    QPainter(&screen).drawPixmap(bench.geometry().topLeft(), bench.grab());
    QVERIFY(screen.save(outputDir() + QStringLiteral("/bench_beside_main_window.png")));
    form.MB1->closeAction();
}

// A tool window stands for the world outside the program: coming back from
// it keeps what the user changed, like coming back from another application.
void tst_BenchWindow::visitingTheBenchKeepsTheLanguage()
{
    SimulatedTransmitter notRunning;
    TForm_KVTipusValasztas startForm;
    TForm_Main form(&startForm);
    BenchWindow bench(notRunning, &form);
    form.attachVirtualBench(&bench);
    startForm.RadioGroup_NyelvValasztas->setItemIndex(0);
    startForm.show();
    QVERIFY(QTest::qWaitForWindowActive(&startForm));
    startForm.Button_OK->click();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(form.CurrentLanguage, QStringLiteral("English"));
    // Told at once why a typed resistance is refused.
    bench.resistorChoice->setEditText(QStringLiteral("-5"));
    bench.connectResistor->click();
    const auto texts = [&bench] {
        return QStringList{bench.windowTitle(), bench.connectResistor->text(), bench.lastAnswer->text()};
    };
    QCOMPARE(texts(), QStringList({"Virtual bench", "Connect", "Give a resistance from 0 to 100000 ohm"}));
    form.Button_NyelvClick();
    QCOMPARE(form.CurrentLanguage, QStringLiteral("Magyar"));
    QCOMPARE(texts(), QStringList({"Virtuális mérőpad", "Csatlakoztatás",
                                   "0 és 100000 ohm közötti ellenállást adjon meg"}));

    QTRY_VERIFY_WITH_TIMEOUT(bench.isVisible(), WaitMs);
    bench.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&bench));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(form.CurrentLanguage, QStringLiteral("Magyar"));
    QCOMPARE(bench.windowTitle(), QStringLiteral("Virtuális mérőpad"));
    QCOMPARE(bench.meter->text(), QStringLiteral("?"));
}

QTEST_MAIN(tst_BenchWindow)
#include "tst_bench_window.moc"
