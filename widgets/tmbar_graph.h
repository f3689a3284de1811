#pragma once

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QMetaType>
#include <QRect>
#include <QString>

#include <cstdint>

// Fixed underlying types: a stored value outside the enumerators (say, from a
// settings file) is then well defined and simply changes nothing.
enum TMBGOrientation : int
{
    orientationHorizontal,
    orientationVertical,
};

enum TMBGMode : int
{
    modeSigned,   // -1 … +1 around a zero mark
    modeUnsigned, // 0 … +1 from the low end, with the percentage text
};

enum TMBGTextPosition : int
{
    tpInside,
    tpOutside,
    tpAuto, // outside or inside the bar's end, with hysteresis
    tpFix,  // at MBGTextLeft, MBGTextTop
    tpCentre,
};

Q_DECLARE_METATYPE(TMBGOrientation)
Q_DECLARE_METATYPE(TMBGMode)
Q_DECLARE_METATYPE(TMBGTextPosition)

// Colour arithmetic on 24-bit values: red in the lowest byte, green in the
// next, blue in the third.
namespace mbg {

// Rounded to the nearest integer, ties to the even one; saturates at the int range.
int nearest(double x);

// 'R'/'r', 'G'/'g', 'B'/'b' pick a channel; any other letter gives 0.
int colorComponent(std::uint32_t color, char letter);
// c0 + Nearest((c1 - c0) × f) per channel, f clamped to 0 … 1.
std::uint32_t interpolatedColor(std::uint32_t colorAt0, std::uint32_t colorAt1, double fraction);
std::uint32_t inverseColor(std::uint32_t color);

std::uint32_t toColorValue(const QColor& color);
QColor fromColorValue(std::uint32_t value);

// The tpAuto choice: outside below textWidth + 10, inside above
// textWidth + 20, otherwise what it was.
bool autoTextOutside(bool wasOutside, int barWidth, int textWidth);

// "0", "0.0" … "0.0000"
QString decimalsPattern(int decimals);

} // namespace mbg

// Shows a value between -1 and +1 as a coloured bar, optionally with a
// percentage text. Every MBG property setter and every resize redoes the
// layout; the value setter redraws the bars only when the clamped value
// changed, as it is called at the live-poll rate.
class TMBarGraph : public QFrame
{
    Q_OBJECT

public:
    // What the control draws; exposed for tests and kept as plain state so
    // painting is a pure function of it.
    struct Shape
    {
        QRect geometry; // may hold a negative extent when the control is tiny
        QColor fill;
        bool visible = false;

        bool operator==(const Shape&) const = default;
    };
    struct TextLabel
    {
        QString caption;
        QPoint position;
        QSize size; // the caption's extent in the label's font
        QFont font;
        QColor fontColor;
        bool visible = true;

        bool operator==(const TextLabel&) const = default;
    };

    explicit TMBarGraph(QWidget* parent = nullptr);

    TMBGOrientation MBGOrientation() const { return m_orientation; }
    void setMBGOrientation(TMBGOrientation orientation);

    // The stored value, unclamped.
    double MBGValue() const { return m_value; }
    void setMBGValue(double value);

    QColor MBGMinusColorAt0() const { return m_minusColorAt0; }
    void setMBGMinusColorAt0(const QColor& color);
    QColor MBGMinusColorAt1() const { return m_minusColorAt1; }
    void setMBGMinusColorAt1(const QColor& color);
    QColor MBGPlusColorAt0() const { return m_plusColorAt0; }
    void setMBGPlusColorAt0(const QColor& color);
    QColor MBGPlusColorAt1() const { return m_plusColorAt1; }
    void setMBGPlusColorAt1(const QColor& color);

    TMBGMode MBGMode() const { return m_mode; }
    void setMBGMode(TMBGMode mode);

    bool MBGShowText() const { return m_showText; }
    void setMBGShowText(bool show);
    bool MBGInverseText() const { return m_inverseText; }
    void setMBGInverseText(bool inverse);

    TMBGTextPosition MBGTextPosition() const { return m_textPosition; }
    void setMBGTextPosition(TMBGTextPosition position);
    int MBGTextLeft() const { return m_textLeft; }
    void setMBGTextLeft(int left);
    int MBGTextTop() const { return m_textTop; }
    void setMBGTextTop(int top);

    // Above 4 is stored as 4, below 0 as 0.
    std::uint8_t MBGDecimals() const { return m_decimals; }
    void setMBGDecimals(int decimals);

    // The control's font; the text takes a copy of it at each text update.
    QFont Font() const { return font(); }

    const Shape& minusBar() const { return m_minusBar; }
    const Shape& plusBar() const { return m_plusBar; }
    const Shape& zeroMark() const { return m_zeroMark; }
    const TextLabel& textLabel() const { return m_label; }
    // The value the bars show (MBGValue clamped to -1 … +1).
    double displayValue() const { return m_displayValue; }
    // How many times the bars were moved and recoloured.
    int barUpdateCount() const { return m_barUpdateCount; }

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void layoutBars(bool force);
    void layoutSignedHorizontal(bool update);
    void layoutSignedVertical(bool update);
    void layoutUnsignedHorizontal(bool update);
    void layoutUnsignedVertical(bool update);
    void updateText(int left, int right);
    void showOnly(Shape* shown);

    static constexpr int kInitialWidth = 105;
    static constexpr int kInitialHeight = 17;
    static constexpr double kInitialValue = 0.5;

    TMBGOrientation m_orientation = orientationHorizontal;
    double m_value = kInitialValue;
    QColor m_minusColorAt0 = QColor(255, 255, 255);
    QColor m_minusColorAt1 = QColor(0, 0, 255);
    QColor m_plusColorAt0 = QColor(255, 255, 255);
    QColor m_plusColorAt1 = QColor(255, 0, 0);
    TMBGMode m_mode = modeUnsigned;
    bool m_showText = true;
    bool m_inverseText = false;
    TMBGTextPosition m_textPosition = tpAuto;
    int m_textLeft = 0;
    int m_textTop = 0;
    std::uint8_t m_decimals = 0;

    double m_displayValue = kInitialValue;
    double m_lastDrawnValue = 0.0;
    bool m_textOutside = true;
    int m_barUpdateCount = 0;

    Shape m_minusBar;
    Shape m_plusBar;
    Shape m_zeroMark;
    TextLabel m_label;
};
