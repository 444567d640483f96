// A host language file: the language it is written in and its messages by number. Message n is
// the n-th quoted line, from 0; blank lines and lines starting with "//" are not messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pixlor::host {

class LanguageFile {
public:
    // Reads the file at `path`; false with errorText set when it cannot be read or is malformed.
    bool load(const std::string& path);
    // Reads the file's bytes; any bytes are safe, a malformed file gives false and errorText.
    bool parse(std::string_view bytes);

    // The name before the comma of the first line, ".Language=English,English".
    const std::string& language() const { return language_; }
    int count() const { return static_cast<int>(messages_.size()); }
    // The text of message `number`, or null beyond the file. Valid as long as the object.
    const char* message(int number) const;

    std::string errorText;  // why the last load or parse failed, with the line number

private:
    bool fail(int lineNumber, const std::string& why);

    std::string language_;
    std::vector<std::string> messages_;
};

}  // namespace pixlor::host
