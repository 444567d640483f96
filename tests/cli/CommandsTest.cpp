// The console program's commands against the simulated camera on COM2, through the plug-in's
// entry points linked into this program, on the virtual clock: what the user reads, the files
// on disk, the pictures left on the camera, the exit status.
#include "host/cli/Commands.h"

#include "platform/Calendar.h"
#include "sim/CameraModel.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace pixlor::host::cli {
namespace {

using test::readFileBytes;

sim::Picture ShotOn(unsigned day, std::uint32_t photoSize) {
    const std::int64_t seconds = daysFromCivil(2002, 5, day) * 86400 + 12 * 3600;
    return {photoSize, photoSize / 10, static_cast<std::int32_t>(seconds), 0};
}

class AConsole : public ::testing::Test {
protected:
    explicit AConsole(std::vector<sim::Picture> pictures = {ShotOn(17, 3000), ShotOn(17, 2000),
                                                            ShotOn(18, 1000)})
        : camera(std::move(pictures)),
          user(Streams(), TerminalStyle{OemCodePage::Latin437, false, 80}),
          commands(PluginSetup(), user, Streams()) {
        auto& ports = fake.system.registry().ensureKey(
            "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
        for (const char* port : {"COM1", "COM2"})
            ports.values.push_back({port, REG_SZ, std::vector<BYTE>(port, port + 5)});
    }
    static ProgramSetup PluginSetup() {
        return {LinkedPluginEntryPoints(),
                (std::filesystem::current_path() / "pixlor.so").string(), "English"};
    }
    TerminalStreams Streams() { return {out, err, in, false, inIsTerminal}; }
    std::vector<BYTE> dataOf(std::size_t position, sim::PictureKind kind) const {
        return camera.expectedData(camera.pictures()[position].id, kind);
    }
    std::string path(const std::string& name) const { return dest.path() + "/" + name; }

    std::ostringstream out, err;
    std::istringstream in;
    bool inIsTerminal = false;
    test::FakeSystemInForce fake;
    test::TempDir dest;
    sim::CameraModel camera;
    TerminalUser user;
    Commands commands;
};

class AConsoleWithACameraOnCom2 : public AConsole {
protected:
    AConsoleWithACameraOnCom2() { fake.system.attachPort(2, &camera); }
};

TEST_F(AConsoleWithACameraOnCom2, ListsTheDateFoldersThenThePicturesOfOne) {
    EXPECT_EQ(commands.list({}), EXIT_DONE);
    EXPECT_NE(out.str().find("02-05-17/       5000  2002-05-17  12:00:00"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("2 folders, 6000 bytes"), std::string::npos) << out.str();
    out.str("");
    EXPECT_EQ(commands.list({"02-05-18", false}), EXIT_DONE);
    EXPECT_NE(out.str().find("pic18.05.2002_001.jpg        1000  2002-05-18  12:00:00"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(commands.list({"02-05-30", false}), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("no folder \"02-05-30\""), std::string::npos);
}

TEST_F(AConsoleWithACameraOnCom2, CopiesANamedPictureIntoItsDateFolderAfterShowingThePrompt) {
    TransferRequest request;
    request.destination = dest.path();
    request.items = {"02-05-17/pic17.05.2002_002.jpg"};
    request.subfolders = SubfolderMode::Always;
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_EQ(readFileBytes(path("02-05-17/pic17.05.2002_001.jpg")),
              dataOf(1, sim::PictureKind::Photo));
    EXPECT_NE(out.str().find("Copy photos in photo date folders to: " + dest.path()),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("1 file copied into " + dest.path()), std::string::npos);
    EXPECT_EQ(camera.pictures().size(), 3u);
}

TEST_F(AConsoleWithACameraOnCom2, CopiesThumbnailsAndBothKindsWhereTheOptionsSay) {
    TransferRequest thumbnails;
    thumbnails.destination = dest.path();
    thumbnails.choice.photos = false;
    thumbnails.subfolders = SubfolderMode::Never;
    EXPECT_EQ(commands.transfer(thumbnails), EXIT_DONE) << err.str();
    EXPECT_EQ(readFileBytes(path("thumb18.05.2002_001.jpg")), dataOf(2, sim::PictureKind::Thumbnail));

    TransferRequest both;
    both.destination = dest.path();
    both.items = {"02-05-18"};
    both.choice.kinds = CopyKinds::BothOneFolder;
    EXPECT_EQ(commands.transfer(both), EXIT_DONE) << err.str();
    EXPECT_EQ(readFileBytes(path("02-05-18/thumb18.05.2002_001.jpg")),
              dataOf(2, sim::PictureKind::Thumbnail));
    EXPECT_EQ(readFileBytes(path("02-05-18/pic18.05.2002_001.jpg")),
              dataOf(2, sim::PictureKind::Photo));
}

TEST_F(AConsoleWithACameraOnCom2, MovesAFolderAndTheCameraKeepsTheRest) {
    TransferRequest request;
    request.destination = dest.path();
    request.items = {"02-05-17"};
    request.choice.move = true;
    const auto second = dataOf(1, sim::PictureKind::Photo);
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_EQ(readFileBytes(path("02-05-17/pic17.05.2002_002.jpg")), second);
    ASSERT_EQ(camera.pictures().size(), 1u);
    EXPECT_EQ(camera.pictures()[0].photoSize, 1000u);
}

TEST_F(AConsoleWithACameraOnCom2, RefusesAMissingDestinationOrItemWithoutWakingTheCamera) {
    TransferRequest request;
    request.destination = dest.path() + "/missing";
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("missing: no such folder"), std::string::npos) << err.str();
    EXPECT_TRUE(camera.bytesFromHost().empty());

    request.destination = dest.path();
    request.items = {"02-05-17", "02-05-18/pic18.05.2002_001.jpg"};
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    request.items = {"02-05-19"};
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("02-05-19"), std::string::npos) << err.str();
    EXPECT_TRUE(std::filesystem::is_empty(dest.path()));
}

TEST_F(AConsoleWithACameraOnCom2, DeletesWithYesAndAsksOtherwise) {
    EXPECT_EQ(commands.remove({{"02-05-18"}, false, false}), EXIT_BAD_USAGE);
    EXPECT_EQ(camera.pictures().size(), 3u);

    inIsTerminal = true;
    TerminalUser asking(Streams(), TerminalStyle{});
    Commands askingCommands(PluginSetup(), asking, Streams());
    in.str("n\n");
    EXPECT_EQ(askingCommands.remove({{"02-05-18"}, false, false}), EXIT_DONE);
    EXPECT_NE(out.str().find("Delete the selected pictures on the camera?"), std::string::npos);
    EXPECT_EQ(camera.pictures().size(), 3u);

    EXPECT_EQ(commands.remove({{"02-05-17/pic17.05.2002_001.jpg"}, false, true}), EXIT_DONE);
    ASSERT_EQ(camera.pictures().size(), 2u);
    EXPECT_EQ(camera.pictures()[0].photoSize, 2000u);
}

TEST_F(AConsole, WhoseCameraDoesNotAnswerFailsWithStatus1AndSaysWhereToLook) {
    EXPECT_EQ(commands.list({}), EXIT_CAMERA_FAILED);
    EXPECT_NE(err.str().find("The camera operation failed"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("[help: Errors]"), std::string::npos);
    EXPECT_NE(err.str().find("PIXLOR_COM<n>"), std::string::npos);
}

TEST_F(AConsole, ShowsTheStoredSettingsAsTheDialogShowsThem) {
    EXPECT_EQ(commands.configure({}), EXIT_DONE);
    EXPECT_NE(out.str().find("Serial port: COM2\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Line speed: 115.2kBd\n"), std::string::npos);
    EXPECT_NE(out.str().find("Picture name pattern: \"pic%2D.%2M.%4Y_\"\n"), std::string::npos);
    EXPECT_NE(out.str().find("Thumbnail name digits: \"3\"\n"), std::string::npos);
}

TEST_F(AConsole, SavesSettingsThroughTheDialogAndShowsThemAfterwards) {
    ConfigRequest request;
    request.port = 1;
    request.speed = 9600;
    request.thumbFolder = "";
    request.photoDigits = 4;
    EXPECT_EQ(commands.configure(request), EXIT_DONE) << err.str();
    out.str("");
    EXPECT_EQ(commands.configure({}), EXIT_DONE);
    EXPECT_NE(out.str().find("Serial port: COM1\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Line speed: 9.6kBd\n"), std::string::npos);
    EXPECT_NE(out.str().find("Picture name digits: \"4\"\n"), std::string::npos);
    EXPECT_NE(out.str().find("Thumbnail folder pattern: \"\"\n"), std::string::npos);
}

TEST_F(AConsole, RefusesBadSettingsWithTheDialogsMessageAndSavesNothing) {
    ConfigRequest tooFewDigits;
    tooFewDigits.photoDigits = 1;
    tooFewDigits.thumbFolder = "";
    EXPECT_EQ(commands.configure(tooFewDigits), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("The running number needs at least 2 digits"), std::string::npos)
        << err.str();

    ConfigRequest blankFolder;
    blankFolder.speed = 9600;
    blankFolder.thumbFolder = "  ";
    EXPECT_EQ(commands.configure(blankFolder), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("holds nothing but blanks"), std::string::npos) << err.str();

    ConfigRequest unlistedPort;
    unlistedPort.port = 5;
    unlistedPort.thumbFolder = "";
    EXPECT_EQ(commands.configure(unlistedPort), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("COM5 is not offered"), std::string::npos) << err.str();

    out.str("");
    EXPECT_EQ(commands.configure({}), EXIT_DONE);
    EXPECT_NE(out.str().find("Line speed: 115.2kBd\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Picture name digits: \"3\"\n"), std::string::npos);
}

TEST_F(AConsole, DefaultsThenOwnInputAreSavedTogether) {
    ConfigRequest edited;
    edited.photoName = "holiday_";
    edited.thumbFolder = "";
    ASSERT_EQ(commands.configure(edited), EXIT_DONE) << err.str();
    ConfigRequest reset;
    reset.defaults = true;
    reset.thumbFolder = "th%2D";
    EXPECT_EQ(commands.configure(reset), EXIT_DONE) << err.str();
    out.str("");
    commands.configure({});
    EXPECT_NE(out.str().find("Picture name pattern: \"pic%2D.%2M.%4Y_\"\n"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("Thumbnail folder pattern: \"th%2D\"\n"), std::string::npos);
}

}  // namespace
}  // namespace pixlor::host::cli
