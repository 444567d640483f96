// The pictures a simulated camera holds, and where the bytes of their files come from. Plain
// data depends only on a seed, the picture's identity and the offset, so a test can rebuild any
// file the camera sent and compare it with what landed on disk, and a packet sent again carries
// the same bytes. The camera program serves JPEG images instead (sim/jpeg/), made once a picture.
#pragma once

#include "platform/Win32Api.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixlor::sim {

enum class PictureKind : std::uint8_t { Photo = 1, Thumbnail = 2 };

// A file size that the scenario leaves to the image: a JPEG file as it comes out at its usual
// quality. Plain data always has a given size.
constexpr std::uint32_t NATURAL_SIZE = 0xFFFFFFFF;

// The dimensions a JPEG photo may have.
constexpr unsigned PICTURE_LEAST_SIDE = 16, PICTURE_LARGEST_SIDE = 4096;

struct Picture {
    std::uint32_t photoSize = 0;    // bytes, or NATURAL_SIZE
    std::uint32_t thumbSize = 0;    // bytes, or NATURAL_SIZE
    std::int32_t shootingTime = 0;  // seconds since 1970, calendar time
    std::uint32_t id = 0;           // stable identity, kept through renumbering; 0 = assign one
    std::uint16_t width = 0;        // the photo's dimensions as a JPEG image; 0 = the default
    std::uint16_t height = 0;
};

// The files of a camera's pictures. The camera asks for a file's size when it describes the
// picture or starts its transfer, and for its bytes packet by packet.
class PictureFiles {
public:
    virtual ~PictureFiles() = default;
    virtual std::uint32_t size(const Picture& picture, PictureKind kind) = 0;
    virtual void read(const Picture& picture, PictureKind kind, std::uint64_t offset, BYTE* out,
                      std::size_t count) = 0;
};

// Writes `count` bytes of the picture's plain data starting at `offset` into `out`.
void fillPictureData(std::uint32_t seed, std::uint32_t pictureId, PictureKind kind,
                     std::uint64_t offset, BYTE* out, std::size_t count);

// The whole plain file of `size` bytes.
std::vector<BYTE> pictureData(std::uint32_t seed, std::uint32_t pictureId, PictureKind kind,
                              std::uint32_t size);

// Plain data of the sizes the pictures give: the in-process camera's files, which tests compare
// byte for byte, and those of a scenario that asks for plain data.
class PlainPictureFiles : public PictureFiles {
public:
    explicit PlainPictureFiles(std::uint32_t seed) : seed_(seed) {}
    std::uint32_t size(const Picture& picture, PictureKind kind) override {
        return kind == PictureKind::Photo ? picture.photoSize : picture.thumbSize;
    }
    void read(const Picture& picture, PictureKind kind, std::uint64_t offset, BYTE* out,
              std::size_t count) override {
        fillPictureData(seed_, picture.id, kind, offset, out, count);
    }

private:
    std::uint32_t seed_;
};

}  // namespace pixlor::sim
