#include "sim/jpeg/JpegFile.h"

#include "sim/jpeg/ExifBlock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace pixlor::sim {

namespace {

// A comment segment's most bytes: marker, length field and 65533 bytes of comment.
constexpr std::uint32_t LARGEST_SEGMENT = 4 + 65533;

}  // namespace

std::vector<std::uint8_t> encodeJpeg(const RgbImage& image, std::int32_t shootingTime,
                                     int quality) {
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);  // our own images and settings: any error is fatal
    jpeg_create_compress(&compress);
    unsigned char* buffer = nullptr;
    unsigned long bufferSize = 0;
    jpeg_mem_dest(&compress, &buffer, &bufferSize);
    compress.image_width = image.width;
    compress.image_height = image.height;
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, quality, TRUE);  // 8-bit quantisation tables: baseline
    compress.optimize_coding = TRUE;
    compress.dct_method = JDCT_ISLOW;    // the same bytes with and without SIMD
    compress.write_JFIF_header = FALSE;  // the Exif block is the first segment
    jpeg_start_compress(&compress, TRUE);
    const std::vector<std::uint8_t> exif = exifBlock(shootingTime, image.width, image.height);
    jpeg_write_marker(&compress, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    const std::size_t stride = std::size_t{image.width} * 3;
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(&image.pixels[compress.next_scanline * stride]);
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    std::vector<std::uint8_t> file(buffer, buffer + bufferSize);
    jpeg_destroy_compress(&compress);
    std::free(buffer);
    return file;
}

JpegFile JpegFile::natural(const RgbImage& image, std::int32_t shootingTime) {
    JpegFile file(encodeJpeg(image, shootingTime, JPEG_QUALITY));
    file.padTo(file.size());
    return file;
}

bool JpegFile::fitted(const RgbImage& image, std::int32_t shootingTime, std::uint32_t size,
                      JpegFile& file, std::uint32_t& smallest) {
    std::vector<std::uint8_t> best = encodeJpeg(image, shootingTime, JPEG_QUALITY);
    RgbImage smaller;
    const RgbImage* rung = &image;
    while (best.size() > size) {
        // The highest quality below the usual one that fits, halving the range each step.
        best = encodeJpeg(*rung, shootingTime, JPEG_LEAST_QUALITY);
        if (best.size() <= size) {
            int low = JPEG_LEAST_QUALITY, high = JPEG_QUALITY - 1;
            while (low < high) {
                const int middle = (low + high + 1) / 2;
                std::vector<std::uint8_t> candidate = encodeJpeg(*rung, shootingTime, middle);
                if (candidate.size() <= size) {
                    low = middle;
                    best = std::move(candidate);
                } else {
                    high = middle - 1;
                }
            }
            break;
        }
        smallest = static_cast<std::uint32_t>(best.size());
        const unsigned width = rung->width * 3 / 4;  // the height keeps the image's shape
        const unsigned height = (width * image.height + image.width / 2) / image.width;
        if (width < PICTURE_LEAST_SIDE || height < PICTURE_LEAST_SIDE) return false;
        smaller = scaledImage(image, width, height);
        rung = &smaller;
        best = encodeJpeg(*rung, shootingTime, JPEG_QUALITY);
    }
    file = JpegFile(std::move(best));
    file.padTo(size);
    return true;
}

void JpegFile::padTo(std::uint32_t size) {
    // SOI, then the Exif segment: marker and a big-endian length that counts itself.
    const std::uint32_t exifLength = std::uint32_t{encoded_[4]} << 8 | encoded_[5];
    paddingAt_ = 4 + exifLength;
    std::uint32_t gap = size - static_cast<std::uint32_t>(encoded_.size());
    if (gap > 0 && gap < 4) {  // too few for a comment segment: the Exif segment grows instead
        encoded_.insert(encoded_.begin() + paddingAt_, gap, 0);
        encoded_[4] = static_cast<std::uint8_t>((exifLength + gap) >> 8);
        encoded_[5] = static_cast<std::uint8_t>(exifLength + gap);
        paddingAt_ += gap;
        gap = 0;
    }
    padding_ = gap;
}

// The padding is split into as few comment segments as hold it, of lengths that differ by one
// at most (the longer ones first), so every segment has room for its four header bytes.
std::uint8_t JpegFile::paddingByte(std::uint32_t position) const {
    const std::uint32_t segments = (padding_ + LARGEST_SEGMENT - 1) / LARGEST_SEGMENT;
    const std::uint32_t shortLength = padding_ / segments;
    const std::uint32_t longOnes = padding_ % segments;
    const std::uint32_t longPart = longOnes * (shortLength + 1);
    std::uint32_t length = shortLength + 1, at = position % length;
    if (position >= longPart) {
        length = shortLength;
        at = (position - longPart) % length;
    }
    switch (at) {
    case 0: return 0xFF;
    case 1: return 0xFE;  // COM
    case 2: return static_cast<std::uint8_t>((length - 2) >> 8);
    case 3: return static_cast<std::uint8_t>(length - 2);
    default: return 0;
    }
}

void JpegFile::read(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i, ++offset) {
        if (offset < paddingAt_)
            out[i] = encoded_[offset];
        else if (offset < std::uint64_t{paddingAt_} + padding_)
            out[i] = paddingByte(static_cast<std::uint32_t>(offset - paddingAt_));
        else
            out[i] = encoded_[offset - padding_];
    }
}

}  // namespace pixlor::sim
