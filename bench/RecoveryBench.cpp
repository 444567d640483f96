// How fast a line that goes wrong is noticed, on the real clock and the POSIX serial port, with
// pixlor-camsim: a camera that falls silent in the middle of a photo (at 9600 and 115200 Bd), a
// camera left at 115200 Bd by a line failure and woken again, a port with no camera at all, and
// a camera whose packets are longer than the receive buffer.
#include "bench/BenchSupport.h"
#include "device/CameraDevice.h"
#include "link/CameraLink.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace pixlor::bench {
namespace {

// One picture of 20 KB in packets of 2048 bytes; the camera says nothing after packet 2.
std::string writeSilentScenario(const std::string& folder) {
    const std::string path = folder + "/silent.json";
    std::ofstream(path) << R"({"packetSize": 2048, "pictures": [{"photoSize": 20480,
        "thumbSize": 1000, "shootingTime": 1025827200}], "faults": [{"kind": "silence",
        "command": "data", "register": 14, "packet": 2}]})";
    return path;
}

// Milliseconds from the host's ACK of the last packet that came to the end of the failed read
// of the next one; -1 when the run went otherwise.
double silenceEndsReadAfterMs(unsigned speedIndex, const std::string& scenario) {
    CamsimOnCom1 camsim({"--scenario", scenario});
    if (!camsim.running()) return -1;
    CameraLink link(0);
    if (!link.wakeUp() || !link.switchSpeed(speedIndex) || !link.setRegister(4, 1) ||
        !link.requestData(14) || !link.answerAndReceive(false) || !link.answerAndReceive(false))
        return -1;
    const double start = wallSeconds();
    if (link.answerAndReceive(false) || (link.port->statusFlags & STATUS_READ_SHORT) == 0)
        return -1;
    const double ended = wallSeconds();
    link.resetSpeed();
    return 1000.0 * (ended - start);
}

// Seconds the next connection's wake-up takes when the last one left the camera at 115200 Bd
// in the middle of a photo; -1 when the wake-up failed.
double wakeUpOfACameraLeftFastSeconds() {
    CamsimOnCom1 camsim({"--pictures", "3"});
    if (!camsim.running()) return -1;
    {
        CameraLink cutOff(0);
        if (!cutOff.wakeUp() || !cutOff.switchSpeed(5) || !cutOff.setRegister(4, 1) ||
            !cutOff.requestData(14))
            return -1;
    }
    CameraLink link(0);
    const double start = wallSeconds();
    if (!link.wakeUp(5)) return -1;
    const double seconds = wallSeconds() - start;
    return link.switchSpeed(5) && link.resetSpeed() ? seconds : -1;
}

// Seconds until the wake-up gives up on a pseudo-terminal with nothing at its far end.
double missingCameraReportedSeconds() {
    const int farEnd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (farEnd < 0 || ::grantpt(farEnd) != 0 || ::unlockpt(farEnd) != 0) return -1;
    ::setenv("PIXLOR_COM1", ::ptsname(farEnd), 1);
    CameraLink link(0);
    const double start = wallSeconds();
    const bool woken = link.wakeUp(5);
    const double seconds = wallSeconds() - start;
    ::close(farEnd);
    return !woken && link.errorCode == LINK_ERR_NO_WAKE ? seconds : -1;
}

// Seconds a photo download takes to give up at 115200 Bd on a camera whose packets carry
// `packetSize` bytes, more than the receive buffer holds; -1 when it went otherwise (it did
// not fail, or it left a file).
double overlongPacketGivenUpSeconds(const std::string& folder, unsigned packetSize) {
    const std::string scenario = folder + "/overlong.json";
    std::ofstream(scenario) << "{\"packetSize\": " << packetSize
                            << ", \"content\": \"data\", \"pictures\": [{\"photoSize\": 200000,"
                               " \"thumbSize\": 1000, \"shootingTime\": 1025827200}]}";
    CamsimOnCom1 camsim({"--scenario", scenario});
    if (!camsim.running()) return -1;
    CameraDevice device(0, 5);
    if (!device.openCatalogue() || !device.readPictureInfo(1, true)) return -1;
    const std::string target = folder + "/overlong.jpg";
    const double start = wallSeconds();
    const bool copied = device.downloadPicture(1, true, true, target.c_str(), nullptr, {});
    const double seconds = wallSeconds() - start;
    return !copied && ::access(target.c_str(), F_OK) != 0 ? seconds : -1;
}

}  // namespace
}  // namespace pixlor::bench

int main() {
    using namespace pixlor::bench;
    ScratchFolder folder;
    const std::string scenario = writeSilentScenario(folder.path());
    std::printf("read ended after silence:  9600 Bd %.0f ms, 115200 Bd %.0f ms\n",
                silenceEndsReadAfterMs(1, scenario), silenceEndsReadAfterMs(5, scenario));
    std::printf("wake-up of a camera left at 115200 Bd: %.3f s\n",
                wakeUpOfACameraLeftFastSeconds());
    std::printf("no camera on the port reported after: %.3f s\n", missingCameraReportedSeconds());
    std::printf(
        "photo of over-long packets given up at 115200 Bd: 32762 B %.3f s, 65535 B %.3f s\n",
        overlongPacketGivenUpSeconds(folder.path(), 32762),
        overlongPacketGivenUpSeconds(folder.path(), 65535));
    return 0;
}
