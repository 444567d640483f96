// JSON scenarios of the simulated camera, and its deterministic picture data.
#include "sim/PictureData.h"
#include "sim/Scenario.h"
#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace pixlor::test {
namespace {

using sim::FaultKind;
using sim::PictureKind;
using sim::Scenario;

bool parse(const std::string& text, Scenario& scenario, std::string& error) {
    return sim::parseScenario(text, scenario, error);
}

TEST(AScenario, GivesPicturesSeedPacketSizeAndFaults) {
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(parse(R"({
        "seed": 42, "packetSize": 512,
        "pictures": [
            {"photoSize": 70000, "thumbSize": 3000, "shootingTime": "2001-09-09 01:46:40"},
            {"photoSize": 10, "thumbSize": 0, "shootingTime": -5}
        ],
        "faults": [
            {"kind": "refuse", "action": 0, "times": "forever"},
            {"kind": "damage", "command": "data", "register": 14, "packet": 3, "times": 2},
            {"kind": "completion", "action": 7, "value": "none"},
            {"kind": "silence"}
        ]})",
                      scenario, error))
        << error;
    EXPECT_EQ(scenario.seed, 42u);
    EXPECT_EQ(scenario.packetSize, 512u);
    ASSERT_EQ(scenario.pictures.size(), 2u);
    EXPECT_EQ(scenario.pictures[0].shootingTime, 1000000000);
    EXPECT_EQ(scenario.pictures[1].shootingTime, -5);
    ASSERT_EQ(scenario.faults.size(), 4u);
    EXPECT_EQ(scenario.faults[0].kind, FaultKind::Refuse);
    EXPECT_EQ(scenario.faults[0].times, sim::FAULT_FOREVER);
    EXPECT_TRUE(scenario.faults[0].on.matches(sim::CMD_ACTION, 0));
    EXPECT_FALSE(scenario.faults[0].on.matches(sim::CMD_ACTION, 7));
    EXPECT_EQ(scenario.faults[1].packet, 3);
    EXPECT_EQ(scenario.faults[1].times, 2);
    EXPECT_EQ(scenario.faults[2].value, -1);
    EXPECT_TRUE(scenario.faults[3].on.matches(sim::CMD_GET_REGISTER, 10));
}

TEST(AScenario, LeavesTheSizesOfJpegPicturesToTheImagesUnlessItFixesThem) {
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(parse(R"({"pictures": [
        {"shootingTime": 0},
        {"shootingTime": 0, "photoSize": 60000, "width": 1024, "height": 768}]})",
                      scenario, error))
        << error;
    EXPECT_EQ(scenario.content, sim::PictureContent::Jpeg);
    ASSERT_EQ(scenario.pictures.size(), 2u);
    EXPECT_EQ(scenario.pictures[0].photoSize, sim::NATURAL_SIZE);
    EXPECT_EQ(scenario.pictures[0].thumbSize, sim::NATURAL_SIZE);
    EXPECT_EQ(scenario.pictures[0].width, 0u);
    EXPECT_EQ(scenario.pictures[1].photoSize, 60000u);
    EXPECT_EQ(scenario.pictures[1].thumbSize, sim::NATURAL_SIZE);
    EXPECT_EQ(scenario.pictures[1].width, 1024u);
    EXPECT_EQ(scenario.pictures[1].height, 768u);
    ASSERT_TRUE(parse(R"({"content": "data"})", scenario, error)) << error;
    EXPECT_EQ(scenario.content, sim::PictureContent::Data);
}

TEST(AScenario, BuildsACameraThatShowsItsFaults) {
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(parse(R"({"pictures": [{"photoSize": 1, "thumbSize": 1, "shootingTime": 0}],
                          "faults": [{"kind": "nak", "command": "get", "register": 10}]})",
                      scenario, error))
        << error;
    sim::CameraModel camera = sim::cameraFor(scenario);
    HostSide host(camera);
    EXPECT_EQ(host.send(getRegisterPacket(10)), (Bytes{0x15}));
    EXPECT_EQ(host.send(getRegisterPacket(10)), registerAnswer(1));
}

TEST(AScenario, ShippedExampleIsValid) {
    std::ifstream file(PIXLOR_SIM_SCENARIOS "/example.json");
    ASSERT_TRUE(file);
    std::stringstream text;
    text << file.rdbuf();
    Scenario scenario;
    std::string error;
    EXPECT_TRUE(parse(text.str(), scenario, error)) << error;
    EXPECT_FALSE(scenario.pictures.empty());
    EXPECT_FALSE(scenario.faults.empty());
}

