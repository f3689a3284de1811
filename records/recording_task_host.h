#pragma once

#include "device/communication_task_host.h"

class SessionRecorder;

// Stands between the communication task and the host that shows its work
// (the main window, a kvctl session) and tells a SessionRecorder what the
// task did with the settings, before the host shows it: a result is on
// record by the time anyone sees it. Everything is passed on unchanged.
//
// Calibration and store acknowledgements are passed on only: the host
// records them with the live reading of the moment the button was pressed,
// which only it knows.
class RecordingTaskHost final : public CommunicationTaskHost
{
public:
    RecordingTaskHost(CommunicationTaskHost& inner, SessionRecorder& recorder)
        : m_inner(inner), m_recorder(recorder)
    {}

    bool isRequestDown(RequestButton button) const override { return m_inner.isRequestDown(button); }
    void setRequestDown(RequestButton button, bool down) override { m_inner.setRequestDown(button, down); }
    void setRequestEnabled(RequestButton button, bool enabled) override
    {
        m_inner.setRequestEnabled(button, enabled);
    }
    quint8 calibrationPage() const override { return m_inner.calibrationPage(); }
    quint16 pwmSetpoint() const override { return m_inner.pwmSetpoint(); }
    CommandParameters commandParameters() const override { return m_inner.commandParameters(); }
    SettingsSelection settingsSelection() const override { return m_inner.settingsSelection(); }

    void showITP(int iTP) override;
    void showTransactionResult(bool ok) override;
    void hideDeviceViews() override { m_inner.hideDeviceViews(); }
    void showFirmware(const QString& text) override { m_inner.showFirmware(text); }
    void firmwareRejected(quint32 version) override { m_inner.firmwareRejected(version); }
    void liveValuesArrived(const LiveValues& values) override;
    void applySettingsReadBack(const SettingsReadBack& readBack) override;
    void commandAcknowledged(RequestButton button, const SentParameter& sent) override
    {
        m_inner.commandAcknowledged(button, sent);
    }
    void settingsWriteAcknowledged(const DeviceSettings& written) override;
    void requestWithdrawn(RequestButton button) override;

private:
    CommunicationTaskHost& m_inner;
    SessionRecorder& m_recorder;
    int m_iTP = 0;
};
