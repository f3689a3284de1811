#include "app/form_main.h"

#include "app/form_main_controls.h"
#include "device/calibration_journal.h"
#include "device/calibration_rules.h"
#include "device/communication_task.h"
#include "link/tmb.h"
#include "widgets/live_label.h"
#include "widgets/speed_button.h"

#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

// The calibration page: converter points, three-wire offset and the service
// commands (the analog output tab has a file of its own), the press shared
// by every calibration and store button, and the calibration journal.

using namespace formcontrols;

void TForm_Main::createCalibrationPage()
{
    Label_KVSubType = makeLiveLabel(TabSheet_Kalibralas, "Label_KVSubType", QStringLiteral("???"),
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
    Label_ADAveragedBig = makeLiveLabel(page, "Label_ADAveragedBig", QStringLiteral("AD = 0 000 000"),
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
        makeLiveLabel(page, "Label_3VezKalibralashozRMert", QStringLiteral("R = ? ohm"), QRect(8, 8, 500, 48),
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

void TForm_Main::createCommandsSheet()
{
    SpeedButton_ParancsReset = makeSpeedButton(TabSheet_Parancsok, "SpeedButton_ParancsReset",
                                               QStringLiteral("Készülék újraindítás"), QRect(8, 12, 200, 40));
    SpeedButton_ParancsEEPROMTorles = makeSpeedButton(
        TabSheet_Parancsok, "SpeedButton_ParancsEEPROMTorles",
        QStringLiteral("EEPROM törlés, készülék újraindítás, így minden kalibrálás és beállítás kitörlődik."),
        QRect(8, 64, 500, 40));
}

void TForm_Main::connectCalibrationPageHandlers()
{
    connect(SpeedButton_ADCal0Ohm, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_ADCal0OhmClick);
    connect(SpeedButton_ADCal490Ohm, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_ADCal490OhmClick);
    connect(SpeedButton_R3WOffszet, &TSpeedButton::OnClick, this, &TForm_Main::SpeedButton_R3WOffszetClick);
    // Reset and erase have no handler: the task reads their down state. The
    // erase's reading at the press is kept for the journal all the same.
    connect(SpeedButton_ParancsEEPROMTorles, &TSpeedButton::OnClick, this, [this] {
        if (SpeedButton_ParancsEEPROMTorles->Down())
            m_pressReadings[rbParancsEEPROMTorles] = m_task->liveValues();
    });
    connectOutputSheetHandlers();
}

bool TForm_Main::pressCalibrationButton(TSpeedButton* button)
{
    UpdateCommandButtons(button);
    if (!button->Down())
        return false;
    if (const std::optional<RequestButton> request = requests::fromObjectName(button->objectName()))
        m_pressReadings[*request] = m_task->liveValues();
    return true;
}

void TForm_Main::SpeedButton_ADCal0OhmClick()
{
    if (!pressCalibrationButton(SpeedButton_ADCal0Ohm))
        return;
    CapturedCommandParameters.AD0Ohm = m_task->liveValues().ADAveraged;
    SpeedButton_ADCal0Ohm->setText(calibration::adCaption(CapturedCommandParameters.AD0Ohm));
}

void TForm_Main::SpeedButton_ADCal490OhmClick()
{
    if (!pressCalibrationButton(SpeedButton_ADCal490Ohm))
        return;
    CapturedCommandParameters.ADReference = m_task->liveValues().ADAveraged;
    SpeedButton_ADCal490Ohm->setText(calibration::adCaption(CapturedCommandParameters.ADReference));
}

void TForm_Main::SpeedButton_R3WOffszetClick()
{
    if (!pressCalibrationButton(SpeedButton_R3WOffszet))
        return;
    const LiveValues& live = m_task->liveValues();
    const calibration::ThreeWireOffset offset = calibration::threeWireOffset(
        live.fCalculatedRWithoutCompensation, live.bPt1000, m_liveDisplay.ResistanceFormat());
    if (!offset.accepted) {
        SpeedButton_R3WOffszet->setDownState(false);
        UpdateCommandButtons(SpeedButton_R3WOffszet);
        Dialogs::current().message(this, Dialogs::MessageType::Error, windowTitle(), offset.refusal);
        return;
    }
    CapturedCommandParameters.R3WireOffset = offset.offset;
    SpeedButton_R3WOffszet->setText(offset.caption);
}

void TForm_Main::commandAcknowledged(RequestButton request, const CommunicationTaskHost::SentParameter& sent)
{
    const quint8 command = requests::command(request);
    // The record says what the user did; the journal, synced, stays the
    // safety net for the values a calibration is repeated from.
    if (m_recorder)
        m_recorder->commandAcknowledged(command, sent, m_pressReadings[request]);
    if (!m_journal || !CalibrationJournal::isJournaled(command))
        return;
    const CalibrationJournal::Entry entry{QDateTime::currentDateTime(),
                                          MB1->Port(),
                                          DeviceModel == dmKV4620 ? QStringLiteral("KV4620")
                                                                  : QStringLiteral("KV4820"),
                                          command,
                                          sent,
                                          m_pressReadings[request]};
    QString error;
    if (m_journal->append(entry, &error))
        return;
    const bool magyar = CurrentLanguage.toLower() == QLatin1String("magyar");
    const QString text = (magyar ? QStringLiteral("A kalibrálási napló nem írható: ")
                                 : QStringLiteral("The calibration journal cannot be written: ")) +
                         m_journal->path() + QStringLiteral(": ") + error;
    // After the task's step: a modal dialog's loop inside it would step the task again.
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            Dialogs::current().message(this, Dialogs::MessageType::Warning, windowTitle(), text);
        },
        Qt::QueuedConnection);
}
