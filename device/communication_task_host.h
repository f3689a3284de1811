#pragma once

#include "device/device_settings.h"
#include "device/live_values.h"
#include "device/request_button.h"

#include <QString>
#include <QtGlobal>

#include <optional>
#include <variant>

// What the communication task needs from the window that shows it: the
// request buttons, the values the user captured, and everything the task
// makes visible. The main window implements it; a headless tool can too.
class CommunicationTaskHost
{
public:
    // Parameters of the store commands, captured when their buttons were
    // pressed; all 0 at start.
    struct CommandParameters
    {
        qint32 AD0Ohm = 0;         // CmdStoreAD0Ohm
        qint32 ADReference = 0;    // CmdStoreAD490Ohm (490 or 4900 ohm)
        float R3WireOffset = 0.0f; // CmdStore3WireOffset
        float PotCal0R = 0.0f;     // CmdStorePot0
        float PotCal100R = 0.0f;   // CmdStorePot100
        float TwoWireR = 0.0f;     // CmdStore2WireR
    };

    // The parameter a request's query carried: none, or one number.
    using SentParameter = std::variant<std::monostate, qint32, float, quint16>;

    // Item indexes (-1: none) of RadioGroup_VezetekSzam, RadioGroup_Uzemmod
    // and RadioGroup_Atlagolas when the write query is built.
    struct SettingsSelection
    {
        int wiresIndex = -1;
        int inputModeIndex = -1;
        int averagingIndex = -1;
    };

    // A settings read, for the setting controls. Apply in member order.
    struct SettingsReadBack
    {
        std::optional<int> wiresIndex;  // none: leave RadioGroup_VezetekSzam as it is
        int inputModeIndex = 0;         // RadioGroup_Uzemmod
        int averagingIndex = -1;        // RadioGroup_Atlagolas, -1: no item
        int outputTypeIndex = 0;        // RadioGroup_AnalogKimTipus
        int errorLevelIndex = 0;        // RadioGroup_AnalogKimHibajelzes
        bool noErrorOnOverflow = false; // CheckBox_NemHibaAKimenetTulcsordulas
        QString AramL;                  // LabeledEdit_AramL ... in the display's formats
        QString AramH;
        QString AramLLimit;
        QString AramHLimit;
        // As decoded; Wires and InputMode from the latest live block.
        DeviceSettings settings;
    };

    virtual ~CommunicationTaskHost() = default;

    // --- Request buttons ---------------------------------------------------
    virtual bool isRequestDown(RequestButton button) const = 0;
    // Sets the button down or up the program's way: no click handler runs.
    virtual void setRequestDown(RequestButton button, bool down) = 0;
    // Only for the eleven buttons of the interlocked group.
    virtual void setRequestEnabled(RequestButton button, bool enabled) = 0;

    // --- Values the queries carry --------------------------------------------
    // CalibrationPage for the live query: the page and tab shown now.
    virtual quint8 calibrationPage() const = 0;
    virtual quint16 pwmSetpoint() const = 0;
    virtual CommandParameters commandParameters() const = 0;
    virtual SettingsSelection settingsSelection() const = 0;

    // --- What the task shows -------------------------------------------------
    // Label_iTP, at the start of every step.
    virtual void showITP(int iTP) = 0;
    // End of a transaction: PageControl_Main, GroupBox_System and
    // GroupBox_KeszulekOlvasasIras visible exactly when ok, Label_CommError
    // exactly when not.
    virtual void showTransactionResult(bool ok) = 0;
    // Port closed: all four hidden.
    virtual void hideDeviceViews() = 0;
    // Label_Firmware, repainted at once.
    virtual void showFirmware(const QString& text) = 0;
    // The task has stopped for good: warn in the user's language and end
    // the application.
    virtual void firmwareRejected(quint32 version) = 0;
    // A live block was decoded (UpdateLiveDisplay).
    virtual void liveValuesArrived(const LiveValues& values) = 0;
    // A settings read was decoded; the read request is already released.
    virtual void applySettingsReadBack(const SettingsReadBack& readBack) = 0;
    // The transmitter acknowledged a request other than the settings read
    // and write, whose query carried `sent`; the button is already released.
    virtual void commandAcknowledged(RequestButton button, const SentParameter& sent) = 0;
    // The transmitter acknowledged the settings write; the read-back request
    // is already down. For hosts that keep a record of what was sent.
    virtual void settingsWriteAcknowledged(const DeviceSettings& written) { Q_UNUSED(written) }
    // A request was released before its query went out, so nothing was sent.
    virtual void requestWithdrawn(RequestButton button) { Q_UNUSED(button) }
};
