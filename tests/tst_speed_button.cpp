#include "widgets/speed_button.h"

#include <QHBoxLayout>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

class tst_SpeedButton : public QObject
{
    Q_OBJECT

private:
    // Between the average colours of two faces, in 8-bit RGB: an idle and
    // a down face of one grey are about 35 apart.
    static double distance(const QImage& a, const QImage& b)
    {
        const auto average = [](const QImage& image) {
            return image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
        };
        const QColor p = average(a);
        const QColor q = average(b);
        return std::hypot(p.red() - q.red(), p.green() - q.green(), p.blue() - q.blue());
    }
    static constexpr double DistinctFaces = 60.0;

    static TSpeedButton* addButton(QWidget* parent, int group, bool allowAllUp = true)
    {
        auto* b = new TSpeedButton(parent);
        b->setText(QStringLiteral("B"));
        b->setGroupIndex(group);
        b->setAllowAllUp(allowAllUp);
        if (parent->layout())
            parent->layout()->addWidget(b);
        return b;
    }

    static void showParent(QWidget& parent)
    {
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
    }

private slots:
    void latchesOnItsOwn()
    {
        QWidget parent;
        new QHBoxLayout(&parent);
        TSpeedButton* a = addButton(&parent, 0);
        TSpeedButton* b = addButton(&parent, 0);
        showParent(parent);
        QSignalSpy spy(a, &TSpeedButton::OnClick);

        QTest::mouseClick(a, Qt::LeftButton);
        QVERIFY(a->Down());
        QCOMPARE(spy.count(), 1);
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(a->Down());
        QVERIFY(b->Down());
        QTest::mouseClick(a, Qt::LeftButton);
        QVERIFY(!a->Down());
        QCOMPARE(spy.count(), 2);
    }

    void groupClicks_data()
    {
        QTest::addColumn<bool>("allowAllUp");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QList<bool>>("expected");

        QTest::newRow("at most one: switch") << true << QList<int>{0, 1} << QList<bool>{false, true, false};
        QTest::newRow("at most one: all up")
            << true << QList<int>{0, 1, 1} << QList<bool>{false, false, false};
        QTest::newRow("exactly one: switch") << false << QList<int>{0, 2} << QList<bool>{false, false, true};
        QTest::newRow("exactly one: stays down")
            << false << QList<int>{0, 2, 2} << QList<bool>{false, false, true};
    }
    void groupClicks()
    {
        QFETCH(bool, allowAllUp);
        QFETCH(QList<int>, clicks);
        QFETCH(QList<bool>, expected);

        QWidget parent;
        new QHBoxLayout(&parent);
        QList<TSpeedButton*> buttons;
        for (int i = 0; i < 3; ++i)
            buttons << addButton(&parent, 5, allowAllUp);
        TSpeedButton* loner = addButton(&parent, 0);
        TSpeedButton* otherGroup = addButton(&parent, 6);
        loner->setDownState(true);
        otherGroup->setDownState(true);
        showParent(parent);

        int onClicks = 0;
        for (TSpeedButton* b : buttons)
            connect(b, &TSpeedButton::OnClick, this, [&] { ++onClicks; });
        for (int index : clicks)
            QTest::mouseClick(buttons.at(index), Qt::LeftButton);

        QCOMPARE(onClicks, int(clicks.size()));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(buttons.at(i)->Down(), expected.at(i));
        QVERIFY(loner->Down());
        QVERIFY(otherGroup->Down());
    }

    void differentParentsNeverInteract()
    {
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        QWidget* left = new QWidget(&window);
        QWidget* right = new QWidget(&window);
        layout->addWidget(left);
        layout->addWidget(right);
        new QHBoxLayout(left);
        new QHBoxLayout(right);
        TSpeedButton* a = addButton(left, 1);
        TSpeedButton* b = addButton(right, 1);
        showParent(window);
        QTest::mouseClick(a, Qt::LeftButton);
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(a->Down());
        QVERIFY(b->Down());
    }

    void programStateIsSilent()
    {
        QWidget parent;
        TSpeedButton* a = addButton(&parent, 3, false);
        TSpeedButton* b = addButton(&parent, 3, false);
        a->setDownState(true);
        QSignalSpy spyA(a, &TSpeedButton::OnClick);
        QSignalSpy spyB(b, &TSpeedButton::OnClick);
        b->setDownState(true);
        QVERIFY(b->Down());
        QVERIFY(!a->Down());
        b->setDownState(false);
        QVERIFY(!b->Down());
        QCOMPARE(spyA.count(), 0);
        QCOMPARE(spyB.count(), 0);
    }

    void boldCaption()
    {
        QWidget parent;
        TSpeedButton* b = addButton(&parent, 0);
        QFont big = b->font();
        big.setPointSize(12);
        b->setFont(big);
        QVERIFY(!b->captionBold());
        b->setCaptionBold(true);
        QVERIFY(b->captionBold());
        QCOMPARE(b->font().pointSize(), 12);
        b->setCaptionBold(false);
        QVERIFY(!b->captionBold());
    }

    // Not a shade of the idle face: a pending request must be told apart
    // from an idle button and from a disabled one at a glance.
    void downLooksDifferentFromUp()
    {
        QWidget parent;
        new QHBoxLayout(&parent);
        TSpeedButton* b = addButton(&parent, 0);
        b->setText(QStringLiteral("Teszt mód"));
        showParent(parent);
        const QImage up = b->grab().toImage();
        b->setEnabled(false);
        const QImage disabled = b->grab().toImage();
        b->setEnabled(true);
        b->setDownState(true);
        const QImage down = b->grab().toImage();
        QCOMPARE(down.size(), up.size());
        QVERIFY(distance(down, up) >= DistinctFaces);
        QVERIFY(distance(down, disabled) >= DistinctFaces);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(b->grab().toImage(), up);
    }
};

QTEST_MAIN(tst_SpeedButton)
#include "tst_speed_button.moc"
