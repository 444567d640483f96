#include "naming/NamePattern.h"

#include "device/CameraDevice.h"
#include "device/PictureList.h"
#include "tests/support/HostFixture.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace pixlor::test {
namespace {

// What an expansion gave: the name or the length, or the error and its position.
struct Expansion {
    bool ok = false;
    std::string name;
    std::uint32_t position = 0;
    std::int32_t error = 0;
};

// A catalogue of twelve pictures whose last, at position 11, was shot on 2002-07-05 at 14:03:09;
// the system clock says 2024-12-31 (UTC).
class PictureOfJuly2002 : public ::testing::Test {
protected:
    PictureOfJuly2002() {
        PictureEntry& entry = *catalogue.entryAt(11);
        entry = PictureEntry{1, 1000, 100, 5, 7, 2002, 14, 3, 9};
        SYSTEMTIME now{};
        now.wYear = 2024;
        now.wMonth = 12;
        now.wDay = 31;
        now.wHour = 23;
        fake.system.setSystemTime(now);
        lastPatternError = 0;
    }

    Expansion expand(const std::string& pattern, std::uint32_t position = 11) {
        Expansion result;
        char output[NAME_BUFFER_SIZE];
        std::memset(output, 'X', sizeof output);
        result.position = position;
        result.ok = ExpandNamePattern(false, result.position, pattern.c_str(), output, &catalogue);
        result.name = std::string(output, strnlen(output, sizeof output));
        result.error = lastPatternError;
        return result;
    }
    // The check-only expansion without an output: the length on success.
    Expansion measure(const std::string& pattern) {
        Expansion result;
        result.ok = ExpandNamePattern(true, result.position, pattern.c_str(), nullptr, nullptr);
        result.error = lastPatternError;
        return result;
    }

    FakeSystemInForce fake;
    PictureList catalogue{12};
};

TEST_F(PictureOfJuly2002, ShootingDateFieldsGiveTheDocumentedNames) {
    EXPECT_EQ(expand("pic%2D.%2M.%4Y_").name, "pic05.07.2002_");
    EXPECT_EQ(expand("%2Y-%2M-%2D").name, "02-07-05");
    EXPECT_EQ(expand("%4Y%2M%2D_%2H%2N%2S").name, "20020705_140309");
    EXPECT_EQ(expand("%3#").name, "011");
    EXPECT_EQ(expand("100%%").name, "100%");
    EXPECT_EQ(expand("%D").position, 11u) << "success leaves the position argument alone";
}

TEST_F(PictureOfJuly2002, WidthsKeepTheLastDigitsZeroFilled) {
    EXPECT_EQ(expand("%4Y").name, "2002");
    EXPECT_EQ(expand("%2Y").name, "02");
    EXPECT_EQ(expand("%1M").name, "7");
    EXPECT_EQ(expand("%3D").name, "005");
    EXPECT_EQ(expand("%9#").name, "000000011");
    EXPECT_EQ(expand("%Y").name, "02") << "without a width digit the width is 2";
    EXPECT_EQ(expand("%9Y").name, "000002002");
    catalogue.entryAt(3)->month = 12;
    catalogue.entryAt(3)->day = 7;
    EXPECT_EQ(expand("%1M", 3).name, "2");
    EXPECT_EQ(expand("%3D", 3).name, "007");
}

TEST_F(PictureOfJuly2002, PercentEscapesGiveOnePercentWhateverTheWidth) {
    EXPECT_EQ(expand("%%").name, "%");
    EXPECT_EQ(expand("%5%").name, "%");
    EXPECT_EQ(expand("a%%%D").name, "a%05");
}

TEST_F(PictureOfJuly2002, OrdinaryCharactersIncludeColonsBlanksAndHighBytes) {
    EXPECT_EQ(expand("a:b").name, "a:b");
    EXPECT_EQ(expand(" ").name, " ");
    EXPECT_EQ(expand("\xC0\xFF._09").name, "\xC0\xFF._09");
}

TEST_F(PictureOfJuly2002, TodaysFieldsTakeTheUtcDateOnce) {
    EXPECT_EQ(expand("%2d.%2m.%4y %y %1d").name, "31.12.2024 24 1");
    EXPECT_EQ(fake.system.calls(SysCall::GetSystemTime), 1);
}

TEST_F(PictureOfJuly2002, MalformedPatternsStopWithTheirCodeAndPosition) {
    struct Case {
        const char* pattern;
        std::int32_t error;
        std::uint32_t position;
    };
    // clang-format off
    const Case cases[] = {
        {"%x", PATTERN_ERR_FIELD, 1},     {"ab%", PATTERN_ERR_FIELD, 3},
        {"%12D", PATTERN_ERR_WIDTH, 2},   {"a%0D", PATTERN_ERR_FIELD, 2},
        {"a/b", PATTERN_ERR_CHARACTER, 1}, {"%:", PATTERN_ERR_FIELD, 1},
        {"%5", PATTERN_ERR_FIELD, 2},     {"%/", PATTERN_ERR_FIELD, 1},
        {"%d%T", PATTERN_ERR_FIELD, 3},   {"x%3%%7", PATTERN_ERR_FIELD, 6},
    };
    // clang-format on
    for (const Case& c : cases) {
        const Expansion result = expand(c.pattern);
        EXPECT_FALSE(result.ok) << c.pattern;
        EXPECT_EQ(result.error, c.error) << c.pattern;
        EXPECT_EQ(result.position, c.position) << c.pattern;
    }
}

TEST_F(PictureOfJuly2002, EveryCharacterFileNamesCannotHoldIsRefused) {
    for (const char refused : std::string("\"*/<>?\\|")) {
        const Expansion result = expand(std::string("ok") + refused);
        EXPECT_FALSE(result.ok) << refused;
        EXPECT_EQ(result.error, PATTERN_ERR_CHARACTER) << refused;
        EXPECT_EQ(result.position, 2u) << refused;
    }
}

TEST_F(PictureOfJuly2002, AFailedExpansionKeepsWhatWasProducedTerminated) {
    const Expansion result = expand("%2D-a%q");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.name, "05-a");
}

