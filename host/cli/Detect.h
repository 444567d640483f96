// pixlor detect: which serial devices have a camera answering, and at which speed. Each device
// gets the camera's probe byte at every speed of the camera's table, the wake-up speed first,
// all devices at once; a camera listening at that speed answers NAK. Nothing else is sent, so
// nothing changes on a camera; each device gets its line settings back afterwards.
#pragma once

#include "host/cli/TerminalUser.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pixlor::host::cli {

struct DetectedDevice {
    std::string device;
    std::uint32_t baud = 0;  // where a camera answered; 0: none
    std::string problem;     // why the device could not be tried; empty: it was
};

// The devices to try: /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* and those PIXLOR_COM<n> names,
// each once. Devices with no serial line behind them (a ttyS without its chip) are left out.
std::vector<DetectedDevice> ProbeSerialDevices(std::vector<std::string> devices);
std::vector<std::string> SerialDeviceCandidates();

// The command: one line a device on standard output; 0 when a camera answered, else 1.
int DetectCameras(const TerminalStreams& streams, TerminalUser& user);

}  // namespace pixlor::host::cli
