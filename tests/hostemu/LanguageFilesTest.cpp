// The project's language and help files, as the host will read them: every message number the
// code uses, formats that take exactly the numbers the code passes, and help topics that exist.
#include "far/MessageNumbers.h"
#include "host/LanguageFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace pixlor::host {
namespace {

const std::filesystem::path LANG =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "lang";

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The conversion letters of a printf format, "?" for one the message code would not accept
// (anything but d, i, u, x, X, o with flags and widths of up to two digits).
std::string Conversions(const std::string& format) {
    static const std::regex conversion("%(%|[-+ #0]*[0-9]{0,2}(\\.[0-9]{0,2})?([diuxXo])|)");
    std::string letters;
    for (std::sregex_iterator it(format.begin(), format.end(), conversion), end; it != end; ++it) {
        if ((*it)[1] == "%") continue;
        letters += (*it)[3].matched ? "d" : "?";
    }
    return letters;
}

class TheLanguageFiles : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(file.load((LANG / GetParam()).string())) << file.errorText;
    }
    std::string text(int n) const { return file.message(n); }
    LanguageFile file;
};

TEST_P(TheLanguageFiles, HoldEveryMessageFromZeroToTheLast) {
    EXPECT_EQ(file.count(), MSG_LINE_WENT_AWAY + 1);
}

TEST_P(TheLanguageFiles, FormatsTakeExactlyTheIntegersTheCodePasses) {
    EXPECT_EQ(Conversions(text(MSG_PATTERN_POSITION)), "d");
    EXPECT_EQ(Conversions(text(MSG_CAMERA_NUMBERS)), "ddd");
    EXPECT_EQ(Conversions(text(MSG_COPY_FILE_LINE)), "dddd");
    EXPECT_EQ(Conversions(text(MSG_COPY_BATCH_LINE)), "dddd");
    EXPECT_EQ(Conversions(text(MSG_DELETE_PROGRESS)), "dd");
    EXPECT_EQ(Conversions(text(MSG_COPY_RATE_LINE)), "ddd");
    EXPECT_EQ(Conversions(text(MSG_COPY_RATE_UNKNOWN)), "");
    EXPECT_EQ(Conversions(text(MSG_COPY_STOPPED)), "dd");
    EXPECT_EQ(Conversions(text(MSG_MOVE_STOPPED)), "ddd");
    EXPECT_EQ(Conversions(text(MSG_DELETE_STOPPED)), "dd");
    EXPECT_EQ(Conversions(text(MSG_CATALOGUE_STOPPED)), "dd");
    EXPECT_EQ(Conversions(text(MSG_SETTINGS_NOT_SAVED)), "d");
    EXPECT_LT(text(MSG_CAMERA_NUMBERS).size() + 3 * 10, 100u);  // room for the numbers
}

TEST_P(TheLanguageFiles, KeyBarLabelsAreShortAndPresent) {
    for (int n : {MSG_KEY_F3_VIEW, MSG_KEY_F4_EDIT, MSG_KEY_F8_DELETE}) {
        EXPECT_FALSE(text(n).empty()) << n;
        EXPECT_LE(text(n).size(), 6u) << n << ": " << text(n);
    }
    for (int n = MSG_KEY_F5_PHOTO; n <= MSG_KEY_F7_THUMB; ++n) {
        EXPECT_FALSE(text(n).empty()) << n;
        EXPECT_LE(text(n).size(), 6u) << n << ": " << text(n);
    }
}

TEST_P(TheLanguageFiles, PromptPartsJoinWithSingleBlanks) {
    for (int n : {75, 76, 78, 79, 80, 81, 82, 83, 84, 85}) {
        const std::string part = text(n);
        ASSERT_FALSE(part.empty()) << n;
        EXPECT_NE(part.front(), ' ') << n;
        EXPECT_NE(part.back(), ' ') << n;
    }
    // The longest prompt fits the copy dialog's line, from column 5 to 70.
    const std::string longest = text(76) + " " + text(80) + " " + text(79) + " " + text(78) + " " +
                                text(81) + " " + text(83) + " " + text(84) + " " + text(85);
    EXPECT_LE(longest.size(), 66u) << longest;
    // The move dialog's verify box stands beside the last radio button, from column 40 to 71.
    EXPECT_LE(text(MSG_VERIFY_MOVES).size() + 4, 32u) << text(MSG_VERIFY_MOVES);
}

