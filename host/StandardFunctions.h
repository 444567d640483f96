// The host's standard functions as the emulator offers them to the plug-in: the ones Pixlor
// calls behave as the host's do; every other slot reports an unexpected call and stops.
#pragma once

#include "far/FarPlugin.h"

namespace pixlor::host {

// A complete table; unused slots point at a function that aborts with a message.
FarStandardFunctions MakeStandardFunctions();

// The service slots the host offers but the plug-in must never call.
void FARAPI UnexpectedService();

// Shortens a path in place to at most maxLength characters, keeping its root and its end with
// "..." between them, as the host does for display.
char* FARAPI TruncPathStr(char* path, int maxLength);

}  // namespace pixlor::host
