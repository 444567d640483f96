// The panel's keys (F5 copy, F6 move, F7 photos or thumbnails, F8 and Del delete on the camera,
// Ctrl+R reads the camera again) and the host's own requests for files and deletions.
#pragma once

#include "panel/CameraPanel.h"

namespace pixlor {

// True when the key was handled; the host then does nothing more with it.
bool ProcessKey(CameraPanel& panel, int key, unsigned controlState);

// Downloads the given picture items into `destination`, one by one with a percentage box. Date
// folders among the items are passed over. False when it stopped on a failure.
bool GetFiles(CameraPanel& panel, const PluginPanelItem* items, int itemCount,
              const char* destination);

// The host's own delete commands (Shift+Del, Alt+Del, Shift+F8, the Files menu): what F8 does,
// with the items the host passes. True when a picture was deleted; no file is touched.
bool DeleteFiles(CameraPanel& panel, const PluginPanelItem* items, int itemCount);

}  // namespace pixlor
