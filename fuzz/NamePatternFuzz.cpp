// Any pattern, digit count and folder names: the expander in check mode and for a picture, the
// next running number over a panel's names and the file name. Every result must be terminated
// and within its buffer, and a pattern that passes the check expands to the measured length.
#include "device/PictureList.h"
#include "far/HostServices.h"
#include "host/StandardFunctions.h"
#include "naming/NamePattern.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The name comparisons go through the host's standard functions, as in the plug-in.
void PutHostServicesInForce() {
    static FarStandardFunctions functions = pixlor::host::MakeStandardFunctions();
    PluginStartupInfo info{};
    info.StructSize = sizeof info;
    info.FSF = &functions;
    pixlor::CopyHostServices(info);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool servicesInForce = (PutHostServicesInForce(), true);
    (void)servicesInForce;
    if (size < 8) return 0;
    // Eight bytes of set-up: the digit count, the picture's date and time, its position.
    const std::uint32_t digits = data[0];
    pixlor::PictureList catalogue(3);
    pixlor::PictureEntry& entry = *catalogue.entryAt(data[7] % 3);
    entry.infoRead = 1;
    entry.day = data[1];
    entry.month = data[2];
    entry.year = static_cast<std::int32_t>(data[3] << 8 | data[4]) - 2000;
    entry.hour = data[5];
    entry.minute = data[6];
    entry.second = data[1] ^ data[6];
    const std::string input(reinterpret_cast<const char*>(data) + 8, size - 8);
    // The pattern runs up to the first zero byte; what follows names the panel's files.
    const std::string pattern = input.substr(0, input.find('\0'));

    std::uint32_t measured = 0;
    const bool checked =
        pixlor::ExpandNamePattern(true, measured, pattern.c_str(), nullptr, nullptr);
    char name[pixlor::NAME_BUFFER_SIZE];
    std::uint32_t position = data[7] % 3;
    const bool expanded =
        pixlor::ExpandNamePattern(false, position, pattern.c_str(), name, &catalogue);
    if (checked != expanded) std::abort();
    if (expanded && std::strlen(name) != measured) std::abort();
    if (!expanded && std::memchr(name, '\0', sizeof name) == nullptr) std::abort();

    std::vector<PluginPanelItem> items;
    for (std::size_t at = pattern.size() + 1; at < input.size();) {
        PluginPanelItem item{};
        const std::size_t end = std::min(input.find('\0', at), input.size());
        const std::size_t length = std::min(end - at, sizeof item.FindData.cFileName - 1);
        std::memcpy(item.FindData.cFileName, input.data() + at, length);
        items.push_back(item);
        at = end + 1;
    }
    const char* prefix = expanded ? name : "";
    const std::uint32_t next =
        pixlor::NextPictureNumber(digits, prefix, items.data(), static_cast<int>(items.size()));
    char fileName[pixlor::NAME_BUFFER_SIZE + 32];
    if (pixlor::PictureFileName(fileName, sizeof fileName, prefix, next, digits) &&
        std::memchr(fileName, '\0', sizeof fileName) == nullptr)
        std::abort();
    return 0;
}
