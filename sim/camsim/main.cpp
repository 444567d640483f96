// pixlor-camsim: a simulated camera on a pseudo-terminal. It prints the device to open as the
// serial port on the first line of its output, then answers the host until SIGTERM or SIGINT.
#include "sim/Scenario.h"
#include "sim/camsim/CameraLine.h"
#include "sim/camsim/PseudoTerminal.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) { stopRequested = 1; }

const char* const kUsage =
    "usage: pixlor-camsim [--scenario FILE] [--pictures N] [--packet-size N] [--seed N]\n"
    "                     [--log FILE] [--no-pacing]\n"
    "  --scenario FILE   pictures, data seed, packet size and faults from a JSON file\n"
    "  --pictures N      a quick set of N pictures instead (5 when no scenario is given)\n"
    "  --packet-size N   payload bytes a data packet (1..65535, default 2048)\n"
    "  --seed N          seed of the picture data (default 1)\n"
    "  --log FILE        append every byte each way, with time, direction and speed\n"
    "  --no-pacing       send each answer at once instead of at the line's speed (the\n"
    "                    camera's own delays, such as erasing a picture, stay)\n";

struct Options {
    std::string scenarioPath;
    std::string logPath;
    std::optional<unsigned long> pictures;
    std::optional<unsigned long> packetSize;
    std::optional<unsigned long> seed;
    bool pacing = true;
};

bool parseNumber(const char* text, unsigned long low, unsigned long high, unsigned long& out) {
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || value < low || value > high)
        return false;
    out = value;
    return true;
}

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--no-pacing") {
            options.pacing = false;
            continue;
        }
        if (option != "--scenario" && option != "--log" && option != "--pictures" &&
            option != "--packet-size" && option != "--seed") {
            error = "unknown option " + option;
            return false;
        }
        if (i + 1 == argc) {
            error = option + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        unsigned long number = 0;
        if (option == "--scenario") {
            options.scenarioPath = value;
        } else if (option == "--log") {
            options.logPath = value;
        } else if (option == "--pictures" && parseNumber(value, 0, 65535, number)) {
            options.pictures = number;
        } else if (option == "--packet-size" && parseNumber(value, 1, 65535, number)) {
            options.packetSize = number;
        } else if (option == "--seed" && parseNumber(value, 0, 0xFFFFFFFFul, number)) {
            options.seed = number;
        } else {
            error = option + ": \"" + value + "\" is not a number in range";
            return false;
        }
    }
    return true;
}

bool loadScenario(const Options& options, pixlor::sim::Scenario& scenario, std::string& error) {
    if (!options.scenarioPath.empty()) {
        std::ifstream file(options.scenarioPath, std::ios::binary);
        if (!file) {
            error = options.scenarioPath + ": cannot be read";
            return false;
        }
        std::stringstream text;
        text << file.rdbuf();
        if (!pixlor::sim::parseScenario(text.str(), scenario, error)) {
            error = options.scenarioPath + ": " + error;
            return false;
        }
    } else {
        scenario.pictures = pixlor::sim::defaultPictures(5);
    }
    if (options.pictures)
        scenario.pictures = pixlor::sim::defaultPictures(static_cast<unsigned>(*options.pictures));
    if (options.packetSize) scenario.packetSize = static_cast<std::uint32_t>(*options.packetSize);
    if (options.seed) scenario.seed = static_cast<std::uint32_t>(*options.seed);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace pixlor;
    Options options;
    std::string error;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "pixlor-camsim: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    sim::Scenario scenario;
    if (!loadScenario(options, scenario, error)) {
        std::fprintf(stderr, "pixlor-camsim: %s\n", error.c_str());
        return 2;
    }
    camsim::ByteLogFile log;
    if (!options.logPath.empty() && !log.open(options.logPath, error)) {
        std::fprintf(stderr, "pixlor-camsim: %s\n", error.c_str());
        return 1;
    }

    // The stop signals stay blocked except while the line waits, so none slips in between.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    struct sigaction action{};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    camsim::PseudoTerminal terminal;
    if (!terminal.open(error)) {
        std::fprintf(stderr, "pixlor-camsim: %s\n", error.c_str());
        return 1;
    }
    sim::CameraModel camera = sim::cameraFor(scenario);
    camera.setLogging(false);  // the log file has every byte; memory need not
    std::printf("%s\n", terminal.devicePath().c_str());
    std::fflush(stdout);

    camsim::LineOptions lineOptions;
    lineOptions.pacing = options.pacing;
    camsim::CameraLine line(terminal, camera, lineOptions, options.logPath.empty() ? nullptr : &log);
    if (!line.run(stopRequested, waitMask, error)) {
        std::fprintf(stderr, "pixlor-camsim: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
