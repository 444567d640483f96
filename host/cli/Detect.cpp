#include "host/cli/Detect.h"

#include "host/cli/Commands.h"
#include "host/cli/Interrupts.h"
#include "host/cli/Port.h"
#include "host/cli/Texts.h"
#include "link/CameraProtocol.h"
#include "platform/posix/SerialDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <glob.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace pixlor::host::cli {

namespace {

namespace fs = std::filesystem;

constexpr int ANSWER_WAIT_MS = 200;  // the camera answers a probe within a few milliseconds
constexpr int WAKE_SPEED_TRIES = 2;  // a camera just switched on may miss the first probe
constexpr int HIGHEST_COM_NAMED = 8;

struct DetectedDevice {
    std::string device;
    std::uint32_t baud = 0;  // where a camera answered; 0: none
    std::string problem;     // why the device could not be tried; empty: it was
};

constexpr int QUIET_MS = 50;  // a line silent this long has finished what it was sending
constexpr int LONGEST_QUIET_WAIT_MS = 1000;

struct OpenLine {
    std::size_t device;  // index into the results
    int fd;
    termios saved;
    std::vector<std::uint8_t> answer;  // what came since the last probe
};

// Reads what the lines send for `milliseconds`; false when nothing came at all.
bool Collect(const std::vector<OpenLine*>& lines, int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    bool any = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (lines.empty() || left.count() <= 0 || InterruptSignal() != 0) return any;
        std::vector<pollfd> ready;
        for (const OpenLine* line : lines) ready.push_back({line->fd, POLLIN, 0});
        int got = 0;
        {
            const InterruptibleWait interruptible;  // Ctrl+C ends the search
            got = ::poll(ready.data(), ready.size(), static_cast<int>(left.count()));
        }
        for (std::size_t i = 0; got > 0 && i < ready.size(); ++i) {
            if ((ready[i].revents & POLLIN) == 0) continue;
            std::uint8_t bytes[256];
            const ssize_t count = ::read(ready[i].fd, bytes, sizeof bytes);
            if (count <= 0) continue;
            lines[i]->answer.insert(lines[i]->answer.end(), bytes, bytes + count);
            any = true;
        }
    }
}

void WaitUntilQuiet(const std::vector<OpenLine*>& lines) {
    int waited = 0;
    while (waited < LONGEST_QUIET_WAIT_MS && Collect(lines, QUIET_MS)) waited += QUIET_MS;
}

speed_t SpeedCode(std::uint32_t baud) {
    switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    default: return B115200;
    }
}

// Opens `device` as a serial line, raw, without taking it from another program. -1 with
// `problem` empty: no line behind it, not worth a word.
int OpenLineOf(const std::string& device, bool named, termios& saved, std::string& problem) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES)
            problem = Tr("may not be opened by you (the dialout group may)");
        else if (errno == EBUSY)
            problem = Tr("in use by another program");
        else if (named || (errno != EIO && errno != ENXIO && errno != ENODEV))
            problem = std::strerror(errno);
        return -1;
    }
    if (::tcgetattr(fd, &saved) != 0) {
        if (named) problem = Tr("not a serial device");
        ::close(fd);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        problem = Tr("in use by another program");
        ::close(fd);
        return -1;
    }
    termios raw = saved;
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &raw) != 0) {  // a ttyS whose chip is missing says EIO here
        if (named) problem = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

void NaturalSort(std::vector<std::string>& names) {
    const auto split = [](const std::string& name) {
        std::size_t digits = name.size();
        while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
        const long number = digits < name.size() ? std::atol(name.c_str() + digits) : -1;
        return std::make_pair(name.substr(0, digits), number);
    };
    std::sort(names.begin(), names.end(),
              [&](const std::string& a, const std::string& b) { return split(a) < split(b); });
}

// The devices to try: /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* and those PIXLOR_COM<n> names,
// each once.
std::vector<std::string> SerialDeviceCandidates() {
    std::vector<std::string> found;
    for (const char* pattern : {"/dev/ttyS*", "/dev/ttyUSB*", "/dev/ttyACM*"}) {
        glob_t matches{};
        if (::glob(pattern, 0, nullptr, &matches) == 0)
            for (std::size_t i = 0; i < matches.gl_pathc; ++i)
                found.emplace_back(matches.gl_pathv[i]);
        ::globfree(&matches);
    }
    NaturalSort(found);
    std::vector<std::string> named;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        const std::size_t equals = entry.find('=');
        if (entry.rfind("PIXLOR_COM", 0) == 0 && equals > 10 && equals + 1 < entry.size() &&
            std::all_of(entry.begin() + 10, entry.begin() + static_cast<long>(equals),
                        [](char c) { return c >= '0' && c <= '9'; }))
            named.push_back(entry.substr(equals + 1));
    }
    NaturalSort(named);
    found.insert(found.end(), named.begin(), named.end());
    // One device under two names (a link and its target) is tried once.
    std::vector<std::string> unique;
    std::vector<fs::path> seen;
    for (const std::string& device : found) {
        std::error_code error;
        const fs::path real = fs::weakly_canonical(device, error);
        if (std::find(seen.begin(), seen.end(), real) != seen.end()) continue;
        seen.push_back(real);
        unique.push_back(device);
    }
    return unique;
}

