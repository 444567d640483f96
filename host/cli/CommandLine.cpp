#include "host/cli/CommandLine.h"

#include "host/cli/CommandLineHelp.h"
#include "host/cli/Texts.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <map>
#include <ostream>

#ifndef PIXLOR_VERSION
#define PIXLOR_VERSION "unknown"
#endif

namespace pixlor::host::cli {

namespace {

// Global options that take a value, to find the sub-command among the arguments.
const std::vector<std::string> GLOBAL_VALUE_OPTIONS{"--registry", "--module", "--port", "--speed",
                                                    "--log"};
const std::vector<int> SPEEDS{9600, 19200, 38400, 57600, 115200};
const std::vector<std::string> GLOBAL_FLAGS{"-h",      "--help", "--version",        "-q",
                                            "--quiet", "--man",  "--bash-completion"};

struct CopyOptions {
    std::string subfolders = "auto", folders, view, filename, folder;
    bool thumbnails = false, both = false, bothOwn = false;
};

void AddCopyOptions(CLI::App& command, TransferRequest& request, CopyOptions& copy) {
    command
        .add_option("DEST", request.destination,
                    Tr("the folder to copy into; made when its parent exists"))
        ->required();
    command.add_option("ITEM", request.items,
                       Tr("date folders or pictures as `pixlor list` names them (FOLDER/NAME "
                          "inside a folder), shell patterns allowed ('02-07-05/*.jpg'), #N by "
                          "number, @YYYY-MM-DDThh:mm:ss by shooting time; none: everything"));
    auto* thumbs = command.add_flag("--thumbnails", copy.thumbnails,
                                    Tr("copy the thumbnails instead of the photos"));
    auto* bothFlag = command.add_flag("--both", copy.both,
                                      Tr("copy photos and thumbnails into the same date folders"));
    auto* own = command.add_flag("--both-own-folders", copy.bothOwn,
                                 Tr("copy photos and thumbnails, each into its own date folders"));
    auto* folderOption =
        command
            .add_option("--folders", copy.folders,
                        Tr("name the date folders by the photo or the thumbnail folder "
                           "pattern (default: that of the kind copied)"))
            ->check(CLI::IsMember({"photo", "thumbnail"}));
    command
        .add_option("--view", copy.view,
                    Tr("the panel view that ITEM names come from (default: thumbnails with "
                       "--thumbnails, else photos)"))
        ->check(CLI::IsMember({"photos", "thumbnails"}));
    command
        .add_option("--subfolders", copy.subfolders,
                    Tr("date sub-folders below DEST: auto or always (the same: into the date "
                       "folders however the pictures are named), never (straight into DEST)"))
        ->check(CLI::IsMember({"auto", "always", "never"}))
        ->default_str("auto");
    command
        .add_option("--filename", copy.filename,
                    Tr("the file name pattern of this copy, before the running number "
                       "(pic%2D.%2M.%4Y_; the settings keep theirs)"))
        ->type_name("PATTERN");
    command
        .add_option("--folder", copy.folder,
                    Tr("the date folder pattern of this copy (%2Y-%2M-%2D; empty: no date "
                       "folders; the settings keep theirs)"))
        ->type_name("PATTERN");
    command.add_flag("--new,--skip-existing", request.onlyNew,
                     Tr("skip every picture whose file is in DEST already (the same size and "
                        "time, under any running number)"));
    command.add_flag("--mkdir", request.makeDestination,
                     Tr("make DEST and its missing parent folders"));
    thumbs->excludes(bothFlag)->excludes(own);
    bothFlag->excludes(own);
    own->excludes(folderOption);
}

// Edits that turn one word into the other: a letter added, dropped or changed, or two letters
// swapped (the commonest typo).
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

std::string SuggestionFor(const std::string& word, const std::vector<std::string>& candidates) {
    const auto nearest = NearestWord(word, candidates);
    return nearest ? Fill(Tr("; did you mean \"{}\"?"), {*nearest}) : std::string();
}

CLI::App* AddListCommand(CLI::App& app, ListRequest& listing) {
    auto* list = app.add_subcommand("list", Tr("show what the camera panel shows: the date "
                                               "folders at the root, or the pictures of FOLDER"));
    list->add_option("FOLDER", listing.folders, Tr("date folders, as `pixlor list` names them"));
    list->add_flag("--thumbnails", listing.thumbnails,
                   Tr("the thumbnail view (F7) instead of the photos"));
    auto* allFlag =
        list->add_flag("--all", listing.all, Tr("every picture of every folder, one line each"));
    list->add_flag("--json", listing.json,
                   Tr("folders and pictures with number, name, size, shooting time and "
                      "thumbnail size, as JSON"))
        ->excludes(allFlag);
    return list;
}

// The copy's choice of kinds, views, date folders and patterns from the options of `given`,
// the copy or the move command.
void TakeCopyOptions(const CopyOptions& copyOptions, CLI::App& given, bool move,
                     TransferRequest& transfer) {
    CopyChoice& choice = transfer.choice;
    choice.move = move;
    choice.photos = !copyOptions.thumbnails;
    choice.kinds = copyOptions.both      ? CopyKinds::BothOneFolder
                   : copyOptions.bothOwn ? CopyKinds::BothOwnFolders
                                         : CopyKinds::One;
    if (!copyOptions.folders.empty()) choice.photoFolders = copyOptions.folders == "photo";
    choice.thumbnailView =
        copyOptions.view.empty() ? copyOptions.thumbnails : copyOptions.view == "thumbnails";
    transfer.subfolders = copyOptions.subfolders == "always"  ? SubfolderMode::Always
                          : copyOptions.subfolders == "never" ? SubfolderMode::Never
                                                              : SubfolderMode::Auto;
    if (given.get_option("--filename")->count() > 0) transfer.filename = copyOptions.filename;
    if (given.get_option("--folder")->count() > 0) transfer.folder = copyOptions.folder;
}

CLI::App* AddDeleteCommand(CLI::App& app, DeleteRequest& request) {
    auto* remove = app.add_subcommand("delete", Tr("delete pictures on the camera (F8)"));
    remove->add_option("ITEM", request.items,
                       Tr("date folders or pictures as `pixlor list` names them, shell "
                          "patterns allowed"));
    remove->add_flag("--all", request.all, Tr("every picture on the camera"));
    remove->add_flag("--thumbnails", request.thumbnails,
                     Tr("ITEM names come from the thumbnail view"));
    remove->add_flag("-y,--yes", request.yes, Tr("delete without asking"));
    return remove;
}

// `port`: the text of --port, which the caller turns into the port number.
CLI::App* AddConfigCommand(CLI::App& app, ConfigRequest& config, std::string& port) {
    auto* configure = app.add_subcommand(
        "config", Tr("show the settings; with options, change them through the configuration "
                     "dialog, which checks them"));
    configure->add_option("--port", port, Tr("the serial port, COM1 to COM8"));
    configure->add_option("--speed", config.speed, Tr("the line speed in bits per second"))
        ->check(CLI::IsMember(SPEEDS));
    configure->add_option("--photo-name", config.photoName, Tr("the photo file name pattern"));
    configure->add_option("--thumb-name", config.thumbName, Tr("the thumbnail file name pattern"));
    configure->add_option("--photo-folder", config.photoFolder,
                          Tr("the photo date folder pattern (empty: no date folders)"));
    configure->add_option("--thumb-folder", config.thumbFolder,
                          Tr("the thumbnail date folder pattern (empty: no date folders)"));
    configure
        ->add_option("--photo-digits", config.photoDigits,
                     Tr("digits of the running number of photos (2 to 9)"))
        ->check(CLI::Range(2, 9));
    configure
        ->add_option("--thumb-digits", config.thumbDigits,
                     Tr("digits of the running number of thumbnails (2 to 9)"))
        ->check(CLI::Range(2, 9));
    configure
        ->add_option("--verify", config.verifyMoves,
                     Tr("whether a move verifies each photo before the delete: yes or no "
                        "(the default of the move dialog's box)"))
        ->transform(CLI::IsMember(std::map<std::string, bool>{{"yes", true}, {"no", false}}));
    configure->add_flag("--defaults", config.defaults,
                        Tr("start from the default patterns and digit counts (keeps port and "
                           "speed)"));
    return configure;
}

// The first word that is no global option is the command; a mistyped one gets a suggestion
// instead of CLI11's "a subcommand is required". `at`: the command's index, none without one;
// false after a mistake, which is explained on `err`.
bool FindCommandWord(const std::vector<std::string>& arguments, const CLI::App& app,
                     const std::vector<std::string>& commands, std::optional<std::size_t>& at,
                     std::ostream& err) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        const std::string name = word.substr(0, word.find('='));
        if (std::find(GLOBAL_VALUE_OPTIONS.begin(), GLOBAL_VALUE_OPTIONS.end(), name) !=
            GLOBAL_VALUE_OPTIONS.end()) {
            if (name == word) ++i;
            continue;
        }
        if (std::find(GLOBAL_FLAGS.begin(), GLOBAL_FLAGS.end(), word) != GLOBAL_FLAGS.end())
            continue;
        if (word.rfind('-', 0) == 0) {
            err << "pixlor: " << Fill(Tr("{} is not an option"), {word})
                << SuggestionFor(name, OptionNames(app)) << "\n"
                << Tr("Run with --help for more information.") << "\n";
            return false;
        }
        if (std::find(commands.begin(), commands.end(), word) == commands.end()) {
            err << "pixlor: " << Fill(Tr("\"{}\" is not a command"), {word})
                << SuggestionFor(word, commands) << "\n"
                << Fill(Tr("The commands: {}."), {Joined(commands, ", ")}) << "\n";
            return false;
        }
        at = i;
        break;
    }
    return true;
}

