// What the batch copy and the batch delete are both built from: the panel's selection, the
// progress boxes, redrawn in place (the copy's two bars with the rate and the time left, the
// delete's counter, and the single-file percentage of the host's own copy requests), and Esc,
// which stops a batch.
#pragma once

#include "config/SettingsStore.h"
#include "panel/CameraPanel.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace pixlor {

// Folder and file paths; a target that does not fit cannot be created.
constexpr std::size_t PATH_SIZE = 1024;

// The pictures of the host's current selection on the panel.
std::unique_ptr<SelectionList> PanelSelection(CameraPanel& panel, const NameSettings& settings);

// The batch copy's box, one batch at a time: StartCopyBox before the first file; for every file
// BeginCopyFile, ShowCopyTarget once its path is known (shortened to 52 columns), CopyProgress
// while it downloads, and EndCopyFile with its size, whether it was copied or not. Its last line
// holds the rate of the batch so far (the bytes received since StartCopyBox) and the time its
// remaining bytes take at that rate.
void StartCopyBox(std::uint32_t fileCount, std::uint32_t batchTotal);
void BeginCopyFile();
void ShowCopyTarget(const char* target);
void EndCopyFile(std::uint32_t size);

// Progress callbacks of downloadPicture: the batch copy's two-bar box, and the single-file
// percentage box of the host's own copy requests (whose title and file lines the caller sets
// with SetFileProgressLines; the file name is kept shortened to 60 columns). A size of 0 shows
// as complete. Both return false once the user has chosen to stop (StopAsked).
bool CopyProgress(std::uint32_t done, std::uint32_t size);
bool FileProgress(std::uint32_t done, std::uint32_t size);
void SetFileProgressLines(const char* title, const char* fileName);

// The batch delete's box: picture `ordinal` of `total`.
void DeleteProgress(std::uint32_t ordinal, std::uint32_t total);

// Esc stops a batch, as it stops the host's own long operations. StartStopWatch begins a batch
// (its title heads the question). Between its steps (data packets, pictures) StopAsked reads the
// console input itself, at most every half second, for a key-down Esc; when the host's
// confirmation settings ask for it (FCS_INTERRUPTOPERATION), a warning box asks whether to stop,
// else it stops at once. Once the user has chosen to stop, StopAsked says so without looking
// again, until the next batch starts.
void StartStopWatch(int titleMessage);
bool StopAsked();

// True when the device's failed step is the user's stop: a transfer stopped between packets, or
// a read the system cut short (the console program's Ctrl+C ends a wait on the line) while the
// user asks to stop, which is looked for at once.
bool StoppedByUser(const CameraDevice& device);

// The one box that sums up a stopped batch: its title and the text `lineMessage` with
// `numbers` formatted into it (what was done, of how much).
void ShowStopped(int titleMessage, int lineMessage, std::span<const std::int32_t> numbers);

}  // namespace pixlor
