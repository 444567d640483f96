// The built `pixlor` program on the real clock and the real system layer: the demo against
// pixlor-camsim on a pseudo-terminal, ports whose device is wrong, a port named for one command,
// Ctrl+C and SIGTERM in the middle of a copy, and the manual page and completion it makes.
#include "device/PictureFile.h"
#include "host/cli/Demo.h"
#include "host/cli/Terminal.h"
#include "platform/Calendar.h"
#include "sim/PictureData.h"
#include "sim/camsim/CamsimProcess.h"
#include "sim/jpeg/JpegPictureFiles.h"
#include "tests/support/Support.h"
#include "tests/support/jpeg/JpegInspection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <poll.h>
#include <pty.h>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace pixlor::host::cli {
namespace {

namespace fs = std::filesystem;

struct Finished {
    int status = -1;
    std::string out, err;
};

// Runs the program beside this test in `folder` with `environment` added; stops it after a
// generous limit, so a hang fails the test instead of blocking the suite.
Finished RunPixlor(const std::string& folder, std::vector<std::string> arguments,
                   const std::vector<std::string>& environment) {
    const std::string program = (fs::current_path() / "pixlor").string();
    const std::string outPath = folder + "/.out", errPath = folder + "/.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables(environment);
    for (char** variable = environ; *variable != nullptr; ++variable)
        variables.push_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    Finished finished;
    const int spawned =
        ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return finished;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ADD_FAILURE() << "pixlor did not finish within 120 s";
            return finished;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // polls the child only
    }
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::stringstream out, err;
    out << std::ifstream(outPath).rdbuf();
    err << std::ifstream(errPath).rdbuf();
    finished.out = out.str();
    finished.err = err.str();
    return finished;
}

// The demo's shooting times with plain data of sizes of their own, which a test rebuilds byte
// for byte (the demo's JPEG photos are too few bytes to stop a copy in the middle reliably).
struct PlainPicture {
    std::uint32_t photoSize, thumbSize;
    std::int64_t shootingTime;
};

std::vector<PlainPicture> PlainDemoPictures() {
    static const std::uint32_t photoSizes[] = {9412, 7310, 11050, 6204,  8800, 10233,
                                               7777, 9001, 6650,  12040, 8150, 9930};
    std::vector<PlainPicture> pictures;
    for (const DemoPicture& picture : DemoPictures()) {
        const std::uint32_t photoSize = photoSizes[pictures.size() % std::size(photoSizes)];
        pictures.push_back({photoSize, photoSize / 12, picture.shootingTime});
    }
    return pictures;
}

// pixlor-camsim with the demo's shooting times on plain data, stopped with SIGTERM at the end.
class DemoCamera {
public:
    explicit DemoCamera(const std::string& folder) {
        const std::string scenario = folder + "/camera.json";
        std::ofstream file(scenario);
        file << "{\"content\": \"data\", \"seed\": " << DEMO_SEED << ", \"pictures\": [";
        const auto pictures = PlainDemoPictures();
        for (std::size_t i = 0; i < pictures.size(); ++i)
            file << (i == 0 ? "" : ",") << "{\"photoSize\": " << pictures[i].photoSize
                 << ", \"thumbSize\": " << pictures[i].thumbSize
                 << ", \"shootingTime\": " << pictures[i].shootingTime << "}";
        file << "]}\n";
        file.close();
        std::string errorText;  // the tests check the device it names
        process_.start(PIXLOR_CAMSIM_PATH, {"--scenario", scenario}, errorText);
    }
    DemoCamera(const DemoCamera&) = delete;
    DemoCamera& operator=(const DemoCamera&) = delete;
    const std::string& device() const { return process_.device(); }

private:
    sim::CamsimProcess process_;
};

