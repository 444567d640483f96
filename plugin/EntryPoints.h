// The entry points that do not belong to an open panel, and the connection guard: at most one
// camera panel is open at a time.
#pragma once

#include "far/FarPlugin.h"
#include "panel/CameraPanel.h"

namespace pixlor {

// Host 1.70, build 1282.
constexpr int MIN_FAR_VERSION = MAKEFARVERSION(1, 70, 1282);

// Copies the host's services, builds the settings key path and counts the serial ports.
void SetStartupInfo(const PluginStartupInfo& info);

// The disk-menu and configuration-menu entries.
void GetPluginInfo(PluginInfo& info);

// A panel with the camera's whole catalogue read, or null after the refusal or failure shown.
CameraPanel* OpenPlugin();

// Destroys the panel (null is accepted) and opens the guard again.
void ClosePlugin(CameraPanel* panel);

// Reads the camera's catalogue into the panel, with a notice on screen; the camera is back at
// its default speed afterwards. False after the failure was shown.
bool LoadCatalogue(CameraPanel& panel);

// Reads the catalogue of an open panel again (Ctrl+R), connecting again when the line was
// lost. On a failure, shown, the panel keeps the catalogue it had; a camera found empty closes
// the panel. False when the catalogue was not read.
bool RereadCatalogue(CameraPanel& panel);

}  // namespace pixlor
