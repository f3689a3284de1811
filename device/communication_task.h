#pragma once

#include "device/communication_task_host.h"
#include "device/device_settings.h"
#include "device/live_values.h"
#include "device/request_button.h"
#include "link/mb_types.h"

#include <QElapsedTimer>
#include <QObject>

class QTimer;
class TMB;

// The only code that talks to the transmitter: a numbered state machine,
// advanced by a 100 ms timer and by the link's end-of-transaction event,
// that keeps one query in flight. It identifies the transmitter, checks its
// firmware, polls the live block and, between two polls, serves the highest
// pending request button of the host.
//
// The link must be in ASCII master framing: the answer's command byte is how
// a late answer to an earlier query is told apart.
class CommunicationTask : public QObject
{
    Q_OBJECT

public:
    static constexpr int TickIntervalMs = 100;
    static constexpr quint16 SendDelayMs = 50;

    // The task's states (iTP), for hosts that tell the user what step a
    // failure ended.
    static constexpr int StateStopped = 0;
    static constexpr int StateIdentify = 1;
    static constexpr int StateIdentifyWait = 2;
    static constexpr int StateLivePoll = 10;
    static constexpr int StateLivePollWait = 11;
    static constexpr int StateReadSettings = 90;
    static constexpr int StateReadSettingsWait = 91;
    static constexpr int StateWriteSettings = 100;
    static constexpr int StateWriteSettingsWait = 101;

    // Connects itself to the link's events. Drives `timer` (the window's
    // Timer_CommunicationTask) when one is given, else a timer of its own.
    CommunicationTask(TMB& mb, CommunicationTaskHost& host, QTimer* timer = nullptr,
                      QObject* parent = nullptr);

    int iTP() const { return m_iTP; }
    bool bAnswerArrived() const { return m_bAnswerArrived; }
    // The latest live block, with the FirmwareVersion of the latest identification.
    const LiveValues& liveValues() const { return m_liveValues; }
    QTimer& timer() { return *m_timer; }

    // The output settings and floats captured when the write request went
    // down (settingsedit::captureForWrite); Wires, InputMode and Averaging
    // are replaced by the host's selection when the query is built.
    const DeviceSettings& capturedSettings() const { return m_capturedSettings; }
    void setCapturedSettings(const DeviceSettings& settings) { m_capturedSettings = settings; }
    // The block of the latest write query, as it went out: what a read-back
    // is to show.
    const DeviceSettings& writtenSettings() const { return m_writtenSettings; }

    // The status of the latest end of transaction the task took; a late
    // answer it ignored does not count.
    TMBStatus lastStatus() const { return m_status; }
    // The last transaction failed because its settings answer, though
    // taken by the link, was shorter than the block (lastStatus: time-out).
    bool lastAnswerTooShort() const { return m_lastAnswerTooShort; }

    // Hosts that need not keep to the window's pace (tests, and the batch
    // tool driven by a test) shorten the tick (from the next start) and the
    // send delay (from the next query).
    void setIntervals(int tickMs, quint16 sendDelayMs);

    void StartCommunicationTask();
    void StopCommunicationTask();
    void CommunicationTaskStep();
    // Address 1, ID 34, the command, an empty data area, bAnswerArrived cleared.
    void PrepareQuery(quint8 command);

    // The interlock of the group: a button up enables all eleven; a group
    // button down disables the other ten.
    void UpdateCommandButtons(RequestButton button);
    // The same by object name; any other name changes nothing.
    void UpdateCommandButtons(QStringView buttonName);

    // Shows the version of the latest identification; stops the task and
    // tells the host when the version is not accepted. True when accepted.
    bool CheckFirmwareVersion();

    // What a settings read shows in the setting controls; the block's Wires
    // and InputMode are those of the live block it was read with. Also for
    // settings that come from elsewhere (the device records), so that they
    // show exactly as a transmitter's would.
    static CommunicationTaskHost::SettingsReadBack settingsReadBackFor(const DeviceSettings& settings,
                                                                       bool pt1000);
    // The block a write sends: the settings captured at the press, with the
    // wires, mode and averaging the groups select (the mode in force where
    // no mode is selected).
    static DeviceSettings writeBlock(const DeviceSettings& captured,
                                     const CommunicationTaskHost::SettingsSelection& selection,
                                     quint8 modeInForce);

    // Handlers of the link's OnMBMasterEndOfEvent and OnMBPortOpenedOrClosed.
    void MBMasterEndOfEvent(TMBStatus status);
    void MBPortOpenedOrClosed(bool portOpen);

private:
    static bool isWaitState(int state);
    // True when the event's answer belongs to the query the task waits for.
    bool answerIsAwaited() const;
    // An acknowledged settings read without its whole block: read field by
    // field it would put zeros into the window, and a later write would
    // send them to the transmitter.
    bool settingsAnswerShort(TMBStatus status) const;
    void takeEndOfTransaction(TMBStatus status, bool answerTooShort = false);
    void chooseAfterLivePoll();
    bool withdrawn(RequestButton button);
    CommunicationTaskHost::SentParameter parameterFor(RequestButton button) const;
    void sendRequest(RequestButton button);
    void completeRequest(RequestButton button);
    void readBackSettings();
    void sendSettings();
    void send(int waitState);

    TMB& m_mb;
    CommunicationTaskHost& m_host;
    QTimer* m_timer = nullptr;

    int m_tickIntervalMs = TickIntervalMs;
    quint16 m_sendDelayMs = SendDelayMs;
    int m_iTP = 0;
    bool m_bAnswerArrived = false;
    // The status of the end-of-transaction the waiting state acts on.
    TMBStatus m_status = stOK;
    bool m_lastAnswerTooShort = false;
    quint8 m_awaitedCommand = 0;
    LiveValues m_liveValues;
    DeviceSettings m_capturedSettings;
    // What the request in flight carried, for its acknowledgement.
    CommunicationTaskHost::SentParameter m_sentParameter;
    DeviceSettings m_writtenSettings;

    // A late answer stops the link's answer timer for the query in flight;
    // should the awaited answer never come, this ends the wait as a time-out.
    bool m_lateAnswerGuard = false;
    QElapsedTimer m_lateAnswerClock;
};
