#pragma once

#include "app/app_config.h"
#include "app/app_context.h"
#include "app/device_model.h"
#include "app/language_table.h"
#include "app/settings_file.h"
#include "device/communication_task_host.h"
#include "device/live_display.h"
#include "device/settings_editing.h"
#include "link/mb_types.h"
#include "platform/dialogs.h"
#include "records/session_recorder.h"

#include <QPointer>
#include <QSet>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class BenchWindow;
class CalibrationJournal;
class CommunicationTask;
class DeviceRecordsWindow;
class RecordsSync;
class VerificationBench;
class VerificationWindow;
class RecordCheckpointer;
class RecordStore;
class RecordingTaskHost;
class QAction;
class QMenu;
class QMenuBar;
class QMessageBox;
class ToolWindowMemory;
class LinkStatisticsWindow;
class TrendWindow;
class LiveViewWriter;
class MainWindowTaskHost;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimer;
class TForm_KVTipusValasztas;
class TLabeledEdit;
class TMB;
class TMBarGraph;
class TMBPanel;
class TRadioGroup;
class TSpeedButton;
class TrafficLogWindow;

// The configurator's working window. Every control carries the name the rest
// of the program knows it by, as member and as objectName.
//
// It takes the language and the device model from the start window at each
// activation, and loads and saves the configuration file of the program the
// context names. Without a start window there is nothing to activate; without
// a program path no configuration file is touched.
class TForm_Main : public QWidget
{
    Q_OBJECT

public:
    static constexpr int FormWidth = 805;
    static constexpr int FormHeight = 631;
    static constexpr int FormMinimumSize = 300;
    static constexpr int FontPointSize = 8;
    static constexpr int LeftColumnWidth = 545;
    static constexpr int CommunicationTaskIntervalMs = 100;

    // The output kind shown before the first live reading: neither current
    // (0) nor voltage (1), so the first reading relabels the output ranges.
    static constexpr int OutputKindNone = -1;
    // The suffix of the device-name panel with service access.
    static constexpr const char* ServiceAccessSuffix = " - szerviz szintű hozzáférés";

    // Registers itself as the window the start window's OK brings up.
    explicit TForm_Main(TForm_KVTipusValasztas* startForm = nullptr, AppContext context = {},
                        QWidget* parent = nullptr);
    ~TForm_Main() override;

    // --- Life cycle --------------------------------------------------------
    // Loads the configuration into the link and the start window and sets the
    // initial values. Run by the constructor.
    void FormCreate();
    // Takes language and model from the start window and applies language,
    // title, device-name panel and page visibility. Run when the window
    // becomes active after being shown or after another window of the program.
    void FormActivate();
    // Closes the port, saves the configuration and closes the start window,
    // which ends the program. Run when the window is closed.
    void FormClose();

    // Puts the texts of the named language ("English" or "Magyar", any case)
    // on the controls; another text keeps the texts applied last.
    void ApplyLanguage(const QString& language);
    void Button_NyelvClick();

    // The user picked another page of PageControl_Main.
    void PageControl_MainChange();

    // --- Communication task ------------------------------------------------
    // The link's and the timer's events; each runs the task once.
    void MB1MBMasterEndOfEvent(TMBStatus MBStatus, const QString& MBStatusString);
    void MB1MBPortOpenedOrClosed(bool MBbPortOpen);
    void Timer_CommunicationTaskTimer();
    // The interlock of the request buttons, run by the click of each of the
    // eleven group buttons.
    void UpdateCommandButtons(TSpeedButton* button);
    bool CheckFirmwareVersion();
    void SpeedButton_KVKiolvasasClick();
    // Shows the settings page; when the button went down, normalises the
    // four numeric edits and captures what the write sends.
    void SpeedButton_BeallitasokAKVbeClick();
    // The task stopped on a firmware this program does not support: warns
    // in the current language, then asks for the program's end.
    void endForIncompatibleFirmware();

    // The transmitter acknowledged a calibration, store or service command:
    // journaled when it is one of those the journal keeps.
    void commandAcknowledged(RequestButton request, const CommunicationTaskHost::SentParameter& sent);