// Every file below `folder` is one of the demo's photos, byte for byte (their sizes differ).
// Every file below `folder` is a whole photo; with `leftovers`, files named as files being
// written (a run killed outright) may stand beside them.
void ExpectOnlyWholePhotos(const std::string& folder, bool leftovers = false) {
    const auto pictures = PlainDemoPictures();
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        if (leftovers && IsPartialFileName(entry.path().filename().c_str())) continue;
        const auto size = static_cast<std::uint32_t>(entry.file_size());
        const auto found = std::find_if(pictures.begin(), pictures.end(),
                                        [&](const PlainPicture& p) { return p.photoSize == size; });
        ASSERT_NE(found, pictures.end()) << entry.path() << " is " << size << " bytes";
        const auto id = static_cast<std::uint32_t>(found - pictures.begin() + 1);
        EXPECT_EQ(test::readFileBytes(entry.path().string()),
                  sim::pictureData(DEMO_SEED, id, sim::PictureKind::Photo, size))
            << entry.path();
    }
}

// What `file` says of a file, its name left out.
std::string FileSays(const std::string& path) {
    std::string said;
    if (std::FILE* pipe = ::popen(("file -b '" + path + "'").c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) said += buffer;
        ::pclose(pipe);
    }
    return said;
}

TEST(TheDemo, LeavesEveryPhotoOfTheSimulatedCameraByteForByteInItsDateFolderAsAJpegImage) {
    test::TempDir folder;
    const Finished demo = RunPixlor(folder.path(), {"demo"}, {});
    ASSERT_EQ(demo.status, 0) << demo.out << demo.err;

    // Picture n of the camera has identity n; each date folder holds its pictures in camera
    // order, numbered from 001.
    const auto pictures = DemoPictures();
    sim::JpegPictureFiles camera(DEMO_SEED);
    std::map<std::string, int> countInFolder;
    std::size_t files = 0;
    for (std::uint32_t id = 1; id <= pictures.size(); ++id) {
        const DemoPicture& picture = pictures[id - 1];
        const CivilTime shot = civilFromSeconds(picture.shootingTime);
        char folderName[16], fileName[48];
        std::snprintf(folderName, sizeof folderName, "%02u-%02u-%02u",
                      static_cast<unsigned>(shot.year % 100), shot.month, shot.day);
        std::snprintf(fileName, sizeof fileName, "pic%02u.%02u.%04u_%03d.jpg", shot.day, shot.month,
                      static_cast<unsigned>(shot.year), ++countInFolder[folderName]);
        const std::string path =
            folder.path() + "/" + DEMO_FOLDER + "/" + folderName + "/" + fileName;
        const sim::Picture made{sim::NATURAL_SIZE, sim::NATURAL_SIZE,
                                static_cast<std::int32_t>(picture.shootingTime), id};
        const std::vector<BYTE> bytes = test::readFileBytes(path);
        EXPECT_EQ(bytes, camera.file(made, sim::PictureKind::Photo)) << path;
        const test::InspectedJpeg image = test::inspectJpeg(bytes);
        EXPECT_TRUE(image.decoded) << path << ": " << image.problem;
        EXPECT_EQ(image.width, 640u) << path;
        EXPECT_EQ(image.height, 480u) << path;
        char exifTime[24];
        std::snprintf(exifTime, sizeof exifTime, "%04u:%02u:%02u %02u:%02u:%02u",
                      static_cast<unsigned>(shot.year), shot.month, shot.day, shot.hour,
                      shot.minute, shot.second);
        EXPECT_EQ(image.dateTimeOriginal, exifTime) << path;
        // What a person who looks at the file is told.
        EXPECT_NE(FileSays(path).find("JPEG image data, Exif standard"), std::string::npos)
            << FileSays(path);
        EXPECT_NE(FileSays(path).find(", 640x480, "), std::string::npos) << FileSays(path);
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder.path() + "/" + DEMO_FOLDER))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, pictures.size());
    EXPECT_EQ(countInFolder.size(), 3u);
    EXPECT_NE(demo.out.find("12 pictures copied"), std::string::npos) << demo.out;
}

TEST(APortWithoutADevice, EndsWithStatus1AndAClearMessage) {
    test::TempDir folder;
    const Finished list = RunPixlor(folder.path(), {"list"},
                                    {"PIXLOR_REGISTRY=" + folder.path() + "/settings.reg",
                                     "PIXLOR_COM1=" + folder.path() + "/no-such-device",
                                     "PIXLOR_COM2=" + folder.path() + "/no-such-device"});
    EXPECT_EQ(list.status, 1) << list.out << list.err;
    EXPECT_NE(list.err.find("pixlor: "), std::string::npos) << list.err;
    EXPECT_NE(list.err.find("PIXLOR_COM"), std::string::npos) << list.err;
}

