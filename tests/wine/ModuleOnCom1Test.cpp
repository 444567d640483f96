// The plug-in module loaded from disk by the host emulator, on the real system layer, against
// pixlor-camsim on a pseudo-terminal mapped to COM1. scripts/wine-tests.sh starts a fresh camsim
// with the situation's scenario before each suite and runs the suite twice: under wine (the
// release archive's Pixlor.dll through LoadLibraryA, the Win32 serial, file and registry calls;
// 32-bit wine for the 32-bit DLL, wine64 for the x64 one) and built natively (pixlor.so, the
// POSIX layer with PIXLOR_COM1); then it compares the bytes each run put on the wire. The tests
// of a suite share one camera and run in the order written.
#include "far/MessageNumbers.h"
#include "host/HostEmulator.h"
#include "host/ScriptedUser.h"
#include "sim/PictureData.h"
#include "sim/Scenario.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace pixlor::test {
namespace {

#ifdef _WIN32
constexpr const char* MODULE_FILE = "Pixlor.dll";
#else
constexpr const char* MODULE_FILE = "pixlor.so";
#endif

// Items of the configuration dialog that the tests edit, and its OK button.
constexpr int PHOTO_NAME = 18, THUMB_FOLDER = 24, PHOTO_DIGITS = 26, OK_BUTTON = 32;
constexpr int COPY_DIALOG_OK = 7;
constexpr int ENTER_GET_MODE = OPM_SILENT | OPM_VIEW;  // what the host passes for Enter

constexpr std::int64_t SECONDS_1601_TO_1970 = 11644473600;

// A picture's shooting time as a file time (the scenarios use even seconds, which a DOS time
// keeps).
std::uint64_t FileTicksOf(const sim::Picture& picture) {
    return static_cast<std::uint64_t>(picture.shootingTime + SECONDS_1601_TO_1970) * 10000000;
}

// The times a written file carries, read back from the system: all three under Windows, access
// and write time on Linux, which keeps no creation time.
struct FileTimes {
    std::optional<std::uint64_t> creation;
    std::uint64_t access = 0;
    std::uint64_t write = 0;
};

bool ReadFileTimes(const std::string& path, FileTimes& times) {
#ifdef _WIN32
    const auto ticks = [](const FILETIME& time) {
        return time.dwLowDateTime | std::uint64_t{time.dwHighDateTime} << 32;
    };
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME creation{}, access{}, write{};
    const bool read = ::GetFileTime(file, &creation, &access, &write) != 0;
    ::CloseHandle(file);
    times = {ticks(creation), ticks(access), ticks(write)};
    return read;
#else
    struct stat status {};
    if (::stat(nativePath(path).c_str(), &status) != 0) return false;
    const auto ticks = [](const timespec& time) {
        return static_cast<std::uint64_t>(time.tv_sec + SECONDS_1601_TO_1970) * 10000000 +
               static_cast<std::uint64_t>(time.tv_nsec / 100);
    };
    times = {std::nullopt, ticks(status.st_atim), ticks(status.st_mtim)};
    return true;
#endif
}

using Clock = std::chrono::steady_clock;

// The user, who notes when each box came up and may pull the camera's cable: `pullAt` says at
// which box. The script holds the other end: it stops or kills the camera once the file named
// by PIXLOR_PULL_REQUEST exists.
class UserAtTheCable : public host::ScriptedUser {
public:
    int answerMessage(const host::BoxRecord& box) override {
        shownAt.push_back(Clock::now());
        return ScriptedUser::answerMessage(box);
    }
    void showNotice(const host::BoxRecord& box) override {
        shownAt.push_back(Clock::now());
        ScriptedUser::showNotice(box);
        if (pulledAt || !pullAt || !pullAt(box)) return;
        const char* request = std::getenv("PIXLOR_PULL_REQUEST");
        if (request == nullptr || *request == '\0') return;
        std::ofstream(request).put('\n');
        pulledAt = Clock::now();
    }

