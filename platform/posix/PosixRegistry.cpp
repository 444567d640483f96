// The registry on Linux: the in-memory model, loaded from a .reg text file whenever that file
// changed and written back when the last key open is closed after a change.
#include "platform/posix/PosixSystem.h"
#include "platform/posix/RegistryFile.h"
#include "platform/posix/SerialDevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pixlor::posix {

namespace {

// More than any settings file holds: the rest of a bigger one is not read.
constexpr std::size_t MOST_BYTES_READ = 1 << 20;

// "<path>.bak", or "<path>.<n>.bak" when that is taken: an earlier backup is never replaced.
std::string freeBackupName(const std::string& path) {
    std::string backup = path + ".bak";
    for (unsigned n = 1; ::access(backup.c_str(), F_OK) == 0; ++n)
        backup = path + "." + std::to_string(n) + ".bak";
    return backup;
}

// What tells one version of a file from the next; empty when there is no file.
std::string fileStamp(const struct stat& info) {
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
           std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
           std::to_string(info.st_mtim.tv_nsec);
}

void makeFolders(const std::string& folder) {
    for (size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
        ::mkdir(folder.substr(0, at).c_str(), 0755);
        if (at == std::string::npos) break;
    }
}

// The file a save writes: the settings file itself, or the file a link of that name leads to.
// Empty (with `error`) when that is anything but a regular file or a file still to be made.
std::string fileToWrite(const std::string& path, DWORD& error) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT ? path : std::string();
    if (S_ISLNK(info.st_mode)) {
        char* target = ::realpath(path.c_str(), nullptr);
        if (target == nullptr) {
            error = ERROR_FILE_NOT_FOUND;  // a link that leads nowhere: not ours to make
            return {};
        }
        std::string resolved = target;
        std::free(target);
        if (::stat(resolved.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            ::access(resolved.c_str(), W_OK) != 0) {
            error = ERROR_ACCESS_DENIED;
            return {};
        }
        return resolved;
    }
    if (!S_ISREG(info.st_mode) || ::access(path.c_str(), W_OK) != 0) {
        error = ERROR_ACCESS_DENIED;  // a file made read-only stays as its owner wants it
        return {};
    }
    return path;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string RegistryFilePath() {
    if (const char* file = std::getenv("PIXLOR_REGISTRY"); file != nullptr && *file != '\0')
        return file;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0')
        return std::string(config) + "/pixlor/registry.reg";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/pixlor/registry.reg";
}

std::string RegistryFileProblem(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT && ::lstat(path.c_str(), &info) == 0)
            return path + " is a link that leads nowhere";
        return errno == ENOENT ? std::string() : path + ": " + std::strerror(errno);
    }
    if (S_ISREG(info.st_mode)) return {};
    const char* kind = S_ISDIR(info.st_mode)    ? "a folder"
                       : S_ISFIFO(info.st_mode) ? "a FIFO"
                       : S_ISCHR(info.st_mode)  ? "a character device"
                       : S_ISBLK(info.st_mode)  ? "a block device"
                       : S_ISSOCK(info.st_mode) ? "a socket"
                                                : "not a file";
    return path + " is " + kind + ", not a regular file";
}

LONG PosixSystem::RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD, HKEY* key) {
    loadRegistry();
    return registry_.openKey(root, subKey, key);
}

LONG PosixSystem::RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD, HKEY* key) {
    loadRegistry();
    return registry_.createKey(root, subKey, key);
}

LONG PosixSystem::RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data,
                                   DWORD* dataSize) {
    return registry_.queryValue(key, name, type, data, dataSize);
}

LONG PosixSystem::RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data,
                                 DWORD dataSize) {
    return registry_.setValue(key, name, type, data, dataSize);
}

LONG PosixSystem::RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type,
                                BYTE* data, DWORD* dataSize) {
    return registry_.enumValue(key, index, name, nameSize, type, data, dataSize);
}

// The last key closed after a change writes the file; its result is the save's.
LONG PosixSystem::RegCloseKey(HKEY key) {
    const LONG result = registry_.closeKey(key);
    if (result != static_cast<LONG>(ERROR_SUCCESS) || !registry_.modified() ||
        registry_.openHandles() != 0)
        return result;
    const DWORD saved = saveRegistry();
    // What could not be saved is not the settings: the next read loads the file again.
    if (saved != ERROR_SUCCESS) loadedPath_.clear();
    return static_cast<LONG>(saved);
}

