// Memory: the peak resident memory of a process that downloads one 20 MB picture, against one
// that downloads a 20 KB picture, through the plug-in module from pixlor-camsim (unpaced: the
// bytes are the same, only sooner). Each download runs in a process of its own.
//
//   pixlor-bench-memory                  both downloads, compared
//   pixlor-bench-memory --child BYTES    one download; prints the peak resident KiB
#include "bench/BenchSupport.h"
#include "host/HostEmulator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pixlor::bench {
namespace {

// Downloads one picture of `size` bytes; the peak resident KiB before and after, or -1.
bool downloadOnce(std::uint32_t size, long& peakBefore, long& peakAfter) {
    ScratchFolder folder;
    const std::string disk = folder.path() + "/disk";
    std::filesystem::create_directory(disk);
    if (!writeSettings(folder.path(), 5)) return false;
    CamsimOnCom1 camsim({"--no-pacing", "--scenario", writeScenario(folder.path(), 1, size, 2048)});
    if (!camsim.running()) return false;
    host::PluginModule module;
    if (!host::LoadPluginModule(PIXLOR_MODULE_PATH, module)) return false;
    QuietUser user;
    host::EmulatorSettings settings;
    settings.moduleName = PIXLOR_MODULE_PATH;
    settings.diskDirectory = disk;
    host::HostEmulator emulator(module.entryPoints, user, settings);
    if (!emulator.start() || !emulator.openPanel() ||
        !emulator.selectItems(emulator.pluginPanel().names()))
        return false;
    peakBefore = peakResidentKiB();
    const bool copied = emulator.pressKey(VK_F5) == 1 && user.questions == 0;
    peakAfter = peakResidentKiB();
    emulator.closePanel();
    std::uintmax_t onDisk = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(disk))
        if (entry.is_regular_file()) onDisk += entry.file_size();
    return copied && onDisk == size;
}

// Runs this program with --child in a process of its own; its peak KiB, or -1.
long peakOfChild(std::uint32_t size) {
    int output[2];
    if (::pipe(output) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    std::string self = "/proc/self/exe", flag = "--child", bytes = std::to_string(size);
    char* argv[] = {self.data(), flag.data(), bytes.data(), nullptr};
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    std::string text;
    char buffer[256];
    for (ssize_t got; spawned == 0 && (got = ::read(output[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(output[0]);
    int status = -1;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child || status != 0) return -1;
    return std::atol(text.c_str());
}

}  // namespace
}  // namespace pixlor::bench

int main(int argc, char** argv) {
    using namespace pixlor::bench;
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) {
        long before = -1, after = -1;
        if (!downloadOnce(static_cast<std::uint32_t>(std::atol(argv[2])), before, after)) return 1;
        std::printf("%ld %ld\n", after, before);
        return 0;
    }
    const long small = peakOfChild(20u * 1000);
    const long large = peakOfChild(20u * 1000 * 1000);
    if (small < 0 || large < 0) {
        std::fprintf(stderr, "a download failed\n");
        return 1;
    }
    std::printf("peak resident: 20 KB picture %ld KiB, 20 MB picture %ld KiB, difference %ld KiB\n",
                small, large, large - small);
    return 0;
}
