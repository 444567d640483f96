// A picture's file, written whole or not at all. It is written under a temporary name in its
// target folder ("~pixlor-<n>.part", which no name pattern gives: their names end in a running
// number and ".jpg"), and takes its own name only once it is complete, stamped and on the disk,
// without ever replacing an entry. A transfer that fails or is stopped gives its file up here,
// and only here; a run killed outright leaves its temporary file, known by its name.
#pragma once

#include "platform/Win32Api.h"

#include <string>

namespace pixlor {

class PictureFile {
public:
    PictureFile() = default;
    ~PictureFile() { abandon(); }
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    // A new temporary file in the folder of `target` (a path with "\" separators), open for
    // writing. False when none can be made there.
    bool create(const char* target);
    HANDLE handle() const { return handle_; }
    // Stamps the file with `time` (creation, access and write) where the file system keeps
    // times, flushes it to the disk and closes it. False when its data may not be on the disk.
    bool finish(FILETIME time);
    // The finished file takes the name `target`; the name is on the disk when it returns.
    // False when it cannot, with `nameTaken` when an entry of any kind holds that name.
    bool place(const char* target, bool& nameTaken);
    // True once finished and not yet placed: the whole file waits for its name.
    bool finished() const { return handle_ == INVALID_HANDLE_VALUE && !temporary_.empty(); }
    // Closes and removes the temporary file, unless it was placed.
    void abandon();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::string temporary_;  // empty once placed or given up
};

// True when the system lists an entry under `path` (a name without wildcards): a look before a
// transfer, so that a name already taken costs no transfer. Only the placing itself is sure.
bool EntryExists(const char* path);

// True for the name a file has while it is written: "~pixlor-<n>.part", any case.
bool IsPartialFileName(const char* name);

}  // namespace pixlor