    CommunicationTask& communicationTask() { return *m_task; }

    // --- Menu bar and tool windows -----------------------------------------
    // The menu bar lies above the client area, which holds every control of
    // the window's own layout at the place that layout gives it; the window
    // is taller by the menu bar's height.
    QWidget* clientArea() const { return m_clientArea; }
    // Remembers `window`, a tool window beside this one, in the
    // configuration file under `name` (letters only), and lets `viewEntry`
    // (one of the View menu's entries) open and close it. See
    // ToolWindowMemory; the window should be a child of this one.
    void attachToolWindow(QAction* viewEntry, QWidget* window, const QString& name,
                          bool openByDefault = false);
    // The virtual bench of --simulate: a tool window open by default,
    // behind viewVirtualBench, in this window's language.
    void attachVirtualBench(BenchWindow* bench);
    // The right column (link panel down to the read/write group) with the
    // title bar above it, in desktop coordinates: the program places no
    // tool window over it.
    QRect rightColumnArea() const;
    // The link's traffic and its figures, recorded from the window's creation.
    TrafficLogWindow* trafficLogWindow() const { return m_trafficLog; }
    LinkStatisticsWindow* linkStatisticsWindow() const { return m_linkStatistics; }
    // The language the window's texts are in now, for the tool windows.
    Language toolLanguage() const { return m_toolLanguage; }
    TrendWindow* trendWindow() const { return m_trendWindow; }
    DeviceRecordsWindow* deviceRecordsWindow() const { return m_recordsWindow; }
    VerificationWindow* verificationWindow() const { return m_verificationWindow; }
    // The virtual bench as the verification's reference and meter (with
    // --simulate); owned by the caller, who outlives this window.
    void setVerificationBench(VerificationBench* bench);
    void showKeyboardShortcuts();
    void showAbout();
    const CommunicationTask& communicationTask() const { return *m_task; }

    // --- Device records ------------------------------------------------------
    // The records file the context names, and what records this window's
    // session in it; null when the context names none. A file that cannot
    // be written is warned of once; the window works on without records.
    RecordStore* recordStore() const { return m_records.get(); }
    SessionRecorder* sessionRecorder() const { return m_recorder.get(); }
    // Shows recorded settings in the settings controls as a read-back of
    // the transmitter would (the limit outputs page stays as it is);
    // nothing goes to the transmitter until the write button.
    void loadRecordedSettings(const RecordedSettings& recorded);
    // What the write button would send now, from the controls as they stand
    // (without normalising the edits on screen), with the sensor and output
    // kind of the latest live block.
    RecordedSettings controlsSettings() const;

    // --- Live display --------------------------------------------------------
    // Shows the task's latest live block. Virtual so that a measuring
    // subclass can time it.
    virtual void UpdateLiveDisplay();
    // Item texts of the two output groups for the output kind shown; the
    // selections stay.
    void RelabelOutputRanges();
    const LiveDisplay& liveDisplay() const { return m_liveDisplay; }

    // --- Settings editing ------------------------------------------------------
    // Change handlers of the setting controls: each sets the changed mark.
    void RadioGroup_VezetekSzamClick();
    void RadioGroup_UzemmodClick();
    void RadioGroup_AtlagolasClick();
    void RadioGroup_AnalogKimTipusClick();
    void RadioGroup_AnalogKimHibajelzesClick();
    void CheckBox_NemHibaAKimenetTulcsordulasClick();
    void LabeledEdit_AramLChange();
    void LabeledEdit_AramHChange();
    // Exit rules: the edit's text as a number in its pattern, or its fallback.
    void LabeledEdit_AramLExit();
    void LabeledEdit_AramHExit();
    void LabeledEdit_AramLLimitExit();
    void LabeledEdit_AramHLimitExit();
    void Button_GyariAlapertekekClick();
    // The write button's caption is bold once any setting has changed.
    bool settingsChangedMark() const;

