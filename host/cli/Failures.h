// What went wrong, in words. The plug-in reports a failed camera operation as three numbers
// (port status, link error, operation); the console program reads them back from the box,
// through the language file's own format, and adds a line that names what failed, with the
// port, the file or folder, and the system's reason where the disk is concerned.
#pragma once

#include "host/HostUser.h"
#include "host/LanguageFile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pixlor::host::cli {

struct CameraFailure {
    std::uint32_t statusFlags = 0;
    std::int32_t linkError = 0;
    std::int32_t operation = 0;
};

// The integers of `text` as the printf-style `format` put them there (%d, %u, %X with flags and
// widths; "%%" is a percent sign); false when the text does not have the format's shape.
bool ScanByFormat(std::string_view format, std::string_view text, std::vector<long long>& numbers);

// The numbers of a camera failure box; false for any other box.
bool ReadCameraFailure(const BoxRecord& box, const LanguageFile& texts, CameraFailure& failure);

// What the program knows around a failure.
struct FailureContext {
    std::string port;        // "COM2"
    std::string device;      // "/dev/ttyS1"; empty when unknown
    std::uint32_t baud = 0;  // the configured speed
    int fileOrdinal = 0;     // the file of the batch being copied (from 1), 0: none
    int fileCount = 0;
    std::string filePath;                     // the file being written, when known
    std::string folder;                       // the folder the files go into
    std::vector<std::string> blockedFolders;  // date folders whose names a file holds
    int filesPerPicture = 1;                  // 2 when photos and thumbnails are copied together
};

// The failure in one sentence, without "pixlor: ".
std::string DescribeFailure(const CameraFailure& failure, const FailureContext& context);

// Why the system refuses to take a file in `folder`, found by trying: a folder that is missing
// or not a folder, no permission, a full disk, a file size limit. Empty when a trial file
// could be written.
std::string WhyFolderRefusesFiles(const std::string& folder);

// Why the settings file (PIXLOR_REGISTRY, --registry or the usual one) cannot be saved: it is no
// regular file, it is read-only, or its folder takes no files.
std::string SettingsFileProblem();

}  // namespace pixlor::host::cli
