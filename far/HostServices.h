// The host's services, copied at start-up: every call to the host goes through this copy.
#pragma once

#include "far/FarPlugin.h"

namespace pixlor {

// The start-up table with a copy of its standard functions, to which the copy's FSF points.
struct HostServiceTable : PluginStartupInfo {
    FarStandardFunctions standardFunctions;
};

extern HostServiceTable HostServices;

// Copies the host's table and its standard functions into HostServices.
void CopyHostServices(const PluginStartupInfo& info);

// The host's text of a message number.
inline const char* GetMsg(int messageNumber) {
    return HostServices.GetMsg(HostServices.ModuleNumber, messageNumber);
}

}  // namespace pixlor
