#include "tests/support/Support.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace pixlor::test {

#ifdef _WIN32
namespace {

// Removes a folder with everything in it, by names in the "\\?\" form, which Windows takes as
// they are. Otherwise it drops trailing blanks from a path's last name: "dir\ ", a folder a test
// may make by a blank name, would be "dir" itself, and a removal that builds paths that way (the
// standard library's) descends into "dir" without end.
void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                removeTree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
#endif

TempDir::TempDir() {
    std::random_device random;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("pixlor-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
}

TempDir::~TempDir() {
#ifdef _WIN32
    removeTree(L"\\\\?\\" + std::filesystem::absolute(path_).make_preferred().wstring());
#else
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
#endif
}

std::string nativePath(std::string path) {
#ifndef _WIN32
    for (char& c : path)
        if (c == '\\') c = '/';
#endif
    return path;
}

std::vector<unsigned char> readFileBytes(const std::string& path) {
    std::ifstream in(nativePath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool fileExists(const std::string& path) { return std::filesystem::exists(nativePath(path)); }

#ifndef _WIN32
TimeZoneInForce::TimeZoneInForce(const char* rule) {
    const char* zone = std::getenv("TZ");
    hadZone_ = zone != nullptr;
    if (hadZone_) previous_ = zone;
    setenv("TZ", rule, 1);
    tzset();
}

TimeZoneInForce::~TimeZoneInForce() {
    if (hadZone_)
        setenv("TZ", previous_.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
#endif

}  // namespace pixlor::test
