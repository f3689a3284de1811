#pragma once

#include "device/device_settings.h"
#include "device/live_values.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/sent_query.h"

#include <QByteArray>
#include <QList>

#include <functional>

// A transmitter on a ScriptedPeer for what the virtual one cannot do on cue:
// stay silent on one query, or send a held-back answer first. It answers
// from the values the test sets.
class PeerTransmitter
{
public:
    PeerTransmitter();

    // The answer to `command` from the values below.
    QByteArray answer(quint8 command) const;

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
    QByteArray respond(const QByteArray& query);
};
