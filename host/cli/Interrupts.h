// Ctrl+C (SIGINT), SIGTERM and SIGHUP in the console program. They stay blocked while the
// program runs, so that the plug-in's work is never cut off in the middle of a step; the system
// layer lets them through while it waits on the serial line, which ends that wait as a short
// read: the transfer fails at the next packet boundary and the plug-in removes its incomplete
// file. The handler records the signal and keeps every later wait on the line from waiting; a
// second signal from outside ends the program at once, after removing the file being written.
#pragma once

#include <string>

namespace pixlor::host::cli {

// Installs the handlers and blocks the three signals; a file size limit (SIGXFSZ) turns into a
// failed write instead of ending the program.
void InstallInterruptHandlers();

// The signal recorded so far (one still pending counts), or 0.
int InterruptSignal();

// The exit status after `signal`: 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP.
int InterruptExitStatus(int signal);

// The file a second signal removes before the program ends; empty: none.
void SetFileBeingWritten(const std::string& path);

// Lets the three signals through while it lives: around the questions the program asks itself.
class InterruptibleWait {
public:
    InterruptibleWait();
    ~InterruptibleWait();
    InterruptibleWait(const InterruptibleWait&) = delete;
    InterruptibleWait& operator=(const InterruptibleWait&) = delete;
};

}  // namespace pixlor::host::cli
