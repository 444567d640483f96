#include "naming/NamePattern.h"

#include "device/DeviceFailures.h"
#include "device/PictureList.h"
#include "far/HostServices.h"
#include "platform/System.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace pixlor {

std::int32_t lastPatternError = 0;

namespace {

bool IsRefusedCharacter(char c) { return c != '\0' && std::strchr("\"*/<>?\\|", c) != nullptr; }

// The value of a field letter, or false when the letter is not one.
bool FieldValue(char letter, const PictureEntry* entry, std::uint32_t position,
                const SYSTEMTIME& today, std::uint32_t& value) {
    switch (letter) {
    case '#': value = position; break;
    case 'd': value = today.wDay; break;
    case 'm': value = today.wMonth; break;
    case 'y': value = today.wYear; break;
    case 'D': value = entry != nullptr ? entry->day : 0; break;
    case 'M': value = entry != nullptr ? entry->month : 0; break;
    case 'Y': value = entry != nullptr ? static_cast<std::uint32_t>(entry->year) : 0; break;
    case 'H': value = entry != nullptr ? entry->hour : 0; break;
    case 'N': value = entry != nullptr ? entry->minute : 0; break;
    case 'S': value = entry != nullptr ? entry->second : 0; break;
    default: return false;
    }
    return true;
}

// Collects the expansion and stops it at the 257th character. That character is never stored,
// so the output always has room for its terminator.
class NameWriter {
public:
    explicit NameWriter(char* output) : output_(output) {}

    bool put(char c) {
        if (count_ >= NAME_MAX_LENGTH) return false;
        if (output_ != nullptr) output_[count_] = c;
        ++count_;
        return true;
    }
    // The last `width` decimal digits of `value`, zero-filled.
    bool putField(std::uint32_t value, std::uint32_t width) {
        std::uint32_t divisor = 1;
        for (std::uint32_t i = 1; i < width; ++i) divisor *= 10;
        value %= divisor * 10;
        for (; divisor != 0; divisor /= 10) {
            if (!put(static_cast<char>('0' + value / divisor))) return false;
            value %= divisor;
        }
        return true;
    }
    void terminate() {
        if (output_ != nullptr) output_[count_] = '\0';
    }
    std::uint32_t count() const { return static_cast<std::uint32_t>(count_); }

private:
    char* output_;
    std::size_t count_ = 0;
};

// The running number of `name` (not terminated, `length` characters) when it reads
// "<prefix><number>.jpg", with case ignored in the prefix and the extension: `digits`
// characters read as far as they are digits (as a scan of that width reads them), or more
// digits than that, all of them, without a leading zero: a number that outgrew its digits.
bool RunningNumberOf(const char* name, std::size_t length, const char* prefix, std::uint32_t digits,
                     std::uint32_t& number) {
    constexpr std::size_t MOST_DIGITS = 10;  // every 32-bit number
    std::size_t stemLength = length;
    while (stemLength > 0 && name[stemLength - 1] != '.') --stemLength;
    if (stemLength == 0) return false;
    --stemLength;  // the last "."
    if (length - stemLength != 4 || HostServices.FSF->LStrnicmp(name + stemLength, ".jpg", 4) != 0)
        return false;
    const std::size_t prefixLength = std::strlen(prefix);
    if (stemLength < prefixLength + digits || stemLength > prefixLength + MOST_DIGITS) return false;
    if (HostServices.FSF->LStrnicmp(name, prefix, static_cast<int>(prefixLength)) != 0)
        return false;
    const char* digitText = name + prefixLength;
    const std::size_t numberLength = stemLength - prefixLength;
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    // Leading digits only: no sign and no blanks, so "-01" can never pass for a huge number.
    std::size_t read = 0;
    std::uint64_t value = 0;
    for (; read < numberLength && isDigit(digitText[read]); ++read)
        value = value * 10 + static_cast<std::uint64_t>(digitText[read] - '0');
    if (read == 0) return false;
    if (numberLength > digits && (read != numberLength || digitText[0] == '0')) return false;
    if (value >= UINT32_MAX) return false;  // no number would follow it
    number = static_cast<std::uint32_t>(value);
    return true;
}

// Keeps the highest running number among the names offered.
class HighestNumber {
public:
    HighestNumber(std::uint32_t digits, const char* prefix)
        : digits_(ClampDigitCount(digits)), prefix_(prefix) {}

    void offer(const char* name, std::size_t length) {
        std::uint32_t number = 0;
        if (RunningNumberOf(name, length, prefix_, digits_, number) && number > highest_)
            highest_ = number;
    }
    // Numbers of 2^32 - 1 and above are not taken: this stays within 32 bits.
    std::uint32_t next() const { return highest_ + 1; }

private:
    std::uint32_t digits_;
    const char* prefix_;
    std::uint32_t highest_ = 0;
};

// The length of a name in a fixed field, which need not hold a terminator.
template <std::size_t N>
std::size_t FieldLength(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    return end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : N;
}

// The folder's own entries are not files, wherever the listing puts them.
void OfferFound(HighestNumber& highest, const WIN32_FIND_DATAA& found) {
    const std::string_view name(found.cFileName, FieldLength(found.cFileName));
    if (name == "." || name == "..") return;
    highest.offer(name.data(), name.size());
}

}  // namespace

