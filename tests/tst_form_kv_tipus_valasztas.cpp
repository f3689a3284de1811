#include "app/form_kv_tipus_valasztas.h"

#include "app/form_main.h"
#include "tests/support/test_files.h"
#include "widgets/radio_group.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

// The named control a focusable widget belongs to (a radio button stands for its group).
QWidget* namedControl(QWidget* widget, QWidget* window)
{
    for (QWidget* w = widget; w && w != window; w = w->parentWidget()) {
        if (!w->objectName().isEmpty())
            return w;
    }
    return nullptr;
}

} // namespace

class tst_FormKVTipusValasztas : public QObject
{
    Q_OBJECT

private slots:
    void window();
    void controls_data();
    void controls();
    void items();
    void tabOrder();
    void modelGroupRefusesMouse();
    void modelGroupRefusesKeyboard();
    void tabThenSpaceKeepsLanguage_data();
    void tabThenSpaceKeepsLanguage();
    void enterShowsMainWindow();
    void enterOnLanguageGroupConfirms();
    void escapeClosesAndQuits();
    void escapeAfterFocusMoved();
    void render();
};

void tst_FormKVTipusValasztas::window()
{
    TForm_KVTipusValasztas form;
    QCOMPARE(form.size(), QSize(277, 105));
    QCOMPARE(form.minimumSize(), QSize(277, 105));
    QCOMPARE(form.maximumSize(), QSize(277, 105));
    QCOMPARE(form.windowTitle(), QStringLiteral("Settings / Beállítások"));
    QCOMPARE(form.font().family(), QStringLiteral("Arial"));
    QCOMPARE(form.font().pixelSize(), 11);
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    for (Qt::WindowType absent : {Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint,
                                  Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint})
        QVERIFY(!flags.testFlag(absent));
    if (const QScreen* screen = form.screen())
        QCOMPARE(form.geometry().center(), screen->availableGeometry().center());
}

void tst_FormKVTipusValasztas::controls_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("Button_OK") << QRect(48, 75, 217, 21) << QStringLiteral("OK.") << true;
    QTest::newRow("RadioGroup_KVValasztas")
        << QRect(168, 8, 97, 57) << QStringLiteral("Type / Típus") << false;
    QTest::newRow("Button1") << QRect(5, 11, 28, 21) << QStringLiteral("Esc") << true;
    QTest::newRow("RadioGroup_NyelvValasztas")
        << QRect(48, 8, 105, 57) << QStringLiteral("Language / Nyelv") << true;
}

void tst_FormKVTipusValasztas::controls()
{
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);

    TForm_KVTipusValasztas form;
    auto* widget = form.findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), &form);
    QCOMPARE(widget->geometry(), geometry);
    if (auto* button = qobject_cast<QPushButton*>(widget))
        QCOMPARE(button->text(), caption);
    else
        QCOMPARE(qobject_cast<QGroupBox*>(widget)->title(), caption);
    QCOMPARE(widget->isEnabled(), enabled);
}

void tst_FormKVTipusValasztas::items()
{
    TForm_KVTipusValasztas form;
    QCOMPARE(form.RadioGroup_KVValasztas->items(), (QStringList{"KV4620", "KV4820 (Ex)"}));
    QCOMPARE(form.RadioGroup_KVValasztas->ItemIndex(), 1);
    QCOMPARE(form.RadioGroup_NyelvValasztas->items(), (QStringList{"English", "Magyar"}));
    QCOMPARE(form.RadioGroup_NyelvValasztas->ItemIndex(), 1);
}

void tst_FormKVTipusValasztas::tabOrder()
{
    TForm_KVTipusValasztas form;
    // The focus chain, controls in order of first appearance.
    QList<QWidget*> order;
    QWidget* w = form.Button_OK;
    do {
        if (QWidget* control = namedControl(w, &form); control && !order.contains(control))
            order << control;
        w = w->nextInFocusChain();
    } while (w != form.Button_OK);
    const QList<QWidget*> expected = {form.Button_OK, form.RadioGroup_KVValasztas, form.Button1,
                                      form.RadioGroup_NyelvValasztas};
    QCOMPARE(order, expected);

    // With the model group disabled, Tab goes from OK straight to Esc, then to the language.
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.Button_OK);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form.Button1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(namedControl(QApplication::focusWidget(), &form), form.RadioGroup_NyelvValasztas);
}

