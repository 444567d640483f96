// `pixlor demo`: a simulated camera with a dozen pictures on three dates, on a pseudo-terminal
// that a private settings file makes COM2; listed, then copied whole into ./pixlor-demo/.
#pragma once

#include "host/cli/Commands.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pixlor::host::cli {

// A demo picture is a JPEG image as it comes out, photo and thumbnail.
struct DemoPicture {
    std::int64_t shootingTime;  // seconds since 1970, calendar time
};

constexpr std::uint32_t DEMO_SEED = 2002;
constexpr const char* DEMO_FOLDER = "pixlor-demo";

// The demo camera's pictures in camera order; picture n (from 1) has the identity n.
std::vector<DemoPicture> DemoPictures();

// Runs the demo with the simulator program at `camsimPath`; the exit status.
int RunDemo(Commands& commands, const TerminalStreams& streams, const std::string& camsimPath);

}  // namespace pixlor::host::cli
