#include "widgets/radio_group.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent)
{
    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    m_layout = new QGridLayout(this);
    connect(m_group, &QButtonGroup::idToggled, this, &TRadioGroup::onButtonToggled);
}

void TRadioGroup::setItems(const QStringList& items)
{
    const bool sameCount = items.size() == m_items.size();
    m_items = items;
    if (m_itemIndex >= count())
        m_itemIndex = count() - 1;
    if (sameCount) {
        // Same buttons, new texts: keeps the keyboard focus where it was.
        for (int i = 0; i < count(); ++i)
            button(i)->setText(m_items.at(i));
    } else {
        rebuild();
    }
}

void TRadioGroup::setItemIndex(int index)
{
    if (index < 0)
        index = -1;
    else if (index >= count())
        index = count() - 1;
    if (index == m_itemIndex)
        return;
    m_itemIndex = index;
    m_updating = true;
    if (index < 0) {
        // An exclusive group refuses to uncheck its last checked button.
        m_group->setExclusive(false);
        if (QAbstractButton* checked = m_group->checkedButton())
            checked->setChecked(false);
        m_group->setExclusive(true);
    } else {
        button(index)->setChecked(true);
    }
    m_updating = false;
    updateTabStop();
    emit OnClick();
}

QString TRadioGroup::selectedText() const
{
    return m_itemIndex >= 0 ? m_items.at(m_itemIndex) : QString();
}

void TRadioGroup::setColumns(int columns)
{
    columns = qMax(1, columns);
    if (columns == m_columns)
        return;
    m_columns = columns;
    rebuild();
}

QRadioButton* TRadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(m_group->button(index));
}

void TRadioGroup::rebuild()
{
    m_updating = true;
    const QList<QAbstractButton*> old = m_group->buttons();
    for (QAbstractButton* b : old) {
        m_group->removeButton(b);
        delete b;
    }
    // Items fill the first column from top to bottom, then the next.
    const int rows = count() > 0 ? (count() + m_columns - 1) / m_columns : 0;
    for (int i = 0; i < count(); ++i) {
        auto* radio = new QRadioButton(m_items.at(i), this);
        m_group->addButton(radio, i);
        m_layout->addWidget(radio, i % rows, i / rows);
    }
    if (m_itemIndex >= 0)
        button(m_itemIndex)->setChecked(true);
    m_updating = false;
    updateTabStop();
}

void TRadioGroup::onButtonToggled(int id, bool checked)
{
    if (m_updating || !checked || id == m_itemIndex)
        return;
    m_itemIndex = id;
    updateTabStop();
    emit OnClick();
}

void TRadioGroup::updateTabStop()
{
    // Every item takes focus from a click or an arrow key; only one from Tab.
    const int stop = qMax(0, m_itemIndex);
    for (int i = 0; i < count(); ++i)
        button(i)->setFocusPolicy(i == stop ? Qt::StrongFocus : Qt::ClickFocus);
}
