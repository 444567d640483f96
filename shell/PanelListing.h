// Building the picture selections that the listing and the batch operations work on.
#pragma once

#include "shell/CameraPanel.h"

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

}  // namespace pixlor