void tst_FormKVTipusValasztas::modelGroupRefusesMouse()
{
    TForm_KVTipusValasztas form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy clicks(form.RadioGroup_KVValasztas, &TRadioGroup::OnClick);
    QRadioButton* other = form.RadioGroup_KVValasztas->button(0);
    QTest::mouseClick(other, Qt::LeftButton, {}, other->rect().center());
    QCOMPARE(form.RadioGroup_KVValasztas->ItemIndex(), 1);
    QVERIFY(!other->isChecked());
    QCOMPARE(clicks.count(), 0);
}

void tst_FormKVTipusValasztas::modelGroupRefusesKeyboard()
{
    TForm_KVTipusValasztas form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QRadioButton* selected = form.RadioGroup_KVValasztas->button(1);
    selected->setFocus(Qt::TabFocusReason);
    QVERIFY(!selected->hasFocus());
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Space}) {
        QTest::keyClick(form.RadioGroup_KVValasztas->button(0), key);
        QTest::keyClick(selected, key);
    }
    QCOMPARE(form.RadioGroup_KVValasztas->ItemIndex(), 1);
}

void tst_FormKVTipusValasztas::tabThenSpaceKeepsLanguage_data()
{
    QTest::addColumn<int>("stored");
    QTest::newRow("Magyar") << 1;
    QTest::newRow("English") << 0;
}

void tst_FormKVTipusValasztas::tabThenSpaceKeepsLanguage()
{
    QFETCH(int, stored);
    TForm_KVTipusValasztas form;
    // As the configuration file sets it before the window is shown.
    form.RadioGroup_NyelvValasztas->setItemIndex(stored);
    QSignalSpy clicks(form.RadioGroup_NyelvValasztas, &TRadioGroup::OnClick);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form.RadioGroup_NyelvValasztas->button(stored));
    QVERIFY(form.grab().toImage().save(outputDir() + QStringLiteral("/form_kv_tipus_valasztas_tab_%1.png")
                                                         .arg(QString::fromLatin1(QTest::currentDataTag()))));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(form.RadioGroup_NyelvValasztas->ItemIndex(), stored);
    QCOMPARE(clicks.count(), 0);
}

void tst_FormKVTipusValasztas::enterShowsMainWindow()
{
    TForm_Main main;
    TForm_KVTipusValasztas form;
    form.setMainForm(&main);
    QSignalSpy closed(&form, &TForm_KVTipusValasztas::formClosed);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(!main.isVisible());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(main.isVisible(), 5000);
    QVERIFY(form.isHidden());
    QCOMPARE(closed.count(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(main.isActiveWindow(), 5000);
}

void tst_FormKVTipusValasztas::enterOnLanguageGroupConfirms()
{
    TForm_Main main;
    TForm_KVTipusValasztas form;
    form.setMainForm(&main);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QRadioButton* magyar = form.RadioGroup_NyelvValasztas->button(1);
    magyar->setFocus(Qt::TabFocusReason);
    QVERIFY(magyar->hasFocus());
    QTest::keyClick(magyar, Qt::Key_Enter);
    QTRY_VERIFY_WITH_TIMEOUT(main.isVisible(), 5000);
    QVERIFY(form.isHidden());
    QCOMPARE(form.RadioGroup_NyelvValasztas->ItemIndex(), 1);
}

void tst_FormKVTipusValasztas::escapeClosesAndQuits()
{
    TForm_Main main;
    TForm_KVTipusValasztas form;
    form.setMainForm(&main);
    QSignalSpy closed(&form, &TForm_KVTipusValasztas::formClosed);
    QSignalSpy escClicks(form.Button1, &QPushButton::clicked);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QTest::keyClick(&form, Qt::Key_Escape);
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 5000);
    QCOMPARE(escClicks.count(), 1);
    QVERIFY(!form.isVisible());
    QVERIFY(!main.isVisible());
}

void tst_FormKVTipusValasztas::escapeAfterFocusMoved()
{
    // Esc works wherever the focus is, not only on the Esc button.
    TForm_KVTipusValasztas form;
    QSignalSpy closed(&form, &TForm_KVTipusValasztas::formClosed);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QRadioButton* english = form.RadioGroup_NyelvValasztas->button(0);
    english->setFocus(Qt::TabFocusReason);
    QTest::keyClick(english, Qt::Key_Escape);
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 5000);
    QVERIFY(!form.isVisible());
}

void tst_FormKVTipusValasztas::render()
{
    TForm_KVTipusValasztas form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage image = form.grab().toImage();
    QCOMPARE(image.size(), QSize(277, 105));
    QVERIFY(image.save(outputDir() + QStringLiteral("/form_kv_tipus_valasztas.png")));
}

QTEST_MAIN(tst_FormKVTipusValasztas)
#include "tst_form_kv_tipus_valasztas.moc"