    std::vector<Clock::time_point> shownAt;  // one a box, as in `boxes`
    std::function<bool(const host::BoxRecord&)> pullAt;
    std::optional<Clock::time_point> pulledAt;
};

// The camera the script started, as its scenario file describes it.
class ACamsimOnCom1 : public ::testing::Test {
protected:
    explicit ACamsimOnCom1(const char* scenarioFile)
        : loaded(host::LoadPluginModule((std::filesystem::current_path() / MODULE_FILE).string(),
                                        module)),
          emulator(module.entryPoints, user, Settings()) {
        std::ifstream in(std::string(PIXLOR_WINE_SCENARIOS) + "/" + scenarioFile);
        std::stringstream text;
        text << in.rdbuf();
        scenarioRead = sim::parseScenario(text.str(), scenario, scenarioError);
        for (std::size_t i = 0; i < scenario.pictures.size(); ++i)
            if (scenario.pictures[i].id == 0)
                scenario.pictures[i].id = static_cast<std::uint32_t>(i + 1);
    }

    void SetUp() override {
        ASSERT_TRUE(scenarioRead) << scenarioError;
        ASSERT_TRUE(loaded) << module.errorText;
        ASSERT_TRUE(emulator.start()) << emulator.errorText;
        configure();
        ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    }

    void TearDown() override {
        if (emulator.panelOpen()) emulator.closePanel();
        EXPECT_EQ(emulator.screensOutstanding(), 0);
        for (const std::string& violation : emulator.violations()) ADD_FAILURE() << violation;
        if (!HasFailure()) return;
        for (const host::BoxRecord& box : user.boxes) {  // what the user saw, to explain it
            std::string text = "box [" + box.helpTopic + "] " + box.title;
            for (const std::string& line : box.lines) text += " | " + line;
            std::printf("%s\n", text.c_str());
        }
    }

    host::EmulatorSettings Settings() const {
        host::EmulatorSettings settings;
        settings.moduleName = module.path;
        settings.diskDirectory = disk.path();
#ifdef _WIN64
        // Only today's host loads a 64-bit plug-in, and its wrapper gives this root key.
        settings.rootKey = "Software\\Far Manager\\Plugins";
#endif
        return settings;
    }

    // The configuration dialog with the camera's port chosen and OK pressed; the blank thumbnail
    // folder of the defaults is not accepted, so it is emptied. `edit` changes more.
    void configure(std::function<void(host::DialogRequest&)> edit = {}) {
        user.queueDialog([edit](host::DialogRequest& dialog) {
            dialog.selectRadio(dialog.find(DI_RADIOBUTTON, "COM1"));
            dialog.setText(THUMB_FOLDER, "");
            if (edit) edit(dialog);
            return OK_BUTTON;
        });
        ASSERT_EQ(emulator.configure(), 1) << "the settings were refused";
    }
    // F5 or F6 on the marked items, the copy dialog confirmed with its proposed destination.
    int copyMarked(bool move) {
        user.queueDialog([](host::DialogRequest&) { return COPY_DIALOG_OK; });
        return emulator.pressKey(move ? VK_F6 : VK_F5);
    }

    std::vector<BYTE> dataOf(std::size_t picture, sim::PictureKind kind) const {
        const sim::Picture& shot = scenario.pictures.at(picture);
        return sim::pictureData(scenario.seed, shot.id, kind,
                                kind == sim::PictureKind::Photo ? shot.photoSize : shot.thumbSize);
    }

    // The file holds the picture's photo (or thumbnail) and carries its shooting time.
    void expectPhotoFile(const std::string& name, std::size_t picture,
                         sim::PictureKind kind = sim::PictureKind::Photo) const {
        const std::string path = disk.windowsPath(name);
        FileTimes times;  // before the file is read, which may move its access time
        ASSERT_TRUE(ReadFileTimes(path, times)) << name << " was not written";
        EXPECT_EQ(readFileBytes(path), dataOf(picture, kind)) << name;
        const std::uint64_t shot = FileTicksOf(scenario.pictures.at(picture));
        if (times.creation) {
            EXPECT_EQ(*times.creation, shot) << name << " creation time";
        }
        EXPECT_EQ(times.access, shot) << name << " access time";
        EXPECT_EQ(times.write, shot) << name << " write time";
    }

    std::vector<const host::BoxRecord*> errorBoxes() const {
        std::vector<const host::BoxRecord*> found;
        for (const host::BoxRecord& box : user.boxes)
            if (box.helpTopic == "Errors") found.push_back(&box);
        return found;
    }

