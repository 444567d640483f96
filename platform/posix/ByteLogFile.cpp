#include "platform/posix/ByteLogFile.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace pixlor {

namespace {

void WriteSeconds(std::FILE* file, std::uint64_t elapsedNs) {
    std::fprintf(file, "%llu.%06llu", static_cast<unsigned long long>(elapsedNs / 1000000000u),
                 static_cast<unsigned long long>(elapsedNs / 1000u % 1000000u));
}

}  // namespace

std::uint64_t MonotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000ull +
           static_cast<std::uint64_t>(now.tv_nsec);
}

ByteLogFile::~ByteLogFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool ByteLogFile::open(const std::string& path, std::string& error) {
    file_ = std::fopen(path.c_str(), "a");
    if (file_ == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void ByteLogFile::write(std::uint64_t elapsedNs, bool fromHost, std::uint32_t baud,
                        const char* note, const BYTE* bytes, std::size_t count) {
    if (file_ == nullptr) return;
    WriteSeconds(file_, elapsedNs);
    std::fprintf(file_, " %s %u%s", fromHost ? "host>cam" : "cam>host", baud, note);
    for (std::size_t i = 0; i < count; ++i) std::fprintf(file_, " %02X", bytes[i]);
    std::fputc('\n', file_);
}

void ByteLogFile::comment(const std::string& text, std::uint64_t elapsedNs) {
    if (file_ == nullptr) return;
    std::fputs("# ", file_);
    if (elapsedNs != 0) {
        WriteSeconds(file_, elapsedNs);
        std::fputc(' ', file_);
    }
    std::fprintf(file_, "%s\n", text.c_str());
}

void ByteLogFile::flush() {
    if (file_ != nullptr) std::fflush(file_);
}

}  // namespace pixlor