    // --- Limit outputs page ------------------------------------------------
    // Change handlers: each sets the changed mark. Outputs 3 and 4 share the
    // edit and hold handlers of output 1.
    void RadioGroup_Limit1UzemmodClick();
    void RadioGroup_Limit2UzemmodClick();
    void RadioGroup_Limit3UzemmodClick();
    void RadioGroup_Limit4UzemmodClick();
    void LabeledEdit_Limit1LowChange();
    void LabeledEdit_Limit2LowChange();
    void LabeledEdit_Limit1HighChange();
    void LabeledEdit_Limit2HighChange();
    void LabeledEdit_Limit1HysteresisChange();
    void LabeledEdit_Limit2HysteresisChange();
    void RadioGroup_Limit1HoldModeClick();
    void RadioGroup_Limit2HoldModeClick();

    // --- Settings file -------------------------------------------------------
    // Saves what the settings and limit outputs pages show to a file the
    // user picks; a failure leaves the file as it was and says so.
    void Button_FileMentesClick();
    // Puts a file's values into those pages as a user's input would, after
    // checking that the file is for the model in use.
    void Button_FileMegnyitasClick();

    // --- Calibration and stores ---------------------------------------------
    // Each interlocks the group and, when its button went down, captures
    // what its command sends from the latest live block.
    void SpeedButton_ADCal0OhmClick();
    void SpeedButton_ADCal490OhmClick();
    // Refuses, with a dialog, an offset beyond the sensor range's limit.
    void SpeedButton_R3WOffszetClick();
    // The setpoint itself is taken when the query goes out; the caption
    // shows it as it is at the press.
    void SpeedButton_PWMCal4mAClick();
    void SpeedButton_PWMCal20mAClick();
    void SpeedButton_PotiCal0Click();
    void SpeedButton_PotiCal100Click();
    void SpeedButton_2VezRKiejtesClick();
    void SpeedButton_R2Wires0OhmClick();

    // --- Analog output adjustment ----------------------------------------------
    // Saturating steps of PwmSetpoint.
    void Button_IM10000Click();
    void Button_IM1000Click();
    void Button_IM100Click();
    void Button_IM10Click();
    void Button_IM1Click();
    void Button_IP1Click();
    void Button_IP10Click();
    void Button_IP100Click();
    void Button_IP1000Click();
    void Button_IP10000Click();
    void Button_PWM0PercentClick();
    void Button_PWM100PercentClick();
    // Takes the bar's position only while the bar has the input focus.
    void TrackBar_PWMChange();
    // Label_PWMToInstrument, and the bar unless the user is moving it.
    void ShowPwmSetpoint();

    TForm_KVTipusValasztas* startForm() const;
    const AppContext& context() const { return m_context; }
    // Empty when no configuration file is used.
    QString configFilePath() const { return m_config ? m_config->filePath() : QString(); }
    // Texts of the language applied last, for the texts read when needed.
    const LanguageTable& languageTable() const { return m_languageTable; }
    int outputKindShown() const { return m_liveDisplay.outputKindShown(); }

    // --- Application-wide values -------------------------------------------
    TDeviceModel DeviceModel = dmKV4820;
    QString ModelCaption;
    QString CurrentLanguage;
    bool ServiceAccess = false;
    // The folder the settings-file dialogs start in: read from the
    // configuration file, written back unchanged.
    QString sUtolsoFileUtvonal;
    QString ProgramDate;
    QString FirmwareRangeText;
    // The PWM value sent with every live query; never saved.
    quint16 PwmSetpoint = 0;
    // What the store commands send, captured when their buttons go down.
    CommunicationTaskHost::CommandParameters CapturedCommandParameters;

    // --- Header and language ---------------------------------------------
    QLabel* Label_CommError = nullptr;
    QLabel* Panel_KeszulekMegnevezes = nullptr;
    QLabel* Label_Firmware = nullptr;
    QPushButton* Button_Nyelv = nullptr;

    // --- Pages -----------------------------------------------------------
    QTabWidget* PageControl_Main = nullptr;
    QWidget* TabSheet_Beallitasok = nullptr;
    QWidget* TabSheet_DO = nullptr;
    QWidget* TabSheet_Kalibralas = nullptr;

