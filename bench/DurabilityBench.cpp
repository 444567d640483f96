// What whole files and verified moves cost. Pictures copied with F5, and moved with F6 with and
// without the verify box, through the host emulator and the plug-in, from the in-process
// simulator on the test system's virtual clock at 115200 Bd, into a scratch folder on the real
// disk: the flushes and renames are the real system's, timed where the plug-in calls them;
// the line's time is the virtual clock's. Then the settings file's parser on growing files.
#include "bench/BenchSupport.h"
#include "host/HostEmulator.h"
#include "platform/Calendar.h"
#include "platform/RegistryModel.h"
#include "platform/fake/FakeSystem.h"
#include "platform/posix/RegistryFile.h"
#include "sim/CameraModel.h"
#include "sim/peer/CameraPeer.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace pixlor::bench {
namespace {

constexpr unsigned PICTURE_COUNT = 20;
constexpr std::uint32_t PHOTO_BYTES = 100000;
constexpr int ITEM_VERIFY_BOX = 9;  // of the move dialog

// OK in every dialog; the move dialog's verify box ticked when asked.
class MovingUser : public QuietUser {
public:
    int answerDialog(host::DialogRequest& dialog) override {
        if (verify && dialog.count > ITEM_VERIFY_BOX)
            dialog.items[ITEM_VERIFY_BOX].Param.Selected = 1;
        return QuietUser::answerDialog(dialog);
    }
    bool verify = false;
};

struct Run {
    double wall = 0;           // real seconds of the key press
    double flushSeconds = 0;   // real seconds inside FlushFileBuffers
    double renameSeconds = 0;  // real seconds inside MoveFileExA (the folder flushed with it)
    double lineSeconds = 0;    // virtual seconds: the line's time
    std::uint64_t bytesOnLine = 0;
    int flushes = 0;
    int files = 0;
    bool ok = false;
};

// One key press (F5, or F6 with or without verification) of every picture on a fresh camera.
Run press(int key, bool verify) {
    Run run;
    FakeSystem fake;
    System* previous = useSystem(&fake);
    ScratchFolder disk;
    std::vector<sim::Picture> pictures;
    const std::int64_t day = daysFromCivil(2002, 7, 5) * 86400;
    for (unsigned i = 0; i < PICTURE_COUNT; ++i)
        pictures.push_back({PHOTO_BYTES, 4000, static_cast<std::int32_t>(day + i * 60), 0});
    sim::CameraModel camera(pictures, 1, 2048);
    camera.setLogging(false);
    CameraPeer cameraPeer(camera);
    fake.attachPort(2, &cameraPeer);
    auto& ports = fake.registry().ensureKey("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
    ports.values.push_back({"COM2", REG_SZ, std::vector<BYTE>{'C', 'O', 'M', '2', 0}});
    MovingUser user;
    user.verify = verify;
    host::EmulatorSettings settings;
    settings.moduleName = PIXLOR_MODULE_PATH;
    settings.diskDirectory = disk.path();
    {
        host::HostEmulator emulator(host::LinkedPluginEntryPoints(), user, settings);
        if (emulator.start() && emulator.openPanel() &&
            emulator.selectItems(emulator.pluginPanel().names())) {
            fake.clearRecords();
            const std::uint64_t lineBefore = fake.nowMicros();
            const double before = wallSeconds();
            emulator.pressKey(key);
            run.wall = wallSeconds() - before;
            run.lineSeconds = static_cast<double>(fake.nowMicros() - lineBefore) * 1e-6;
            run.bytesOnLine = fake.bytesSent().size() + fake.bytesReceived().size();
            run.flushSeconds = fake.secondsIn(SysCall::FlushFileBuffers);
            run.renameSeconds = fake.secondsIn(SysCall::MoveFileExA);
            run.flushes = fake.calls(SysCall::FlushFileBuffers);
            run.files = fake.calls(SysCall::MoveFileExA);
            run.ok = run.files == static_cast<int>(PICTURE_COUNT);  // a move then says it is empty
            if (emulator.panelOpen()) emulator.closePanel();
        }
        if (!run.ok) std::fprintf(stderr, "the key press failed: %s\n", emulator.errorText.c_str());
    }
    useSystem(previous);
    return run;
}

// A settings file of `values` values in as many keys as a hundredth of them.
std::string settingsText(unsigned values) {
    std::string text = "REGEDIT4\n";
    for (unsigned i = 0; i < values; ++i) {
        if (i % 100 == 0)
            text += "\n[HKEY_CURRENT_USER\\Software\\Key" + std::to_string(i / 100) + "]\n";
        text += "\"Value" + std::to_string(i) + "\"=\"text " + std::to_string(i) + "\"\n";
    }
    return text;
}

}  // namespace
}  // namespace pixlor::bench

int main() {
    using namespace pixlor;
    using namespace pixlor::bench;
    std::printf("%u pictures of %u bytes, 115200 Bd on the virtual clock, files on the real disk\n",
                PICTURE_COUNT, PHOTO_BYTES);
    std::printf("%-16s %8s %6s %9s %9s %8s %9s %8s %10s\n", "key", "wall s", "files", "flush ms",
                "rename ms", "of wall", "of line", "line s", "line bytes");
    const Run copy = press(VK_F5, false);
    const Run move = press(VK_F6, false);
    const Run verified = press(VK_F6, true);
    bool allRan = true;
    for (const auto& [name, run] : {std::pair{"F5 copy", copy}, std::pair{"F6 move", move},
                                    std::pair{"F6 verified move", verified}}) {
        allRan = allRan && run.ok;
        const double disk = run.flushSeconds + run.renameSeconds;
        std::printf("%-16s %8.3f %6d %9.3f %9.3f %7.1f%% %8.3f%% %8.2f %10llu\n", name, run.wall,
                    run.files, run.flushSeconds * 1e3 / std::max(run.files, 1),
                    run.renameSeconds * 1e3 / std::max(run.files, 1),
                    run.wall > 0 ? disk * 100 / run.wall : 0.0,
                    run.lineSeconds > 0 ? disk * 100 / run.lineSeconds : 0.0, run.lineSeconds,
                    static_cast<unsigned long long>(run.bytesOnLine));
    }
    // What the verification adds, against the photos' own transfer in the plain move.
    const double photosLine = copy.lineSeconds;
    std::printf(
        "verification adds %.2f s on the line (%.3f of the photos' copy), %lld bytes "
        "(%.3f of the copy's)\n",
        verified.lineSeconds - move.lineSeconds,
        photosLine > 0 ? (verified.lineSeconds - move.lineSeconds) / photosLine : 0.0,
        static_cast<long long>(verified.bytesOnLine) - static_cast<long long>(move.bytesOnLine),
        copy.bytesOnLine > 0 ? static_cast<double>(verified.bytesOnLine - move.bytesOnLine) /
                                   static_cast<double>(copy.bytesOnLine)
                             : 0.0);

    std::printf("\n%10s %10s %12s %12s\n", "values", "bytes", "parse ms", "ns/value");
    for (unsigned values : {1000u, 10000u, 100000u}) {
        const std::string text = settingsText(values);
        double least = 1e9;
        for (int repeat = 0; repeat < 5; ++repeat) {
            RegistryModel registry;
            const double before = cpuSeconds();
            parseRegFile(text, registry);
            least = std::min(least, cpuSeconds() - before);
        }
        std::printf("%10u %10zu %12.3f %12.1f\n", values, text.size(), least * 1e3,
                    least * 1e9 / values);
    }
    return allRan ? 0 : 1;
}
