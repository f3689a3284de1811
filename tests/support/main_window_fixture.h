#pragma once

// The real main window with a transmitter on a pseudo-terminal behind it:
// the virtual transmitter, or a scripted one that answers from values the
// test sets and can stay silent or send a held-back answer on cue.

#include "app/form_main.h"
#include "device/device_command.h"
#include "device/request_button.h"
#include "link/tmb.h"
#include "sim/slave_blocks.h"
#include "sim/virtual_transmitter.h"
#include "tests/support/scripted_peer.h"
#include "widgets/speed_button.h"

#include <QLabel>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <functional>
#include <memory>

struct SentQuery
{
    quint8 command = 0;
    QByteArray data;
};

// Commands of the queries from `from` on; without identifications and live
// polls when `requestsOnly`.
inline QList<quint8> commandsOf(const QList<SentQuery>& sent, qsizetype from = 0, bool requestsOnly = false)
{
    QList<quint8> out;
    for (qsizetype i = from; i < sent.size(); ++i) {
        const quint8 c = sent.at(i).command;
        if (!requestsOnly || (c != CmdIdentify && c != CmdReadLiveValues))
            out.append(c);
    }
    return out;
}

class PeerTransmitter
{
public:
    PeerTransmitter()
    {
        live.uWiresSetting = 4;
        peer.setResponder([this](const QByteArray& query) { return respond(query); });
    }

    QByteArray answer(quint8 command) const
    {
        QByteArray data;
        if (command == CmdIdentify) {
            data.resize(4);
            qToLittleEndian(firmware, data.data());
        } else if (command == CmdReadLiveValues) {
            data = slaveblocks::encodeLiveValues(live);
        } else if (command == CmdReadSettings) {
            data = slaveblocks::encodeSettingsReadBlock(stored);
        }
        return slaveblocks::encodeAnswer(DeviceAddress, DeviceFunctionId, command, 0, data);
    }

    // By command and how often it came (from 1): answer or stay silent, and
    // what goes out before the answer.
    std::function<bool(quint8, int)> answers = [](quint8, int) { return true; };
    std::function<QByteArray(quint8, int)> before = [](quint8, int) { return QByteArray(); };
    quint32 firmware = 20150325;
    LiveValues live;
    DeviceSettings stored;
    ScriptedPeer peer;
    QList<SentQuery> sent;

private:
    QByteArray respond(const QByteArray& query)
    {
        const QByteArray body = QByteArray::fromHex(query.mid(1, query.size() - 2));
        const quint8 command = quint8(body.at(2));
        sent.append({command, body.mid(4, body.size() - 6)});
        const auto n = std::count_if(sent.cbegin(), sent.cend(),
                                     [&](const SentQuery& q) { return q.command == command; });
        return before(command, int(n)) + (answers(command, int(n)) ? answer(command) : QByteArray());
    }
};

// The virtual transmitter on the test's thread, with the queries it got.
class SimTransmitter
{
public:
    explicit SimTransmitter(const SimulatorOptions& options = {}) : sim(options)
    {
        QObject::connect(&sim, &VirtualTransmitter::queryReceived, &sim, [this](const QByteArray& frame) {
            sent.append({quint8(frame.at(2)), frame.mid(4, frame.size() - 6)});
        });
    }

    VirtualTransmitter sim;
    QList<SentQuery> sent;
};

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

// Failed transactions end quickly.
inline void shortenTimeOuts(TForm_Main& form)
{
    form.MB1->setMBMasterTimeOut(40);
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
