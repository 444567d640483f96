// pixlor detect: which serial devices have a camera answering, and at which speed. Each device
// gets the camera's probe byte at every speed of the camera's table, the wake-up speed first,
// all devices at once; a camera listening at that speed answers NAK. Nothing else is sent, so
// nothing changes on a camera; each device gets its line settings back afterwards.
#pragma once

#include "host/cli/TerminalUser.h"

namespace pixlor::host::cli {

// The command: one line a device on standard output; 0 when a camera answered, else 1.
int DetectCameras(const TerminalStreams& streams, TerminalUser& user);

}  // namespace pixlor::host::cli
