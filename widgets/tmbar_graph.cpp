#include "widgets/tmbar_graph.h"

#include "platform/number_format.h"

#include <QFontMetrics>
#include <QPainter>

#include <climits>
#include <cmath>

namespace mbg {

int nearest(double x)
{
    if (std::isnan(x))
        return 0;
    const double below = std::floor(x);
    const double fraction = x - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    if (rounded >= double(INT_MAX))
        return INT_MAX;
    if (rounded <= double(INT_MIN))
        return INT_MIN;
    return int(rounded);
}

int colorComponent(std::uint32_t color, char letter)
{
    switch (letter) {
    case 'R':
    case 'r':
        return int(color & 0xFFu);
    case 'G':
    case 'g':
        return int((color >> 8) & 0xFFu);
    case 'B':
    case 'b':
        return int((color >> 16) & 0xFFu);
    default:
        return 0;
    }
}

std::uint32_t interpolatedColor(std::uint32_t colorAt0, std::uint32_t colorAt1, double fraction)
{
    // NaN counts as 0.
    if (!(fraction > 0.0))
        fraction = 0.0;
    if (fraction > 1.0)
        fraction = 1.0;
    std::uint32_t result = 0;
    int shift = 0;
    for (const char letter : {'R', 'G', 'B'}) {
        const int c0 = colorComponent(colorAt0, letter);
        const int c1 = colorComponent(colorAt1, letter);
        const int channel = (c0 + nearest((c1 - c0) * fraction)) & 0xFF;
        result |= std::uint32_t(channel) << shift;
        shift += 8;
    }
    return result;
}

std::uint32_t inverseColor(std::uint32_t color)
{
    return std::uint32_t(255 - colorComponent(color, 'R')) |
           (std::uint32_t(255 - colorComponent(color, 'G')) << 8) |
           (std::uint32_t(255 - colorComponent(color, 'B')) << 16);
}

std::uint32_t toColorValue(const QColor& color)
{
    const QRgb rgb = color.rgb();
    return std::uint32_t(qRed(rgb)) | (std::uint32_t(qGreen(rgb)) << 8) | (std::uint32_t(qBlue(rgb)) << 16);
}

QColor fromColorValue(std::uint32_t value)
{
    return QColor(colorComponent(value, 'R'), colorComponent(value, 'G'), colorComponent(value, 'B'));
}

bool autoTextOutside(bool wasOutside, int barWidth, int textWidth)
{
    bool outside = wasOutside;
    if (barWidth < textWidth + 10)
        outside = true;
    if (barWidth > textWidth + 20)
        outside = false;
    return outside;
}

QString decimalsPattern(int decimals)
{
    if (decimals <= 0)
        return QStringLiteral("0");
    return QStringLiteral("0.") + QString(qMin(decimals, 4), u'0');
}

} // namespace mbg

namespace {

constexpr int kMinimumLength = 30;
constexpr int kMinimumThicknessHorizontal = 6;
constexpr int kMinimumThicknessVertical = 6;
constexpr int kMinimumHeightAtConstruction = 5;
constexpr std::uint8_t kMaxDecimals = 4;

double clampedDisplayValue(double value)
{
    // A NaN would compare unequal to every drawn value and leave the bars
    // frozen in whatever state they had; show it as no bar.
    if (std::isnan(value))
        return 0.0;
    return qBound(-1.0, value, 1.0);
}

} // namespace

