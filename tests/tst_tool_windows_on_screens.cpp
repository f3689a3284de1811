// The tool windows on Xvfb servers of three sizes, bare and under openbox,
// the program in a child of this test: opened by their shortcuts they take
// the keyboard; they stand on the screen clear of the main window's right
// column (of all of it where there is room), corners apart.

#include "app/bench_window.h"
#include "app/device_records_window.h"
#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "app/link_statistics_window.h"
#include "app/simulated_transmitter.h"
#include "app/traffic_log_window.h"
#include "app/trend_window.h"
#include "app/verification_window.h"
#include "link/tmb.h"
#include "tests/support/test_files.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int WaitMs = 10000;
constexpr int ChildMs = 60000;
// In the child: "<1 under a window manager>,<1 where the main window may be covered>,<picture>".
const char* const ChildVariable = "KV_SCREEN_CHILD";

// The program in the child: a fresh configuration, the bench and its
// transmitter, opened as a user would.
class ToolWindowsChild : public QObject
{
    Q_OBJECT

private slots:
    void opensAndPlaces()
    {
        const QStringList given = qEnvironmentVariable(ChildVariable).split(u',');
        QTemporaryDir dir;
        SimulatedTransmitter simulated;
        QString error;
        QVERIFY2(simulated.start(SimulatorOptions(), &error), qPrintable(error));
        TForm_KVTipusValasztas startForm;
        TForm_Main form(&startForm, AppContext{{},
                                               dir.filePath(QStringLiteral("kvconf")),
                                               {},
                                               dir.filePath(QStringLiteral("records.sqlite"))});
        BenchWindow bench(simulated, &form);
        form.attachVirtualBench(&bench);
        startForm.RadioGroup_NyelvValasztas->setItemIndex(1);
        startForm.show();
        // As the user's click would: without a window manager nothing else does.
        startForm.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&startForm));
        startForm.Button_OK->click();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QVERIFY(form.MB1->openAction(simulated.devicePath()));
        // Open at start, the bench leaves the keyboard to the main window.
        QTRY_VERIFY_WITH_TIMEOUT(bench.isVisible() && form.PageControl_Main->isVisible(), WaitMs);
        QCOMPARE(QGuiApplication::focusWindow(), form.windowHandle());

        // The field trial: in the Output Limits edit, Ctrl+T, then keys for the trend.
        TLabeledEdit* edit = form.LabeledEdit_AramLLimit;
        edit->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(edit->hasFocus() && !edit->text().isEmpty(), WaitMs);
        const QString before = edit->text();
        const QList<QWidget*> tools{form.trendWindow(),          form.trafficLogWindow(),
                                    form.linkStatisticsWindow(), form.deviceRecordsWindow(),
                                    form.verificationWindow(),   &bench};
        const Qt::Key shortcuts[] = {Qt::Key_T, Qt::Key_L, Qt::Key_I, Qt::Key_D, Qt::Key_K};
        for (int i = 0; i < int(std::size(shortcuts)); ++i) {
            QTest::keySequence(QApplication::focusWidget(), QKeySequence(Qt::CTRL | shortcuts[i]));
            QTRY_VERIFY2_WITH_TIMEOUT(QGuiApplication::focusWindow() == tools[i]->windowHandle(),
                                      qPrintable(tools[i]->objectName()), WaitMs);
            if (i == 0)
                QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("++-"));
        }
        QCOMPARE(form.trendWindow()->spanIndex(), TrendWindow::DefaultSpanIndex - 1);
        QCOMPARE(edit->text(), before);

        for (QWidget* tool : tools)
            QTRY_VERIFY_WITH_TIMEOUT((tool->frameGeometry() != tool->geometry()) == (given[0] == u'1'),
                                     WaitMs);
        const QRect screen = form.screen()->availableGeometry();
        const QRect column = form.rightColumnArea();
        QVERIFY(column.width() > 200 && form.frameGeometry().contains(column));
        QString frames;
        for (const QWidget* tool : tools)
            QDebug(&frames) << tool->objectName() << tool->frameGeometry();
        for (const QWidget* tool : tools) {
            const QRect frame = tool->frameGeometry();
            const QByteArray why = (tool->objectName() + frames).toLatin1();
            QVERIFY2(screen.contains(frame) && !frame.intersects(column), why);
            QVERIFY2(given[1] == u'1' || !frame.intersects(form.frameGeometry()), why);
            for (const QWidget* other : tools) {
                const QPoint d = frame.topLeft() - other->frameGeometry().topLeft();
                QVERIFY2(other == tool || std::max(std::abs(d.x()), std::abs(d.y())) >= 40, why);
            }
        }
        QVERIFY(form.screen()->grabWindow(0).save(given[2]));
        form.MB1->closeAction();
    }
};

} // namespace

class tst_ToolWindowsOnScreens : public QObject
{
    Q_OBJECT

private slots:
    void placedOnRealScreens_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<bool>("managed");
        // No side of the main window has room for a tool window on the smallest.
        QTest::addColumn<bool>("mayOverlap");
        for (const bool managed : {false, true}) {
            const char* manager = managed ? "openbox" : "bare";
            QTest::addRow("1280x800, %s", manager) << "1280x800" << managed << true;
            QTest::addRow("1600x1000, %s", manager) << "1600x1000" << managed << false;
            QTest::addRow("1920x1080, %s", manager) << "1920x1080" << managed << false;
        }
    }

    void placedOnRealScreens()
    {
        QFETCH(QString, size);
        QFETCH(bool, managed);
        QFETCH(bool, mayOverlap);
        QProcess xvfb;
        QProcess manager;
        // Both end however the test ends.
        const auto stop = qScopeGuard([&] {
            for (QProcess* process : {&manager, &xvfb}) {
                process->kill();
                process->waitForFinished(WaitMs);
            }
        });
        xvfb.start(QStringLiteral("Xvfb"),
                   QStringLiteral("-displayfd 1 -screen 0 %1x24 -nolisten tcp").arg(size).split(u' '));
        QVERIFY2(xvfb.waitForStarted(WaitMs), "Xvfb cannot start: install xvfb (scripts/lib.sh does)");
        QVERIFY2(xvfb.waitForReadyRead(WaitMs), xvfb.readAllStandardError().constData());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), u':' + QString::fromLatin1(xvfb.readLine().trimmed()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QTemporaryDir dir;
        if (managed) {
            const QString ready = dir.filePath(QStringLiteral("ready"));
            manager.setProcessEnvironment(environment);
            manager.start(QStringLiteral("openbox"),
                          {QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
            QVERIFY2(manager.waitForStarted(WaitMs),
                     "openbox cannot start: install it (scripts/lib.sh does)");
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ready), WaitMs);
        }
        const QString picture =
            outputDir() + QStringLiteral("/tool_windows_%1_%2.png").arg(size, managed ? "openbox" : "bare");
        environment.insert(QString::fromLatin1(ChildVariable),
                           QStringLiteral("%1,%2,%3").arg(int(managed)).arg(int(mayOverlap)).arg(picture));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {});
        const bool finished = child.waitForFinished(ChildMs);
        QVERIFY2(finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAll().constData());
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (qEnvironmentVariableIsSet(ChildVariable)) {
        ToolWindowsChild child;
        return QTest::qExec(&child, argc, argv);
    }
    tst_ToolWindowsOnScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tool_windows_on_screens.moc"
