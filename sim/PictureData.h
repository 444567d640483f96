// The exact bytes of every simulated picture and thumbnail. They depend only on a seed, the
// picture's identity and the offset, so a test can rebuild any file the camera sent and compare
// it with what landed on disk, and a packet sent again carries the same bytes.
#pragma once

#include "platform/Win32Api.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixlor::sim {

enum class PictureKind : std::uint8_t { Photo = 1, Thumbnail = 2 };

// Writes `count` bytes of the picture's data starting at `offset` into `out`.
void fillPictureData(std::uint32_t seed, std::uint32_t pictureId, PictureKind kind,
                     std::uint64_t offset, BYTE* out, std::size_t count);

// The whole file of `size` bytes.
std::vector<BYTE> pictureData(std::uint32_t seed, std::uint32_t pictureId, PictureKind kind,
                              std::uint32_t size);

}  // namespace pixlor::sim
