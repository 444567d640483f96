// The built `pixlor` program on the real clock and the real system layer: the demo against
// pixlor-camsim on a pseudo-terminal, and a port with no device behind it.
#include "host/cli/Demo.h"
#include "platform/Calendar.h"
#include "sim/PictureData.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

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
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables(environment);
    for (char** variable = environ; *variable != nullptr; ++variable) variables.push_back(*variable);
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

TEST(TheDemo, LeavesEveryPictureOfTheSimulatedCameraByteForByteInItsDateFolder) {
    test::TempDir folder;
    const Finished demo = RunPixlor(folder.path(), {"demo"}, {});
    ASSERT_EQ(demo.status, 0) << demo.out << demo.err;

    // Picture n of the camera has identity n; each date folder holds its pictures in camera
    // order, numbered from 001.
    const auto pictures = DemoPictures();
    std::map<std::string, int> countInFolder;
    std::size_t files = 0;
    for (std::uint32_t id = 1; id <= pictures.size(); ++id) {
        const DemoPicture& picture = pictures[id - 1];
        const CivilTime shot = civilFromSeconds(picture.shootingTime);
        char folderName[16], fileName[48];
        std::snprintf(folderName, sizeof folderName, "%02u-%02u-%02u",
                      static_cast<unsigned>(shot.year % 100), shot.month, shot.day);
        std::snprintf(fileName, sizeof fileName, "pic%02u.%02u.%04u_%03d.jpg", shot.day,
                      shot.month, static_cast<unsigned>(shot.year), ++countInFolder[folderName]);
        const std::string path =
            folder.path() + "/" + DEMO_FOLDER + "/" + folderName + "/" + fileName;
        EXPECT_EQ(test::readFileBytes(path),
                  sim::pictureData(DEMO_SEED, id, sim::PictureKind::Photo, picture.photoSize))
            << path;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder.path() + "/" + DEMO_FOLDER))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, pictures.size());
    EXPECT_EQ(countInFolder.size(), 3u);
    EXPECT_NE(demo.out.find("12 pictures copied"), std::string::npos) << demo.out;
}

TEST(APortWithoutADevice, EndsWithStatus1AndAClearMessage) {
    test::TempDir folder;
    const Finished list =
        RunPixlor(folder.path(), {"list"},
                  {"PIXLOR_REGISTRY=" + folder.path() + "/settings.reg",
                   "PIXLOR_COM1=" + folder.path() + "/no-such-device",
                   "PIXLOR_COM2=" + folder.path() + "/no-such-device"});
    EXPECT_EQ(list.status, 1) << list.out << list.err;
    EXPECT_NE(list.err.find("pixlor: "), std::string::npos) << list.err;
    EXPECT_NE(list.err.find("PIXLOR_COM"), std::string::npos) << list.err;
}

}  // namespace
}  // namespace pixlor::host::cli
