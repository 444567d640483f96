#include "host/cli/OneCommandSettings.h"

#include "config/SettingsStore.h"
#include "host/cli/Port.h"
#include "host/cli/Texts.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace pixlor::host::cli {

namespace {

const char* const NUMBERS[] = {SETTING_SERIAL_PORT, SETTING_BAUD_RATE, SETTING_PHOTO_SUFFIX,
                               SETTING_THUMB_SUFFIX};
const char* const TEXTS[] = {SETTING_PHOTO_PREFIX, SETTING_THUMB_PREFIX, SETTING_PHOTO_PATH,
                             SETTING_THUMB_PATH};

}  // namespace

OneCommandSettings::~OneCommandSettings() {
    if (folder_.empty()) return;
    if (previous_)
        ::setenv("PIXLOR_REGISTRY", previous_->c_str(), 1);
    else
        ::unsetenv("PIXLOR_REGISTRY");
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
}

bool OneCommandSettings::begin(std::string& why) {
    if (!folder_.empty()) return true;
    std::error_code error;
    std::string pattern =
        (std::filesystem::temp_directory_path(error) / "pixlor-settings-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        why =
            Fill(Tr("no temporary folder for this command's settings: {}"), {std::strerror(errno)});
        return false;
    }
    // Every stored value is copied as it is; a value not stored stays unstored, so that the
    // plug-in reads its default as before.
    std::vector<std::pair<const char*, DWORD>> numbers;
    std::vector<std::pair<const char*, std::string>> texts;
    for (const char* name : NUMBERS)
        if (DWORD value = 0; ReadStoredNumber(name, value)) numbers.emplace_back(name, value);
    for (const char* name : TEXTS)
        if (std::string text; ReadStoredText(name, text)) texts.emplace_back(name, text);
    folder_ = pattern;
    if (const char* now = std::getenv("PIXLOR_REGISTRY")) previous_ = now;
    ::setenv("PIXLOR_REGISTRY", (folder_ + "/registry.reg").c_str(), 1);
    for (const auto& [name, value] : numbers) WriteStoredNumber(name, value);
    for (const auto& [name, text] : texts) WriteStoredText(name, text);
    return true;
}

}  // namespace pixlor::host::cli
