#include "host/cli/CommandLine.h"

#include "host/cli/Texts.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <map>
#include <ostream>
#include <set>

#ifndef PIXLOR_VERSION
#define PIXLOR_VERSION "unknown"
#endif

namespace pixlor::host::cli {

namespace {

// The paragraphs after the options: in --help one after the other, in the manual page each a
// section of its own.
struct FooterParagraph {
    const char* heading;
    const char* text;
};

std::vector<FooterParagraph> Footer() {
    return {
        {"SELECTING PICTURES",
         Tr("Pictures: a date folder or FOLDER/NAME as `pixlor list` shows them (shell\n"
            "patterns allowed), #N by the camera's number, @YYYY-MM-DDThh:mm:ss by\n"
            "shooting time or @YYYY-MM-DD for a day (`pixlor list --all` shows all\n"
            "three). Names follow the destination's running numbers and the date folder\n"
            "pattern, and the numbers move up after a delete: a script selects by time.")},
        {"NAME PATTERNS",
         Tr("Patterns (pixlor config, copy --filename and --folder): %Y year, %M month,\n"
            "%D day, %H hour, %N minute, %S second of the shooting; a width digit 1 to 9\n"
            "before the letter keeps that many digits (%4Y 2002, %2Y 02; 2 without one);\n"
            "%% is a percent sign. A file name pattern is followed by the running number\n"
            "and .jpg; \"/\", \"\\\", \"*\", \"?\", \"<\", \">\", \"|\" and quotes cannot be in "
            "one.")},
        {"ENVIRONMENT",
         Tr("The camera is the one on the serial port of the settings (pixlor config).\n"
            "COM<n> is the device named by PIXLOR_COM<n>, else /dev/ttyS<n-1>: for a USB\n"
            "serial adapter PIXLOR_COM2=/dev/ttyUSB0, or --port /dev/ttyUSB0 for one\n"
            "command; `pixlor detect` finds the devices where a camera answers. The\n"
            "settings live in $PIXLOR_REGISTRY, else\n"
            "$XDG_CONFIG_HOME/pixlor/registry.reg, else ~/.config/pixlor/registry.reg.\n"
            "PIXLOR_SERIAL_LOG=FILE is --log FILE.")},
        {"EXIT STATUS",
         Tr("Exit status: 0 done, 1 a camera or disk operation failed (detect: no camera\n"
            "answers), 2 bad usage or refused input, 130 (143, 129) interrupted by Ctrl+C\n"
            "(SIGTERM, SIGHUP). Try it without a camera: pixlor demo")},
    };
}

std::string FooterText() {
    std::string text;
    for (const FooterParagraph& paragraph : Footer())
        text += std::string("\n") + paragraph.text + "\n";
    text.pop_back();
    return text;
}

// Global options that take a value, to find the sub-command among the arguments.
const std::vector<std::string> GLOBAL_VALUE_OPTIONS{"--registry", "--module", "--port", "--speed",
                                                     "--log"};
const std::vector<int> SPEEDS{9600, 19200, 38400, 57600, 115200};
const std::vector<std::string> GLOBAL_FLAGS{"-h", "--help", "--version", "-q", "--quiet",
                                            "--man", "--bash-completion"};

struct CopyOptions {
    std::string subfolders = "auto", folders, view, filename, folder;
    bool thumbnails = false, both = false, bothOwn = false;
};

void AddCopyOptions(CLI::App& command, TransferRequest& request, CopyOptions& copy) {
    command.add_option("DEST", request.destination,
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
        command.add_option("--folders", copy.folders,
                           Tr("name the date folders by the photo or the thumbnail folder "
                              "pattern (default: that of the kind copied)"))
            ->check(CLI::IsMember({"photo", "thumbnail"}));
    command.add_option("--view", copy.view,
                       Tr("the panel view that ITEM names come from (default: thumbnails with "
                          "--thumbnails, else photos)"))
        ->check(CLI::IsMember({"photos", "thumbnails"}));
    command.add_option("--subfolders", copy.subfolders,
                       Tr("date sub-folders below DEST: auto or always (the same: into the date "
                          "folders however the pictures are named), never (straight into DEST)"))
        ->check(CLI::IsMember({"auto", "always", "never"}))
        ->default_str("auto");
    command.add_option("--filename", copy.filename,
                       Tr("the file name pattern of this copy, before the running number "
                          "(pic%2D.%2M.%4Y_; the settings keep theirs)"))
        ->type_name("PATTERN");
    command.add_option("--folder", copy.folder,
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

std::string Joined(const std::vector<std::string>& words, const char* separator) {
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : separator) + word;
    return joined;
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

std::vector<std::string> OptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    }
    return names;
}

std::string SuggestionFor(const std::string& word, const std::vector<std::string>& candidates) {
    const auto nearest = NearestWord(word, candidates);
    return nearest ? Fill(Tr("; did you mean \"{}\"?"), {*nearest}) : std::string();
}

// The manual page in roff, from the same texts as --help.
void PrintManualPage(CLI::App& app, std::ostream& out) {
    const auto roff = [](std::string text) {
        std::string escaped;
        for (const char c : text) {
            if (c == '\\') escaped += "\\e";
            else if (c == '-') escaped += "\\-";
            else escaped += c;
        }
        // A line that starts with a dot or an apostrophe would be a request.
        for (std::size_t at = 0; at < escaped.size(); at = escaped.find('\n', at) + 1) {
            if (escaped[at] == '.' || escaped[at] == '\'') escaped.insert(at, "\\&");
            if (escaped.find('\n', at) == std::string::npos) break;
        }
        return escaped;
    };
    const auto options = [&](const CLI::App& command) {
        for (const CLI::Option* option : command.get_options()) {
            if (option->get_group().empty()) continue;
            out << ".TP\n.B " << roff(option->get_name(false, true));
            if (option->get_type_size() != 0 && option->get_items_expected_max() != 0 &&
                option->get_name().rfind('-', 0) == 0)
                out << " " << roff(option->get_type_name());
            out << "\n" << roff(option->get_description()) << "\n";
        }
    };
    // Not hyphenated and not justified: paths and options stay whole and readable.
    out << ".TH PIXLOR 1 \"\" \"pixlor " << PIXLOR_VERSION << "\" \"User Commands\"\n"
        << ".nh\n.ad l\n"
        << ".SH NAME\npixlor \\- " << roff(Tr("the pictures of a digital camera on a serial port"))
        << "\n.SH SYNOPSIS\n.B pixlor\n[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n"
        << ".SH DESCRIPTION\n" << roff(app.get_description()) << "\n.SH OPTIONS\n";
    options(app);
    out << ".SH COMMANDS\n";
    for (CLI::App* command : app.get_subcommands({})) {
        out << ".SS \"" << command->get_name() << "\"\n" << roff(command->get_description()) << "\n";
        options(*command);
    }
    // Filled text, so that the lines fit the reader's terminal.
    for (const FooterParagraph& paragraph : Footer())
        out << ".SH " << paragraph.heading << "\n" << roff(paragraph.text) << "\n";
}

// The bash completion: the commands, the options of each, and after an option that takes a
// value, its values (none for a pattern), or file names.
void PrintBashCompletion(CLI::App& app, std::ostream& out) {
    std::vector<std::string> commands;
    for (CLI::App* command : app.get_subcommands({})) commands.push_back(command->get_name());
    std::map<std::string, std::string> values{
        {"--port", "$(compgen -W \"COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8\" -- \"$current\") "
                   "$(compgen -f -- \"${current:-/dev/tty}\")"},
        {"--speed", "$(compgen -W \"9600 19200 38400 57600 115200\" -- \"$current\")"},
        {"--subfolders", "$(compgen -W \"auto always never\" -- \"$current\")"},
        {"--folders", "$(compgen -W \"photo thumbnail\" -- \"$current\")"},
        {"--view", "$(compgen -W \"photos thumbnails\" -- \"$current\")"},
    };
    for (const char* pattern : {"--filename", "--folder", "--photo-name", "--thumb-name",
                                "--photo-folder", "--thumb-folder", "--photo-digits",
                                "--thumb-digits"})
        values[pattern] = "";
    std::set<std::string> withFiles;  // the other options that take a value
    const auto valueOptions = [&](const CLI::App& command) {
        for (const CLI::Option* option : command.get_options())
            if (option->get_type_size() != 0 && option->get_items_expected_max() != 0)
                for (const std::string& name : option->get_lnames())
                    if (values.count("--" + name) == 0) withFiles.insert("--" + name);
    };
    valueOptions(app);
    for (CLI::App* command : app.get_subcommands({})) valueOptions(*command);
    out << "# bash completion for pixlor, made by `pixlor --bash-completion`\n"
        << "_pixlor() {\n"
        << "    local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]}\n"
        << "    local command= word\n"
        << "    case $previous in\n";
    for (const auto& [option, words] : values)
        out << "        " << option << ") COMPREPLY=(" << words << "); return;;\n";
    out << "        " << Joined({withFiles.begin(), withFiles.end()}, "|")
        << ") COMPREPLY=($(compgen -f -- \"$current\")); return;;\n"
        << "    esac\n"
        << "    for word in \"${COMP_WORDS[@]:1:COMP_CWORD-1}\"; do\n"
        << "        case $word in " << Joined(commands, "|") << ") command=$word; break;; esac\n"
        << "    done\n"
        << "    local words\n"
        << "    case $command in\n";
    for (CLI::App* command : app.get_subcommands({}))
        out << "        " << command->get_name() << ") words=\"" << Joined(OptionNames(*command), " ")
            << "\";;\n";
    out << "        *) words=\"" << Joined(commands, " ") << " " << Joined(OptionNames(app), " ") << "\";;\n"
        << "    esac\n"
        << "    if [[ $current == -* || -z $command ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$words\" -- \"$current\"))\n"
        << "    else\n"
        << "        COMPREPLY=($(compgen -f -- \"$current\"))\n"
        << "    fi\n"
        << "}\n"
        << "complete -o filenames -F _pixlor pixlor\n";
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
    CLI::App app{Tr("pixlor: the pictures of a digital camera on a serial port, from a "
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

    ListRequest& listing = invocation.list;
    auto* list = app.add_subcommand("list", Tr("show what the camera panel shows: the date "
                                               "folders at the root, or the pictures of FOLDER"));
    list->add_option("FOLDER", listing.folders, Tr("date folders, as `pixlor list` names them"));
    list->add_flag("--thumbnails", listing.thumbnails,
                   Tr("the thumbnail view (F7) instead of the photos"));
    auto* allFlag = list->add_flag("--all", listing.all,
                               Tr("every picture of every folder, one line each"));
    list->add_flag("--json", listing.json,
                   Tr("folders and pictures with number, name, size, shooting time and "
                      "thumbnail size, as JSON"))
        ->excludes(allFlag);

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

    auto* remove = app.add_subcommand("delete", Tr("delete pictures on the camera (F8)"));
    remove->add_option("ITEM", invocation.remove.items,
                       Tr("date folders or pictures as `pixlor list` names them, shell "
                          "patterns allowed"));
    remove->add_flag("--all", invocation.remove.all, Tr("every picture on the camera"));
    remove->add_flag("--thumbnails", invocation.remove.thumbnails,
                     Tr("ITEM names come from the thumbnail view"));
    remove->add_flag("-y,--yes", invocation.remove.yes, Tr("delete without asking"));

    ConfigRequest& config = invocation.config;
    std::string port;
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
    configure->add_option("--photo-digits", config.photoDigits,
                          Tr("digits of the running number of photos (2 to 9)"))
        ->check(CLI::Range(2, 9));
    configure->add_option("--thumb-digits", config.thumbDigits,
                          Tr("digits of the running number of thumbnails (2 to 9)"))
        ->check(CLI::Range(2, 9));
    configure->add_option("--verify", config.verifyMoves,
                          Tr("whether a move verifies each photo before the delete: yes or no "
                             "(the default of the move dialog's box)"))
        ->transform(CLI::IsMember(std::map<std::string, bool>{{"yes", true}, {"no", false}}));
    configure->add_flag("--defaults", config.defaults,
                        Tr("start from the default patterns and digit counts (keeps port and "
                           "speed)"));

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

    // The first word that is no global option is the command; a mistyped one gets a suggestion
    // instead of CLI11's "a subcommand is required".
    bool commandGiven = false;
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
            return EXIT_BAD_USAGE;
        }
        if (std::find(commands.begin(), commands.end(), word) == commands.end()) {
            err << "pixlor: " << Fill(Tr("\"{}\" is not a command"), {word})
                << SuggestionFor(word, commands) << "\n"
                << Fill(Tr("The commands: {}."), {Joined(commands, ", ")})
                << "\n";
            return EXIT_BAD_USAGE;
        }
        commandGiven = true;
        // Everything after "camsim" is the simulator's, its --help included.
        if (word == "camsim") {
            invocation.command = Command::Camsim;
            invocation.camsimArguments.assign(arguments.begin() + static_cast<long>(i) + 1,
                                              arguments.end());
            return std::nullopt;
        }
        break;
    }

    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ExtrasError& error) {
        err << "pixlor: " << error.what();
        // The option of the command (or a global one) nearest to the first not understood.
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
        err << "pixlor: " << Tr("a command is needed: ") << Joined(commands, ", ") << "\n" << Tr("Run with --help for more information.") << "\n";
        return EXIT_BAD_USAGE;
    }

    if (*list) invocation.command = Command::List;
    if (*copy || *move) {
        invocation.command = *copy ? Command::Copy : Command::Move;
        CopyChoice& choice = invocation.transfer.choice;
        choice.move = move->parsed();
        choice.photos = !copyOptions.thumbnails;
        choice.kinds = copyOptions.both      ? CopyKinds::BothOneFolder
                       : copyOptions.bothOwn ? CopyKinds::BothOwnFolders
                                             : CopyKinds::One;
        if (!copyOptions.folders.empty()) choice.photoFolders = copyOptions.folders == "photo";
        choice.thumbnailView =
            copyOptions.view.empty() ? copyOptions.thumbnails : copyOptions.view == "thumbnails";
        invocation.transfer.subfolders = copyOptions.subfolders == "always"  ? SubfolderMode::Always
                                         : copyOptions.subfolders == "never" ? SubfolderMode::Never
                                                                             : SubfolderMode::Auto;
        CLI::App& given = *copy ? *copy : *move;
        if (given.get_option("--filename")->count() > 0)
            invocation.transfer.filename = copyOptions.filename;
        if (given.get_option("--folder")->count() > 0)
            invocation.transfer.folder = copyOptions.folder;
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
