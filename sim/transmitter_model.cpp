#include "sim/transmitter_model.h"

#include "device/callendar_van_dusen.h"
#include "device/device_command.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// This particular device's converter: counts at 0 ohm and at the upper
// reference. The factory calibration stored exactly these.
constexpr qint32 kTrueCounts0Ohm = 1187;
constexpr qint32 kTrueCountsReference = 1803411;
constexpr double kNoiseCounts = 45.0;

// Input circuit: the three-wire measurement reads this much high (per
// Pt100 range; ten times on Pt1000), and the sensor's leads.
constexpr double k3WireCircuitOffsetPt100 = 0.42;
constexpr double kLeadResistance = 0.55;
constexpr double kLeadImbalance = 0.04;

// PWM values that really give the low and high calibration points of the
// output (4 / 20 mA or 2 / 10 V).
constexpr double kTruePwmLowCurrent = 11622;
constexpr double kTruePwmHighCurrent = 58110;
constexpr double kTruePwmLowVoltage = 11758;
constexpr double kTruePwmHighVoltage = 58790;

// How far a drifted calibration's stored points are off: the converter
// reads about 0.3 % low (Pt100: 99.7 ohm at 100 ohm), the three-wire offset
// is half an ohm too large (Pt100 range), the output's 4 mA point about
// 0.08 mA low and its 20 mA point about 0.14 mA high.
constexpr qint32 kDriftCounts0Ohm = 3700;
constexpr qint32 kDriftCountsReference = -9100;
constexpr double kDrift3WireOffsetPt100 = 0.53;
constexpr int kDriftPwmLow = -230;
constexpr int kDriftPwmHigh = 410;

// Input error levels and the ends of the measuring ranges.
constexpr double kErrorLevelLowCurrent = 3.2;
constexpr double kErrorLevelHighCurrent = 22.0;
constexpr double kErrorLevelLowVoltage = 1.6;
constexpr double kErrorLevelHighVoltage = 11.0;
constexpr double kTemperatureMin = -200.0;
constexpr double kTemperatureMax = 850.0;
constexpr double kPercentMin = -10.0;
constexpr double kPercentMax = 110.0;

double wave(double seconds, double periodSeconds)
{
    return std::sin(2.0 * std::numbers::pi * seconds / periodSeconds);
}

bool isFinite(float value)
{
    return std::isfinite(value);
}

} // namespace

TransmitterModel::TransmitterModel(const SimulatorOptions& options)
    : m_firmwareVersion(options.firmwareVersion), m_pt1000(options.pt1000),
      m_voltageOutput(options.voltageOutput),
      m_settings(DeviceSettings::factoryDefaults(options.voltageOutput)), m_sensorOpen(options.openSensor),
      m_random(options.seed)
{
    m_calibration = options.outOfCalibration ? driftedCalibration() : factoryCalibration();
    warmUp();
}

TransmitterModel::Calibration TransmitterModel::nominalCalibration() const
{
    Calibration c;
    c.pot0 = 0.0f;
    c.pot100 = m_pt1000 ? 4000.0f : 400.0f;
    return c;
}

TransmitterModel::Calibration TransmitterModel::factoryCalibration() const
{
    Calibration c = nominalCalibration();
    c.counts0Ohm = kTrueCounts0Ohm;
    c.countsReference = kTrueCountsReference;
    c.offset3Wire = float(k3WireCircuitOffsetPt100 * (m_pt1000 ? 10.0 : 1.0));
    c.pwmLow = quint16(m_voltageOutput ? kTruePwmLowVoltage : kTruePwmLowCurrent);
    c.pwmHigh = quint16(m_voltageOutput ? kTruePwmHighVoltage : kTruePwmHighCurrent);
    c.counts0OhmStored = c.countsReferenceStored = c.offset3WireStored = true;
    c.pwmLowStored = c.pwmHighStored = true;
    return c;
}

