// The far end of a pseudo-terminal, where the simulated camera sits. The near end (the slave
// device) is what the plug-in opens as its serial port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace pixlor::camsim {

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens the pair, sets the line raw at 19200 Bd; false with `error` set on failure.
    bool open(std::string& error);
    const std::string& devicePath() const { return devicePath_; }
    int masterFd() const { return master_; }
    // The speed the other end has set on its side of the line (its termios, which the master
    // shares); 0 for a speed the camera has no use for.
    std::uint32_t hostBaud() const;

private:
    int master_ = -1;
    int heldSlave_ = -1;  // keeps the line up while the host closes and reopens its end
    std::string devicePath_;
};

}  // namespace pixlor::camsim
