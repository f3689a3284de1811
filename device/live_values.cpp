#include "device/live_values.h"

namespace statusbits {

namespace {

struct BitText
{
    const char* name;
    const char* caption;
};

constexpr BitText kBits[StatusBitCount] = {
    {"ADUnderFlow", " Un.F "},        {"ADOverFlow", " Ov.F "},        {"ADNoDRDY", "No.DY"},
    {"ADNoChange", "No.Chg."},        {"RestartADC", " Restart ADC "}, {"bUncalInput", "Uncal Inp."},
    {"bUncal3WOffset", "Uncal 3W"},   {"bUncalOutput", "Uncal Out."},  {"bOpenError", "Open Err."},
    {"bRAM1BadWrite", "EEPROM WEr."}, {"bPWMITNotOK", "PWM Err"},
};

} // namespace

QString name(StatusBit bit)
{
    const int index = int(bit);
    return index < StatusBitCount ? QString::fromLatin1(kBits[index].name) : QString();
}

QString caption(StatusBit bit)
{
    const int index = int(bit);
    return index < StatusBitCount ? QString::fromLatin1(kBits[index].caption) : QString();
}

QStringList setNames(const LiveValues& values)
{
    QStringList names;
    for (int bit = 0; bit < StatusBitCount; ++bit) {
        if (values.hasStatus(StatusBit(bit)))
            names << name(StatusBit(bit));
    }
    return names;
}

} // namespace statusbits
