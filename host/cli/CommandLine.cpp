#include "host/cli/CommandLine.h"

#include <CLI/CLI.hpp>

#include <cctype>

namespace pixlor::host::cli {

namespace {

const char* const kFooter = R"(
The camera is the one on the serial port of the settings (pixlor config). COM<n> is the device
named by the environment variable PIXLOR_COM<n>, else /dev/ttyS<n-1>: for a USB serial adapter,
PIXLOR_COM1=/dev/ttyUSB0. The settings live in $PIXLOR_REGISTRY, else
$XDG_CONFIG_HOME/pixlor/registry.reg, else ~/.config/pixlor/registry.reg.
Exit status: 0 done, 1 a camera operation failed, 2 bad usage or refused input.
Try it without a camera: pixlor demo)";

// "COM3" (any case) as 3; 0 for anything else.
int PortNumber(const std::string& text) {
    if (text.size() != 4) return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(text[static_cast<size_t>(i)])) != "COM"[i]) return 0;
    return text[3] >= '1' && text[3] <= '8' ? text[3] - '0' : 0;
}

void AddCopyOptions(CLI::App& command, TransferRequest& request, std::string& subfolders,
                    std::string& folders, std::string& view, bool& thumbnails, bool& both,
                    bool& bothOwn) {
    command.add_option("DEST", request.destination, "the folder to copy into (it must exist)")
        ->required();
    command.add_option("ITEM", request.items,
                       "date folders or pictures, as `pixlor list` names them (FOLDER/NAME "
                       "inside a folder); none: everything");
    auto* thumbs = command.add_flag("--thumbnails", thumbnails,
                                    "copy the thumbnails instead of the photos");
    auto* bothFlag = command.add_flag("--both", both,
                                      "copy photos and thumbnails into the same date folders");
    auto* own = command.add_flag("--both-own-folders", bothOwn,
                                 "copy photos and thumbnails, each into its own date folders");
    auto* folderOption =
        command.add_option("--folders", folders,
                           "name the date folders by the photo or the thumbnail folder pattern "
                           "(default: that of the kind copied)")
            ->check(CLI::IsMember({"photo", "thumbnail"}));
    command.add_option("--view", view,
                       "the panel view that ITEM names come from (default: thumbnails with "
                       "--thumbnails, else photos)")
        ->check(CLI::IsMember({"photos", "thumbnails"}));
    command.add_option("--subfolders", subfolders,
                       "date sub-folders below DEST: auto (unless copying from inside a date "
                       "folder), always, never")
        ->check(CLI::IsMember({"auto", "always", "never"}))
        ->default_str("auto");
    thumbs->excludes(bothFlag)->excludes(own);
    bothFlag->excludes(own);
    own->excludes(folderOption);
}

}  // namespace

