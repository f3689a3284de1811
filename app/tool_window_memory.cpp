#include "app/tool_window_memory.h"

#include "app/activation_tracker.h"
#include "app/bench_window.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QWidget>

ToolWindowMemory::ToolWindowMemory(QWidget* anchor) : QObject(anchor), m_anchor(anchor)
{
    if (anchor)
        anchor->installEventFilter(this);
}

void ToolWindowMemory::remember(QWidget* window, const QString& name, QAction* viewEntry, bool openByDefault)
{
    ActivationTracker::treatAsForeign(window);
    window->installEventFilter(this);
    m_entries.append(Entry{window, name, viewEntry, openByDefault});
    if (!viewEntry)
        return;
    viewEntry->setCheckable(true);
    viewEntry->setChecked(window->isVisible());
    viewEntry->setEnabled(true);
    viewEntry->setVisible(true);
    connect(viewEntry, &QAction::toggled, this, [this, target = QPointer<QWidget>(window)](bool on) {
        if (!target || on == target->isVisible())
            return;
        if (on)
            showWindow(target);
        else
            target->hide();
    });
}

void ToolWindowMemory::restoreFrom(const AppConfig& config)
{
    m_states = config.toolWindowStates();
}

void ToolWindowMemory::storeTo(AppConfig& config) const
{
    for (const Entry& entry : m_entries) {
        if (!entry.window)
            continue;
        AppConfig::ToolWindowState state = m_states.value(entry.name);
        state.open = entry.window->isVisible();
        if (entry.placed)
            state.geometry = entry.window->geometry();
        config.setToolWindowState(entry.name, state);
    }
}

ToolWindowMemory::Entry* ToolWindowMemory::find(const QObject* window)
{
    for (Entry& entry : m_entries) {
        if (entry.window == window)
            return &entry;
    }
    return nullptr;
}

void ToolWindowMemory::showWindow(QWidget* window)
{
    if (Entry* entry = find(window); entry && !entry->placed && !window->isVisible())
        place(*entry);
    window->show();
}

void ToolWindowMemory::place(Entry& entry)
{
    QWidget* window = entry.window;
    entry.placed = true;
    const QRect remembered = m_states.value(entry.name).geometry;
    if (remembered.isValid())
        window->resize(remembered.size());
    const QRect anchorFrame = m_anchor && m_anchor->isVisible() ? m_anchor->frameGeometry() : QRect();
    if (remembered.isValid() && !remembered.intersects(anchorFrame)) {
        const QScreen* screen = QGuiApplication::screenAt(remembered.center());
        if (screen && screen->availableGeometry().intersects(remembered)) {
            window->setGeometry(remembered);
            return;
        }
    }
    if (!anchorFrame.isValid())
        return;
    const QScreen* screen = m_anchor->screen();
    const QRect available = screen ? screen->availableGeometry() : anchorFrame;
    window->move(BenchWindow::placeBeside(anchorFrame, window->frameGeometry().size(), available));
}

void ToolWindowMemory::reopenRemembered()
{
    for (Entry& entry : m_entries) {
        if (!entry.window)
            continue;
        const auto state = m_states.constFind(entry.name);
        const bool open = state != m_states.cend() ? state->open : entry.openByDefault;
        if (open)
            showWindow(entry.window);
        else
            entry.window->hide();
    }
}

bool ToolWindowMemory::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_anchor && type == QEvent::Show && !m_anchorShownBefore) {
        m_anchorShownBefore = true;
        // After the anchor is placed and whatever else its show starts.
        QTimer::singleShot(0, this, &ToolWindowMemory::reopenRemembered);
    } else if ((type == QEvent::Show || type == QEvent::Hide) && watched != m_anchor) {
        Entry* entry = find(watched);
        // Shown by whatever means, the window has its place for this run.
        if (entry && type == QEvent::Show)
            entry->placed = true;
        if (entry && entry->viewEntry) {
            const QSignalBlocker quiet(entry->viewEntry);
            entry->viewEntry->setChecked(type == QEvent::Show);
        }
    }
    return QObject::eventFilter(watched, event);
}
