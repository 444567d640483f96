#include "config/SettingsStore.h"

#include "far/ModuleState.h"
#include "naming/NamePattern.h"
#include "platform/System.h"

#include <cstring>
#include <string>

namespace pixlor {

namespace {

std::string FullKeyPath(const char* subKey) {
    if (subKey == nullptr || *subKey == '\0') return pluginKeyPath;
    return pluginKeyPath + "\\" + subKey;
}

// A registry key opened for one call and closed again when the call ends.
class OpenKey {
public:
    // For reading, or for writing, which creates the key when it is missing.
    OpenKey(HKEY root, const char* subKey, bool forWriting) {
        const std::string path = FullKeyPath(subKey);
        const LONG result = forWriting
                                ? os().RegCreateKeyExA(root, path.c_str(), KEY_WRITE, &key_)
                                : os().RegOpenKeyExA(root, path.c_str(), KEY_QUERY_VALUE, &key_);
        open_ = result == static_cast<LONG>(ERROR_SUCCESS);
    }
    ~OpenKey() {
        if (open_) os().RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool isOpen() const { return open_; }
    // True when `name` holds a value of `type` that fills `size` bytes of `data` at most.
    bool query(const char* name, DWORD type, BYTE* data, DWORD& size) const {
        DWORD storedType = 0;
        return open_ &&
               os().RegQueryValueExA(key_, name, &storedType, data, &size) ==
                   static_cast<LONG>(ERROR_SUCCESS) &&
               storedType == type;
    }
    LONG set(const char* name, DWORD type, const BYTE* data, DWORD size) const {
        return open_ ? os().RegSetValueExA(key_, name, type, data, size)
                     : static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    // Where the system stores what was set (the POSIX settings file): its result counts.
    LONG close() {
        if (!open_) return static_cast<LONG>(ERROR_INVALID_HANDLE);
        open_ = false;
        return os().RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
    bool open_ = false;
};

}  // namespace

void CopyBounded(char* buffer, std::size_t bufferSize, const char* text) {
    if (bufferSize == 0) return;
    const std::size_t length = strnlen(text, bufferSize - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

bool ReadNumberChecked(HKEY root, const char* subKey, const char* valueName, DWORD& number,
                       DWORD defaultNumber) {
    // Read into a local number, so that a short value never leaves half a number behind.
    BYTE stored[sizeof(DWORD)] = {};
    DWORD size = sizeof stored;
    if (OpenKey(root, subKey, false).query(valueName, REG_DWORD, stored, size) &&
        size == sizeof stored) {
        number = static_cast<DWORD>(stored[0]) | static_cast<DWORD>(stored[1]) << 8 |
                 static_cast<DWORD>(stored[2]) << 16 | static_cast<DWORD>(stored[3]) << 24;
        return true;
    }
    number = defaultNumber;
    return false;
}

DWORD ReadNumber(HKEY root, const char* subKey, const char* valueName, DWORD defaultNumber) {
    DWORD number = 0;
    ReadNumberChecked(root, subKey, valueName, number, defaultNumber);
    return number;
}

bool ReadText(HKEY root, const char* subKey, const char* valueName, char* buffer,
              const char* defaultText, DWORD bufferSize) {
    DWORD size = bufferSize;
    // A text counts only with its terminator inside what was read: an unterminated value
    // would otherwise run on into whatever follows the buffer.
    if (bufferSize != 0 &&
        OpenKey(root, subKey, false)
            .query(valueName, REG_SZ, reinterpret_cast<BYTE*>(buffer), size) &&
        size != 0 && size <= bufferSize && std::memchr(buffer, '\0', size) != nullptr)
        return true;
    CopyBounded(buffer, bufferSize, defaultText);
    return false;
}

void WriteNumber(HKEY root, const char* subKey, const char* valueName, DWORD number) {
    const BYTE bytes[sizeof(DWORD)] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                                       static_cast<BYTE>(number >> 16),
                                       static_cast<BYTE>(number >> 24)};
    OpenKey(root, subKey, true).set(valueName, REG_DWORD, bytes, sizeof bytes);
}

void WriteText(HKEY root, const char* subKey, const char* valueName, const char* text) {
    OpenKey(root, subKey, true)
        .set(valueName, REG_SZ, reinterpret_cast<const BYTE*>(text),
             static_cast<DWORD>(std::strlen(text) + 1));
}

LONG WriteSettings(HKEY root, const char* subKey, const SettingValue* values, std::size_t count) {
    OpenKey key(root, subKey, true);
    if (!key.isOpen()) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    LONG result = static_cast<LONG>(ERROR_SUCCESS);
    for (std::size_t i = 0; i < count && result == static_cast<LONG>(ERROR_SUCCESS); ++i) {
        const SettingValue& value = values[i];
        if (value.text != nullptr) {
            result = key.set(value.name, REG_SZ, reinterpret_cast<const BYTE*>(value.text),
                             static_cast<DWORD>(std::strlen(value.text) + 1));
        } else {
            const BYTE bytes[sizeof(DWORD)] = {
                static_cast<BYTE>(value.number), static_cast<BYTE>(value.number >> 8),
                static_cast<BYTE>(value.number >> 16), static_cast<BYTE>(value.number >> 24)};
            result = key.set(value.name, REG_DWORD, bytes, sizeof bytes);
        }
    }
    const LONG closed = key.close();
    return result != static_cast<LONG>(ERROR_SUCCESS) ? result : closed;
}

int CountSerialPorts(HKEY root, const char* keyPath, int maxCount, char* nameBuffer, DWORD nameSize,
                     BYTE* dataBuffer, DWORD dataSize) {
    HKEY key = nullptr;
    if (os().RegOpenKeyExA(root, keyPath, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, &key) !=
        static_cast<LONG>(ERROR_SUCCESS))
        return 0;
    // A value whose name or data does not fit the buffers is still a port: only the end of
    // the list stops the count.
    int index = 0;
    for (; index < maxCount; ++index) {
        DWORD nameLength = nameSize;
        DWORD dataLength = dataSize;
        DWORD type = 0;
        if (os().RegEnumValueA(key, static_cast<DWORD>(index), nameBuffer, &nameLength, &type,
                               dataBuffer, &dataLength) == static_cast<LONG>(ERROR_NO_MORE_ITEMS))
            break;
    }
    os().RegCloseKey(key);
    return index + 1;
}

bool BlanksOnly(const char* text) {
    if (*text != ' ') return false;
    while (*text == ' ') ++text;
    return *text == '\0';
}

void ClearBlankFolderPattern(char* pattern) {
    if (BlanksOnly(pattern)) pattern[0] = '\0';
}

void ReadCheckedPattern(const char* valueName, char* buffer, DWORD bufferSize,
                        const char* defaultText, bool folder) {
    ReadText(HKEY_CURRENT_USER, "", valueName, buffer, defaultText, bufferSize);
    if (folder) ClearBlankFolderPattern(buffer);
    std::uint32_t measure = 0;
    if (!CheckNamePattern(buffer, folder, measure)) CopyBounded(buffer, bufferSize, defaultText);
}

void ReadNameSettings(NameSettings& settings) {
    ReadCheckedPattern(SETTING_PHOTO_PREFIX, settings.photoPrefix, sizeof settings.photoPrefix,
                       DEFAULT_PHOTO_PREFIX, false);
    ReadCheckedPattern(SETTING_THUMB_PREFIX, settings.thumbPrefix, sizeof settings.thumbPrefix,
                       DEFAULT_THUMB_PREFIX, false);
    ReadCheckedPattern(SETTING_PHOTO_PATH, settings.photoPath, sizeof settings.photoPath,
                       DEFAULT_PHOTO_PATH, true);
    ReadCheckedPattern(SETTING_THUMB_PATH, settings.thumbPath, sizeof settings.thumbPath,
                       DEFAULT_THUMB_PATH, true);
    settings.photoDigits =
        ClampDigitCount(ReadNumber(HKEY_CURRENT_USER, "", SETTING_PHOTO_SUFFIX, DEFAULT_DIGITS));
    settings.thumbDigits =
        ClampDigitCount(ReadNumber(HKEY_CURRENT_USER, "", SETTING_THUMB_SUFFIX, DEFAULT_DIGITS));
}

}  // namespace pixlor
