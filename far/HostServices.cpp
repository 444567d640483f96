#include "far/HostServices.h"

#include <cstring>

namespace pixlor {

HostServiceTable HostServices{};

void CopyHostServices(const PluginStartupInfo& info) {
    std::memcpy(static_cast<PluginStartupInfo*>(&HostServices), &info, sizeof(PluginStartupInfo));
    std::memcpy(&HostServices.standardFunctions, info.FSF, sizeof(FarStandardFunctions));
    HostServices.FSF = &HostServices.standardFunctions;
}

}  // namespace pixlor
