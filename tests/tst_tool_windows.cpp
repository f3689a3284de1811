// The menu bar above the main window's layout, its texts in both languages,
// and the tool windows' open state and geometry kept in the configuration
// file beside what the file held before.

#include "app/app_config.h"
#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main.h"
#include "app/tool_window_placement.h"
#include "link/tmb_panel.h"
#include "tests/support/test_files.h"
#include "widgets/radio_group.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using Situation = ToolWindowPlacement::Situation;
Q_DECLARE_METATYPE(Situation)

namespace {

constexpr int WaitMs = 5000;

// The controls of the window's own layout: every named widget in the
// client area, the menu bar's own parts left out.
QList<QWidget*> layoutControls(const TForm_Main& form)
{
    QList<QWidget*> controls;
    for (QWidget* widget : form.clientArea()->findChildren<QWidget*>()) {
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(u"qt_"))
            controls.append(widget);
    }
    return controls;
}

QString configPath(const QTemporaryDir& dir)
{
    return AppConfig::configFilePath(dir.filePath(QStringLiteral("kvconf")));
}

// One run of the program in a folder: the two windows and a tool window
// remembered as "Trial" behind the View menu's Trend entry.
struct Run
{
    explicit Run(const QTemporaryDir& dir)
        : form(&startForm, AppContext{{}, dir.filePath(QStringLiteral("kvconf"))}), tool(&form, Qt::Tool)
    {
        tool.setObjectName(QStringLiteral("TrialWindow"));
        tool.resize(240, 160);
        // The test screen is small: room beside a main window at its smallest.
        form.setGeometry(QRect(QPoint(0, 0), form.minimumSize()));
        form.attachToolWindow(form.viewTrend, &tool, QStringLiteral("Trial"));
    }

    bool openMainWindow()
    {
        startForm.show();
        if (!QTest::qWaitForWindowActive(&startForm))
            return false;
        startForm.Button_OK->click();
        return QTest::qWaitForWindowExposed(&form);
    }

    TForm_KVTipusValasztas startForm;
    TForm_Main form;
    QWidget tool;
};

} // namespace

class tst_ToolWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void menuBarLeavesTheLayoutInPlace();
    void menuTextsFollowTheLanguage_data();
    void menuTextsFollowTheLanguage();
    void viewEntriesWaitForTheirWindows();
    void helpKeepsTheLanguage();

    void stateRoundTripsBesideExistingKeys_data();
    void stateRoundTripsBesideExistingKeys();
    void windowReopensWhereItWas_data();
    void windowReopensWhereItWas();
    void placement_data();
    void placement();
};

void tst_ToolWindows::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_ToolWindows::menuBarLeavesTheLayoutInPlace()
{
    TForm_Main form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect bar = form.menuBar->geometry();
    QVERIFY(bar.height() > 0);
    QCOMPARE(bar.topLeft(), QPoint(0, 0));
    QCOMPARE(bar.width(), form.width());

    // The client area starts right below the bar and has the layout's size;
    // the window grew by the bar.
    const QRect client = form.clientArea()->geometry();
    QCOMPARE(client.top(), bar.bottom() + 1);
    QCOMPARE(client.size(), QSize(TForm_Main::FormWidth, TForm_Main::FormHeight));
    QCOMPARE(form.height(), TForm_Main::FormHeight + bar.height());

    // Each control where the layout put it relative to the client area, and
    // so clear of the bar: its place in the window is the client area's
    // place plus its own.
    const QList<QWidget*> controls = layoutControls(form);
    QVERIFY(controls.size() > 150);
    for (const QWidget* control : controls) {
        const QPoint inClient = control->mapTo(form.clientArea(), QPoint(0, 0));
        const QPoint inWindow = control->mapTo(&form, QPoint(0, 0));
        QCOMPARE(inWindow - inClient, client.topLeft());
        if (control->parentWidget() == form.clientArea()) {
            QVERIFY2(QRect(QPoint(0, 0), client.size()).contains(control->geometry()),
                     qPrintable(control->objectName()));
            QVERIFY2(!QRect(inWindow, control->size()).intersects(bar), qPrintable(control->objectName()));
        }
    }
    // The layout's own places, now relative to the client area.
    QCOMPARE(form.MB1Panel->geometry(), QRect(632, 8, 153, 145));
    QCOMPARE(form.Panel_KeszulekMegnevezes->pos(), QPoint(4, 4));

    // A look at it, with the View menu's texts in English.
    form.ApplyLanguage(QStringLiteral("English"));
    QVERIFY(form.grab().save(outputDir() + QStringLiteral("/menu_bar.png")));
    for (QMenu* menu : {form.viewMenu, form.helpMenu}) {
        menu->adjustSize();
        QVERIFY(menu->grab().save(outputDir() + QStringLiteral("/%1.png").arg(menu->objectName())));
    }
}