TransmitterModel::Calibration TransmitterModel::driftedCalibration() const
{
    Calibration c = factoryCalibration();
    c.counts0Ohm += kDriftCounts0Ohm;
    c.countsReference += kDriftCountsReference;
    c.offset3Wire += float(kDrift3WireOffsetPt100 * (m_pt1000 ? 10.0 : 1.0));
    c.pwmLow = quint16(c.pwmLow + kDriftPwmLow);
    c.pwmHigh = quint16(c.pwmHigh + kDriftPwmHigh);
    return c;
}

// --- Time ------------------------------------------------------------------

void TransmitterModel::advance(qint64 ms)
{
    if (ms <= 0)
        return;
    m_pendingMs += ms;
    while (m_pendingMs >= SamplePeriodMs) {
        m_pendingMs -= SamplePeriodMs;
        m_timeMs += SamplePeriodMs;
        m_msSinceReset += SamplePeriodMs;
        takeSample();
        ++m_samplesThisSecond;
        ++m_newInputValues;
        if (m_msSinceReset % 1000 == 0) {
            m_samplesLastSecond = m_samplesThisSecond;
            m_samplesThisSecond = 0;
        }
    }
}

double TransmitterModel::gaussian()
{
    if (m_spareGaussian) {
        const double value = *m_spareGaussian;
        m_spareGaussian.reset();
        return value;
    }
    // Box-Muller on the generator's raw output, so a seed gives the same
    // noise with every standard library.
    const double u1 = (double(m_random()) + 0.5) / 4294967296.0;
    const double u2 = (double(m_random()) + 0.5) / 4294967296.0;
    const double radius = std::sqrt(-2.0 * std::log(u1));
    m_spareGaussian = radius * std::sin(2.0 * std::numbers::pi * u2);
    return radius * std::cos(2.0 * std::numbers::pi * u2);
}

double TransmitterModel::sensorTemperature() const
{
    if (m_fixedTemperature)
        return *m_fixedTemperature;
    const double t = double(m_timeMs) / 1000.0;
    return 21.5 + 1.8 * wave(t, 180.0) + m_wander;
}

double TransmitterModel::terminalResistance() const
{
    if (m_connectedResistor)
        return *m_connectedResistor;
    const double scale = m_pt1000 ? 10.0 : 1.0;
    const double t = double(m_timeMs) / 1000.0;
    switch (m_settings.InputMode) {
    case imPotentiometer: {
        // A potentiometer whose track runs from 15 to 385 ohm (Pt100 range).
        const double position = m_potentiometerPosition.value_or(
            std::clamp(50.0 + 35.0 * wave(t, 150.0) + 5.0 * m_wander, 0.0, 100.0));
        return scale * (15.0 + 3.7 * position);
    }
    case imResistance:
        return scale * (180.0 + 25.0 * wave(t, 200.0) + 0.5 * m_wander);
    default:
        return cvd::resistance(sensorTemperature(), m_pt1000 ? 1000.0 : 100.0);
    }
}

double TransmitterModel::rawInputResistance() const
{
    const double scale = m_pt1000 ? 10.0 : 1.0;
    const bool sensor = !m_connectedResistor.has_value();
    double r = terminalResistance();
    switch (m_settings.Wires) {
    case 2:
        if (sensor)
            r += 2.0 * kLeadResistance;
        break;
    case 3:
        r += scale * k3WireCircuitOffsetPt100 + (sensor ? kLeadImbalance : 0.0);
        break;
    default:
        break;
    }
    return r;
}

void TransmitterModel::takeSample()
{
    m_wander = 0.998 * m_wander + 0.01 * gaussian();

    qint32 counts = ConverterFullScale;
    if (!m_sensorOpen) {
        const double countsPerOhm = double(kTrueCountsReference - kTrueCounts0Ohm) / referenceResistance();
        const double exact =
            kTrueCounts0Ohm + rawInputResistance() * countsPerOhm + kNoiseCounts * gaussian();
        counts = qint32(
            std::llround(std::clamp(exact, double(-ConverterFullScale - 1), double(ConverterFullScale))));
    }
    m_samples[size_t(m_sampleNext)] = counts;
    m_sampleNext = (m_sampleNext + 1) % MaxAveraging;
    m_sampleCount = std::min(m_sampleCount + 1, MaxAveraging);
    m_averaged2 += (double(averagedCounts()) - m_averaged2) / 8.0;
}

