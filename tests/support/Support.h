// Helpers shared by the test suites.
#pragma once

#include "platform/fake/FakeSystem.h"

#include <string>
#include <vector>

namespace pixlor::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // The path of a name inside the folder, joined with "\" as the plug-in joins paths.
    std::string windowsPath(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Puts a FakeSystem in force for the life of the object.
class FakeSystemInForce {
public:
    FakeSystemInForce() : previous_(useSystem(&system)) {}
    ~FakeSystemInForce() { useSystem(previous_); }
    FakeSystemInForce(const FakeSystemInForce&) = delete;
    FakeSystemInForce& operator=(const FakeSystemInForce&) = delete;
    FakeSystem system;

private:
    System* previous_;
};

#ifndef _WIN32
// Puts a time zone (a POSIX TZ rule, so no zone files are needed) in force for the life of the
// object, then the previous one.
class TimeZoneInForce {
public:
    explicit TimeZoneInForce(const char* rule);
    ~TimeZoneInForce();
    TimeZoneInForce(const TimeZoneInForce&) = delete;
    TimeZoneInForce& operator=(const TimeZoneInForce&) = delete;

private:
    bool hadZone_;
    std::string previous_;
};
#endif

// A path the plug-in built with "\" separators, as this system's file functions take it.
std::string nativePath(std::string path);
std::vector<unsigned char> readFileBytes(const std::string& path);
bool fileExists(const std::string& path);

}  // namespace pixlor::test
