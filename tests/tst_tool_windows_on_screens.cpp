// The tool windows on real X servers of several sizes, with and without a
// window manager: opened by their shortcuts they take the keyboard, stand
// on the screen clear of the main window's right column (and of the whole
// main window where the screen has room), corners apart. The program runs
// in a child of this test on its own Xvfb, as a user would have it.

#include "app/bench_window.h"
#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "app/link_statistics_window.h"
#include "app/simulated_transmitter.h"
#include "app/traffic_log_window.h"
#include "app/trend_window.h"
#include "link/tmb.h"
#include "tests/support/test_files.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int WaitMs = 10000;
constexpr int ChildMs = 120000;
const char* const ChildVariable = "KV_SCREEN_CHILD";

// The program's windows in the child: the main window of a run with a
// fresh configuration, its bench, the transmitter on the bench.
class ToolWindowsChild : public QObject
{
    Q_OBJECT

private slots:
    void opensAndPlaces()
    {
        const bool managed = qEnvironmentVariableIntValue("KV_SCREEN_WM") != 0;
        const bool mayOverlap = qEnvironmentVariableIntValue("KV_SCREEN_MAY_OVERLAP") != 0;
        QTemporaryDir dir;
        SimulatedTransmitter simulated;
        QString error;
        QVERIFY2(simulated.start(SimulatorOptions(), &error), qPrintable(error));
        TForm_KVTipusValasztas startForm;
        TForm_Main form(&startForm, AppContext{{}, dir.filePath(QStringLiteral("kvconf"))});
        auto* bench = new BenchWindow(simulated, &form);
        form.attachVirtualBench(bench);
        startForm.RadioGroup_NyelvValasztas->setItemIndex(1);
        startForm.show();
        // As the user's click would: without a window manager nothing else
        // gives it the keyboard.
        startForm.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&startForm));
        startForm.Button_OK->click();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QVERIFY(form.MB1->openAction(simulated.devicePath()));
        QTRY_VERIFY_WITH_TIMEOUT(form.PageControl_Main->isVisible(), WaitMs);
        // Open at start, it leaves the keyboard to the main window.
        QTRY_VERIFY_WITH_TIMEOUT(bench->isVisible(), WaitMs);
        QVERIFY(QTest::qWaitForWindowExposed(bench));
        QCOMPARE(QGuiApplication::focusWindow(), form.windowHandle());

        // The field trial: in the Output Limits edit, Ctrl+T, then keys
        // meant for the trend.
        TLabeledEdit* edit = form.LabeledEdit_AramLLimit;
        edit->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(edit->hasFocus(), WaitMs);
        // The settings read from the transmitter are in it.
        QTRY_VERIFY_WITH_TIMEOUT(!edit->text().isEmpty(), WaitMs);
        const QString typed = edit->text();
        const QList<QPair<QKeySequence, QWidget*>> openings{
            {QKeySequence(Qt::CTRL | Qt::Key_T), form.trendWindow()},
            {QKeySequence(Qt::CTRL | Qt::Key_L), form.trafficLogWindow()},
            {QKeySequence(Qt::CTRL | Qt::Key_I), form.linkStatisticsWindow()}};
        for (const auto& [keys, window] : openings) {
            QTest::keySequence(QApplication::focusWidget(), keys);
            QTRY_VERIFY2_WITH_TIMEOUT(QGuiApplication::focusWindow() == window->windowHandle(),
                                      qPrintable(window->objectName()), WaitMs);
            if (window == form.trendWindow()) {
                QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("++-"));
                QCOMPARE(form.trendWindow()->spanIndex(), TrendWindow::DefaultSpanIndex - 1);
            }
        }
        QCOMPARE(edit->text(), typed);

        const QList<QWidget*> tools{bench, form.trendWindow(), form.trafficLogWindow(),
                                    form.linkStatisticsWindow()};
        if (managed) {
            for (QWidget* tool : tools)
                QTRY_VERIFY_WITH_TIMEOUT(tool->frameGeometry() != tool->geometry(), WaitMs);
        }
        const QRect screen = form.screen()->availableGeometry();
        const QRect column = form.rightColumnArea();
        QVERIFY(column.width() > 200 && form.frameGeometry().contains(column));
        QString frames;
        QDebug(&frames) << screen << form.frameGeometry() << column;
        for (const QWidget* tool : tools)
            QDebug(&frames) << tool->objectName() << tool->frameGeometry();
        for (const QWidget* tool : tools) {
            const QRect frame = tool->frameGeometry();
            const QByteArray name = (tool->objectName() + frames).toLatin1();
            QVERIFY2(screen.contains(frame), name);
            QVERIFY2(!frame.intersects(column), name);
            QVERIFY2(mayOverlap || !frame.intersects(form.frameGeometry()), name);
            for (const QWidget* other : tools) {
                const QPoint d = frame.topLeft() - other->frameGeometry().topLeft();
                QVERIFY2(other == tool || std::max(std::abs(d.x()), std::abs(d.y())) >= 40, name);
            }
        }
        QVERIFY(form.screen()->grabWindow(0).save(qEnvironmentVariable("KV_SCREEN_PICTURE")));
        form.MB1->closeAction();
    }
};