    sim::Scenario scenario;
    bool scenarioRead = false;
    std::string scenarioError;
    TempDir disk;
    host::PluginModule module;
    bool loaded;
    UserAtTheCable user;
    host::HostEmulator emulator;
};

// Four pictures shot on three dates; nothing goes wrong on the line.
class ACameraWithPicturesOnThreeDates : public ACamsimOnCom1 {
protected:
    ACameraWithPicturesOnThreeDates() : ACamsimOnCom1("pictures.json") {}
};

TEST_F(ACameraWithPicturesOnThreeDates, OpensWithOneFolderPerShootingDate) {
    EXPECT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"02-05-17", "02-05-18", "02-06-01"}));
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    EXPECT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"..", "pic17.05.2002_001.jpg", "pic17.05.2002_002.jpg"}));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(ACameraWithPicturesOnThreeDates, CopiesADateFolderStampedWithTheShootingTimes) {
    ASSERT_TRUE(emulator.selectItems({"02-05-17"}));
    EXPECT_EQ(copyMarked(false), 1);
    expectPhotoFile("02-05-17\\pic17.05.2002_001.jpg", 0);
    expectPhotoFile("02-05-17\\pic17.05.2002_002.jpg", 1);
    EXPECT_TRUE(errorBoxes().empty());
    ASSERT_TRUE(emulator.list());
    EXPECT_EQ(emulator.pluginPanel().names().size(), 3u) << "a copy leaves the camera as it was";
}

TEST_F(ACameraWithPicturesOnThreeDates, NamesTheNextCopyAfterTheConfiguredPatterns) {
    emulator.closePanel();  // the settings cannot change while a panel is open
    configure([](host::DialogRequest& dialog) {
        dialog.selectRadio(dialog.find(DI_RADIOBUTTON, " 57.6kBd"));
        dialog.setText(PHOTO_NAME, "img%4Y%2M%2D_");
        dialog.setText(PHOTO_DIGITS, "4");
    });
    ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    ASSERT_TRUE(emulator.selectItems({"02-05-18"}));
    EXPECT_EQ(copyMarked(false), 1);
    expectPhotoFile("02-05-18\\img20020518_0001.jpg", 2);
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(ACameraWithPicturesOnThreeDates, F7ListsAndCopiesTheThumbnailsAndSwitchesBack) {
    emulator.closePanel();
    configure([](host::DialogRequest& dialog) { dialog.setText(THUMB_FOLDER, "t%2D"); });
    ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    EXPECT_EQ(emulator.pressKey(VK_F7), 1);
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{"t01", "t17", "t18"}));
    ASSERT_TRUE(emulator.enterFolder("t17"));
    EXPECT_EQ(
        emulator.pluginPanel().names(),
        (std::vector<std::string>{"..", "thumb17.05.2002_001.jpg", "thumb17.05.2002_002.jpg"}));
    ASSERT_TRUE(emulator.selectItems({"thumb17.05.2002_002.jpg"}));
    EXPECT_EQ(copyMarked(false), 1);
    expectPhotoFile("thumb17.05.2002_001.jpg", 1, sim::PictureKind::Thumbnail);
    ASSERT_TRUE(emulator.enterFolder(".."));
    EXPECT_EQ(emulator.pressKey(VK_F7), 1);
    EXPECT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"02-05-17", "02-05-18", "02-06-01"}));
    EXPECT_TRUE(errorBoxes().empty());
}

// Without OPIF_REALNAMES the host views an item (Enter, F3) by asking GetFiles for a copy of
// that one item into a temporary folder of its own; Enter passes OPM_SILENT | OPM_VIEW.
TEST_F(ACameraWithPicturesOnThreeDates, GetsTheViewedPictureIntoTheHostsTemporaryFolder) {
    ASSERT_TRUE(emulator.enterFolder("02-05-18"));
    ASSERT_TRUE(emulator.setCurrentItem("img20020518_0001.jpg"));
    for (const int key : {VK_RETURN, VK_F3}) {
        EXPECT_EQ(emulator.pressKey(key), 0) << "the host views the item itself";
        ASSERT_FALSE(emulator.hostCommands().empty());
        const host::HostCommandRecord& viewed = emulator.hostCommands().back();
        EXPECT_EQ(viewed.action, "view");
        EXPECT_FALSE(viewed.realName);
        EXPECT_EQ(viewed.getFilesMode, key == VK_RETURN ? ENTER_GET_MODE : OPM_VIEW);
        EXPECT_EQ(viewed.getFilesResult, 1);
        EXPECT_EQ(viewed.shown, dataOf(2, sim::PictureKind::Photo)) << viewed.failure;
    }
    EXPECT_TRUE(errorBoxes().empty());
    EXPECT_EQ(emulator.screensOutstanding(), 0);
}

