// Listing: the CPU time of GetFindData for 100, 1,000 and 10,000 pictures over 1 and 300 dates,
// at the root (the date folders) and in the largest folder. The catalogue is read from the
// in-process simulator on the test system's virtual clock, so opening the panel costs no waiting.
#include "bench/BenchSupport.h"
#include "host/HostEmulator.h"
#include "platform/Calendar.h"
#include "platform/fake/FakeSystem.h"
#include "sim/CameraModel.h"
#include "sim/peer/CameraPeer.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace pixlor::bench {
namespace {

constexpr int REPEATS = 7;

// The plug-in's GetFindData, timed on this thread's CPU clock.
int(FARAPI* pluginGetFindData)(HANDLE, PluginPanelItem**, int*, int) = nullptr;
double lastListingSeconds = 0;

double threadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int FARAPI timedGetFindData(HANDLE plugin, PluginPanelItem** items, int* count, int opMode) {
    const double before = threadCpuSeconds();
    const int result = pluginGetFindData(plugin, items, count, opMode);
    lastListingSeconds = threadCpuSeconds() - before;
    return result;
}

// Pictures in camera order, spread evenly over `dates` consecutive days.
std::vector<sim::Picture> picturesOver(unsigned count, unsigned dates) {
    const std::int64_t firstDay = daysFromCivil(2002, 7, 5) * 86400;
    std::vector<sim::Picture> pictures;
    pictures.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        const std::int64_t day = static_cast<std::int64_t>(i) * dates / count;
        pictures.push_back(
            {100000 + i, 4000, static_cast<std::int32_t>(firstDay + day * 86400 + i), 0});
    }
    return pictures;
}

// The least CPU time of several listings: the one least disturbed by the rest of the machine.
template <typename ListOnce>
double leastOf(ListOnce listOnce) {
    double least = 1e9;
    for (int i = 0; i < REPEATS; ++i) {
        if (!listOnce()) return -1;
        least = std::min(least, lastListingSeconds);
    }
    return least;
}

bool measure(unsigned count, unsigned dates, double& rootSeconds, double& folderSeconds,
             std::size_t& folderItems) {
    FakeSystem fake;
    System* previous = useSystem(&fake);
    ScratchFolder disk;
    sim::CameraModel camera(picturesOver(count, dates));
    camera.setLogging(false);
    CameraPeer cameraPeer(camera);
    fake.attachPort(2, &cameraPeer);
    auto& ports = fake.registry().ensureKey("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
    ports.values.push_back({"COM2", REG_SZ, std::vector<BYTE>{'C', 'O', 'M', '2', 0}});

    host::PluginEntryPoints entryPoints = host::LinkedPluginEntryPoints();
    pluginGetFindData = entryPoints.GetFindData;
    entryPoints.GetFindData = timedGetFindData;
    QuietUser user;
    host::EmulatorSettings settings;
    settings.moduleName = PIXLOR_MODULE_PATH;  // its folder holds the language files
    settings.diskDirectory = disk.path();
    bool measured = false;
    {
        host::HostEmulator emulator(entryPoints, user, settings);
        if (emulator.start() && emulator.openPanel()) {
            fake.clearRecords();
            rootSeconds = leastOf([&] { return emulator.list(); });
            const std::string folder = emulator.pluginPanel().names().front();
            measured = emulator.enterFolder(folder);
            folderItems = emulator.pluginPanel().names().size();
            fake.clearRecords();
            folderSeconds = leastOf([&] { return emulator.list(); });
            measured = measured && rootSeconds >= 0 && folderSeconds >= 0;
            emulator.closePanel();
        }
        if (!measured) std::fprintf(stderr, "listing failed: %s\n", emulator.errorText.c_str());
    }
    useSystem(previous);
    return measured;
}

}  // namespace
}  // namespace pixlor::bench

int main() {
    using namespace pixlor::bench;
    std::printf("%8s %6s %12s %14s %12s %14s\n", "pictures", "dates", "root ms", "root ns/pic",
                "folder ms", "folder items");
    bool allRan = true;
    for (unsigned dates : {1u, 300u}) {
        for (unsigned count : {100u, 1000u, 10000u}) {
            double root = 0, folder = 0;
            std::size_t items = 0;
            if (!measure(count, dates, root, folder, items)) {
                allRan = false;
                continue;
            }
            std::printf("%8u %6u %12.3f %14.1f %12.3f %14zu\n", count, dates, root * 1e3,
                        root * 1e9 / count, folder * 1e3, items);
            std::fflush(stdout);
        }
    }
    return allRan ? 0 : 1;
}
