#include "host/cli/Texts.h"

#include <fstream>
#include <iterator>
#include <map>

namespace pixlor::host::cli {

namespace {

// English text -> translation; the plural forms of a count are entries "one|few|many".
std::map<std::string, std::string, std::less<>>& Catalogue() {
    static std::map<std::string, std::string, std::less<>> catalogue;
    return catalogue;
}

constexpr std::string_view ENGLISH_PREFIX = "en: ";
constexpr std::string_view TRANSLATION_PREFIX = "tr: ";

// A catalogue line holds one text: "\\n" stands for a line break, "\\\\" for a backslash.
std::string Unescaped(std::string_view line) {
    std::string text;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'n' || line[i + 1] == '\\')) {
            text += line[++i] == 'n' ? '\n' : '\\';
            continue;
        }
        text += line[i];
    }
    return text;
}

std::string LanguageSuffix(const std::string& language) {
    return language == "Russian" ? "ru" : "";
}

}  // namespace

bool ParseTexts(std::string_view catalogue, std::string& errorText) {
    std::map<std::string, std::string, std::less<>> parsed;
    std::string english;
    int lineNumber = 0;
    bool expectTranslation = false;
    while (!catalogue.empty()) {
        const size_t end = catalogue.find('\n');
        std::string_view line = catalogue.substr(0, end);
        catalogue.remove_prefix(end == std::string_view::npos ? catalogue.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::string_view prefix = expectTranslation ? TRANSLATION_PREFIX : ENGLISH_PREFIX;
        if (line.substr(0, prefix.size()) != prefix) {
            errorText =
                "line " + std::to_string(lineNumber) + ": \"" + std::string(prefix) + "\" expected";
            return false;
        }
        line.remove_prefix(prefix.size());
        if (expectTranslation)
            parsed[english] = Unescaped(line);
        else
            english = Unescaped(line);
        expectTranslation = !expectTranslation;
    }
    if (expectTranslation) {
        errorText = "line " + std::to_string(lineNumber) + ": the last text has no translation";
        return false;
    }
    Catalogue() = std::move(parsed);
    return true;
}

bool LoadTexts(const std::string& folder, const std::string& language, std::string& errorText) {
    Catalogue().clear();
    const std::string suffix = LanguageSuffix(language);
    if (suffix.empty()) return true;
    const std::string path = folder + "/pixlor-cli." + suffix + ".txt";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errorText = path + ": cannot be read";
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (ParseTexts(text, errorText)) return true;
    errorText = path + ": " + errorText;
    return false;
}

const char* Tr(const char* english) {
    const auto& catalogue = Catalogue();
    const auto found = catalogue.find(std::string_view(english));
    return found == catalogue.end() ? english : found->second.c_str();
}

std::string Fill(std::string_view text, std::initializer_list<std::string> values) {
    std::string filled;
    auto value = values.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{' && i + 1 < text.size() && text[i + 1] == '}' && value != values.end()) {
            filled += *value++;
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

std::string CountOf(long long count, const char* one, const char* many) {
    const std::string key = std::string(one) + "|" + many;
    const auto& catalogue = Catalogue();
    const auto found = catalogue.find(key);
    if (found == catalogue.end()) return std::to_string(count) + " " + (count == 1 ? one : many);
    // "one|few|many": 1, 21, 31 ...; 2-4, 22-24 ...; the rest.
    const std::string& forms = found->second;
    const size_t first = forms.find('|');
    const size_t second = forms.find('|', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return std::to_string(count) + " " + forms;
    const long long tens = count % 100, units = count % 10;
    const std::string form = tens / 10 != 1 && units == 1 ? forms.substr(0, first)
                             : tens / 10 != 1 && units >= 2 && units <= 4
                                 ? forms.substr(first + 1, second - first - 1)
                                 : forms.substr(second + 1);
    return std::to_string(count) + " " + form;
}

}  // namespace pixlor::host::cli
