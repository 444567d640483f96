// A log of the bytes on a serial line, one line a burst: the seconds since the log began, the
// direction ("host>cam" or "cam>host"), the line speed, a note, and the bytes in hex:
//     0.569725 host>cam 19200 00
//     0.570868 cam>host 19200 15
// The camera simulator writes it from the camera's side; the serial layer (PIXLOR_SERIAL_LOG)
// writes it from the computer's, with lines that start with "#" for what happened around the
// bytes (the port opened and closed).
#pragma once

#include "platform/Win32Api.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace pixlor {

class ByteLogFile {
public:
    ByteLogFile() = default;
    ~ByteLogFile();
    ByteLogFile(const ByteLogFile&) = delete;
    ByteLogFile& operator=(const ByteLogFile&) = delete;
    // Opens `path` for appending; false with the system's reason in `error`.
    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    void write(std::uint64_t elapsedNs, bool fromHost, std::uint32_t baud, const char* note,
               const BYTE* bytes, std::size_t count);
    // A "#" line, with the time when it is not 0.
    void comment(const std::string& text, std::uint64_t elapsedNs = 0);
    void flush();

private:
    std::FILE* file_ = nullptr;
};

// The monotonic clock in nanoseconds, the time base of a log.
std::uint64_t MonotonicNs();

}  // namespace pixlor