    // Settings page
    QGroupBox* GroupBox_KijelzoEsHibauzenet = nullptr;
    QLabel* Label_Kijelzo = nullptr;
    QGroupBox* GroupBox_Output = nullptr;
    QLabel* Label_Output = nullptr;
    QLabel* Label_KVSubType2 = nullptr;
    QLabel* Label_Error = nullptr;
    QGroupBox* GroupBox_Beallitasok = nullptr;
    TRadioGroup* RadioGroup_VezetekSzam = nullptr;
    TRadioGroup* RadioGroup_Uzemmod = nullptr;
    TRadioGroup* RadioGroup_Atlagolas = nullptr;
    TRadioGroup* RadioGroup_AnalogKimTipus = nullptr;
    TRadioGroup* RadioGroup_AnalogKimHibajelzes = nullptr;
    QCheckBox* CheckBox_NemHibaAKimenetTulcsordulas = nullptr;
    QGroupBox* GroupBox_AnalogKimenetSkalazasa = nullptr;
    TLabeledEdit* LabeledEdit_AramL = nullptr;
    TLabeledEdit* LabeledEdit_AramH = nullptr;
    QGroupBox* GroupBox_AnalogKimenetLimit = nullptr;
    TLabeledEdit* LabeledEdit_AramLLimit = nullptr;
    TLabeledEdit* LabeledEdit_AramHLimit = nullptr;
    QGroupBox* GroupBox_PotenciometerUzemmod = nullptr;
    QGroupBox* GroupBox_PotenciometerKalibralas = nullptr;
    TSpeedButton* SpeedButton_PotiCal0 = nullptr;
    TSpeedButton* SpeedButton_PotiCal100 = nullptr;
    QLabel* Label_PotiModRMert = nullptr;
    QGroupBox* GroupBox_2Wire = nullptr;
    TSpeedButton* SpeedButton_2VezRKiejtes = nullptr;
    QLabel* Label_2VezModRMert = nullptr;
    TSpeedButton* SpeedButton_R2Wires0Ohm = nullptr;

    // Limit outputs page
    QGroupBox* GroupBox_Limit1 = nullptr;
    TRadioGroup* RadioGroup_Limit1Uzemmod = nullptr;
    TLabeledEdit* LabeledEdit_Limit1Low = nullptr;
    TLabeledEdit* LabeledEdit_Limit1High = nullptr;
    TLabeledEdit* LabeledEdit_Limit1Hysteresis = nullptr;
    TRadioGroup* RadioGroup_Limit1HoldMode = nullptr;
    QGroupBox* GroupBox_Limit2 = nullptr;
    TRadioGroup* RadioGroup_Limit2Uzemmod = nullptr;
    TLabeledEdit* LabeledEdit_Limit2Low = nullptr;
    TLabeledEdit* LabeledEdit_Limit2High = nullptr;
    TLabeledEdit* LabeledEdit_Limit2Hysteresis = nullptr;
    TRadioGroup* RadioGroup_Limit2HoldMode = nullptr;
    QGroupBox* GroupBox_Limit3 = nullptr;
    TRadioGroup* RadioGroup_Limit3Uzemmod = nullptr;
    TLabeledEdit* LabeledEdit_Limit3Low = nullptr;
    TLabeledEdit* LabeledEdit_Limit3High = nullptr;
    TLabeledEdit* LabeledEdit_Limit3Hysteresis = nullptr;
    TRadioGroup* RadioGroup_Limit3HoldMode = nullptr;
    QGroupBox* GroupBox_Limit4 = nullptr;
    TRadioGroup* RadioGroup_Limit4Uzemmod = nullptr;
    TLabeledEdit* LabeledEdit_Limit4Low = nullptr;
    TLabeledEdit* LabeledEdit_Limit4High = nullptr;
    TLabeledEdit* LabeledEdit_Limit4Hysteresis = nullptr;
    TRadioGroup* RadioGroup_Limit4HoldMode = nullptr;
    QGroupBox* GroupBox_DOForce = nullptr;
    QFrame* Shape_DO1 = nullptr;
    QFrame* Shape_DO2 = nullptr;
    QFrame* Shape_DO3 = nullptr;
    QFrame* Shape_DO4 = nullptr;
    TSpeedButton* SpeedButton_DO1 = nullptr;
    TSpeedButton* SpeedButton_DO2 = nullptr;
    TSpeedButton* SpeedButton_DO3 = nullptr;
    TSpeedButton* SpeedButton_DO4 = nullptr;
    TSpeedButton* SpeedButton_DOForce = nullptr;
    TSpeedButton* SpeedButton_HoldMegszuntetes = nullptr;

