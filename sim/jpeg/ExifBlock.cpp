#include "sim/jpeg/ExifBlock.h"

#include "platform/Calendar.h"

#include <algorithm>
#include <cstdio>

namespace pixlor::sim {

namespace {

enum TiffType : std::uint16_t { ASCII = 2, SHORT = 3, LONG = 4, RATIONAL = 5, UNDEFINED = 7 };

void putLe16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    putLe16(out, value & 0xFFFF);
    putLe16(out, value >> 16);
}

// One image file directory: entries added in ascending tag order, values of more than four
// bytes stored after the directory.
class Directory {
public:
    void add(std::uint16_t tag, TiffType type, std::uint32_t count,
             std::vector<std::uint8_t> value) {
        entries_.push_back({tag, type, count, std::move(value)});
    }
    void addShort(std::uint16_t tag, std::uint16_t value) {
        std::vector<std::uint8_t> bytes;
        putLe16(bytes, value);
        add(tag, SHORT, 1, bytes);
    }
    void addLong(std::uint16_t tag, std::uint32_t value) {
        std::vector<std::uint8_t> bytes;
        putLe32(bytes, value);
        add(tag, LONG, 1, bytes);
    }
    void setLong(std::uint16_t tag, std::uint32_t value) {
        for (Entry& entry : entries_)
            if (entry.tag == tag) {
                entry.value.clear();
                putLe32(entry.value, value);
            }
    }
    void addRational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) {
        std::vector<std::uint8_t> bytes;
        putLe32(bytes, numerator);
        putLe32(bytes, denominator);
        add(tag, RATIONAL, 1, bytes);
    }
    void addText(std::uint16_t tag, const std::string& text) {
        std::vector<std::uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        add(tag, ASCII, static_cast<std::uint32_t>(bytes.size()), bytes);
    }
    void addUndefined(std::uint16_t tag, const char (&value)[5]) {
        add(tag, UNDEFINED, 4, std::vector<std::uint8_t>(value, value + 4));
    }

    std::uint32_t size() const {
        std::uint32_t size = 2 + 12 * static_cast<std::uint32_t>(entries_.size()) + 4;
        for (const Entry& entry : entries_)
            if (entry.value.size() > 4)
                size += static_cast<std::uint32_t>(entry.value.size() + 1) & ~1u;
        return size;
    }

    // Appends the directory at the end of `tiff` (offsets count from the TIFF header).
    void writeTo(std::vector<std::uint8_t>& tiff) const {
        const auto start = static_cast<std::uint32_t>(tiff.size());
        std::uint32_t dataAt = start + 2 + 12 * static_cast<std::uint32_t>(entries_.size()) + 4;
        putLe16(tiff, static_cast<std::uint32_t>(entries_.size()));
        for (const Entry& entry : entries_) {
            putLe16(tiff, entry.tag);
            putLe16(tiff, entry.type);
            putLe32(tiff, entry.count);
            if (entry.value.size() <= 4) {
                std::uint8_t inline_[4] = {0, 0, 0, 0};
                std::copy(entry.value.begin(), entry.value.end(), inline_);
                tiff.insert(tiff.end(), inline_, inline_ + 4);
            } else {
                putLe32(tiff, dataAt);
                dataAt += static_cast<std::uint32_t>(entry.value.size() + 1) & ~1u;
            }
        }
        putLe32(tiff, 0);  // no further directory
        for (const Entry& entry : entries_) {
            if (entry.value.size() <= 4) continue;
            tiff.insert(tiff.end(), entry.value.begin(), entry.value.end());
            if (entry.value.size() % 2 != 0) tiff.push_back(0);  // offsets stay even
        }
    }

private:
    struct Entry {
        std::uint16_t tag;
        TiffType type;
        std::uint32_t count;
        std::vector<std::uint8_t> value;
    };
    std::vector<Entry> entries_;
};

}  // namespace

std::string shootingTimeText(std::int32_t shootingTime, char dateSeparator) {
    const CivilTime time = civilFromSeconds(shootingTime);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld%c%02u%c%02u %02u:%02u:%02u",
                  static_cast<long long>(time.year), dateSeparator, time.month, dateSeparator,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

std::vector<std::uint8_t> exifBlock(std::int32_t shootingTime, unsigned width, unsigned height) {
    const std::string time = shootingTimeText(shootingTime, ':');
    Directory exif;
    exif.addUndefined(0x9000, "0232");             // ExifVersion
    exif.addText(0x9003, time);                    // DateTimeOriginal
    exif.addText(0x9004, time);                    // DateTimeDigitized
    exif.add(0x9101, UNDEFINED, 4, {1, 2, 3, 0});  // ComponentsConfiguration: Y Cb Cr
    exif.addUndefined(0xA000, "0100");             // FlashpixVersion
    exif.addShort(0xA001, 1);                      // ColorSpace: sRGB
    exif.addLong(0xA002, width);                   // PixelXDimension
    exif.addLong(0xA003, height);                  // PixelYDimension

    Directory image;
    image.addRational(0x011A, 72, 1);        // XResolution
    image.addRational(0x011B, 72, 1);        // YResolution
    image.addShort(0x0128, 2);               // ResolutionUnit: inch
    image.addText(0x0131, "pixlor-camsim");  // Software
    image.addText(0x0132, time);             // DateTime
    image.addShort(0x0213, 1);               // YCbCrPositioning: centred
    image.addLong(0x8769, 0);                // ExifIFDPointer: the Exif directory follows this one
    constexpr std::uint32_t HEADER_SIZE = 8;
    image.setLong(0x8769, HEADER_SIZE + image.size());

    std::vector<std::uint8_t> block{'E', 'x', 'i', 'f', 0, 0};
    std::vector<std::uint8_t> tiff{'I', 'I', 42, 0};
    putLe32(tiff, HEADER_SIZE);
    image.writeTo(tiff);
    exif.writeTo(tiff);
    block.insert(block.end(), tiff.begin(), tiff.end());
    return block;
}

}  // namespace pixlor::sim
