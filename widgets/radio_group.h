#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

// A framed list of mutually exclusive items with an item index: -1 means no
// item is selected. OnClick fires on every change of the index, whether the
// user or the program made it, and only then.
//
// The group is one stop of the tab chain, and Tab or Shift+Tab lands on the
// selected item (the first when none is): Space there changes nothing, the
// arrow keys move the selection.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    // Replaces the item texts. The index is kept (and stays -1 when none is
    // selected); an index beyond the new last item selects the last one.
    // Fires no OnClick: a text refill does not change the setting.
    void setItems(const QStringList& items);
    QStringList items() const { return m_items; }
    int count() const { return int(m_items.size()); }

    int ItemIndex() const { return m_itemIndex; }
    // Negative selects nothing; beyond the last item selects the last one.
    void setItemIndex(int index);
    // Text of the selected item, empty when none is selected.
    QString selectedText() const;

    int columns() const { return m_columns; }
    void setColumns(int columns);

    // The radio button of an item, for tests and keyboard focus.
    QRadioButton* button(int index) const;

signals:
    void OnClick();

private:
    void rebuild();
    void onButtonToggled(int id, bool checked);
    void updateTabStop();

    QStringList m_items;
    int m_itemIndex = -1;
    int m_columns = 1;
    bool m_updating = false;
    QButtonGroup* m_group = nullptr;
    QGridLayout* m_layout = nullptr;
};
