#include "host/LanguageFile.h"

#include <fstream>
#include <iterator>

namespace pixlor::host {

namespace {

constexpr std::string_view LANGUAGE_DIRECTIVE = ".Language=";

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

bool LanguageFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errorText = path + ": cannot be read";
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        errorText = path + ": cannot be read";
        return false;
    }
    if (parse(bytes)) return true;
    errorText = path + ":" + errorText;
    return false;
}

bool LanguageFile::parse(std::string_view bytes) {
    language_.clear();
    messages_.clear();
    errorText.clear();
    int lineNumber = 0;
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos)
            return fail(lineNumber, "a zero byte in the line");

        if (lineNumber == 1) {
            if (line.substr(0, LANGUAGE_DIRECTIVE.size()) != LANGUAGE_DIRECTIVE)
                return fail(lineNumber, "the file does not start with .Language=");
            line.remove_prefix(LANGUAGE_DIRECTIVE.size());
            language_ = std::string(line.substr(0, line.find(',')));
            if (language_.empty()) return fail(lineNumber, "no language name");
            continue;
        }
        if (IsBlank(line) || line.substr(0, 2) == "//") continue;
        const size_t open = line.find_first_not_of(" \t");
        const size_t close = line.find_last_not_of(" \t");
        if (line[open] != '"' || close == open || line[close] != '"')
            return fail(lineNumber, "not a text in double quotes");
        messages_.emplace_back(line.substr(open + 1, close - open - 1));
    }
    if (lineNumber == 0) return fail(0, "the file is empty");
    return true;
}

const char* LanguageFile::message(int number) const {
    if (number < 0 || number >= count()) return nullptr;
    return messages_[static_cast<size_t>(number)].c_str();
}

bool LanguageFile::fail(int lineNumber, const std::string& why) {
    language_.clear();
    messages_.clear();
    errorText = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
}

}  // namespace pixlor::host
