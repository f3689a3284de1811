#include "app/form_main.h"

#include "app/activation_tracker.h"
#include "app/bench_window.h"
#include "app/form_main_controls.h"
#include "app/tool_texts.h"
#include "app/tool_window_memory.h"
#include "app/trend_window.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QVBoxLayout>

// The menu bar above the window's own layout, its View and Help menus, and
// the tool windows they open.

void TForm_Main::createMenuBar()
{
    m_toolWindows = new ToolWindowMemory(this);
    m_toolWindows->setKeepClear([this] { return rightColumnArea(); });

    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    // The window's title bar and the desktop's global menu are the
    // platform's business; this bar belongs to the window.
    menuBar->setNativeMenuBar(false);

    viewMenu = menuBar->addMenu(QString());
    viewMenu->setObjectName(QStringLiteral("viewMenu"));
    const auto addEntry = [](QMenu* menu, const char* name, const QKeySequence& shortcut) {
        QAction* action = menu->addAction(QString());
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::ApplicationShortcut);
        return action;
    };
    // Each waits for its window: attachToolWindow enables it.
    viewTrend = addEntry(viewMenu, "viewTrend", QKeySequence(Qt::CTRL | Qt::Key_T));
    viewTrafficLog = addEntry(viewMenu, "viewTrafficLog", QKeySequence(Qt::CTRL | Qt::Key_L));
    viewLinkStatistics = addEntry(viewMenu, "viewLinkStatistics", QKeySequence(Qt::CTRL | Qt::Key_I));
    viewVirtualBench = addEntry(viewMenu, "viewVirtualBench", QKeySequence(Qt::CTRL | Qt::Key_B));
    viewDeviceRecords = addEntry(viewMenu, "viewDeviceRecords", QKeySequence(Qt::CTRL | Qt::Key_D));
    viewVerification = addEntry(viewMenu, "viewVerification", QKeySequence(Qt::CTRL | Qt::Key_K));
    for (QAction* entry : {viewTrend, viewTrafficLog, viewLinkStatistics, viewVirtualBench, viewDeviceRecords,
                           viewVerification})
        entry->setEnabled(false);
    viewVirtualBench->setVisible(false);

    helpMenu = menuBar->addMenu(QString());
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpShortcuts = addEntry(helpMenu, "helpShortcuts", QKeySequence(Qt::Key_F1));
    helpAbout = addEntry(helpMenu, "helpAbout", QKeySequence());
    connect(helpShortcuts, &QAction::triggered, this, &TForm_Main::showKeyboardShortcuts);
    connect(helpAbout, &QAction::triggered, this, &TForm_Main::showAbout);
    applyToolTexts(m_toolLanguage);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(m_clientArea);
    const int menuHeight = menuBar->sizeHint().height();
    setMinimumSize(FormMinimumSize, FormMinimumSize + menuHeight);
    resize(FormWidth, FormHeight + menuHeight);
    layout->activate();
}

void TForm_Main::createToolWindows()
{
    m_trendWindow = new TrendWindow(this);
    m_trendWindow->applyLanguage(m_toolLanguage);
    connect(this, &TForm_Main::toolLanguageChanged, m_trendWindow, &TrendWindow::applyLanguage);
    connect(this, &TForm_Main::liveValuesShown, m_trendWindow, &TrendWindow::addLiveBlock);
    attachToolWindow(viewTrend, m_trendWindow, QStringLiteral("Trend"));
}

void TForm_Main::attachToolWindow(QAction* viewEntry, QWidget* window, const QString& name,
                                  bool openByDefault)
{
    m_toolWindows->remember(window, name, viewEntry, openByDefault);
}

void TForm_Main::attachVirtualBench(BenchWindow* bench)
{
    bench->applyLanguage(m_toolLanguage);
    connect(this, &TForm_Main::toolLanguageChanged, bench, &BenchWindow::applyLanguage);
    attachToolWindow(viewVirtualBench, bench, QStringLiteral("VirtualBench"), true);
}

QRect TForm_Main::rightColumnArea() const
{
    const QRect frame = frameGeometry();
    const int left = m_clientArea->mapToGlobal(QPoint(formcontrols::RightColumnLeft, 0)).x();
    return QRect(QPoint(left, frame.top()), frame.bottomRight()) & frame;
}

void TForm_Main::applyToolTexts(Language language)
{
    m_toolLanguage = language;
    using Text = ToolTexts::Text;
    const auto text = [language](Text t) { return ToolTexts::text(t, language); };
    viewMenu->setTitle(text(Text::ViewMenu));
    viewTrend->setText(text(Text::ViewTrend));
    viewTrafficLog->setText(text(Text::ViewTrafficLog));
    viewLinkStatistics->setText(text(Text::ViewLinkStatistics));
    viewVirtualBench->setText(text(Text::ViewVirtualBench));
    viewDeviceRecords->setText(text(Text::ViewDeviceRecords));
    viewVerification->setText(text(Text::ViewVerification));
    helpMenu->setTitle(text(Text::HelpMenu));
    helpShortcuts->setText(text(Text::HelpShortcuts));
    helpAbout->setText(text(Text::HelpAbout));
    emit toolLanguageChanged(language);
}

void TForm_Main::showKeyboardShortcuts()
{
    showHelp(helpShortcuts->text().remove(u'&'),
             ToolTexts::text(ToolTexts::Text::ShortcutsText, m_toolLanguage));
}

void TForm_Main::showAbout()
{
    showHelp(helpAbout->text().remove(u'&'), windowTitle() + QStringLiteral("\n\n") +
                                                 ToolTexts::text(ToolTexts::Text::AboutText, m_toolLanguage));
}

void TForm_Main::showHelp(const QString& title, const QString& text)
{
    // Not modal, and no reason for the activation steps on the way back: a
    // look at the help keeps the language the user switched to.
    if (!m_helpBox) {
        m_helpBox = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, this);
        m_helpBox->setObjectName(QStringLiteral("helpBox"));
        m_helpBox->setWindowModality(Qt::NonModal);
        ActivationTracker::treatAsForeign(m_helpBox);
    }
    m_helpBox->setWindowTitle(title);
    m_helpBox->setText(text);
    m_helpBox->show();
}