void TransmitterModel::warmUp()
{
    // The converter settles while the firmware boots; nothing is counted.
    m_sampleCount = 0;
    m_sampleNext = 0;
    for (int i = 0; i < MaxAveraging; ++i)
        takeSample();
    m_averaged2 = averagedCounts();
}

qint32 TransmitterModel::averagedCounts() const
{
    const int n =
        std::clamp<int>(m_settings.Averaging, 1, std::min(MaxAveraging, std::max(m_sampleCount, 1)));
    qint64 sum = 0;
    for (int i = 1; i <= n; ++i)
        sum += m_samples[size_t((m_sampleNext - i + MaxAveraging) % MaxAveraging)];
    return qint32(std::llround(double(sum) / n));
}

// --- Output -------------------------------------------------------------------

double TransmitterModel::outputForPwm(double pwm) const
{
    const double low = m_voltageOutput ? 2.0 : 4.0;
    const double high = m_voltageOutput ? 10.0 : 20.0;
    const double pwmLow = m_voltageOutput ? kTruePwmLowVoltage : kTruePwmLowCurrent;
    const double pwmHigh = m_voltageOutput ? kTruePwmHighVoltage : kTruePwmHighCurrent;
    return std::max(0.0, low + (pwm - pwmLow) * (high - low) / (pwmHigh - pwmLow));
}

double TransmitterModel::pwmForOutput(double output) const
{
    const double low = m_voltageOutput ? 2.0 : 4.0;
    const double high = m_voltageOutput ? 10.0 : 20.0;
    const double pwm = m_calibration.pwmLow +
                       (output - low) * (double(m_calibration.pwmHigh) - m_calibration.pwmLow) / (high - low);
    return std::clamp(std::round(pwm), 0.0, double(PwmFullScale));
}

double TransmitterModel::storedOutputForPwm(double pwm) const
{
    const double low = m_voltageOutput ? 2.0 : 4.0;
    const double high = m_voltageOutput ? 10.0 : 20.0;
    const double span = double(m_calibration.pwmHigh) - m_calibration.pwmLow;
    if (span == 0.0)
        return low;
    return std::max(0.0, low + (pwm - m_calibration.pwmLow) * (high - low) / span);
}

double TransmitterModel::outputMeterReading() const
{
    return outputForPwm(liveValues().PWM);
}

// --- Live block -----------------------------------------------------------------

