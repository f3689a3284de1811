#pragma once

#include "device/communication_task_host.h"

#include <array>

class TForm_Main;
class TSpeedButton;

// The main window as the communication task sees it: the request buttons,
// the values the queries carry, and the controls the task's results go to.
class MainWindowTaskHost final : public CommunicationTaskHost
{
public:
    // The window's controls must exist already.
    explicit MainWindowTaskHost(TForm_Main& form);

    TSpeedButton* button(RequestButton request) const { return m_buttons[request]; }

    bool isRequestDown(RequestButton request) const override;
    void setRequestDown(RequestButton request, bool down) override;
    void setRequestEnabled(RequestButton request, bool enabled) override;

    quint8 calibrationPage() const override;
    quint16 pwmSetpoint() const override;
    CommandParameters commandParameters() const override;
    SettingsSelection settingsSelection() const override;

    void showITP(int iTP) override;
    void showTransactionResult(bool ok) override;
    void hideDeviceViews() override;
    void showFirmware(const QString& text) override;
    void firmwareRejected(quint32 version) override;
    void liveValuesArrived(const LiveValues& values) override;
    void applySettingsReadBack(const SettingsReadBack& readBack) override;
    void commandAcknowledged(RequestButton request, const SentParameter& sent) override;

private:
    TForm_Main& m_form;
    std::array<TSpeedButton*, RequestButtonCount> m_buttons{};
};
