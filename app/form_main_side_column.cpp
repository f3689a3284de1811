#include "app/form_main.h"

#include "app/form_main_controls.h"
#include "link/port_reconnector.h"
#include "link/tmb.h"
#include "link/tmb_panel.h"
#include "widgets/live_label.h"
#include "widgets/speed_button.h"
#include "widgets/tmbar_graph.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

// The header (device-name panel, page control, language button) and the
// right column: link panel, communication error, System info, file and
// device groups.

using namespace formcontrols;

void TForm_Main::createHeader()
{
    Panel_KeszulekMegnevezes = makeLabel(m_clientArea, "Panel_KeszulekMegnevezes", QStringLiteral("KVxxxx"),
                                         QRect(Margin, Margin, LeftColumnWidth - Margin, HeaderHeight));
    Panel_KeszulekMegnevezes->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel_KeszulekMegnevezes->setIndent(8);

    const int firmwareWidth = 180;
    Label_Firmware = makeLabel(
        Panel_KeszulekMegnevezes, "Label_Firmware", QStringLiteral("Firmware: ?"),
        QRect(Panel_KeszulekMegnevezes->width() - firmwareWidth - 8, 2, firmwareWidth, HeaderHeight - 4),
        Qt::AlignRight | Qt::AlignVCenter);

    const int pagesTop = Margin + HeaderHeight + Margin;
    PageControl_Main = new QTabWidget(m_clientArea);
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

    Button_Nyelv = makePushButton(m_clientArea, "Button_Nyelv", QStringLiteral("NYELV VÁLTÁS"),
                                  QRect(LeftColumnWidth - LanguageButtonWidth - 1, pagesTop,
                                        LanguageButtonWidth, LanguageButtonHeight));
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
    // The configuration file may switch it off again.
    MB1->reconnector().setEnabled(true);

    MB1Panel = new TMBPanel(MB1, m_clientArea);
    MB1Panel->setObjectName(QStringLiteral("MB1Panel"));
    MB1Panel->move(LinkPanelLeft, LinkPanelTop);

    const int errorTop = LinkPanelTop + TMBPanel::PanelHeight + 5;
    Label_CommError = makeAlarmLabel(m_clientArea, "Label_CommError",
                                     QRect(RightColumnLeft, errorTop, RightColumnWidth, 20));
    Label_CommError->setVisible(false);
}

