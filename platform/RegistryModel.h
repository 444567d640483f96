// An in-memory registry with the Win32 semantics the plug-in relies on: keys by path under a root,
// case-insensitive names, typed values, the ERROR_MORE_DATA rules of the query and the enumeration.
// The POSIX system keeps it in a .reg file; the test fake keeps it in memory.
#pragma once

#include "platform/Win32Api.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace pixlor {

class RegistryModel {
public:
    struct Value {
        std::string name;  // as first written
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    struct Key {
        std::string path;           // full path as first written, "HKEY_CURRENT_USER\Software\..."
        std::vector<Value> values;  // in order of creation, as the enumeration lists them
    };

    LONG openKey(HKEY root, LPCSTR subKey, HKEY* key);
    LONG createKey(HKEY root, LPCSTR subKey, HKEY* key);
    LONG queryValue(HKEY key, LPCSTR name, DWORD* type, BYTE* data, DWORD* dataSize) const;
    LONG setValue(HKEY key, LPCSTR name, DWORD type, const BYTE* data, DWORD dataSize);
    LONG enumValue(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type, BYTE* data,
                   DWORD* dataSize) const;
    LONG closeKey(HKEY key);

    // Direct access for loading, saving and inspecting.
    Key& ensureKey(const std::string& fullPath);
    Key* findKey(const std::string& fullPath);
    const Key* findKey(const std::string& fullPath) const;
    const std::vector<std::unique_ptr<Key>>& keys() const { return keys_; }
    void clear();
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }
    size_t openHandles() const { return open_.size(); }

    static std::string rootName(HKEY root);  // "HKEY_CURRENT_USER", ... or "" when unknown
    static std::string fold(const std::string& text);  // the case-insensitive form of a name

private:
    Key* keyOf(HKEY key) const;
    static std::string fullPath(HKEY root, LPCSTR subKey);

    std::vector<std::unique_ptr<Key>> keys_;
    std::unordered_map<std::string, Key*> byFoldedPath_;  // so a large file loads in linear time
    std::map<HKEY, Key*> open_;
    std::uintptr_t nextHandle_ = 0x1000;
    bool modified_ = false;
};

}  // namespace pixlor
