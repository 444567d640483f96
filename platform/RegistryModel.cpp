#include "platform/RegistryModel.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace pixlor {

std::string RegistryModel::rootName(HKEY root) {
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    return {};
}

std::string RegistryModel::fold(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

std::string RegistryModel::fullPath(HKEY root, LPCSTR subKey) {
    std::string path = rootName(root);
    std::string rest = subKey != nullptr ? subKey : "";
    while (!rest.empty() && rest.front() == '\\') rest.erase(rest.begin());
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    if (!rest.empty()) path += "\\" + rest;
    return path;
}

RegistryModel::Key* RegistryModel::findKey(const std::string& path) {
    const auto found = byFoldedPath_.find(fold(path));
    return found == byFoldedPath_.end() ? nullptr : found->second;
}

const RegistryModel::Key* RegistryModel::findKey(const std::string& path) const {
    return const_cast<RegistryModel*>(this)->findKey(path);
}

RegistryModel::Key& RegistryModel::ensureKey(const std::string& path) {
    if (Key* key = findKey(path)) return *key;
    keys_.push_back(std::make_unique<Key>(Key{path, {}}));
    byFoldedPath_[fold(path)] = keys_.back().get();
    return *keys_.back();
}

void RegistryModel::clear() {
    keys_.clear();
    byFoldedPath_.clear();
    open_.clear();
    modified_ = false;
}

RegistryModel::Key* RegistryModel::keyOf(HKEY key) const {
    auto found = open_.find(key);
    return found == open_.end() ? nullptr : found->second;
}

LONG RegistryModel::openKey(HKEY root, LPCSTR subKey, HKEY* key) {
    if (rootName(root).empty() || key == nullptr) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    const std::string path = fullPath(root, subKey);
    Key* found = findKey(path);
    if (found == nullptr && path == rootName(root)) found = &ensureKey(path);
    if (found == nullptr) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    *key = reinterpret_cast<HKEY>(nextHandle_++);
    open_[*key] = found;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegistryModel::createKey(HKEY root, LPCSTR subKey, HKEY* key) {
    if (rootName(root).empty() || key == nullptr) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    const std::string path = fullPath(root, subKey);
    if (findKey(path) == nullptr) {
        // Creating a key creates the keys above it, as the system does.
        for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
            ensureKey(path.substr(0, at));
        ensureKey(path);
        modified_ = true;
    }
    return openKey(root, subKey, key);
}

LONG RegistryModel::queryValue(HKEY key, LPCSTR name, DWORD* type, BYTE* data,
                               DWORD* dataSize) const {
    const Key* open = keyOf(key);
    if (open == nullptr) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    const std::string folded = fold(name != nullptr ? name : "");
    for (const Value& value : open->values) {
        if (fold(value.name) != folded) continue;
        if (type != nullptr) *type = value.type;
        const auto size = static_cast<DWORD>(value.data.size());
        if (data == nullptr) {
            if (dataSize != nullptr) *dataSize = size;
            return static_cast<LONG>(ERROR_SUCCESS);
        }
        if (dataSize == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
        if (*dataSize < size) {
            *dataSize = size;
            return static_cast<LONG>(ERROR_MORE_DATA);
        }
        if (size != 0) std::memcpy(data, value.data.data(), size);
        *dataSize = size;
        return static_cast<LONG>(ERROR_SUCCESS);
    }
    return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
}

LONG RegistryModel::setValue(HKEY key, LPCSTR name, DWORD type, const BYTE* data, DWORD dataSize) {
    Key* open = keyOf(key);
    if (open == nullptr) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    const std::string valueName = name != nullptr ? name : "";
    std::vector<BYTE> bytes(data, data + (data != nullptr ? dataSize : 0));
    modified_ = true;
    for (Value& value : open->values) {
        if (fold(value.name) != fold(valueName)) continue;
        value.type = type;
        value.data = std::move(bytes);
        return static_cast<LONG>(ERROR_SUCCESS);
    }
    open->values.push_back(Value{valueName, type, std::move(bytes)});
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegistryModel::enumValue(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type,
                              BYTE* data, DWORD* dataSize) const {
    const Key* open = keyOf(key);
    if (open == nullptr) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (index >= open->values.size()) return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
    const Value& value = open->values[index];
    if (name == nullptr || nameSize == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    if (value.name.size() + 1 > *nameSize) return static_cast<LONG>(ERROR_MORE_DATA);
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameSize = static_cast<DWORD>(value.name.size());
    if (type != nullptr) *type = value.type;
    const auto size = static_cast<DWORD>(value.data.size());
    if (data != nullptr) {
        if (dataSize == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
        if (*dataSize < size) {
            *dataSize = size;
            return static_cast<LONG>(ERROR_MORE_DATA);
        }
        if (size != 0) std::memcpy(data, value.data.data(), size);
    }
    if (dataSize != nullptr) *dataSize = size;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegistryModel::closeKey(HKEY key) {
    return open_.erase(key) == 1 ? static_cast<LONG>(ERROR_SUCCESS)
                                 : static_cast<LONG>(ERROR_INVALID_HANDLE);
}

}  // namespace pixlor