bool ExpandNamePattern(bool checkOnly, std::uint32_t& position, const char* pattern, char* output,
                       const PictureList* catalogue) {
    SYSTEMTIME today{};
    os().GetSystemTime(&today);
    const PictureEntry* entry = nullptr;
    if (!checkOnly) {
        entry = catalogue != nullptr ? catalogue->entryAt(position) : nullptr;
        if (entry == nullptr) {
            if (output != nullptr) output[0] = '\0';
            return false;
        }
    }

    NameWriter writer(output);
    auto fail = [&](std::int32_t code, std::size_t at) {
        writer.terminate();
        lastPatternError = code;
        position = static_cast<std::uint32_t>(at);
        return false;
    };

    const std::size_t length = std::strlen(pattern);
    std::size_t i = 0;
    while (i < length) {
        const char c = pattern[i];
        if (IsRefusedCharacter(c)) return fail(PATTERN_ERR_CHARACTER, i);
        // Tab, line breaks, Esc ...: no file name holds them, and a terminal would act on them.
        if (static_cast<unsigned char>(c) < 32) return fail(PATTERN_ERR_CONTROL, i);
        if (c != '%') {
            if (!writer.put(c)) return fail(PATTERN_ERR_TOO_LONG, i);
            ++i;
            continue;
        }
        std::uint32_t width = 2;
        bool widthSeen = false;
        for (;;) {
            ++i;
            const char next = i < length ? pattern[i] : '\0';
            std::uint32_t value = 0;
            if (next == '%') {
                if (!writer.put('%')) return fail(PATTERN_ERR_TOO_LONG, i);
                break;
            }
            if (FieldValue(next, entry, position, today, value)) {
                if (checkOnly) value = 1;
                if (!writer.putField(value, width)) return fail(PATTERN_ERR_TOO_LONG, i);
                break;
            }
            if (next >= '1' && next <= '9') {
                if (widthSeen) return fail(PATTERN_ERR_WIDTH, i);
                width = static_cast<std::uint32_t>(next - '0');
                widthSeen = true;
                continue;
            }
            return fail(PATTERN_ERR_FIELD, i);
        }
        ++i;
    }
    writer.terminate();
    if (output == nullptr) position = writer.count();
    return true;
}

bool CheckNamePattern(const char* pattern, bool folder, std::uint32_t& measure) {
    char expansion[NAME_BUFFER_SIZE];
    measure = 0;
    if (!ExpandNamePattern(true, measure, pattern, expansion, nullptr)) return false;
    const std::size_t length = std::strlen(expansion);
    const bool dotsAndBlanks = std::strspn(expansion, ". ") == length;
    const bool blanksOnly = std::strspn(expansion, " ") == length;
    const bool refused = length > 0 && (folder ? dotsAndBlanks && !blanksOnly : blanksOnly);
    if (refused) {
        lastPatternError = folder ? PATTERN_ERR_DOTS : PATTERN_ERR_BLANKS;
        measure = 0;
        return false;
    }
    measure = static_cast<std::uint32_t>(length);
    return true;
}

std::uint32_t NextPictureNumber(std::uint32_t digits, const char* prefix,
                                const PluginPanelItem* items, int itemCount) {
    HighestNumber highest(digits, prefix);
    for (int i = 0; i < itemCount; ++i) {
        const FAR_FIND_DATA& found = items[i].FindData;
        highest.offer(found.cFileName, FieldLength(found.cFileName));
    }
    return highest.next();
}

bool NextPictureNumber(std::uint32_t digits, const char* prefix, const char* folder,
                       std::int32_t& failure, std::uint32_t& next) {
    HighestNumber highest(digits, prefix);
    const std::string wildcard = std::string(folder) + "*.*";
    WIN32_FIND_DATAA found{};
    HANDLE find = os().FindFirstFileA(wildcard.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        // A folder without a single entry (an empty drive's root) exists all the same.
        if (os().GetLastError() != ERROR_FILE_NOT_FOUND) {
            failure = OP_FOLDER_MISSING;
            return false;
        }
        next = highest.next();
        return true;
    }
    bool listed = true;
    for (;;) {
        OfferFound(highest, found);
        if (!os().FindNextFileA(find, &found)) {
            listed = os().GetLastError() == ERROR_NO_MORE_FILES;
            break;
        }
    }
    os().FindClose(find);
    if (!listed) {
        failure = OP_FOLDER_LIST;
        return false;
    }
    next = highest.next();
    return true;
}

bool PictureFileName(char* output, std::size_t outputSize, const char* prefix, std::uint32_t number,
                     std::uint32_t digits) {
    if (outputSize == 0) return false;
    const int written = std::snprintf(output, outputSize, "%s%0*u.jpg", prefix,
                                      static_cast<int>(ClampDigitCount(digits)), number);
    if (written < 0 || static_cast<std::size_t>(written) >= outputSize) {
        output[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace pixlor
