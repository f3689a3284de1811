#include "device/device_settings.h"

DeviceSettings DeviceSettings::factoryDefaults(bool voltageOutput)
{
    DeviceSettings settings;
    if (voltageOutput) {
        settings.bOutputLiveZero = false;
        settings.bErrorLevelHigh = true;
        settings.fOutputLimitLow = 0.0f;
        settings.fOutputLimitHigh = 10.25f;
    }
    return settings;
}
