#include "host/cli/Patterns.h"

#include "host/cli/Texts.h"
#include "naming/NamePattern.h"

namespace pixlor::host::cli {

std::string PatternProblem(const std::string& pattern, unsigned digits) {
    std::uint32_t position = 0;
    if (ExpandNamePattern(true, position, pattern.c_str(), nullptr, nullptr)) {
        if (position + digits <= NAME_MAX_LENGTH) return {};
        return Fill(Tr("with its running number it makes names of {} characters, more than {}"),
                    {std::to_string(position + digits), std::to_string(NAME_MAX_LENGTH)});
    }
    const std::string at = std::to_string(position + 1);
    switch (lastPatternError) {
    case PATTERN_ERR_CHARACTER:
        return Fill(Tr("\"{}\" at position {} cannot be in a file name"),
                    {pattern.substr(position, 1), at});
    case PATTERN_ERR_WIDTH: return Fill(Tr("a second width digit at position {}"), {at});
    case PATTERN_ERR_TOO_LONG:
        return Fill(Tr("it expands to more than {} characters"), {std::to_string(NAME_MAX_LENGTH)});
    default:
        return Fill(Tr("position {}: \"%\" takes a field letter (Y M D H N S # y m d), \"%\" or "
                       "a width digit 1 to 9 before its letter"),
                    {at});
    }
}

}  // namespace pixlor::host::cli