void tst_ToolWindows::menuTextsFollowTheLanguage_data()
{
    QTest::addColumn<int>("startLanguage");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    const QStringList english{"&View", "&Trend", "Traffic &log", "Link &statistics", "&Help"};
    const QStringList hungarian{"&Nézet", "&Trend", "&Forgalomnapló", "&Kapcsolati statisztika", "&Súgó"};
    QTest::newRow("English, then the button") << 0 << english << hungarian;
    QTest::newRow("Magyar, then the button") << 1 << hungarian << english;
}

void tst_ToolWindows::menuTextsFollowTheLanguage()
{
    QFETCH(int, startLanguage);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    TForm_KVTipusValasztas startForm;
    TForm_Main form(&startForm);
    startForm.RadioGroup_NyelvValasztas->setItemIndex(startLanguage);
    const auto texts = [&form] {
        return QStringList{form.viewMenu->title(), form.viewTrend->text(), form.viewTrafficLog->text(),
                           form.viewLinkStatistics->text(), form.helpMenu->title()};
    };
    form.FormActivate();
    QCOMPARE(texts(), before);
    form.Button_Nyelv->click();
    QCOMPARE(texts(), after);
}

void tst_ToolWindows::viewEntriesWaitForTheirWindows()
{
    TForm_Main form;
    // The traffic windows are always there; the bench only with --simulate.
    QVERIFY(form.viewTrafficLog->isEnabled());
    QVERIFY(form.viewLinkStatistics->isEnabled());
    QVERIFY(!form.viewVirtualBench->isVisible());

    QWidget tool(&form, Qt::Tool);
    form.attachToolWindow(form.viewVirtualBench, &tool, QStringLiteral("Bench"));
    QVERIFY(form.viewVirtualBench->isVisible() && form.viewVirtualBench->isEnabled());
    form.setGeometry(QRect(QPoint(0, 0), form.minimumSize()));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.viewVirtualBench->trigger();
    QVERIFY(tool.isVisible());
    QVERIFY(!tool.frameGeometry().intersects(form.frameGeometry()));
    // Closed by its own title bar: the entry follows.
    tool.close();
    QVERIFY(!form.viewVirtualBench->isChecked());
    form.viewVirtualBench->trigger();
    QVERIFY(tool.isVisible() && form.viewVirtualBench->isChecked());
}

// The help is no message dialog of the window: coming back from it keeps
// the language the user switched to.
void tst_ToolWindows::helpKeepsTheLanguage()
{
    TForm_KVTipusValasztas startForm;
    TForm_Main form(&startForm);
    startForm.RadioGroup_NyelvValasztas->setItemIndex(0);
    startForm.show();
    QVERIFY(QTest::qWaitForWindowActive(&startForm));
    startForm.Button_OK->click();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.Button_NyelvClick();
    QCOMPARE(form.CurrentLanguage, QStringLiteral("Magyar"));

    form.helpShortcuts->trigger();
    auto* box = form.findChild<QMessageBox*>(QStringLiteral("helpBox"));
    QVERIFY(box && box->isVisible());
    QVERIFY(box->text().startsWith(u"Főablak"));
    QVERIFY(box->text().contains(u"Ctrl+T"));
    box->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(box));
    box->close();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(form.CurrentLanguage, QStringLiteral("Magyar"));
    QCOMPARE(form.viewMenu->title(), QStringLiteral("&Nézet"));
}

