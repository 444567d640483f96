#include "host/cli/Port.h"

#include "config/SettingsStore.h"
#include "host/cli/Texts.h"
#include "link/CameraProtocol.h"
#include "platform/System.h"
#include "platform/posix/SerialDevice.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace pixlor::host::cli {

namespace {

// The plug-in's key below the host's key for plug-ins, as the console program's host names it.
constexpr const char* SETTINGS_KEY = "Software\\Far\\Plugins\\Pixlor";

}  // namespace

bool ReadStoredNumber(const char* name, DWORD& value) {
    HKEY key = nullptr;
    if (os().RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD stored = 0;
    DWORD size = sizeof stored;
    const bool found = os().RegQueryValueExA(key, name, &type, reinterpret_cast<BYTE*>(&stored),
                                             &size) == ERROR_SUCCESS &&
                       type == REG_DWORD && size == sizeof stored;
    os().RegCloseKey(key);
    if (found) value = stored;
    return found;
}

bool WriteStoredNumber(const char* name, DWORD value) {
    HKEY key = nullptr;
    if (os().RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    const bool set =
        os().RegSetValueExA(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof value) == ERROR_SUCCESS;
    return os().RegCloseKey(key) == ERROR_SUCCESS && set;
}

bool ReadStoredText(const char* name, std::string& text) {
    HKEY key = nullptr;
    if (os().RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    char stored[512] = {};
    DWORD size = sizeof stored - 1;
    const bool found = os().RegQueryValueExA(key, name, &type, reinterpret_cast<BYTE*>(stored),
                                             &size) == ERROR_SUCCESS &&
                       type == REG_SZ;
    os().RegCloseKey(key);
    if (found) text = stored;
    return found;
}

void WriteStoredText(const char* name, const std::string& text) {
    HKEY key = nullptr;
    if (os().RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    os().RegSetValueExA(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
    os().RegCloseKey(key);
}

PortInUse StoredPort() {
    DWORD index = DEFAULT_SERIAL_PORT;
    ReadStoredNumber(SETTING_SERIAL_PORT, index);
    DWORD speed = DEFAULT_BAUD_RATE;
    ReadStoredNumber(SETTING_BAUD_RATE, speed);
    PortInUse port;
    port.number = static_cast<int>(std::min<DWORD>(index, 254) + 1);
    port.shown = "COM" + std::to_string(port.number);
    port.device = SerialDeviceOf(static_cast<unsigned>(port.number));
    port.baud = SpeedTableBaud(speed);
    port.variable = port.number;
    return port;
}

bool PortNamed(const std::string& named, PortInUse& port, std::string& why) {
    port = StoredPort();
    if (const int number = ComPortNumber(named); number > 0) {
        port.shown = "COM" + std::to_string(number);
        port.device = SerialDeviceOf(static_cast<unsigned>(number));
        port.variable = number;
        return true;
    }
    if (named.find('/') == std::string::npos) {
        why = Fill(Tr("--port \"{}\": give COM<n> or the path of a device, such as /dev/ttyUSB0"),
                   {named});
        return false;
    }
    port.shown = port.device = named;
    port.variable = 0;
    return true;
}

std::string SerialDeviceProblem(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return errno == ENOENT ? Fill(Tr("{} does not exist"), {device})
                               : device + ": " + std::strerror(errno);
    if (!S_ISCHR(info.st_mode)) return Fill(Tr("{} is not a serial device"), {device});
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES)
            return Fill(Tr("{} may not be opened by you (the dialout group may)"), {device});
        if (errno == EBUSY) return Fill(Tr("{} is in use by another program"), {device});
        return device + ": " + std::strerror(errno);
    }
    std::string problem;
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        problem = Fill(Tr("{} is not a serial device"), {device});
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        problem = Fill(Tr("{} is in use by another program"), {device});
    ::close(fd);
    return problem;
}

int ComPortNumber(const std::string& text) {
    if (text.size() < 4 || text.size() > 6) return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(text[static_cast<size_t>(i)])) != "COM"[i])
            return 0;
    int number = 0;
    for (size_t i = 3; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
        number = number * 10 + (text[i] - '0');
    }
    return number;  // "COM0" is 0 as well: no port
}

}  // namespace pixlor::host::cli
