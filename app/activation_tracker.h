#pragma once

#include <QObject>

class QWidget;
class QWindow;

// Tells when a window's activation steps are due: when it becomes active
// after being shown, and whenever it becomes active again after another of
// the program's windows, such as a message dialog. Coming back from another
// application is no reason, so what the user changed meanwhile survives.
class ActivationTracker : public QObject
{
    Q_OBJECT

public:
    explicit ActivationTracker(QWidget* window);

    // Focus moving to this window of the program counts as leaving the
    // program: for a tool window that stands for something outside it.
    static void treatAsForeign(QWidget* window);

signals:
    void activationDue();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onFocusWindowChanged(QWindow* focusWindow);
    static bool isForeign(const QWindow* window);

    QWidget* m_window = nullptr;
    bool m_justShown = false;
    // The program had no focus window since the window last had the focus.
    bool m_focusLeftProgram = false;
};
