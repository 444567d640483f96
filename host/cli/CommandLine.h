// The console program's command line: a sub-command with its options, turned into the requests
// that the commands carry out.
#pragma once

#include "host/cli/Commands.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace pixlor::host::cli {

enum class Command { List, Copy, Move, Delete, Config, Camsim, Demo };

struct Invocation {
    Command command = Command::List;
    std::string registryFile;  // --registry: the settings file instead of the usual one
    std::string modulePath;    // --module: the plug-in module instead of the one beside pixlor
    ListRequest list;
    TransferRequest transfer;
    DeleteRequest remove;
    ConfigRequest config;
    std::vector<std::string> camsimArguments;
};

// Reads the arguments (argv[0] is the program). No value: carry on with `invocation`; a value:
// exit with that status at once (0 after --help, EXIT_BAD_USAGE after a mistake, which is
// explained on `err`).
std::optional<int> ParseCommandLine(const std::vector<std::string>& arguments,
                                    Invocation& invocation, std::ostream& out, std::ostream& err);

}  // namespace pixlor::host::cli
