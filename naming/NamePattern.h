// The name-pattern language: ordinary characters, and "%" [width digit] field letter escapes that
// put a picture's shooting date, today's date or its catalogue position into a name; and the
// running number that continues the numbers already present at a destination.
#pragma once

#include "far/FarPlugin.h"

#include <cstddef>
#include <cstdint>

namespace pixlor {

class PictureList;

constexpr std::int32_t PATTERN_ERR_FIELD = 2;      // no field letter, "%" or width digit after "%"
constexpr std::int32_t PATTERN_ERR_WIDTH = 3;      // a second width digit
constexpr std::int32_t PATTERN_ERR_CHARACTER = 4;  // a character file names cannot hold
constexpr std::int32_t PATTERN_ERR_TOO_LONG = 12;  // the expansion grows beyond 256 characters
constexpr std::int32_t PATTERN_ERR_CONTROL = 5;    // a control character (codes 1..31)
constexpr std::int32_t PATTERN_ERR_DOTS = 6;       // a folder named ".", ".." or dots and blanks
constexpr std::int32_t PATTERN_ERR_BLANKS = 7;     // a name pattern of blanks only

constexpr std::size_t NAME_MAX_LENGTH = 256;
constexpr std::size_t NAME_BUFFER_SIZE = NAME_MAX_LENGTH + 1;

// A running number has 1..9 digits: nine keep every number within 32 bits, and a hand-edited
// setting outside that range is brought to its nearest end.
constexpr std::uint32_t RUNNING_NUMBER_MIN_DIGITS = 1;
constexpr std::uint32_t RUNNING_NUMBER_MAX_DIGITS = 9;
constexpr std::uint32_t ClampDigitCount(std::uint32_t digits) {
    return digits < RUNNING_NUMBER_MIN_DIGITS   ? RUNNING_NUMBER_MIN_DIGITS
           : digits > RUNNING_NUMBER_MAX_DIGITS ? RUNNING_NUMBER_MAX_DIGITS
                                                : digits;
}

// The code of the last pattern check that failed.
extern std::int32_t lastPatternError;

// Expands `pattern` for the picture at catalogue `position`. With `checkOnly` every field is 1
// and the catalogue is not consulted. With an output buffer (NAME_BUFFER_SIZE bytes) it receives
// the name; without one, `position` receives the expansion's length. On a pattern error
// `position` receives the 0-based position of the error, lastPatternError its code, and the
// output what was produced before it, terminated. A position with no catalogue entry fails
// with `position` and lastPatternError left as they were and an empty output.
bool ExpandNamePattern(bool checkOnly, std::uint32_t& position, const char* pattern, char* output,
                       const PictureList* catalogue);

// Checks a pattern the way the configuration dialog does, in check-only mode: it must expand,
// a name pattern must not be blanks only, and a folder pattern must not give a name of dots
// and blanks only ("." and ".." among them: such a folder is the destination or its parent).
// `measure` receives the expanded length, or on failure the position (0 for a whole pattern
// refused), with lastPatternError holding the code.
bool CheckNamePattern(const char* pattern, bool folder, std::uint32_t& measure);

// The first free running number for names "<prefix><number>.jpg" among a host panel's items,
// the number zero-filled to `digits` or, once it has outgrown them, written in full without a
// leading zero (after _99 comes _100); 1 when there is none. The highest number counts,
// wherever the listing puts it. Digit counts outside 1..9 are clamped.
std::uint32_t NextPictureNumber(std::uint32_t digits, const char* prefix,
                                const PluginPanelItem* items, int itemCount);

// The same over the files of a folder (a path ending in "\"); "." and ".." are not names. False
// when the folder cannot be listed, with OP_FOLDER_MISSING or OP_FOLDER_LIST in `failure`.
bool NextPictureNumber(std::uint32_t digits, const char* prefix, const char* folder,
                       std::int32_t& failure, std::uint32_t& next);

// "<prefix><number, zero-filled to digits>.jpg" into `output` of `outputSize` bytes; false (and
// an empty output) when it does not fit. Digit counts outside 1..9 are clamped.
bool PictureFileName(char* output, std::size_t outputSize, const char* prefix, std::uint32_t number,
                     std::uint32_t digits);

}  // namespace pixlor
