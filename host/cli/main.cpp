// pixlor: the camera plug-in's whole job from a terminal, through the host emulator and the
// plug-in module itself.
#include "host/PluginModule.h"
#include "host/cli/CommandLine.h"
#include "host/cli/Demo.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace pixlor::host;
using namespace pixlor::host::cli;

int TerminalWidth() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS"); columns != nullptr && std::atoi(columns) > 0)
        return std::atoi(columns);
    return 80;
}

// The folder of this program, where the build puts the module and the simulator beside it.
fs::path ProgramFolder(const char* argv0) {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::absolute(argv0).parent_path() : self.parent_path();
}

int RunCamsim(const fs::path& folder, const std::vector<std::string>& arguments) {
    const std::string program = (folder / "pixlor-camsim").string();
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    std::cerr << "pixlor camsim: " << program << " cannot be run: " << std::strerror(errno)
              << '\n';
    return EXIT_CAMERA_FAILED;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    Invocation invocation;
    const std::vector<std::string> arguments(argv, argv + argc);
    if (auto status = ParseCommandLine(arguments, invocation, std::cout, std::cerr)) return *status;

    const fs::path folder = ProgramFolder(argv[0]);
    if (invocation.command == Command::Camsim) return RunCamsim(folder, invocation.camsimArguments);
    if (!invocation.registryFile.empty())
        ::setenv("PIXLOR_REGISTRY", fs::absolute(invocation.registryFile).c_str(), 1);

    PluginModule module;
    const std::string modulePath = invocation.modulePath.empty()
                                       ? (folder / "pixlor.so").string()
                                       : fs::absolute(invocation.modulePath).string();
    if (!LoadPluginModule(modulePath, module)) {
        std::cerr << "pixlor: the plug-in module cannot be loaded: " << module.errorText << '\n';
        return EXIT_CAMERA_FAILED;
    }
    ProgramSetup setup{module.entryPoints, modulePath, LanguageOfLocale()};
    TerminalStreams streams{std::cout, std::cerr, std::cin, ::isatty(STDOUT_FILENO) == 1,
                            ::isatty(STDIN_FILENO) == 1};
    TerminalStyle style{CodePageOfLanguage(setup.language),
                        std::strcmp(::nl_langinfo(CODESET), "UTF-8") == 0, TerminalWidth()};
    TerminalUser user(streams, style);
    Commands commands(setup, user, streams);
    switch (invocation.command) {
        case Command::List: return commands.list(invocation.list);
        case Command::Copy:
        case Command::Move: return commands.transfer(invocation.transfer);
        case Command::Delete: return commands.remove(invocation.remove);
        case Command::Config: return commands.configure(invocation.config);
        case Command::Demo: return RunDemo(commands, streams, (folder / "pixlor-camsim").string());
        case Command::Camsim: break;
    }
    return EXIT_BAD_USAGE;
}
