#include "widgets/labeled_edit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

class tst_LabeledEdit : public QObject
{
    Q_OBJECT

private:
    struct Window
    {
        QWidget widget;
        TLabeledEdit* first = nullptr;
        TLabeledEdit* second = nullptr;
    };

    static void showWindow(Window& w)
    {
        auto* layout = new QVBoxLayout(&w.widget);
        w.first = new TLabeledEdit(&w.widget);
        w.second = new TLabeledEdit(&w.widget);
        layout->addWidget(w.first);
        layout->addWidget(w.second);
        w.widget.show();
        w.widget.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.widget));
        w.first->edit()->setFocus();
        QTRY_VERIFY(w.first->edit()->hasFocus());
    }

private slots:
    void typingLimit_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty, long input") << ""
                                           << "123456789012"
                                           << "1234567890";
        QTest::newRow("exactly ten") << ""
                                     << "-12345.678"
                                     << "-12345.678";
        QTest::newRow("program text at limit") << "1234567890"
                                               << "5"
                                               << "1234567890";
        QTest::newRow("program text above limit") << "123456789012345"
                                                  << "9"
                                                  << "123456789012345";
    }
    void typingLimit()
    {
        QFETCH(QString, start);
        QFETCH(QString, typed);
        QFETCH(QString, expected);

        Window w;
        showWindow(w);
        w.first->setText(start);
        QTest::keyClicks(w.first->edit(), typed);
        QCOMPARE(w.first->text(), expected);
    }

    void longProgramTextCanBeShortenedButNotRegrown()
    {
        Window w;
        showWindow(w);
        w.first->setText("123456789012");
        w.first->edit()->end(false);
        QTest::keyClick(w.first->edit(), Qt::Key_Backspace);
        QCOMPARE(w.first->text(), QStringLiteral("12345678901"));
        QTest::keyClicks(w.first->edit(), "7");
        QCOMPARE(w.first->text(), QStringLiteral("12345678901"));
        QTest::keyClick(w.first->edit(), Qt::Key_Backspace);
        QTest::keyClick(w.first->edit(), Qt::Key_Backspace);
        QTest::keyClicks(w.first->edit(), "ab");
        QCOMPARE(w.first->text(), QStringLiteral("123456789a"));
    }

    void pasteIsCutToFit()
    {
        Window w;
        showWindow(w);
        QGuiApplication::clipboard()->setText(QStringLiteral("abcdefghij"));
        w.first->setText("1234");
        w.first->edit()->setCursorPosition(2);
        w.first->edit()->paste();
        QCOMPARE(w.first->text(), QStringLiteral("12abcdef34"));
        QCOMPARE(w.first->edit()->cursorPosition(), 8);
    }

    void onChangeForUserAndProgram()
    {
        Window w;
        showWindow(w);
        QSignalSpy spy(w.first, &TLabeledEdit::OnChange);
        w.first->setText("12");
        QCOMPARE(spy.count(), 1);
        w.first->setText("12");
        QCOMPARE(spy.count(), 1);
        QTest::keyClicks(w.first->edit(), "3");
        QCOMPARE(spy.count(), 2);
        w.first->setText(QString());
        QCOMPARE(spy.count(), 3);
    }

    void onExitOnlyWhenFocusMovesInsideWindow()
    {
        Window w;
        showWindow(w);
        QSignalSpy exitSpy(w.first, &TLabeledEdit::OnExit);

        // Another window taking over is not an exit.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(exitSpy.count(), 0);
        w.widget.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.widget));
        QTRY_VERIFY(w.first->edit()->hasFocus());
        QCOMPARE(exitSpy.count(), 0);

        QTest::keyClick(w.first->edit(), Qt::Key_Tab);
        QTRY_VERIFY(w.second->edit()->hasFocus());
        QCOMPARE(exitSpy.count(), 1);
    }
};

QTEST_MAIN(tst_LabeledEdit)
#include "tst_labeled_edit.moc"
