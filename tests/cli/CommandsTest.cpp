// The console program's commands against the simulated camera on COM2, through the plug-in's
// entry points linked into this program, on the virtual clock: what the user reads, the files
// on disk, the pictures left on the camera, the exit status.
#include "config/SettingsStore.h"
#include "host/cli/Commands.h"
#include "host/cli/Texts.h"

#include "platform/Calendar.h"
#include "sim/CameraFaults.h"
#include "sim/CameraModel.h"
#include "sim/peer/CameraPeer.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace pixlor::host::cli {
namespace {

using test::readFileBytes;

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    return files;
}

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
        auto& ports =
            fake.system.registry().ensureKey("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
        for (const char* port : {"COM1", "COM2"})
            ports.values.push_back({port, REG_SZ, std::vector<BYTE>(port, port + 5)});
    }
    static ProgramSetup PluginSetup() {
        return {LinkedPluginEntryPoints(), (std::filesystem::current_path() / "pixlor.so").string(),
                "English"};
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
    CameraPeer cameraPeer{camera};
    TerminalUser user;
    Commands commands;
};

class AConsoleWithACameraOnCom2 : public AConsole {
protected:
    AConsoleWithACameraOnCom2() { fake.system.attachPort(2, &cameraPeer); }
};

TEST_F(AConsoleWithACameraOnCom2, ListsTheDateFoldersThenThePicturesOfOne) {
    EXPECT_EQ(commands.list({}), EXIT_DONE);
    EXPECT_NE(out.str().find("02-05-17/       5000  2002-05-17  12:00:00"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("2 folders, 6000 bytes"), std::string::npos) << out.str();
    out.str("");
    EXPECT_EQ(commands.list({{"02-05-18"}}), EXIT_DONE);
    EXPECT_NE(out.str().find("pic18.05.2002_001.jpg        1000  2002-05-18  12:00:00"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(commands.list({{"02-05-30"}}), EXIT_BAD_USAGE);
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
    EXPECT_NE(err.str().find("Copying photos into date folders %2Y-%2M-%2D below " + dest.path()),
              std::string::npos)
        << err.str();
    EXPECT_NE(out.str().find("1 picture copied into " + dest.path()), std::string::npos)
        << out.str();
    EXPECT_EQ(camera.pictures().size(), 3u);
}

TEST_F(AConsoleWithACameraOnCom2, CopiesThumbnailsAndBothKindsWhereTheOptionsSay) {
    TransferRequest thumbnails;
    thumbnails.destination = dest.path();
    thumbnails.choice.photos = false;
    thumbnails.subfolders = SubfolderMode::Never;
    EXPECT_EQ(commands.transfer(thumbnails), EXIT_DONE) << err.str();
    EXPECT_EQ(readFileBytes(path("thumb18.05.2002_001.jpg")),
              dataOf(2, sim::PictureKind::Thumbnail));

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

TEST_F(AConsoleWithACameraOnCom2, SaysNothingButErrorsWhenQuiet) {
    user.quiet = true;
    TransferRequest request;
    request.destination = dest.path();
    EXPECT_EQ(commands.transfer(request), EXIT_DONE);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(FilesIn(dest.path()).size(), 3u);
    request.items = {"02-05-30"};
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("02-05-30"), std::string::npos);
}

TEST_F(AConsoleWithACameraOnCom2, RefusesABadDestinationOrItemWithoutWakingTheCamera) {
    std::ofstream(path("a-file")) << "mine";
    TransferRequest request;
    request.destination = path("a-file");
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("a-file: not a folder"), std::string::npos) << err.str();
    request.destination = path("missing/deeper");
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("no such folder, nor its parent (--mkdir makes them)"),
              std::string::npos)
        << err.str();
    request.destination = dest.path() + "/" + std::string(250, 'x');
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("the plug-in takes folders of at most 250 characters"),
              std::string::npos)
        << err.str();
    EXPECT_TRUE(camera.bytesFromHost().empty());

    request.destination = path("new");
    request.items = {"02-05-17", "02-05-19"};
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("\"02-05-19\""), std::string::npos) << err.str();
    EXPECT_FALSE(
        std::filesystem::exists(path("new")));  // nothing changed before every name is known
}

