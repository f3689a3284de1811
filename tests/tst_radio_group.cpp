#include "widgets/radio_group.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

class tst_RadioGroup : public QObject
{
    Q_OBJECT

private slots:
    void setItemIndex_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("text");

        QTest::newRow("none to first") << -1 << 0 << 0 << 1 << "a";
        QTest::newRow("same index") << 1 << 1 << 1 << 0 << "b";
        QTest::newRow("beyond last") << 0 << 7 << 2 << 1 << "c";
        QTest::newRow("beyond last while last") << 2 << 7 << 2 << 0 << "c";
        QTest::newRow("negative clears") << 1 << -5 << -1 << 1 << "";
        QTest::newRow("none stays none") << -1 << -1 << -1 << 0 << "";
    }
    void setItemIndex()
    {
        QFETCH(int, start);
        QFETCH(int, requested);
        QFETCH(int, expected);
        QFETCH(int, clicks);
        QFETCH(QString, text);

        TRadioGroup group;
        group.setItems({"a", "b", "c"});
        group.setItemIndex(start);
        QSignalSpy spy(&group, &TRadioGroup::OnClick);
        group.setItemIndex(requested);
        QCOMPARE(group.ItemIndex(), expected);
        QCOMPARE(spy.count(), clicks);
        for (int i = 0; i < group.count(); ++i)
            QCOMPARE(group.button(i)->isChecked(), i == expected);
        QCOMPARE(group.selectedText(), text);
    }

    void userClickFiresOnceAndOnlyOnChange()
    {
        TRadioGroup group;
        group.setItems({"a", "b", "c"});
        group.show();
        QVERIFY(QTest::qWaitForWindowExposed(&group));
        QSignalSpy spy(&group, &TRadioGroup::OnClick);
        QTest::mouseClick(group.button(2), Qt::LeftButton);
        QCOMPARE(group.ItemIndex(), 2);
        QCOMPARE(spy.count(), 1);
        QTest::mouseClick(group.button(2), Qt::LeftButton);
        QCOMPARE(group.ItemIndex(), 2);
        QCOMPARE(spy.count(), 1);
    }

    void refillKeepsSelectionWithoutClick_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("newItems");
        QTest::addColumn<int>("expected");

        QTest::newRow("same count") << 1 << QStringList{"x", "y", "z"} << 1;
        QTest::newRow("none stays none") << -1 << QStringList{"x", "y", "z"} << -1;
        QTest::newRow("more items") << 2 << QStringList{"1", "2", "3", "4", "5"} << 2;
        QTest::newRow("fewer items, beyond") << 2 << QStringList{"x", "y"} << 1;
        QTest::newRow("emptied") << 0 << QStringList{} << -1;
    }
    void refillKeepsSelectionWithoutClick()
    {
        QFETCH(int, index);
        QFETCH(QStringList, newItems);
        QFETCH(int, expected);

        TRadioGroup group;
        group.setItems({"a", "b", "c"});
        group.setItemIndex(index);
        QSignalSpy spy(&group, &TRadioGroup::OnClick);
        group.setItems(newItems);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(group.ItemIndex(), expected);
        QCOMPARE(group.count(), int(newItems.size()));
        for (int i = 0; i < group.count(); ++i) {
            QCOMPARE(group.button(i)->text(), newItems.at(i));
            QCOMPARE(group.button(i)->isChecked(), i == expected);
        }
    }

    void keyboardMovesSelection()
    {
        TRadioGroup group;
        group.setItems({"a", "b", "c"});
        group.setItemIndex(0);
        group.show();
        group.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&group));
        group.button(0)->setFocus();
        QTRY_VERIFY(group.button(0)->hasFocus());
        QSignalSpy spy(&group, &TRadioGroup::OnClick);
        QTest::keyClick(group.button(0), Qt::Key_Down);
        QCOMPARE(group.ItemIndex(), 1);
        QCOMPARE(spy.count(), 1);
    }

    void tabFocusesSelectedItem_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<int>("focused");

        QTest::newRow("last selected, Tab") << 2 << false << 2;
        QTest::newRow("middle selected, Shift+Tab") << 1 << true << 1;
        QTest::newRow("first selected, Shift+Tab") << 0 << true << 0;
        QTest::newRow("none selected, Tab") << -1 << false << 0;
    }
    void tabFocusesSelectedItem()
    {
        QFETCH(int, index);
        QFETCH(bool, backwards);
        QFETCH(int, focused);

        // Created in tab order, the items with their group.
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* before = new QLineEdit(&window);
        auto* group = new TRadioGroup(&window);
        group->setItems({"a", "b", "c"});
        auto* after = new QLineEdit(&window);
        layout->addWidget(before);
        layout->addWidget(group);
        layout->addWidget(after);
        // Selected once before showing, then changed: the focus follows the
        // selection in force, whoever made it.
        group->setItemIndex(index < 0 ? 0 : (index + 1) % 3);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        group->setItemIndex(index);
        QSignalSpy clicks(group, &TRadioGroup::OnClick);

        QWidget* start = backwards ? after : before;
        start->setFocus();
        QTRY_VERIFY(start->hasFocus());
        QTest::keyClick(start, Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(QApplication::focusWidget(), group->button(focused));
        QTest::keyClick(group->button(focused), Qt::Key_Space);
        QCOMPARE(group->ItemIndex(), focused);
        QCOMPARE(clicks.count(), index == focused ? 0 : 1);

        // Leaving and coming back lands on the item now selected.
        QTest::keyClick(group->button(focused), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), after);
        QTest::keyClick(after, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), group->button(group->ItemIndex()));
    }

    void itemsFillColumnsTopDown()
    {
        TRadioGroup group;
        group.setColumns(3);
        group.setItems({"1", "2", "3", "4", "5"});
        group.show();
        QVERIFY(QTest::qWaitForWindowExposed(&group));
        // Two rows: 1 2 | 3 4 | 5
        const auto pos = [&](int i) { return group.button(i)->geometry(); };
        QCOMPARE(pos(0).x(), pos(1).x());
        QVERIFY(pos(1).y() > pos(0).y());
        QVERIFY(pos(2).x() > pos(0).x());
        QCOMPARE(pos(2).y(), pos(0).y());
        QVERIFY(pos(4).x() > pos(2).x());

        group.setColumns(7);
        group.setItems({"1", "2", "4", "8", "16", "32", "64"});
        QTRY_VERIFY(group.button(6)->geometry().x() > group.button(5)->geometry().x());
        for (int i = 1; i < 7; ++i)
            QCOMPARE(group.button(i)->geometry().y(), group.button(0)->geometry().y());
    }
};

QTEST_MAIN(tst_RadioGroup)
#include "tst_radio_group.moc"
