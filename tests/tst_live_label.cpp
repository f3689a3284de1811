// The live label looks like a plain label wherever it lies, yet is opaque, so
// a new text repaints it alone; with a fixed size a new text asks for no
// layout.

#include "tests/support/event_counter.h"
#include "widgets/live_label.h"

#include <QGroupBox>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

namespace {

constexpr QPoint LabelPlace{30, 40};

// A window with `label` in the innermost of the containers `kind` names.
void placeInTree(QWidget& window, const QString& kind, QLabel* label)
{
    window.resize(300, 220);
    QWidget* inner = &window;
    if (kind.contains(u"tab page")) {
        auto* tabs = new QTabWidget(inner);
        tabs->setGeometry(5, 5, 290, 210);
        auto* page = new QWidget;
        tabs->addTab(page, QStringLiteral("Page"));
        inner = page;
    }
    if (kind.contains(u"group")) {
        auto* group = new QGroupBox(QStringLiteral("Group"), inner);
        group->setGeometry(4, 4, 260, 160);
        inner = group;
    }
    if (kind.contains(u"dark")) {
        QPalette dark = window.palette();
        dark.setColor(QPalette::Window, QColor(40, 60, 90));
        window.setPalette(dark);
    }
    label->setParent(inner);
    label->setGeometry(QRect(LabelPlace, QSize(120, 20)));
}

QImage shownBeneath(QWidget& window, const QLabel* label)
{
    return window.grab(QRect(label->mapTo(&window, QPoint(0, 0)), label->size())).toImage();
}

} // namespace

class tst_LiveLabel : public QObject
{
    Q_OBJECT

private slots:
    void looksLikePlainLabel_data();
    void looksLikePlainLabel();
    void newTextRepaintsOnlyTheLabel_data();
    void newTextRepaintsOnlyTheLabel();
    void fitTextsHoldsAnyNumberOfTheShape();
};

void tst_LiveLabel::looksLikePlainLabel_data()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"on the window", "in a group", "on a tab page", "in a group on a tab page",
                             "in a group on a dark window"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

// Drawn on its own, the label shows exactly what the window shows in its
// place, so its background is the copy and not a flat colour; and the window
// looks as it does with a plain label, before and after the label moves.
void tst_LiveLabel::looksLikePlainLabel()
{
    QFETCH(QString, kind);
    QWidget plainWindow;
    QWidget liveWindow;
    auto* plain = new QLabel(QStringLiteral("-2 097 151"));
    auto* live = new TLiveLabel(QStringLiteral("-2 097 151"));
    placeInTree(plainWindow, kind, plain);
    placeInTree(liveWindow, kind, live);
    plainWindow.show();
    liveWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plainWindow));
    QVERIFY(QTest::qWaitForWindowExposed(&liveWindow));

    for (const QPoint place : {LabelPlace, LabelPlace + QPoint(47, 61)}) {
        plain->move(place);
        live->move(place);
        QTRY_VERIFY(live->autoFillBackground());
        QCOMPARE(live->grab().toImage(), shownBeneath(liveWindow, live));
        QCOMPARE(liveWindow.grab().toImage(), plainWindow.grab().toImage());
    }
}

void tst_LiveLabel::newTextRepaintsOnlyTheLabel_data()
{
    QTest::addColumn<bool>("liveLabel");
    QTest::newRow("live label") << true;
    // The contrast that shows the counting sees what it should.
    QTest::newRow("plain label") << false;
}

void tst_LiveLabel::newTextRepaintsOnlyTheLabel()
{
    QFETCH(bool, liveLabel);
    QWidget window;
    auto* group = new QGroupBox(QStringLiteral("System info"), &window);
    auto* layout = new QVBoxLayout(group);
    QLabel* label = nullptr;
    if (liveLabel) {
        auto* live = new TLiveLabel(QStringLiteral("0"));
        live->fitTexts({QStringLiteral("-0 000 000")});
        label = live;
    } else {
        label = new QLabel(QStringLiteral("0"));
    }
    layout->addWidget(label);
    group->setGeometry(10, 10, 200, 80);
    window.resize(220, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(label->autoFillBackground(), liveLabel);

    EventCounter paints(QEvent::Paint);
    EventCounter layoutRequests(QEvent::LayoutRequest);
    for (QObject* watched :
         {static_cast<QObject*>(&window), static_cast<QObject*>(group), static_cast<QObject*>(label)}) {
        paints.watch(watched);
        layoutRequests.watch(watched);
    }
    // Texts of other widths, as live values come.
    const QStringList texts = {"7", "-2 097 151", "612 345", "12", "1 000 000"};
    for (int i = 0; i < texts.size(); ++i) {
        label->setText(texts.at(i));
        QTRY_COMPARE(paints.count(label), i + 1);
    }
    QCOMPARE(paints.count(group) == 0, liveLabel);
    QCOMPARE(paints.count(&window) == 0, liveLabel);
    QCOMPARE(layoutRequests.count(group) == 0, liveLabel);
}

void tst_LiveLabel::fitTextsHoldsAnyNumberOfTheShape()
{
    TLiveLabel label(QStringLiteral("shown"));
    label.fitTexts({QStringLiteral("-0 000 000"), QStringLiteral("Pot %")});
    QCOMPARE(label.text(), QStringLiteral("shown"));
    QCOMPARE(label.minimumSize(), label.maximumSize());
    for (const char* text : {"-2 097 152", "-1 111 111", "-8 888 888", "0", "Pot %", "-9 999 999"}) {
        const QString shown = QString::fromLatin1(text);
        QVERIFY2(label.fontMetrics().horizontalAdvance(shown) <= label.contentsRect().width(), text);
    }
}

QTEST_MAIN(tst_LiveLabel)
#include "tst_live_label.moc"
