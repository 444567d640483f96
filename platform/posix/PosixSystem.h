// The system seam on Linux: the same behaviour the plug-in gets from Windows, so that it runs and
// is tested natively. One class, written in four files by concern: PosixSerial.cpp (serial
// ports are terminals set up through termios), PosixFiles.cpp (files take "\" as a separator;
// the calls shared by ports and files, and the last error), PosixRegistry.cpp (the registry
// lives in a .reg text file), PosixConsole.cpp (the clock, and the console input on standard
// input).
#pragma once

#include "platform/RegistryModel.h"
#include "platform/System.h"

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace pixlor::posix {

// The last error of this thread's calls, set as Windows sets it.
BOOL fail(DWORD error);
DWORD errorFromErrno(int error);
BOOL failErrno();

// The settings file: PIXLOR_REGISTRY, else $XDG_CONFIG_HOME/pixlor/registry.reg, else
// ~/.config/pixlor/registry.reg.
std::string RegistryFilePath();
// Why `path` cannot be the settings file (a FIFO, a device, a folder, a link that leads
// nowhere), in words; empty when it can, or does not exist yet.
std::string RegistryFileProblem(const std::string& path);

// One open thing behind a HANDLE.
struct PosixHandle {
    enum class Kind { Port, File, Find, Console } kind;
    int fd = -1;
    DCB dcb{};  // the line settings as the plug-in last set them
    COMMTIMEOUTS timeouts{};
    std::vector<WIN32_FIND_DATAA> found;
    std::size_t nextFound = 0;
    // The console input: the events taken in and not read yet, whether the stop signal that is
    // waiting was handed out as Esc already, and the pipe's end that types into it.
    std::deque<INPUT_RECORD> events{};
    bool stopReported = false;
    int feed = -1;
};

// The object behind `handle` when it is of `kind`, else nullptr.
PosixHandle* handleOf(HANDLE handle, PosixHandle::Kind kind);

// Bytes that went over a port, into the byte log that PIXLOR_SERIAL_LOG names (none: nothing).
void LogPortBytes(const PosixHandle& port, bool fromHost, const BYTE* bytes, std::size_t count);
void LogPortEvent(const std::string& what);

// True for one of the process's standard handles (GetStdHandle), which CloseHandle leaves open.
bool isStandardHandle(const PosixHandle* handle);

class PosixSystem final : public System {
public:
    PIXLOR_SYSTEM_CALLS(PIXLOR_SYSTEM_OVERRIDE)

private:
    static HANDLE openPort(unsigned number);
    static BOOL readPort(PosixHandle& port, BYTE* buffer, DWORD count, DWORD* done);

    void loadRegistry();
    void synthesizeSerialPorts();
    DWORD saveRegistry();

    RegistryModel registry_;
    std::string loadedPath_;
    std::string loadedStamp_;
    std::string synthesizedKey_;
    bool malformed_ = false;
};

}  // namespace pixlor::posix