    // Calibration page
    QLabel* Label_KVSubType = nullptr;
    QTabWidget* PageControl_KalibralasTipus = nullptr;
    QWidget* TabSheet_ADKalibralas = nullptr;
    QLabel* Label_ADAveragedBig = nullptr;
    QGroupBox* GroupBox8 = nullptr;
    TSpeedButton* SpeedButton_ADCal0Ohm = nullptr;
    QGroupBox* GroupBoxCal490 = nullptr;
    TSpeedButton* SpeedButton_ADCal490Ohm = nullptr;
    QWidget* TabSheet_3VezKalibralas = nullptr;
    QLabel* Label_3VezKalibralashozRMert = nullptr;
    QGroupBox* GroupBox_Cal249 = nullptr;
    TSpeedButton* SpeedButton_R3WOffszet = nullptr;
    QWidget* TabSheet_AnalogKimenetKalibralas = nullptr;
    QLabel* Label_PWMNagy = nullptr;
    QLabel* Label_PWMToInstrumentCaption = nullptr;
    QLabel* Label_PWMToInstrument = nullptr;
    QGroupBox* GroupBox_PWMErtekValtoztatas = nullptr;
    QPushButton* Button_IM10000 = nullptr;
    QPushButton* Button_IM1000 = nullptr;
    QPushButton* Button_IM100 = nullptr;
    QPushButton* Button_IM10 = nullptr;
    QPushButton* Button_IM1 = nullptr;
    QPushButton* Button_IP1 = nullptr;
    QPushButton* Button_IP10 = nullptr;
    QPushButton* Button_IP100 = nullptr;
    QPushButton* Button_IP1000 = nullptr;
    QPushButton* Button_IP10000 = nullptr;
    QPushButton* Button_PWM0Percent = nullptr;
    QSlider* TrackBar_PWM = nullptr;
    QPushButton* Button_PWM100Percent = nullptr;
    QGroupBox* GroupBox_Kalibralas4mA = nullptr;
    TSpeedButton* SpeedButton_PWMCal4mA = nullptr;
    QGroupBox* GroupBox_Kalibralas20mA = nullptr;
    TSpeedButton* SpeedButton_PWMCal20mA = nullptr;
    QGroupBox* GroupBox_AnalogKimenetTeszt = nullptr;
    TSpeedButton* SpeedButton_TesztKi = nullptr;
    TSpeedButton* SpeedButton_mA0 = nullptr;
    TSpeedButton* SpeedButton_mA4 = nullptr;
    TSpeedButton* SpeedButton_mA10 = nullptr;
    TSpeedButton* SpeedButton_mA12 = nullptr;
    TSpeedButton* SpeedButton_mA20 = nullptr;
    QWidget* TabSheet_Parancsok = nullptr;
    TSpeedButton* SpeedButton_ParancsReset = nullptr;
    TSpeedButton* SpeedButton_ParancsEEPROMTorles = nullptr;

    // --- Right column ----------------------------------------------------
    TMB* MB1 = nullptr;
    TMBPanel* MB1Panel = nullptr;

