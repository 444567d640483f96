// The name patterns of the plug-in's settings, as the console program checks them before a copy
// uses them: a stored pattern that does not expand would give a name other than the one meant,
// so it is refused in words instead.
#pragma once

#include <string>

namespace pixlor::host::cli {

// What keeps `pattern` from expanding, in words with the 1-based position; empty when it
// expands. `digits`, for a file name pattern, counts the running number into the length.
std::string PatternProblem(const std::string& pattern, unsigned digits = 0);

}  // namespace pixlor::host::cli
