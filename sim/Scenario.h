// A camera described in a JSON scenario: its pictures, its data seed and packet size, and the
// faults it will show. The format is described in sim/README.md.
#pragma once

#include "sim/CameraFaults.h"
#include "sim/CameraModel.h"

#include <string>
#include <vector>

namespace pixlor::sim {

// What the camera's picture files hold: JPEG images of generated scenes (the camera program's
// files, sim/jpeg/), or the plain data of PictureData.h.
enum class PictureContent : std::uint8_t { Jpeg, Data };

struct Scenario {
    PictureContent content = PictureContent::Jpeg;
    std::uint32_t seed = 1;
    std::uint32_t packetSize = DEFAULT_PACKET_SIZE;
    std::vector<Picture> pictures;
    std::vector<Fault> faults;
};

// Reads a scenario from JSON text; false with a message naming the offending entry when the
// text is not a valid scenario (nothing of it is then used).
bool parseScenario(const std::string& text, Scenario& scenario, std::string& error);

// A quick set of `count` pictures of assorted sizes, shot over a few days.
std::vector<Picture> defaultPictures(unsigned count);

// A camera built from the scenario, its faults already scripted; its files are plain data until
// it is given others (CameraModel::setPictureFiles).
CameraModel cameraFor(const Scenario& scenario);

}  // namespace pixlor::sim
