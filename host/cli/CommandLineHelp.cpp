#include "host/cli/CommandLineHelp.h"

#include "host/cli/Texts.h"

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

}  // namespace

std::string FooterText() {
    std::string text;
    for (const FooterParagraph& paragraph : Footer())
        text += std::string("\n") + paragraph.text + "\n";
    text.pop_back();
    return text;
}

std::string Joined(const std::vector<std::string>& words, const char* separator) {
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : separator) + word;
    return joined;
}

std::vector<std::string> OptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    }
    return names;
}

void PrintManualPage(CLI::App& app, std::ostream& out) {
    const auto roff = [](std::string text) {
        std::string escaped;
        for (const char c : text) {
            if (c == '\\')
                escaped += "\\e";
            else if (c == '-')
                escaped += "\\-";
            else
                escaped += c;
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
        << ".SH DESCRIPTION\n"
        << roff(app.get_description()) << "\n.SH OPTIONS\n";
    options(app);
    out << ".SH COMMANDS\n";
    for (CLI::App* command : app.get_subcommands({})) {
        out << ".SS \"" << command->get_name() << "\"\n"
            << roff(command->get_description()) << "\n";
        options(*command);
    }
    // Filled text, so that the lines fit the reader's terminal.
    for (const FooterParagraph& paragraph : Footer())
        out << ".SH " << paragraph.heading << "\n" << roff(paragraph.text) << "\n";
}

void PrintBashCompletion(CLI::App& app, std::ostream& out) {
    std::vector<std::string> commands;
    for (CLI::App* command : app.get_subcommands({})) commands.push_back(command->get_name());
    std::map<std::string, std::string> values{
        {"--port",
         "$(compgen -W \"COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8\" -- \"$current\") "
         "$(compgen -f -- \"${current:-/dev/tty}\")"},
        {"--speed", "$(compgen -W \"9600 19200 38400 57600 115200\" -- \"$current\")"},
        {"--subfolders", "$(compgen -W \"auto always never\" -- \"$current\")"},
        {"--folders", "$(compgen -W \"photo thumbnail\" -- \"$current\")"},
        {"--view", "$(compgen -W \"photos thumbnails\" -- \"$current\")"},
    };
    for (const char* pattern :
         {"--filename", "--folder", "--photo-name", "--thumb-name", "--photo-folder",
          "--thumb-folder", "--photo-digits", "--thumb-digits"})
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
        out << "        " << command->get_name() << ") words=\""
            << Joined(OptionNames(*command), " ") << "\";;\n";
    out << "        *) words=\"" << Joined(commands, " ") << " " << Joined(OptionNames(app), " ")
        << "\";;\n"
        << "    esac\n"
        << "    if [[ $current == -* || -z $command ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$words\" -- \"$current\"))\n"
        << "    else\n"
        << "        COMPREPLY=($(compgen -f -- \"$current\"))\n"
        << "    fi\n"
        << "}\n"
        << "complete -o filenames -F _pixlor pixlor\n";
}

}  // namespace pixlor::host::cli
