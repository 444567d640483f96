// The thirteen entry points the host calls. Each one only forwards; a panel call forwards to the
// CameraPanel its handle names, which the host got from OpenPlugin.
#include "config/ConfigureDialog.h"
#include "panel/PanelListing.h"
#include "plugin/EntryPoints.h"
#include "plugin/PanelKeys.h"

namespace {

pixlor::CameraPanel& PanelOf(HANDLE plugin) { return *static_cast<pixlor::CameraPanel*>(plugin); }

}  // namespace

extern "C" {

int FARAPI GetMinFarVersion() { return pixlor::MIN_FAR_VERSION; }

void FARAPI SetStartupInfo(const PluginStartupInfo* info) { pixlor::SetStartupInfo(*info); }

void FARAPI GetPluginInfo(PluginInfo* info) { pixlor::GetPluginInfo(*info); }

HANDLE FARAPI OpenPlugin(int, std::intptr_t) {
    pixlor::CameraPanel* panel = pixlor::OpenPlugin();
    return panel != nullptr ? panel : INVALID_HANDLE_VALUE;
}

void FARAPI ClosePlugin(HANDLE plugin) {
    pixlor::ClosePlugin(static_cast<pixlor::CameraPanel*>(plugin));
}

void FARAPI GetOpenPluginInfo(HANDLE plugin, OpenPluginInfo* info) {
    pixlor::GetOpenPluginInfo(PanelOf(plugin), *info);
}

int FARAPI SetDirectory(HANDLE plugin, const char* dir, int) {
    return pixlor::SetDirectory(PanelOf(plugin), dir) ? 1 : 0;
}

int FARAPI GetFindData(HANDLE plugin, PluginPanelItem** items, int* itemsNumber, int) {
    pixlor::GetFindData(PanelOf(plugin), *items, *itemsNumber);
    return 1;
}

void FARAPI FreeFindData(HANDLE, PluginPanelItem* items, int) { pixlor::FreeFindData(items); }

int FARAPI GetFiles(HANDLE plugin, PluginPanelItem* items, int itemsNumber, int, char* destPath,
                    int) {
    return pixlor::GetFiles(PanelOf(plugin), items, itemsNumber, destPath) ? 1 : 0;
}

int FARAPI ProcessKey(HANDLE plugin, int key, unsigned int controlState) {
    return pixlor::ProcessKey(PanelOf(plugin), key, controlState) ? 1 : 0;
}

int FARAPI DeleteFiles(HANDLE plugin, PluginPanelItem* items, int itemsNumber, int) {
    return pixlor::DeleteFiles(PanelOf(plugin), items, itemsNumber) ? TRUE : FALSE;
}

int FARAPI Configure(int itemNumber) { return pixlor::RunConfigure(itemNumber); }

}  // extern "C"
