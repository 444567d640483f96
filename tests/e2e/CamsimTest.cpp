// The simulator program on a real pseudo-terminal, on the real clock, driven by the project's
// link through the native system layer: what a user's plug-in would meet.
#include "host/HostEmulator.h"
#include "host/PluginModule.h"
#include "host/ScriptedUser.h"
#include "link/CameraLink.h"
#include "sim/PictureData.h"
#include "sim/camsim/CamsimProcess.h"
#include "tests/support/Support.h"
#include "tests/support/jpeg/JpegInspection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pixlor::test {
namespace {

constexpr std::uint32_t SEED = 21;
constexpr std::uint32_t PHOTO_BYTES = 5000;
constexpr std::uint32_t PACKET_SIZE = 1024;

// Starts pixlor-camsim with a small scenario and a byte log, and stops it with SIGTERM.
class ACamsimOnAPseudoTerminal : public ::testing::Test {
protected:
    // Plain data, which the test rebuilds byte for byte.
    virtual std::string scenario() const {
        std::ostringstream text;
        text << R"({"content": "data", "seed": )" << SEED << R"(, "packetSize": )" << PACKET_SIZE
             << R"(, "pictures": [
            {"photoSize": )"
             << PHOTO_BYTES << R"(, "thumbSize": 700, "shootingTime": 1000000000},
            {"photoSize": 900, "thumbSize": 100, "shootingTime": 1000086400}]})";
        return text.str();
    }

    void SetUp() override {
        scenarioPath = folder.path() + "/scenario.json";
        logPath = folder.path() + "/bytes.log";
        std::ofstream(scenarioPath) << scenario();
        startCamsim({});
    }

    // pixlor-camsim on the scenario, with the byte log and `extra` arguments; COM1 is its line.
    void startCamsim(const std::vector<std::string>& extra) {
        std::vector<std::string> arguments{"--scenario", scenarioPath, "--log", logPath};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        std::string errorText;
        ASSERT_TRUE(camsim.start(PIXLOR_CAMSIM_PATH, arguments, errorText)) << errorText;
        devicePath = camsim.device();
        ::setenv("PIXLOR_COM1", devicePath.c_str(), 1);
    }

    void TearDown() override {
        ::unsetenv("PIXLOR_COM1");
        camsim.stop();
    }

    // Sends SIGTERM; the program must end by itself, with status 0.
    int stopChild() { return camsim.stop(); }

    static std::vector<BYTE> downloadCurrent(CameraLink& link, int& packets, BYTE reg = 14) {
        std::vector<BYTE> data;
        if (!link.requestData(reg)) return data;
        for (packets = 1;; ++packets) {
            const std::uint8_t* packet = link.receiveBuffer.get();
            const std::uint32_t length = packet[2] | std::uint32_t{packet[3]} << 8;
            data.insert(data.end(), packet + 4, packet + 4 + length);
            if (packet[0] == 0x03) break;
            if (!link.answerAndReceive(false)) {
                ADD_FAILURE() << "packet " << packets + 1 << " did not arrive intact";
                return data;
            }
        }
        EXPECT_TRUE(link.sendByte(0x06));
        return data;
    }

    TempDir folder;
    std::string scenarioPath;
    std::string logPath;
    std::string devicePath;
    sim::CamsimProcess camsim;
};

TEST_F(ACamsimOnAPseudoTerminal, ServesAPhotoAtTheFastSpeedAndEndsCleanly) {
    {
        CameraLink link(0);
        ASSERT_TRUE(link.wakeUp()) << "link error " << link.errorCode;
        ASSERT_TRUE(link.switchSpeed(5)) << "link error " << link.errorCode;
        std::uint32_t count = 0;
        ASSERT_TRUE(link.getRegister(10, count)) << "status " << link.port->statusFlags;
        EXPECT_EQ(count, 2u);
        ASSERT_TRUE(link.setRegister(4, 1));
        int packets = 0;
        EXPECT_EQ(downloadCurrent(link, packets),
                  sim::pictureData(SEED, 1, sim::PictureKind::Photo, PHOTO_BYTES));
        EXPECT_EQ(packets, 5);
        ASSERT_TRUE(link.resetSpeed()) << "link error " << link.errorCode;
    }
    const int status = stopChild();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    std::ifstream file(logPath);
    std::stringstream log;
    log << file.rdbuf();
    EXPECT_NE(log.str().find("host>cam 19200 00\n"), std::string::npos);
    EXPECT_NE(log.str().find("cam>host 19200 15\n"), std::string::npos);
    EXPECT_NE(log.str().find("host>cam 19200 1B 53 06 00 00 11 05 00 00 00 16 00\n"),
              std::string::npos);
    EXPECT_NE(log.str().find("host>cam 115200 1B 43 02 00 01 0A 0B 00\n"), std::string::npos);
}