TEST_F(ACameraWithPicturesOnThreeDates, MovesAPictureOffTheCamera) {
    ASSERT_TRUE(emulator.enterFolder("02-06-01"));
    ASSERT_TRUE(emulator.selectItems({"img20020601_0001.jpg"}));
    EXPECT_EQ(copyMarked(true), 1);
    expectPhotoFile("img20020601_0001.jpg", 3);  // inside a date folder: no sub-folder
    EXPECT_TRUE(errorBoxes().empty());
    emulator.closePanel();
    ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{"02-05-17", "02-05-18"}));
}

TEST_F(ACameraWithPicturesOnThreeDates, DeletesAPictureAndTheRestMoveUp) {
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    ASSERT_TRUE(emulator.selectItems({"img20020517_0001.jpg"}));
    user.queueAnswer(0);  // delete?
    EXPECT_EQ(emulator.pressKey(VK_F8), 1);
    EXPECT_TRUE(errorBoxes().empty());
    emulator.closePanel();
    ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    ASSERT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"..", "img20020517_0001.jpg"}));
    ASSERT_TRUE(emulator.selectItems({"img20020517_0001.jpg"}));
    EXPECT_EQ(copyMarked(false), 1);
    expectPhotoFile("img20020517_0001.jpg", 1);  // the second picture moved up
}

// The delete keys as the host hands them over: Alt+Del does nothing, the grey Del and
// Shift+Del ask (answered with Cancel here), the keypad's Del (0x109) asks and deletes.
TEST_F(ACameraWithPicturesOnThreeDates, EveryDelKeyDeletesOnTheCameraAsF8Does) {
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    ASSERT_TRUE(emulator.selectItems({"img20020517_0001.jpg"}));
    std::size_t boxesBefore = user.boxes.size();
    EXPECT_EQ(emulator.pressKey(VK_DELETE, PKF_ALT), 1);
    EXPECT_EQ(emulator.pressKey(VK_NUMPAD_DELETE, PKF_ALT), 1);
    EXPECT_EQ(user.boxes.size(), boxesBefore) << "Alt+Del asks nothing and deletes nothing";
    for (const unsigned state : {0u, PKF_SHIFT}) {
        user.queueAnswer(1);  // Cancel
        EXPECT_EQ(emulator.pressKey(VK_DELETE, state), 1);
        ASSERT_EQ(user.boxes.size(), boxesBefore + 1);
        EXPECT_EQ(user.boxes.back().helpTopic, "Delete?");
        boxesBefore = user.boxes.size();
    }
    user.queueAnswer(0);  // delete?
    EXPECT_EQ(emulator.pressKey(VK_NUMPAD_DELETE, PKF_SHIFT), 1);
    ASSERT_GT(user.boxes.size(), boxesBefore);
    EXPECT_EQ(user.boxes.at(boxesBefore).helpTopic, "Delete?");
    EXPECT_TRUE(errorBoxes().empty());
    emulator.closePanel();
    ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{"02-05-18"}));
}

// A camera whose line goes away under an open panel and comes back: the script kills the
// simulator when the test asks (PIXLOR_RESTART_REQUEST) and starts a new one on the same port
// (the port's name is a link the script points at the new line), then says so
// (PIXLOR_RESTART_DONE).
class ACameraRestartedUnderAnOpenPanel : public ACamsimOnCom1 {
protected:
    ACameraRestartedUnderAnOpenPanel() : ACamsimOnCom1("pictures.json") {}