TEST_F(AConsoleWithACameraOnCom2, MakesAMissingDestinationWhoseParentExistsOrWithMkdir) {
    TransferRequest request;
    request.destination = path("new");
    request.items = {"02-05-18/"};
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_NE(err.str().find(path("new") + " made"), std::string::npos) << err.str();
    EXPECT_EQ(readFileBytes(path("new/02-05-18/pic18.05.2002_001.jpg")),
              dataOf(2, sim::PictureKind::Photo));
    request.destination = path("a/b/c");
    request.makeDestination = true;
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_TRUE(test::fileExists(path("a/b/c/02-05-18/pic18.05.2002_001.jpg")));
}

TEST_F(AConsoleWithACameraOnCom2, TakesItemsOfSeveralFoldersAndShellPatterns) {
    TransferRequest request;
    request.destination = dest.path();
    request.subfolders = SubfolderMode::Always;
    request.items = {"02-05-17/*_002.jpg", "02-05-1[8]/*.JPG"};
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_EQ(readFileBytes(path("02-05-17/pic17.05.2002_001.jpg")),
              dataOf(1, sim::PictureKind::Photo));
    EXPECT_EQ(readFileBytes(path("02-05-18/pic18.05.2002_001.jpg")),
              dataOf(2, sim::PictureKind::Photo));
    EXPECT_NE(out.str().find("2 pictures copied into"), std::string::npos) << out.str();
    request.items = {"02-06-*"};
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("nothing on the camera is called \"02-06-*\""), std::string::npos);
}

TEST_F(AConsoleWithACameraOnCom2, LandsThePicturesTheSameWayHoweverTheyAreSelected) {
    const std::vector<std::vector<std::string>> selections{
        {"02-05-17"}, {"02-05-17/"},   {"02-05-17/*"},           {"02-05-17/*.jpg"},
        {"#1", "#2"}, {"@2002-05-17"}, {"@2002-05-17T12:00:00"}, {"#2", "02-05-17/*_001.jpg"}};
    for (const auto& items : selections) {
        test::TempDir into;
        err.str("");
        TransferRequest request;
        request.destination = into.path();
        request.items = items;
        EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
        EXPECT_EQ(FilesIn(into.path()).size(), 2u) << testing::PrintToString(items);
        EXPECT_EQ(readFileBytes(into.path() + "/02-05-17/pic17.05.2002_001.jpg"),
                  dataOf(0, sim::PictureKind::Photo))
            << testing::PrintToString(items);
        EXPECT_EQ(readFileBytes(into.path() + "/02-05-17/pic17.05.2002_002.jpg"),
                  dataOf(1, sim::PictureKind::Photo))
            << testing::PrintToString(items);
        EXPECT_NE(
            err.str().find("Copying photos into date folders %2Y-%2M-%2D below " + into.path()),
            std::string::npos)
            << err.str();
    }
    // Straight into DEST, and the status line says so.
    TransferRequest straight;
    straight.destination = dest.path();
    straight.items = {"02-05-18"};
    straight.subfolders = SubfolderMode::Never;
    EXPECT_EQ(commands.transfer(straight), EXIT_DONE) << err.str();
    EXPECT_EQ(readFileBytes(path("pic18.05.2002_001.jpg")), dataOf(2, sim::PictureKind::Photo));
    EXPECT_NE(err.str().find("Copying photos straight into " + dest.path() + "\n"),
              std::string::npos)
        << err.str();
}

TEST_F(AConsoleWithACameraOnCom2, RefusesASelectionThatNamesNothingBeforeChangingAnything) {
    const struct {
        std::string item, said;
        // clang-format off
    } cases[] = {
        {"#4", "nothing on the camera is called \"#4\""},
        {"@2002-05-19", "nothing on the camera is called \"@2002-05-19\""},
        {"#x", "\"#x\": a picture is selected by its number (#3)"},
        {"@2002-5-17", "\"@2002-5-17\": a picture is selected by its number"},
        {"@2002-05-17T12:00", "\"@2002-05-17T12:00\": a picture is selected by its number"},
    };
    // clang-format on
    for (const auto& c : cases) {
        err.str("");
        TransferRequest request;
        request.destination = path("new");
        request.items = {"02-05-17", c.item};
        EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE) << c.item;
        EXPECT_NE(err.str().find(c.said), std::string::npos) << err.str();
        EXPECT_FALSE(std::filesystem::exists(path("new"))) << c.item;
    }
    EXPECT_EQ(camera.pictures().size(), 3u);
}

