// The console program's command line: a sub-command with its options, turned into the requests
// that the commands carry out; and the manual page and the shell completion, made from the same
// descriptions.
#pragma once

#include "host/cli/Commands.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace pixlor::host::cli {

enum class Command { List, Copy, Move, Delete, Config, Info, Detect, Camsim, Demo };

struct Invocation {
    Command command = Command::List;
    std::string registryFile;  // --registry: the settings file instead of the usual one
    std::string modulePath;    // --module: the plug-in module instead of the one beside pixlor
    std::optional<std::string> port;  // --port: COM<n> or a device for this command only
    std::optional<int> speed;         // --speed: bits per second for this command only
    std::string logFile;              // --log: every byte on the line into this file
    bool quiet = false;
    ListRequest list;
    TransferRequest transfer;
    DeleteRequest remove;
    ConfigRequest config;
    std::vector<std::string> camsimArguments;
};

// Reads the arguments (argv[0] is the program). No value: carry on with `invocation`; a value:
// exit with that status at once (0 after --help, --version, --man or --bash-completion, which
// print on `out`; EXIT_BAD_USAGE after a mistake, which is explained on `err`).
std::optional<int> ParseCommandLine(const std::vector<std::string>& arguments,
                                    Invocation& invocation, std::ostream& out, std::ostream& err);

// The nearest of `candidates` to `word` by edit distance, when it is near enough to be a typo.
std::optional<std::string> NearestWord(const std::string& word,
                                       const std::vector<std::string>& candidates);

}  // namespace pixlor::host::cli