    bool restartTheCamera() const {
        const char* request = std::getenv("PIXLOR_RESTART_REQUEST");
        const char* done = std::getenv("PIXLOR_RESTART_DONE");
        if (request == nullptr || done == nullptr || *request == '\0') return false;
        std::ofstream(request).put('\n');
        const auto deadline = Clock::now() + std::chrono::seconds(15);
        while (!std::filesystem::exists(done) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return std::filesystem::exists(done);
    }
};

TEST_F(ACameraRestartedUnderAnOpenPanel, TheSamePanelConnectsAgainAndCtrlRReadsItAgain) {
    ASSERT_TRUE(emulator.selectItems({"02-05-18"}));
    EXPECT_EQ(copyMarked(false), 1);
    expectPhotoFile("02-05-18\\pic18.05.2002_001.jpg", 2);
    ASSERT_TRUE(restartTheCamera()) << "no restart: run by the script";
    // The old line is gone: the next operation opens the port anew and copies.
    ASSERT_TRUE(emulator.selectItems({"02-06-01"}));
    EXPECT_EQ(copyMarked(false), 1);
    expectPhotoFile("02-06-01\\pic01.06.2002_001.jpg", 3);
    EXPECT_TRUE(errorBoxes().empty());
    ASSERT_TRUE(emulator.selectItems({"02-05-17"}));
    EXPECT_EQ(emulator.pressKey('R', PKF_CONTROL), 1);
    EXPECT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"02-05-17", "02-05-18", "02-06-01"}));
    EXPECT_EQ(emulator.pluginPanel().selectedNames(), std::vector<std::string>{"02-05-17"});
    EXPECT_TRUE(errorBoxes().empty());
}

// A camera whose third data packet of the first photo arrives with a byte flipped.
class ACameraThatDamagesADataPacket : public ACamsimOnCom1 {
protected:
    ACameraThatDamagesADataPacket() : ACamsimOnCom1("damaged-packet.json") {}
};

TEST_F(ACameraThatDamagesADataPacket, AsksForThePacketAgainAndWritesThePhotoIntact) {
    ASSERT_TRUE(emulator.selectItems({"03-01-04"}));
    EXPECT_EQ(copyMarked(false), 1);
    expectPhotoFile("03-01-04\\pic04.01.2003_001.jpg", 0);
    expectPhotoFile("03-01-04\\pic04.01.2003_002.jpg", 1);
    EXPECT_TRUE(errorBoxes().empty());
}

// A camera that refuses every request to delete the selected picture.
class ACameraThatRefusesToDelete : public ACamsimOnCom1 {
protected:
    ACameraThatRefusesToDelete() : ACamsimOnCom1("refused-delete.json") {}
};

TEST_F(ACameraThatRefusesToDelete, ReportsTheFailureAndKeepsThePicture) {
    ASSERT_TRUE(emulator.enterFolder("04-08-21"));
    ASSERT_TRUE(emulator.selectItems({"pic21.08.2004_001.jpg"}));
    user.queueAnswer(0);  // delete?
    emulator.pressKey(VK_F8);
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_NE(errorBoxes()[0]->flags & FMSG_WARNING, 0u);

    if (emulator.panelOpen()) emulator.closePanel();
    ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    ASSERT_TRUE(emulator.enterFolder("04-08-21"));
    EXPECT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"..", "pic21.08.2004_001.jpg", "pic21.08.2004_002.jpg"}));
}

// A camera cut off while the second data packet of a photo is on the line: the script stops it
// or kills it when the test asks (PIXLOR_PULL_REQUEST).
class ACameraCutOffInTheMiddleOfAPacket : public ACamsimOnCom1 {
protected:
    ACameraCutOffInTheMiddleOfAPacket() : ACamsimOnCom1("long-packets.json") {}

    // The copy of the first photo, cut off after its first packet: each read ends after a
    // second of silence at most, the link asks for the packet again before it gives up, and the
    // failure is reported within 4.5 s, once, with no incomplete copy left.
    void expectTheCopyToEndWithAReport() {
        ASSERT_NE(std::getenv("PIXLOR_PULL_REQUEST"), nullptr) << "no cable: run by the script";
        emulator.closePanel();
        configure([](host::DialogRequest& dialog) {  // 2 KiB packets take a second at 19.2 kBd
            dialog.selectRadio(dialog.find(DI_RADIOBUTTON, " 19.2kBd"));
        });
        ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
        ASSERT_TRUE(emulator.enterFolder("05-03-09"));
        ASSERT_TRUE(emulator.selectItems({"pic09.03.2005_001.jpg"}));
        // The copy box comes up before the first packet and again after each one.
        const std::string copyTitle = emulator.languageFile().message(MSG_COPY_TITLE);
        int copyBoxes = 0;
        user.pullAt = [&](const host::BoxRecord& box) {
            return box.title == copyTitle && ++copyBoxes == 2;
        };
        EXPECT_EQ(copyMarked(false), 1);

        ASSERT_TRUE(user.pulledAt) << "the copy ended before its first packet";
        const auto errors = errorBoxes();
        ASSERT_EQ(errors.size(), 1u) << "the failure is reported once";
        EXPECT_NE(errors[0]->flags & FMSG_WARNING, 0u);
        const auto shown = user.shownAt.at(static_cast<std::size_t>(errors[0] - user.boxes.data()));
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(shown - *user.pulledAt).count();
        std::printf("the failure was reported %lld ms after the cut\n",
                    static_cast<long long>(waited));
        EXPECT_LT(waited, 4500);
        EXPECT_FALSE(fileExists(disk.windowsPath("pic09.03.2005_001.jpg")))
            << "an incomplete copy is left under the picture's name";
    }
};

