#include "app/tool_window_memory.h"

#include "app/activation_tracker.h"
#include "app/tool_window_placement.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

QMargins marginsAround(const QWidget* window)
{
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

} // namespace

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

void ToolWindowMemory::showWindow(QWidget* window, bool takeFocus)
{
    if (Entry* entry = find(window); entry && !entry->placed && !window->isVisible())
        place(*entry);
    // Without it, a window manager gives a newly mapped window the keyboard.
    window->setAttribute(Qt::WA_ShowWithoutActivating, !takeFocus);
    window->show();
    if (takeFocus) {
        window->raise();
        window->activateWindow();
    }
}

void ToolWindowMemory::place(Entry& entry)
{
    QWidget* window = entry.window;
    entry.placed = true;
    const bool anchorShown = m_anchor && m_anchor->isVisible();
    // A window never shown has no frame yet; the window manager will give it
    // one like the anchor's.
    QMargins frame = marginsAround(window);
    if (frame.isNull() && anchorShown)
        frame = marginsAround(m_anchor);
    const QRect remembered = m_states.value(entry.name).geometry;
    const QRect anchorFrame = anchorShown ? m_anchor->frameGeometry() : QRect();
    if (remembered.isValid()) {
        QList<QRect> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens.append(screen->availableGeometry());
        const QRect rememberedFrame = remembered.marginsAdded(frame);
        if (!rememberedFrame.intersects(anchorFrame) &&
            ToolWindowPlacement::titleBarOnScreen(rememberedFrame, frame.top(), screens)) {
            window->setGeometry(remembered);
            return;
        }
        window->resize(remembered.size());
    }
    if (!anchorShown)
        return;

    ToolWindowPlacement::Situation situation;
    const QScreen* screen = m_anchor->screen();
    situation.available = screen ? screen->availableGeometry() : anchorFrame;
    situation.anchor = anchorFrame;
    situation.keepClear = m_keepClear ? m_keepClear() : anchorFrame;
    // A size of its own (given in code or remembered) counts over the hint.
    situation.preferred = window->testAttribute(Qt::WA_Resized) ? window->size() : window->sizeHint();
    situation.minimum = window->minimumSize().expandedTo(window->minimumSizeHint());
    situation.frame = frame;
    // Those placed a moment ago may still wait for their frames.
    for (const Entry& other : m_entries) {
        const QWidget* w = other.window;
        if (w && w != window && (other.placed || w->isVisible()))
            situation.others.append(marginsAround(w).isNull() ? w->geometry().marginsAdded(frame)
                                                              : w->frameGeometry());
    }
    // The inner geometry, not move(): move() places the frame only while
    // the window has no native window yet, and the frame is not known then.
    window->setGeometry(ToolWindowPlacement::place(situation).marginsRemoved(frame));
}

void ToolWindowMemory::reopenRemembered()
{
    for (Entry& entry : m_entries) {
        // One the user opened in the meantime stays open.
        if (!entry.window || entry.window->isVisible())
            continue;
        const auto state = m_states.constFind(entry.name);
        const bool open = state != m_states.cend() ? state->open : entry.openByDefault;
        if (open)
            showWindow(entry.window, false);
    }
}

bool ToolWindowMemory::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_anchor && type == QEvent::Show && !m_anchorShownBefore) {
        m_anchorShownBefore = true;
        // After the anchor is on the screen, in the window manager's frame
        // that the windows' places count, and whatever else its show starts.
        QWindow* handle = m_anchor->windowHandle();
        if (handle && !handle->isExposed())
            handle->installEventFilter(this);
        else
            QTimer::singleShot(0, this, &ToolWindowMemory::reopenRemembered);
    } else if (type == QEvent::Expose && m_anchor && watched == m_anchor->windowHandle()) {
        if (m_anchor->windowHandle()->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, &ToolWindowMemory::reopenRemembered);
        }
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
