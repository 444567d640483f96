// The files of a camera that takes real pictures: every photo a baseline JPEG image of its
// scene (640 x 480 unless the picture asks for other dimensions), every thumbnail the same scene
// scaled to 160 x 120, each with its Exif block. A picture's files are made the first time the
// camera needs them and kept; a size the scenario fixes is met exactly, and one too small for
// any JPEG file gets the plain data of that size instead, with a warning.
#pragma once

#include "sim/PictureData.h"
#include "sim/jpeg/JpegFile.h"

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace pixlor::sim {

constexpr unsigned PHOTO_WIDTH = 640, PHOTO_HEIGHT = 480;
constexpr unsigned THUMBNAIL_WIDTH = 160, THUMBNAIL_HEIGHT = 120;

class JpegPictureFiles : public PictureFiles {
public:
    using Warning = std::function<void(const std::string&)>;
    // `seed` varies the scenes; `warn` hears of sizes served as plain data.
    explicit JpegPictureFiles(std::uint32_t seed, Warning warn = nullptr)
        : seed_(seed), warn_(std::move(warn)) {}

    // A fixed size is answered without making the picture.
    std::uint32_t size(const Picture& picture, PictureKind kind) override;
    void read(const Picture& picture, PictureKind kind, std::uint64_t offset, BYTE* out,
              std::size_t count) override;

    // The whole file, as the camera sends it.
    std::vector<BYTE> file(const Picture& picture, PictureKind kind);

private:
    struct Made {
        std::optional<JpegFile> photo;  // none: plain data of the fixed size
        std::optional<JpegFile> thumbnail;
    };
    const std::optional<JpegFile>& made(const Picture& picture, PictureKind kind);
    std::optional<JpegFile> fileOf(const Picture& picture, const RgbImage& image, PictureKind kind);

    std::uint32_t seed_;
    Warning warn_;
    std::map<std::uint32_t, Made> made_;  // by picture identity
};

}  // namespace pixlor::sim