TEST(AScenario, IsRejectedWithAMessageNamingTheOffendingEntry) {
    const struct {
        const char* text;
        const char* message;
        // clang-format off
    } cases[] = {
        {"{", "the scenario is not valid JSON"},
        {R"({"pictres": []})", "scenario has the unknown member \"pictres\""},
        {R"({"packetSize": 0})", "scenario.packetSize must lie between 1 and 65535"},
        {R"({"content": "data", "pictures": [{"photoSize": 1, "shootingTime": 0}]})",
         "pictures[0].thumbSize is missing"},
        {R"({"content": "png"})", "scenario.content must be \"jpeg\" or \"data\""},
        {R"({"pictures": [{"shootingTime": 0, "width": 800}]})",
         "pictures[0] gives one of width and height without the other"},
        {R"({"pictures": [{"shootingTime": 0, "width": 8, "height": 6}]})",
         "pictures[0].width must lie between 16 and 4096"},
        {R"({"pictures": [{"shootingTime": 0, "photoSize": 4294967295}]})",
         "pictures[0].photoSize must lie between 0 and 4294967294"},
        {R"({"content": "data", "pictures": [{"photoSize": 1, "thumbSize": 1, "shootingTime": 0,
                                              "width": 800, "height": 600}]})",
         "pictures[0] has dimensions, which only JPEG pictures have"},
        {R"({"pictures": [{"photoSize": 1.5, "thumbSize": 1, "shootingTime": 0}]})",
         "pictures[0].photoSize must be a whole number"},
        {R"({"pictures": [{"photoSize": 1, "thumbSize": 1, "shootingTime": "2001-02-29 00:00:00"}]})",
         "pictures[0].shootingTime must be a date \"YYYY-MM-DD hh:mm:ss\" or a number of seconds"},
        {R"({"pictures": [{"photoSize": 1, "thumbSize": 1, "shootingTime": "2040-01-01 00:00:00"}]})",
         "pictures[0].shootingTime lies outside what the camera's 32-bit clock can hold"},
        {R"({"faults": [{"kind": "nack"}]})", "faults[0].kind \"nack\" is not a fault kind"},
        {R"({"faults": [{"kind": "unexpected", "value": 256}]})",
         "faults[0].value must lie between 0 and 255"},
        {R"({"faults": [{"kind": "damage", "register": 14}]})",
         "faults[0].packet is missing (the data packet to spoil)"},
        {R"({"faults": [{"kind": "nak", "packet": 1}]})",
         "faults[0].packet does not apply to a \"nak\" fault"},
        {R"({"faults": [{"kind": "nak", "times": "always"}]})",
         "faults[0].times must be a count or \"forever\""},
        {R"({"faults": [{"kind": "nak", "register": 4, "action": 0}]})",
         "faults[0] names both a register and an action"},
    };
    // clang-format on
    for (const auto& entry : cases) {
        Scenario scenario;
        scenario.seed = 99;
        std::string error;
        EXPECT_FALSE(parse(entry.text, scenario, error)) << entry.text;
        EXPECT_EQ(error, entry.message) << entry.text;
        EXPECT_EQ(scenario.seed, 99u) << "a rejected scenario changes nothing";
    }
}

TEST(TheQuickPictureSet, HasTheAskedNumberOfDistinctPicturesOverSeveralDays) {
    const auto pictures = sim::defaultPictures(7);
    ASSERT_EQ(pictures.size(), 7u);
    std::set<std::int32_t> days;
    for (const auto& picture : pictures) {
        EXPECT_GT(picture.photoSize, 0u);
        EXPECT_GT(picture.thumbSize, 0u);
        days.insert(picture.shootingTime / 86400);
    }
    EXPECT_EQ(days.size(), 3u);
}

TEST(PictureData, IsTheSameForTheSameSeedPictureAndKind) {
    EXPECT_EQ(sim::pictureData(5, 2, PictureKind::Photo, 1000),
              sim::pictureData(5, 2, PictureKind::Photo, 1000));
    EXPECT_NE(sim::pictureData(5, 2, PictureKind::Photo, 64),
              sim::pictureData(5, 3, PictureKind::Photo, 64));
    EXPECT_NE(sim::pictureData(5, 2, PictureKind::Photo, 64),
              sim::pictureData(5, 2, PictureKind::Thumbnail, 64));
    EXPECT_NE(sim::pictureData(5, 2, PictureKind::Photo, 64),
              sim::pictureData(6, 2, PictureKind::Photo, 64));
}

TEST(PictureData, GivesAnyStretchTheBytesOfTheWholeFile) {
    const Bytes whole = sim::pictureData(1, 1, PictureKind::Thumbnail, 100);
    Bytes stretch(37);
    sim::fillPictureData(1, 1, PictureKind::Thumbnail, 13, stretch.data(), stretch.size());
    EXPECT_EQ(stretch, Bytes(whole.begin() + 13, whole.begin() + 50));
}

TEST(PictureData, UsesHighByteValuesThatTestChecksumArithmetic) {
    const Bytes data = sim::pictureData(1, 1, PictureKind::Photo, 4096);
    std::set<BYTE> values(data.begin(), data.end());
    EXPECT_EQ(values.size(), 256u);
}

}  // namespace
}  // namespace pixlor::test
