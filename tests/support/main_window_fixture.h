#pragma once

// The real main window with a transmitter on a pseudo-terminal behind it:
// the virtual transmitter, or a scripted one that answers from values the
// test sets and can stay silent or send a held-back answer on cue.

#include "app/form_main.h"
#include "device/device_command.h"
#include "device/request_button.h"
#include "link/tmb.h"
#include "tests/support/peer_transmitter.h"
#include "tests/support/sent_query.h"
#include "tests/support/sim_transmitter.h"
#include "widgets/speed_button.h"

#include <QLabel>
#include <QTimer>

#include <algorithm>

// What the window showed after each event that steps the task: Label_iTP
// (repeats folded), and how many transactions ended with the error label.
class WindowRecorder
{
public:
    explicit WindowRecorder(TForm_Main& form) : m_form(form)
    {
        // Connected after the window's own handlers, so they see each step's result.
        QObject::connect(form.MB1, &TMB::OnMBMasterEndOfEvent, &m_context, [this] {
            record();
            failuresShown += m_form.Label_CommError->isHidden() ? 0 : 1;
        });
        QObject::connect(form.MB1, &TMB::OnMBPortOpenedOrClosed, &m_context, [this] { record(); });
        QObject::connect(form.Timer_CommunicationTask, &QTimer::timeout, &m_context, [this] { record(); });
    }

    QList<int> states;
    int failuresShown = 0;

private:
    void record()
    {
        const int iTP = m_form.Label_iTP->text().toInt();
        if (states.isEmpty() || states.constLast() != iTP)
            states.append(iTP);
    }

    TForm_Main& m_form;
    QObject m_context;
};

// Opens the window's port as the panel's Open does.
inline bool openPort(TForm_Main& form, const QString& path)
{
    QString error;
    const bool opened = form.MB1->openAction(path, &error);
    if (!opened)
        qWarning("%s", qPrintable(error));
    return opened;
}

// Failed transactions end quickly. Long enough that an answer that does
// come is not taken for silence on a busy machine (40 ms was not, with the
// suite running eight tests on two cores).
inline void shortenTimeOuts(TForm_Main& form)
{
    form.MB1->setMBMasterTimeOut(250);
    form.MB1->setMBMasterMaxTryNumber(1);
}

inline bool allGroupEnabled(const TForm_Main& form)
{
    const auto buttons = form.findChildren<TSpeedButton*>();
    return std::all_of(buttons.cbegin(), buttons.cend(), [](const TSpeedButton* b) {
        const std::optional<RequestButton> request = requests::fromObjectName(b->objectName());
        return !request || !requests::isInGroup(*request) || b->isEnabled();
    });
}