// CLI11's words for arguments it did not understand, and the option of the command (or a
// global one) nearest to the first of them.
void ExplainExtras(CLI::App& app, const CLI::ExtrasError& error, std::ostream& err) {
    err << "pixlor: " << error.what();
    std::vector<std::string> extras = app.remaining();
    std::vector<std::string> options = OptionNames(app);
    for (CLI::App* command : app.get_subcommands()) {
        const auto own = command->remaining();
        extras.insert(extras.begin(), own.begin(), own.end());
        const auto names = OptionNames(*command);
        options.insert(options.end(), names.begin(), names.end());
    }
    if (!extras.empty() && extras.front().rfind('-', 0) == 0)
        err << SuggestionFor(extras.front().substr(0, extras.front().find('=')), options);
    err << "\n" << Tr("Run with --help for more information.") << "\n";
}

}  // namespace

std::optional<std::string> NearestWord(const std::string& word,
                                       const std::vector<std::string>& candidates) {
    std::optional<std::string> nearest;
    std::size_t best = 0;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = EditDistance(word, candidate);
        if (!nearest || distance < best) {
            nearest = candidate;
            best = distance;
        }
    }
    // A typo is an edit or two; in a short word, one.
    const std::size_t letters = word.size() - std::min(word.find_first_not_of('-'), word.size());
    if (!nearest || best > std::max<std::size_t>(1, std::min<std::size_t>(2, letters / 3)))
        return std::nullopt;
    return nearest;
}