TEST_F(ACamsimOnAPseudoTerminal, AnswersAgainAfterTheHostClosesAndReopensThePort) {
    for (int connection = 0; connection < 2; ++connection) {
        CameraLink link(0);
        ASSERT_TRUE(link.wakeUp())
            << "connection " << connection << ", link error " << link.errorCode;
        std::uint32_t count = 0;
        ASSERT_TRUE(link.getRegister(10, count)) << "connection " << connection;
        EXPECT_EQ(count, 2u);
    }
}

// The program's own pictures: JPEG images, as a camera's.
class ACamsimWithJpegPictures : public ACamsimOnAPseudoTerminal {
protected:
    std::string scenario() const override {
        return R"({"pictures": [{"shootingTime": "2002-05-17 09:14:03"},
                               {"shootingTime": 1000000000, "width": 320, "height": 240}]})";
    }
};

TEST_F(ACamsimWithJpegPictures, ServesPhotosAndThumbnailsThatDecodeWithTheirShootingTime) {
    CameraLink link(0);
    ASSERT_TRUE(link.wakeUp()) << "link error " << link.errorCode;
    ASSERT_TRUE(link.switchSpeed(5)) << "link error " << link.errorCode;
    const struct {
        unsigned width, height;
        const char* shot;
    } expected[] = {{640, 480, "2002:05:17 09:14:03"}, {320, 240, "2001:09:09 01:46:40"}};
    for (std::uint32_t number = 1; number <= 2; ++number) {
        ASSERT_TRUE(link.setRegister(4, number));
        ASSERT_TRUE(link.requestData(47)) << "status " << link.port->statusFlags;
        const BYTE* record = link.receiveBuffer.get() + 4;
        auto le32 = [](const BYTE* at) {
            return at[0] | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
                   std::uint32_t{at[3]} << 24;
        };
        const std::uint32_t photoSize = le32(record), thumbSize = le32(record + 4);
        ASSERT_TRUE(link.sendByte(0x06));
        int packets = 0;
        const std::vector<BYTE> photo = downloadCurrent(link, packets, 14);
        const std::vector<BYTE> thumbnail = downloadCurrent(link, packets, 15);
        EXPECT_EQ(photo.size(), photoSize) << "the catalogue tells the real size";
        EXPECT_EQ(thumbnail.size(), thumbSize);
        const InspectedJpeg photoImage = inspectJpeg(photo), thumbImage = inspectJpeg(thumbnail);
        const auto& want = expected[number - 1];
        EXPECT_TRUE(photoImage.decoded) << photoImage.problem;
        EXPECT_EQ(photoImage.width, want.width);
        EXPECT_EQ(photoImage.height, want.height);
        EXPECT_EQ(photoImage.dateTimeOriginal, want.shot);
        EXPECT_TRUE(thumbImage.decoded) << thumbImage.problem;
        EXPECT_EQ(thumbImage.width, 160u);
        EXPECT_EQ(thumbImage.height, 120u);
        EXPECT_EQ(thumbImage.dateTimeOriginal, want.shot);
    }
    ASSERT_TRUE(link.resetSpeed()) << "link error " << link.errorCode;
}

TEST_F(ACamsimOnAPseudoTerminal, WithoutPacingStillSendsTheCompletionAfterTheErasure) {
    ASSERT_EQ(stopChild(), 0);
    startCamsim({"--no-pacing"});
    CameraLink link(0);
    ASSERT_TRUE(link.wakeUp()) << "link error " << link.errorCode;
    ASSERT_TRUE(link.setRegister(4, 1));
    // The receive of the ACK purges the input: a completion sent in the same burst is lost.
    EXPECT_TRUE(link.runAction(7, 0, 1000000))
        << "link error " << link.errorCode << ", status " << link.port->statusFlags;
    std::uint32_t count = 0;
    ASSERT_TRUE(link.getRegister(10, count));
    EXPECT_EQ(count, 1u);
}

