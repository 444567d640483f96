// The settings store: named values in one registry key below the host's key for plug-ins, read
// at every use with the reader's default, written only by the configuration dialog.
#pragma once

#include "platform/Win32Api.h"

#include <cstddef>
#include <cstdint>

namespace pixlor {

// The eight values, with the defaults every reader uses.
inline constexpr const char* SETTING_SERIAL_PORT = "SerialPort";
inline constexpr const char* SETTING_BAUD_RATE = "BaudRate";
inline constexpr const char* SETTING_PHOTO_PREFIX = "PhotoPrefix";
inline constexpr const char* SETTING_PHOTO_SUFFIX = "PhotoSuffix";
inline constexpr const char* SETTING_THUMB_PREFIX = "ThumbPrefix";
inline constexpr const char* SETTING_THUMB_SUFFIX = "ThumbSuffix";
inline constexpr const char* SETTING_PHOTO_PATH = "PhotoPath";
inline constexpr const char* SETTING_THUMB_PATH = "ThumbPath";
// 1: a move reads each photo from the camera a second time and compares it with its file
// before the picture is deleted.
inline constexpr const char* SETTING_VERIFY_MOVES = "VerifyMoves";

inline constexpr DWORD DEFAULT_SERIAL_PORT = 1;  // COM2
inline constexpr DWORD DEFAULT_BAUD_RATE = 5;    // 115.2 kBd
inline constexpr DWORD DEFAULT_DIGITS = 3;
inline constexpr DWORD DEFAULT_VERIFY_MOVES = 0;
inline constexpr const char* DEFAULT_PHOTO_PREFIX = "pic%2D.%2M.%4Y_";
inline constexpr const char* DEFAULT_THUMB_PREFIX = "thumb%2D.%2M.%4Y_";
inline constexpr const char* DEFAULT_PHOTO_PATH = "%2Y-%2M-%2D";
// Thumbnails have no date folders at first: a fresh configuration saves as it is.
inline constexpr const char* DEFAULT_THUMB_PATH = "";

// Where the system lists its serial ports.
inline constexpr const char* SERIAL_PORTS_KEY = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Copies as much of `text` as fits into `buffer` of `bufferSize` bytes, always terminated; a
// text is read no further than what fits, so an unterminated one is cut safely.
void CopyBounded(char* buffer, std::size_t bufferSize, const char* text);

bool ReadNumberChecked(HKEY root, const char* subKey, const char* valueName, DWORD& number,
                       DWORD defaultNumber);
DWORD ReadNumber(HKEY root, const char* subKey, const char* valueName, DWORD defaultNumber);
bool ReadText(HKEY root, const char* subKey, const char* valueName, char* buffer,
              const char* defaultText, DWORD bufferSize);
void WriteNumber(HKEY root, const char* subKey, const char* valueName, DWORD number);
void WriteText(HKEY root, const char* subKey, const char* valueName, const char* text);

// One value of a save: a number (REG_DWORD) or, when `text` is given, a text (REG_SZ).
struct SettingValue {
    const char* name;
    DWORD number;
    const char* text;
};
// Writes all `count` values through one opening of the key, so that the system stores them
// together (on POSIX one rewrite of the settings file). ERROR_SUCCESS, or the first error.
LONG WriteSettings(HKEY root, const char* subKey, const SettingValue* values, std::size_t count);

// 0 when the key cannot be opened, else the number of values counted (at most maxCount) plus 1.
int CountSerialPorts(HKEY root, const char* keyPath, int maxCount, char* nameBuffer, DWORD nameSize,
                     BYTE* dataBuffer, DWORD dataSize);

// The naming settings as the listing and the batch operations read them: texts of at most 256
// characters; a longer stored text, or one the configuration dialog would refuse, gives the
// default (a folder pattern of blanks only reads as empty); digit counts clamped into 1..9.
struct NameSettings {
    char photoPrefix[257];
    char thumbPrefix[257];
    char photoPath[257];
    char thumbPath[257];
    DWORD photoDigits;
    DWORD thumbDigits;
};
void ReadNameSettings(NameSettings& settings);
// One pattern as ReadNameSettings reads it: a folder pattern of blanks only as empty, a pattern
// the configuration dialog would refuse as `defaultText`.
void ReadCheckedPattern(const char* valueName, char* buffer, DWORD bufferSize,
                        const char* defaultText, bool folder);

// True for a text of one or more blanks and nothing else.
bool BlanksOnly(const char* text);
// A stored folder pattern of blanks only would name a folder nobody can see or type: it is
// read as empty, so no such folder is listed or created.
void ClearBlankFolderPattern(char* pattern);

}  // namespace pixlor
