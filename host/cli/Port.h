// The serial port a camera command will use, as the console program shows and checks it: the
// stored setting (the panel opens exactly that port), its device on this system, and what is
// wrong with the device before the plug-in waits on it for an answer.
#pragma once

#include "platform/Win32Api.h"

#include <cstdint>
#include <string>

namespace pixlor::host::cli {

struct PortInUse {
    int number = 2;          // COM<number>: the stored port, the one the plug-in opens
    std::string shown;       // how the messages name it: "COM3", or the device --port named
    std::string device;      // its device on this system
    std::uint32_t baud = 0;  // the configured speed
    int variable = 2;        // PIXLOR_COM<variable> names the device; 0: named directly
    const std::string& name() const { return shown; }
    // "COM3 (/dev/ttyS2)", or the device alone when it was named directly.
    std::string described() const { return variable == 0 ? device : shown + " (" + device + ")"; }
};

// The settings' port and speed as the panel reads them, defaults included.
PortInUse StoredPort();

// The port --port names for one command, COM<n> or the path of a device, at the stored speed;
// false with `why` for anything else (an empty text included).
bool PortNamed(const std::string& named, PortInUse& port, std::string& why);

// The stored value `name` of the plug-in's settings; false when it is not stored.
bool ReadStoredNumber(const char* name, DWORD& value);
// False when the value could not be saved.
bool WriteStoredNumber(const char* name, DWORD value);
bool ReadStoredText(const char* name, std::string& text);
void WriteStoredText(const char* name, const std::string& text);

// What keeps `device` from being the camera's port, in words, found at once: missing, not a
// character device, not a serial line, no permission, held by another program. Empty when it
// can be opened as a serial port.
std::string SerialDeviceProblem(const std::string& device);

// "COM3" or "com3" as 3; 0 for anything else.
int ComPortNumber(const std::string& text);

}  // namespace pixlor::host::cli
