// The language file reader: message numbers from 0, what is not a message, and any bytes at all.
#include "host/LanguageFile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace pixlor::host {
namespace {

TEST(LanguageFileReader, NumbersTheQuotedLinesFromZeroSkippingBlankAndCommentLines) {
    LanguageFile file;
    ASSERT_TRUE(
        file.parse(".Language=English,English\r\n"
                   "\r\n"
                   "// a comment \"that is quoted\"\r\n"
                   "\"zero\"\r\n"
                   "   \t\r\n"
                   "\"one\"\n"
                   "//\"not two\"\n"
                   "\"two\""))
        << file.errorText;
    EXPECT_EQ(file.language(), "English");
    ASSERT_EQ(file.count(), 3);
    EXPECT_STREQ(file.message(0), "zero");
    EXPECT_STREQ(file.message(1), "one");
    EXPECT_STREQ(file.message(2), "two");
    EXPECT_EQ(file.message(3), nullptr);
    EXPECT_EQ(file.message(-1), nullptr);
}

TEST(LanguageFileReader, KeepsInnerQuotesBlanksAndEmptyTexts) {
    LanguageFile file;
    ASSERT_TRUE(
        file.parse(".Language=Russian,Russian (\x90\xe3\xe1\xe1\xaa\xa8\xa9)\n"
                   "  \"say \"hi\" \\ %d \"  \n"
                   "\"\"\n"))
        << file.errorText;
    EXPECT_EQ(file.language(), "Russian");
    EXPECT_STREQ(file.message(0), "say \"hi\" \\ %d ");
    EXPECT_STREQ(file.message(1), "");
}

TEST(LanguageFileReader, RefusesMalformedFilesNamingTheLine) {
    const struct {
        const char* bytes;
        const char* error;
        // clang-format off
    } cases[] = {
        {"", "line 0: the file is empty"},
        {"\"text\"\n", "line 1: the file does not start with .Language="},
        {".Language=,English\n", "line 1: no language name"},
        {".Language=English,English\n\"open\n", "line 2: not a text in double quotes"},
        {".Language=English,English\n\n\"\n", "line 3: not a text in double quotes"},
        {".Language=English,English\nbare words\n", "line 2: not a text in double quotes"},
    };
    // clang-format on
    for (const auto& c : cases) {
        LanguageFile file;
        EXPECT_FALSE(file.parse(c.bytes)) << c.bytes;
        EXPECT_EQ(file.errorText, c.error) << c.bytes;
        EXPECT_EQ(file.count(), 0);
    }
    LanguageFile withZero;
    EXPECT_FALSE(withZero.parse(std::string(".Language=English,English\n\"a\0b\"\n", 32)));
    EXPECT_EQ(withZero.errorText, "line 2: a zero byte in the line");
}

TEST(LanguageFileReader, AFailedReadLeavesNoMessagesOfAnEarlierFile) {
    LanguageFile file;
    ASSERT_TRUE(file.parse(".Language=English,English\n\"kept?\"\n"));
    EXPECT_FALSE(file.parse(".Language=English,English\nbroken\n"));
    EXPECT_EQ(file.count(), 0);
    EXPECT_EQ(file.language(), "");
}

TEST(LanguageFileReader, AMissingFileIsNamedInTheError) {
    LanguageFile file;
    EXPECT_FALSE(file.load("/nonexistent/Pixlor.lng"));
    EXPECT_EQ(file.errorText, "/nonexistent/Pixlor.lng: cannot be read");
}

TEST(LanguageFileReader, AnyBytesGiveEitherMessagesOrAnError) {
    std::mt19937 random(20020517);
    const std::string alphabet = "\"\r\n/ .Language=English,\t%\\\x80\xff";
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = round % 2 == 0 ? ".Language=English,English\n" : "";
        const size_t length = random() % 64;
        for (size_t i = 0; i < length; ++i)
            bytes += round % 3 == 0 ? static_cast<char>(random() % 256)
                                    : alphabet[random() % alphabet.size()];
        LanguageFile file;
        if (file.parse(bytes)) {
            EXPECT_TRUE(file.errorText.empty());
            EXPECT_FALSE(file.language().empty());
            for (int n = 0; n < file.count(); ++n) EXPECT_NE(file.message(n), nullptr);
        } else {
            EXPECT_FALSE(file.errorText.empty());
            EXPECT_EQ(file.count(), 0);
        }
    }
}

}  // namespace
}  // namespace pixlor::host
