#pragma once

#include "device/live_values.h"

#include <QString>
#include <QStringList>

#include <array>

// Everything the window shows of one live block, computed without widgets,
// and the display state kept between blocks: the number formats and units
// the rest of the window uses, and the output kind the range items show.
class LiveDisplay
{
public:
    // Output kind shown by the two output radio groups.
    enum OutputKind
    {
        okNone = -1,
        okCurrent = 0,
        okVoltage = 1,
    };

    // The language's texts the display needs.
    struct Texts
    {
        QString wirePrefix;  // "Wire = "
        QString hardError;   // error number 1
        QString wiresOpen;   // 2
        QString inputLimit;  // 4
        QString outputLimit; // 5
    };

    struct OutputRangeItems
    {
        QStringList outputType; // RadioGroup_AnalogKimTipus
        QStringList errorLevel; // RadioGroup_AnalogKimHibajelzes
    };

    // One block's texts, named after the controls they go to, in the order
    // they are written.
    struct View
    {
        QString ADRaw;
        double ADRawBar = 0.0; // MBarGraph_ADRaw, -1 .. +1
        QString ADAveraged;
        QString ADAveragedBig;
        QString ADAveraged2;
        QString ADSpS;
        // Background red (true) or button face, indexed by StatusBit.
        std::array<bool, StatusBitCount> statusFlagRed{};
        QString uWires;
        bool twoWireGroupVisible = false; // GroupBox_2Wire
        bool potGroupVisible = false;     // GroupBox_PotenciometerUzemmod
        QString uMode;                    // Label16_uMode
        QString bVoltageOutput;           // "V" or "C"
        // RelabelOutputRanges must run now, with these items, keeping the
        // groups' selected indexes.
        bool relabelOutputRanges = false;
        OutputRangeItems outputRangeItems;
        QString uAfterWriteOKbits1;
        QString Kijelzo;
        QString fInput;
        QString PtType;
        QString Cal490Caption; // GroupBoxCal490
        QString Cal249Caption; // GroupBox_Cal249
        QString PotiModRMert;
        QString TwoVezModRMert; // Label_2VezModRMert
        QString fCalculatedRWithoutCompensation;
        QString ThreeVezKalibralashozRMert; // Label_3VezKalibralashozRMert
        QString fCalculatedR;
        QString enuCalMode;
        QString uCRCOKbits1;
        QString uAfterWriteOKbits2;
        QString uCRCOKbits2;
        QString PWM;
        QString PWMNagy;
        double PWMBar = 0.0;           // MBarGraph_PWM, 0 .. 1
        QString PotiCal0Caption;       // SpeedButton_PotiCal0
        QString PotiCal100Caption;     // SpeedButton_PotiCal100
        QString TwoVezRKiejtesCaption; // SpeedButton_2VezRKiejtes
        QString uErrorNumber;
        QString Error;
        bool errorVisible = false;
        QString Output;
        QString uADCRestartNumber;
        QString KVSubType; // Label_KVSubType and Label_KVSubType2
        QString uCountOfNewInputValue;
        QString uPWMITPerSec;
        QString uCounterSecAfterReset;
    };

    void setTexts(const Texts& texts) { m_texts = texts; }
    const Texts& texts() const { return m_texts; }

    // UpdateLiveDisplay's computation: the view of one block. Advances the
    // formats, the units and the output kind shown.
    const View& update(const LiveValues& values);
    const View& view() const { return m_view; }

    const QString& ValueFormat() const { return m_valueFormat; }
    const QString& ValueUnit() const { return m_valueUnit; }
    const QString& ResistanceFormat() const { return m_resistanceFormat; }
    const QString& OutputUnit() const { return m_outputUnit; }
    int outputKindShown() const { return m_outputKindShown; }

    // The measured-value pattern for an input mode and sensor range.
    static QString valueFormatFor(quint8 mode, bool pt1000);
    // ValueUnit for an input mode: "°C", "%", "ohm", or "???" for another mode.
    static QString valueUnitFor(quint8 mode);
    // OutputUnit: "V" or "mA".
    static QString outputUnitFor(bool voltageOutput);
    static OutputRangeItems outputRangeItemsFor(OutputKind kind);
    // Label_Error's text for a transmitter error number: empty for 0, 3 and
    // anything above 5.
    static QString errorText(quint8 errorNumber, const Texts& texts);
    // Upper-case hexadecimal, no prefix, at least one digit.
    static QString hex(quint32 value);

private:
    Texts m_texts;
    View m_view;
    QString m_valueFormat = QStringLiteral("0.0");
    QString m_valueUnit = QStringLiteral("°C");
    QString m_resistanceFormat = QStringLiteral("0.00");
    QString m_outputUnit = QStringLiteral("mA");
    int m_outputKindShown = okNone;
};
