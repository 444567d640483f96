// The module-wide state, set up by SetStartupInfo and kept for the life of the library.
#pragma once

#include <cstdint>
#include <string>

namespace pixlor {

// The host's root key followed by "\Pixlor": the key under which every setting lives. Kept whole
// however long the host's root key is, so settings never land under a cut name.
extern std::string pluginKeyPath;

// Serial ports the system lists, 0..16.
extern std::int32_t portCount;

// Open camera panels, 0 or 1: the connection guard.
extern std::uint8_t openPanels;

}  // namespace pixlor
