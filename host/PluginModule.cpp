#include "host/PluginModule.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace pixlor::host {

namespace {

void* OpenModule(const std::string& path, std::string& errorText) {
#ifdef _WIN32
    void* handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (handle == nullptr)
        errorText = path + ": cannot be loaded (error " + std::to_string(GetLastError()) + ")";
#else
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) errorText = dlerror();
#endif
    return handle;
}

void CloseModule(void* handle) {
#ifdef _WIN32
    FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
}

void* FindEntryPoint(void* handle, const char* name) {
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

// Looks up one entry point into `slot`; records its name in `missing` when it is not there.
template <typename Function>
void Resolve(void* handle, const char* name, Function& slot, std::string& missing) {
    slot = reinterpret_cast<Function>(FindEntryPoint(handle, name));
    if (slot == nullptr) missing += std::string(missing.empty() ? "" : ", ") + name;
}

}  // namespace

PluginModule::~PluginModule() {
    if (handle != nullptr) CloseModule(handle);
}

bool LoadPluginModule(const std::string& path, PluginModule& module) {
    module.path = path;
    module.errorText.clear();
    module.handle = OpenModule(path, module.errorText);
    if (module.handle == nullptr) return false;

    PluginEntryPoints& entry = module.entryPoints;
    std::string missing;
    Resolve(module.handle, "GetMinFarVersion", entry.GetMinFarVersion, missing);
    Resolve(module.handle, "SetStartupInfo", entry.SetStartupInfo, missing);
    Resolve(module.handle, "GetPluginInfo", entry.GetPluginInfo, missing);
    Resolve(module.handle, "OpenPlugin", entry.OpenPlugin, missing);
    Resolve(module.handle, "ClosePlugin", entry.ClosePlugin, missing);
    Resolve(module.handle, "GetOpenPluginInfo", entry.GetOpenPluginInfo, missing);
    Resolve(module.handle, "SetDirectory", entry.SetDirectory, missing);
    Resolve(module.handle, "GetFindData", entry.GetFindData, missing);
    Resolve(module.handle, "FreeFindData", entry.FreeFindData, missing);
    Resolve(module.handle, "GetFiles", entry.GetFiles, missing);
    Resolve(module.handle, "ProcessKey", entry.ProcessKey, missing);
    Resolve(module.handle, "Configure", entry.Configure, missing);
    entry.DeleteFiles =
        reinterpret_cast<decltype(entry.DeleteFiles)>(FindEntryPoint(module.handle, "DeleteFiles"));
    if (missing.empty()) return true;
    module.errorText = path + ": entry points missing: " + missing;
    module.entryPoints = {};
    return false;
}

}  // namespace pixlor::host
