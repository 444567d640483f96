// A camera described in a JSON scenario: its pictures, its data seed and packet size, and the
// faults it will show. The format is described in sim/README.md.
#pragma once

#include "sim/CameraFaults.h"
#include "sim/CameraModel.h"

#include <string>
#include <vector>

namespace pixlor::sim {

struct Scenario {
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

// A camera built from the scenario, its faults already scripted.
CameraModel cameraFor(const Scenario& scenario);

}  // namespace pixlor::sim
