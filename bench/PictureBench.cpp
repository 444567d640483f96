// Pictures: the time the camera program takes to make the JPEG files of 500 pictures (photo and
// thumbnail each), once at the images' own sizes (the demo's pictures) and once fitted to the
// assorted fixed sizes of the quick picture set (`pixlor-camsim --pictures N`).
//
//   pixlor-bench-pictures [--pictures N]
#include "bench/BenchSupport.h"
#include "sim/Scenario.h"
#include "sim/jpeg/JpegPictureFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pixlor::bench {
namespace {

struct Run {
    double wall = 0, cpu = 0;
    std::uint64_t photoBytes = 0, thumbBytes = 0;
    std::uint32_t smallestPhoto = 0xFFFFFFFF, largestPhoto = 0;
    unsigned plain = 0;  // files served as plain data
};

Run makeAll(std::vector<sim::Picture> pictures) {
    Run run;
    sim::JpegPictureFiles files(1, [&run](const std::string&) { ++run.plain; });
    for (std::size_t i = 0; i < pictures.size(); ++i)
        pictures[i].id = static_cast<std::uint32_t>(i + 1);
    const double wall = wallSeconds(), cpu = cpuSeconds();
    for (const sim::Picture& picture : pictures) {
        const std::uint32_t photo = files.size(picture, sim::PictureKind::Photo);
        // Reading a byte makes the files of a picture whose sizes are fixed.
        BYTE first = 0;
        files.read(picture, sim::PictureKind::Thumbnail, 0, &first, 1);
        run.photoBytes += photo;
        run.thumbBytes += files.size(picture, sim::PictureKind::Thumbnail);
        run.smallestPhoto = std::min(run.smallestPhoto, photo);
        run.largestPhoto = std::max(run.largestPhoto, photo);
    }
    run.wall = wallSeconds() - wall;
    run.cpu = cpuSeconds() - cpu;
    return run;
}

void print(const char* what, const Run& run, std::size_t count) {
    std::printf("%-26s %8.2f %8.2f %8.2f %9.0f %9u %9u %9.0f %6u\n", what, run.wall, run.cpu,
                run.wall * 1000 / count, static_cast<double>(run.photoBytes) / count,
                run.smallestPhoto, run.largestPhoto, static_cast<double>(run.thumbBytes) / count,
                run.plain);
}

}  // namespace
}  // namespace pixlor::bench

int main(int argc, char** argv) {
    using namespace pixlor;
    using namespace pixlor::bench;
    unsigned count = 500;
    if (argc == 3 && std::strcmp(argv[1], "--pictures") == 0) count = std::atoi(argv[2]);
    if (count == 0 || (argc != 1 && argc != 3)) {
        std::fprintf(stderr, "usage: pixlor-bench-pictures [--pictures N]\n");
        return 2;
    }
    std::vector<sim::Picture> natural = sim::defaultPictures(count);
    for (sim::Picture& picture : natural) picture.photoSize = picture.thumbSize = sim::NATURAL_SIZE;
    std::printf("%u pictures, photo %ux%u and thumbnail %ux%u each\n", count, sim::PHOTO_WIDTH,
                sim::PHOTO_HEIGHT, sim::THUMBNAIL_WIDTH, sim::THUMBNAIL_HEIGHT);
    std::printf("%-26s %8s %8s %8s %9s %9s %9s %9s %6s\n", "sizes", "wall s", "CPU s", "ms/pic",
                "photo avg", "photo min", "photo max", "thumb avg", "plain");
    print("the images' own", makeAll(natural), count);
    print("fixed (quick set)", makeAll(sim::defaultPictures(count)), count);
    return 0;
}
