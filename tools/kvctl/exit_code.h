#pragma once

// kvctl's exit status. When ports end differently, a port error outranks a
// transmitter's failure: the set-up is wrong before any transmitter is.
enum class ExitCode : int
{
    Done = 0,         // everything done and verified
    DeviceFailed = 1, // a transmitter failed, refused or did not verify
    BadUsage = 2,     // bad arguments, or a settings or output file
    PortError = 3,    // a port could not be opened or went away

    // records sync
    EventsRefused = 1,  // the records server refused events
    ServerUnusable = 3, // it cannot be reached, refuses the login or has newer tables
};
