#include "app/form_main.h"

#include "app/activation_tracker.h"
#include "app/form_kv_tipus_valasztas.h"
#include "app/live_view_writer.h"
#include "app/main_window_task_host.h"
#include "device/communication_task.h"
#include "device/firmware_version.h"
#include "link/tmb.h"
#include "link/tmb_panel.h"
#include "platform/number_format.h"
#include "widgets/labeled_edit.h"
#include "widgets/radio_group.h"
#include "widgets/speed_button.h"
#include "widgets/tmbar_graph.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int Margin = 4;
constexpr int HeaderHeight = 35;
constexpr int RightColumnLeft = 556;
constexpr int RightColumnWidth = 229;
constexpr int LinkPanelLeft = 632;
constexpr int LinkPanelTop = 8;
constexpr int LanguageButtonWidth = 96;
constexpr int LanguageButtonHeight = 21;

constexpr int DisplayFontPixels = 35;
constexpr int SubType2FontPixels = 19;
constexpr int SubTypeFontPixels = 37;
constexpr int CalibrationValueFontPixels = 28;
constexpr int BarGraphWidth = 201;
constexpr int BarGraphHeight = 8;
constexpr int TrackBarMaximum = 65;
constexpr int TrackBarPageSize = 10;

const QColor DisplayColour(215, 209, 115);

QFont pixelFont(QFont font, int pixels, bool bold = false)
{
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont pointFont(QFont font, int points, bool bold = false)
{
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

void setColours(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(alignment);
    label->setGeometry(geometry);
    return label;
}

// The red alarm look shared by the communication and device error labels.
QLabel* makeAlarmLabel(QWidget* parent, const char* name, const QRect& geometry)
{
    QLabel* label = makeLabel(parent, name, QStringLiteral("???"), geometry, Qt::AlignCenter);
    setColours(label, Qt::red, Qt::white);
    QFont font = label->font();
    font.setItalic(true);
    label->setFont(font);
    return label;
}

QLabel* makeDisplayLabel(QWidget* parent, const char* name, const QRect& geometry)
{
    QLabel* label = makeLabel(parent, name, QString(), geometry, Qt::AlignCenter);
    label->setFont(pixelFont(label->font(), DisplayFontPixels));
    setColours(label, DisplayColour, Qt::black);
    return label;
}

QGroupBox* makeGroup(QWidget* parent, const char* name, const QString& title, const QRect& geometry)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(geometry);
    return group;
}

TRadioGroup* makeRadioGroup(QWidget* parent, const QString& name, const QString& title,
                            const QStringList& items, int itemIndex, const QRect& geometry, int columns = 1)
{
    auto* group = new TRadioGroup(parent);
    group->setObjectName(name);
    group->setTitle(title);
    group->setColumns(columns);
    group->setItems(items);
    group->setItemIndex(itemIndex);
    if (QLayout* layout = group->layout()) {
        layout->setContentsMargins(4, 2, 2, 2);
        layout->setSpacing(0);
    }
    group->setGeometry(geometry);
    return group;
}

// The label gets a fixed width so the edits of a column line up whatever
// language the labels are in.
TLabeledEdit* makeLabeledEdit(QWidget* parent, const QString& name, const QString& labelText,
                              const QRect& geometry, int labelWidth)
{
    auto* edit = new TLabeledEdit(parent);
    edit->setObjectName(name);
    edit->setLabelText(labelText);
    edit->label()->setFixedWidth(labelWidth);
    edit->setGeometry(geometry);
    return edit;
}

TSpeedButton* makeSpeedButton(QWidget* parent, const char* name, const QString& caption,
                              const QRect& geometry)
{
    auto* button = new TSpeedButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setGeometry(geometry);
    return button;
}

QPushButton* makePushButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

QWidget* addPage(QTabWidget* pages, const char* name, const QString& caption)
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    pages->addTab(page, caption);
    return page;
}

// A filled rectangle with a thin black outline.
QFrame* makeShape(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* shape = new QFrame(parent);
    shape->setObjectName(QLatin1String(name));
    shape->setFrameStyle(QFrame::Box | QFrame::Plain);
    shape->setLineWidth(1);
    setColours(shape, parent->palette().color(QPalette::Button), Qt::black);
    shape->setGeometry(geometry);
    return shape;
}

TMBarGraph* makeBarGraph(QWidget* parent, const char* name, TMBGMode mode)
{
    auto* bar = new TMBarGraph(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->setLineWidth(1);
    bar->setFixedSize(BarGraphWidth, BarGraphHeight);
    bar->setMBGMode(mode);
    bar->setMBGShowText(false);
    bar->setMBGMinusColorAt0(Qt::white);
    bar->setMBGMinusColorAt1(Qt::blue);
    bar->setMBGPlusColorAt0(Qt::white);
    bar->setMBGPlusColorAt1(Qt::red);
    bar->setMBGTextPosition(tpAuto);
    bar->setMBGDecimals(0);
    return bar;
}

// Puts a language-table text where the control shows its caption.
void setCaption(QTabWidget* pages, QWidget* control, const QString& text)
{
    if (const int page = pages->indexOf(control); page >= 0)
        pages->setTabText(page, text);
    else if (auto* edit = qobject_cast<TLabeledEdit*>(control))
        edit->setLabelText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
}

} // namespace

