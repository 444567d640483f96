// pixlor-camsim as a child process, for the programs that drive it from outside (the console
// program's demo, the end-to-end tests, the benchmarks): started with its arguments, its device
// read from the first line it prints, stopped with SIGTERM at the latest when the object goes.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <string>
#include <vector>

namespace pixlor::sim {

class CamsimProcess {
public:
    CamsimProcess() = default;
    ~CamsimProcess() { stop(); }
    CamsimProcess(const CamsimProcess&) = delete;
    CamsimProcess& operator=(const CamsimProcess&) = delete;

    // Starts `program` with `arguments` and waits up to five seconds for the device it names;
    // false with the reason in `errorText` when it cannot be started or names no device.
    bool start(const std::string& program, const std::vector<std::string>& arguments,
               std::string& errorText);
    // Sends `signal` unless the program has ended already, and waits for it; its wait status,
    // -1 when none is running.
    int stop(int signal = SIGTERM);

    bool running() const { return child_ > 0; }
    pid_t pid() const { return child_; }
    const std::string& device() const { return device_; }  // "/dev/pts/3"

private:
    pid_t child_ = 0;
    std::string device_;
};

}  // namespace pixlor::sim