void TForm_Main::createSystemGroup()
{
    GroupBox_System = makeGroup(m_clientArea, "GroupBox_System", QStringLiteral("System info"),
                                QRect(RightColumnLeft, 182, RightColumnWidth, 256));
    GroupBox_System->setVisible(false);

    auto* column = new QVBoxLayout(GroupBox_System);
    column->setContentsMargins(4, 2, 4, 4);
    column->setSpacing(3);

    MBarGraph_ADRaw = makeBarGraph(GroupBox_System, "MBarGraph_ADRaw", modeSigned);
    column->addWidget(MBarGraph_ADRaw, 0, Qt::AlignHCenter);

    // Two columns of caption/value pairs: the wide values (converter counts,
    // resistances, PWM) on the left, the counters with their long captions on
    // the right, so both fit the group; the write flags stand beside the read
    // flags of the same block. Each value label is as wide as the widest text
    // its field can give ('|' between alternatives, a digit standing for any
    // digit), so a new value never re-lays out the group.
    struct Pair
    {
        const char* caption;
        QLabel** value;
        const char* name;
        const char* initial;
        const char* widest;
    };
    constexpr const char* Counts = "-0 000 000";
    // A resistance or measured value: Pt100 patterns keep two decimals,
    // Pt1000 one; full-scale converter counts give some -5700 ohm.
    constexpr const char* Measured = "-000.00|-0000.0";
    // A one-byte number in decimal, and in hexadecimal.
    constexpr const char* Byte = "000";
    constexpr const char* HexByte = "00|AA|BB|CC|DD|EE|FF";
    const Pair left[] = {
        {"AD RAW =", &Label_ADRaw, "Label_ADRaw", "0 000 000", Counts},
        {"AD ave. =", &Label_ADAveraged, "Label_ADAveraged", "0 000 000", Counts},
        {"AD ave. 2 =", &Label_ADAveraged2, "Label_ADAveraged2", "0 000 000", Counts},
        {"R =", &Label_fCalculatedRWithoutCompensation, "Label_fCalculatedRWithoutCompensation", "000",
         Measured},
        {"RC =", &Label_fCalculatedR, "Label_fCalculatedR", "000", Measured},
        {"In =", &Label_fInput, "Label_fInput", "000", Measured},
        {"PWM =", &Label_PWM, "Label_PWM", "00 000", "00 000"},
        {"Mode =", &Label16_uMode, "Label16_uMode", "???", "Temp|Pot %|Res|???"},
        {"Pt =", &Label_PtType, "Label_PtType", "???", "1000|???"},
        {"Out =", &Label_bVoltageOutput, "Label_bVoltageOutput", "?", "V|C|?"},
        {"DR1 =", &Label_uCRCOKbits1, "Label_uCRCOKbits1", "0", HexByte},
        {"DR2 =", &Label_uCRCOKbits2, "Label_uCRCOKbits2", "0", HexByte},
    };
    const Pair right[] = {
        {"AD Restart =", &Label_uADCRestartNumber, "Label_uADCRestartNumber", "0", Byte},
        // The task's state number, 0 to 141.
        {"Com =", &Label_iTP, "Label_iTP", "00", Byte},
        {"PWMpS = ", &Label_uPWMITPerSec, "Label_uPWMITPerSec", "000", Byte},
        {"sAfterReset = ", &Label_uCounterSecAfterReset, "Label_uCounterSecAfterReset", "000", Byte},
        {"InCount =", &Label_uCountOfNewInputValue, "Label_uCountOfNewInputValue", "000", Byte},
        {"SpS =", &Label_ADSpS, "Label_ADSpS", "00", Byte},
        {" W =", &Label_uWires, "Label_uWires", "0", Byte},
        {"Cal.M =", &Label_enuCalMode, "Label_enuCalMode", "0", Byte},
        {"Error =", &Label_uErrorNumber, "Label_uErrorNumber", "0", Byte},
        {nullptr, nullptr, nullptr, nullptr, nullptr},
        {"DW1 =", &Label_uAfterWriteOKbits1, "Label_uAfterWriteOKbits1", "0", HexByte},
        {"DW2 =", &Label_uAfterWriteOKbits2, "Label_uAfterWriteOKbits2", "0", HexByte},
    };
    auto* values = new QGridLayout;
    values->setHorizontalSpacing(3);
    values->setVerticalSpacing(0);
    auto place = [&](const Pair& pair, int row, int column) {
        if (!pair.caption)
            return;
        values->addWidget(new QLabel(QString::fromLatin1(pair.caption), GroupBox_System), row, column,
                          Qt::AlignRight | Qt::AlignVCenter);
        TLiveLabel* value =
            makeLiveLabel(GroupBox_System, pair.name, QString::fromLatin1(pair.initial), QRect());
        // The mode's words may have kerned pairs ("Temp"); the rest are numbers.
        if (pair.value != &Label16_uMode)
            value->skipShaping();
        value->fitTexts(QString::fromLatin1(pair.widest).split(u'|'));
        *pair.value = value;
        values->addWidget(value, row, column + 1);
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

    GroupBox_FajlMuveletek =
        makeGroup(m_clientArea, "GroupBox_FajlMuveletek", QStringLiteral("File operations"),
                  QRect(RightColumnLeft, fileTop, RightColumnWidth, 78));
    Button_FileMegnyitas =
        makePushButton(GroupBox_FajlMuveletek, "Button_FileMegnyitas", QStringLiteral("Open settings file"),
                       QRect(8, 20, ButtonWidth, ButtonHeight));
    Button_FileMentes =
        makePushButton(GroupBox_FajlMuveletek, "Button_FileMentes", QStringLiteral("Save settings to file"),
                       QRect(8, 48, ButtonWidth, ButtonHeight));

    GroupBox_KeszulekOlvasasIras =
        makeGroup(m_clientArea, "GroupBox_KeszulekOlvasasIras", QStringLiteral("Read, write device settings"),
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