LiveValues TransmitterModel::liveValues() const
{
    LiveValues v;
    v.FirmwareVersion = m_firmwareVersion;

    const qint32 lastSample = m_samples[size_t((m_sampleNext - 1 + MaxAveraging) % MaxAveraging)];
    v.ADRaw = lastSample;
    v.ADAveraged = averagedCounts();
    v.ADAveraged2 = qint32(std::llround(m_averaged2));
    v.ADSpS = quint8(m_samplesLastSecond);

    v.uWiresSetting = m_settings.Wires;
    v.uWires = m_settings.Wires;
    v.uMode = m_settings.InputMode;
    v.bVoltageOutput = m_voltageOutput;
    v.bPt1000 = m_pt1000;

    // Resistance from the stored converter points, then lead compensation.
    const Calibration& cal = m_calibration;
    const bool hardError = cal.countsReference == cal.counts0Ohm;
    const double rUncompensated = hardError ? 0.0
                                            : double(v.ADAveraged - cal.counts0Ohm) * referenceResistance() /
                                                  double(cal.countsReference - cal.counts0Ohm);
    double r = rUncompensated;
    if (m_settings.Wires == 3)
        r -= cal.offset3Wire;
    else if (m_settings.Wires == 2)
        r -= cal.twoWireR;
    v.fCalculatedRWithoutCompensation = float(rUncompensated);
    v.fCalculatedR = float(r);

    double input = r;
    bool inputOutOfRange = false;
    switch (m_settings.InputMode) {
    case imTemperature:
        input = cvd::temperature(r, m_pt1000 ? 1000.0 : 100.0);
        inputOutOfRange = input < kTemperatureMin || input > kTemperatureMax;
        break;
    case imPotentiometer: {
        const double span = double(cal.pot100) - cal.pot0;
        input = span != 0.0 ? (r - cal.pot0) * 100.0 / span : 0.0;
        inputOutOfRange = span == 0.0 || input < kPercentMin || input > kPercentMax;
        break;
    }
    default:
        inputOutOfRange = r < 0.0 || r > referenceResistance() * ConverterFullScale / NominalCountsReference;
        break;
    }
    v.fInput = float(input);

    v.uErrorNumber = m_sensorOpen      ? deWiresOpen
                     : hardError       ? deHardError
                     : inputOutOfRange ? deInputLimit
                                       : deNone;

    // Output: scaled, clamped to the limits; the error level on an input error.
    const DeviceSettings& s = m_settings;
    const double rangeHigh = m_voltageOutput ? 10.0 : 20.0;
    const double rangeLow = s.bOutputLiveZero ? (m_voltageOutput ? 2.0 : 4.0) : 0.0;
    double target = 0.0;
    if (v.uErrorNumber != deNone) {
        target = s.bErrorLevelHigh ? (m_voltageOutput ? kErrorLevelHighVoltage : kErrorLevelHighCurrent)
                                   : (m_voltageOutput ? kErrorLevelLowVoltage : kErrorLevelLowCurrent);
    } else {
        const double span = double(s.fScaleHigh) - s.fScaleLow;
        const double share = span != 0.0 ? (input - s.fScaleLow) / span : 0.0;
        const double unclamped = rangeLow + share * (rangeHigh - rangeLow);
        const double limitLow = std::min(s.fOutputLimitLow, s.fOutputLimitHigh);
        const double limitHigh = std::max(s.fOutputLimitLow, s.fOutputLimitHigh);
        target = std::clamp(unclamped, limitLow, limitHigh);
        if (target != unclamped && !s.bNoErrorOnOverflow)
            v.uErrorNumber = deOutputLimit;
    }
    // With the output calibration tab open the PWM is the configurator's.
    const double pwm = m_calibrationPage == cpAnalogOutput ? double(m_pwmSetpoint) : pwmForOutput(target);
    v.PWM = quint16(pwm);
    v.fOutput = float(storedOutputForPwm(pwm));

    quint16 bits = 0;
    if (lastSample >= ConverterFullScale)
        bits |= statusBitMask(StatusBit::ADOverFlow);
    if (lastSample <= -ConverterFullScale - 1)
        bits |= statusBitMask(StatusBit::ADUnderFlow);
    if (!(cal.counts0OhmStored && cal.countsReferenceStored))
        bits |= statusBitMask(StatusBit::bUncalInput);
    if (!cal.offset3WireStored)
        bits |= statusBitMask(StatusBit::bUncal3WOffset);
    if (!(cal.pwmLowStored && cal.pwmHighStored))
        bits |= statusBitMask(StatusBit::bUncalOutput);
    if (m_sensorOpen)
        bits |= statusBitMask(StatusBit::bOpenError);
    v.uStatusBits = bits;

    v.uAfterWriteOKbits1 = m_afterWriteBits;
    v.uAfterWriteOKbits2 = m_afterWriteBits;
    v.uCRCOKbits1 = m_crcOkBits;
    v.uCRCOKbits2 = m_crcOkBits;
    v.enuCalMode = m_calibrationPage;

    v.fPotCal0R = cal.pot0;
    v.fPotCal100R = cal.pot100;
    v.f2WireR = cal.twoWireR;

    v.uADCRestartNumber = 0;
    v.uCountOfNewInputValue = quint8(m_newInputValues & 0xFFu);
    v.uPWMITPerSec = m_msSinceReset >= 1000 ? PwmInterruptsPerSecond : 0;
    v.uCounterSecAfterReset = quint8((m_msSinceReset / 1000) & 0xFF);
    return v;
}