TMBarGraph::TMBarGraph(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("MBarGraph"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setMinimumSize(kMinimumLength, kMinimumHeightAtConstruction);
    resize(kInitialWidth, kInitialHeight);

    // Full extent of the horizontal signed layout, both bars hidden.
    const int left = 1;
    const int centre = mbg::nearest((kInitialWidth - 1) / 2.0);
    const int positiveStart = centre + 3;
    const int right = kInitialWidth - 1;
    const int height = kInitialHeight - 2;
    m_minusBar = {QRect(left, 1, centre - left, height), m_minusColorAt1, false};
    m_plusBar = {QRect(positiveStart, 1, right - positiveStart, height), m_plusColorAt1, false};
    m_zeroMark = {QRect(centre + 1, 1, positiveStart - centre - 2, height), Qt::white, true};

    m_label.caption = QStringLiteral("0%");
    m_label.font = font();
    const QFontMetrics metrics(m_label.font);
    m_label.size = QSize(metrics.horizontalAdvance(m_label.caption), metrics.height());
    m_label.fontColor = Qt::black;
    m_label.visible = true;
}

void TMBarGraph::setMBGOrientation(TMBGOrientation orientation)
{
    m_orientation = orientation;
    if (orientation == orientationHorizontal)
        setMinimumSize(kMinimumLength, kMinimumThicknessHorizontal);
    else if (orientation == orientationVertical)
        setMinimumSize(kMinimumThicknessVertical, kMinimumLength);
    layoutBars(true);
}

void TMBarGraph::setMBGValue(double value)
{
    m_value = value;
    m_displayValue = clampedDisplayValue(value);
    layoutBars(false);
}

void TMBarGraph::setMBGMinusColorAt0(const QColor& color)
{
    m_minusColorAt0 = color;
    layoutBars(true);
}

void TMBarGraph::setMBGMinusColorAt1(const QColor& color)
{
    m_minusColorAt1 = color;
    layoutBars(true);
}

void TMBarGraph::setMBGPlusColorAt0(const QColor& color)
{
    m_plusColorAt0 = color;
    layoutBars(true);
}

void TMBarGraph::setMBGPlusColorAt1(const QColor& color)
{
    m_plusColorAt1 = color;
    layoutBars(true);
}

void TMBarGraph::setMBGMode(TMBGMode mode)
{
    m_mode = mode;
    layoutBars(true);
}

void TMBarGraph::setMBGShowText(bool show)
{
    m_showText = show;
    m_label.visible = show;
    layoutBars(true);
    update();
}

void TMBarGraph::setMBGInverseText(bool inverse)
{
    m_inverseText = inverse;
    layoutBars(true);
}

void TMBarGraph::setMBGTextPosition(TMBGTextPosition position)
{
    m_textPosition = position;
    layoutBars(true);
}

void TMBarGraph::setMBGTextLeft(int left)
{
    m_textLeft = left;
    layoutBars(true);
}

void TMBarGraph::setMBGTextTop(int top)
{
    m_textTop = top;
    layoutBars(true);
}

void TMBarGraph::setMBGDecimals(int decimals)
{
    m_decimals = std::uint8_t(qBound(0, decimals, int(kMaxDecimals)));
    layoutBars(true);
}

QSize TMBarGraph::sizeHint() const
{
    return m_orientation == orientationVertical ? QSize(kInitialHeight, kInitialWidth)
                                                : QSize(kInitialWidth, kInitialHeight);
}

void TMBarGraph::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutBars(true);
}

void TMBarGraph::layoutBars(bool force)
{
    const bool knownMode = m_mode == modeSigned || m_mode == modeUnsigned;
    const bool knownOrientation =
        m_orientation == orientationHorizontal || m_orientation == orientationVertical;
    if (!knownMode || !knownOrientation)
        return;

    const Shape minusBefore = m_minusBar;
    const Shape plusBefore = m_plusBar;
    const Shape zeroBefore = m_zeroMark;
    const TextLabel labelBefore = m_label;

    const bool barUpdate = force || m_displayValue != m_lastDrawnValue;
    if (m_mode == modeSigned) {
        if (m_orientation == orientationHorizontal)
            layoutSignedHorizontal(barUpdate);
        else
            layoutSignedVertical(barUpdate);
    } else {
        if (m_orientation == orientationHorizontal)
            layoutUnsignedHorizontal(barUpdate);
        else
            layoutUnsignedVertical(barUpdate);
    }
    if (barUpdate) {
        ++m_barUpdateCount;
        m_lastDrawnValue = m_displayValue;
    }

    if (m_minusBar != minusBefore || m_plusBar != plusBefore || m_zeroMark != zeroBefore ||
        m_label != labelBefore)
        update();
}

void TMBarGraph::showOnly(Shape* shown)
{
    m_minusBar.visible = shown == &m_minusBar;
    m_plusBar.visible = shown == &m_plusBar;
}

void TMBarGraph::layoutSignedHorizontal(bool barUpdate)
{
    const int w = width();
    const int h = height();
    const int left = 1;
    const int centre = mbg::nearest((w - 1) / 2.0);
    const int positiveStart = centre + 3;
    const int right = w - 1;
    const double v = m_displayValue;

    if (barUpdate) {
        if (v < 0) {
            const int leftEdge = centre + mbg::nearest((centre - left) * v);
            m_minusBar.geometry = QRect(leftEdge, 1, centre - leftEdge, h - 2);
            m_minusBar.fill = mbg::fromColorValue(mbg::interpolatedColor(
                mbg::toColorValue(m_minusColorAt0), mbg::toColorValue(m_minusColorAt1), -v));
            showOnly(&m_minusBar);
        } else if (v > 0) {
            m_plusBar.geometry = QRect(positiveStart, 1, mbg::nearest((right - positiveStart) * v), h - 2);
            m_plusBar.fill = mbg::fromColorValue(mbg::interpolatedColor(
                mbg::toColorValue(m_plusColorAt0), mbg::toColorValue(m_plusColorAt1), v));
            showOnly(&m_plusBar);
        }
    }
    if (v == 0)
        showOnly(nullptr);

    m_zeroMark.geometry = QRect(centre + 1, 1, positiveStart - centre - 2, h - 2);
    m_zeroMark.visible = true;
}

