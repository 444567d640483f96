#include "tests/support/jpeg/JpegInspection.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <libexif/exif-data.h>

namespace pixlor::test {

namespace {

struct Errors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
    std::string message;
};

void recordAndEscape(j_common_ptr decoder) {
    auto* errors = reinterpret_cast<Errors*>(decoder->err);
    char text[JMSG_LENGTH_MAX];
    (*decoder->err->format_message)(decoder, text);
    errors->message = text;
    std::longjmp(errors->escape, 1);
}

// Warnings (a corrupt segment, data cut short) count as failures: a viewer would show damage.
void recordWarning(j_common_ptr decoder, int level) {
    if (level >= 0) return;  // trace messages
    auto* errors = reinterpret_cast<Errors*>(decoder->err);
    char text[JMSG_LENGTH_MAX];
    (*decoder->err->format_message)(decoder, text);
    if (errors->message.empty()) errors->message = text;
}

bool decode(const std::vector<std::uint8_t>& file, InspectedJpeg& result) {
    jpeg_decompress_struct decoder{};
    Errors errors{};
    decoder.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = recordAndEscape;
    errors.manager.emit_message = recordWarning;
    if (setjmp(errors.escape) != 0) {
        result.problem = errors.message;
        jpeg_destroy_decompress(&decoder);
        return false;
    }
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&decoder, TRUE);
    decoder.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder);
    result.baseline = decoder.progressive_mode == FALSE && decoder.arith_code == FALSE &&
                      decoder.data_precision == 8;
    result.width = decoder.output_width;
    result.height = decoder.output_height;
    result.components = static_cast<unsigned>(decoder.num_components);
    result.pixels.resize(std::size_t{result.width} * result.height * 3);
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = &result.pixels[std::size_t{decoder.output_scanline} * result.width * 3];
        jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    result.problem = errors.message;
    return errors.message.empty();
}

unsigned numberOf(ExifEntry* entry) {
    if (entry == nullptr) return 0;
    const ExifByteOrder order = exif_data_get_byte_order(entry->parent->parent);
    if (entry->format == EXIF_FORMAT_SHORT) return exif_get_short(entry->data, order);
    if (entry->format == EXIF_FORMAT_LONG) return exif_get_long(entry->data, order);
    return 0;
}

void readExif(const std::vector<std::uint8_t>& file, InspectedJpeg& result) {
    result.exifFirst = file.size() > 10 && file[2] == 0xFF && file[3] == 0xE1 &&
                       std::string(file.begin() + 6, file.begin() + 10) == "Exif";
    ExifData* exif = exif_data_new_from_data(file.data(), static_cast<unsigned>(file.size()));
    if (exif == nullptr) return;
    ExifContent* content = exif->ifd[EXIF_IFD_EXIF];
    if (ExifEntry* date = exif_content_get_entry(content, EXIF_TAG_DATE_TIME_ORIGINAL);
        date != nullptr && date->format == EXIF_FORMAT_ASCII && date->size > 0)
        result.dateTimeOriginal.assign(reinterpret_cast<const char*>(date->data), date->size - 1);
    result.exifWidth = numberOf(exif_content_get_entry(content, EXIF_TAG_PIXEL_X_DIMENSION));
    result.exifHeight = numberOf(exif_content_get_entry(content, EXIF_TAG_PIXEL_Y_DIMENSION));
    exif_data_unref(exif);
}

}  // namespace

InspectedJpeg inspectJpeg(const std::vector<std::uint8_t>& file) {
    InspectedJpeg result;
    result.decoded = decode(file, result);
    readExif(file, result);
    return result;
}

double meanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 255;
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
    return static_cast<double>(sum) / static_cast<double>(a.size());
}

}  // namespace pixlor::test
