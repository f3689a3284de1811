#pragma once

#include "device/device_command.h"
#include "sim/transmitter_model.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The transmitter's command handling: one decoded query frame in, what to
// answer out. Applies the addressing rules, the refusal list and every
// command to the model. Line timing and faults are the caller's.
class TransmitterSlave
{
public:
    static constexpr quint8 StatusOk = 0;
    static constexpr quint8 StatusRefused = DeviceRefusalStatus;
    static constexpr quint8 StatusRejected = 255; // unknown command or a value out of range

    struct Reply
    {
        bool answer = false; // false: stay silent
        quint8 command = 0;
        quint8 status = StatusOk;
        QByteArray data;
        bool restart = false; // go silent and restart once answered
        QString ignoredBecause;
    };

    // refusedCommands are answered with StatusRefused; shortCommands with
    // the first half of their data only, as a faulty transmitter might.
    TransmitterSlave(TransmitterModel& model, QList<quint8> refusedCommands,
                     QList<quint8> shortCommands = {});

    // frame: address, ID, command, status, parameters, CRC (as the ASCII
    // decoder accepted it). True when it is a query for this transmitter;
    // otherwise why not.
    static bool isForUs(QByteArrayView frame, QString* whyNot = nullptr);

    // Executes the query and says what to answer.
    Reply handle(QByteArrayView frame);

private:
    Reply execute(quint8 command, QByteArrayView parameters);

    TransmitterModel& m_model;
    QList<quint8> m_refused;
    QList<quint8> m_short;
};
