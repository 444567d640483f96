// A system wrapped for tests: every call is counted and recorded with its arguments, and any
// chosen call can be made to fail before it reaches the system underneath. It wraps any System:
// the test system's virtual lines, or the native one, so that a test on real ports and files
// can fail a real call too.
#pragma once

#include "platform/System.h"
#include "platform/SystemCalls.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace pixlor {

// Which calls a fault applies to: CreateFileA by the name it opens, ReadFile, WriteFile and
// CloseHandle by their handle, the other file and folder calls are File; a Port or File fault
// lets every other call pass.
enum class FaultTarget { Any, Port, File };

class FaultySystem : public System {
public:
    explicit FaultySystem(System& inner) : inner_(inner) {}
    FaultySystem(const FaultySystem&) = delete;
    FaultySystem& operator=(const FaultySystem&) = delete;

    // The nth call of `call` from now on (1 = the next) fails, and so do the `times` - 1 calls
    // after it. `error` becomes the last error; a partial fault lets ReadFile or WriteFile
    // succeed with half the bytes instead of failing.
    void failCall(SysCall call, int nth = 1, int times = 1, DWORD error = ERROR_GEN_FAILURE,
                  FaultTarget target = FaultTarget::Any, bool partial = false);
    void clearFaults() { faults_.clear(); }

    struct Record {
        SysCall call;
        std::string text;  // "PurgeComm(0x4)", "WriteFile(port, 1B 43 ...)", "Sleep(500)"
    };
    const std::vector<Record>& records() const { return records_; }
    std::vector<std::string> log(SysCall call) const;  // the texts of one kind of call
    int calls(SysCall call) const { return counts_[static_cast<std::size_t>(call)]; }
    // The real time the system underneath took for the calls of `call` that reached it and
    // hand back a BOOL or HANDLE (the serial, file and folder calls), in seconds.
    double secondsIn(SysCall call) const { return seconds_[static_cast<std::size_t>(call)]; }
    void clearRecords();

    PIXLOR_SYSTEM_CALLS(PIXLOR_SYSTEM_OVERRIDE)

private:
    struct Fault {
        SysCall call;
        int skip;
        int times;
        DWORD error;
        FaultTarget target;
        bool partial;
    };

    // Counts and records the call; true when a fault hits it (its error is then the last one).
    bool enter(SysCall call, const std::string& text, FaultTarget kind = FaultTarget::Any,
               bool* partial = nullptr);
    // Hands on the system's own result; a failure there makes the system's error the last one.
    BOOL passed(BOOL result);
    HANDLE passed(HANDLE result);
    FaultTarget kindOf(HANDLE handle) const;
    void timeCall();

    System& inner_;
    std::vector<Fault> faults_;
    std::vector<Record> records_;
    std::array<int, static_cast<std::size_t>(SysCall::Count)> counts_{};
    std::array<double, static_cast<std::size_t>(SysCall::Count)> seconds_{};
    SysCall entered_ = SysCall::Count;  // the call last let through, and when
    std::chrono::steady_clock::time_point enteredAt_{};
    std::set<HANDLE> openPorts_;  // the handles CreateFileA gave for ports, until closed
    DWORD faultError_ = 0;
    bool faultErrorIsLast_ = false;
};

}  // namespace pixlor
