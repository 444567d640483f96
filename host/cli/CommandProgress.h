// The copy progress of one whole command. The console program presses the copy key once for
// each date folder it was given, and the plug-in counts each press as a batch of its own; the
// program shows one count of files and bytes for the command instead, with the rate since the
// command began and the time its remaining bytes take at that rate.
#pragma once

#include "host/HostUser.h"

#include <cstdint>

namespace pixlor::host::cli {

class CommandProgress {
public:
    // `files` and `bytes`: what the whole command copies; the formats are the language file's
    // file line ("File %d: %u of %u bytes, %u%%") and batch line of the copy box.
    CommandProgress(long long files, std::uint64_t bytes, const char* fileLineFormat,
                    const char* batchLineFormat);

    // The next key press begins: its batch counts on from what the earlier ones did.
    void startBatch();
    // A copy box with the command's count and bar in place of the batch's, and the command's
    // rate and time left (`elapsedMs` since the command began) in place of the batch's; any
    // other box is left as it is.
    void rewrite(BoxRecord& box, std::uint64_t elapsedMs);

private:
    long long files_;
    std::uint64_t bytes_;
    const char* fileLineFormat_;
    const char* batchLineFormat_;
    std::uint64_t doneBeforeBatch_ = 0;  // of the earlier batches, skipped files included
    std::uint64_t batchDone_ = 0;
    std::uint64_t receivedBefore_ = 0;  // received in the files before the current one
    long long fileOrdinal_ = 0;
    std::uint64_t fileDone_ = 0;
};

}  // namespace pixlor::host::cli
