#include "widgets/labeled_edit.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace {

// Limits what the user types or pastes, like an edit's text limit: input may
// not grow beyond MaxTypedLength (a longer text the program set can still be
// shortened), and a paste that would exceed it is cut to fit. Program-set text
// passes untouched.
class TypedLengthLimit : public QValidator
{
public:
    TypedLengthLimit(const qsizetype* previousLength, const bool* programSetting, QObject* parent)
        : QValidator(parent), m_previousLength(previousLength), m_programSetting(programSetting)
    {}

    State validate(QString& input, int& pos) const override
    {
        if (*m_programSetting)
            return Acceptable;
        const qsizetype limit = qMax<qsizetype>(TLabeledEdit::MaxTypedLength, *m_previousLength);
        const qsizetype excess = input.size() - limit;
        if (excess <= 0)
            return Acceptable;
        // The characters just inserted stand before the cursor.
        if (pos < excess)
            return Invalid;
        input.remove(pos - excess, excess);
        pos -= int(excess);
        return Acceptable;
    }

private:
    const qsizetype* m_previousLength = nullptr;
    const bool* m_programSetting = nullptr;
};

} // namespace

TLabeledEdit::TLabeledEdit(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(this);
    m_edit = new QLineEdit(this);
    m_label->setBuddy(m_edit);
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_label);
    layout->addWidget(m_edit, 1);
    setFocusProxy(m_edit);

    m_edit->setValidator(new TypedLengthLimit(&m_shownLength, &m_programSetting, m_edit));
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_shownLength = text.size();
        emit OnChange();
    });
}

QString TLabeledEdit::text() const
{
    return m_edit->text();
}

void TLabeledEdit::setText(const QString& text)
{
    m_programSetting = true;
    m_edit->setText(text);
    m_programSetting = false;
}

QString TLabeledEdit::labelText() const
{
    return m_label->text();
}

void TLabeledEdit::setLabelText(const QString& text)
{
    m_label->setText(text);
}

bool TLabeledEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::FocusOut) {
        // Leaving the window (another application, a dialog) or opening the
        // edit's own context menu is not leaving the control.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            emit OnExit();
    }
    return QWidget::eventFilter(watched, event);
}