void TMBarGraph::layoutSignedVertical(bool barUpdate)
{
    const int w = width();
    const int h = height();
    const int top = 1;
    const int centre = mbg::nearest((h - 1) / 2.0);
    const int negativeStart = centre + 3;
    const int bottom = h - 1;
    const double v = m_displayValue;

    if (barUpdate) {
        if (v < 0) {
            m_minusBar.geometry = QRect(1, negativeStart, w - 2, mbg::nearest((negativeStart - bottom) * v));
            m_minusBar.fill = mbg::fromColorValue(mbg::interpolatedColor(
                mbg::toColorValue(m_minusColorAt0), mbg::toColorValue(m_minusColorAt1), -v));
            showOnly(&m_minusBar);
        } else if (v > 0) {
            const int topEdge = top + mbg::nearest((1 - v) * (centre - top));
            m_plusBar.geometry = QRect(1, topEdge, w - 2, mbg::nearest((centre - top) * v));
            m_plusBar.fill = mbg::fromColorValue(mbg::interpolatedColor(
                mbg::toColorValue(m_plusColorAt0), mbg::toColorValue(m_plusColorAt1), v));
            showOnly(&m_plusBar);
        }
    }
    if (v == 0)
        showOnly(nullptr);

    m_zeroMark.geometry = QRect(1, centre + 1, w - 2, negativeStart - centre - 2);
    m_zeroMark.visible = true;
}

void TMBarGraph::layoutUnsignedHorizontal(bool barUpdate)
{
    const int left = 1;
    const int right = width() - 1;
    const double v = m_displayValue;

    m_zeroMark.visible = false;
    if (barUpdate) {
        if (v <= 0) {
            showOnly(nullptr);
        } else {
            m_plusBar.geometry = QRect(left, 1, mbg::nearest((right - left) * v), height() - 2);
            m_plusBar.fill = mbg::fromColorValue(mbg::interpolatedColor(
                mbg::toColorValue(m_plusColorAt0), mbg::toColorValue(m_plusColorAt1), v));
            showOnly(&m_plusBar);
        }
    }
    if (m_showText)
        updateText(left, right);
}

void TMBarGraph::layoutUnsignedVertical(bool barUpdate)
{
    const int top = 1;
    const int bottom = height() - 1;
    const double v = m_displayValue;

    m_zeroMark.visible = false;
    if (!barUpdate)
        return;
    if (v <= 0) {
        showOnly(nullptr);
        return;
    }
    const int topEdge = top + mbg::nearest((1 - v) * (bottom - top));
    m_plusBar.geometry = QRect(1, topEdge, width() - 2, mbg::nearest((bottom - top) * v));
    m_plusBar.fill = mbg::fromColorValue(
        mbg::interpolatedColor(mbg::toColorValue(m_plusColorAt0), mbg::toColorValue(m_plusColorAt1), v));
    showOnly(&m_plusBar);
}

void TMBarGraph::updateText(int left, int right)
{
    m_label.font = font();
    m_label.caption = NumberFormat::format(m_value * 100.0, mbg::decimalsPattern(m_decimals)) + u'%';
    const QFontMetrics metrics(m_label.font);
    const int tw = metrics.horizontalAdvance(m_label.caption);
    const int th = metrics.height();
    m_label.size = QSize(tw, th);

    // The bar's last geometry counts even while it is hidden, so a text
    // at 0% stays where the bar last ended.
    const int barLeft = m_plusBar.geometry.left();
    const int barWidth = m_plusBar.geometry.width();
    int x = m_label.position.x();
    switch (m_textPosition) {
    case tpInside:
        x = barLeft + barWidth - 5 - tw;
        break;
    case tpOutside:
        x = barLeft + barWidth + 5;
        break;
    case tpAuto:
        m_textOutside = mbg::autoTextOutside(m_textOutside, barWidth, tw);
        x = m_textOutside ? barLeft + barWidth + 5 : barLeft + barWidth - 5 - tw;
        break;
    case tpFix:
        x = m_textLeft;
        break;
    case tpCentre:
        x = mbg::nearest((right - left) / 2.0) + barLeft - mbg::nearest(tw / 2.0);
        break;
    }
    const int y = m_textPosition == tpFix
                      ? m_textTop
                      : m_plusBar.geometry.top() + mbg::nearest((m_plusBar.geometry.height() - th) / 2.0);
    m_label.position = QPoint(x, y);

    m_label.fontColor = m_inverseText
                            ? mbg::fromColorValue(mbg::inverseColor(mbg::toColorValue(m_plusBar.fill)))
                            : QColor(Qt::black);
}

void TMBarGraph::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);

    QPainter painter(this);
    for (const Shape* shape : {&m_minusBar, &m_plusBar, &m_zeroMark}) {
        const QRect& r = shape->geometry;
        if (!shape->visible || r.width() <= 0 || r.height() <= 0)
            continue;
        if (r.width() <= 2 || r.height() <= 2) {
            // All outline, no room for the fill.
            painter.fillRect(r, Qt::black);
            continue;
        }
        painter.setPen(Qt::black);
        painter.setBrush(shape->fill);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }

    if (m_label.visible) {
        painter.setFont(m_label.font);
        painter.setPen(m_label.fontColor);
        painter.drawText(QRect(m_label.position, m_label.size),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_label.caption);
    }
}
