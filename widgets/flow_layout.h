#pragma once

#include <QLayout>
#include <QList>

// A row of controls that wraps onto further rows when its width runs short,
// left to right, each row's items centred on the row's height. It lets a
// tool window's bar of buttons shrink with the window instead of holding
// it wide: its smallest width is its widest item's.
class FlowLayout : public QLayout
{
    Q_OBJECT

public:
    explicit FlowLayout(QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Lays the items out in `rect` (only measures unless `apply`); the
    // height used.
    int arrange(const QRect& rect, bool apply) const;
    int gap() const;

    QList<QLayoutItem*> m_items;
};
