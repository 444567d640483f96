// What the batch copy and the batch delete are both built from: the panel's selection and the
// progress boxes, redrawn in place (the copy's two bars, the delete's counter, and the
// single-file percentage of the host's own copy requests).
#pragma once

#include "config/SettingsStore.h"
#include "shell/CameraPanel.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace pixlor {

// Folder and file paths; a target that does not fit cannot be created.
constexpr std::size_t PATH_SIZE = 1024;

// The pictures of the host's current selection on the panel.
std::unique_ptr<SelectionList> PanelSelection(CameraPanel& panel, const NameSettings& settings);

// The batch copy's box, one batch at a time: StartCopyBox before the first file; for every file
// BeginCopyFile, ShowCopyTarget once its path is known (shortened to 52 columns), CopyProgress
// while it downloads, and EndCopyFile with its size, whether it was copied or not.
void StartCopyBox(std::uint32_t fileCount, std::uint32_t batchTotal);
void BeginCopyFile();
void ShowCopyTarget(const char* target);
void EndCopyFile(std::uint32_t size);

// Progress callbacks of downloadPicture: the batch copy's two-bar box, and the single-file
// percentage box of the host's own copy requests (whose title and file lines the caller sets
// with SetFileProgressLines; the file name is kept shortened to 60 columns). A size of 0 shows
// as complete.
void CopyProgress(std::uint32_t done, std::uint32_t size);
void FileProgress(std::uint32_t done, std::uint32_t size);
void SetFileProgressLines(const char* title, const char* fileName);

// The batch delete's box: picture `ordinal` of `total`.
void DeleteProgress(std::uint32_t ordinal, std::uint32_t total);

}  // namespace pixlor
