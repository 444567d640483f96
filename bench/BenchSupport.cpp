#include "bench/BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace pixlor::bench {

double wallSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pixlor-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

CamsimOnCom1::CamsimOnCom1(const std::vector<std::string>& arguments) {
    std::string errorText;
    if (!process_.start(PIXLOR_CAMSIM_PATH, arguments, errorText)) {
        std::fprintf(stderr, "%s\n", errorText.c_str());
        return;
    }
    ::setenv("PIXLOR_COM1", process_.device().c_str(), 1);
}

bool writeSettings(const std::string& folder, unsigned speedIndex) {
    const std::string path = folder + "/registry.reg";
    std::ofstream file(path);
    char speed[16];
    std::snprintf(speed, sizeof speed, "%08x", speedIndex);
    file << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\n"
         << "\"SerialPort\"=dword:00000000\n"
         << "\"BaudRate\"=dword:" << speed << "\n";
    file.close();
    return file && ::setenv("PIXLOR_REGISTRY", path.c_str(), 1) == 0;
}

std::string writeScenario(const std::string& folder, unsigned count, std::uint32_t photoSize,
                          std::uint32_t packetSize) {
    const std::string path = folder + "/scenario.json";
    std::ofstream file(path);
    file << "{\"packetSize\": " << packetSize << ", \"pictures\": [";
    constexpr std::int64_t firstDay = 1025827200;  // 2002-07-05
    for (unsigned i = 0; i < count; ++i)
        file << (i == 0 ? "" : ",") << "{\"photoSize\": " << photoSize
             << ", \"thumbSize\": 4096, \"shootingTime\": " << firstDay + i * 86400 + 3600 << "}";
    file << "]}\n";
    return path;
}

int QuietUser::answerMessage(const host::BoxRecord& box) {
    ++questions;
    std::fprintf(stderr, "unexpected question: %s\n", box.title.c_str());
    return 0;
}

void QuietUser::showNotice(const host::BoxRecord& box) {
    if (onNotice) onNotice(box);
}

int QuietUser::answerDialog(host::DialogRequest& dialog) {
    for (int i = 0; i < dialog.count; ++i)
        if (dialog.items[i].Type == DI_BUTTON) return i;
    return -1;
}

std::uint32_t payloadOf(std::uint32_t packetIndex, std::uint32_t size, std::uint32_t packetSize) {
    const std::uint64_t start = std::uint64_t{packetIndex} * packetSize;
    if (start >= size) return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(packetSize, size - start));
}

long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

}  // namespace pixlor::bench
