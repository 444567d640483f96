// Hand-edited settings of the wrong type, length or range, through the exports: opening, listing,
// copying and the configuration dialog fall back to the defaults or clamp, and never crash.
#include "tests/faults/FaultRig.h"

#include <functional>
#include <ostream>

namespace pixlor::test {
namespace {

struct HostileRow {
    const char* situation;
    std::function<void(FaultRig&)> store;
    std::string copiedFile;  // the first picture's copy below the disk folder; "" = not opened
    int dialogPort;          // the port item (0 = COM1) and speed item the dialog shows
    int dialogSpeed;
};

// A row reads as its situation in test names and failure messages.
void PrintTo(const HostileRow& row, std::ostream* out) { *out << row.situation; }

std::vector<BYTE> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// clang-format off
const HostileRow ROWS[] = {
    {"SpeedIndexOfNineRunsAtTheFastestSpeed", [](FaultRig& rig) { rig.storeNumber("BaudRate", 9); },
     "02-05-17/pic17.05.2002_001.jpg", 1, 5},
    {"PortIndexOf200IsRefusedAtOpening", [](FaultRig& rig) { rig.storeNumber("SerialPort", 200); },
     "", 1, 5},
    {"DigitCountOfZeroGivesOneDigit", [](FaultRig& rig) { rig.storeNumber("PhotoSuffix", 0); },
     "02-05-17/pic17.05.2002_1.jpg", 1, 5},
    {"DigitCountOfFortyGivesNine", [](FaultRig& rig) { rig.storeNumber("PhotoSuffix", 40); },
     "02-05-17/pic17.05.2002_000000001.jpg", 1, 5},
    {"PatternOf300CharactersGivesTheDefault",
     [](FaultRig& rig) { rig.storeText("PhotoPrefix", std::string(300, 'x')); },
     "02-05-17/pic17.05.2002_001.jpg", 1, 5},
    {"TextWithoutTerminatorGivesTheDefault",
     [](FaultRig& rig) { rig.storeRaw("PhotoPath", REG_SZ, Bytes("%2Y")); },
     "02-05-17/pic17.05.2002_001.jpg", 1, 5},
    {"FolderPatternStoredAsANumberGivesTheDefault",
     [](FaultRig& rig) { rig.storeNumber("PhotoPath", 7); }, "02-05-17/pic17.05.2002_001.jpg", 1,
     5},
    {"SpeedStoredAsTextGivesTheDefault",
     [](FaultRig& rig) { rig.storeRaw("BaudRate", REG_SZ, Bytes("1\0")); },
     "02-05-17/pic17.05.2002_001.jpg", 1, 5},
    {"PortStoredInTwoBytesGivesTheDefault",
     [](FaultRig& rig) { rig.storeRaw("SerialPort", REG_DWORD, {0, 0}); },
     "02-05-17/pic17.05.2002_001.jpg", 1, 5},
    {"MalformedNamePatternGivesTheDefault",
     [](FaultRig& rig) { rig.storeText("PhotoPrefix", "pic*%2D"); },
     "02-05-17/pic17.05.2002_001.jpg", 1, 5},
    {"NamePatternWithATabGivesTheDefault",
     [](FaultRig& rig) { rig.storeText("PhotoPrefix", "pic\t%2D_"); },
     "02-05-17/pic17.05.2002_001.jpg", 1, 5},
    {"NamePatternOfBlanksGivesTheDefault",
     [](FaultRig& rig) { rig.storeText("PhotoPrefix", "  "); }, "02-05-17/pic17.05.2002_001.jpg",
     1, 5},
    {"FolderPatternOfTwoDotsGivesTheDefault",
     [](FaultRig& rig) { rig.storeText("PhotoPath", ".."); }, "02-05-17/pic17.05.2002_001.jpg",
     1, 5},
    {"FolderPatternOfDotsAndBlanksGivesTheDefault",
     [](FaultRig& rig) { rig.storeText("PhotoPath", " . ."); }, "02-05-17/pic17.05.2002_001.jpg",
     1, 5},
    {"FolderPatternThatStopsAtADotGivesTheDefault",
     [](FaultRig& rig) { rig.storeText("PhotoPath", ".%x"); }, "02-05-17/pic17.05.2002_001.jpg",
     1, 5},
    {"PercentSignsOnlyExpandWithoutOverrun",
     [](FaultRig& rig) { rig.storeText("PhotoPrefix", std::string(254, '%')); },
     "02-05-17/" + std::string(127, '%') + "001.jpg", 1, 5},
    {"FolderPatternOfBlanksOnlyIsTakenAsEmpty",
     [](FaultRig& rig) { rig.storeText("PhotoPath", "   "); }, "pic17.05.2002_001.jpg", 1, 5},
    {"SpeedIndexOfZeroMeans19200",
     [](FaultRig& rig) { rig.storeNumber("BaudRate", 0); }, "02-05-17/pic17.05.2002_001.jpg", 1,
     2},
};
// clang-format on

class HostileSettings : public ::testing::TestWithParam<HostileRow> {
protected:
    HostileSettings() : rig({PictureOn(2002, 5, 17, 1500, 150), PictureOn(2002, 5, 18, 700, 70)}) {}
    FaultRig rig;
};

TEST_P(HostileSettings, OpenListCopyAndConfigureFallBackToDefaultsOrClamps) {
    const HostileRow& row = GetParam();
    row.store(rig);
    ASSERT_TRUE(rig.emulator->start()) << rig.emulator->errorText;
    if (row.copiedFile.empty()) {
        EXPECT_FALSE(rig.emulator->openPanel());
        EXPECT_EQ(rig.failureLines(), (std::vector<std::string>{rig.failureLine(0x100, 1, 1)}));
    } else {
        ASSERT_TRUE(rig.emulator->openPanel()) << rig.emulator->errorText;
        ASSERT_TRUE(rig.selectAll());
        rig.copyMarked(false);
        EXPECT_TRUE(rig.failureLines().empty()) << rig.failureLines().front();
        const std::string copy = rig.disk.path() + "/" + row.copiedFile;
        EXPECT_EQ(readFileBytes(copy),
                  rig.camera.expectedData(rig.camera.pictures()[0].id, sim::PictureKind::Photo))
            << copy;
        EXPECT_EQ(rig.camera.baud(), sim::CAMERA_DEFAULT_BAUD);
        rig.emulator->closePanel();
    }
    // The dialog shows the clamped port and speed; closing it writes nothing.
    EXPECT_EQ(rig.emulator->configure(), 0);
    ASSERT_FALSE(rig.user->dialogs.empty());
    EXPECT_EQ(rig.user->dialogs.back().helpTopic, "Configure");
    const auto& items = rig.user->dialogs.back().items;
    EXPECT_EQ(items.at(2 + row.dialogPort).Param.Selected, 1);
    EXPECT_EQ(items.at(10 + row.dialogSpeed).Param.Selected, 1);
    rig.expectScreensRestoredOnce();
}

INSTANTIATE_TEST_SUITE_P(HandEdited, HostileSettings, ::testing::ValuesIn(ROWS),
                         [](const ::testing::TestParamInfo<HostileRow>& param) {
                             return std::string(param.param.situation);
                         });

}  // namespace
}  // namespace pixlor::test
