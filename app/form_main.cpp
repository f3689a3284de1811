#include "app/form_main.h"

#include "app/activation_tracker.h"
#include "app/form_kv_tipus_valasztas.h"
#include "app/form_main_controls.h"
#include "app/live_view_writer.h"
#include "app/main_window_task_host.h"
#include "app/tool_window_memory.h"
#include "app/verification_window.h"
#include "device/calibration_journal.h"
#include "device/communication_task.h"
#include "device/firmware_version.h"
#include "link/port_reconnector.h"
#include "link/tmb.h"
#include "platform/number_format.h"
#include "records/record_checkpointer.h"
#include "records/record_store.h"
#include "records/recording_task_host.h"
#include "records/records_sync.h"
#include "widgets/radio_group.h"
#include "widgets/speed_button.h"
#include "widgets/tmbar_graph.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

#include <cstdlib>

using namespace formcontrols;

TForm_Main::TForm_Main(TForm_KVTipusValasztas* startForm, AppContext context, QWidget* parent)
    : QWidget(parent), m_startForm(startForm), m_context(std::move(context))
{
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(QStringLiteral("Form_Main"));
    QFont windowFont(QStringLiteral("Arial"));
    windowFont.setPointSize(FontPointSize);
    setFont(windowFont);
    // The window's client area below the menu bar. Unnamed: by name, its
    // controls are the window's own.
    m_clientArea = new QWidget(this);
    m_clientArea->resize(FormWidth, FormHeight);

    createHeader();
    createSettingsPage();
    createLimitsPage();
    createCalibrationPage();
    createLink();
    createSystemGroup();
    createFileAndDeviceGroups();

    // Above the page control, so it stays reachable while the pages are hidden.
    Button_Nyelv->raise();
    // Sizes the window: the client area plus the menu bar above it.
    createMenuBar();
    createTrafficWindows();
    createToolWindows();

    Timer_CommunicationTask = new QTimer(this);
    Timer_CommunicationTask->setObjectName(QStringLiteral("Timer_CommunicationTask"));
    Timer_CommunicationTask->setInterval(CommunicationTaskIntervalMs);

    m_taskHost = std::make_unique<MainWindowTaskHost>(*this);
    m_liveViewWriter = std::make_unique<LiveViewWriter>(*this);
    createRecords();
    CommunicationTaskHost& host =
        m_recordingHost ? static_cast<CommunicationTaskHost&>(*m_recordingHost) : *m_taskHost;
    m_task = new CommunicationTask(*MB1, host, Timer_CommunicationTask, this);
    createVerification();
    connectHandlers();

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    if (!m_context.programPath.isEmpty())
        m_config.emplace(m_context.programPath);
    if (!m_context.journalPath.isEmpty())
        m_journal = std::make_unique<CalibrationJournal>(m_context.journalPath);
    if (m_startForm) {
        m_startForm->setMainForm(this);
        auto* activation = new ActivationTracker(this);
        connect(activation, &ActivationTracker::activationDue, this, &TForm_Main::FormActivate);
    }
    FormCreate();
}

// The task is a child and dies with the window's QObject part, after the
// host it calls; the link raises no events while it is destroyed.
TForm_Main::~TForm_Main() = default;

void TForm_Main::connectHandlers()
{
    connect(PageControl_Main, &QTabWidget::currentChanged, this, &TForm_Main::PageControl_MainChange);
    connect(Button_Nyelv, &QPushButton::clicked, this, &TForm_Main::Button_NyelvClick);

    // The window's handlers take the link's and the timer's events, as the
    // layout binds them, and hand them to the task: it must not get them twice.
    disconnect(MB1, nullptr, m_task, nullptr);
    disconnect(Timer_CommunicationTask, nullptr, m_task, nullptr);
    connect(MB1, &TMB::OnMBMasterEndOfEvent, this, &TForm_Main::MB1MBMasterEndOfEvent);
    connect(MB1, &TMB::OnMBPortOpenedOrClosed, this, &TForm_Main::MB1MBPortOpenedOrClosed);
    connect(Timer_CommunicationTask, &QTimer::timeout, this, &TForm_Main::Timer_CommunicationTaskTimer);

    connectSettingsPageHandlers();
    connectLimitsPageHandlers();
    connectSettingsFileHandlers();
    connectCalibrationPageHandlers();
}

TForm_KVTipusValasztas* TForm_Main::startForm() const
{
    return m_startForm;
}