    QGroupBox* GroupBox_System = nullptr;
    TMBarGraph* MBarGraph_ADRaw = nullptr;
    TMBarGraph* MBarGraph_PWM = nullptr;
    QLabel* Label_ADRaw = nullptr;
    QLabel* Label_ADAveraged = nullptr;
    QLabel* Label_ADAveraged2 = nullptr;
    QLabel* Label_ADSpS = nullptr;
    QLabel* Label_uWires = nullptr;
    QLabel* Label16_uMode = nullptr;
    QLabel* Label_bVoltageOutput = nullptr;
    QLabel* Label_enuCalMode = nullptr;
    QLabel* Label_PtType = nullptr;
    QLabel* Label_uErrorNumber = nullptr;
    QLabel* Label_uCRCOKbits1 = nullptr;
    QLabel* Label_uAfterWriteOKbits1 = nullptr;
    QLabel* Label_uCRCOKbits2 = nullptr;
    QLabel* Label_uAfterWriteOKbits2 = nullptr;
    QLabel* Label_uADCRestartNumber = nullptr;
    QLabel* Label_iTP = nullptr;
    QLabel* Label_uPWMITPerSec = nullptr;
    QLabel* Label_uCounterSecAfterReset = nullptr;
    QLabel* Label_fCalculatedRWithoutCompensation = nullptr;
    QLabel* Label_fCalculatedR = nullptr;
    QLabel* Label_fInput = nullptr;
    QLabel* Label_uCountOfNewInputValue = nullptr;
    QLabel* Label_PWM = nullptr;
    QLabel* Label_ADUnderFlow = nullptr;
    QLabel* Label_ADOverFlow = nullptr;
    QLabel* Label_ADNoDRDY = nullptr;
    QLabel* Label_ADNoChange = nullptr;
    QLabel* Label_RestartADC = nullptr;
    QLabel* Label_bUncalInput = nullptr;
    QLabel* Label_bUncal3WOffset = nullptr;
    QLabel* Label_bUncalOutput = nullptr;
    QLabel* Label_bOpenError = nullptr;
    QLabel* Label_bRAM1BadWrite = nullptr;
    QLabel* Label_bPWMITNotOK = nullptr;

    QGroupBox* GroupBox_FajlMuveletek = nullptr;
    QPushButton* Button_FileMegnyitas = nullptr;
    QPushButton* Button_FileMentes = nullptr;

    QGroupBox* GroupBox_KeszulekOlvasasIras = nullptr;
    QPushButton* Button_GyariAlapertekek = nullptr;
    TSpeedButton* SpeedButton_KVKiolvasas = nullptr;
    TSpeedButton* SpeedButton_BeallitasokAKVbe = nullptr;

    // --- Non-visual ------------------------------------------------------
    // Filled in just before each use; the dialogs themselves are modal and short-lived.
    Dialogs::FileRequest SaveDialog1;
    Dialogs::FileRequest OpenDialog1;
    QTimer* Timer_CommunicationTask = nullptr;

    QMenuBar* menuBar = nullptr;
    QMenu* viewMenu = nullptr;
    QAction* viewTrend = nullptr;
    QAction* viewTrafficLog = nullptr;
    QAction* viewLinkStatistics = nullptr;
    QAction* viewDeviceRecords = nullptr;
    QAction* viewVerification = nullptr;
    // Hidden until the virtual bench is attached (--simulate).
    QAction* viewVirtualBench = nullptr;
    QMenu* helpMenu = nullptr;
    QAction* helpShortcuts = nullptr;
    QAction* helpAbout = nullptr;

signals:
    // The program is to end now, without the shutdown steps of a close.
    void applicationTerminationRequested();
    // The window's texts changed language; the tool windows follow.
    void toolLanguageChanged(Language language);
    // UpdateLiveDisplay showed a live block.
    void liveValuesShown(const LiveValues& values);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Each page file wires its own controls; connectHandlers calls them.
    void connectHandlers();
    void connectSettingsPageHandlers();
    void connectCalibrationPageHandlers();
    void connectOutputSheetHandlers();
    // The click of a calibration or store button: the interlock, and the
    // live block at the press kept for the journal. True when it went down.
    bool pressCalibrationButton(TSpeedButton* button);
    void pressPwmCalibration(TSpeedButton* button);
    void changePwmSetpoint(quint16 setpoint);
    void markSettingsChanged();
    void connectLimitsPageHandlers();
    void connectSettingsFileHandlers();

