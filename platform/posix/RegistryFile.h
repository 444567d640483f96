// The registry kept in a REGEDIT4 text file, so that a person can read and edit it and a Windows
// .reg export imports as the same settings.
#pragma once

#include "platform/RegistryModel.h"

#include <string>

namespace pixlor {

// Parses .reg text (REGEDIT4, or "Windows Registry Editor Version 5.00" in UTF-16 or UTF-8) into
// `registry`. Lines it cannot understand are skipped; false when there were any, or when a
// character beyond single bytes had to be replaced by '?'.
bool parseRegFile(const std::string& text, RegistryModel& registry);

// The .reg text of every key of `registry` except `skipKey` (a full key path, or empty).
std::string formatRegFile(const RegistryModel& registry, const std::string& skipKey);

}  // namespace pixlor