TEST_F(AConsoleWithACameraOnCom2, CountsPicturesNotFilesWhenCopyingBothKinds) {
    // Thumbnail first, then the photo: the first photo is the second file, of picture 1.
    camera.addFault(
        {sim::FaultKind::Refuse, sim::CommandMatch::requestData(14), sim::FAULT_FOREVER});
    TransferRequest both;
    both.destination = dest.path();
    both.choice.kinds = CopyKinds::BothOneFolder;
    EXPECT_EQ(commands.transfer(both), EXIT_CAMERA_FAILED);
    EXPECT_NE(err.str().find("the camera refused the command at 115200 Bd while sending "
                             "picture 1\n"),
              std::string::npos)
        << err.str();
}

TEST_F(AConsoleWithACameraOnCom2, ShowsNamesThatAreNotAsciiWholeWhenTheHostShortensThePath) {
    TransferRequest request;
    // "a holiday in the Caucasus", cut by the host after "holi".
    const std::string mountains =
        "\u0433\u043e\u0440\u0430\u0445 "
        "\u041a\u0430\u0432\u043a\u0430\u0437\u0430";
    request.destination = path("\u041e\u0442\u043f\u0443\u0441\u043a \u0432 " + mountains);
    request.items = {"02-05-18"};
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_NE(
        err.str().find("/...\u043a \u0432 " + mountains + "/02-05-18/pic18.05.2002_001.jpg\n"),
        std::string::npos)
        << err.str();
}

TEST_F(AConsoleWithACameraOnCom2, NamesThePortItUsesForOneCommand) {
    test::TempDir devices;
    ::setenv("PIXLOR_COM3", (devices.path() + "/usb").c_str(), 1);
    const struct {
        std::string port;
        int status;
        std::string said;
        // clang-format off
    } cases[] = {
        {"COM9", EXIT_DONE, "Port: COM9 (/dev/ttyS8), 115200 Bd\n"},
        {"COM3", EXIT_DONE, "Port: COM3 (" + devices.path() + "/usb), 115200 Bd\n"},
        {"/dev/ttyUSB0", EXIT_DONE, "Port: /dev/ttyUSB0, 115200 Bd\n"},
        {"", EXIT_BAD_USAGE, "--port \"\": give COM<n> or the path of a device"},
        {"COM0", EXIT_BAD_USAGE, "--port \"COM0\": give COM<n>"},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::ostringstream said;
        TerminalStreams streams{said, said, in, false, false};
        ProgramSetup setup = PluginSetup();
        setup.port = c.port;
        Commands oneCommand(setup, user, streams);
        EXPECT_EQ(oneCommand.info(), c.status) << c.port;
        EXPECT_NE(said.str().find(c.said), std::string::npos) << said.str();
    }
    ::unsetenv("PIXLOR_COM3");
}

TEST_F(AConsoleWithACameraOnCom2, CopiesOnlyNewPicturesAndResumesAnInterruptedCopy) {
    TransferRequest request;
    request.destination = dest.path();
    request.onlyNew = true;
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("3 pictures copied (3 new, 0 already there)"), std::string::npos)
        << out.str();
    out.str("");
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("0 pictures copied (0 new, 3 already there)"), std::string::npos)
        << out.str();
    // A copy that stopped before the last picture: only that one is fetched again, into the
    // date folder the first copy made.
    std::filesystem::remove(path("02-05-18/pic18.05.2002_001.jpg"));
    out.str("");
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("1 picture copied (1 new, 2 already there)"), std::string::npos)
        << out.str();
    EXPECT_EQ(readFileBytes(path("02-05-18/pic18.05.2002_001.jpg")),
              dataOf(2, sim::PictureKind::Photo));
    EXPECT_FALSE(test::fileExists(path("02-05-17/pic17.05.2002_003.jpg")));
}

