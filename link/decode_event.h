#pragma once

// What one received byte did to a frame decoder.
enum class DecodeEvent
{
    None,          // byte absorbed (or ignored)
    FrameStarted,  // a new frame began with this byte
    Rejected,      // the frame so far was thrown away; the receiver is reset
    FrameAccepted, // a complete frame with a good CRC is in the buffer
};