// Each device that has a serial line behind it, with the speed a camera answered at; a ttyS
// without its chip is left out.
std::vector<DetectedDevice> ProbeSerialDevices(const std::vector<std::string>& devices) {
    std::vector<DetectedDevice> results;
    std::vector<OpenLine> lines;
    for (const std::string& device : devices) {
        const bool named = device.rfind("/dev/tty", 0) != 0;
        DetectedDevice result{device, 0, ""};
        termios saved{};
        const int fd = OpenLineOf(device, named, saved, result.problem);
        if (fd < 0 && result.problem.empty()) continue;
        if (fd >= 0) lines.push_back({results.size(), fd, saved, {}});
        results.push_back(result);
    }
    // The wake-up speed first, then the others, fastest first: a camera left at the speed of
    // a command that was cut short listens there.
    std::vector<std::uint32_t> speeds(WAKE_SPEED_TRIES, WAKE_BAUD);
    for (std::uint32_t index = SPEED_INDEX_LAST; index >= 1; --index)
        if (SpeedTableBaud(index) != WAKE_BAUD) speeds.push_back(SpeedTableBaud(index));
    for (const std::uint32_t baud : speeds) {
        std::vector<OpenLine*> asking;
        for (OpenLine& line : lines) {
            if (results[line.device].baud != 0) continue;
            termios settings{};
            ::tcgetattr(line.fd, &settings);
            ::cfsetispeed(&settings, SpeedCode(baud));
            ::cfsetospeed(&settings, SpeedCode(baud));
            ::tcsetattr(line.fd, TCSANOW, &settings);
            asking.push_back(&line);
        }
        // A camera still sending the rest of a cut-off transfer is let finish first: its bytes,
        // received at another speed, could look like an answer.
        WaitUntilQuiet(asking);
        for (OpenLine* line : asking) {
            ::tcflush(line->fd, TCIFLUSH);
            line->answer.clear();
            const std::uint8_t probe = WIRE_PROBE;
            if (::write(line->fd, &probe, 1) == 1) ::tcdrain(line->fd);
        }
        Collect(asking, ANSWER_WAIT_MS);
        // The camera answers the probe with one NAK, and nothing else.
        for (OpenLine* line : asking)
            if (line->answer == std::vector<std::uint8_t>{WIRE_NAK})
                results[line->device].baud = baud;
        if (InterruptSignal() != 0) break;
    }
    for (OpenLine& line : lines) {
        ::tcsetattr(line.fd, TCSANOW, &line.saved);
        ::close(line.fd);
    }
    return results;
}

}  // namespace

int DetectCameras(const TerminalStreams& streams, TerminalUser& user) {
    const auto start = std::chrono::steady_clock::now();
    const std::vector<DetectedDevice> results = ProbeSerialDevices(SerialDeviceCandidates());
    if (InterruptSignal() != 0) {
        streams.err << "pixlor: " << Tr("interrupted") << std::endl;
        return InterruptExitStatus(InterruptSignal());
    }
    std::size_t width = 0;
    for (const DetectedDevice& result : results) width = std::max(width, result.device.size());
    const DetectedDevice* first = nullptr;
    for (const DetectedDevice& result : results) {
        std::string said;
        if (!result.problem.empty())
            said = result.problem;
        else if (result.baud == 0)
            said = Tr("no camera answers");
        else {
            said = Fill(Tr("a camera answers at {} Bd"), {std::to_string(result.baud)});
            for (int number = 1; number <= HIGHEST_COM_NAMED; ++number)
                if (SerialDeviceOf(static_cast<unsigned>(number)) == result.device)
                    said += " (COM" + std::to_string(number) + ")";
            if (result.baud != WAKE_BAUD)
                said +=
                    Tr("; a command was cut short there: the next one sends it back to "
                       "19200 Bd");
            if (first == nullptr) first = &result;
        }
        streams.out << result.device << std::string(width + 2 - result.device.size(), ' ') << said
                    << '\n';
    }
    streams.out << std::flush;
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    const auto tried = static_cast<long long>(results.size());
    user.status(Fill(Tr("{} tried in {} s"), {CountOf(tried, "serial device", "serial devices"),
                                              std::to_string(took.count() / 1000) + "." +
                                                  std::to_string(took.count() / 100 % 10)}));
    if (first == nullptr) {
        user.status(
            Tr("No camera answers: is it connected and switched on? PIXLOR_COM<n>=DEVICE "
               "adds a device to try."));
        return EXIT_CAMERA_FAILED;
    }
    const std::string stored = std::to_string(StoredPort().number);
    user.status(Fill(Tr("`pixlor --port {} list` uses it for one command; PIXLOR_COM{}={} makes it "
                        "the port of the settings, COM{}"),
                     {first->device, stored, first->device, stored}));
    return EXIT_DONE;
}

}  // namespace pixlor::host::cli
