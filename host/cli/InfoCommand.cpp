#include "host/cli/Commands.h"

#include "host/cli/DateFolderWalk.h"
#include "host/cli/ShownItems.h"
#include "host/cli/Texts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

constexpr double LINE_BITS_PER_BYTE = 10;  // start bit, 8 data bits, stop bit

}  // namespace

int Commands::info() {
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr && !cameraEmpty_) return status;
    user_.endProgress();
    long long pictures = 0;
    std::uint64_t bytes = 0;
    std::int64_t first = 0, last = 0;
    std::set<std::string> folders;
    if (emulator != nullptr)
        for (const ChosenPicture& picture : EveryPicture(*emulator)) {
            first = pictures == 0 ? picture.shot : std::min(first, picture.shot);
            last = pictures == 0 ? picture.shot : std::max(last, picture.shot);
            ++pictures;
            bytes += picture.size;
            if (!picture.folder.empty()) folders.insert(picture.folder);
        }
    const char* format = "%04lld-%02u-%02u %02u:%02u:%02u";
    const auto seconds = static_cast<long long>(static_cast<double>(bytes) * LINE_BITS_PER_BYTE /
                                                    std::max<std::uint32_t>(port_.baud, 1) +
                                                0.5);
    char duration[32];
    std::snprintf(duration, sizeof duration, "%lld:%02lld:%02lld", seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
    streams_.out << Tr("Port:") << ' ' << port_.described() << ", " << port_.baud << " Bd\n"
                 << Tr("Pictures:") << ' ' << CountOf(pictures, "picture", "pictures") << ", "
                 << CountOf(static_cast<long long>(folders.size()), "folder", "folders") << ", "
                 << CountOf(static_cast<long long>(bytes), "byte", "bytes") << '\n';
    if (pictures > 0)
        streams_.out << Tr("Shot:") << ' ' << TimeText(first, format) << " .. "
                     << TimeText(last, format) << '\n';
    streams_.out << Tr("A full copy takes at least:") << ' ' << duration << ' '
                 << Fill(Tr("(the photos' bytes at {} Bd)"), {std::to_string(port_.baud)})
                 << std::endl;
    return EXIT_DONE;
}

}  // namespace pixlor::host::cli