    struct LimitControls
    {
        TRadioGroup* mode = nullptr;
        TLabeledEdit* low = nullptr;
        TLabeledEdit* high = nullptr;
        TLabeledEdit* hysteresis = nullptr;
        TRadioGroup* holdMode = nullptr;
    };
    std::array<LimitControls, SettingsFileValues::LimitOutputCount> limitControls() const;
    SettingsFileValues settingsFileValues() const;
    void applySettingsFileValues(const SettingsFileValues& values, const QString& path);
    Dialogs::FileRequest settingsFileRequest(LanguageTable::Text title) const;
    void showLastUsedFile(const QString& path);
    void normalise(TLabeledEdit* edit, settingsedit::NumericEdit numericEdit);

    void applyCaptions(int firstRow, int lastRow);
    void applyItems(LanguageTable::ItemList list);

    void createHeader();
    void createSettingsPage();
    void createLimitsPage();
    void createLimitGroup(int number, QGroupBox** group, TRadioGroup** mode, TLabeledEdit** low,
                          TLabeledEdit** high, TLabeledEdit** hysteresis, TRadioGroup** holdMode);
    void createCalibrationPage();
    void createAdCalibrationSheet();
    void createThreeWireSheet();
    void createAnalogOutputSheet();
    void createCommandsSheet();
    void createLink();
    void createSystemGroup();
    void createFileAndDeviceGroups();
    void createMenuBar();
    void createTrafficWindows();
    void createToolWindows();
    void applyToolTexts(Language language);
    void createRecords();
    // The exchange with the plant's server, when one is configured.
    void startRecordsSync();
    // False when the exchange was still inside a network call: the program
    // must then leave without waiting for it (std::_Exit).
    bool stopRecordsSync();
    void createVerification();
    void issueCertificate(const QString& tag);
    // From the thread that issued it: the number and file, or why not.
    void certificateIssued(bool ok, const QString& numberOrError, const QString& path);
    void recordPortOpenedOrClosed(bool open);
    // The recorder's listener: the records window hears of every attempt;
    // a reason not recorded for is warned of once a session.
    void recordingAttempted(const RecordEvent& event, const SessionRecorder::Result& result);
    void recordSettingsFile(const QString& path, bool saved);
    // A warning after the handler that has it: a modal dialog's loop inside
    // the task's step would step the task again.
    void warnLater(std::function<QString()> text);
    void showHelp(const QString& title, const QString& text);

    QWidget* m_clientArea = nullptr;
    TrafficLogWindow* m_trafficLog = nullptr;
    LinkStatisticsWindow* m_linkStatistics = nullptr;
    ToolWindowMemory* m_toolWindows = nullptr;
    TrendWindow* m_trendWindow = nullptr;
    Language m_toolLanguage = Language::Hungarian;
    QPointer<QMessageBox> m_helpBox;
    QPointer<TForm_KVTipusValasztas> m_startForm;
    AppContext m_context;
    std::optional<AppConfig> m_config;
    LanguageTable m_languageTable;
    LiveDisplay m_liveDisplay;
    std::unique_ptr<MainWindowTaskHost> m_taskHost;
    std::unique_ptr<LiveViewWriter> m_liveViewWriter;
    CommunicationTask* m_task = nullptr;
    std::unique_ptr<CalibrationJournal> m_journal;
    // The latest live block when each request button was last pressed.
    std::array<LiveValues, RequestButtonCount> m_pressReadings{};
    // Destroyed in reverse: the task's host before the recorder, the
    // recorder before its store.
    std::unique_ptr<RecordStore> m_records;
    std::unique_ptr<SessionRecorder> m_recorder;
    std::unique_ptr<RecordingTaskHost> m_recordingHost;
    // Copies the records' log into their file off the window's thread.
    std::unique_ptr<RecordCheckpointer> m_checkpointer;
    DeviceRecordsWindow* m_recordsWindow = nullptr;
    std::unique_ptr<RecordsSync> m_sync;
    VerificationWindow* m_verificationWindow = nullptr;
    // Why the records were off from the start: warned of already.
    QString m_recordsOffReason;
    // The reasons not recorded for that were warned of in this session.
    QSet<QString> m_warnedReasons;
};
