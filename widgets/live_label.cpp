#include "widgets/live_label.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

TLiveLabel::TLiveLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void TLiveLabel::fitTexts(const QStringList& widestTexts)
{
    const QFontMetrics metrics = fontMetrics();
    QChar widestDigit = u'0';
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widestDigit))
            widestDigit = QChar(digit);
    }
    // The label's own size hint knows its margins and indent.
    const QString shown = text();
    QSize fitting;
    for (QString sample : widestTexts) {
        std::replace_if(
            sample.begin(), sample.end(), [](QChar c) { return c.isDigit(); }, widestDigit);
        setText(sample);
        fitting = fitting.expandedTo(sizeHint());
    }
    setText(shown);
    setFixedSize(fitting);
}

void TLiveLabel::skipShaping()
{
    QFont unshaped = font();
    unshaped.setStyleStrategy(QFont::PreferNoShaping);
    setFont(unshaped);
}

bool TLiveLabel::event(QEvent* event)
{
    const bool handled = QLabel::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        scheduleBackdrop();
        break;
    default:
        break;
    }
    return handled;
}

void TLiveLabel::scheduleBackdrop()
{
    // Setting the palette in copyBackdrop comes back here as a palette change.
    if (m_copying || m_copyPending)
        return;
    m_copyPending = true;
    setAutoFillBackground(false);
    // Later, not now: a parent being shown shows its children before it lays
    // out its own insides (a tab widget its pane), which the copy must see.
    QMetaObject::invokeMethod(this, &TLiveLabel::copyBackdrop, Qt::QueuedConnection);
}

void TLiveLabel::copyBackdrop()
{
    m_copyPending = false;
    if (isWindow() || !isVisible() || size().isEmpty())
        return;
    m_copying = true;

    const qreal ratio = devicePixelRatioF();
    QPixmap backdrop(size() * ratio);
    backdrop.setDevicePixelRatio(ratio);
    // Opaque from the start, so the brush counts as opaque; the window's
    // background covers it.
    backdrop.fill(Qt::white);
    {
        QList<QWidget*> ancestors;
        for (QWidget* widget = parentWidget(); widget;
             widget = widget->isWindow() ? nullptr : widget->parentWidget())
            ancestors.prepend(widget);
        // From the window down to the parent, each without its children.
        QPainter painter(&backdrop);
        for (QWidget* ancestor : ancestors) {
            const QRect beneath(mapTo(ancestor, QPoint(0, 0)), size());
            ancestor->render(&painter, QPoint(), QRegion(beneath),
                             ancestor->isWindow() ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
        }
    }
    QPalette withBackdrop = palette();
    withBackdrop.setBrush(QPalette::Window, QBrush(backdrop));
    setPalette(withBackdrop);
    setAutoFillBackground(true);

    m_copying = false;
}