std::optional<int> ParseCommandLine(const std::vector<std::string>& arguments,
                                    Invocation& invocation, std::ostream& out, std::ostream& err) {
    CLI::App app{
        Tr("pixlor: the pictures of a digital camera on a serial port, from a "
           "terminal.\nIt drives the Pixlor plug-in module as its file manager host "
           "would.")};
    app.name("pixlor");
    app.footer(FooterText());
    app.require_subcommand(0, 1);
    app.fallthrough();
    app.set_help_flag("-h,--help", Tr("print this help and exit"));
    app.set_version_flag("--version", std::string("pixlor ") + PIXLOR_VERSION,
                         Tr("print the version and exit"));
    app.add_option("--registry", invocation.registryFile,
                   Tr("the settings file to use (sets PIXLOR_REGISTRY)"));
    app.add_option("--module", invocation.modulePath,
                   Tr("the plug-in module to load (default: pixlor.so beside this program)"));
    std::string oneCommandPort;
    auto* portOption = app.add_option(
        "--port", oneCommandPort,
        Tr("COM<n> or a device (/dev/ttyUSB0) for this command only; the settings stay as they "
           "are"));
    int oneCommandSpeed = 0;
    auto* speedOption =
        app.add_option("--speed", oneCommandSpeed,
                       Tr("the line speed in bits per second for this command only; the "
                          "settings stay as they are"))
            ->check(CLI::IsMember(SPEEDS));
    app.add_option("--log", invocation.logFile,
                   Tr("append every byte on the serial line, each way, with its time, "
                      "direction and speed to FILE (the simulator's log format)"))
        ->type_name("FILE");
    app.add_flag("-q,--quiet", invocation.quiet,
                 Tr("no progress, no status lines: results and errors only"));
    bool manualPage = false, completion = false;
    app.add_flag("--man", manualPage, "")->group("");
    app.add_flag("--bash-completion", completion, "")->group("");

    auto* list = AddListCommand(app, invocation.list);

    CopyOptions copyOptions;
    auto* copy = app.add_subcommand("copy", Tr("copy pictures from the camera into DEST (F5)"));
    AddCopyOptions(*copy, invocation.transfer, copyOptions);
    auto* move = app.add_subcommand(
        "move", Tr("copy pictures into DEST, then delete them on the camera (F6)"));
    AddCopyOptions(*move, invocation.transfer, copyOptions);
    move->add_flag("--verify", invocation.transfer.verify,
                   Tr("read each photo from the camera a second time and compare it with its "
                      "file before the picture is deleted; a picture whose readings differ "
                      "stays on the camera"));

    auto* remove = AddDeleteCommand(app, invocation.remove);
    ConfigRequest& config = invocation.config;
    std::string port;
    auto* configure = AddConfigCommand(app, config, port);

    app.add_subcommand("info", Tr("the port and speed in use, the pictures, their bytes and "
                                  "dates, and how long a full copy takes"));
    app.add_subcommand("detect", Tr("which serial devices (ttyS*, ttyUSB*, ttyACM*, those of "
                                    "PIXLOR_COM<n>) have a camera answering, and at which "
                                    "speed; changes nothing on the camera"));
    app.add_subcommand("camsim", Tr("run the camera simulator (pixlor-camsim); `pixlor camsim "
                                    "--help` tells its options"));
    app.add_subcommand("demo", Tr("a simulated camera with a dozen pictures: list it and copy "
                                  "everything into ./pixlor-demo/"));

    std::vector<std::string> commands;
    for (CLI::App* command : app.get_subcommands({})) commands.push_back(command->get_name());

    std::optional<std::size_t> commandAt;
    if (!FindCommandWord(arguments, app, commands, commandAt, err)) return EXIT_BAD_USAGE;
    const bool commandGiven = commandAt.has_value();
    // Everything after "camsim" is the simulator's, its --help included.
    if (commandGiven && arguments[*commandAt] == "camsim") {
        invocation.command = Command::Camsim;
        invocation.camsimArguments.assign(arguments.begin() + static_cast<long>(*commandAt) + 1,
                                          arguments.end());
        return std::nullopt;
    }

    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ExtrasError& error) {
        ExplainExtras(app, error, err);
        return EXIT_BAD_USAGE;
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out, err) == 0 ? 0 : EXIT_BAD_USAGE;
    }
    if (portOption->count() > 0) invocation.port = oneCommandPort;
    if (speedOption->count() > 0) invocation.speed = oneCommandSpeed;
    if (manualPage) {
        PrintManualPage(app, out);
        return 0;
    }
    if (completion) {
        PrintBashCompletion(app, out);
        return 0;
    }
    if (!commandGiven) {
        err << "pixlor: " << Tr("a command is needed: ") << Joined(commands, ", ") << "\n"
            << Tr("Run with --help for more information.") << "\n";
        return EXIT_BAD_USAGE;
    }

    if (*list) invocation.command = Command::List;
    if (*copy || *move) {
        invocation.command = *copy ? Command::Copy : Command::Move;
        TakeCopyOptions(copyOptions, *copy ? *copy : *move, move->parsed(), invocation.transfer);
    }
    if (*remove) {
        invocation.command = Command::Delete;
        if (invocation.remove.items.empty() == !invocation.remove.all) {
            err << "pixlor delete: "
                << Tr("name the pictures or folders to delete, or give --all (not both)") << "\n";
            return EXIT_BAD_USAGE;
        }
    }
    if (*configure) {
        invocation.command = Command::Config;
        if (invocation.speed || invocation.port) {
            err << "pixlor config: "
                << Tr("--port and --speed before the command are for one command; `pixlor config "
                      "--port COM3 --speed 57600` stores them")
                << "\n";
            return EXIT_BAD_USAGE;
        }
        if (configure->get_option("--port")->count() > 0) {
            config.port = ComPortNumber(port);
            if (*config.port < 1 || *config.port > 8) {
                err << "pixlor config: "
                    << Fill(Tr("--port {}: the port to store is COM1 to COM8"), {port}) << "\n";
                return EXIT_BAD_USAGE;
            }
        }
    }
    if (app.got_subcommand("info")) invocation.command = Command::Info;
    if (app.got_subcommand("detect")) invocation.command = Command::Detect;
    if (app.got_subcommand("demo")) invocation.command = Command::Demo;
    return std::nullopt;
}

}  // namespace pixlor::host::cli
