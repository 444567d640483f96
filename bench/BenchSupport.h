// What the benchmark programs share: the simulator program on a pseudo-terminal, a settings file
// for the plug-in, a host user who answers without keeping every box, clocks and a scratch folder.
#pragma once

#include "host/HostUser.h"
#include "sim/camsim/CamsimProcess.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pixlor::bench {

// Wall-clock and CPU time in seconds.
double wallSeconds();
double cpuSeconds();  // user + system time of this process

// A fresh folder under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// pixlor-camsim with the given arguments, its device in PIXLOR_COM1; stopped with SIGTERM.
class CamsimOnCom1 {
public:
    explicit CamsimOnCom1(const std::vector<std::string>& arguments);
    bool running() const { return process_.running(); }
    const std::string& device() const { return process_.device(); }

private:
    sim::CamsimProcess process_;
};

// Points PIXLOR_REGISTRY at a settings file in `folder` naming COM1 and the speed index.
bool writeSettings(const std::string& folder, unsigned speedIndex);

// A scenario file with `count` pictures of `photoSize` bytes on consecutive days.
std::string writeScenario(const std::string& folder, unsigned count, std::uint32_t photoSize,
                          std::uint32_t packetSize);

// Answers every dialog with its first button and every question with its first answer, and
// hands each progress box to `onNotice` without keeping it.
class QuietUser : public host::HostUser {
public:
    int answerMessage(const host::BoxRecord& box) override;
    void showNotice(const host::BoxRecord& box) override;
    int answerDialog(host::DialogRequest& dialog) override;

    std::function<void(const host::BoxRecord&)> onNotice;
    int questions = 0;  // boxes with buttons: none are expected on a clean run
};

// Bytes of payload in `packetIndex` (0-based) of a file of `size` bytes sent in packets of
// `packetSize`.
std::uint32_t payloadOf(std::uint32_t packetIndex, std::uint32_t size, std::uint32_t packetSize);

// The peak resident set of this process so far, in KiB (VmHWM).
long peakResidentKiB();

}  // namespace pixlor::bench
