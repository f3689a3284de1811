#include "app/live_view_writer.h"

#include "app/form_main.h"
#include "widgets/speed_button.h"
#include "widgets/tmbar_graph.h"

#include <QGroupBox>
#include <QLabel>

LiveViewWriter::LiveViewWriter(TForm_Main& form)
    : m_form(form), m_flags{form.Label_ADUnderFlow,    form.Label_ADOverFlow,   form.Label_ADNoDRDY,
                            form.Label_ADNoChange,     form.Label_RestartADC,   form.Label_bUncalInput,
                            form.Label_bUncal3WOffset, form.Label_bUncalOutput, form.Label_bOpenError,
                            form.Label_bRAM1BadWrite,  form.Label_bPWMITNotOK},
      m_flagClear(form.palette().color(QPalette::Button))
{}

void LiveViewWriter::showFlag(QLabel* label, bool set) const
{
    const QColor& colour = set ? flagSetColour() : m_flagClear;
    // Most blocks change no flag.
    if (label->palette().color(QPalette::Window) == colour)
        return;
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
}

void LiveViewWriter::write(const LiveDisplay::View& v)
{
    TForm_Main& f = m_form;

    f.Label_ADRaw->setText(v.ADRaw);
    f.MBarGraph_ADRaw->setMBGValue(v.ADRawBar);
    f.Label_ADAveraged->setText(v.ADAveraged);
    f.Label_ADAveragedBig->setText(v.ADAveragedBig);
    f.Label_ADAveraged2->setText(v.ADAveraged2);
    f.Label_ADSpS->setText(v.ADSpS);
    for (int bit = 0; bit < StatusBitCount; ++bit)
        showFlag(m_flags[size_t(bit)], v.statusFlagRed[size_t(bit)]);
    f.Label_uWires->setText(v.uWires);
    f.GroupBox_2Wire->setVisible(v.twoWireGroupVisible);
    f.GroupBox_PotenciometerUzemmod->setVisible(v.potGroupVisible);
    f.Label16_uMode->setText(v.uMode);
    f.Label_bVoltageOutput->setText(v.bVoltageOutput);
    if (v.relabelOutputRanges)
        f.RelabelOutputRanges();
    f.Label_uAfterWriteOKbits1->setText(v.uAfterWriteOKbits1);
    f.Label_Kijelzo->setText(v.Kijelzo);
    f.Label_fInput->setText(v.fInput);
    f.Label_PtType->setText(v.PtType);
    f.GroupBoxCal490->setTitle(v.Cal490Caption);
    f.GroupBox_Cal249->setTitle(v.Cal249Caption);
    f.Label_PotiModRMert->setText(v.PotiModRMert);
    f.Label_2VezModRMert->setText(v.TwoVezModRMert);
    f.Label_fCalculatedRWithoutCompensation->setText(v.fCalculatedRWithoutCompensation);
    f.Label_3VezKalibralashozRMert->setText(v.ThreeVezKalibralashozRMert);
    f.Label_fCalculatedR->setText(v.fCalculatedR);
    f.Label_enuCalMode->setText(v.enuCalMode);
    f.Label_uCRCOKbits1->setText(v.uCRCOKbits1);
    f.Label_uAfterWriteOKbits2->setText(v.uAfterWriteOKbits2);
    f.Label_uCRCOKbits2->setText(v.uCRCOKbits2);
    f.Label_PWM->setText(v.PWM);
    f.Label_PWMNagy->setText(v.PWMNagy);
    f.MBarGraph_PWM->setMBGValue(v.PWMBar);
    f.SpeedButton_PotiCal0->setText(v.PotiCal0Caption);
    f.SpeedButton_PotiCal100->setText(v.PotiCal100Caption);
    f.SpeedButton_2VezRKiejtes->setText(v.TwoVezRKiejtesCaption);
    f.Label_uErrorNumber->setText(v.uErrorNumber);
    f.Label_Error->setText(v.Error);
    f.Label_Error->setVisible(v.errorVisible);
    f.Label_Output->setText(v.Output);
    f.Label_uADCRestartNumber->setText(v.uADCRestartNumber);
    f.Label_KVSubType->setText(v.KVSubType);
    f.Label_KVSubType2->setText(v.KVSubType);
    f.Label_uCountOfNewInputValue->setText(v.uCountOfNewInputValue);
    f.Label_uPWMITPerSec->setText(v.uPWMITPerSec);
    f.Label_uCounterSecAfterReset->setText(v.uCounterSecAfterReset);
}