TEST_F(PictureOfJuly2002, TwoHundredFiftySixCharactersFitAndTheNextFails) {
    const Expansion fits = expand(std::string(256, 'a'));
    EXPECT_TRUE(fits.ok);
    EXPECT_EQ(fits.name, std::string(256, 'a'));

    const Expansion tooLong = expand(std::string(257, 'a'));
    EXPECT_FALSE(tooLong.ok);
    EXPECT_EQ(tooLong.error, PATTERN_ERR_TOO_LONG);
    EXPECT_EQ(tooLong.position, 256u);
}

TEST_F(PictureOfJuly2002, WideFieldsBeyondTheLimitFailAtTheFieldLetter) {
    std::string pattern;
    for (int i = 0; i < 29; ++i) pattern += "%9Y";
    const Expansion result = expand(pattern);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, PATTERN_ERR_TOO_LONG);
    EXPECT_EQ(result.position, 86u);

    const Expansion percent = expand(std::string(256, 'a') + "%3%");
    EXPECT_EQ(percent.error, PATTERN_ERR_TOO_LONG);
    EXPECT_EQ(percent.position, 258u);
}

TEST_F(PictureOfJuly2002, AnOverlongExpansionNeverWritesPastTheNameBuffer) {
    std::array<char, NAME_BUFFER_SIZE + 8> guarded{};
    guarded.fill('G');
    std::uint32_t position = 11;
    const std::string pattern = std::string(300, 'a');
    EXPECT_FALSE(ExpandNamePattern(false, position, pattern.c_str(), guarded.data(), &catalogue));
    EXPECT_EQ(std::string(guarded.data() + NAME_BUFFER_SIZE, 8), std::string(8, 'G'));
    EXPECT_EQ(std::strlen(guarded.data()), NAME_MAX_LENGTH);
}

TEST_F(PictureOfJuly2002, CheckOnlyMeasuresWithEveryFieldOneAndNoCatalogue) {
    EXPECT_EQ(measure("%4Y").position, 4u);
    EXPECT_EQ(measure("%2D.%2M").position, 5u);
    EXPECT_EQ(measure("").position, 0u);
    EXPECT_EQ(measure("a%%b%9#").position, 12u);

    char output[NAME_BUFFER_SIZE];
    std::uint32_t position = 5;
    ASSERT_TRUE(ExpandNamePattern(true, position, "%4Y-%#-%1d", output, nullptr));
    EXPECT_STREQ(output, "0001-01-1");
    EXPECT_EQ(position, 5u);
}

TEST_F(PictureOfJuly2002, CheckOnlyReportsErrorsLikeAnExpansion) {
    const Expansion result = measure("ab%");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, PATTERN_ERR_FIELD);
    EXPECT_EQ(result.position, 3u);
}

TEST_F(PictureOfJuly2002, APositionPastTheCatalogueFailsWithoutTouchingTheLastError) {
    lastPatternError = PATTERN_ERR_WIDTH;
    const Expansion result = expand("%2D", 12);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.name, "");
    EXPECT_EQ(result.position, 12u);
    EXPECT_EQ(result.error, PATTERN_ERR_WIDTH);

    char output[NAME_BUFFER_SIZE];
    std::uint32_t position = 0;
    EXPECT_FALSE(ExpandNamePattern(false, position, "%D", output, nullptr));
}

