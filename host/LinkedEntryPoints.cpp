// Compiled into the programs that link the plug-in's exports library, never into the emulator
// library itself, which also serves programs that load the module from disk.
#include "host/PluginModule.h"

namespace pixlor::host {

PluginEntryPoints LinkedPluginEntryPoints() {
    return {::GetMinFarVersion,  ::SetStartupInfo, ::GetPluginInfo, ::OpenPlugin,   ::ClosePlugin,
            ::GetOpenPluginInfo, ::SetDirectory,   ::GetFindData,   ::FreeFindData, ::GetFiles,
            ::ProcessKey,        ::Configure,      ::DeleteFiles};
}

}  // namespace pixlor::host
