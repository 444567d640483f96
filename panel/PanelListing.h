// Building the picture selections that the listing and the batch operations work on.
#pragma once

#include "panel/CameraPanel.h"

#include <cstdint>

namespace pixlor {

// Appends, in camera order, every picture whose folder-pattern expansion equals `folderName`
// (ignoring case); every picture when the name is null or empty. `count` receives the size of
// the whole list afterwards.
void AddFolderPictures(CameraPanel& panel, const char* folderName, const char* folderPattern,
                       SelectionList& list, std::uint32_t& count);

// The pictures of the host's selection on this panel: a selected date folder gives all its
// pictures, a selected picture itself.
void CollectSelection(CameraPanel& panel, const PanelInfo& info, SelectionList& list,
                      const char* photoFolderPattern, const char* thumbFolderPattern,
                      std::uint32_t& count);

// The panel's listing for the host: the pictures of the flat root or of the current date folder,
// named as they would be copied into the other panel's folder, or the date folders of the root.
// The array belongs to the host until FreeFindData.
void GetFindData(CameraPanel& panel, PluginPanelItem*& items, int& itemCount);
void FreeFindData(PluginPanelItem* items);

}  // namespace pixlor