void tst_ToolWindows::stateRoundTripsBesideExistingKeys_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("open, placed") << true << QRect(-20, 30, 640, 400);
    QTest::newRow("closed, placed") << false << QRect(900, 10, 300, 200);
    QTest::newRow("open, never placed") << true << QRect();
}

void tst_ToolWindows::stateRoundTripsBesideExistingKeys()
{
    QFETCH(bool, open);
    QFETCH(QRect, geometry);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A file as a user may have it: sections out of order, a comment, a
    // section of someone else, CRLF line ends.
    const QByteArray before = "; kept\r\n"
                              "[Language]\r\nRadioGroup_NyelvValasztas=0\r\n"
                              "[Other]\r\nKey=Value\r\n"
                              "[KV]\r\nRadioGroup_KVValasztas=0\r\n"
                              "[Com]\r\nMBLastUsedPort=/dev/ttyUSB0\r\n"
                              "[Path]\r\nsUtolsoFileUtvonal=/data/\r\n"
                              "[Date]\r\nDate=1/2/26\r\n";
    const QString path = configPath(dir);
    QVERIFY(writeAll(path, before));

    AppConfig config(dir.filePath(QStringLiteral("kvconf")));
    config.load();
    config.setToolWindowState(QStringLiteral("Trend"), {open, geometry});
    QVERIFY(config.save());

    // Every line that was there is still there, in its order; the tool
    // windows follow in a section of their own.
    const QByteArray after = readAll(path);
    const QList<QByteArray> oldLines = before.split('\n');
    const QList<QByteArray> newLines = after.split('\n');
    QVERIFY(newLines.size() > oldLines.size());
    for (qsizetype i = 0; i < oldLines.size() - 1; ++i) {
        if (!oldLines[i].startsWith("Date="))
            QCOMPARE(newLines[i], oldLines[i]);
    }
    const QByteArray added = after.mid(after.indexOf("[ToolWindows]"));
    QVERIFY(added.startsWith("[ToolWindows]\r\n"));
    QCOMPARE(added.count("TrendOpen="), 1);
    QCOMPARE(added.contains("TrendGeometry="), geometry.isValid());

    AppConfig again(dir.filePath(QStringLiteral("kvconf")));
    again.load();
    QCOMPARE(again.languageIndex(), 0);
    QCOMPARE(again.lastUsedPort(), QStringLiteral("/dev/ttyUSB0"));
    const std::optional<AppConfig::ToolWindowState> state = again.toolWindowState(QStringLiteral("Trend"));
    QVERIFY(state.has_value());
    QCOMPARE(state->open, open);
    QCOMPARE(state->geometry, geometry);
    QVERIFY(!again.toolWindowState(QStringLiteral("TrafficLog")).has_value());
}

void tst_ToolWindows::windowReopensWhereItWas_data()
{
    QTest::addColumn<bool>("leftOpen");
    // Where the user left it, from the main window's frame; none: beside.
    QTest::addColumn<QPoint>("movedTo");
    QTest::newRow("open, beside") << true << QPoint();
    QTest::newRow("closed") << false << QPoint();
    QTest::newRow("open, moved over the main window") << true << QPoint(40, 60);
    QTest::newRow("open, title bar above the screen") << true << QPoint(320, -200);
}

