// The plug-in's entry points, taken from a module loaded from disk or from the entry points
// linked into this program.
#pragma once

#include "far/FarPlugin.h"

#include <string>

namespace pixlor::host {

struct PluginEntryPoints {
    int(FARAPI* GetMinFarVersion)();
    void(FARAPI* SetStartupInfo)(const PluginStartupInfo* info);
    void(FARAPI* GetPluginInfo)(PluginInfo* info);
    HANDLE(FARAPI* OpenPlugin)(int openFrom, std::intptr_t item);
    void(FARAPI* ClosePlugin)(HANDLE plugin);
    void(FARAPI* GetOpenPluginInfo)(HANDLE plugin, OpenPluginInfo* info);
    int(FARAPI* SetDirectory)(HANDLE plugin, const char* dir, int opMode);
    int(FARAPI* GetFindData)(HANDLE plugin, PluginPanelItem** items, int* itemsNumber, int opMode);
    void(FARAPI* FreeFindData)(HANDLE plugin, PluginPanelItem* items, int itemsNumber);
    int(FARAPI* GetFiles)(HANDLE plugin, PluginPanelItem* items, int itemsNumber, int move,
                          char* destPath, int opMode);
    int(FARAPI* ProcessKey)(HANDLE plugin, int key, unsigned int controlState);
    int(FARAPI* Configure)(int itemNumber);
    // Optional, as for the host: without it the host's own delete commands do nothing.
    int(FARAPI* DeleteFiles)(HANDLE plugin, PluginPanelItem* items, int itemsNumber, int opMode);
};

// A plug-in module loaded from disk, unloaded with the object.
class PluginModule {
public:
    PluginModule() = default;
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    PluginEntryPoints entryPoints{};
    std::string path;
    std::string errorText;  // why loading failed
    void* handle = nullptr;
};

// Loads the module at `path` and finds the entry points under their undecorated names; false
// with module.errorText set when the module does not load or one of the twelve the host needs
// is missing (DeleteFiles may be).
bool LoadPluginModule(const std::string& path, PluginModule& module);

// The entry points linked into this program (defined only where the exports library is linked).
PluginEntryPoints LinkedPluginEntryPoints();

}  // namespace pixlor::host
