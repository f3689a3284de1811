#include "widgets/flow_layout.h"

#include <QWidget>

#include <algorithm>

namespace {

// Between two items when neither the layout nor its parent says.
constexpr int kDefaultGap = 6;

} // namespace

FlowLayout::FlowLayout(QWidget* parent) : QLayout(parent) {}

FlowLayout::~FlowLayout()
{
    qDeleteAll(m_items);
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

int FlowLayout::count() const
{
    return int(m_items.size());
}

QLayoutItem* FlowLayout::itemAt(int index) const
{
    return m_items.value(index);
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

bool FlowLayout::hasHeightForWidth() const
{
    return true;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : m_items)
        size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize FlowLayout::sizeHint() const
{
    // All in one row.
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        width += (width > 0 ? gap() : 0) + item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::gap() const
{
    if (spacing() >= 0)
        return spacing();
    const QWidget* parent = parentWidget();
    const int styled = parent ? parent->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing) : -1;
    return styled >= 0 ? styled : kDefaultGap;
}

int FlowLayout::arrange(const QRect& rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int top = area.top();
    qsizetype rowStart = 0;
    while (rowStart < m_items.size()) {
        // As many items as the row holds, at least one.
        int width = 0;
        int height = 0;
        qsizetype rowEnd = rowStart;
        for (; rowEnd < m_items.size(); ++rowEnd) {
            const QLayoutItem* item = m_items[rowEnd];
            if (item->isEmpty())
                continue;
            const int next = width + (width > 0 ? gap() : 0) + item->sizeHint().width();
            if (next > area.width() && width > 0)
                break;
            width = next;
            height = std::max(height, item->sizeHint().height());
        }
        if (apply) {
            int left = area.left();
            for (qsizetype i = rowStart; i < rowEnd; ++i) {
                QLayoutItem* item = m_items[i];
                if (item->isEmpty())
                    continue;
                const QSize size = item->sizeHint().boundedTo(QSize(area.width(), height));
                item->setGeometry(QRect(QPoint(left, top + (height - size.height()) / 2), size));
                left += size.width() + gap();
            }
        }
        top += height + (rowEnd < m_items.size() ? gap() : 0);
        rowStart = rowEnd;
    }
    return top - area.top() + contentsMargins().top() + contentsMargins().bottom();
}
