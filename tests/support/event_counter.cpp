#include "tests/support/event_counter.h"

void EventCounter::watch(QObject* object)
{
    object->installEventFilter(this);
}

bool EventCounter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == m_type)
        ++m_counts[watched];
    return QObject::eventFilter(watched, event);
}