void TForm_Main::FormCreate()
{
    if (m_config) {
        m_config->load();
        m_toolWindows->restoreFrom(*m_config);
        MB1->setMBLastUsedPort(m_config->lastUsedPort());
        MB1->reconnector().setEnabled(m_config->autoReconnect());
        sUtolsoFileUtvonal = m_config->settingsFolder();
        if (m_startForm)
            m_startForm->setStoredSelections(m_config->modelIndex(), m_config->languageIndex());
        m_verificationWindow->setTolerancePercent(m_config->verificationTolerance());
        m_verificationWindow->setReference(m_config->verificationReference());
    }
    m_task->StopCommunicationTask();

    PwmSetpoint = 0;
    MBarGraph_ADRaw->setMBGValue(0);
    MBarGraph_PWM->setMBGValue(0);
    // Neither current nor voltage: the first live block relabels the output ranges.
    const LiveDisplay::Texts texts = m_liveDisplay.texts();
    m_liveDisplay = LiveDisplay();
    m_liveDisplay.setTexts(texts);
}

void TForm_Main::FormActivate()
{
    if (!m_startForm)
        return;
    const TRadioGroup* languages = m_startForm->RadioGroup_NyelvValasztas;
    const TRadioGroup* models = m_startForm->RadioGroup_KVValasztas;

    CurrentLanguage = languages->selectedText();
    ModelCaption = models->selectedText();
    ApplyLanguage(CurrentLanguage);
    DeviceModel = models->ItemIndex() == 0 ? dmKV4620 : dmKV4820;
    if (m_recorder)
        m_recorder->setModel(SettingsFile::modelName(DeviceModel));

    ProgramDate = NumberFormat::format(2015, u"0000") + u'-' + NumberFormat::format(3, u"00") + u'-' +
                  NumberFormat::format(25, u"00");
    FirmwareRangeText = QStringLiteral("v") + QString::number(firmware::AcceptedMin) + QStringLiteral(" - ") +
                        QString::number(firmware::AcceptedMax);
    const LanguageTable::Text title = DeviceModel == dmKV4620 ? LanguageTable::Text::WindowTitleKV4620
                                                              : LanguageTable::Text::WindowTitleKV4820;
    setWindowTitle(m_languageTable.text(title) + ProgramDate);

    ServiceAccess = AppConfig::serviceAccessRequested(m_context.arguments);

    QString panel = ModelCaption + u' ' + FirmwareRangeText;
    if (ServiceAccess)
        panel += QString::fromUtf8(ServiceAccessSuffix);
    Panel_KeszulekMegnevezes->setText(panel);

    // Hiding the current tab moves the page in code; that is not the user's
    // page change, so it must not queue a read or clear captions.
    const QSignalBlocker programmaticPageChange(PageControl_Main);
    PageControl_Main->setTabVisible(PageControl_Main->indexOf(TabSheet_Kalibralas), ServiceAccess);
    PageControl_Main->setTabVisible(PageControl_Main->indexOf(TabSheet_DO), DeviceModel == dmKV4620);
}

void TForm_Main::FormClose()
{
    MB1->MBClosePort();
    // Ends the session now, also one waiting for its device to come back:
    // the program may end before a queued step.
    if (m_recorder)
        m_recorder->portClosed(false);
    if (m_config) {
        m_toolWindows->storeTo(*m_config);
        m_config->setLastUsedPort(MB1->MBLastUsedPort());
        m_config->setAutoReconnect(MB1->reconnector().isEnabled());
        m_config->setSettingsFolder(sUtolsoFileUtvonal);
        m_config->setVerification(m_verificationWindow->tolerancePercent(),
                                  m_verificationWindow->reference());
        // The start window's language, not one chosen with the language button.
        if (m_startForm) {
            m_config->setModelIndex(m_startForm->RadioGroup_KVValasztas->ItemIndex());
            m_config->setLanguageIndex(m_startForm->RadioGroup_NyelvValasztas->ItemIndex());
        }
        // A configuration that cannot be written must not keep the program
        // from ending, nor go unexplained to someone who started it from a
        // terminal.
        QString error;
        if (!m_config->save(&error))
            qWarning("Configuration not saved to %s: %s", qPrintable(m_config->filePath()),
                     qPrintable(error));
    }
    // Everything of this program's is on the disk by now; a records exchange
    // stuck in a network call must not keep it from ending.
    if (!stopRecordsSync())
        std::_Exit(0);
    if (m_startForm)
        m_startForm->close();
}