// Ends the X server and the window manager however the test ends.
struct Servers
{
    ~Servers()
    {
        for (QProcess* process : {&manager, &xvfb}) {
            process->kill();
            process->waitForFinished(WaitMs);
        }
    }
    QProcess xvfb;
    QProcess manager;
};

} // namespace

class tst_ToolWindowsOnScreens : public QObject
{
    Q_OBJECT

private slots:
    void placedOnRealScreens_data();
    void placedOnRealScreens();
};

void tst_ToolWindowsOnScreens::placedOnRealScreens_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("managed");
    // No side of the main window has room for a tool window on the
    // smallest screen: there they may cover its pages.
    QTest::addColumn<bool>("mayOverlap");
    for (const bool managed : {false, true}) {
        const char* manager = managed ? "openbox" : "no window manager";
        QTest::addRow("1280x800, %s", manager) << "1280x800" << managed << true;
        QTest::addRow("1600x1000, %s", manager) << "1600x1000" << managed << false;
        QTest::addRow("1920x1080, %s", manager) << "1920x1080" << managed << false;
    }
}

void tst_ToolWindowsOnScreens::placedOnRealScreens()
{
    QFETCH(QString, size);
    QFETCH(bool, managed);
    QFETCH(bool, mayOverlap);
    Servers servers;
    servers.xvfb.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), size + QStringLiteral("x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
    QVERIFY2(servers.xvfb.waitForStarted(WaitMs), "Xvfb cannot start: install xvfb (scripts/lib.sh does)");
    QVERIFY2(servers.xvfb.waitForReadyRead(WaitMs), servers.xvfb.readAllStandardError().constData());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"),
                       u':' + QString::fromLatin1(servers.xvfb.readLine().trimmed()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QTemporaryDir dir;
    if (managed) {
        const QString ready = dir.filePath(QStringLiteral("ready"));
        servers.manager.setProcessEnvironment(environment);
        servers.manager.start(QStringLiteral("openbox"),
                              {QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
        QVERIFY2(servers.manager.waitForStarted(WaitMs),
                 "openbox cannot start: install it (scripts/lib.sh does)");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ready), WaitMs);
    }
    environment.insert(QString::fromLatin1(ChildVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("KV_SCREEN_WM"), QString::number(managed));
    environment.insert(QStringLiteral("KV_SCREEN_MAY_OVERLAP"), QString::number(mayOverlap));
    environment.insert(QStringLiteral("KV_SCREEN_PICTURE"),
                       outputDir() +
                           QStringLiteral("/tool_windows_%1_%2.png").arg(size, managed ? "openbox" : "bare"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    const bool finished = child.waitForFinished(ChildMs);
    const QByteArray output = child.readAll();
    QVERIFY2(finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             output.constData());
}

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
