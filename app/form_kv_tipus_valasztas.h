#pragma once

#include <QWidget>

#include <functional>

class QPushButton;
class TRadioGroup;

// The start window: shows the device model the configurator works with and
// lets the user pick the language. It is the program's main window: closing
// it ends the program, which is why it reports its closing through
// formClosed() instead of quitting by itself.
class TForm_KVTipusValasztas : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 277;
    static constexpr int ClientHeight = 105;
    static constexpr int FontPixelHeight = 11;

    explicit TForm_KVTipusValasztas(QWidget* parent = nullptr);

    // The configurator window that OK brings up.
    void setMainForm(QWidget* form) { m_mainForm = form; }
    QWidget* mainForm() const { return m_mainForm; }
    // Builds the configurator window when OK comes before it exists; the
    // window registers itself with setMainForm.
    void setMainFormBuilder(std::function<void()> build) { m_buildMainForm = std::move(build); }

    // The item indexes of the model and language groups, as the
    // configuration file keeps them.
    void setStoredSelections(int modelIndex, int languageIndex);

    // Shows the configurator window, then leaves the stage to it.
    void Button_OKClick();
    // Leaves without going through the configurator's shutdown.
    void Button1Click();

    QPushButton* Button_OK = nullptr;
    TRadioGroup* RadioGroup_KVValasztas = nullptr;
    QPushButton* Button1 = nullptr;
    TRadioGroup* RadioGroup_NyelvValasztas = nullptr;

signals:
    // The window was closed: the program is to end.
    void formClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* m_mainForm = nullptr;
    std::function<void()> m_buildMainForm;
};