void TForm_Main::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TForm_Main::ApplyLanguage(const QString& language)
{
    m_languageTable.apply(language);
    applyCaptions(1, 21);
    applyItems(LanguageTable::ItemList::LimitMode);
    applyCaptions(22, 25);
    applyItems(LanguageTable::ItemList::HoldMode);
    applyCaptions(26, 31);
    applyItems(LanguageTable::ItemList::InputMode);
    applyCaptions(32, LanguageTable::CaptionRowCount);
    Button_Nyelv->setText(LanguageTable::languageButtonCaption(CurrentLanguage));
    if (const std::optional<Language> known = LanguageTable::languageOf(language))
        applyToolTexts(*known);

    // The live display puts these on from the next live block on.
    m_liveDisplay.setTexts(m_languageTable.liveDisplayTexts());
}

void TForm_Main::applyCaptions(int firstRow, int lastRow)
{
    for (int number = firstRow; number <= lastRow; ++number) {
        for (const QString& name : LanguageTable::captionRow(number).controls) {
            QWidget* control = findChild<QWidget*>(name);
            Q_ASSERT(control);
            if (control)
                setCaption(PageControl_Main, control, m_languageTable.caption(number));
        }
    }
}

void TForm_Main::applyItems(LanguageTable::ItemList list)
{
    // setItems keeps each group's selection, or its lack of one.
    for (const QString& name : LanguageTable::itemRow(list).controls) {
        auto* group = findChild<TRadioGroup*>(name);
        Q_ASSERT(group);
        if (group)
            group->setItems(m_languageTable.items(list));
    }
}

void TForm_Main::Button_NyelvClick()
{
    const QString english = LanguageTable::languageItemText(Language::English);
    CurrentLanguage =
        CurrentLanguage == english ? LanguageTable::languageItemText(Language::Hungarian) : english;
    ApplyLanguage(CurrentLanguage);
}

void TForm_Main::PageControl_MainChange()
{
    // The calibration page works on the stored settings: fetch them afresh.
    if (PageControl_Main->currentWidget() == TabSheet_Kalibralas)
        SpeedButton_KVKiolvasas->setDownState(true);
    for (TSpeedButton* button : {SpeedButton_ADCal0Ohm, SpeedButton_ADCal490Ohm, SpeedButton_R3WOffszet,
                                 SpeedButton_PWMCal4mA, SpeedButton_PWMCal20mA})
        button->setText(QString());
}

void TForm_Main::MB1MBMasterEndOfEvent(TMBStatus MBStatus, const QString&)
{
    m_task->MBMasterEndOfEvent(MBStatus);
}

void TForm_Main::MB1MBPortOpenedOrClosed(bool MBbPortOpen)
{
    recordPortOpenedOrClosed(MBbPortOpen);
    m_task->MBPortOpenedOrClosed(MBbPortOpen);
}

void TForm_Main::Timer_CommunicationTaskTimer()
{
    m_task->CommunicationTaskStep();
}

void TForm_Main::UpdateCommandButtons(TSpeedButton* button)
{
    m_task->UpdateCommandButtons(button->objectName());
}

bool TForm_Main::CheckFirmwareVersion()
{
    return m_task->CheckFirmwareVersion();
}

void TForm_Main::endForIncompatibleFirmware()
{
    // Two separate comparisons: a language that is neither gets no warning.
    const QString language = CurrentLanguage.toLower();
    if (language == QLatin1String("magyar"))
        Dialogs::current().message(this, Dialogs::MessageType::Warning, windowTitle(),
                                   LanguageTable::firmwareIncompatibleText(Language::Hungarian));
    if (language == QLatin1String("english"))
        Dialogs::current().message(this, Dialogs::MessageType::Warning, windowTitle(),
                                   LanguageTable::firmwareIncompatibleText(Language::English));
    emit applicationTerminationRequested();
}

void TForm_Main::UpdateLiveDisplay()
{
    m_liveViewWriter->write(m_liveDisplay.update(m_task->liveValues()));
    emit liveValuesShown(m_task->liveValues());
}

void TForm_Main::RelabelOutputRanges()
{
    const LiveDisplay::OutputRangeItems items =
        LiveDisplay::outputRangeItemsFor(LiveDisplay::OutputKind(m_liveDisplay.outputKindShown()));
    RadioGroup_AnalogKimTipus->setItems(items.outputType);
    RadioGroup_AnalogKimHibajelzes->setItems(items.errorLevel);
}