TEST(APortWhoseDeviceIsWrong, IsNamedWithItsCauseAtOnce) {
    test::TempDir folder;
    std::ofstream(folder.path() + "/a-file") << "not a port";
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ::grantpt(master);
    ::unlockpt(master);
    const std::string held = ::ptsname(master);
    const int holder = ::open(held.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);  // as another program holds a port
    const struct {
        std::string device, cause;
        // clang-format off
    } cases[] = {
        {folder.path() + "/missing", " does not exist"},
        {folder.path() + "/a-file", " is not a serial device"},
        {folder.path(), " is not a serial device"},
        {"/dev/null", " is not a serial device"},
        {held, " is in use by another program"},
    };
    // clang-format on
    for (const auto& c : cases) {
        const Finished list = RunPixlor(
            folder.path(), {"list"},
            {"PIXLOR_REGISTRY=" + folder.path() + "/settings.reg", "PIXLOR_COM2=" + c.device});
        EXPECT_EQ(list.status, 1) << c.device;
        EXPECT_NE(list.err.find("pixlor: COM2: " + c.device + c.cause), std::string::npos)
            << list.err;
        EXPECT_EQ(list.err.find("did not answer"), std::string::npos) << list.err;
    }
    ::close(holder);
    ::close(master);

    // A port named for one command is the one the messages name.
    const Finished other = RunPixlor(folder.path(), {"--port", "COM9", "list"},
                                     {"PIXLOR_REGISTRY=" + folder.path() + "/settings.reg",
                                      "PIXLOR_COM9=" + folder.path() + "/usb"});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("pixlor: COM9: " + folder.path() + "/usb does not exist\n"),
              std::string::npos)
        << other.err;
    EXPECT_NE(other.err.find("PIXLOR_COM9=DEVICE names the device of COM9"), std::string::npos)
        << other.err;
    const Finished empty = RunPixlor(folder.path(), {"--port", "", "list"},
                                     {"PIXLOR_REGISTRY=" + folder.path() + "/settings.reg"});
    EXPECT_EQ(empty.status, 2);
    EXPECT_NE(empty.err.find("--port \"\": give COM<n>"), std::string::npos) << empty.err;
}

// A log line: seconds since the log began, direction, speed, bytes.
const std::regex LOG_LINE("[0-9]+\\.[0-9]{6} (host>cam|cam>host) [0-9]+( [0-9A-F]{2})+");

std::vector<std::string> LinesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ACopyWithSettingsOfItsOwn, UsesTheSpeedAndPatternsGivenLogsEveryByteAndWritesNoSetting) {
    test::TempDir folder;
    DemoCamera camera(folder.path());
    const std::string settings = folder.path() + "/settings.reg";
    const Finished copy =
        RunPixlor(folder.path(),
                  {"--speed", "57600", "--log", "line.log", "copy", "out", "#1", "--filename",
                   "x%2H%2N_", "--folder", "day%2D"},
                  {"PIXLOR_REGISTRY=" + settings, "PIXLOR_COM2=" + camera.device()});
    ASSERT_EQ(copy.status, 0) << copy.err;
    const auto picture = PlainDemoPictures()[0];  // 2002-05-17 09:14
    EXPECT_EQ(test::readFileBytes(folder.path() + "/out/day17/x0914_001.jpg"),
              sim::pictureData(DEMO_SEED, 1, sim::PictureKind::Photo, picture.photoSize));
    EXPECT_NE(copy.err.find("Copying photos into date folders day%2D below "), std::string::npos)
        << copy.err;
    EXPECT_FALSE(fs::exists(settings));

    // The simulator's format, line for line; the photo came at the speed given.
    const auto lines = LinesOf(folder.path() + "/line.log");
    ASSERT_FALSE(lines.empty());
    int atSpeed = 0;
    for (const std::string& line : lines) {
        if (line.rfind("# ", 0) == 0) continue;
        EXPECT_TRUE(std::regex_match(line, LOG_LINE)) << line;
        atSpeed += line.find(" cam>host 57600 ") != std::string::npos ? 1 : 0;
    }
    EXPECT_GT(atSpeed, 3);
    EXPECT_NE(lines.front().find("# begun "), std::string::npos) << lines.front();
}

