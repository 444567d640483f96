// The camera program's picture files: JPEG images a viewer opens, with their Exif block, made to
// the sizes a scenario fixes, and the same bytes every time.
#include "sim/jpeg/JpegPictureFiles.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/jpeg/JpegInspection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace pixlor::test {
namespace {

using sim::NATURAL_SIZE;
using sim::PictureKind;

constexpr std::int32_t SHOT = 1021626843;  // 2002-05-17 09:14:03
constexpr const char* SHOT_EXIF = "2002:05:17 09:14:03";

sim::Picture naturalPicture(std::uint32_t id, std::uint16_t width = 0, std::uint16_t height = 0) {
    return {NATURAL_SIZE, NATURAL_SIZE, SHOT, id, width, height};
}

// Checks what a viewer relies on; the dimensions decoded and in Exif must agree.
void expectViewable(const Bytes& file, unsigned width, unsigned height, const std::string& what) {
    const InspectedJpeg jpeg = inspectJpeg(file);
    EXPECT_TRUE(jpeg.decoded) << what << ": " << jpeg.problem;
    EXPECT_TRUE(jpeg.baseline) << what;
    EXPECT_TRUE(jpeg.exifFirst) << what;
    EXPECT_EQ(jpeg.width, width) << what;
    EXPECT_EQ(jpeg.height, height) << what;
    EXPECT_EQ(jpeg.components, 3u) << what;
    EXPECT_EQ(jpeg.exifWidth, jpeg.width) << what;
    EXPECT_EQ(jpeg.exifHeight, jpeg.height) << what;
    EXPECT_EQ(jpeg.dateTimeOriginal, SHOT_EXIF) << what;
}

TEST(APictureAtItsOwnSize, IsA640By480PhotoAndA160By120ThumbnailOfTheSameScene) {
    sim::JpegPictureFiles files(3);
    const Bytes photo = files.file(naturalPicture(7), PictureKind::Photo);
    const Bytes thumbnail = files.file(naturalPicture(7), PictureKind::Thumbnail);
    expectViewable(photo, 640, 480, "photo");
    expectViewable(thumbnail, 160, 120, "thumbnail");

    // The thumbnail is the photo scaled down, not another picture.
    const InspectedJpeg big = inspectJpeg(photo), small = inspectJpeg(thumbnail);
    const sim::RgbImage scaled = sim::scaledImage({640, 480, big.pixels}, 160, 120);
    EXPECT_LT(meanDifference(scaled.pixels, small.pixels), 6.0);
    sim::JpegPictureFiles others(3);
    const InspectedJpeg another =
        inspectJpeg(others.file(naturalPicture(8), PictureKind::Thumbnail));
    EXPECT_GT(meanDifference(another.pixels, small.pixels), 20.0) << "pictures look alike";
}

TEST(APictureAtItsOwnSize, HasTheDimensionsItAsksFor) {
    sim::JpegPictureFiles files(3);
    expectViewable(files.file(naturalPicture(1, 1024, 768), PictureKind::Photo), 1024, 768,
                   "photo");
    expectViewable(files.file(naturalPicture(1, 1024, 768), PictureKind::Thumbnail), 160, 120,
                   "thumbnail");
}

TEST(PictureFiles, AreTheSameBytesForTheSameSeedAndPictureAndDifferOtherwise) {
    sim::JpegPictureFiles first(3), again(3), otherSeed(4);
    const Bytes photo = first.file(naturalPicture(2), PictureKind::Photo);
    EXPECT_EQ(again.file(naturalPicture(2), PictureKind::Photo), photo);
    EXPECT_EQ(first.file(naturalPicture(2), PictureKind::Photo), photo) << "kept, not remade";
    EXPECT_NE(otherSeed.file(naturalPicture(2), PictureKind::Photo), photo);
    EXPECT_NE(first.file(naturalPicture(3), PictureKind::Photo), photo);
}

TEST(AFixedSize, IsMetExactlyByAViewableFile) {
    const std::uint32_t natural =
        sim::JpegPictureFiles(5).size(naturalPicture(1), PictureKind::Photo);
    // Padding of every kind: none, too short for a comment segment, one segment, a full one,
    // two; then lower quality, then smaller dimensions.
    const std::uint32_t sizes[] = {natural,          natural + 1,     natural + 3,
                                   natural + 4,      natural + 65537, natural + 65538,
                                   natural + 200000, natural * 2 / 3, 3000};
    for (const std::uint32_t size : sizes) {
        sim::JpegPictureFiles files(5);
        const sim::Picture picture{size, 2500, SHOT, 1};
        const Bytes photo = files.file(picture, PictureKind::Photo);
        EXPECT_EQ(photo.size(), size);
        const InspectedJpeg jpeg = inspectJpeg(photo);
        EXPECT_TRUE(jpeg.decoded) << size << ": " << jpeg.problem;
        EXPECT_EQ(jpeg.dateTimeOriginal, SHOT_EXIF) << size;
        EXPECT_EQ(jpeg.exifWidth, jpeg.width) << size;
        EXPECT_LE(std::abs(static_cast<int>(jpeg.width * 3) - static_cast<int>(jpeg.height * 4)), 4)
            << size << ": the shape stays";
        if (size >= natural * 2 / 3) {
            EXPECT_EQ(jpeg.width, 640u) << size;
        } else {
            EXPECT_LT(jpeg.width, 640u) << size << ": even the least quality is too much";
        }
        const Bytes thumbnail = files.file(picture, PictureKind::Thumbnail);
        EXPECT_EQ(thumbnail.size(), 2500u);
        expectViewable(thumbnail, 160, 120, "thumbnail of 2500 bytes");
    }
}

TEST(AFixedSizeTooSmallForAnyJpeg, GetsThePlainDataOfThatSizeWithAWarning) {
    std::vector<std::string> warnings;
    sim::JpegPictureFiles files(5,
                                [&warnings](const std::string& text) { warnings.push_back(text); });
    const sim::Picture picture{300, 0, SHOT, 4};
    EXPECT_EQ(files.file(picture, PictureKind::Photo),
              sim::pictureData(5, 4, PictureKind::Photo, 300));
    EXPECT_TRUE(files.file(picture, PictureKind::Thumbnail).empty());
    ASSERT_EQ(warnings.size(), 2u) << "one for each file, once";
    EXPECT_NE(warnings[0].find("picture #4 (2002-05-17 09:14:03): 300 bytes are too few for a "
                               "JPEG photo (it takes at least "),
              std::string::npos)
        << warnings[0];
    EXPECT_NE(warnings[1].find("JPEG thumbnail"), std::string::npos) << warnings[1];
}

TEST(ACameraWithJpegPictures, DescribesAndSendsTheFilesAtTheirRealSizes) {
    sim::CameraModel camera({naturalPicture(0), {20000, 3000, SHOT, 0}}, 6, 4096);
    camera.setPictureFiles(std::make_unique<sim::JpegPictureFiles>(6));
    sim::JpegPictureFiles expected(6);
    HostSide host(camera);
    for (std::uint32_t number = 1; number <= 2; ++number) {
        const sim::Picture& picture = camera.pictures()[number - 1];
        ASSERT_EQ(host.send(setRegisterPacket(4, number)), (Bytes{0x06}));
        Bytes answer = host.send(requestDataPacket(47));
        const ReceivedPacket info = takePacket(answer);
        host.ack();
        const Bytes photo = host.download(14), thumbnail = host.download(15);
        EXPECT_EQ(photo, expected.file(picture, PictureKind::Photo)) << number;
        EXPECT_EQ(thumbnail, expected.file(picture, PictureKind::Thumbnail)) << number;
        EXPECT_EQ(le32At(info.payload, 0), photo.size()) << number;
        EXPECT_EQ(le32At(info.payload, 4), thumbnail.size()) << number;
        expectViewable(photo, 640, 480, "photo " + std::to_string(number));
    }
}

}  // namespace
}  // namespace pixlor::test
