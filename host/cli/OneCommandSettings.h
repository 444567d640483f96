// Settings for one command (--speed, copy --filename and --folder), without writing the user's:
// the plug-in reads its settings from the registry file at every use, so the command gets a copy
// of them in a temporary folder, named by PIXLOR_REGISTRY while this object lives, with the
// values the command changes. The user's file is only read.
#pragma once

#include <optional>
#include <string>

namespace pixlor::host::cli {

class OneCommandSettings {
public:
    OneCommandSettings() = default;
    ~OneCommandSettings();
    OneCommandSettings(const OneCommandSettings&) = delete;
    OneCommandSettings& operator=(const OneCommandSettings&) = delete;

    // Puts the copy in force (once; later calls keep it); false with the reason in `why`.
    // Then WriteStoredNumber and WriteStoredText change the copy.
    bool begin(std::string& why);

private:
    std::string folder_;                   // the temporary folder, empty before begin()
    std::optional<std::string> previous_;  // PIXLOR_REGISTRY before
};

}  // namespace pixlor::host::cli
