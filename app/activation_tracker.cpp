#include "app/activation_tracker.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

ActivationTracker::ActivationTracker(QWidget* window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &ActivationTracker::onFocusWindowChanged);
}

namespace {

constexpr const char* kForeignProperty = "kvForeignWindow";

} // namespace

void ActivationTracker::treatAsForeign(QWidget* window)
{
    window->setProperty(kForeignProperty, true);
}

bool ActivationTracker::isForeign(const QWindow* window)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [window](const QWidget* w) {
        return w->windowHandle() == window && w->property(kForeignProperty).toBool();
    });
}

void ActivationTracker::onFocusWindowChanged(QWindow* focusWindow)
{
    // The window's own focus says nothing about where the focus came from;
    // the platform may report it before or after the activation event.
    if (!focusWindow || isForeign(focusWindow))
        m_focusLeftProgram = true;
    else if (focusWindow != m_window->windowHandle())
        m_focusLeftProgram = false;
}

bool ActivationTracker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Show && !event->spontaneous()) {
            m_justShown = true;
        } else if (event->type() == QEvent::WindowActivate) {
            const bool due = m_justShown || !m_focusLeftProgram;
            m_justShown = false;
            m_focusLeftProgram = false;
            if (due)
                emit activationDue();
        }
    }
    return QObject::eventFilter(watched, event);
}
