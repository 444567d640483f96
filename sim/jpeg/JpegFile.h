// A picture's JPEG file: a baseline JPEG image (libjpeg) whose first segment is its Exif block,
// made at the usual quality or to a size fixed in advance.
#pragma once

#include "sim/PictureData.h"
#include "sim/jpeg/SceneImage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixlor::sim {

constexpr int JPEG_QUALITY = 85;        // the usual quality
constexpr int JPEG_LEAST_QUALITY = 10;  // the least a fixed size may push it to

// The image as a baseline JPEG file: Exif block first (no JFIF segment), 4:2:0 YCbCr, Huffman
// tables made for the image.
std::vector<std::uint8_t> encodeJpeg(const RgbImage& image, std::int32_t shootingTime, int quality);

class JpegFile {
public:
    JpegFile() = default;
    // The file of the image at the usual quality.
    static JpegFile natural(const RgbImage& image, std::int32_t shootingTime);
    // A file of exactly `size` bytes: the image at the highest quality up to the usual one that
    // fits, at its own dimensions or, when even the least quality is too much, at smaller ones
    // (three quarters each step, down to
    // PICTURE_LEAST_SIDE); what is left over goes into comment segments after the Exif
    // block. False when no such file is that small; `smallest` then holds the least size.
    static bool fitted(const RgbImage& image, std::int32_t shootingTime, std::uint32_t size,
                       JpegFile& file, std::uint32_t& smallest);

    std::uint32_t size() const { return static_cast<std::uint32_t>(encoded_.size()) + padding_; }
    // Bytes of the file from `offset`; the padding is made as it is read, so a large fixed size
    // costs no memory.
    void read(std::uint64_t offset, std::uint8_t* out, std::size_t count) const;

private:
    explicit JpegFile(std::vector<std::uint8_t> encoded) : encoded_(std::move(encoded)) {}
    // Grows the file to `size` bytes (at least its own): 1 to 3 bytes at the end of the Exif
    // segment, 4 or more as comment segments right after it.
    void padTo(std::uint32_t size);
    std::uint8_t paddingByte(std::uint32_t position) const;

    std::vector<std::uint8_t> encoded_;
    std::uint32_t paddingAt_ = 0;  // where the comment segments go: after the Exif segment
    std::uint32_t padding_ = 0;    // their bytes, headers included
};

}  // namespace pixlor::sim