// --- Commands -------------------------------------------------------------------

bool TransmitterModel::writeSettings(const DeviceSettings& s)
{
    const bool wiresOk = s.Wires >= 2 && s.Wires <= 4;
    const bool averagingOk =
        s.Averaging >= 1 && s.Averaging <= MaxAveraging && (s.Averaging & (s.Averaging - 1)) == 0;
    const bool numbersOk = isFinite(s.fScaleLow) && isFinite(s.fScaleHigh) && isFinite(s.fOutputLimitLow) &&
                           isFinite(s.fOutputLimitHigh);
    if (!wiresOk || s.InputMode >= DeviceInputModeCount || !averagingOk || !numbersOk)
        return false;
    m_settings = s;
    blockWritten(blockSettings);
    return true;
}

void TransmitterModel::setLiveQuery(quint8 calibrationPage, quint16 pwmSetpoint)
{
    m_calibrationPage = calibrationPage;
    m_pwmSetpoint = pwmSetpoint;
}

void TransmitterModel::blockWritten(MemoryBlock block)
{
    m_afterWriteBits |= block;
    m_crcOkBits |= block;
}

bool TransmitterModel::storeAD0Ohm(qint32 counts)
{
    m_calibration.counts0Ohm = counts;
    m_calibration.counts0OhmStored = true;
    blockWritten(blockConverter);
    return true;
}

bool TransmitterModel::storeADReference(qint32 counts)
{
    m_calibration.countsReference = counts;
    m_calibration.countsReferenceStored = true;
    blockWritten(blockConverter);
    return true;
}

bool TransmitterModel::store3WireOffset(float ohm)
{
    if (!isFinite(ohm))
        return false;
    m_calibration.offset3Wire = ohm;
    m_calibration.offset3WireStored = true;
    blockWritten(block3Wire);
    return true;
}

bool TransmitterModel::storePwm4mA(quint16 pwm)
{
    m_calibration.pwmLow = pwm;
    m_calibration.pwmLowStored = true;
    blockWritten(blockOutput);
    return true;
}

bool TransmitterModel::storePwm20mA(quint16 pwm)
{
    m_calibration.pwmHigh = pwm;
    m_calibration.pwmHighStored = true;
    blockWritten(blockOutput);
    return true;
}

bool TransmitterModel::storePot0(float ohm)
{
    if (!isFinite(ohm))
        return false;
    m_calibration.pot0 = ohm;
    blockWritten(blockPot);
    return true;
}

bool TransmitterModel::storePot100(float ohm)
{
    if (!isFinite(ohm))
        return false;
    m_calibration.pot100 = ohm;
    blockWritten(blockPot);
    return true;
}

bool TransmitterModel::store2WireR(float ohm)
{
    if (!isFinite(ohm))
        return false;
    m_calibration.twoWireR = ohm;
    blockWritten(block2Wire);
    return true;
}

void TransmitterModel::eraseMemory()
{
    m_settings = DeviceSettings::factoryDefaults(m_voltageOutput);
    m_calibration = nominalCalibration();
    m_crcOkBits = 0;
    m_afterWriteBits = 0;
}

void TransmitterModel::restart()
{
    m_afterWriteBits = 0;
    m_calibrationPage = cpNone;
    m_pwmSetpoint = 0;
    m_msSinceReset = 0;
    m_samplesThisSecond = 0;
    m_samplesLastSecond = 0;
    m_newInputValues = 0;
    warmUp();
}
