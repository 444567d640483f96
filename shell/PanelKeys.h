// The panel's keys (F5 copy, F6 move, F7 photos or thumbnails, F8 and Del delete on the camera)
// and the host's own requests for files.
#pragma once

#include "shell/CameraPanel.h"

namespace pixlor {

// True when the key was handled; the host then does nothing more with it.
bool ProcessKey(CameraPanel& panel, int key, unsigned controlState);

// Downloads the given picture items into `destination`, one by one with a percentage box. Date
// folders among the items are passed over. False when it stopped on a failure.
bool GetFiles(CameraPanel& panel, const PluginPanelItem* items, int itemCount,
              const char* destination);

}  // namespace pixlor
