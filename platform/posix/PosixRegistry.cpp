// The registry on Linux: the in-memory model, loaded from a .reg text file whenever that file
// changed and written back when a key is closed after a change.
#include "platform/posix/PosixSystem.h"
#include "platform/posix/RegistryFile.h"
#include "platform/posix/SerialDevice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pixlor::posix {

namespace {

std::string registryPath() {
    if (const char* file = std::getenv("PIXLOR_REGISTRY"); file != nullptr && *file != '\0')
        return file;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0')
        return std::string(config) + "/pixlor/registry.reg";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/pixlor/registry.reg";
}

// "<path>.bak", or "<path>.<n>.bak" when that is taken: an earlier backup is never replaced.
std::string freeBackupName(const std::string& path) {
    std::string backup = path + ".bak";
    for (unsigned n = 1; ::access(backup.c_str(), F_OK) == 0; ++n)
        backup = path + "." + std::to_string(n) + ".bak";
    return backup;
}

// What tells one version of a file from the next; empty when there is no file.
std::string fileStamp(const std::string& path) {
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) return {};
    return std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
           std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

void makeFolders(const std::string& folder) {
    for (size_t at = folder.find('/', 1); ; at = folder.find('/', at + 1)) {
        ::mkdir(folder.substr(0, at).c_str(), 0755);
        if (at == std::string::npos) break;
    }
}

}  // namespace

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

LONG PosixSystem::RegCloseKey(HKEY key) {
    const LONG result = registry_.closeKey(key);
    if (result == static_cast<LONG>(ERROR_SUCCESS) && registry_.modified()) saveRegistry();
    return result;
}

// Loads the file again whenever it changed since the last load, so that an edit by hand is
// seen at the next read, as every read of a setting goes to the registry.
void PosixSystem::loadRegistry() {
    if (registry_.openHandles() != 0) return;
    const std::string path = registryPath();
    const std::string stamp = fileStamp(path);
    if (path == loadedPath_ && stamp == loadedStamp_) return;
    registry_.clear();
    malformed_ = false;
    if (!stamp.empty()) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        malformed_ = !parseRegFile(text.str(), registry_);
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

// Writes a temporary file beside the registry file and renames it over, so an interrupted
// write never leaves a broken file. A file with lines we could not read is kept as .bak.
void PosixSystem::saveRegistry() {
    registry_.setModified(false);
    const std::string path = registryPath();
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos) makeFolders(path.substr(0, slash));
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << formatRegFile(registry_, synthesizedKey_);
        if (!out.flush()) {
            ::unlink(temporary.c_str());
            return;
        }
    }
    if (malformed_) {
        ::rename(path.c_str(), freeBackupName(path).c_str());
        malformed_ = false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return;
    }
    loadedStamp_ = fileStamp(path);
}

}  // namespace pixlor::posix
