#include "sim/jpeg/JpegPictureFiles.h"

#include "sim/jpeg/ExifBlock.h"

namespace pixlor::sim {

std::uint32_t JpegPictureFiles::size(const Picture& picture, PictureKind kind) {
    const std::uint32_t fixed = kind == PictureKind::Photo ? picture.photoSize : picture.thumbSize;
    return fixed != NATURAL_SIZE ? fixed : made(picture, kind)->size();
}

void JpegPictureFiles::read(const Picture& picture, PictureKind kind, std::uint64_t offset,
                            BYTE* out, std::size_t count) {
    const std::optional<JpegFile>& file = made(picture, kind);
    if (file)
        file->read(offset, out, count);
    else
        fillPictureData(seed_, picture.id, kind, offset, out, count);
}

std::vector<BYTE> JpegPictureFiles::file(const Picture& picture, PictureKind kind) {
    std::vector<BYTE> bytes(size(picture, kind));
    read(picture, kind, 0, bytes.data(), bytes.size());
    return bytes;
}

const std::optional<JpegFile>& JpegPictureFiles::made(const Picture& picture, PictureKind kind) {
    auto found = made_.find(picture.id);
    if (found == made_.end()) {
        const RgbImage scene = drawScene(seed_, picture.id, picture.shootingTime,
                                         picture.width != 0 ? picture.width : PHOTO_WIDTH,
                                         picture.height != 0 ? picture.height : PHOTO_HEIGHT);
        Made files;
        files.photo = fileOf(picture, scene, PictureKind::Photo);
        files.thumbnail = fileOf(picture, scaledImage(scene, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT),
                                 PictureKind::Thumbnail);
        found = made_.emplace(picture.id, std::move(files)).first;
    }
    return kind == PictureKind::Photo ? found->second.photo : found->second.thumbnail;
}

std::optional<JpegFile> JpegPictureFiles::fileOf(const Picture& picture, const RgbImage& image,
                                                 PictureKind kind) {
    const bool photo = kind == PictureKind::Photo;
    const std::uint32_t size = photo ? picture.photoSize : picture.thumbSize;
    if (size == NATURAL_SIZE) return JpegFile::natural(image, picture.shootingTime);
    JpegFile file;
    std::uint32_t smallest = 0;
    if (JpegFile::fitted(image, picture.shootingTime, size, file, smallest)) return file;
    if (warn_)
        warn_("picture #" + std::to_string(picture.id) + " (" +
              shootingTimeText(picture.shootingTime, '-') + "): " + std::to_string(size) +
              " bytes are too few for a JPEG " + (photo ? "photo" : "thumbnail") +
              " (it takes at least " + std::to_string(smallest) + "); it is sent as plain data");
    return std::nullopt;
}

}  // namespace pixlor::sim
