#pragma once

#include <QEvent>
#include <QHash>
#include <QObject>

// Counts the events of one type (paints, layout requests) that reach each of
// the objects it watches.
class EventCounter : public QObject
{
public:
    explicit EventCounter(QEvent::Type type) : m_type(type) {}

    void watch(QObject* object);
    int count(const QObject* object) const { return m_counts.value(object); }
    void reset() { m_counts.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QEvent::Type m_type = QEvent::None;
    QHash<const QObject*, int> m_counts;
};
