// Catalogue: the time to open a panel on a camera with 500 pictures (pixlor-camsim, paced, at
// the configured 115200 Bd), against the wire time of the exchanges it needed, read from the
// simulator's byte log.
//
//   pixlor-bench-catalogue [--pictures N]
#include "bench/BenchSupport.h"
#include "host/HostEmulator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pixlor::bench {
namespace {

// What the byte log says about the line: every burst with its time, speed and size.
struct LineUse {
    double wireSeconds = 0;    // every byte each way at its speed, 10 bits a byte
    double firstSeconds = -1;  // the log's time of the first and the last burst
    double lastSeconds = 0;
    double lastBurstWire = 0;
    unsigned hostBursts = 0;  // exchanges begun by the host: commands, ACKs, probes
    unsigned long bytes = 0;
};

LineUse readByteLog(const std::string& path) {
    LineUse use;
    std::ifstream log(path);
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream words(line);
        double time = 0;
        std::string direction, word;
        unsigned baud = 0;
        words >> time >> direction >> baud;
        unsigned count = 0;
        while (words >> word)
            if (word.size() == 2 && word.find_first_not_of("0123456789ABCDEF") == std::string::npos)
                ++count;
        if (baud == 0 || count == 0) continue;
        if (use.firstSeconds < 0) use.firstSeconds = time;
        use.lastSeconds = time;
        use.lastBurstWire = count * 10.0 / baud;
        use.wireSeconds += use.lastBurstWire;
        use.bytes += count;
        if (direction == "host>cam") ++use.hostBursts;
    }
    return use;
}

}  // namespace
}  // namespace pixlor::bench

int main(int argc, char** argv) {
    using namespace pixlor;
    using namespace pixlor::bench;
    unsigned pictures = 500;
    if (argc == 3 && std::strcmp(argv[1], "--pictures") == 0)
        pictures = std::atoi(argv[2]);
    else if (argc != 1) {
        std::fprintf(stderr, "usage: pixlor-bench-catalogue [--pictures N]\n");
        return 2;
    }
    ScratchFolder folder;
    const std::string logPath = folder.path() + "/bytes.log";
    if (!writeSettings(folder.path(), 5)) return 1;
    double openSeconds = 0;
    std::size_t folders = 0;
    {
        CamsimOnCom1 camsim({"--pictures", std::to_string(pictures), "--log", logPath});
        if (!camsim.running()) return 1;
        host::PluginModule module;
        if (!host::LoadPluginModule(PIXLOR_MODULE_PATH, module)) {
            std::fprintf(stderr, "%s\n", module.errorText.c_str());
            return 1;
        }
        QuietUser user;
        host::EmulatorSettings settings;
        settings.moduleName = PIXLOR_MODULE_PATH;
        settings.diskDirectory = folder.path();
        host::HostEmulator emulator(module.entryPoints, user, settings);
        if (!emulator.start()) return 1;
        const double before = wallSeconds();
        const bool opened = emulator.openPanel();
        openSeconds = wallSeconds() - before;
        if (!opened || user.questions != 0) {
            std::fprintf(stderr, "the panel did not open: %s\n", emulator.errorText.c_str());
            return 1;
        }
        folders = emulator.pluginPanel().names().size();
        emulator.closePanel();
    }  // the simulator flushes its log as it ends
    const LineUse use = readByteLog(logPath);
    // The log's first burst is the wake-up probe: everything before it is the plug-in's pauses
    // before waking the camera (opening the port, letting the line settle).
    const double exchangeSeconds = use.lastSeconds + use.lastBurstWire - use.firstSeconds;
    std::printf("pictures %u, date folders %zu, bytes on the wire %lu, host bursts %u\n", pictures,
                folders, use.bytes, use.hostBursts);
    std::printf("open %.3f s; from the probe to the last byte %.3f s; wire time %.3f s\n",
                openSeconds, exchangeSeconds, use.wireSeconds);
    std::printf("wire time / exchange time %.2f%%; wire time / open time %.2f%%\n",
                100.0 * use.wireSeconds / exchangeSeconds, 100.0 * use.wireSeconds / openSeconds);
    std::printf("time between exchanges %.3f ms each; before the probe %.3f s\n",
                1000.0 * (exchangeSeconds - use.wireSeconds) / use.hostBursts,
                openSeconds - exchangeSeconds);
    return 0;
}