// Esc pressed in the middle of a copy, at 19.2 kBd, where a 2 KiB packet takes a second.
class ACameraStoppedWithEscInTheMiddleOfACopy : public ACamsimOnCom1 {
protected:
    ACameraStoppedWithEscInTheMiddleOfACopy() : ACamsimOnCom1("stopped-copy.json") {}
};

TEST_F(ACameraStoppedWithEscInTheMiddleOfACopy, EndsAfterThePacketRemovesTheFileAndSaysSo) {
    emulator.closePanel();
    configure([](host::DialogRequest& dialog) {
        dialog.selectRadio(dialog.find(DI_RADIOBUTTON, " 19.2kBd"));
    });
    emulator.setConfirmations(FCS_INTERRUPTOPERATION);
    ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
    ASSERT_TRUE(emulator.enterFolder("05-03-09"));
    ASSERT_TRUE(emulator.selectItems({"pic09.03.2005_001.jpg", "pic09.03.2005_002.jpg"}));
    // The copy box comes up before the first packet and again after each one: Esc after the
    // first packet, and Stop at the question.
    const std::string copyTitle = emulator.languageFile().message(MSG_COPY_TITLE);
    int copyBoxes = 0;
    std::optional<Clock::time_point> pressedAt;
    user.pullAt = [&](const host::BoxRecord& box) {
        if (box.title != copyTitle || ++copyBoxes != 2) return false;
        EXPECT_TRUE(emulator.typeKey(VK_ESCAPE)) << emulator.errorText;
        pressedAt = Clock::now();
        return false;
    };
    user.queueAnswer(0);  // stop?
    EXPECT_EQ(copyMarked(false), 1);

    ASSERT_TRUE(pressedAt) << "the copy ended before Esc was pressed";
    EXPECT_TRUE(errorBoxes().empty());
    std::vector<std::size_t> stopBoxes;
    for (std::size_t i = 0; i < user.boxes.size(); ++i)
        if (user.boxes[i].helpTopic == "StopBatch") stopBoxes.push_back(i);
    ASSERT_EQ(stopBoxes.size(), 2u) << "the question, then what was done";
    EXPECT_EQ(user.boxes[stopBoxes[0]].buttons.size(), 2u);
    // After the answer the camera is sent back at once: well within one more packet.
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            user.shownAt.at(stopBoxes[1]) - user.shownAt.at(stopBoxes[0]))
                            .count();
    std::printf("the stop was summed up %lld ms after the answer\n",
                static_cast<long long>(waited));
    EXPECT_LT(waited, 1000);
    EXPECT_FALSE(fileExists(disk.windowsPath("pic09.03.2005_001.jpg")))
        << "the file being written is left";

    // The camera answers the next copy at once.
    user.pullAt = nullptr;
    ASSERT_TRUE(emulator.selectItems({"pic09.03.2005_002.jpg"}));
    EXPECT_EQ(copyMarked(false), 1);
    expectPhotoFile("pic09.03.2005_001.jpg", 1);
    EXPECT_TRUE(errorBoxes().empty());
}

// The cable pulled out of the port: the port stays, the line falls silent.
class ACameraPulledInTheMiddleOfAPacket : public ACameraCutOffInTheMiddleOfAPacket {};

TEST_F(ACameraPulledInTheMiddleOfAPacket, EndsTheReadsAfterASecondOfSilenceAndReportsIt) {
    expectTheCopyToEndWithAReport();
}

// The serial adapter unplugged: its device goes away.
class ACameraUnpluggedInTheMiddleOfAPacket : public ACameraCutOffInTheMiddleOfAPacket {};

TEST_F(ACameraUnpluggedInTheMiddleOfAPacket, EndsTheReadAndReportsIt) {
    expectTheCopyToEndWithAReport();
}

}  // namespace
}  // namespace pixlor::test
