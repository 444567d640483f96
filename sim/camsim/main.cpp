// pixlor-camsim: a simulated camera on a pseudo-terminal. It prints the device to open as the
// serial port on the first line of its output, then answers the host until SIGTERM or SIGINT.
#include "sim/Scenario.h"
#include "sim/camsim/CameraLine.h"
#include "sim/camsim/PseudoTerminal.h"
#include "sim/jpeg/JpegPictureFiles.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) { stopRequested = 1; }

const char* const USAGE_TEXT =
    "usage: pixlor-camsim [--scenario FILE] [--pictures N] [--packet-size N] [--seed N]\n"
    "                     [--log FILE] [--no-pacing]\n"
    "  --scenario FILE   pictures, data seed, packet size and faults from a JSON file\n"
    "  --pictures N      a quick set of N pictures instead, 0..65535 (5 when no scenario is\n"
    "                    given)\n"
    "  --packet-size N   payload bytes a data packet (1..65535, default 2048)\n"
    "  --seed N          seed of the pictures' scenes or data (0..4294967295, default 1)\n"
    "  --log FILE        append every byte each way, with time, direction and speed\n"
    "  --no-pacing       send each answer at once instead of at the line's speed (the\n"
    "                    camera's own delays, such as erasing a picture, stay)\n";

const char* const HELP_TEXT =
    "\n"
    "A simulated camera on a pseudo-terminal. The first line it prints is the device to use as\n"
    "the serial port, for example /dev/pts/3; point pixlor at it through the port's variable\n"
    "(COM2 is pixlor's default port):\n"
    "    PIXLOR_COM2=/dev/pts/3 pixlor list\n"
    "It answers until SIGTERM or SIGINT (Ctrl+C), at the camera's line speed.\n"
    "\n"
    "The pictures are baseline JPEG files with an Exif block (DateTimeOriginal = the shooting\n"
    "time): photos of 640 x 480 unless a picture asks for other dimensions, thumbnails of\n"
    "160 x 120, each showing the picture's number and shooting time. A size the scenario fixes is\n"
    "met exactly (quality, then dimensions, then padding in comment segments); a size too small\n"
    "for any JPEG file gets plain data of that size, with a warning on standard error.\n"
    "\n"
    "Scenario file: a JSON object; every member may be left out.\n"
    "  content        \"jpeg\" (the default): JPEG pictures; \"data\": plain deterministic bytes\n"
    "  seed           0..4294967295 (default 1): varies the scenes, or the data\n"
    "  packetSize     payload bytes a data packet, 1..65535 (default 2048); above 32761 is more\n"
    "                 than pixlor's receive buffer holds\n"
    "  pictures       the pictures in camera order (default: a quick set of 5), each an object:\n"
    "    shootingTime   \"YYYY-MM-DD hh:mm:ss\" or seconds since 1970, calendar time (required)\n"
    "    photoSize      the photo's size in bytes, 0..4294967294 (default: as the image comes\n"
    "                   out; required with \"data\")\n"
    "    thumbSize      the same for the thumbnail\n"
    "    width, height  the photo's dimensions, 16..4096 each, both or neither (default 640 x\n"
    "                   480; JPEG pictures only)\n"
    "  faults         misbehaviour, each an object lying in wait for a command:\n"
    "    kind           nak, refuse, unexpected, damage, overlongLength, silence, completion or\n"
    "                   powerCycle (required)\n"
    "    command        set, get, action, data or any (the default)\n"
    "    register       0..255, narrows the command to one register\n"
    "    action         0..255, narrows it to one action (and implies \"command\": \"action\")\n"
    "    times          1..1000000 or \"forever\" (default 1): how often it strikes\n"
    "    packet         0..16777215, the 0-based data packet of the transfer (damage and\n"
    "                   overlongLength need it; silence and unexpected may have it)\n"
    "    value          unexpected: the byte sent, 0..255; overlongLength: the length\n"
    "                   announced, 0..65535; completion: the completion byte, 0..255, or \"none\"\n"
    "Example:\n"
    "  {\"seed\": 7, \"packetSize\": 2048,\n"
    "   \"pictures\": [\n"
    "     {\"shootingTime\": \"2002-07-05 09:14:03\"},\n"
    "     {\"shootingTime\": 1025982000, \"width\": 1024, \"height\": 768},\n"
    "     {\"shootingTime\": \"2002-07-06 18:02:11\",\n"
    "      \"photoSize\": 60000, \"thumbSize\": 3000}],\n"
    "   \"faults\": [\n"
    "     {\"kind\": \"refuse\", \"action\": 0, \"times\": \"forever\"},\n"
    "     {\"kind\": \"damage\", \"command\": \"data\", \"register\": 14, \"packet\": 5}]}\n";

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
        if (option == "--scenario") {
            options.scenarioPath = value;
            continue;
        }
        if (option == "--log") {
            options.logPath = value;
            continue;
        }
        const bool pictures = option == "--pictures", packetSize = option == "--packet-size";
        const unsigned long low = packetSize ? 1 : 0;
        const unsigned long high = pictures || packetSize ? 65535 : 0xFFFFFFFFul;
        unsigned long number = 0;
        if (!parseNumber(value, low, high, number)) {
            error = option + ": \"" + value + "\" is not a number from " + std::to_string(low) +
                    " to " + std::to_string(high);
            return false;
        }
        (pictures ? options.pictures : packetSize ? options.packetSize : options.seed) = number;
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
        std::fputs(USAGE_TEXT, stdout);
        std::fputs(HELP_TEXT, stdout);
        return 0;
    }
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "pixlor-camsim: %s\n%s", error.c_str(), USAGE_TEXT);
        return 2;
    }
    sim::Scenario scenario;
    if (!loadScenario(options, scenario, error)) {
        std::fprintf(stderr, "pixlor-camsim: %s\n", error.c_str());
        return 2;
    }
    ByteLogFile log;
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
    struct sigaction action {};
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
    if (scenario.content == sim::PictureContent::Jpeg)
        camera.setPictureFiles(
            std::make_unique<sim::JpegPictureFiles>(scenario.seed, [](const std::string& warning) {
                std::fprintf(stderr, "pixlor-camsim: %s\n", warning.c_str());
            }));
    camera.setLogging(false);  // the log file has every byte; memory need not
    std::printf("%s\n", terminal.devicePath().c_str());
    std::fflush(stdout);

    camsim::LineOptions lineOptions;
    lineOptions.pacing = options.pacing;
    camsim::CameraLine line(terminal, camera, lineOptions,
                            options.logPath.empty() ? nullptr : &log);
    if (!line.run(stopRequested, waitMask, error)) {
        std::fprintf(stderr, "pixlor-camsim: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