TEST_F(AConsoleWithACameraOnCom2, CountsWhatIsOnDiskThroughADateFolderThatIsALink) {
    std::filesystem::create_directory(path("elsewhere"));
    std::filesystem::create_directory_symlink(path("elsewhere"), path("02-05-17"));
    const auto second = dataOf(1, sim::PictureKind::Photo);
    TransferRequest request;
    request.destination = dest.path();
    request.choice.move = true;
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("3 pictures copied, 3 deleted on the camera"), std::string::npos)
        << out.str();
    EXPECT_EQ(readFileBytes(path("elsewhere/pic17.05.2002_002.jpg")), second);
}

TEST_F(AConsoleWithACameraOnCom2, AVerifiedMoveKeepsThePictureWhoseTwoReadingsDiffer) {
    // Two bytes of the first photo swapped on the line: its sum, and the checksum, still match.
    camera.addFault(
        {sim::FaultKind::Reorder, sim::CommandMatch::requestData(sim::REG_PHOTO_DATA), 1, 0});
    TransferRequest request;
    request.destination = dest.path();
    request.choice.move = true;
    request.verify = true;
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_NE(err.str().find("the photo differs from its file"), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("2 of 3 pictures copied, 2 deleted on the camera"), std::string::npos)
        << out.str();
    ASSERT_EQ(camera.pictures().size(), 1u);
    EXPECT_EQ(camera.pictures()[0].photoSize, 3000u);
    EXPECT_EQ(FilesIn(path("02-05-17")).size(), 1u) << "the doubtful copy is gone";
}

// Three pictures of the same size and time: a file on disk stands for one of them only.
class AConsoleWithThreeLikePictures : public AConsole {
protected:
    AConsoleWithThreeLikePictures()
        : AConsole({ShotOn(17, 3000), ShotOn(17, 3000), ShotOn(17, 3000)}) {
        fake.system.attachPort(2, &cameraPeer);
    }
};

TEST_F(AConsoleWithThreeLikePictures, CopiesTheOneMissingWhenOnlyNewOnesAreAskedFor) {
    TransferRequest request;
    request.destination = dest.path();
    ASSERT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    std::filesystem::remove(path("02-05-17/pic17.05.2002_003.jpg"));
    request.onlyNew = true;
    out.str("");
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("1 picture copied (1 new, 2 already there)"), std::string::npos)
        << out.str();
    EXPECT_EQ(readFileBytes(path("02-05-17/pic17.05.2002_003.jpg")),
              dataOf(2, sim::PictureKind::Photo));
    out.str("");
    EXPECT_EQ(commands.transfer(request), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("0 pictures copied (0 new, 3 already there)"), std::string::npos)
        << out.str();
}

