#include "sim/camsim/CamsimProcess.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace pixlor::sim {

namespace {

constexpr int START_WAIT_MS = 5000;

// The first line the program prints, up to START_WAIT_MS for each byte.
std::string ReadFirstLine(int fd) {
    std::string line;
    char c = 0;
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, START_WAIT_MS) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

}  // namespace

bool CamsimProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                          std::string& errorText) {
    stop();
    int output[2];
    if (::pipe(output) != 0) {
        errorText = "no pipe";
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int spawned =
        ::posix_spawn(&child_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (spawned != 0) {
        ::close(output[0]);
        child_ = 0;
        errorText = program + " cannot be started: " + std::strerror(spawned);
        return false;
    }
    const std::string line = ReadFirstLine(output[0]);
    ::close(output[0]);
    device_ = line.substr(line.find('=') + 1);  // "/dev/pts/3", or "NAME=/dev/pts/3"
    if (device_.rfind("/dev/", 0) != 0) {
        errorText = program + " named no device (it printed \"" + line + "\")";
        stop();
        return false;
    }
    return true;
}

int CamsimProcess::stop(int signal) {
    if (child_ <= 0) return -1;
    ::kill(child_, signal);  // a program that has ended already is still there to be waited for
    int status = -1;
    ::waitpid(child_, &status, 0);
    child_ = 0;
    return status;
}

}  // namespace pixlor::sim
