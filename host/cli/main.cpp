// pixlor: the camera plug-in's whole job from a terminal, through the host emulator and the
// plug-in module itself.
#include "host/PluginModule.h"
#include "host/cli/CommandLine.h"
#include "host/cli/Demo.h"
#include "host/cli/Detect.h"
#include "host/cli/Interrupts.h"
#include "host/cli/Port.h"
#include "host/cli/Texts.h"
#include "platform/posix/PosixSystem.h"
#include "platform/posix/SerialDevice.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
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
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
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
    std::cerr << "pixlor camsim: " << program << " cannot be run: " << std::strerror(errno) << '\n';
    return EXIT_CAMERA_FAILED;
}

// --port for one command: the stored port's device becomes the one named, through the
// variable the system layer reads, so that no setting is written.
bool OverridePort(const std::string& named) {
    PortInUse port;
    std::string why;
    if (!PortNamed(named, port, why)) {
        std::cerr << "pixlor: " << why << '\n';
        return false;
    }
    ::setenv(("PIXLOR_COM" + std::to_string(port.number)).c_str(), port.device.c_str(), 1);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    InstallInterruptHandlers();
    const fs::path folder = ProgramFolder(argv[0]);
    const std::string language = LanguageOfLocale();
    if (std::string why; !LoadTexts(folder.string(), language, why))
        std::cerr << "pixlor: " << why << '\n';                   // the English texts stand in
    if (::isatty(STDOUT_FILENO) != 1) std::cout << std::unitbuf;  // each line as it is made
    Invocation invocation;
    const std::vector<std::string> arguments(argv, argv + argc);
    if (auto status = ParseCommandLine(arguments, invocation, std::cout, std::cerr)) return *status;

    if (invocation.command == Command::Camsim) return RunCamsim(folder, invocation.camsimArguments);
    if (!invocation.registryFile.empty())
        ::setenv("PIXLOR_REGISTRY", fs::absolute(invocation.registryFile).c_str(), 1);
    // Anything but a regular file there is left alone: it is never read or replaced.
    const std::string settingsFile = pixlor::posix::RegistryFilePath();
    if (const std::string problem = pixlor::posix::RegistryFileProblem(settingsFile);
        !problem.empty())
        std::cerr << "pixlor: " << Fill(Tr("the settings file is not used: {}"), {problem}) << '\n';
    if (invocation.port && !OverridePort(*invocation.port)) return EXIT_BAD_USAGE;
    if (!invocation.logFile.empty()) {
        // The serial layer of the plug-in module writes it; the file is tried here, so that a
        // log that cannot be written is said before the camera is woken.
        const std::string log = fs::absolute(invocation.logFile).string();
        std::FILE* file = std::fopen(log.c_str(), "a");
        if (file == nullptr) {
            std::cerr << "pixlor: --log " << invocation.logFile << ": " << std::strerror(errno)
                      << '\n';
            return EXIT_BAD_USAGE;
        }
        std::fclose(file);
        ::setenv("PIXLOR_SERIAL_LOG", log.c_str(), 1);
    }

    PluginModule module;
    const std::string modulePath = invocation.modulePath.empty()
                                       ? (folder / "pixlor.so").string()
                                       : fs::absolute(invocation.modulePath).string();
    if (!LoadPluginModule(modulePath, module)) {
        std::cerr << "pixlor: the plug-in module cannot be loaded: " << module.errorText << '\n';
        return EXIT_CAMERA_FAILED;
    }
    ProgramSetup setup{module.entryPoints, modulePath,      language, true,
                       invocation.port,    invocation.speed};
    TerminalStreams streams{std::cout, std::cerr, std::cin, ::isatty(STDERR_FILENO) == 1,
                            ::isatty(STDIN_FILENO) == 1};
    const char* term = std::getenv("TERM");
    const bool dumb = term != nullptr && std::strcmp(term, "dumb") == 0;
    TerminalStyle style{CodePageOfLanguage(setup.language),
                        !dumb && std::strcmp(::nl_langinfo(CODESET), "UTF-8") == 0, TerminalWidth(),
                        dumb};
    TerminalUser user(streams, style);
    user.quiet = invocation.quiet;
    Commands commands(setup, user, streams);
    switch (invocation.command) {
    case Command::List: return commands.list(invocation.list);
    case Command::Copy:
    case Command::Move: return commands.transfer(invocation.transfer);
    case Command::Delete: return commands.remove(invocation.remove);
    case Command::Config: return commands.configure(invocation.config);
    case Command::Info: return commands.info();
    case Command::Detect: return DetectCameras(streams, user);
    case Command::Demo: return RunDemo(commands, streams, (folder / "pixlor-camsim").string());
    case Command::Camsim: break;
    }
    return EXIT_BAD_USAGE;
}
