#pragma once

#include "device/live_display.h"

#include <QColor>

#include <array>

class QLabel;
class TForm_Main;

// Puts the view of one live block on the main window's controls, in the
// order the view lists them.
class LiveViewWriter
{
public:
    // The window's controls must exist already.
    explicit LiveViewWriter(TForm_Main& form);

    void write(const LiveDisplay::View& view);

    // The background a status flag label shows while its flag is clear.
    const QColor& flagClearColour() const { return m_flagClear; }
    static QColor flagSetColour() { return Qt::red; }

private:
    void showFlag(QLabel* label, bool set) const;

    TForm_Main& m_form;
    std::array<QLabel*, StatusBitCount> m_flags{};
    QColor m_flagClear;
};