// The user of the host, who pulls the camera's cable (kills the simulator) a moment into the
// second data packet of the copy.
class CablePuller : public host::ScriptedUser {
public:
    explicit CablePuller(pid_t camsim) : camsim_(camsim) {}
    ~CablePuller() override {
        if (puller_.joinable()) puller_.join();
    }
    void showNotice(const host::BoxRecord& box) override {
        ScriptedUser::showNotice(box);
        // A progress box is redrawn before the file and after every packet.
        if (box.lines.size() == 6 && ++progress_ == 2 && !puller_.joinable())
            puller_ = std::thread([this] {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                pulledAt = std::chrono::steady_clock::now();
                ::kill(camsim_, SIGKILL);
                pulled = true;
            });
    }
    std::atomic<bool> pulled = false;
    std::chrono::steady_clock::time_point pulledAt;

private:
    pid_t camsim_;
    int progress_ = 0;
    std::thread puller_;
};

TEST_F(ACamsimOnAPseudoTerminal, ACopyWhoseLineIsPulledEndsAtOnceAndANewCameraIsReachedNext) {
    const std::string registry = folder.path() + "/registry.reg";
    std::ofstream(registry) << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\n"
                            << "\"SerialPort\"=dword:00000000\n\"BaudRate\"=dword:00000005\n";
    ::setenv("PIXLOR_REGISTRY", registry.c_str(), 1);
    const std::string disk = folder.path() + "/disk";
    std::filesystem::create_directory(disk);
    host::PluginModule module;
    const std::string modulePath = (std::filesystem::current_path() / "pixlor.so").string();
    ASSERT_TRUE(host::LoadPluginModule(modulePath, module)) << module.errorText;
    auto copyEverything = [&](host::ScriptedUser& user, const std::string& into) {
        host::EmulatorSettings settings;
        settings.moduleName = modulePath;
        settings.diskDirectory = into;
        host::HostEmulator emulator(module.entryPoints, user, settings);
        EXPECT_TRUE(emulator.start() && emulator.openPanel() &&
                    emulator.selectItems(emulator.pluginPanel().names()))
            << emulator.errorText;
        user.queueDialog([](host::DialogRequest&) { return 7; });  // OK
        emulator.pressKey(VK_F5);
        emulator.closePanel();
        EXPECT_EQ(emulator.screensOutstanding(), 0);
    };
    auto reportsShown = [](const host::ScriptedUser& user) {
        int reports = 0;
        for (const host::BoxRecord& box : user.boxes) reports += box.helpTopic == "Errors";
        return reports;
    };
    // Every file on disk is a whole photo of the scenario; how many there are.
    auto completePhotos = [](const std::string& under) {
        const std::uint32_t sizes[] = {PHOTO_BYTES, 900};
        int complete = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(under)) {
            if (!entry.is_regular_file()) continue;
            const std::vector<unsigned char> bytes = readFileBytes(entry.path().string());
            bool whole = false;
            for (std::uint32_t id : {1u, 2u})
                whole = whole ||
                        bytes == sim::pictureData(SEED, id, sim::PictureKind::Photo, sizes[id - 1]);
            EXPECT_TRUE(whole) << entry.path() << " is no complete photo";
            complete += whole;
        }
        return complete;
    };

    CablePuller user(camsim.pid());
    copyEverything(user, disk);
    const auto ended = std::chrono::steady_clock::now();
    ASSERT_TRUE(user.pulled) << "the copy ended before the cable was pulled";
    camsim.stop();  // killed by the puller already: this waits for it
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(ended - user.pulledAt).count();
    EXPECT_LT(waited, 3000) << "the copy went on " << waited << " ms on a pulled line";
    EXPECT_EQ(reportsShown(user), 1);
    EXPECT_EQ(completePhotos(disk), 0);

    startCamsim({});
    const std::string again = folder.path() + "/again";
    std::filesystem::create_directory(again);
    host::ScriptedUser nextUser;
    copyEverything(nextUser, again);
    EXPECT_EQ(reportsShown(nextUser), 0);
    EXPECT_EQ(completePhotos(again), 2);
    ::unsetenv("PIXLOR_REGISTRY");
}

}  // namespace
}  // namespace pixlor::test