// Loads the file again whenever it changed since the last load, so that an edit by hand is
// seen at the next read, as every read of a setting goes to the registry. Only a regular file
// is read (a link to one is followed), never more than MOST_BYTES_READ of it, and without
// waiting: a FIFO or a device in its place gives the defaults and is left alone.
void PosixSystem::loadRegistry() {
    if (registry_.openHandles() != 0) return;
    const std::string path = RegistryFilePath();
    struct stat info {};
    const bool regular = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    const std::string stamp = regular ? fileStamp(info) : std::string();
    if (path == loadedPath_ && stamp == loadedStamp_) return;
    registry_.clear();
    malformed_ = false;
    if (regular) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        struct stat opened {};
        if (fd >= 0 && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)) {
            std::string text(
                std::min<std::size_t>(static_cast<std::size_t>(opened.st_size), MOST_BYTES_READ),
                '\0');
            std::size_t got = 0;
            while (got < text.size()) {
                const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
            }
            text.resize(got);
            // A file cut short here is kept whole as a backup when it is saved.
            malformed_ = !parseRegFile(text, registry_) ||
                         static_cast<std::size_t>(opened.st_size) > MOST_BYTES_READ;
        }
        if (fd >= 0) ::close(fd);
    }
    synthesizeSerialPorts();
    registry_.setModified(false);
    loadedPath_ = path;
    loadedStamp_ = stamp;
}

// Without a SERIALCOMM key of its own, the file lists the COM ports whose devices exist.
void PosixSystem::synthesizeSerialPorts() {
    synthesizedKey_.clear();
    const std::string path = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";
    if (registry_.findKey(path) != nullptr) return;
    RegistryModel::Key& key = registry_.ensureKey(path);
    for (unsigned number = 1; number <= 16; ++number) {
        if (::access(SerialDeviceOf(number).c_str(), F_OK) != 0) continue;
        const std::string port = "COM" + std::to_string(number);
        RegistryModel::Value value{"\\Device\\Serial" + std::to_string(number - 1), REG_SZ,
                                   std::vector<BYTE>(port.begin(), port.end())};
        value.data.push_back(0);
        key.values.push_back(std::move(value));
    }
    synthesizedKey_ = path;
}

// Every value in one new file beside the settings file (made by mkstemp, so a link planted
// under a name there cannot turn the save against another file), flushed, then renamed over
// the old one and the folder flushed: an interrupted save leaves the old settings or the new
// ones. A file with lines we could not read is kept as .bak. ERROR_SUCCESS or why not.
DWORD PosixSystem::saveRegistry() {
    registry_.setModified(false);
    DWORD error = ERROR_SUCCESS;
    const std::string path = fileToWrite(RegistryFilePath(), error);
    if (path.empty()) return error;
    const std::string folder = folderOf(path);
    makeFolders(folder);
    std::string temporary = folder + "/.registry.reg.XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return errorFromErrno(errno);
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    const std::string text = formatRegFile(registry_, synthesizedKey_);
    std::size_t put = 0;
    while (put < text.size()) {
        const ssize_t n = ::write(fd, text.data() + put, text.size() - put);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        put += static_cast<std::size_t>(n);
    }
    const int writeError = put < text.size() ? errno : ::fsync(fd) != 0 ? errno : 0;
    ::close(fd);
    if (writeError != 0) {
        ::unlink(temporary.c_str());
        return errorFromErrno(writeError);
    }
    if (malformed_) {
        // The backup takes a second name for the old file, which stays in place until replaced.
        const std::string backup = freeBackupName(path);
        if (::link(path.c_str(), backup.c_str()) != 0) ::rename(path.c_str(), backup.c_str());
        malformed_ = false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return errorFromErrno(renameError);
    }
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    struct stat saved {};
    if (RegistryFilePath() == path && ::stat(path.c_str(), &saved) == 0)
        loadedStamp_ = fileStamp(saved);
    return ERROR_SUCCESS;
}

}  // namespace pixlor::posix