INSTANTIATE_TEST_SUITE_P(EnglishAndRussian, TheLanguageFiles,
                         ::testing::Values("PixlorEng.lng", "PixlorRus.lng"));

TEST(TheRussianLanguageFile, NamesItsLanguageInCodePage866) {
    const std::string bytes = ReadBytes(LANG / "PixlorRus.lng");
    EXPECT_EQ(bytes.substr(0, 37), ".Language=Russian,Russian (\x90\xe3\xe1\xe1\xaa\xa8\xa9)\r\n");
}

// A help file read as the host reads it: topics by name, each with its text.
class TheHelpFiles : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const std::string bytes = ReadBytes(LANG / GetParam());
        std::string topic;
        size_t start = 0;
        for (size_t end; start < bytes.size(); start = end + 1) {
            end = bytes.find('\n', start);
            if (end == std::string::npos) end = bytes.size();
            std::string line = bytes.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            if (line.size() > 1 && line[0] == '@') {
                topic = line.substr(1);
                topics[topic];
            } else if (!topic.empty()) {
                topics[topic] += line + "\n";
            }
        }
    }
    std::vector<std::string> lines;
    std::map<std::string, std::string> topics;
};

TEST_P(TheHelpFiles, StartWithTheLanguageAndTheContentsTitle) {
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 10), ".Language=");
    EXPECT_EQ(lines[1].substr(0, 16), ".PluginContents=");
}

TEST_P(TheHelpFiles, HoldEveryTopicThePlugInNamesEachWithATitle) {
    for (const char* name :
         {"Contents", "NoSerialPort", "MultiSession", "Delete?", "DeleteClosePlugin", "WhereToCopy",
          "MoveThumbnails", "Configure", "Errors", "StopBatch", "VerifyMoves"}) {
        ASSERT_EQ(topics.count(name), 1u) << name;
        EXPECT_EQ(topics[name].substr(0, 3), "$ #") << name;
    }
}

TEST_P(TheHelpFiles, LinkOnlyToTopicsThatExist) {
    static const std::regex link("~[^~]+~@([^@]+)@");
    int links = 0;
    for (const auto& [name, body] : topics)
        for (std::sregex_iterator it(body.begin(), body.end(), link), end; it != end; ++it, ++links)
            EXPECT_EQ(topics.count((*it)[1]), 1u) << name << " links to " << (*it)[1];
    EXPECT_GT(links, 8);
}

TEST_P(TheHelpFiles, DecodeEveryNumberOfTheCameraFailureBox) {
    const std::string& errors = topics["Errors"];
    auto linesStartingWith = [&](const std::string& number) {
        const std::regex start("(^|\n) {1,3}" + number + "  ");
        return std::distance(std::sregex_iterator(errors.begin(), errors.end(), start),
                             std::sregex_iterator());
    };
    for (int operation = 0; operation <= 18; ++operation)
        EXPECT_GE(linesStartingWith(std::to_string(operation)), 1) << "operation " << operation;
    for (int link = 0; link <= 11; ++link)  // listed for the operation and for the link
        EXPECT_EQ(linesStartingWith(std::to_string(link)), 2) << "link error " << link;
    for (unsigned bit = 1; bit <= 0x800; bit <<= 1) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%04X", bit);
        EXPECT_EQ(linesStartingWith(hex), 1) << hex;
    }
}

INSTANTIATE_TEST_SUITE_P(EnglishAndRussian, TheHelpFiles,
                         ::testing::Values("PixlorEng.hlf", "PixlorRus.hlf"));

}  // namespace
}  // namespace pixlor::host