// Names of panel items, with the host's standard functions in force for the comparisons.
class PanelNames : public ::testing::Test {
protected:
    std::uint32_t next(std::uint32_t digits, const char* prefix,
                       const std::vector<std::string>& names) {
        std::vector<PluginPanelItem> items(names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            items[i] = PluginPanelItem{};
            std::strncpy(items[i].FindData.cFileName, names[i].c_str(),
                         sizeof items[i].FindData.cFileName - 1);
        }
        return NextPictureNumber(digits, prefix, items.data(), static_cast<int>(items.size()));
    }

    HostServicesInForce host;
};

TEST_F(PanelNames, TheHighestMatchingNumberIsContinued) {
    EXPECT_EQ(next(3, "pic05.07.2002_",
                   {"pic05.07.2002_004.JPG", "PIC05.07.2002_011.jpg", "pic05.07.2002_7.jpg"}),
              12u);
}

TEST_F(PanelNames, NoMatchingNameStartsAtOne) {
    EXPECT_EQ(next(3, "pic_", {}), 1u);
    EXPECT_EQ(next(3, "pic_",
                   {"other_005.jpg", "pic_005.jpeg", "pic_005", "pic_005.jpg.bak", "pic_005.txt",
                    "..", "pic_.jpg"}),
              1u);
}

TEST_F(PanelNames, NumbersThatOutgrewTheirDigitsAreFoundAgainWhereverTheyAreListed) {
    EXPECT_EQ(next(3, "pic_", {"pic_999.jpg"}), 1000u);
    EXPECT_EQ(next(3, "pic_", {"pic_999.jpg", "pic_1000.jpg"}), 1001u);
    EXPECT_EQ(next(2, "pic_", {"pic_100.jpg", "pic_99.jpg", "pic_101.jpg"}), 102u)
        << "_100 sorts before _99 by name, and after it by number";
    EXPECT_EQ(next(4, "pic_", {"pic_999.jpg", "pic_1000.jpg"}), 1001u);
    EXPECT_EQ(next(3, "pic_", {"pic_05.jpg", "pic_0005.jpg", "pic_1x00.jpg"}), 1u)
        << "fewer digits, a leading zero or a letter in a longer number: no running number";
    EXPECT_EQ(next(9, "p", {"p4294967294.jpg"}), 4294967295u);
    EXPECT_EQ(next(9, "p", {"p4294967295.jpg", "p99999999999.jpg"}), 1u)
        << "no number follows the last 32-bit one";
}

TEST_F(PanelNames, ThePrefixAndExtensionIgnoreCaseAndTheLastDotDecides) {
    EXPECT_EQ(next(2, "Pic.A_", {"pIC.a_41.JpG"}), 42u);
    EXPECT_EQ(next(2, "pic_", {"pic_4.1.jpg"}), 1u);
}

TEST_F(PanelNames, SignsAndBlanksAreNotNumbers) {
    EXPECT_EQ(next(3, "pic_", {"pic_-01.jpg", "pic_ 12.jpg", "pic_+99.jpg", "pic_abc.jpg"}), 1u);
    EXPECT_EQ(next(3, "pic_", {"pic_-01.jpg", "pic_002.jpg"}), 3u);
}

TEST_F(PanelNames, DigitCountsOutsideOneToNineAreClamped) {
    EXPECT_EQ(next(0, "p", {"p7.jpg", "p08.jpg"}), 8u);
    EXPECT_EQ(next(12, "p", {"p999999998.jpg"}), 999999999u);
}

// A folder on disk, listed through the test system.
class FolderOnDisk : public ::testing::Test {
protected:
    void create(const std::string& name) {
        std::ofstream(nativePath(dir.windowsPath(name))) << "x";
    }
    bool scan(std::uint32_t& next, std::uint32_t digits = 3) {
        return NextPictureNumber(digits, "pic_", folder.c_str(), failure, next);
    }

    HostServicesInForce host;
    FakeSystemInForce fake;
    TempDir dir;
    std::string folder = dir.path() + "\\";
    std::int32_t failure = OP_OK;
};

TEST_F(FolderOnDisk, TheFilesOfTheFolderAreContinued) {
    for (const char* name : {"pic_003.jpg", "PIC_010.JPG", "pic_0100.jpg", "pic_011.txt", "x.jpg"})
        create(name);
    std::uint32_t next = 0;
    ASSERT_TRUE(scan(next));
    EXPECT_EQ(next, 11u);
    EXPECT_EQ(failure, OP_OK);
    EXPECT_EQ(fake.system.log(SysCall::FindFirstFileA),
              std::vector<std::string>{"FindFirstFileA(" + folder + "*.*)"});
    EXPECT_EQ(fake.system.calls(SysCall::FindClose), 1);
}