void tst_ToolWindows::windowReopensWhereItWas()
{
    QFETCH(bool, leftOpen);
    QFETCH(QPoint, movedTo);
    const bool moved = !movedTo.isNull();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QRect left;
    {
        Run first(dir);
        QVERIFY(first.openMainWindow());
        QVERIFY(!first.tool.isVisible());
        first.form.viewTrend->trigger();
        QVERIFY(first.tool.isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&first.tool));
        const QRect mainFrame = first.form.frameGeometry();
        left = moved ? QRect(mainFrame.topLeft() + movedTo, QSize(260, 170))
                     : QRect(first.tool.geometry().topLeft() + QPoint(0, 7), QSize(260, 170));
        first.tool.setGeometry(left);
        QTRY_COMPARE_WITH_TIMEOUT(first.tool.geometry(), left, WaitMs);
        if (!leftOpen)
            first.form.viewTrend->trigger();
        first.form.close();
    }
    QVERIFY(readAll(configPath(dir)).contains("[ToolWindows]"));

    Run second(dir);
    QVERIFY(!second.tool.isVisible());
    QVERIFY(second.openMainWindow());
    if (!leftOpen) {
        // The reopening is queued after the main window's show.
        QCoreApplication::processEvents();
        QVERIFY(!second.tool.isVisible());
        QVERIFY(!second.form.viewTrend->isChecked());
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(second.tool.isVisible(), WaitMs);
    QVERIFY(second.form.viewTrend->isChecked());
    QCOMPARE(second.tool.size(), left.size());
    if (moved) {
        QVERIFY(!second.tool.frameGeometry().intersects(second.form.frameGeometry()));
        QVERIFY(second.form.screen()->availableGeometry().contains(second.tool.frameGeometry()));
    } else {
        QCOMPARE(second.tool.geometry(), left);
    }
}

// A 1600 x 1000 screen with the main window in its middle unless a row
// says otherwise; "framed", a window manager's frame around the window.
void tst_ToolWindows::placement_data()
{
    QTest::addColumn<Situation>("situation");
    QTest::addColumn<QRect>("expected");
    const QRect screen(0, 0, 1600, 1000);
    const QRect anchor(397, 163, 807, 675);
    const QRect column(954, 163, 250, 675);
    const QSize small(300, 200);
    const QSize trend(720, 420);
    const QMargins framed(1, 20, 1, 5);
    QTest::newRow("right, its own size below the floor, framed")
        << Situation{screen, anchor, column, small, {}, framed, {}} << QRect(1214, 163, 302, 225);
    QTest::newRow("below another on the same side")
        << Situation{screen, anchor, column, small, {}, {}, {QRect(1214, 163, 300, 200)}}
        << QRect(1214, 363, 300, 200);
    QTest::newRow("shrunk to the wider free side")
        << Situation{screen, anchor, column, trend, {}, {}, {}} << QRect(0, 163, 387, 420);
    QTest::newRow("own minimum too wide: over the left column")
        << Situation{screen, anchor, column, trend, QSize(500, 100), {}, {}} << QRect(0, 163, 720, 420);
    QTest::newRow("1280 x 800: over the left column, least over another")
        << Situation{QRect(0, 0, 1280, 800),
                     QRect(236, 62, 807, 675),
                     QRect(793, 62, 250, 675),
                     trend,
                     {},
                     {},
                     {QRect(0, 62, 720, 420)}}
        << QRect(63, 380, 720, 420);
    QTest::newRow("no room at all: on the screen, framed") << Situation{QRect(0, 0, 640, 480),
                                                                        QRect(0, 0, 640, 480),
                                                                        QRect(100, 0, 540, 480),
                                                                        trend,
                                                                        {},
                                                                        framed,
                                                                        {}}
                                                           << QRect(0, 0, 640, 445);
}

void tst_ToolWindows::placement()
{
    QFETCH(Situation, situation);
    QFETCH(QRect, expected);
    const QRect placed = ToolWindowPlacement::place(situation);
    QCOMPARE(placed, expected);
    // One row higher at the top, the title bar would be off the screen.
    QCOMPARE(ToolWindowPlacement::titleBarOnScreen(placed.translated(0, -1), situation.frame.top(),
                                                   {situation.available}),
             placed.top() > situation.available.top());
}

QTEST_MAIN(tst_ToolWindows)
#include "tst_tool_windows.moc"
