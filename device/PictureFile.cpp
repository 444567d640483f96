#include "device/PictureFile.h"

#include "platform/System.h"

#include <cctype>
#include <cstring>

namespace pixlor {

namespace {

constexpr const char* PARTIAL_PREFIX = "~pixlor-";
constexpr const char* PARTIAL_EXTENSION = ".part";
// Temporary names tried in one folder before giving up: others may be another run's.
constexpr unsigned PARTIAL_NAMES_TRIED = 1000;

bool SameLetters(const char* text, const char* lower, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != lower[i]) return false;
    return true;
}

}  // namespace

bool PictureFile::create(const char* target) {
    abandon();
    const char* slash = std::strrchr(target, '\\');
    const std::string folder(target, slash != nullptr ? slash + 1 : target);
    for (unsigned n = 1; n <= PARTIAL_NAMES_TRIED; ++n) {
        std::string name = folder + PARTIAL_PREFIX + std::to_string(n) + PARTIAL_EXTENSION;
        handle_ =
            os().CreateFileA(name.c_str(), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (handle_ != INVALID_HANDLE_VALUE) {
            temporary_ = std::move(name);
            return true;
        }
        const DWORD error = os().GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool PictureFile::finish(FILETIME time) {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    // A file system that keeps no times still holds the whole picture.
    os().SetFileTime(handle_, &time, &time, &time);
    const bool flushed = os().FlushFileBuffers(handle_) != 0;
    // A close that fails may leave the data off the disk as well.
    const bool closed = os().CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return flushed && closed;
}

bool PictureFile::place(const char* target, bool& nameTaken) {
    nameTaken = false;
    if (handle_ != INVALID_HANDLE_VALUE || temporary_.empty()) return false;
    if (os().MoveFileExA(temporary_.c_str(), target, MOVEFILE_WRITE_THROUGH)) {
        temporary_.clear();
        return true;
    }
    const DWORD error = os().GetLastError();
    nameTaken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
    return false;
}

void PictureFile::abandon() {
    if (handle_ != INVALID_HANDLE_VALUE) os().CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    if (!temporary_.empty()) os().DeleteFileA(temporary_.c_str());
    temporary_.clear();
}

bool EntryExists(const char* path) {
    WIN32_FIND_DATAA found{};
    const HANDLE find = os().FindFirstFileA(path, &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    os().FindClose(find);
    return true;
}

bool IsPartialFileName(const char* name) {
    const std::size_t prefix = std::strlen(PARTIAL_PREFIX);
    const std::size_t extension = std::strlen(PARTIAL_EXTENSION);
    const std::size_t length = std::strlen(name);
    if (length <= prefix + extension || !SameLetters(name, PARTIAL_PREFIX, prefix) ||
        !SameLetters(name + length - extension, PARTIAL_EXTENSION, extension))
        return false;
    for (std::size_t i = prefix; i < length - extension; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

}  // namespace pixlor
