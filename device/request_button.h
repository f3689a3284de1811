#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

// The latching speed buttons that request a command from the transmitter, in
// the order the communication task serves them when several are down.
enum RequestButton : quint8
{
    rbADCal0Ohm,
    rbADCal490Ohm,
    rbParancsReset,
    rbParancsEEPROMTorles,
    rbR3WOffszet,
    rbPWMCal4mA,
    rbPWMCal20mA,
    rbKVKiolvasas,
    rbBeallitasokAKVbe,
    rbPotiCal0,
    rbPotiCal100,
    rb2VezRKiejtes,
    rbR2Wires0Ohm,
};
inline constexpr int RequestButtonCount = rbR2Wires0Ohm + 1;

namespace requests {

// Every request button, highest priority first.
inline constexpr std::array<RequestButton, RequestButtonCount> InPriorityOrder = {
    rbADCal0Ohm,  rbADCal490Ohm,  rbParancsReset, rbParancsEEPROMTorles, rbR3WOffszet,
    rbPWMCal4mA,  rbPWMCal20mA,   rbKVKiolvasas,  rbBeallitasokAKVbe,    rbPotiCal0,
    rbPotiCal100, rb2VezRKiejtes, rbR2Wires0Ohm,
};

// The interlocked group: all request buttons but the reset and the erase.
constexpr bool isInGroup(RequestButton button)
{
    return button != rbParancsReset && button != rbParancsEEPROMTorles;
}

// The task state that sends the request's query: 20, 30, ... 140.
inline constexpr int FirstSendState = 20;
inline constexpr int SendStateStep = 10;
constexpr int sendState(RequestButton button)
{
    return FirstSendState + SendStateStep * int(button);
}

// The request whose send state is `state`; none for any other number.
std::optional<RequestButton> forSendState(int state);

// The command the request sends.
quint8 command(RequestButton button);

// "SpeedButton_ADCal0Ohm", ...: the button's object name.
QString objectName(RequestButton button);
// The request button of that object name; none for any other name.
std::optional<RequestButton> fromObjectName(QStringView name);

} // namespace requests
