#include "host/cli/Interrupts.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <ucontext.h>
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

// Once a signal is recorded, the handler sends it to the program again, where it waits pending
// (it is blocked) until the next wait on the line lets it through: so every later wait ends at
// once, and a read the plug-in would ask again after one failure cannot carry the work on.
void OnInterrupt(int signal, siginfo_t* info, void* context) {
    const bool own = info != nullptr && info->si_pid == ::getpid() && info->si_code == SI_TKILL;
    if (own || recordedSignal == 0) {
        if (recordedSignal == 0) recordedSignal = signal;
        // Only where the signal is blocked again after the handler (the waits on the line);
        // at a question of the program's own it would come straight back.
        const auto* interrupted = static_cast<const ucontext_t*>(context);
        if (interrupted != nullptr && ::sigismember(&interrupted->uc_sigmask, signal) == 1)
            ::raise(signal);
        return;
    }
    // A second one from outside: nothing more is waited for. Only async-signal-safe calls here.
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
    struct sigaction action {};
    action.sa_sigaction = OnInterrupt;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO;  // no SA_RESTART: a wait that a signal interrupts ends
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

InterruptibleWait::InterruptibleWait() {
    const sigset_t signals = InterruptSignals();
    ::sigprocmask(SIG_UNBLOCK, &signals, nullptr);
}

InterruptibleWait::~InterruptibleWait() {
    const sigset_t signals = InterruptSignals();
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
}

}  // namespace pixlor::host::cli
