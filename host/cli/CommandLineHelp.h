// The command line's help in its other forms, made from the same descriptions as --help: the
// paragraphs after the options, the manual page and the bash completion; and the names they
// and the command line's suggestions share.
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>
#include <vector>

namespace pixlor::host::cli {

// The paragraphs after the options in --help: selecting pictures, name patterns, the
// environment, the exit status.
std::string FooterText();

// The manual page in roff, from the same texts as --help.
void PrintManualPage(CLI::App& app, std::ostream& out);

// The bash completion: the commands, the options of each, and after an option that takes a
// value, its values (none for a pattern), or file names.
void PrintBashCompletion(CLI::App& app, std::ostream& out);

std::string Joined(const std::vector<std::string>& words, const char* separator);

// Every name of every option of `app`: "--quiet", "-q".
std::vector<std::string> OptionNames(const CLI::App& app);

}  // namespace pixlor::host::cli