std::optional<int> ParseCommandLine(const std::vector<std::string>& arguments,
                                    Invocation& invocation, std::ostream& out, std::ostream& err) {
    CLI::App app{"pixlor: the pictures of a digital camera on a serial port, from a terminal.\n"
                 "It drives the Pixlor plug-in module as its file manager host would."};
    app.name("pixlor");
    app.footer(kFooter);
    app.require_subcommand(1);
    app.fallthrough();
    app.add_option("--registry", invocation.registryFile,
                   "the settings file to use (sets PIXLOR_REGISTRY)");
    app.add_option("--module", invocation.modulePath,
                   "the plug-in module to load (default: pixlor.so beside this program)");

    auto* list = app.add_subcommand("list", "show what the camera panel shows: the date folders "
                                            "at the root, or the pictures of FOLDER");
    list->add_option("FOLDER", invocation.list.folder, "a date folder");
    list->add_flag("--thumbnails", invocation.list.thumbnails,
                   "the thumbnail view (F7) instead of the photos");

    std::string subfolders = "auto", folders, view;
    bool thumbnails = false, both = false, bothOwn = false;
    auto* copy = app.add_subcommand("copy", "copy pictures from the camera into DEST (F5)");
    AddCopyOptions(*copy, invocation.transfer, subfolders, folders, view, thumbnails, both,
                   bothOwn);
    auto* move = app.add_subcommand(
        "move", "copy pictures into DEST, then delete them on the camera (F6)");
    AddCopyOptions(*move, invocation.transfer, subfolders, folders, view, thumbnails, both,
                   bothOwn);

    auto* remove = app.add_subcommand("delete", "delete pictures on the camera (F8)");
    remove->add_option("ITEM", invocation.remove.items,
                       "date folders or pictures, as `pixlor list` names them")
        ->required();
    remove->add_flag("--thumbnails", invocation.remove.thumbnails,
                     "ITEM names come from the thumbnail view");
    remove->add_flag("-y,--yes", invocation.remove.yes, "delete without asking");

    ConfigRequest& config = invocation.config;
    std::string port;
    auto* configure = app.add_subcommand(
        "config", "show the settings; with options, change them through the configuration "
                  "dialog, which checks them");
    configure->add_option("--port", port, "the serial port, COM1 to COM8");
    configure->add_option("--speed", config.speed, "the line speed in bits per second")
        ->check(CLI::IsMember({9600, 19200, 38400, 57600, 115200}));
    configure->add_option("--photo-name", config.photoName, "the photo file name pattern");
    configure->add_option("--thumb-name", config.thumbName, "the thumbnail file name pattern");
    configure->add_option("--photo-folder", config.photoFolder,
                          "the photo date folder pattern (empty: no date folders)");
    configure->add_option("--thumb-folder", config.thumbFolder,
                          "the thumbnail date folder pattern (empty: no date folders)");
    configure->add_option("--photo-digits", config.photoDigits,
                          "digits of the running number of photos (2 to 9)")
        ->check(CLI::Range(0, 9));
    configure->add_option("--thumb-digits", config.thumbDigits,
                          "digits of the running number of thumbnails (2 to 9)")
        ->check(CLI::Range(0, 9));
    configure->add_flag("--defaults", config.defaults,
                        "start from the default patterns and digit counts (keeps port and speed)");

    app.add_subcommand("camsim", "run the camera simulator (pixlor-camsim); "
                                                "`pixlor camsim --help` tells its options");
    app.add_subcommand("demo", "a simulated camera with a dozen pictures: list it and copy "
                               "everything into ./pixlor-demo/");

    // Everything after "camsim" is the simulator's, its --help included.
    if (arguments.size() > 1 && arguments[1] == "camsim") {
        invocation.command = Command::Camsim;
        invocation.camsimArguments.assign(arguments.begin() + 2, arguments.end());
        return std::nullopt;
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out, err) == 0 ? 0 : EXIT_BAD_USAGE;
    }

    if (*list) invocation.command = Command::List;
    if (*copy || *move) {
        invocation.command = *copy ? Command::Copy : Command::Move;
        CopyChoice& choice = invocation.transfer.choice;
        choice.move = move->parsed();
        choice.photos = !thumbnails;
        choice.kinds = both      ? CopyKinds::BothOneFolder
                       : bothOwn ? CopyKinds::BothOwnFolders
                                 : CopyKinds::One;
        if (!folders.empty()) choice.photoFolders = folders == "photo";
        choice.thumbnailView = view.empty() ? thumbnails : view == "thumbnails";
        invocation.transfer.subfolders = subfolders == "always"  ? SubfolderMode::Always
                                         : subfolders == "never" ? SubfolderMode::Never
                                                                 : SubfolderMode::Auto;
    }
    if (*remove) invocation.command = Command::Delete;
    if (*configure) {
        invocation.command = Command::Config;
        if (!port.empty()) {
            config.port = PortNumber(port);
            if (*config.port == 0) {
                err << "pixlor config: --port " << port << ": a port is COM1 to COM8\n";
                return EXIT_BAD_USAGE;
            }
        }
    }
    if (app.got_subcommand("demo")) invocation.command = Command::Demo;
    return std::nullopt;
}

}  // namespace pixlor::host::cli
