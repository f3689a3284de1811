#include "app/activation_tracker.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

ActivationTracker::ActivationTracker(QWidget* window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &ActivationTracker::onFocusWindowChanged);
}

void ActivationTracker::onFocusWindowChanged(QWindow* focusWindow)
{
    // The window's own focus says nothing about where the focus came from;
    // the platform may report it before or after the activation event.
    if (!focusWindow)
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
