#include "far/ModuleState.h"

namespace pixlor {

std::string pluginKeyPath;
std::int32_t portCount = 0;
std::uint8_t openPanels = 0;

}  // namespace pixlor
