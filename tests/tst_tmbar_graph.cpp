#include "widgets/tmbar_graph.h"

// The enumerations must compile beside the link's modeMaster … values.
#include "link/mb_types.h"
#include "platform/number_format.h"
#include "tests/support/test_files.h"

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

namespace {

// Orientation first: it sets the minimum size the resize must respect.
std::unique_ptr<TMBarGraph> makeGraph(int w, int h, TMBGMode mode,
                                      TMBGOrientation orientation = orientationHorizontal)
{
    auto graph = std::make_unique<TMBarGraph>();
    graph->setMBGOrientation(orientation);
    graph->resize(w, h);
    graph->setMBGMode(mode);
    return graph;
}

// Enlarged without smoothing, so single pixels stay visible when looked at.
void savePng(const QImage& image, const QString& name)
{
    const QString dir = outputDir();
    QVERIFY(image.save(dir + u'/' + name + QStringLiteral(".png")));
    QVERIFY(image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                .save(dir + u'/' + name + QStringLiteral("_x4.png")));
}

} // namespace

class tst_TMBarGraph : public QObject
{
    Q_OBJECT

private slots:
    void init() { NumberFormat::setDecimalSeparator(u'.'); }
    void cleanup() { NumberFormat::useSystemSeparator(); }

    void nearest_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("expected");
        QTest::newRow("100.5 to even") << 100.5 << 100;
        QTest::newRow("101.5 to even") << 101.5 << 102;
        QTest::newRow("-127.5 to even") << -127.5 << -128;
        QTest::newRow("-0.5 to even") << -0.5 << 0;
        QTest::newRow("-1.5 to even") << -1.5 << -2;
        QTest::newRow("just below half") << 2.4999 << 2;
        QTest::newRow("just above half") << 2.5001 << 3;
        QTest::newRow("negative above half") << -2.6 << -3;
        QTest::newRow("saturates") << 1.0e20 << std::numeric_limits<int>::max();
        QTest::newRow("saturates negative") << -1.0e20 << std::numeric_limits<int>::min();
    }
    void nearest()
    {
        QFETCH(double, x);
        QFETCH(int, expected);
        QCOMPARE(mbg::nearest(x), expected);
    }

    void colorComponent_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("expected");
        QTest::newRow("R") << 'R' << 0x56;
        QTest::newRow("r") << 'r' << 0x56;
        QTest::newRow("G") << 'G' << 0x34;
        QTest::newRow("g") << 'g' << 0x34;
        QTest::newRow("B") << 'B' << 0x12;
        QTest::newRow("b") << 'b' << 0x12;
        QTest::newRow("other letter") << 'x' << 0;
    }
    void colorComponent()
    {
        QFETCH(char, letter);
        QFETCH(int, expected);
        QCOMPARE(mbg::colorComponent(0xFF123456u, letter), expected);
    }

    void interpolatedColor_data()
    {
        QTest::addColumn<uint>("c0");
        QTest::addColumn<uint>("c1");
        QTest::addColumn<double>("f");
        QTest::addColumn<uint>("expected");
        const uint white = 16777215, red = 255, blue = 16711680;
        QTest::newRow("white-red half") << white << red << 0.5 << uint(255 + 127 * 256 + 127 * 65536);
        QTest::newRow("white-blue half") << white << blue << 0.5 << uint(127 + 127 * 256 + 255 * 65536);
        QTest::newRow("at 0") << white << red << 0.0 << white;
        QTest::newRow("at 1") << white << red << 1.0 << red;
        QTest::newRow("below 0 clamps") << white << red << -3.0 << white;
        QTest::newRow("above 1 clamps") << white << red << 7.0 << red;
        QTest::newRow("NaN as 0") << white << red << std::nan("") << white;
        QTest::newRow("rising channel") << uint(0x000010) << uint(0x0000F0) << 0.25 << uint(0x000048);
        // 16 + Nearest(0.5 × 1) = 16 + 0 (ties to even)
        QTest::newRow("tie in a channel") << uint(0x10) << uint(0x11) << 0.5 << uint(0x10);
    }
    void interpolatedColor()
    {
        QFETCH(uint, c0);
        QFETCH(uint, c1);
        QFETCH(double, f);
        QFETCH(uint, expected);
        QCOMPARE(uint(mbg::interpolatedColor(c0, c1, f)), expected);
    }

    void colorValues()
    {
        QCOMPARE(uint(mbg::inverseColor(16777215u)), 0u);
        QCOMPARE(uint(mbg::inverseColor(255u)), uint(255 * 256 + 255 * 65536));
        QCOMPARE(uint(mbg::inverseColor(0x123456u)), 0xEDCBA9u);
        QCOMPARE(uint(mbg::toColorValue(QColor(255, 255, 255))), 16777215u);
        QCOMPARE(uint(mbg::toColorValue(QColor(0, 0, 255))), 16711680u);
        QCOMPARE(uint(mbg::toColorValue(QColor(255, 0, 0))), 255u);
        QCOMPARE(mbg::fromColorValue(0x123456u), QColor(0x56, 0x34, 0x12));
    }

    void autoTextOutside_data()
    {
        QTest::addColumn<bool>("wasOutside");
        QTest::addColumn<int>("barWidth");
        QTest::addColumn<bool>("expected");
        // A text 30 pixels wide: thresholds 40 and 50.
        QTest::newRow("39 goes outside") << false << 39 << true;
        QTest::newRow("40 keeps inside") << false << 40 << false;
        QTest::newRow("50 keeps inside") << false << 50 << false;
        QTest::newRow("40 keeps outside") << true << 40 << true;
        QTest::newRow("50 keeps outside") << true << 50 << true;
        QTest::newRow("51 goes inside") << true << 51 << false;
    }
    void autoTextOutside()
    {
        QFETCH(bool, wasOutside);
        QFETCH(int, barWidth);
        QFETCH(bool, expected);
        QCOMPARE(mbg::autoTextOutside(wasOutside, barWidth, 30), expected);
    }

    void defaults()
    {
        TMBarGraph graph;
        QCOMPARE(graph.objectName(), QStringLiteral("MBarGraph"));
        QCOMPARE(graph.size(), QSize(105, 17));
        QCOMPARE(graph.minimumSize(), QSize(30, 5));
        QCOMPARE(graph.MBGOrientation(), orientationHorizontal);
        QCOMPARE(graph.MBGValue(), 0.5);
        QCOMPARE(graph.MBGMinusColorAt0(), QColor(255, 255, 255));
        QCOMPARE(graph.MBGMinusColorAt1(), QColor(0, 0, 255));
        QCOMPARE(graph.MBGPlusColorAt0(), QColor(255, 255, 255));
        QCOMPARE(graph.MBGPlusColorAt1(), QColor(255, 0, 0));
        QCOMPARE(graph.MBGMode(), modeUnsigned);
        QVERIFY(graph.MBGShowText());
        QVERIFY(!graph.MBGInverseText());
        QCOMPARE(graph.MBGTextPosition(), tpAuto);
        QCOMPARE(graph.MBGTextLeft(), 0);
        QCOMPARE(graph.MBGTextTop(), 0);
        QCOMPARE(int(graph.MBGDecimals()), 0);

        // Children at the full extent of the signed horizontal layout; no
        // layout ran yet.
        QCOMPARE(graph.barUpdateCount(), 0);
        QCOMPARE(graph.minusBar().geometry, QRect(1, 1, 51, 15));
        QCOMPARE(graph.minusBar().fill, QColor(0, 0, 255));
        QVERIFY(!graph.minusBar().visible);
        QCOMPARE(graph.plusBar().geometry, QRect(55, 1, 49, 15));
        QCOMPARE(graph.plusBar().fill, QColor(255, 0, 0));
        QVERIFY(!graph.plusBar().visible);
        QCOMPARE(graph.zeroMark().geometry, QRect(53, 1, 1, 15));
        QCOMPARE(graph.zeroMark().fill, QColor(Qt::white));
        QVERIFY(graph.zeroMark().visible);
        QCOMPARE(graph.textLabel().caption, QStringLiteral("0%"));
        QVERIFY(graph.textLabel().visible);
    }

    void geometry_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<double>("v");
        QTest::addColumn<QRect>("minus"); // null: hidden
        QTest::addColumn<QRect>("plus");  // null: hidden
        QTest::addColumn<QRect>("zero");  // null: hidden

        const int s = modeSigned, u = modeUnsigned, hz = orientationHorizontal, vt = orientationVertical;
        QTest::newRow("S H 201 +1") << s << hz << 201 << 17 << 1.0 << QRect() << QRect(103, 1, 97, 15)
                                    << QRect(101, 1, 1, 15);
        QTest::newRow("S H 201 -1") << s << hz << 201 << 17 << -1.0 << QRect(1, 1, 99, 15) << QRect()
                                    << QRect(101, 1, 1, 15);
        QTest::newRow("S H 201 0") << s << hz << 201 << 17 << 0.0 << QRect() << QRect()
                                   << QRect(101, 1, 1, 15);
        // Nearest(48.5) = 48; 100 + Nearest(-49.5) = 50
        QTest::newRow("S H 201 +0.5")
            << s << hz << 201 << 8 << 0.5 << QRect() << QRect(103, 1, 48, 6) << QRect(101, 1, 1, 6);
        QTest::newRow("S H 201 -0.5")
            << s << hz << 201 << 8 << -0.5 << QRect(50, 1, 50, 6) << QRect() << QRect(101, 1, 1, 6);
        QTest::newRow("S H 202 centre 100")
            << s << hz << 202 << 17 << 1.0 << QRect() << QRect(103, 1, 98, 15) << QRect(101, 1, 1, 15);
        QTest::newRow("S H 204 centre 102")
            << s << hz << 204 << 17 << 1.0 << QRect() << QRect(105, 1, 98, 15) << QRect(103, 1, 1, 15);
        QTest::newRow("S H 204 -1") << s << hz << 204 << 17 << -1.0 << QRect(1, 1, 101, 15) << QRect()
                                    << QRect(103, 1, 1, 15);

        QTest::newRow("S V 201 +1") << s << vt << 20 << 201 << 1.0 << QRect() << QRect(1, 1, 18, 99)
                                    << QRect(1, 101, 18, 1);
        QTest::newRow("S V 201 -1") << s << vt << 20 << 201 << -1.0 << QRect(1, 103, 18, 97) << QRect()
                                    << QRect(1, 101, 18, 1);
        // 1 + Nearest(49.5) = 51, Nearest(49.5) = 50
        QTest::newRow("S V 201 +0.5")
            << s << vt << 20 << 201 << 0.5 << QRect() << QRect(1, 51, 18, 50) << QRect(1, 101, 18, 1);
        QTest::newRow("S V 201 0") << s << vt << 20 << 201 << 0.0 << QRect() << QRect()
                                   << QRect(1, 101, 18, 1);

        QTest::newRow("U H 201 +1") << u << hz << 201 << 17 << 1.0 << QRect() << QRect(1, 1, 199, 15)
                                    << QRect();
        // Nearest(99.5) = 100
        QTest::newRow("U H 201 +0.5")
            << u << hz << 201 << 17 << 0.5 << QRect() << QRect(1, 1, 100, 15) << QRect();
        QTest::newRow("U H 201 0") << u << hz << 201 << 17 << 0.0 << QRect() << QRect() << QRect();
        QTest::newRow("U H 201 negative") << u << hz << 201 << 17 << -0.7 << QRect() << QRect() << QRect();

        QTest::newRow("U V 201 +1") << u << vt << 20 << 201 << 1.0 << QRect() << QRect(1, 1, 18, 199)
                                    << QRect();
        // 1 + Nearest(149.25) = 150, Nearest(49.75) = 50
        QTest::newRow("U V 201 +0.25")
            << u << vt << 20 << 201 << 0.25 << QRect() << QRect(1, 150, 18, 50) << QRect();
        QTest::newRow("U V 201 negative") << u << vt << 20 << 201 << -1.0 << QRect() << QRect() << QRect();
    }
    void geometry()
    {
        QFETCH(int, mode);
        QFETCH(int, orientation);
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(double, v);
        QFETCH(QRect, minus);
        QFETCH(QRect, plus);
        QFETCH(QRect, zero);

        auto graph = makeGraph(w, h, TMBGMode(mode), TMBGOrientation(orientation));
        QCOMPARE(graph->size(), QSize(w, h));
        graph->setMBGValue(v);

        QCOMPARE(graph->minusBar().visible, !minus.isNull());
        if (!minus.isNull())
            QCOMPARE(graph->minusBar().geometry, minus);
        QCOMPARE(graph->plusBar().visible, !plus.isNull());
        if (!plus.isNull())
            QCOMPARE(graph->plusBar().geometry, plus);
        QCOMPARE(graph->zeroMark().visible, !zero.isNull());
        if (!zero.isNull())
            QCOMPARE(graph->zeroMark().geometry, zero);
    }

    void fillColours()
    {
        auto graph = makeGraph(201, 17, modeSigned);
        graph->setMBGValue(0.5);
        QCOMPARE(graph->plusBar().fill, QColor(255, 127, 127));
        graph->setMBGValue(-0.5);
        QCOMPARE(graph->minusBar().fill, QColor(127, 127, 255));
        graph->setMBGValue(-1.0);
        QCOMPARE(graph->minusBar().fill, QColor(0, 0, 255));
        graph->setMBGMinusColorAt1(QColor(0, 255, 0));
        QCOMPARE(graph->minusBar().fill, QColor(0, 255, 0));
    }

    void clampsButKeepsValue()
    {
        auto graph = makeGraph(201, 17, modeUnsigned);
        graph->setMBGValue(2.5);
        QCOMPARE(graph->MBGValue(), 2.5);
        QCOMPARE(graph->displayValue(), 1.0);
        QCOMPARE(graph->plusBar().geometry, QRect(1, 1, 199, 15));
        QCOMPARE(graph->plusBar().fill, QColor(255, 0, 0));
        QCOMPARE(graph->textLabel().caption, QStringLiteral("250%"));

        graph->setMBGMode(modeSigned);
        graph->setMBGValue(-40.0);
        QCOMPARE(graph->MBGValue(), -40.0);
        QCOMPARE(graph->displayValue(), -1.0);
        QCOMPARE(graph->minusBar().geometry, QRect(1, 1, 99, 15));
    }

    void nanShowsNoBar()
    {
        auto graph = makeGraph(201, 17, modeSigned);
        graph->setMBGValue(0.7);
        graph->setMBGValue(std::nan(""));
        QVERIFY(std::isnan(graph->MBGValue()));
        QCOMPARE(graph->displayValue(), 0.0);
        QVERIFY(!graph->plusBar().visible);
        QVERIFY(!graph->minusBar().visible);
        const int updates = graph->barUpdateCount();
        graph->setMBGValue(std::nan(""));
        QCOMPARE(graph->barUpdateCount(), updates);
    }

    void redrawsOnlyWhenClampedValueChanged()
    {
        auto graph = makeGraph(201, 17, modeUnsigned);
        graph->setMBGValue(0.3);
        const int updates = graph->barUpdateCount();
        const TMBarGraph::Shape plus = graph->plusBar();

        graph->setMBGValue(0.3);
        QCOMPARE(graph->barUpdateCount(), updates);
        QCOMPARE(graph->plusBar(), plus);

        // Same display value, different stored one: bars stay, text follows.
        graph->setMBGValue(1.5);
        QCOMPARE(graph->barUpdateCount(), updates + 1);
        graph->setMBGValue(3.0);
        QCOMPARE(graph->barUpdateCount(), updates + 1);
        QCOMPARE(graph->textLabel().caption, QStringLiteral("300%"));

        // Any other property forces the bars, with the new colour.
        graph->setMBGPlusColorAt1(QColor(0, 128, 0));
        QCOMPARE(graph->barUpdateCount(), updates + 2);
        QCOMPARE(graph->plusBar().fill, QColor(0, 128, 0));

        graph->setMBGValue(0.3);
        QCOMPARE(graph->barUpdateCount(), updates + 3);
        QCOMPARE(graph->plusBar().geometry, plus.geometry);
    }

    void resizeRunsLayout()
    {
        auto graph = makeGraph(201, 17, modeSigned);
        graph->setMBGValue(1.0);
        graph->show();
        QVERIFY(QTest::qWaitForWindowExposed(graph.get()));
        const int updates = graph->barUpdateCount();
        graph->resize(204, 17);
        QTRY_COMPARE(graph->plusBar().geometry, QRect(105, 1, 98, 15));
        QVERIFY(graph->barUpdateCount() > updates);
        QCOMPARE(graph->zeroMark().geometry, QRect(103, 1, 1, 15));
    }

    void orientationSetsMinimumSize()
    {
        TMBarGraph graph;
        graph.setMBGOrientation(orientationVertical);
        QCOMPARE(graph.minimumSize(), QSize(6, 30));
        QCOMPARE(graph.sizeHint(), QSize(17, 105));
        graph.setMBGOrientation(orientationHorizontal);
        QCOMPARE(graph.minimumSize(), QSize(30, 6));
    }

    void unknownModeChangesNothing()
    {
        auto graph = makeGraph(201, 17, modeSigned);
        graph->setMBGValue(0.5);
        const TMBarGraph::Shape plus = graph->plusBar();
        const int updates = graph->barUpdateCount();
        graph->setMBGMode(TMBGMode(7));
        graph->setMBGValue(-0.5);
        QCOMPARE(graph->plusBar(), plus);
        QVERIFY(!graph->minusBar().visible);
        QCOMPARE(graph->barUpdateCount(), updates);

        graph->setMBGMode(modeSigned);
        graph->setMBGOrientation(TMBGOrientation(5));
        graph->setMBGValue(0.9);
        QVERIFY(graph->minusBar().visible);
    }

    void decimals_data()
    {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("caption");
        QTest::newRow("0") << 0 << 0 << "12%";
        QTest::newRow("2") << 2 << 2 << "12,35%";
        QTest::newRow("4") << 4 << 4 << "12,3450%";
        QTest::newRow("9 as 4") << 9 << 4 << "12,3450%";
        QTest::newRow("negative as 0") << -3 << 0 << "12%";
    }
    void decimals()
    {
        QFETCH(int, decimals);
        QFETCH(int, stored);
        QFETCH(QString, caption);
        NumberFormat::setDecimalSeparator(u',');
        auto graph = makeGraph(201, 17, modeUnsigned);
        graph->setMBGValue(0.12345);
        graph->setMBGDecimals(decimals);
        QCOMPARE(int(graph->MBGDecimals()), stored);
        QCOMPARE(graph->textLabel().caption, caption);
    }

    // A bar of 199 pixels from x = 1, 15 high from y = 1. The text width tw
    // and height th are measured in the platform's font, so x is a constant
    // plus a multiple of tw: x = x0 + Nearest(twFactor × tw).
    void textPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<double>("v");
        QTest::addColumn<int>("x0");
        QTest::addColumn<double>("twFactor");
        // v = 0.5: bar width Nearest(99.5) = 100, so the bar ends at 101.
        QTest::newRow("inside") << int(tpInside) << 0.5 << 96 << -1.0;
        QTest::newRow("outside") << int(tpOutside) << 0.5 << 106 << 0.0;
        QTest::newRow("fix") << int(tpFix) << 0.5 << 33 << 0.0;
        // Nearest(199 / 2) + 1 = 101, whatever the bar's width (20 at v = 0.1).
        QTest::newRow("centre") << int(tpCentre) << 0.5 << 101 << -0.5;
        QTest::newRow("centre small bar") << int(tpCentre) << 0.1 << 101 << -0.5;
        // Width Nearest(159.2) = 159, above tw + 20: inside, 1 + 159 - 5 - tw.
        QTest::newRow("auto wide bar inside") << int(tpAuto) << 0.8 << 155 << -1.0;
        // Width Nearest(9.95) = 10, below tw + 10: outside, 1 + 10 + 5.
        QTest::newRow("auto narrow bar outside") << int(tpAuto) << 0.05 << 16 << 0.0;
    }
    void textPosition()
    {
        QFETCH(int, position);
        QFETCH(double, v);
        QFETCH(int, x0);
        QFETCH(double, twFactor);
        auto graph = makeGraph(201, 17, modeUnsigned);
        graph->setMBGTextLeft(33);
        graph->setMBGTextTop(-2);
        graph->setMBGTextPosition(TMBGTextPosition(position));
        graph->setMBGValue(v);

        const TMBarGraph::TextLabel& label = graph->textLabel();
        const QFontMetrics metrics(graph->Font());
        const int tw = metrics.horizontalAdvance(label.caption);
        const int th = metrics.height();
        QCOMPARE(label.size, QSize(tw, th));
        // Vertically centred on the 15 pixels of the bar, except at MBGTextTop.
        const int y = position == tpFix ? -2 : 1 + mbg::nearest((15 - th) / 2.0);
        QCOMPARE(label.position, QPoint(x0 + mbg::nearest(twFactor * tw), y));
    }

    void autoHysteresis()
    {
        // 1000 pixels of bar, so a single-digit percentage gives the bar
        // widths the text width needs.
        auto graph = makeGraph(1002, 17, modeUnsigned);
        graph->setMBGValue(0.04);
        const int tw = graph->textLabel().size.width();
        QVERIFY(tw > 0);

        struct Step
        {
            int barWidth;
            bool outside;
        };
        const Step steps[] = {
            {tw + 25, false}, // wide: inside
            {tw + 15, false}, // between the thresholds: stays
            {tw + 10, false}, // lower threshold itself: stays
            {tw + 5, true},   // narrow: outside
            {tw + 15, true},  // between: stays
            {tw + 20, true},  // upper threshold itself: stays
            {tw + 21, false}, // wider: inside again
        };
        for (const Step& step : steps) {
            graph->setMBGValue(step.barWidth / 1000.0);
            const TMBarGraph::TextLabel& label = graph->textLabel();
            QCOMPARE(graph->plusBar().geometry.width(), step.barWidth);
            // Single digits are equally wide in the fonts this runs with.
            QCOMPARE(label.size.width(), tw);
            const int expected = step.outside ? 1 + step.barWidth + 5 : 1 + step.barWidth - 5 - tw;
            QCOMPARE(label.position.x(), expected);
        }
    }

    void textStaysAtLastBarExtent()
    {
        auto graph = makeGraph(201, 17, modeUnsigned);
        graph->setMBGTextPosition(tpOutside);
        // Bar width Nearest(159.2) = 159: it ends at 160, the text 5 further.
        graph->setMBGValue(0.8);
        QCOMPARE(graph->textLabel().position.x(), 165);
        graph->setMBGValue(0.0);
        QVERIFY(!graph->plusBar().visible);
        QCOMPARE(graph->textLabel().caption, QStringLiteral("0%"));
        QCOMPARE(graph->textLabel().position.x(), 165);
    }

    void inverseText()
    {
        auto graph = makeGraph(201, 17, modeUnsigned);
        graph->setMBGValue(0.5);
        graph->setMBGInverseText(true);
        QCOMPARE(graph->textLabel().fontColor, QColor(0, 128, 128));
        graph->setMBGInverseText(false);
        QCOMPARE(graph->textLabel().fontColor, QColor(Qt::black));
    }

    void textOnlyInUnsignedHorizontal()
    {
        auto graph = std::make_unique<TMBarGraph>();
        graph->resize(201, 17);
        graph->setMBGMode(modeSigned);
        graph->setMBGValue(0.6);
        QCOMPARE(graph->textLabel().caption, QStringLiteral("0%"));
        QCOMPARE(graph->textLabel().position, QPoint(0, 0));

        graph->setMBGShowText(false);
        QVERIFY(!graph->textLabel().visible);
        graph->setMBGMode(modeUnsigned);
        QCOMPARE(graph->textLabel().caption, QStringLiteral("0%"));
        graph->setMBGShowText(true);
        QVERIFY(graph->textLabel().visible);
        QCOMPARE(graph->textLabel().caption, QStringLiteral("60%"));
    }

    void fontCopiedAtTextUpdate()
    {
        auto graph = makeGraph(201, 17, modeUnsigned);
        graph->setMBGValue(0.5);
        QFont big = graph->Font();
        big.setPixelSize(30);
        graph->setFont(big);
        QVERIFY(graph->textLabel().font != big);
        graph->setMBGValue(0.5);
        QCOMPARE(graph->textLabel().font, big);
        QCOMPARE(graph->textLabel().size.height(), QFontMetrics(big).height());
    }

    void paintsTheShapes()
    {
        auto graph = makeGraph(201, 17, modeSigned);
        graph->setMBGShowText(false);
        graph->setMBGValue(0.5);
        const QImage image = graph->grab().toImage();
        QCOMPARE(image.size(), QSize(201, 17));
        const QColor background = graph->palette().color(QPalette::Button);
        QCOMPARE(image.pixelColor(120, 8), QColor(255, 127, 127)); // plus bar fill
        QCOMPARE(image.pixelColor(103, 8), QColor(Qt::black));     // its left outline
        QCOMPARE(image.pixelColor(150, 8), QColor(Qt::black));     // its right outline
        QCOMPARE(image.pixelColor(120, 1), QColor(Qt::black));     // its top outline
        QCOMPARE(image.pixelColor(151, 8), background);
        QCOMPARE(image.pixelColor(101, 8), QColor(Qt::black)); // zero mark
        QCOMPARE(image.pixelColor(100, 8), background);
        QCOMPARE(image.pixelColor(50, 8), background); // minus bar hidden
    }

    void renderExamples()
    {
        QWidget sheet;
        sheet.setAutoFillBackground(true);
        sheet.resize(660, 330);
        int y = 8;
        auto caption = [&](const QString& text, int x, int yy) {
            auto* label = new QLabel(text, &sheet);
            label->move(x, yy);
        };

        // As the main window has them: 201 x 8, no text.
        for (const double v : {-1.0, -0.5, 0.0, 0.25, 1.0}) {
            auto* g = new TMBarGraph(&sheet);
            g->setGeometry(100, y, 201, 8);
            g->setMBGMode(modeSigned);
            g->setMBGShowText(false);
            g->setMBGValue(v);
            caption(QStringLiteral("signed %1").arg(v), 8, y - 4);
            y += 16;
        }
        for (const double v : {0.0, 0.3, 0.75, 1.0}) {
            auto* g = new TMBarGraph(&sheet);
            g->setGeometry(100, y, 201, 8);
            g->setMBGMode(modeUnsigned);
            g->setMBGShowText(false);
            g->setMBGValue(v);
            caption(QStringLiteral("unsigned %1").arg(v), 8, y - 4);
            y += 16;
        }
        // Unsigned with text, 201 x 17.
        const struct
        {
            double v;
            TMBGTextPosition position;
            bool inverse;
            const char* name;
        } texts[] = {
            {0.05, tpAuto, false, "auto 0.05"},      {0.5, tpAuto, true, "auto 0.5 inv"},
            {0.9, tpInside, false, "inside 0.9"},    {0.3, tpOutside, false, "outside 0.3"},
            {0.6, tpCentre, true, "centre 0.6 inv"}, {2.5, tpAuto, false, "auto 2.5"},
        };
        for (const auto& t : texts) {
            auto* g = new TMBarGraph(&sheet);
            g->setGeometry(100, y, 201, 17);
            g->setMBGTextPosition(t.position);
            g->setMBGInverseText(t.inverse);
            g->setMBGDecimals(t.v == 0.5 ? 1 : 0);
            g->setMBGValue(t.v);
            caption(QString::fromLatin1(t.name), 8, y);
            y += 24;
        }
        // Vertical, signed and unsigned.
        int x = 340;
        for (const double v : {1.0, 0.4, 0.0, -0.6, -1.0}) {
            auto* g = new TMBarGraph(&sheet);
            g->setMBGOrientation(orientationVertical);
            g->setGeometry(x, 20, 17, 201);
            g->setMBGMode(modeSigned);
            g->setMBGShowText(false);
            g->setMBGValue(v);
            x += 24;
        }
        for (const double v : {1.0, 0.4, 0.1}) {
            auto* g = new TMBarGraph(&sheet);
            g->setMBGOrientation(orientationVertical);
            g->setGeometry(x, 20, 17, 201);
            g->setMBGMode(modeUnsigned);
            g->setMBGShowText(false);
            g->setMBGValue(v);
            x += 24;
        }
        caption(QStringLiteral("vertical: signed 1, 0.4, 0, -0.6, -1; unsigned 1, 0.4, 0.1"), 320, 230);

        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        const QImage image = sheet.grab().toImage();
        QVERIFY(!image.isNull());
        savePng(image, QStringLiteral("bargraph_examples"));

        // The signed 0.25 example: its bar fill on the sheet.
        const int row = 8 + 3 * 16;
        QCOMPARE(image.pixelColor(100 + 103 + 10, row + 4), QColor(255, 191, 191));
    }
};

QTEST_MAIN(tst_TMBarGraph)
#include "tst_tmbar_graph.moc"