TEST_F(AConsoleWithACameraOnCom2, SaysWhatADiskFailureLeftAndWhy) {
    // Writing the second picture fails as on a full disk: one picture is copied, none deleted.
    fake.system.failCall(SysCall::WriteFile, 3, 1000, ERROR_DISK_FULL, FaultTarget::File);
    TransferRequest request;
    request.destination = dest.path();
    request.choice.move = true;
    EXPECT_EQ(commands.transfer(request), EXIT_CAMERA_FAILED);
    EXPECT_NE(out.str().find("1 of 3 pictures copied, none deleted on the camera"),
              std::string::npos)
        << out.str() << err.str();
    EXPECT_EQ(camera.pictures().size(), 3u);
    EXPECT_NE(err.str().find("the file "), std::string::npos) << err.str();
    // In words first, the plug-in's numbers after them, and nothing of the file manager's help.
    EXPECT_NE(err.str().find(" cannot be written: the system refused the name\n"
                             "  Port status 0x0000, link error 0, operation 9\n"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("The camera operation failed"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("help"), std::string::npos) << err.str();
    fake.system.clearFaults();

    // A file stands where a date folder must go.
    out.str("");
    err.str("");
    std::ofstream(path("02-05-18")) << "mine";
    request.choice.move = false;
    request.items = {"02-05-18"};
    EXPECT_EQ(commands.transfer(request), EXIT_CAMERA_FAILED);
    EXPECT_NE(err.str().find(path("02-05-18") + " is a file where a date folder must go"),
              std::string::npos)
        << err.str();
    EXPECT_NE(out.str().find("0 of 1 picture copied"), std::string::npos) << out.str();
}

TEST_F(AConsoleWithACameraOnCom2, EndsAtTheFileSizeLimitWithTheLimitNamed) {
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{2500, limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    TransferRequest request;
    request.destination = dest.path();
    request.items = {"02-05-17"};
    const int status = commands.transfer(request);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(status, EXIT_CAMERA_FAILED);
    EXPECT_NE(err.str().find("the file size limit of 2500 bytes is reached (ulimit -f)"),
              std::string::npos)
        << err.str();
    EXPECT_NE(out.str().find("0 of 2 pictures copied"), std::string::npos) << out.str();
    EXPECT_TRUE(FilesIn(dest.path()).empty());  // the incomplete file is gone
}

TEST_F(AConsoleWithACameraOnCom2, ListsTheNamesItPrintsAllPicturesAndJson) {
    EXPECT_EQ(commands.list({{"02-05-17/", "02-05-18"}}), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("pic17.05.2002_002.jpg"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("pic18.05.2002_001.jpg"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("Reading the list"), std::string::npos);
    EXPECT_NE(err.str().find("Reading the list"), std::string::npos);

    out.str("");
    ListRequest all;
    all.all = true;
    EXPECT_EQ(commands.list(all), EXIT_DONE);
    EXPECT_EQ(out.str(),
              "#1 @2002-05-17T12:00:00 3000 02-05-17/pic17.05.2002_001.jpg\n"
              "#2 @2002-05-17T12:00:00 2000 02-05-17/pic17.05.2002_002.jpg\n"
              "#3 @2002-05-18T12:00:00 1000 02-05-18/pic18.05.2002_001.jpg\n");

    out.str("");
    ListRequest json;
    json.json = true;
    EXPECT_EQ(commands.list(json), EXIT_DONE);
    EXPECT_NE(out.str().find("{\"name\": \"02-05-18\", \"pictures\": [\n"
                             "      {\"number\": 3, \"name\": \"pic18.05.2002_001.jpg\", "
                             "\"size\": 1000, \"shot\": \"2002-05-18T12:00:00\", "
                             "\"thumbnailSize\": 100}\n    ]}"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("\"pictures\": []\n}"), std::string::npos) << out.str();
}

TEST_F(AConsoleWithACameraOnCom2, NamesThePicturesBeforeDeletingAndSumsUp) {
    EXPECT_EQ(commands.remove({{"02-05-18"}, false, false}), EXIT_BAD_USAGE);
    EXPECT_EQ(camera.pictures().size(), 3u);

    inIsTerminal = true;
    TerminalUser asking(Streams(), TerminalStyle{});
    Commands askingCommands(PluginSetup(), asking, Streams());
    in.str("n\n");
    EXPECT_EQ(askingCommands.remove({{"02-05-17/*", "02-05-18"}, false, false}), EXIT_DONE);
    EXPECT_NE(err.str().find("  #1 @2002-05-17T12:00:00 3000 02-05-17/pic17.05.2002_001.jpg\n"
                             "  #2 @2002-05-17T12:00:00 2000 02-05-17/pic17.05.2002_002.jpg\n"
                             "  #3 @2002-05-18T12:00:00 1000 02-05-18/pic18.05.2002_001.jpg\n"
                             "Delete 3 pictures on the camera?"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(camera.pictures().size(), 3u);

    err.str("");
    EXPECT_EQ(commands.remove({{"02-05-17/pic17.05.2002_001.jpg"}, false, true}), EXIT_DONE);
    EXPECT_EQ(err.str().find("on the camera?"), std::string::npos)
        << err.str();  // --yes asks nothing
    EXPECT_NE(out.str().find("deleted #1 @2002-05-17T12:00:00 3000 02-05-17/pic17.05.2002_001.jpg\n"
                             "1 picture deleted"),
              std::string::npos)
        << out.str();
    ASSERT_EQ(camera.pictures().size(), 2u);
    EXPECT_EQ(camera.pictures()[0].photoSize, 2000u);

    // Numbers move up after a delete; a shooting time still names the same picture.
    out.str("");
    EXPECT_EQ(commands.remove({{"@2002-05-18T12:00:00"}, false, true}), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("deleted #2 @2002-05-18T12:00:00 1000 02-05-18/"), std::string::npos)
        << out.str();
    ASSERT_EQ(camera.pictures().size(), 1u);
    EXPECT_EQ(camera.pictures()[0].photoSize, 2000u);

    DeleteRequest everything;
    everything.all = true;
    everything.yes = true;
    EXPECT_EQ(commands.remove(everything), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("deleted #1 @2002-05-17T12:00:00 2000 02-05-17/"), std::string::npos)
        << out.str();
    EXPECT_TRUE(camera.pictures().empty());
}

TEST_F(AConsoleWithACameraOnCom2, TellsThePortThePicturesAndTheTimeAFullCopyTakes) {
    EXPECT_EQ(commands.info(), EXIT_DONE) << err.str();
    EXPECT_NE(out.str().find("Port: COM2"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(", 115200 Bd\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Pictures: 3 pictures, 2 folders, 6000 bytes\n"), std::string::npos);
    EXPECT_NE(out.str().find("Shot: 2002-05-17 12:00:00 .. 2002-05-18 12:00:00\n"),
              std::string::npos);
    EXPECT_NE(out.str().find("A full copy takes at least: 0:00:01"), std::string::npos);
}

TEST_F(AConsoleWithACameraOnCom2, SpeaksRussianWhenTheLocaleDoes) {
    std::string why;
    ASSERT_TRUE(LoadTexts(std::filesystem::current_path().string(), "Russian", why)) << why;
    Commands russian({LinkedPluginEntryPoints(),
                      (std::filesystem::current_path() / "pixlor.so").string(), "Russian"},
                     user, Streams());
    EXPECT_EQ(russian.list({}), EXIT_DONE);
    LoadTexts("", "English", why);
    EXPECT_NE(out.str().find("\u0418\u043c\u044f"), std::string::npos) << out.str();  // "Name"
    EXPECT_NE(out.str().find("2 \u043f\u0430\u043f\u043a\u0438"), std::string::npos)
        << out.str();  // "2 folders", in the form for 2 to 4
    // The headings stand over their columns, counted in characters: "Size" ends where the
    // sizes end.
    std::istringstream table(out.str());
    std::string heading, row;
    std::getline(table, heading);
    std::getline(table, heading);
    std::getline(table, row);
    const std::string size = "\u0420\u0430\u0437\u043c\u0435\u0440";  // "Size"
    ASSERT_NE(heading.find(size), std::string::npos) << heading;
    EXPECT_EQ(DisplayWidth(heading.substr(0, heading.find(size) + size.size())),
              DisplayWidth(row.substr(0, row.find("5000") + 4)))
        << heading << "\n"
        << row;
}

class AConsoleWithAnEmptyCamera : public AConsole {
protected:
    AConsoleWithAnEmptyCamera() : AConsole({}) { fake.system.attachPort(2, &cameraPeer); }
};

TEST_F(AConsoleWithAnEmptyCamera, ListsNoPicturesAsJsonAndCountsNoneInItsInformation) {
    ListRequest json;
    json.json = true;
    EXPECT_EQ(commands.list(json), EXIT_DONE);
    EXPECT_EQ(out.str(), "{\n  \"folders\": [],\n  \"pictures\": []\n}\n");
    out.str("");
    EXPECT_EQ(commands.info(), EXIT_DONE);
    EXPECT_EQ(out.str(),
              "Port: COM2 (/dev/ttyS1), 115200 Bd\n"
              "Pictures: 0 pictures, 0 folders, 0 bytes\n"
              "A full copy takes at least: 0:00:00 (the photos' bytes at 115200 Bd)\n");
}

TEST_F(AConsole, WhoseCameraDoesNotAnswerSaysSoInWordsWithThePort) {
    EXPECT_EQ(commands.list({}), EXIT_CAMERA_FAILED);
    EXPECT_NE(err.str().find("pixlor: the port COM2 ("), std::string::npos) << err.str();
    EXPECT_NE(err.str().find(") cannot be opened\n  Port status 0x0100, link error 1, operation 1"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("[help: Errors]"), std::string::npos);
}

TEST_F(AConsole, ShowsTheStoredPortAndKeepsItWhenTheDialogOffersFewerPorts) {
    // The system lists COM1 only: the dialog's buttons show COM1, the panel opens COM2.
    auto& ports =
        fake.system.registry().ensureKey("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
    ports.values.pop_back();
    EXPECT_EQ(commands.configure({}), EXIT_DONE);
    EXPECT_NE(out.str().find("Serial port: COM2 ("), std::string::npos) << out.str();
    ConfigRequest speed;
    speed.speed = 9600;
    speed.thumbFolder = "";
    EXPECT_EQ(commands.configure(speed), EXIT_DONE) << err.str();
    EXPECT_EQ(StoredPort().number, 2);
    EXPECT_EQ(StoredPort().baud, 9600u);

    // A port the dialog does not offer is stored all the same; a missing device is named.
    test::TempDir devices;
    ::setenv("PIXLOR_COM5", (devices.path() + "/usb").c_str(), 1);
    for (const int port : {5, 2}) {
        ConfigRequest named;
        named.port = port;
        named.thumbFolder = "";
        EXPECT_EQ(commands.configure(named), EXIT_DONE) << err.str();
        EXPECT_EQ(StoredPort().number, port);
    }
    ::unsetenv("PIXLOR_COM5");
    EXPECT_NE(err.str().find("COM5: " + devices.path() +
                             "/usb does not exist yet; PIXLOR_COM5=DEVICE names its device"),
              std::string::npos)
        << err.str();
}

TEST_F(AConsole, ShowsHandEditedSettingsAsTheCopyTakesThemAndRefusesABrokenPattern) {
    WriteStoredNumber(SETTING_PHOTO_SUFFIX, 999);
    WriteStoredText(SETTING_PHOTO_PREFIX, "sub/x_");
    EXPECT_EQ(commands.configure({}), EXIT_DONE);
    EXPECT_NE(out.str().find("Picture name digits: \"9\" (999 stored)\n"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("Picture name pattern: \"sub/x_\" (a copy refuses it: \"/\" at "
                             "position 4 cannot be in a file name)\n"),
              std::string::npos)
        << out.str();
    // The plug-in would name the files "sub001.jpg": the copy is refused before the camera
    // is woken.
    TransferRequest request;
    request.destination = dest.path();
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("the pattern \"sub/x_\" of the settings cannot be used: \"/\" at "
                             "position 4 cannot be in a file name; `pixlor config --photo-name"),
              std::string::npos)
        << err.str();
    request.filename = "a%2Q";
    EXPECT_EQ(commands.transfer(request), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("--filename \"a%2Q\": position 4: \"%\" takes a field letter"),
              std::string::npos)
        << err.str();
    EXPECT_TRUE(FilesIn(dest.path()).empty());
}

TEST_F(AConsole, ShowsTheStoredSettingsAsTheDialogShowsThem) {
    EXPECT_EQ(commands.configure({}), EXIT_DONE);
    EXPECT_NE(out.str().find("Serial port: COM2 ("), std::string::npos) << out.str();
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
    EXPECT_NE(out.str().find("Serial port: COM1 ("), std::string::npos) << out.str();
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

    ConfigRequest parentFolder;
    parentFolder.photoFolder = "..";
    parentFolder.thumbFolder = "";
    EXPECT_EQ(commands.configure(parentFolder), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("dots and blanks only"), std::string::npos) << err.str();

    ConfigRequest tabbedName;
    tabbedName.photoName = "pic\t";
    tabbedName.thumbFolder = "";
    EXPECT_EQ(commands.configure(tabbedName), EXIT_BAD_USAGE);
    EXPECT_NE(err.str().find("Control characters"), std::string::npos) << err.str();

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

TEST_F(AConsole, SaysTheSettingsWereNotSavedWhenTheSaveFails) {
    fake.system.failCall(SysCall::RegCloseKey, 1, 1000, ERROR_ACCESS_DENIED);
    ConfigRequest request;
    request.speed = 9600;
    request.thumbFolder = "";
    EXPECT_EQ(commands.configure(request), EXIT_CAMERA_FAILED);
    EXPECT_NE(err.str().find("Settings not saved: "), std::string::npos) << err.str();
    EXPECT_EQ(out.str().find("Settings saved."), std::string::npos) << out.str();
}

}  // namespace
}  // namespace pixlor::host::cli
