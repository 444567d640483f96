#include "sim/camsim/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace pixlor::camsim {

namespace {

struct SpeedCode {
    speed_t code;
    std::uint32_t baud;
};
constexpr SpeedCode LINE_SPEEDS[] = {{B1200, 1200},   {B2400, 2400},     {B4800, 4800},
                                     {B9600, 9600},   {B19200, 19200},   {B38400, 38400},
                                     {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
    if (heldSlave_ >= 0) ::close(heldSlave_);
    if (master_ >= 0) ::close(master_);
}

bool PseudoTerminal::open(std::string& error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = systemError("grantpt/unlockpt");
        return false;
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        error = systemError("ptsname");
        return false;
    }
    devicePath_ = name;
    heldSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (heldSlave_ < 0) {
        error = systemError(name);
        return false;
    }
    // Raw from the start: a cooked line would echo the camera's answers back to it before the
    // host has set its end up.
    termios settings{};
    if (::tcgetattr(heldSlave_, &settings) != 0) {
        error = systemError("tcgetattr");
        return false;
    }
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B19200);
    ::cfsetospeed(&settings, B19200);
    if (::tcsetattr(heldSlave_, TCSANOW, &settings) != 0) {
        error = systemError("tcsetattr");
        return false;
    }
    const int flags = ::fcntl(master_, F_GETFL);
    if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = systemError("fcntl");
        return false;
    }
    return true;
}

std::uint32_t PseudoTerminal::hostBaud() const {
    termios settings{};
    if (::tcgetattr(master_, &settings) != 0) return 0;
    const speed_t code = ::cfgetospeed(&settings);
    for (const SpeedCode& speed : LINE_SPEEDS)
        if (speed.code == code) return speed.baud;
    return 0;
}

}  // namespace pixlor::camsim