TEST(TheDetectCommand, FindsTheCameraAndItsSpeedAndSendsNothingButProbes) {
    test::TempDir folder;
    const std::string log = folder.path() + "/camera.log";
    sim::CamsimProcess camera;
    std::string why;
    ASSERT_TRUE(camera.start(PIXLOR_CAMSIM_PATH, {"--pictures", "3", "--log", log}, why)) << why;
    const std::vector<std::string> environment{"PIXLOR_REGISTRY=" + folder.path() + "/settings.reg",
                                               "PIXLOR_COM5=" + camera.device()};
    const Finished found = RunPixlor(folder.path(), {"detect"}, environment);
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_NE(found.out.find(camera.device() + "  a camera answers at 19200 Bd (COM5)\n"),
              std::string::npos)
        << found.out;
    camera.stop();
    for (const std::string& line : LinesOf(log)) {
        if (line.find(" host>cam ") == std::string::npos) continue;
        EXPECT_EQ(line.substr(line.find(" host>cam ") + 10), "19200 00") << line;
    }

    // A copy killed in the middle leaves the camera at the copy's speed: detect finds it there.
    ASSERT_TRUE(camera.start(PIXLOR_CAMSIM_PATH, {"--pictures", "3"}, why)) << why;
    const std::vector<std::string> onCom2{"PIXLOR_REGISTRY=" + folder.path() + "/settings.reg",
                                          "PIXLOR_COM2=" + camera.device()};
    const std::string program = (fs::current_path() / "pixlor").string();
    const std::string errPath = folder.path() + "/copy.err";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("PIXLOR_REGISTRY", (folder.path() + "/settings.reg").c_str(), 1);
        ::setenv("PIXLOR_COM2", camera.device().c_str(), 1);
        ::freopen(errPath.c_str(), "w", stderr);
        if (::chdir(folder.path().c_str()) != 0) ::_exit(99);
        ::execl(program.c_str(), program.c_str(), "copy", "out", static_cast<char*>(nullptr));
        ::_exit(98);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::string said;
    while (said.find("pic05.07.2002_002.jpg") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // polls the child's output
        std::stringstream text;
        text << std::ifstream(errPath).rdbuf();
        said = text.str();
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const Finished cut = RunPixlor(folder.path(), {"detect"}, onCom2);
    EXPECT_EQ(cut.status, 0) << cut.err;
    EXPECT_NE(cut.out.find(camera.device() + "  a camera answers at 115200 Bd (COM2); a command "
                                             "was cut short there"),
              std::string::npos)
        << cut.out << said;
}

TEST(APortNamedForOneCommand, IsUsedAndNoSettingIsWritten) {
    test::TempDir folder;
    DemoCamera camera(folder.path());
    ASSERT_EQ(camera.device().rfind("/dev/", 0), 0u) << camera.device();
    const std::string settings = "PIXLOR_REGISTRY=" + folder.path() + "/settings.reg";
    const Finished all = RunPixlor(folder.path(), {"--port", camera.device(), "list", "--all"},
                                   {settings, "PIXLOR_COM2=" + folder.path() + "/missing"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 12) << all.out;
    EXPECT_FALSE(fs::exists(folder.path() + "/settings.reg"));

    // Piped: the result alone on standard output, one line per file on standard error.
    const Finished copy =
        RunPixlor(folder.path(), {"--port", camera.device(), "copy", "out", "--new"}, {settings});
    ASSERT_EQ(copy.status, 0) << copy.err;
    EXPECT_EQ(copy.out,
              "12 pictures copied (12 new, 0 already there) into " + folder.path() + "/out\n");
    EXPECT_FALSE(std::regex_search(copy.err, std::regex("[0-9]%"))) << copy.err;  // no percentages
    EXPECT_EQ(std::count(copy.err.begin(), copy.err.end(), '\n'), 15) << copy.err;
    ExpectOnlyWholePhotos(folder.path() + "/out");
    EXPECT_FALSE(fs::exists(folder.path() + "/settings.reg"));
}

struct Interruption {
    const char* name;
    std::string keys;  // typed on the terminal
    int signal;        // else sent
    int status;
    bool once;  // one interruption: the program says what it did, the camera answers after
};

void PrintTo(const Interruption& interruption, std::ostream* out) { *out << interruption.name; }

// `pixlor copy` on a pseudo-terminal of its own, interrupted once the first picture is in.
class ACopyInterrupted : public ::testing::TestWithParam<Interruption> {};

TEST_P(ACopyInterrupted, EndsCleanlyWithTheCountAndNoIncompleteFileAndTheCameraAnswers) {
    test::TempDir folder;
    DemoCamera camera(folder.path());
    ASSERT_EQ(camera.device().rfind("/dev/", 0), 0u) << camera.device();
    const std::string program = (fs::current_path() / "pixlor").string();
    const std::string registry = folder.path() + "/settings.reg";
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A terminal flushes what the program wrote but the reader has not yet read at each
        // interrupt character it takes: a second Ctrl+C could discard the program's last words.
        termios line{};
        if (::tcgetattr(STDIN_FILENO, &line) == 0) {
            line.c_lflag |= NOFLSH;
            ::tcsetattr(STDIN_FILENO, TCSANOW, &line);
        }
        ::setenv("PIXLOR_REGISTRY", registry.c_str(), 1);
        ::setenv("PIXLOR_COM2", camera.device().c_str(), 1);
        ::setenv("COLUMNS", "200", 1);
        if (::chdir(folder.path().c_str()) != 0) ::_exit(99);
        ::execl(program.c_str(), program.c_str(), "copy", "out", static_cast<char*>(nullptr));
        ::_exit(98);
    }
    std::string screen;
    bool sent = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 100) > 0) {
            char buffer[512];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got <= 0) break;  // the program ended
            screen.append(buffer, static_cast<std::size_t>(got));
        }
        // A kill waits until the second file is being written.
        const bool due = GetParam().signal == SIGKILL
                             ? std::regex_search(screen, std::regex("File 2: [1-9]"))
                             : screen.find("File 2: ") != std::string::npos;
        if (!sent && due) {
            sent = true;
            if (GetParam().signal != 0)
                ::kill(child, GetParam().signal);
            else
                ASSERT_EQ(::write(master, GetParam().keys.data(), GetParam().keys.size()),
                          static_cast<ssize_t>(GetParam().keys.size()));
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(master);
    ASSERT_TRUE(sent) << screen;
    if (GetParam().signal == SIGKILL) {
        // Nothing could be cleaned up: what is left is whole photos and one file being written,
        // which the next copy of the new pictures neither counts nor takes for a picture.
        EXPECT_TRUE(WIFSIGNALED(status)) << screen;
        ExpectOnlyWholePhotos(folder.path() + "/out", true);
        const Finished again =
            RunPixlor(folder.path(), {"copy", "out", "--new"},
                      {"PIXLOR_REGISTRY=" + registry, "PIXLOR_COM2=" + camera.device()});
        EXPECT_EQ(again.status, 0) << again.err;
        EXPECT_NE(again.out.find("already there"), std::string::npos) << again.out;
        ExpectOnlyWholePhotos(folder.path() + "/out", true);
        std::size_t photos = 0;
        for (const auto& entry : fs::recursive_directory_iterator(folder.path() + "/out"))
            photos += entry.is_regular_file() && entry.path().extension() == ".jpg" ? 1 : 0;
        EXPECT_EQ(photos, PlainDemoPictures().size());
        return;
    }
    ASSERT_TRUE(WIFEXITED(status)) << screen;
    EXPECT_EQ(WEXITSTATUS(status), GetParam().status) << screen;
    EXPECT_NE(screen.find("pixlor: interrupted"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("The camera operation failed"), std::string::npos) << screen;
    ExpectOnlyWholePhotos(folder.path() + "/out");
    if (!GetParam().once) return;
    EXPECT_NE(screen.find(" of 12 pictures copied"), std::string::npos) << screen;
    // The same camera answers the next command, without being switched off and on.
    const Finished list = RunPixlor(
        folder.path(), {"list"}, {"PIXLOR_REGISTRY=" + registry, "PIXLOR_COM2=" + camera.device()});
    EXPECT_EQ(list.status, 0) << list.err;
}

INSTANTIATE_TEST_SUITE_P(ByCtrlCOrSignal, ACopyInterrupted,
                         ::testing::Values(Interruption{"CtrlC", "\x03", 0, 130, true},
                                           Interruption{"CtrlCTwice", "\x03\x03", 0, 130, false},
                                           Interruption{"Sigterm", "", SIGTERM, 143, true},
                                           Interruption{"Sigkill", "", SIGKILL, 0, false}),
                         [](const ::testing::TestParamInfo<Interruption>& row) {
                             return std::string(row.param.name);
                         });

// A settings file that is no file: a FIFO would block the program for ever, the null device
// would be replaced by a file. Both are left as they are, and a save says it failed.
TEST(TheProgram, NeitherWaitsOnNorReplacesASettingsFileThatIsNoFile) {
    test::TempDir folder;
    const std::string fifo = folder.path() + "/settings.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Finished shown = RunPixlor(folder.path(), {"--registry", fifo, "config"}, {});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.err.find("is a FIFO, not a regular file"), std::string::npos) << shown.err;
    const Finished saved =
        RunPixlor(folder.path(), {"--registry", "/dev/null", "config", "--speed", "9600"}, {});
    EXPECT_EQ(saved.status, 1) << saved.err;
    EXPECT_NE(saved.err.find("Settings not saved: /dev/null is a character device"),
              std::string::npos)
        << saved.err;
    EXPECT_EQ(saved.out.find("Settings saved."), std::string::npos) << saved.out;
    struct stat info {};
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(TheProgram, MakesItsManualPageAndBashCompletionFromItsHelp) {
    test::TempDir folder;
    const Finished version = RunPixlor(folder.path(), {"--version"}, {});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("pixlor ", 0), 0u) << version.out;
    const Finished man = RunPixlor(folder.path(), {"--man"}, {});
    ASSERT_EQ(man.status, 0) << man.err;
    EXPECT_EQ(man.out.rfind(".TH PIXLOR 1", 0), 0u) << man.out;
    for (const char* text : {".SS \"copy\"", "\\-\\-skip\\-existing", ".SS \"info\"",
                             "digits of the running number of photos (2 to 9)"})
        EXPECT_NE(man.out.find(text), std::string::npos) << text;
    const Finished completion = RunPixlor(folder.path(), {"--bash-completion"}, {});
    ASSERT_EQ(completion.status, 0);
    std::ofstream(folder.path() + "/pixlor.bash") << completion.out;
    // What the completion offers after the words typed so far.
    const struct {
        std::string words, offered;
        // clang-format off
    } completions[] = {
        {"pixlor copy --sk", "--skip-existing"},
        {"pixlor --port CO", "COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8"},
        {"pixlor --speed 1", "19200 115200"},
        {"pixlor copy d --subfolders a", "auto always"},
        {"pixlor move d --folders \"\"", "photo thumbnail"},
        {"pixlor copy d --filename \"\"", ""},
        {"pixlor li", "list"},
    };
    // clang-format on
    for (const auto& c : completions) {
        const std::string check = "bash -c 'source " + folder.path() +
                                  "/pixlor.bash && COMP_WORDS=(" + c.words +
                                  ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _pixlor; "
                                  "test \"${COMPREPLY[*]}\" = \"" +
                                  c.offered + "\"'";
        EXPECT_EQ(std::system(check.c_str()), 0) << c.words;
    }

    // The manual page fits a terminal of 80 columns and tells the patterns and selections.
    std::ofstream(folder.path() + "/pixlor.1") << man.out;
    std::string page;
    const std::string render = "MANWIDTH=80 man -l " + folder.path() + "/pixlor.1 2>/dev/null";
    if (std::FILE* pipe = ::popen(render.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) page += buffer;
        ::pclose(pipe);
    }
    ASSERT_NE(page.find("ENVIRONMENT"), std::string::npos) << page;
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(DisplayWidth(line), 80) << line;
    for (const char* text : {"%S second of the shooting", "@YYYY-MM-DDThh:mm:ss", "--filename"})
        EXPECT_NE(page.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace pixlor::host::cli
