// The console program's own texts: the Russian catalogue holds every text the program's sources
// hand to Tr() and CountOf(), and the catalogue's format and plural forms.
#include "host/cli/Texts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pixlor::host::cli {
namespace {

namespace fs = std::filesystem;

// The string literal at `at` (plain or raw, adjacent ones joined), with \n, \" and \\ read.
std::string LiteralsAt(const std::string& source, std::size_t& at) {
    std::string text;
    for (;;) {
        while (at < source.size() && std::isspace(static_cast<unsigned char>(source[at]))) ++at;
        if (source.compare(at, 3, "R\"(") == 0) {
            const std::size_t end = source.find(")\"", at);
            text += source.substr(at + 3, end - at - 3);
            at = end + 2;
        } else if (at < source.size() && source[at] == '"') {
            for (++at; source[at] != '"'; ++at) {
                if (source[at] == '\\') {
                    ++at;
                    text += source[at] == 'n' ? '\n' : source[at];
                } else {
                    text += source[at];
                }
            }
            ++at;
        } else {
            return text;
        }
    }
}

TEST(TheRussianCatalogue, TranslatesEveryTextOfTheProgram) {
    std::string why;
    ASSERT_TRUE(LoadTexts(fs::current_path().string(), "Russian", why)) << why;
    int texts = 0;
    for (const auto& entry : fs::directory_iterator(PIXLOR_CLI_SOURCES)) {
        // Texts.cpp is the catalogue itself.
        if (entry.path().extension() != ".cpp" || entry.path().filename() == "Texts.cpp") continue;
        std::ifstream in(entry.path());
        const std::string source{std::istreambuf_iterator<char>(in), {}};
        for (std::size_t at = source.find("Tr("); at != std::string::npos;
             at = source.find("Tr(", at)) {
            at += 3;
            const std::string english = LiteralsAt(source, at);
            if (english.empty()) continue;  // Tr(a variable): its texts are literals elsewhere
            ++texts;
            EXPECT_NE(std::string(Tr(english.c_str())), english)
                << entry.path().filename() << ": " << english;
        }
        for (std::size_t at = source.find("CountOf("); at != std::string::npos;
             at = source.find("CountOf(", at)) {
            at = source.find_first_of("\",)", at + 8);
            if (source[at] == ')') continue;
            at = source.find('"', at);
            const std::string one = LiteralsAt(source, at);
            at = source.find('"', at);
            const std::string many = LiteralsAt(source, at);
            if (one.empty()) continue;  // the declaration
            EXPECT_NE(CountOf(5, one.c_str(), many.c_str()), "5 " + many) << one;
        }
    }
    EXPECT_GT(texts, 100);
    LoadTexts("", "English", why);
}

TEST(TheCatalogue, ReadsLineBreaksAndThreeRussianPluralForms) {
    std::string why;
    ASSERT_TRUE(
        ParseTexts("# comment\n\nen: a\\nb\ntr: c\\nd\nen: picture|pictures\n"
                   "tr: \xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBE\xD0\xBA|"
                   "\xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBA\xD0\xB0|"
                   "\xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBA\xD0\xBE\xD0\xB2\n",
                   why))
        << why;
    EXPECT_STREQ(Tr("a\nb"), "c\nd");
    EXPECT_EQ(CountOf(1, "picture", "pictures"),
              "1 \xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBE\xD0\xBA");
    EXPECT_EQ(CountOf(22, "picture", "pictures"),
              "22 \xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBA\xD0\xB0");
    EXPECT_EQ(CountOf(12, "picture", "pictures"),
              "12 \xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBA\xD0\xBE\xD0\xB2");
    EXPECT_EQ(CountOf(1, "file", "files"), "1 file");
    EXPECT_EQ(Fill("{} of {}", {"2", "10"}), "2 of 10");
    EXPECT_FALSE(ParseTexts("en: a\nen: b\n", why));
    EXPECT_NE(why.find("line 2"), std::string::npos) << why;
    EXPECT_FALSE(ParseTexts("en: a\n", why));
    ASSERT_TRUE(ParseTexts("", why));
}

}  // namespace
}  // namespace pixlor::host::cli