TForm_Main::TForm_Main(TForm_KVTipusValasztas* startForm, AppContext context, QWidget* parent)
    : QWidget(parent), m_startForm(startForm), m_context(std::move(context))
{
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(QStringLiteral("Form_Main"));
    QFont windowFont(QStringLiteral("Arial"));
    windowFont.setPointSize(FontPointSize);
    setFont(windowFont);
    resize(FormWidth, FormHeight);
    setMinimumSize(FormMinimumSize, FormMinimumSize);

    createHeader();
    createSettingsPage();
    createLimitsPage();
    createCalibrationPage();
    createLink();
    createSystemGroup();
    createFileAndDeviceGroups();

    // Above the page control, so it stays reachable while the pages are hidden.
    Button_Nyelv->raise();

    Timer_CommunicationTask = new QTimer(this);
    Timer_CommunicationTask->setObjectName(QStringLiteral("Timer_CommunicationTask"));
    Timer_CommunicationTask->setInterval(CommunicationTaskIntervalMs);

    m_taskHost = std::make_unique<MainWindowTaskHost>(*this);
    m_liveViewWriter = std::make_unique<LiveViewWriter>(*this);
    m_task = new CommunicationTask(*MB1, *m_taskHost, Timer_CommunicationTask, this);
    connectHandlers();

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    if (!m_context.programPath.isEmpty())
        m_config.emplace(m_context.programPath);
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

    connect(SpeedButton_KVKiolvasas, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_KVKiolvasasClick);
    connect(SpeedButton_BeallitasokAKVbe, &TSpeedButton::OnClick, this,
            &TForm_Main::SpeedButton_BeallitasokAKVbeClick);
    // The other group buttons interlock on their own click; what they
    // capture for their command is theirs to add. Reset and erase have no
    // handler: the task reads their down state.
    for (TSpeedButton* button : {SpeedButton_ADCal0Ohm, SpeedButton_ADCal490Ohm, SpeedButton_R3WOffszet,
                                 SpeedButton_PWMCal4mA, SpeedButton_PWMCal20mA, SpeedButton_PotiCal0,
                                 SpeedButton_PotiCal100, SpeedButton_2VezRKiejtes, SpeedButton_R2Wires0Ohm})
        connect(button, &TSpeedButton::OnClick, this, [this, button] { UpdateCommandButtons(button); });

    connect(RadioGroup_VezetekSzam, &TRadioGroup::OnClick, this, &TForm_Main::RadioGroup_VezetekSzamClick);
    connect(RadioGroup_Uzemmod, &TRadioGroup::OnClick, this, &TForm_Main::RadioGroup_UzemmodClick);
    connect(RadioGroup_Atlagolas, &TRadioGroup::OnClick, this, &TForm_Main::RadioGroup_AtlagolasClick);
    connect(RadioGroup_AnalogKimTipus, &TRadioGroup::OnClick, this,
            &TForm_Main::RadioGroup_AnalogKimTipusClick);
    connect(RadioGroup_AnalogKimHibajelzes, &TRadioGroup::OnClick, this,
            &TForm_Main::RadioGroup_AnalogKimHibajelzesClick);
    connect(CheckBox_NemHibaAKimenetTulcsordulas, &QCheckBox::toggled, this,
            &TForm_Main::CheckBox_NemHibaAKimenetTulcsordulasClick);
    connect(LabeledEdit_AramL, &TLabeledEdit::OnChange, this, &TForm_Main::LabeledEdit_AramLChange);
    connect(LabeledEdit_AramLLimit, &TLabeledEdit::OnChange, this, &TForm_Main::LabeledEdit_AramLChange);
    connect(LabeledEdit_AramH, &TLabeledEdit::OnChange, this, &TForm_Main::LabeledEdit_AramHChange);
    connect(LabeledEdit_AramHLimit, &TLabeledEdit::OnChange, this, &TForm_Main::LabeledEdit_AramHChange);
    connect(LabeledEdit_AramL, &TLabeledEdit::OnExit, this, &TForm_Main::LabeledEdit_AramLExit);
    connect(LabeledEdit_AramH, &TLabeledEdit::OnExit, this, &TForm_Main::LabeledEdit_AramHExit);
    connect(LabeledEdit_AramLLimit, &TLabeledEdit::OnExit, this, &TForm_Main::LabeledEdit_AramLLimitExit);
    connect(LabeledEdit_AramHLimit, &TLabeledEdit::OnExit, this, &TForm_Main::LabeledEdit_AramHLimitExit);
    connect(Button_GyariAlapertekek, &QPushButton::clicked, this, &TForm_Main::Button_GyariAlapertekekClick);
}

TForm_KVTipusValasztas* TForm_Main::startForm() const
{
    return m_startForm;
}

