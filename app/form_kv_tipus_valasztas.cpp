#include "app/form_kv_tipus_valasztas.h"

#include "widgets/radio_group.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QScreen>

namespace {

// Two items in a 57 pixel high group leave no room for the usual margins.
void compact(TRadioGroup* group)
{
    if (QLayout* layout = group->layout()) {
        layout->setContentsMargins(4, 0, 2, 0);
        layout->setSpacing(0);
    }
}

} // namespace

TForm_KVTipusValasztas::TForm_KVTipusValasztas(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("Form_KVTipusValasztas"));
    setWindowTitle(QStringLiteral("Settings / Beállítások"));
    setFixedSize(ClientWidth, ClientHeight);

    QFont windowFont(QStringLiteral("Arial"));
    windowFont.setPixelSize(FontPixelHeight);
    setFont(windowFont);

    // Created in tab order: the focus chain follows creation.
    Button_OK = new QPushButton(QStringLiteral("OK."), this);
    Button_OK->setObjectName(QStringLiteral("Button_OK"));
    Button_OK->setGeometry(48, 75, 217, 21);
    Button_OK->setAutoDefault(true);
    connect(Button_OK, &QPushButton::clicked, this, &TForm_KVTipusValasztas::Button_OKClick);

    RadioGroup_KVValasztas = new TRadioGroup(this);
    RadioGroup_KVValasztas->setObjectName(QStringLiteral("RadioGroup_KVValasztas"));
    RadioGroup_KVValasztas->setTitle(QStringLiteral("Type / Típus"));
    RadioGroup_KVValasztas->setGeometry(168, 8, 97, 57);
    RadioGroup_KVValasztas->setItems({QStringLiteral("KV4620"), QStringLiteral("KV4820 (Ex)")});
    RadioGroup_KVValasztas->setItemIndex(1);
    compact(RadioGroup_KVValasztas);
    // The model comes from the configuration file only.
    RadioGroup_KVValasztas->setEnabled(false);

    Button1 = new QPushButton(QStringLiteral("Esc"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(5, 11, 28, 21);
    Button1->setAutoDefault(true);
    Button1->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(Button1, &QPushButton::clicked, this, &TForm_KVTipusValasztas::Button1Click);

    RadioGroup_NyelvValasztas = new TRadioGroup(this);
    RadioGroup_NyelvValasztas->setObjectName(QStringLiteral("RadioGroup_NyelvValasztas"));
    RadioGroup_NyelvValasztas->setTitle(QStringLiteral("Language / Nyelv"));
    RadioGroup_NyelvValasztas->setGeometry(48, 8, 105, 57);
    RadioGroup_NyelvValasztas->setItems({QStringLiteral("English"), QStringLiteral("Magyar")});
    RadioGroup_NyelvValasztas->setItemIndex(1);
    compact(RadioGroup_NyelvValasztas);

    Button_OK->setFocus();

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm_KVTipusValasztas::setStoredSelections(int modelIndex, int languageIndex)
{
    RadioGroup_KVValasztas->setItemIndex(modelIndex);
    RadioGroup_NyelvValasztas->setItemIndex(languageIndex);
}

void TForm_KVTipusValasztas::Button_OKClick()
{
    if (!m_mainForm && m_buildMainForm)
        m_buildMainForm();
    if (m_mainForm) {
        m_mainForm->show();
        m_mainForm->activateWindow();
    }
    hide();
}

void TForm_KVTipusValasztas::Button1Click()
{
    close();
}

void TForm_KVTipusValasztas::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit formClosed();
}

void TForm_KVTipusValasztas::keyPressEvent(QKeyEvent* event)
{
    // Enter on a control that has no use for it confirms, as in a dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Button_OK->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
