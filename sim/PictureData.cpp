#include "sim/PictureData.h"

namespace pixlor::sim {

namespace {

// A strong 64-bit mixer: neighbouring blocks and neighbouring pictures look unrelated, and every
// byte value (0x80 and above included) turns up.
std::uint64_t mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

}  // namespace

void fillPictureData(std::uint32_t seed, std::uint32_t pictureId, PictureKind kind,
                     std::uint64_t offset, BYTE* out, std::size_t count) {
    const std::uint64_t key =
        mix((static_cast<std::uint64_t>(seed) << 32) ^
            (static_cast<std::uint64_t>(pictureId) << 2) ^ static_cast<std::uint64_t>(kind));
    std::uint64_t block = offset / 8;
    unsigned shift = static_cast<unsigned>(offset % 8) * 8;
    std::uint64_t bits = mix(key + block) >> shift;
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<BYTE>(bits);
        bits >>= 8;
        shift += 8;
        if (shift == 64) {
            shift = 0;
            bits = mix(key + ++block);
        }
    }
}

std::vector<BYTE> pictureData(std::uint32_t seed, std::uint32_t pictureId, PictureKind kind,
                              std::uint32_t size) {
    std::vector<BYTE> data(size);
    fillPictureData(seed, pictureId, kind, 0, data.data(), data.size());
    return data;
}

}  // namespace pixlor::sim
