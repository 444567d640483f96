#include "host/cli/Interrupts.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace pixlor::host::cli {

namespace {

volatile std::sig_atomic_t recordedSignal = 0;
char fileBeingWritten[4096] = {};

sigset_t InterruptSignals() {
    sigset_t signals;
    ::sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaddset(&signals, signal);
    return signals;
}

void OnInterrupt(int signal) {
    if (recordedSignal == 0) {
        recordedSignal = signal;
        return;
    }
    // The second one: nothing more is waited for. Only async-signal-safe calls here.
    if (fileBeingWritten[0] != '\0') ::unlink(fileBeingWritten);
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    constexpr char clearLine[] = "\r\x1b[K";
    constexpr char stopped[] = "pixlor: interrupted again: stopped at once\n";
    [[maybe_unused]] ssize_t written = 0;
    if (terminal) written = ::write(STDERR_FILENO, clearLine, sizeof clearLine - 1);
    written = ::write(STDERR_FILENO, stopped, sizeof stopped - 1);
    ::_exit(InterruptExitStatus(recordedSignal));
}

}  // namespace

void InstallInterruptHandlers() {
    struct sigaction action{};
    action.sa_handler = OnInterrupt;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a wait that a signal interrupts ends
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
    const sigset_t signals = InterruptSignals();
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
}

int InterruptSignal() {
    if (recordedSignal == 0) {
        const sigset_t signals = InterruptSignals();
        sigset_t pending;
        ::sigpending(&pending);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            if (::sigismember(&pending, signal) != 1) continue;
            const timespec noWait{0, 0};
            if (::sigtimedwait(&signals, nullptr, &noWait) == signal) recordedSignal = signal;
            break;
        }
    }
    return recordedSignal;
}

int InterruptExitStatus(int signal) { return 128 + signal; }

void SetFileBeingWritten(const std::string& path) {
    const sigset_t signals = InterruptSignals();
    sigset_t before;
    ::sigprocmask(SIG_BLOCK, &signals, &before);
    const size_t length = std::min(path.size(), sizeof fileBeingWritten - 1);
    std::memcpy(fileBeingWritten, path.data(), length);
    fileBeingWritten[length] = '\0';
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

void ForgetInterrupt() { recordedSignal = 0; }

InterruptibleWait::InterruptibleWait() {
    const sigset_t signals = InterruptSignals();
    ::sigprocmask(SIG_UNBLOCK, &signals, nullptr);
}

InterruptibleWait::~InterruptibleWait() {
    const sigset_t signals = InterruptSignals();
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
}

}  // namespace pixlor::host::cli