void TForm_Main::FormCreate()
{
    if (m_config) {
        m_config->load();
        MB1->setMBLastUsedPort(m_config->lastUsedPort());
        sUtolsoFileUtvonal = m_config->settingsFolder();
        if (m_startForm) {
            m_startForm->RadioGroup_KVValasztas->setItemIndex(m_config->modelIndex());
            m_startForm->RadioGroup_NyelvValasztas->setItemIndex(m_config->languageIndex());
        }
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
    if (m_config) {
        m_config->setLastUsedPort(MB1->MBLastUsedPort());
        m_config->setSettingsFolder(sUtolsoFileUtvonal);
        // The start window's language, not one chosen with the language button.
        if (m_startForm) {
            m_config->setModelIndex(m_startForm->RadioGroup_KVValasztas->ItemIndex());
            m_config->setLanguageIndex(m_startForm->RadioGroup_NyelvValasztas->ItemIndex());
        }
        // A configuration that cannot be written must not keep the program from ending.
        m_config->save();
    }
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

    // The live display puts these on from the next live block on.
    using Text = LanguageTable::Text;
    m_liveDisplay.setTexts({m_languageTable.text(Text::WirePrefix), m_languageTable.text(Text::DeviceError1),
                            m_languageTable.text(Text::DeviceError2),
                            m_languageTable.text(Text::DeviceError4),
                            m_languageTable.text(Text::DeviceError5)});
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

void TForm_Main::SpeedButton_KVKiolvasasClick()
{
    UpdateCommandButtons(SpeedButton_KVKiolvasas);
}

void TForm_Main::SpeedButton_BeallitasokAKVbeClick()
{
    {
        // Showing the page is no page change of the user's.
        const QSignalBlocker quiet(PageControl_Main);
        PageControl_Main->setCurrentWidget(TabSheet_Beallitasok);
    }
    UpdateCommandButtons(SpeedButton_BeallitasokAKVbe);
    if (!SpeedButton_BeallitasokAKVbe->Down())
        return;
    LabeledEdit_AramLExit();
    LabeledEdit_AramHExit();
    LabeledEdit_AramLLimitExit();
    LabeledEdit_AramHLimitExit();
    // Wires, mode and averaging are taken when the query goes out.
    m_task->setCapturedSettings(settingsedit::captureForWrite(
        RadioGroup_AnalogKimTipus->ItemIndex(), RadioGroup_AnalogKimHibajelzes->ItemIndex(),
        CheckBox_NemHibaAKimenetTulcsordulas->isChecked(), LabeledEdit_AramL->text(),
        LabeledEdit_AramH->text(), LabeledEdit_AramLLimit->text(), LabeledEdit_AramHLimit->text()));
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
}

void TForm_Main::RelabelOutputRanges()
{
    const LiveDisplay::OutputRangeItems items =
        LiveDisplay::outputRangeItemsFor(LiveDisplay::OutputKind(m_liveDisplay.outputKindShown()));
    RadioGroup_AnalogKimTipus->setItems(items.outputType);
    RadioGroup_AnalogKimHibajelzes->setItems(items.errorLevel);
}

void TForm_Main::markSettingsChanged()
{
    SpeedButton_BeallitasokAKVbe->setCaptionBold(true);
}

bool TForm_Main::settingsChangedMark() const
{
    return SpeedButton_BeallitasokAKVbe->captionBold();
}

void TForm_Main::RadioGroup_VezetekSzamClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_UzemmodClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_AtlagolasClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_AnalogKimTipusClick()
{
    markSettingsChanged();
}

void TForm_Main::RadioGroup_AnalogKimHibajelzesClick()
{
    markSettingsChanged();
}

void TForm_Main::CheckBox_NemHibaAKimenetTulcsordulasClick()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_AramLChange()
{
    markSettingsChanged();
}

void TForm_Main::LabeledEdit_AramHChange()
{
    markSettingsChanged();
}

void TForm_Main::normalise(TLabeledEdit* edit, settingsedit::NumericEdit numericEdit)
{
    edit->setText(settingsedit::normalised(numericEdit, edit->text(), m_liveDisplay.ValueFormat()));
}

void TForm_Main::LabeledEdit_AramLExit()
{
    normalise(LabeledEdit_AramL, settingsedit::neAramL);
}

void TForm_Main::LabeledEdit_AramHExit()
{
    normalise(LabeledEdit_AramH, settingsedit::neAramH);
}

void TForm_Main::LabeledEdit_AramLLimitExit()
{
    normalise(LabeledEdit_AramLLimit, settingsedit::neAramLLimit);
}

void TForm_Main::LabeledEdit_AramHLimitExit()
{
    normalise(LabeledEdit_AramHLimit, settingsedit::neAramHLimit);
}

void TForm_Main::Button_GyariAlapertekekClick()
{
    // By the output kind the transmitter last reported; current before any.
    const settingsedit::FactoryDefaults d =
        settingsedit::factoryDefaults(m_task->liveValues().bVoltageOutput);
    RadioGroup_VezetekSzam->setItemIndex(d.wiresIndex);
    RadioGroup_Uzemmod->setItemIndex(d.inputModeIndex);
    RadioGroup_Atlagolas->setItemIndex(d.averagingIndex);
    CheckBox_NemHibaAKimenetTulcsordulas->setChecked(d.noErrorOnOverflow);
    LabeledEdit_AramL->setText(d.AramL);
    LabeledEdit_AramH->setText(d.AramH);
    LabeledEdit_AramLLimit->setText(d.AramLLimit);
    LabeledEdit_AramHLimit->setText(d.AramHLimit);
    RadioGroup_AnalogKimTipus->setItemIndex(d.outputTypeIndex);
    RadioGroup_AnalogKimHibajelzes->setItemIndex(d.errorLevelIndex);
}

void TForm_Main::createHeader()
{
    Panel_KeszulekMegnevezes = makeLabel(this, "Panel_KeszulekMegnevezes", QStringLiteral("KVxxxx"),
                                         QRect(Margin, Margin, LeftColumnWidth - Margin, HeaderHeight));
    Panel_KeszulekMegnevezes->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel_KeszulekMegnevezes->setIndent(8);

    const int firmwareWidth = 180;
    Label_Firmware = makeLabel(
        Panel_KeszulekMegnevezes, "Label_Firmware", QStringLiteral("Firmware: ?"),
        QRect(Panel_KeszulekMegnevezes->width() - firmwareWidth - 8, 2, firmwareWidth, HeaderHeight - 4),
        Qt::AlignRight | Qt::AlignVCenter);

    const int pagesTop = Margin + HeaderHeight + Margin;
    PageControl_Main = new QTabWidget(this);
    PageControl_Main->setObjectName(QStringLiteral("PageControl_Main"));
    PageControl_Main->setGeometry(Margin, pagesTop, LeftColumnWidth - Margin, FormHeight - pagesTop - Margin);
    // Keeps the tabs clear of the language button that lies over this corner.
    auto* languageButtonPlace = new QWidget(PageControl_Main);
    languageButtonPlace->setFixedSize(LanguageButtonWidth + 2, LanguageButtonHeight);
    PageControl_Main->setCornerWidget(languageButtonPlace, Qt::TopRightCorner);
    PageControl_Main->setVisible(false);

    TabSheet_Beallitasok =
        addPage(PageControl_Main, "TabSheet_Beallitasok", QStringLiteral("General settings"));
    TabSheet_DO = addPage(PageControl_Main, "TabSheet_DO", QStringLiteral("Limit outputs settings"));
    TabSheet_Kalibralas = addPage(PageControl_Main, "TabSheet_Kalibralas", QStringLiteral("Kalibrálás"));
    PageControl_Main->setTabVisible(PageControl_Main->indexOf(TabSheet_Kalibralas), false);
    PageControl_Main->setCurrentIndex(0);

    Button_Nyelv = makePushButton(this, "Button_Nyelv", QStringLiteral("NYELV VÁLTÁS"),
                                  QRect(LeftColumnWidth - LanguageButtonWidth - 1, pagesTop,
                                        LanguageButtonWidth, LanguageButtonHeight));
}

void TForm_Main::createSettingsPage()
{
    QWidget* page = TabSheet_Beallitasok;

    GroupBox_KijelzoEsHibauzenet = makeGroup(page, "GroupBox_KijelzoEsHibauzenet",
                                             QStringLiteral("Measured value"), QRect(4, 2, 262, 68));
    Label_Kijelzo = makeDisplayLabel(GroupBox_KijelzoEsHibauzenet, "Label_Kijelzo", QRect(8, 18, 246, 44));
    GroupBox_Output = makeGroup(page, "GroupBox_Output", QStringLiteral("Output"), QRect(270, 2, 260, 68));
    Label_Output = makeDisplayLabel(GroupBox_Output, "Label_Output", QRect(8, 18, 244, 44));

    Label_KVSubType2 =
        makeLabel(page, "Label_KVSubType2", QStringLiteral("???"), QRect(4, 72, 526, 24), Qt::AlignCenter);
    Label_KVSubType2->setFont(pixelFont(Label_KVSubType2->font(), SubType2FontPixels));

    Label_Error = makeAlarmLabel(page, "Label_Error", QRect(4, 98, 526, 18));
    Label_Error->setVisible(false);

    GroupBox_Beallitasok =
        makeGroup(page, "GroupBox_Beallitasok", QStringLiteral("General settings"), QRect(4, 118, 526, 434));
    QGroupBox* settings = GroupBox_Beallitasok;

    RadioGroup_VezetekSzam = makeRadioGroup(
        settings, QStringLiteral("RadioGroup_VezetekSzam"), QStringLiteral("Wire"),
        {QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("2")}, 0, QRect(8, 20, 72, 80));
    RadioGroup_Uzemmod = makeRadioGroup(
        settings, QStringLiteral("RadioGroup_Uzemmod"), QStringLiteral("Input mode"),
        {QStringLiteral("T"), QStringLiteral("Pot. %"), QStringLiteral("R")}, 0, QRect(86, 20, 118, 80));
    RadioGroup_AnalogKimTipus = makeRadioGroup(
        settings, QStringLiteral("RadioGroup_AnalogKimTipus"), QStringLiteral("Analog output"),
        {QStringLiteral("4–20 mA / 2-10 V"), QStringLiteral("0–20 mA / 0-10 V")}, 0, QRect(210, 20, 150, 60));
    RadioGroup_AnalogKimHibajelzes = makeRadioGroup(
        settings, QStringLiteral("RadioGroup_AnalogKimHibajelzes"), QStringLiteral("Error current / voltage"),
        {QStringLiteral("3,2 mA / 1,6 V"), QStringLiteral("22 mA / 11 V")}, 0, QRect(366, 20, 152, 60));

    CheckBox_NemHibaAKimenetTulcsordulas =
        new QCheckBox(QStringLiteral("Output error are disabled."), settings);
    CheckBox_NemHibaAKimenetTulcsordulas->setObjectName(
        QStringLiteral("CheckBox_NemHibaAKimenetTulcsordulas"));
    CheckBox_NemHibaAKimenetTulcsordulas->setGeometry(366, 86, 152, 18);

    RadioGroup_Atlagolas =
        makeRadioGroup(settings, QStringLiteral("RadioGroup_Atlagolas"), QStringLiteral("Averaging"),
                       {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("8"),
                        QStringLiteral("16"), QStringLiteral("32"), QStringLiteral("64")},
                       4, QRect(8, 108, 352, 42), 7);

    GroupBox_AnalogKimenetSkalazasa =
        makeGroup(settings, "GroupBox_AnalogKimenetSkalazasa", QStringLiteral("Analog output scaling"),
                  QRect(8, 158, 252, 76));
    LabeledEdit_AramL = makeLabeledEdit(GroupBox_AnalogKimenetSkalazasa, QStringLiteral("LabeledEdit_AramL"),
                                        QStringLiteral("4 mA / 2 V ="), QRect(8, 20, 236, 22), 96);
    LabeledEdit_AramH = makeLabeledEdit(GroupBox_AnalogKimenetSkalazasa, QStringLiteral("LabeledEdit_AramH"),
                                        QStringLiteral("20 mA / 10 V ="), QRect(8, 46, 236, 22), 96);

    GroupBox_AnalogKimenetLimit = makeGroup(settings, "GroupBox_AnalogKimenetLimit",
                                            QStringLiteral("Output Limits"), QRect(266, 158, 252, 76));
    LabeledEdit_AramLLimit =
        makeLabeledEdit(GroupBox_AnalogKimenetLimit, QStringLiteral("LabeledEdit_AramLLimit"),
                        QStringLiteral("Low:"), QRect(8, 20, 236, 22), 96);
    LabeledEdit_AramHLimit =
        makeLabeledEdit(GroupBox_AnalogKimenetLimit, QStringLiteral("LabeledEdit_AramHLimit"),
                        QStringLiteral("High:"), QRect(8, 46, 236, 22), 96);

    GroupBox_PotenciometerUzemmod =
        makeGroup(settings, "GroupBox_PotenciometerUzemmod", QStringLiteral("Potentiometer mode settings"),
                  QRect(8, 242, 252, 150));
    GroupBox_PotenciometerUzemmod->setVisible(false);
    GroupBox_PotenciometerKalibralas =
        makeGroup(GroupBox_PotenciometerUzemmod, "GroupBox_PotenciometerKalibralas",
                  QStringLiteral("Potentiometer calibrating"), QRect(8, 20, 236, 84));
    makeLabel(GroupBox_PotenciometerKalibralas, "", QStringLiteral("0%"), QRect(8, 18, 106, 14),
              Qt::AlignCenter);
    makeLabel(GroupBox_PotenciometerKalibralas, "", QStringLiteral("100%"), QRect(122, 18, 106, 14),
              Qt::AlignCenter);
    SpeedButton_PotiCal0 = makeSpeedButton(GroupBox_PotenciometerKalibralas, "SpeedButton_PotiCal0",
                                           QStringLiteral("???"), QRect(8, 34, 106, 40));
    SpeedButton_PotiCal100 = makeSpeedButton(GroupBox_PotenciometerKalibralas, "SpeedButton_PotiCal100",
                                             QStringLiteral("???"), QRect(122, 34, 106, 40));
    Label_PotiModRMert = makeLabel(GroupBox_PotenciometerUzemmod, "Label_PotiModRMert",
                                   QStringLiteral("R = ??? ohm"), QRect(8, 112, 236, 24), Qt::AlignCenter);

    GroupBox_2Wire =
        makeGroup(settings, "GroupBox_2Wire", QStringLiteral("2 wire zeroing"), QRect(266, 242, 252, 150));
    GroupBox_2Wire->setVisible(false);
    SpeedButton_2VezRKiejtes = makeSpeedButton(GroupBox_2Wire, "SpeedButton_2VezRKiejtes",
                                               QStringLiteral("R = xxx,xx ohm"), QRect(8, 22, 236, 34));
    Label_2VezModRMert = makeLabel(GroupBox_2Wire, "Label_2VezModRMert", QStringLiteral("R = ??? ohm"),
                                   QRect(8, 62, 236, 24), Qt::AlignCenter);
    SpeedButton_R2Wires0Ohm = makeSpeedButton(GroupBox_2Wire, "SpeedButton_R2Wires0Ohm",
                                              QStringLiteral("2W = 0 ohm"), QRect(8, 94, 236, 34));
    // Measuring the lead resistance and zeroing it exclude each other.
    for (TSpeedButton* button : {SpeedButton_2VezRKiejtes, SpeedButton_R2Wires0Ohm}) {
        button->setGroupIndex(1);
        button->setAllowAllUp(true);
    }
}

void TForm_Main::createLimitsPage()
{
    createLimitGroup(1, &GroupBox_Limit1, &RadioGroup_Limit1Uzemmod, &LabeledEdit_Limit1Low,
                     &LabeledEdit_Limit1High, &LabeledEdit_Limit1Hysteresis, &RadioGroup_Limit1HoldMode);
    createLimitGroup(2, &GroupBox_Limit2, &RadioGroup_Limit2Uzemmod, &LabeledEdit_Limit2Low,
                     &LabeledEdit_Limit2High, &LabeledEdit_Limit2Hysteresis, &RadioGroup_Limit2HoldMode);
    createLimitGroup(3, &GroupBox_Limit3, &RadioGroup_Limit3Uzemmod, &LabeledEdit_Limit3Low,
                     &LabeledEdit_Limit3High, &LabeledEdit_Limit3Hysteresis, &RadioGroup_Limit3HoldMode);
    createLimitGroup(4, &GroupBox_Limit4, &RadioGroup_Limit4Uzemmod, &LabeledEdit_Limit4Low,
                     &LabeledEdit_Limit4High, &LabeledEdit_Limit4Hysteresis, &RadioGroup_Limit4HoldMode);

    GroupBox_DOForce = makeGroup(TabSheet_DO, "GroupBox_DOForce", QStringLiteral("Test digital outputs"),
                                 QRect(4, 462, 326, 80));
    QFrame** shapes[] = {&Shape_DO1, &Shape_DO2, &Shape_DO3, &Shape_DO4};
    TSpeedButton** buttons[] = {&SpeedButton_DO1, &SpeedButton_DO2, &SpeedButton_DO3, &SpeedButton_DO4};
    for (int i = 0; i < 4; ++i) {
        const int left = 8 + i * 52;
        const QByteArray shapeName = "Shape_DO" + QByteArray::number(i + 1);
        const QByteArray buttonName = "SpeedButton_DO" + QByteArray::number(i + 1);
        *shapes[i] = makeShape(GroupBox_DOForce, shapeName.constData(), QRect(left + 12, 22, 24, 12));
        *buttons[i] = makeSpeedButton(GroupBox_DOForce, buttonName.constData(),
                                      QStringLiteral("DO %1").arg(i + 1), QRect(left, 40, 48, 28));
    }
    SpeedButton_DOForce = makeSpeedButton(GroupBox_DOForce, "SpeedButton_DOForce",
                                          QStringLiteral("Test mode"), QRect(216, 40, 102, 28));

    SpeedButton_HoldMegszuntetes =
        makeSpeedButton(TabSheet_DO, "SpeedButton_HoldMegszuntetes", QStringLiteral("Clear off hold on"),
                        QRect(336, 496, 194, 34));
}

void TForm_Main::createLimitGroup(int number, QGroupBox** group, TRadioGroup** mode, TLabeledEdit** low,
                                  TLabeledEdit** high, TLabeledEdit** hysteresis, TRadioGroup** holdMode)
{
    constexpr int GroupWidth = 261;
    constexpr int GroupHeight = 226;
    constexpr int LabelWidth = 84;
    const int left = number % 2 == 1 ? 4 : 4 + GroupWidth + 4;
    const int top = number <= 2 ? 4 : 4 + GroupHeight + 4;
    const QString digit = QString::number(number);

    const QByteArray groupName = "GroupBox_Limit" + digit.toLatin1();
    *group =
        makeGroup(TabSheet_DO, groupName.constData(), QStringLiteral("Settings limit output %1.").arg(number),
                  QRect(left, top, GroupWidth, GroupHeight));

    QStringList modeItems;
    for (int i = 1; i <= 8; ++i)
        modeItems << QStringLiteral("%1.").arg(i);
    *mode = makeRadioGroup(*group, QStringLiteral("RadioGroup_Limit%1Uzemmod").arg(number),
                           QStringLiteral("Mode"), modeItems, -1, QRect(6, 20, 86, 198));

    // Wide enough for ten typed characters beside the longest label.
    const int editLeft = 96;
    const int editWidth = GroupWidth - editLeft - 4;
    *low = makeLabeledEdit(*group, QStringLiteral("LabeledEdit_Limit%1Low").arg(number),
                           QStringLiteral("Low Limit:"), QRect(editLeft, 26, editWidth, 22), LabelWidth);
    *high = makeLabeledEdit(*group, QStringLiteral("LabeledEdit_Limit%1High").arg(number),
                            QStringLiteral("High Limit:"), QRect(editLeft, 54, editWidth, 22), LabelWidth);
    *hysteresis =
        makeLabeledEdit(*group, QStringLiteral("LabeledEdit_Limit%1Hysteresis").arg(number),
                        QStringLiteral("Hysteresis:"), QRect(editLeft, 82, editWidth, 22), LabelWidth);

    *holdMode = makeRadioGroup(*group, QStringLiteral("RadioGroup_Limit%1HoldMode").arg(number),
                               QStringLiteral("Hold on mode"), {QStringLiteral("1."), QStringLiteral("2.")},
                               -1, QRect(editLeft, 116, editWidth, 60));
}

void TForm_Main::createCalibrationPage()
{
    Label_KVSubType = makeLabel(TabSheet_Kalibralas, "Label_KVSubType", QStringLiteral("???"),
                                QRect(4, 4, 526, 46), Qt::AlignCenter);
    Label_KVSubType->setFont(pixelFont(Label_KVSubType->font(), SubTypeFontPixels));

    PageControl_KalibralasTipus = new QTabWidget(TabSheet_Kalibralas);
    PageControl_KalibralasTipus->setObjectName(QStringLiteral("PageControl_KalibralasTipus"));
    PageControl_KalibralasTipus->setGeometry(4, 54, 526, 498);

    TabSheet_ADKalibralas =
        addPage(PageControl_KalibralasTipus, "TabSheet_ADKalibralas", QStringLiteral("AD kalibrálás"));
    TabSheet_3VezKalibralas = addPage(PageControl_KalibralasTipus, "TabSheet_3VezKalibralas",
                                      QStringLiteral("3 vezetékes mérés kalibrálás"));
    TabSheet_AnalogKimenetKalibralas =
        addPage(PageControl_KalibralasTipus, "TabSheet_AnalogKimenetKalibralas",
                QStringLiteral("Analóg kimenet kalibrálás és teszt"));
    TabSheet_Parancsok =
        addPage(PageControl_KalibralasTipus, "TabSheet_Parancsok", QStringLiteral("Parancsok"));

    createAdCalibrationSheet();
    createThreeWireSheet();
    createAnalogOutputSheet();
    createCommandsSheet();
    PageControl_KalibralasTipus->setCurrentWidget(TabSheet_Parancsok);
}

void TForm_Main::createAdCalibrationSheet()
{
    QWidget* page = TabSheet_ADKalibralas;
    Label_ADAveragedBig = makeLabel(page, "Label_ADAveragedBig", QStringLiteral("AD = 0 000 000"),
                                    QRect(8, 8, 500, 48), Qt::AlignCenter);
    Label_ADAveragedBig->setFont(pixelFont(Label_ADAveragedBig->font(), CalibrationValueFontPixels));

    GroupBox8 =
        makeGroup(page, "GroupBox8", QStringLiteral("Kalibrálás 0 ohm ellenállásra"), QRect(8, 68, 500, 84));
    SpeedButton_ADCal0Ohm =
        makeSpeedButton(GroupBox8, "SpeedButton_ADCal0Ohm", QString(), QRect(12, 24, 476, 46));
    SpeedButton_ADCal0Ohm->setToolTip(QStringLiteral("0 ohm-hoz tartozó AD érték tárolása"));

    GroupBoxCal490 = makeGroup(page, "GroupBoxCal490", QStringLiteral("Kalibrálás 490 ohm ellenállásra"),
                               QRect(8, 164, 500, 84));
    SpeedButton_ADCal490Ohm =
        makeSpeedButton(GroupBoxCal490, "SpeedButton_ADCal490Ohm", QString(), QRect(12, 24, 476, 46));
    SpeedButton_ADCal490Ohm->setToolTip(QStringLiteral("490 ohm-hoz tartozó AD érték tárolása"));

    for (TSpeedButton* button : {SpeedButton_ADCal0Ohm, SpeedButton_ADCal490Ohm}) {
        button->setFont(pointFont(button->font(), 12));
        button->setCaptionBold(true);
    }
}

void TForm_Main::createThreeWireSheet()
{
    QWidget* page = TabSheet_3VezKalibralas;
    Label_3VezKalibralashozRMert =
        makeLabel(page, "Label_3VezKalibralashozRMert", QStringLiteral("R = ? ohm"), QRect(8, 8, 500, 48),
                  Qt::AlignCenter);
    Label_3VezKalibralashozRMert->setFont(
        pixelFont(Label_3VezKalibralashozRMert->font(), CalibrationValueFontPixels));

    GroupBox_Cal249 = makeGroup(page, "GroupBox_Cal249", QStringLiteral("Kalibrálás 249 ohm ellenállásra"),
                                QRect(8, 68, 500, 84));
    SpeedButton_R3WOffszet =
        makeSpeedButton(GroupBox_Cal249, "SpeedButton_R3WOffszet", QString(), QRect(12, 24, 476, 46));
    SpeedButton_R3WOffszet->setToolTip(QStringLiteral("Rmért - 249 ohm tárolása"));
    SpeedButton_R3WOffszet->setFont(pointFont(SpeedButton_R3WOffszet->font(), 10));
    SpeedButton_R3WOffszet->setCaptionBold(true);
}

void TForm_Main::createAnalogOutputSheet()
{
    QWidget* page = TabSheet_AnalogKimenetKalibralas;
    Label_PWMNagy = makeLabel(page, "Label_PWMNagy", QStringLiteral("PWM = 00 000"), QRect(8, 4, 330, 44),
                              Qt::AlignCenter);
    Label_PWMNagy->setFont(pixelFont(Label_PWMNagy->font(), CalibrationValueFontPixels));
    Label_PWMToInstrumentCaption = makeLabel(page, "Label_PWMToInstrumentCaption", QStringLiteral("PWM ="),
                                             QRect(350, 18, 44, 16), Qt::AlignRight | Qt::AlignVCenter);
    Label_PWMToInstrument =
        makeLabel(page, "Label_PWMToInstrument", QStringLiteral("00 000"), QRect(398, 18, 60, 16));

    GroupBox_PWMErtekValtoztatas = makeGroup(
        page, "GroupBox_PWMErtekValtoztatas",
        QStringLiteral("A vezérlésre kapcsolt analóg kiment PWM érték változtatása"), QRect(8, 52, 500, 98));
    QWidget* steps = GroupBox_PWMErtekValtoztatas;
    struct Step
    {
        QPushButton** button;
        const char* name;
        const char* caption;
    };
    const Step stepButtons[] = {
        {&Button_IM10000, "Button_IM10000", "-10 000"},
        {&Button_IM1000, "Button_IM1000", "-1000"},
        {&Button_IM100, "Button_IM100", "-100"},
        {&Button_IM10, "Button_IM10", "-10"},
        {&Button_IM1, "Button_IM1", "-1"},
        {&Button_IP1, "Button_IP1", "+1"},
        {&Button_IP10, "Button_IP10", "+10"},
        {&Button_IP100, "Button_IP100", "+100"},
        {&Button_IP1000, "Button_IP1000", "+1000"},
        {&Button_IP10000, "Button_IP10000", "+10 000"},
    };
    int left = 8;
    for (const Step& step : stepButtons) {
        *step.button =
            makePushButton(steps, step.name, QString::fromLatin1(step.caption), QRect(left, 22, 46, 24));
        left += 48;
    }
    Button_PWM0Percent =
        makePushButton(steps, "Button_PWM0Percent", QStringLiteral("0%"), QRect(8, 60, 46, 24));
    TrackBar_PWM = new QSlider(Qt::Horizontal, steps);
    TrackBar_PWM->setObjectName(QStringLiteral("TrackBar_PWM"));
    TrackBar_PWM->setRange(0, TrackBarMaximum);
    TrackBar_PWM->setPageStep(TrackBarPageSize);
    TrackBar_PWM->setTickPosition(QSlider::TicksBelow);
    TrackBar_PWM->setTickInterval(5);
    TrackBar_PWM->setGeometry(60, 56, 380, 32);
    Button_PWM100Percent =
        makePushButton(steps, "Button_PWM100Percent", QStringLiteral("100%"), QRect(446, 60, 46, 24));

    GroupBox_Kalibralas4mA =
        makeGroup(page, "GroupBox_Kalibralas4mA", QStringLiteral("Kalibrálás PWM 4 mA / 2 V értékre"),
                  QRect(8, 158, 246, 72));
    SpeedButton_PWMCal4mA =
        makeSpeedButton(GroupBox_Kalibralas4mA, "SpeedButton_PWMCal4mA", QString(), QRect(10, 22, 226, 38));
    SpeedButton_PWMCal4mA->setToolTip(QStringLiteral("4 mA-hez tartozó PWM érték tárolása"));
    GroupBox_Kalibralas20mA =
        makeGroup(page, "GroupBox_Kalibralas20mA", QStringLiteral("Kalibrálás PWM 20 mA / 10 V értékre"),
                  QRect(262, 158, 246, 72));
    SpeedButton_PWMCal20mA =
        makeSpeedButton(GroupBox_Kalibralas20mA, "SpeedButton_PWMCal20mA", QString(), QRect(10, 22, 226, 38));
    SpeedButton_PWMCal20mA->setToolTip(QStringLiteral("20 mA-hez tartozó PWM érték tárolása"));

    GroupBox_AnalogKimenetTeszt =
        makeGroup(page, "GroupBox_AnalogKimenetTeszt",
                  QStringLiteral("A vezérlésre kapcsolt és már kalibrált analóg kimenet teszt"),
                  QRect(8, 238, 500, 90));
    QWidget* test = GroupBox_AnalogKimenetTeszt;
    SpeedButton_TesztKi = makeSpeedButton(test, "SpeedButton_TesztKi", QStringLiteral("Teszt kikapcsolva"),
                                          QRect(10, 24, 116, 30));
    SpeedButton_TesztKi->setToolTip(QStringLiteral("A megadott PWM értéket adja ki"));
    struct Current
    {
        TSpeedButton** button;
        const char* name;
        const char* caption;
        const char* voltage;
    };
    const Current currents[] = {
        {&SpeedButton_mA0, "SpeedButton_mA0", "0 mA", "= 0 V"},
        {&SpeedButton_mA4, "SpeedButton_mA4", "4 mA", "= 2 V"},
        {&SpeedButton_mA10, "SpeedButton_mA10", "10 mA", "= 5 V"},
        {&SpeedButton_mA12, "SpeedButton_mA12", "12 mA", "= 6 V"},
        {&SpeedButton_mA20, "SpeedButton_mA20", "20 mA", "= 10 V"},
    };
    left = 136;
    for (const Current& current : currents) {
        *current.button = makeSpeedButton(test, current.name, QString::fromLatin1(current.caption),
                                          QRect(left, 24, 66, 30));
        makeLabel(test, "", QString::fromLatin1(current.voltage), QRect(left, 58, 66, 16), Qt::AlignCenter);
        left += 72;
    }
    // The output test: exactly one of the six is down, "off" to begin with.
    for (TSpeedButton* button : {SpeedButton_TesztKi, SpeedButton_mA0, SpeedButton_mA4, SpeedButton_mA10,
                                 SpeedButton_mA12, SpeedButton_mA20}) {
        button->setGroupIndex(2);
        button->setAllowAllUp(false);
    }
    SpeedButton_TesztKi->setDownState(true);
}

void TForm_Main::createCommandsSheet()
{
    SpeedButton_ParancsReset = makeSpeedButton(TabSheet_Parancsok, "SpeedButton_ParancsReset",
                                               QStringLiteral("Készülék újraindítás"), QRect(8, 12, 200, 40));
    SpeedButton_ParancsEEPROMTorles = makeSpeedButton(
        TabSheet_Parancsok, "SpeedButton_ParancsEEPROMTorles",
        QStringLiteral("EEPROM törlés, készülék újraindítás, így minden kalibrálás és beállítás kitörlődik."),
        QRect(8, 64, 500, 40));
}

void TForm_Main::createLink()
{
    MB1 = new TMB(this);
    MB1->setObjectName(QStringLiteral("MB1"));
    MB1->setPort(QStringLiteral("COM1"));
    MB1->setWinQSizeIn(8192);
    MB1->setWinQSizeOut(8192);
    MB1->setMBBaud(baud019200);
    MB1->setMBSlaveName(QStringLiteral("MB Slave"));
    MB1->setMBDataNumberToSend(0);
    MB1->setMBRefreshListOnStartup(false);
    MB1->setMBBaudEditVisible(false);

    MB1Panel = new TMBPanel(MB1, this);
    MB1Panel->setObjectName(QStringLiteral("MB1Panel"));
    MB1Panel->move(LinkPanelLeft, LinkPanelTop);

    const int errorTop = LinkPanelTop + TMBPanel::PanelHeight + 5;
    Label_CommError =
        makeAlarmLabel(this, "Label_CommError", QRect(RightColumnLeft, errorTop, RightColumnWidth, 20));
    Label_CommError->setVisible(false);
}

void TForm_Main::createSystemGroup()
{
    GroupBox_System = makeGroup(this, "GroupBox_System", QStringLiteral("System info"),
                                QRect(RightColumnLeft, 182, RightColumnWidth, 256));
    GroupBox_System->setVisible(false);

    auto* column = new QVBoxLayout(GroupBox_System);
    column->setContentsMargins(4, 2, 4, 4);
    column->setSpacing(3);

    MBarGraph_ADRaw = makeBarGraph(GroupBox_System, "MBarGraph_ADRaw", modeSigned);
    column->addWidget(MBarGraph_ADRaw, 0, Qt::AlignHCenter);

    // Two columns of caption/value pairs; the write counters stand beside
    // the read counters of the same block.
    struct Pair
    {
        const char* caption;
        QLabel** value;
        const char* name;
        const char* initial;
    };
    const Pair left[] = {
        {"AD RAW =", &Label_ADRaw, "Label_ADRaw", "0 000 000"},
        {"AD ave. =", &Label_ADAveraged, "Label_ADAveraged", "0 000 000"},
        {"AD ave. 2 =", &Label_ADAveraged2, "Label_ADAveraged2", "0 000 000"},
        {"SpS =", &Label_ADSpS, "Label_ADSpS", "00"},
        {" W =", &Label_uWires, "Label_uWires", "0"},
        {"Mode =", &Label16_uMode, "Label16_uMode", "???"},
        {"Out =", &Label_bVoltageOutput, "Label_bVoltageOutput", "?"},
        {"Cal.M =", &Label_enuCalMode, "Label_enuCalMode", "0"},
        {"Pt =", &Label_PtType, "Label_PtType", "???"},
        {"Error =", &Label_uErrorNumber, "Label_uErrorNumber", "0"},
        {"DR1 =", &Label_uCRCOKbits1, "Label_uCRCOKbits1", "0"},
        {"DR2 =", &Label_uCRCOKbits2, "Label_uCRCOKbits2", "0"},
    };
    const Pair right[] = {
        {"AD Restart =", &Label_uADCRestartNumber, "Label_uADCRestartNumber", "0"},
        {"Com =", &Label_iTP, "Label_iTP", "00"},
        {"PWMpS = ", &Label_uPWMITPerSec, "Label_uPWMITPerSec", "000"},
        {"sAfterReset = ", &Label_uCounterSecAfterReset, "Label_uCounterSecAfterReset", "000"},
        {"R =", &Label_fCalculatedRWithoutCompensation, "Label_fCalculatedRWithoutCompensation", "000"},
        {"RC =", &Label_fCalculatedR, "Label_fCalculatedR", "000"},
        {"In =", &Label_fInput, "Label_fInput", "000"},
        {"InCount =", &Label_uCountOfNewInputValue, "Label_uCountOfNewInputValue", "000"},
        {"PWM =", &Label_PWM, "Label_PWM", "00 000"},
        {nullptr, nullptr, nullptr, nullptr},
        {"DW1 =", &Label_uAfterWriteOKbits1, "Label_uAfterWriteOKbits1", "0"},
        {"DW2 =", &Label_uAfterWriteOKbits2, "Label_uAfterWriteOKbits2", "0"},
    };
    auto* values = new QGridLayout;
    values->setHorizontalSpacing(3);
    values->setVerticalSpacing(0);
    auto place = [&](const Pair& pair, int row, int column) {
        if (!pair.caption)
            return;
        values->addWidget(new QLabel(QString::fromLatin1(pair.caption), GroupBox_System), row, column,
                          Qt::AlignRight | Qt::AlignVCenter);
        *pair.value = makeLabel(GroupBox_System, pair.name, QString::fromLatin1(pair.initial), QRect());
        values->addWidget(*pair.value, row, column + 1);
    };
    for (int row = 0; row < 12; ++row) {
        place(left[row], row, 0);
        place(right[row], row, 2);
    }
    values->setColumnStretch(1, 1);
    values->setColumnStretch(3, 1);
    column->addLayout(values);

    // Status flags: white on the button face until their flag is set.
    struct Flag
    {
        QLabel** label;
        const char* name;
        const char* caption;
    };
    const Flag flags[] = {
        {&Label_ADUnderFlow, "Label_ADUnderFlow", " Un.F "},
        {&Label_ADOverFlow, "Label_ADOverFlow", " Ov.F "},
        {&Label_ADNoDRDY, "Label_ADNoDRDY", "No.DY"},
        {&Label_ADNoChange, "Label_ADNoChange", "No.Chg."},
        {&Label_RestartADC, "Label_RestartADC", " Restart ADC "},
        {&Label_bUncalInput, "Label_bUncalInput", "Uncal Inp."},
        {&Label_bUncal3WOffset, "Label_bUncal3WOffset", "Uncal 3W"},
        {&Label_bUncalOutput, "Label_bUncalOutput", "Uncal Out."},
        {&Label_bOpenError, "Label_bOpenError", "Open Err."},
        {&Label_bRAM1BadWrite, "Label_bRAM1BadWrite", "EEPROM WEr."},
        {&Label_bPWMITNotOK, "Label_bPWMITNotOK", "PWM Err"},
    };
    constexpr int FlagsPerRow[] = {5, 4, 2};
    const QColor buttonFace = palette().color(QPalette::Button);
    int next = 0;
    for (int count : FlagsPerRow) {
        auto* row = new QHBoxLayout;
        row->setSpacing(3);
        for (int i = 0; i < count; ++i, ++next) {
            const Flag& flag = flags[next];
            *flag.label = makeLabel(GroupBox_System, flag.name, QString::fromLatin1(flag.caption), QRect(),
                                    Qt::AlignCenter);
            setColours(*flag.label, buttonFace, Qt::white);
            row->addWidget(*flag.label);
        }
        row->addStretch(1);
        column->addLayout(row);
    }

    column->addStretch(1);
    MBarGraph_PWM = makeBarGraph(GroupBox_System, "MBarGraph_PWM", modeUnsigned);
    column->addWidget(MBarGraph_PWM, 0, Qt::AlignHCenter);
}

void TForm_Main::createFileAndDeviceGroups()
{
    constexpr int ButtonWidth = RightColumnWidth - 16;
    constexpr int ButtonHeight = 24;

    const int deviceTop = FormHeight - Margin - 106;
    const int fileTop = deviceTop - 4 - 78;

    GroupBox_FajlMuveletek = makeGroup(this, "GroupBox_FajlMuveletek", QStringLiteral("File operations"),
                                       QRect(RightColumnLeft, fileTop, RightColumnWidth, 78));
    Button_FileMegnyitas =
        makePushButton(GroupBox_FajlMuveletek, "Button_FileMegnyitas", QStringLiteral("Open settings file"),
                       QRect(8, 20, ButtonWidth, ButtonHeight));
    Button_FileMentes =
        makePushButton(GroupBox_FajlMuveletek, "Button_FileMentes", QStringLiteral("Save settings to file"),
                       QRect(8, 48, ButtonWidth, ButtonHeight));

    GroupBox_KeszulekOlvasasIras =
        makeGroup(this, "GroupBox_KeszulekOlvasasIras", QStringLiteral("Read, write device settings"),
                  QRect(RightColumnLeft, deviceTop, RightColumnWidth, 106));
    GroupBox_KeszulekOlvasasIras->setVisible(false);
    Button_GyariAlapertekek =
        makePushButton(GroupBox_KeszulekOlvasasIras, "Button_GyariAlapertekek",
                       QStringLiteral("Factory defaults"), QRect(8, 20, ButtonWidth, ButtonHeight));
    SpeedButton_KVKiolvasas = makeSpeedButton(GroupBox_KeszulekOlvasasIras, "SpeedButton_KVKiolvasas",
                                              QStringLiteral("Read settings from instrument"),
                                              QRect(8, 48, ButtonWidth, ButtonHeight));
    SpeedButton_BeallitasokAKVbe = makeSpeedButton(
        GroupBox_KeszulekOlvasasIras, "SpeedButton_BeallitasokAKVbe",
        QStringLiteral("Write settings to instrument"), QRect(8, 76, ButtonWidth, ButtonHeight));
}
