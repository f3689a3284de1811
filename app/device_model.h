#pragma once

// The transmitter model the configurator works with: item 0 and item 1 of
// the start window's model group.
enum TDeviceModel
{
    dmKV4620,
    dmKV4820
};