TEST_F(FolderOnDisk, AFolderWithoutPicturesStartsAtOne) {
    create("notes.txt");
    std::uint32_t next = 0;
    ASSERT_TRUE(scan(next));
    EXPECT_EQ(next, 1u);
}

TEST_F(FolderOnDisk, EveryRealFileCountsInWhateverOrderTheSystemListsThem) {
    create("pic_041.jpg");
    for (bool reverse : {false, true}) {
        fake.system.setReverseListing(reverse);
        std::uint32_t next = 0;
        ASSERT_TRUE(scan(next));
        EXPECT_EQ(next, 42u) << (reverse ? "reversed" : "in the system's order");
    }
    create("pic_007.jpg");
    create("pic_099.jpg");
    for (bool reverse : {false, true}) {
        fake.system.setReverseListing(reverse);
        std::uint32_t next = 0;
        ASSERT_TRUE(scan(next));
        EXPECT_EQ(next, 100u) << (reverse ? "reversed" : "in the system's order");
    }
}

TEST_F(FolderOnDisk, AMissingFolderLeavesCodeSixteen) {
    folder = dir.path() + "\\missing\\";
    std::uint32_t next = 77;
    EXPECT_FALSE(scan(next));
    EXPECT_EQ(failure, OP_FOLDER_MISSING);
    EXPECT_EQ(next, 77u);
    EXPECT_EQ(fake.system.calls(SysCall::FindClose), 0);
}

TEST_F(FolderOnDisk, AListingThatBreaksOffLeavesCodeSeventeenAndIsClosed) {
    create("pic_001.jpg");
    create("pic_002.jpg");
    fake.system.failCall(SysCall::FindNextFileA, 1, 1, ERROR_GEN_FAILURE);
    std::uint32_t next = 0;
    EXPECT_FALSE(scan(next));
    EXPECT_EQ(failure, OP_FOLDER_LIST);
    EXPECT_EQ(fake.system.calls(SysCall::FindClose), 1);
}

TEST_F(FolderOnDisk, AnEmptyDriveRootIsAFolderWithoutPictures) {
    fake.system.failCall(SysCall::FindFirstFileA, 1, 1, ERROR_FILE_NOT_FOUND);
    std::uint32_t next = 0;
    ASSERT_TRUE(scan(next));
    EXPECT_EQ(next, 1u);
    EXPECT_EQ(failure, OP_OK);
}

TEST(PictureFileNameTest, PrefixNumberAndExtensionMakeTheName) {
    char output[NAME_BUFFER_SIZE];
    ASSERT_TRUE(PictureFileName(output, sizeof output, "pic05.07.2002_", 12, 3));
    EXPECT_STREQ(output, "pic05.07.2002_012.jpg");
    ASSERT_TRUE(PictureFileName(output, sizeof output, "p", 1000, 3));
    EXPECT_STREQ(output, "p1000.jpg") << "a wider number is written in full";
}

TEST(PictureFileNameTest, DigitCountsOutsideOneToNineAreClamped) {
    char output[NAME_BUFFER_SIZE];
    ASSERT_TRUE(PictureFileName(output, sizeof output, "p", 5, 0));
    EXPECT_STREQ(output, "p5.jpg");
    ASSERT_TRUE(PictureFileName(output, sizeof output, "p", 5, 4000000000u));
    EXPECT_STREQ(output, "p000000005.jpg");
}

TEST(PictureFileNameTest, ANameThatDoesNotFitIsRefusedAndLeftEmpty) {
    char output[NAME_BUFFER_SIZE + 4];
    std::memset(output, 'G', sizeof output);
    const std::string prefix(NAME_MAX_LENGTH - 7, 'a');  // with "001.jpg" exactly 256 characters
    ASSERT_TRUE(PictureFileName(output, NAME_BUFFER_SIZE, prefix.c_str(), 1, 3));
    EXPECT_EQ(std::strlen(output), NAME_MAX_LENGTH);

    std::memset(output, 'G', sizeof output);
    EXPECT_FALSE(PictureFileName(output, NAME_BUFFER_SIZE, prefix.c_str(), 1, 4));
    EXPECT_STREQ(output, "");
    EXPECT_EQ(std::string(output + NAME_BUFFER_SIZE, 4), "GGGG");
}

}  // namespace
}  // namespace pixlor::test
