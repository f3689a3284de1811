#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

// A one-line edit with its caption label to the left. Typing and pasting are
// limited to MaxTypedLength characters; text set by the program is never cut.
// OnChange fires on every text change, the user's or the program's; OnExit
// when the edit loses the focus to another control of the window.
class TLabeledEdit : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxTypedLength = 10;

    explicit TLabeledEdit(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    QString labelText() const;
    void setLabelText(const QString& text);

    // Program text goes through setText(): edit()->setText() is limited like typing.
    QLineEdit* edit() const { return m_edit; }
    QLabel* label() const { return m_label; }

signals:
    void OnChange();
    void OnExit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
    qsizetype m_shownLength = 0;
    bool m_programSetting = false;
};
