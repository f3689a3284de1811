#pragma once

#include "app/app_context.h"

#include <QObject>

#include <memory>

class TForm_KVTipusValasztas;
class TForm_Main;

// The program's start: the start window first, showing at once the model and
// language the configuration file stored, and the main window built only
// after the start window has painted. Building the main window is most of
// the start-up's work, and it stays hidden until OK anyway.
//
// OK (or Enter) before then builds it on the spot; Esc before then ends the
// program without it, saving nothing, as Esc always does. A choice made in
// the start window before the build stays: the build loads the
// configuration into the start window again, and this puts the choice back.
class StartSequence : public QObject
{
    Q_OBJECT

public:
    // The start window must outlive this object, which owns the main window.
    StartSequence(TForm_KVTipusValasztas& startForm, AppContext context, QObject* parent = nullptr);
    ~StartSequence() override;

    // Puts the stored model and language on the start window, shows it, and
    // queues the main window's building for after its first paint.
    void start();

    // Null until built.
    TForm_Main* mainForm() const { return m_mainForm.get(); }

signals:
    // Right after the main window was built.
    void mainFormBuilt(TForm_Main* form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMainForm();
    void buildAfterPaint();

    TForm_KVTipusValasztas& m_startForm;
    AppContext m_context;
    std::unique_ptr<TForm_Main> m_mainForm;
};
