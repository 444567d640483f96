// Transfer efficiency: pictures copied through the plug-in module's exports (host emulator,
// pixlor.so, the POSIX serial port) from pixlor-camsim with line pacing on, at three line speeds
// and three packet sizes. Every figure is a ratio of times measured in the same run.
//
//   pixlor-bench-transfer [--bytes N]   N payload bytes a run at 115200 Bd (default 2 MiB);
//                                       slower speeds copy proportionally less
#include "bench/BenchSupport.h"
#include "host/HostEmulator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace pixlor::bench {
namespace {

constexpr unsigned PICTURE_COUNT = 4;
constexpr std::uint32_t FRAMING = 6;  // escape, type, 16-bit length, 16-bit checksum
constexpr std::uint32_t ACK_BYTES = 1;

struct Setting {
    unsigned speedIndex;
    std::uint32_t baud;
    std::uint32_t packetSize;
};

struct Notice {
    double time;
    std::string target;  // the file the copy box names
};

struct Figures {
    std::uint64_t payload = 0;   // bytes of packets timed one against the next
    double wireSeconds = 0;      // their time on the wire, with the ACK before each
    double measuredSeconds = 0;  // from the first packet's arrival to the last's, per file
    std::uint32_t packets = 0;   // every data packet of the copy
    double copySeconds = 0;      // the whole F5, wake-up and speed switches included
    std::uint64_t copyBytes = 0;
    double cpuSeconds = 0;
};

// Groups the copy box's redraws by file: the first redraw of a file comes before its first
// packet, every later one after a packet.
void addPacketTimes(const std::vector<Notice>& notices, std::uint32_t size, const Setting& setting,
                    Figures& figures) {
    for (std::size_t first = 0; first < notices.size();) {
        std::size_t end = first;
        while (end < notices.size() && notices[end].target == notices[first].target) ++end;
        // notices[first + 1 + k] marks the arrival of packet k.
        const std::size_t packets = end - first - 1;
        figures.packets += static_cast<std::uint32_t>(packets);
        for (std::size_t k = 1; k < packets; ++k) {
            const std::uint32_t payload =
                payloadOf(static_cast<std::uint32_t>(k), size, setting.packetSize);
            figures.payload += payload;
            figures.wireSeconds += (payload + FRAMING + ACK_BYTES) * 10.0 / setting.baud;
        }
        if (packets > 1) figures.measuredSeconds += notices[end - 1].time - notices[first + 1].time;
        first = end;
    }
}

bool runSetting(const Setting& setting, std::uint64_t bytesAt115200, Figures& figures) {
    const std::uint64_t bytes = bytesAt115200 * setting.baud / 115200;
    const auto size = static_cast<std::uint32_t>((bytes + PICTURE_COUNT - 1) / PICTURE_COUNT);
    ScratchFolder folder;
    const std::string disk = folder.path() + "/disk";
    std::filesystem::create_directory(disk);
    if (!writeSettings(folder.path(), setting.speedIndex)) return false;
    CamsimOnCom1 camsim(
        {"--scenario", writeScenario(folder.path(), PICTURE_COUNT, size, setting.packetSize)});
    if (!camsim.running()) return false;

    host::PluginModule module;
    if (!host::LoadPluginModule(PIXLOR_MODULE_PATH, module)) {
        std::fprintf(stderr, "%s\n", module.errorText.c_str());
        return false;
    }
    QuietUser user;
    host::EmulatorSettings settings;
    settings.moduleName = PIXLOR_MODULE_PATH;
    settings.diskDirectory = disk;
    host::HostEmulator emulator(module.entryPoints, user, settings);
    if (!emulator.start() || !emulator.openPanel() ||
        !emulator.selectItems(emulator.pluginPanel().names())) {
        std::fprintf(stderr, "opening the panel: %s\n", emulator.errorText.c_str());
        return false;
    }
    std::vector<Notice> notices;
    notices.reserve(PICTURE_COUNT * (size / setting.packetSize + 3));
    user.onNotice = [&notices](const host::BoxRecord& box) {
        if (box.lines.size() == 5) notices.push_back({wallSeconds(), box.lines[0]});
    };
    const double wallBefore = wallSeconds();
    const double cpuBefore = cpuSeconds();
    const int copied = emulator.pressKey(VK_F5);
    figures.copySeconds = wallSeconds() - wallBefore;
    figures.cpuSeconds = cpuSeconds() - cpuBefore;
    emulator.closePanel();

    for (const auto& entry : std::filesystem::recursive_directory_iterator(disk))
        if (entry.is_regular_file()) figures.copyBytes += entry.file_size();
    if (copied != 1 || user.questions != 0 ||
        figures.copyBytes != std::uint64_t{size} * PICTURE_COUNT) {
        std::fprintf(stderr, "the copy failed: %llu of %llu bytes on disk\n",
                     static_cast<unsigned long long>(figures.copyBytes),
                     static_cast<unsigned long long>(std::uint64_t{size} * PICTURE_COUNT));
        return false;
    }
    addPacketTimes(notices, size, setting, figures);
    return true;
}

}  // namespace
}  // namespace pixlor::bench

int main(int argc, char** argv) {
    using namespace pixlor::bench;
    std::uint64_t bytes = 2u << 20;
    if (argc == 3 && std::strcmp(argv[1], "--bytes") == 0)
        bytes = std::strtoull(argv[2], nullptr, 10);
    else if (argc != 1) {
        std::fprintf(stderr, "usage: pixlor-bench-transfer [--bytes N]\n");
        return 2;
    }
    const Setting settings[] = {{5, 115200, 2048}, {5, 115200, 512}, {5, 115200, 8192},
                                {4, 57600, 2048},  {4, 57600, 512},  {4, 57600, 8192},
                                {0, 19200, 2048},  {0, 19200, 512},  {0, 19200, 8192}};
    std::printf("%7s %6s %9s %7s %10s %8s %8s %8s %9s %11s %9s\n", "baud", "packet", "payload",
                "packets", "payload/s", "of line", "of ceil", "on wire", "gap ms", "copy B/s",
                "CPU us/pk");
    bool allRan = true;
    for (const Setting& setting : settings) {
        Figures figures;
        if (!runSetting(setting, bytes, figures) || figures.measuredSeconds <= 0) {
            std::printf("%7u %6u  failed\n", setting.baud, setting.packetSize);
            allRan = false;
            continue;
        }
        const double lineRate = setting.baud / 10.0;
        const double ceiling =
            static_cast<double>(setting.packetSize) / (setting.packetSize + FRAMING + ACK_BYTES);
        const double throughput = static_cast<double>(figures.payload) / figures.measuredSeconds;
        const std::uint32_t timedPackets = figures.packets - PICTURE_COUNT;
        std::printf("%7u %6u %9llu %7u %10.1f %7.2f%% %7.2f%% %7.2f%% %9.3f %11.1f %9.1f\n",
                    setting.baud, setting.packetSize,
                    static_cast<unsigned long long>(figures.copyBytes), figures.packets, throughput,
                    100.0 * throughput / lineRate, 100.0 * throughput / (lineRate * ceiling),
                    100.0 * figures.wireSeconds / figures.measuredSeconds,
                    1000.0 * (figures.measuredSeconds - figures.wireSeconds) / timedPackets,
                    static_cast<double>(figures.copyBytes) / figures.copySeconds,
                    1e6 * figures.cpuSeconds / figures.packets);
        std::fflush(stdout);
    }
    return allRan ? 0 : 1;
}
