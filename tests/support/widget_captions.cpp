#include "tests/support/widget_captions.h"

#include "widgets/labeled_edit.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

QTabWidget* owningTabs(const QWidget* page)
{
    for (QWidget* p = page->parentWidget(); p; p = p->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(p))
            return tabs->indexOf(const_cast<QWidget*>(page)) >= 0 ? tabs : nullptr;
    }
    return nullptr;
}

QString captionOf(const QObject* object)
{
    if (auto* edit = qobject_cast<const TLabeledEdit*>(object))
        return edit->labelText();
    if (auto* group = qobject_cast<const QGroupBox*>(object))
        return group->title();
    if (auto* button = qobject_cast<const QAbstractButton*>(object))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(object))
        return label->text();
    if (auto* widget = qobject_cast<const QWidget*>(object)) {
        if (QTabWidget* tabs = owningTabs(widget))
            return tabs->tabText(tabs->indexOf(const_cast<QWidget*>(widget)));
    }
    return QString();
}
