// The one seam between the plug-in and the operating system. Every system call the plug-in makes
// is one entry of this table (SystemCalls.h lists them), with the Win32 name and meaning; the
// plug-in calls nothing else. Implementations: win32/ forwards to kernel32 and advapi32, posix/
// gives the same behaviour on Linux, fake/ runs tests on a virtual clock; fault/ wraps any of
// them to make a chosen call fail.
//
// Serial ports and files (kernel32). A name of the form "\\.\COM<n>" opens a serial port; any
// other name is a file path with "\" as separator. Security attributes and template handles are
// always absent, so they are not part of the seam.
//
// PurgeComm discards what has arrived and not been read (PURGE_RXCLEAR). A transmit purge
// (PURGE_TXCLEAR, PURGE_TXABORT) never discards anything: every write is synchronous and done
// before the next call, so the transmit side holds nothing of ours, and discarding there could
// only lose a command still on its way (a flush of output on a pseudo-terminal empties what the
// other end has not read yet; a USB adapter may still hold bytes its driver called written). A
// purge of either side still fails on a handle that is no port.
//
// Files and folders, and time (kernel32). LocalFileTimeToFileTime takes the computer's local
// time, as a file time, to the system's file time (UTC) with the offset in force today, as the
// file manager shows times; TzSpecificLocalTimeToSystemTime (always for the computer's own time
// zone) with the rules of the given date, as every other tool shows them. FlushFileBuffers
// returns once the file's data is on the disk. MoveFileExA without MOVEFILE_REPLACE_EXISTING
// never replaces an entry of any kind (ERROR_ALREADY_EXISTS); with MOVEFILE_WRITE_THROUGH it
// returns once the new name is on the disk too.
//
// Registry (advapi32). Results are Win32 error codes, ERROR_SUCCESS on success.
//
// The clock and the console (kernel32). GetTickCount counts milliseconds from a start of its
// own, wrapping after 49.7 days. The console input handle (GetStdHandle(STD_INPUT_HANDLE))
// holds the user's key presses as events: PeekConsoleInputA hands out what is waiting without
// taking it, ReadConsoleInputA takes it (and waits for an event when none is there), and
// WriteConsoleInputA puts events at its end, as a program that types for the user does.
#pragma once

#include "platform/SystemCalls.h"
#include "platform/Win32Api.h"

namespace pixlor {

class System {
public:
    virtual ~System() = default;

#define PIXLOR_SYSTEM_ENTRY(result, name, parameters) virtual result name parameters = 0;
    PIXLOR_SYSTEM_CALLS(PIXLOR_SYSTEM_ENTRY)
#undef PIXLOR_SYSTEM_ENTRY
};

// The system in force: the native one unless a test has put another in place.
System& os();

// Puts `system` in force (nullptr returns to the native one); gives back the previous one.
System* useSystem(System* system);

// The native implementation of this build (win32/ or posix/).
System& nativeSystem();

}  // namespace pixlor
