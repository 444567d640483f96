// The configuration dialog: serial port, line speed, name and folder patterns with their digit
// counts; checked before anything is saved.
#pragma once

namespace pixlor {

// Runs the dialog until its input passes the checks or the user leaves. 1 when the eight
// settings were written, 0 when nothing was written (a panel is open, cancelled, closed).
// The host's item number is not used.
int RunConfigure(int itemNumber);

}  // namespace pixlor
