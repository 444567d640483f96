// Any byte stream from the camera into a download: the catalogue is read (count, picture
// information) and picture 1 is downloaded into a new file, as a copy does. Whatever arrives, the
// device must stay inside its buffers, end, and leave either nothing or a file no longer than
// the picture's announced size.
#include "device/CameraDevice.h"
#include "fuzz/StreamPeer.h"
#include "platform/fake/FakeSystem.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string& TargetFile() {
    static const std::string path = [] {
        char folder[] = "/tmp/pixlor-fuzz-XXXXXX";
        if (mkdtemp(folder) == nullptr) std::abort();
        return std::string(folder) + "/picture.jpg";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pixlor::FakeSystem system;
    system.setLinePacing(false);
    pixlor::System* previous = pixlor::useSystem(&system);
    pixlor::fuzz::StreamPeer camera(data, size);
    system.attachPort(1, &camera);
    const std::string& target = TargetFile();
    std::filesystem::remove(target);
    {
        pixlor::CameraDevice device(0, 5);
        if (device.openCatalogue() && device.pictureCount > 0 && device.readPictureInfo(1, false)) {
            const bool copied =
                device.downloadPicture(1, true, true, target.c_str(), nullptr, FILETIME{});
            std::error_code error;
            const auto written = std::filesystem::file_size(target, error);
            if (copied && (error || written > device.entryAt(0)->photoSize)) std::abort();
            // A failed transfer leaves no file behind; a failure after the whole picture
            // arrived (the camera's return to its default speed) keeps it.
            const std::int32_t link = device.link->errorCode;
            if (!copied && !error && link != pixlor::LINK_ERR_SPEED_RESET &&
                link != pixlor::LINK_ERR_PORT_SETUP)
                std::abort();
        }
    }
    std::filesystem::remove(target);
    pixlor::useSystem(previous);
    return 0;
}
