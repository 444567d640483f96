// The Exif block of a simulated picture, written by hand: the few tags a viewer or a photo
// program looks for, with the shooting time and the image's true dimensions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pixlor::sim {

// The payload of the APP1 segment: "Exif\0\0" and a little-endian TIFF structure whose first
// directory holds the resolution, the program's name, the time and a pointer to the Exif
// directory, which holds DateTimeOriginal, DateTimeDigitized and PixelX/YDimension.
std::vector<std::uint8_t> exifBlock(std::int32_t shootingTime, unsigned width, unsigned height);

// The shooting time (seconds since 1970, calendar time) as "2002-05-17 09:14:03" with '-' as
// the separator, or as Exif writes times with ':'.
std::string shootingTimeText(std::int32_t shootingTime, char dateSeparator);

}  // namespace pixlor::sim
