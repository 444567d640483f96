// A picture file as a viewer sees it: decoded through libjpeg, its Exif block read through
// libexif, neither of which shares code with the simulator's writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pixlor::test {

struct InspectedJpeg {
    bool decoded = false;   // the whole image decoded, without a warning from libjpeg
    std::string problem;    // libjpeg's message when not
    bool baseline = false;  // sequential, 8-bit, Huffman coded
    unsigned width = 0, height = 0, components = 0;
    std::vector<std::uint8_t> pixels;        // RGB, rows top to bottom
    bool exifFirst = false;                  // the Exif segment follows SOI at once
    std::string dateTimeOriginal;            // "YYYY:MM:DD hh:mm:ss", empty when missing
    unsigned exifWidth = 0, exifHeight = 0;  // PixelX/YDimension
};

InspectedJpeg inspectJpeg(const std::vector<std::uint8_t>& file);

// The mean absolute difference of two RGB images of the same dimensions, 0..255.
double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

}  // namespace pixlor::test
