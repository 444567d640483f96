// What a simulated picture shows: a small landscape whose colours follow the picture's number,
// with the number and the shooting time drawn large on it, so that pictures are told apart at a
// glance, thumbnails included.
#pragma once

#include <cstdint>
#include <vector>

namespace pixlor::sim {

// 8-bit RGB, rows top to bottom, three bytes a pixel.
struct RgbImage {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> pixels;
};

// The picture with identity `pictureId`, shot at `shootingTime` (seconds since 1970, calendar
// time); `seed` moves the hills and the sun.
RgbImage drawScene(std::uint32_t seed, std::uint32_t pictureId, std::int32_t shootingTime,
                   unsigned width, unsigned height);

// The image scaled to the given size, every target pixel the average of the source pixels it
// covers.
RgbImage scaledImage(const RgbImage& image, unsigned width, unsigned height);

}  // namespace pixlor::sim
