// How the console program shows the plug-in's boxes: code pages, bars, one-line progress.
#include "host/cli/CommandProgress.h"
#include "host/cli/Terminal.h"

#include <gtest/gtest.h>

#include <cctype>

namespace pixlor::host::cli {
namespace {

std::string Bar(int full, int cells = 50) {
    return "[" + std::string(static_cast<size_t>(full), '\xDB') +
           std::string(static_cast<size_t>(cells - full), '\xB1') + "]";
}

BoxRecord CopyBox() {
    BoxRecord box;
    box.title = "Copy";
    box.lines = {"\\home\\someone\\pictures\\02-05-17\\pic17.05.2002_001.jpg",
                 "File 1: 4000 of 8000 bytes, 50%",
                 Bar(25),
                 "12 files: 4000 of 100000 bytes, 4%",
                 Bar(2),
                 "5000 bytes/s, 0:20 left"};
    return box;
}

// The plug-in's copy box of file `ordinal`, `done` of its 8000 bytes, in a batch of `total`.
BoxRecord CopyBoxAt(int ordinal, int done, int batchDone, int total) {
    BoxRecord box = CopyBox();
    box.lines[1] =
        "File " + std::to_string(ordinal) + ": " + std::to_string(done) + " of 8000 bytes, 0%";
    box.lines[3] =
        "2 files: " + std::to_string(batchDone) + " of " + std::to_string(total) + " bytes, 0%";
    return box;
}

TEST(LanguageTexts, AreReadInTheirCodePageAndFileNamesStayAsTheyAre) {
    EXPECT_EQ(TerminalText("\x8a\xa0\xac\xa5\xe0\xa0", OemCodePage::Cyrillic866),
              "\u041a\u0430\u043c\u0435\u0440\u0430");
    EXPECT_EQ(TerminalText("caf\x82", OemCodePage::Latin437), "caf\u00e9");
    EXPECT_EQ(TerminalText("b\u00e4r.jpg", OemCodePage::Cyrillic866), "b\u00e4r.jpg");
    // Control characters in a name cannot move the cursor or end the line.
    EXPECT_EQ(TerminalText("a\x1b[2J\tb\n\u0085.jpg", OemCodePage::Latin437),
              "a\\x1b[2J\\tb\\n\\x85.jpg");
    EXPECT_EQ(CodePageOfLanguage("Russian"), OemCodePage::Cyrillic866);
    EXPECT_EQ(CodePageOfLanguage("English"), OemCodePage::Latin437);
}

TEST(ProgressBars, KeepTheirShareOfFullCellsInBlocksOrInPlainCharacters) {
    EXPECT_TRUE(IsProgressBar(Bar(28)));
    EXPECT_FALSE(IsProgressBar("[50%]"));
    EXPECT_EQ(RenderBar(Bar(25), 4, true), "[\u2588\u2588\u2592\u2592]");
    EXPECT_EQ(RenderBar(Bar(50), 3, false), "[###]");
    EXPECT_EQ(RenderBar(Bar(0), 3, false), "[...]");
}

TEST(AProgressBox, FitsOneLineKeepingTheFileNameNumbersAndBars) {
    const TerminalStyle style{OemCodePage::Latin437, false, 180};
    const std::vector<std::string> lines = ProgressLines(CopyBox(), style);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LE(DisplayWidth(lines[0]), 179);
    EXPECT_NE(lines[0].find("/pic17.05.2002_001.jpg"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("File 1: 4000 of 8000 bytes, 50%"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("[#####.....]"), std::string::npos) << lines[0];
}

TEST(AProgressBox, TakesTwoLinesAt80ColumnsAndKeepsBarsAndPercentages) {
    for (const bool unicode : {true, false}) {
        const TerminalStyle style{OemCodePage::Latin437, unicode, 80};
        const std::vector<std::string> lines = ProgressLines(CopyBox(), style);
        ASSERT_EQ(lines.size(), 2u);
        for (const std::string& line : lines) EXPECT_LE(DisplayWidth(line), 79) << line;
        EXPECT_NE(lines[0].find("pic17.05.2002_001.jpg  File 1: 4000 of 8000 bytes, 50%"),
                  std::string::npos)
            << lines[0];
        EXPECT_NE(lines[0].find("50%  " + RenderBar(Bar(25), 10, unicode)), std::string::npos)
            << lines[0];
        EXPECT_EQ(lines[1], "12 files: 4000 of 100000 bytes, 4%  " +
                                RenderBar(Bar(2), 10, unicode) + "  5000 bytes/s, 0:20 left");
    }
    // Without escape sequences the lines cannot be redrawn in place: one line, ASCII bars.
    const TerminalStyle dumb{OemCodePage::Latin437, false, 80, true};
    const std::vector<std::string> one = ProgressLines(CopyBox(), dumb);
    ASSERT_EQ(one.size(), 1u);
    // Counts lose whole words, never the digits of a number.
    for (const char* kept : {" 50%", " 4%", "5000 bytes/s, 0:20 left"})
        EXPECT_NE(one[0].find(kept), std::string::npos) << one[0];
    const std::size_t counts = one[0].find(".jpg");  // the path before them may lose any front
    for (std::size_t cut = one[0].find('~', counts); cut != std::string::npos;
         cut = one[0].find('~', cut + 1))
        EXPECT_FALSE(std::isdigit(static_cast<unsigned char>(one[0][cut + 1]))) << one[0];
    EXPECT_EQ(ProgressSummary(CopyBox(), dumb),
              "Copy  /home/someone/pictures/02-05-17/pic17.05.2002_001.jpg");
}

TEST(AProgressBox, OnAVeryNarrowTerminalIsCutToTheWidth) {
    for (int width : {10, 40, 60}) {
        const TerminalStyle style{OemCodePage::Latin437, true, width};
        EXPECT_LE(DisplayWidth(ProgressLine(CopyBox(), style)), width - 1) << width;
    }
}

TEST(AWarningBox, ShowsItsLinesWithoutTheHelpTopic) {
    BoxRecord box;
    box.flags = FMSG_WARNING | FMSG_MB_OK;
    box.helpTopic = "Errors";
    box.title = "Camera";
    box.lines = {"The camera operation failed", "Port status 0x0002, link error 1, operation 1"};
    EXPECT_EQ(BoxText(box, TerminalStyle{}),
              "Camera\n  The camera operation failed\n"
              "  Port status 0x0002, link error 1, operation 1");
}

// The console program presses the copy key once a date folder; its progress counts on over
// them, with the rate of the whole command and the time left for all of it.
TEST(ACommandsProgress, CountsOnOverItsKeyPressesWithTheRateAndTimeLeftOfTheWholeCommand) {
    CommandProgress progress(4, 32000, "File %d: %u of %u bytes, %u%%",
                             "%d files: %u of %u bytes, %u%%");
    progress.startBatch();
    BoxRecord first = CopyBoxAt(1, 0, 0, 16000);
    progress.rewrite(first, 0);
    EXPECT_EQ(first.lines[3], "4 files: 0 of 32000 bytes, 0%");
    EXPECT_EQ(first.lines[4], Bar(0));
    EXPECT_EQ(first.lines[5], "measuring the rate");
    BoxRecord firstDone = CopyBoxAt(1, 8000, 8000, 16000);
    progress.rewrite(firstDone, 2000);
    BoxRecord second = CopyBoxAt(2, 8000, 16000, 16000);
    progress.rewrite(second, 4000);  // 16000 bytes in 4 s
    EXPECT_EQ(second.lines[3], "4 files: 16000 of 32000 bytes, 50%");
    EXPECT_EQ(second.lines[4], Bar(25));
    EXPECT_EQ(second.lines[5], "4000 bytes/s, 0:04 left");
    // The second folder's batch starts at its own zero; the command's count goes on.
    progress.startBatch();
    BoxRecord third = CopyBoxAt(1, 4000, 4000, 16000);
    progress.rewrite(third, 5000);
    EXPECT_EQ(third.lines[3], "4 files: 20000 of 32000 bytes, 62%");
    EXPECT_EQ(third.lines[5], "4000 bytes/s, 0:03 left");
    // An hour and more shows its hours; a box that is no copy box stays as it was.
    BoxRecord slow = CopyBoxAt(2, 4000, 8000, 16000);
    progress.rewrite(slow, 4 * 3600 * 1000);
    EXPECT_EQ(slow.lines[5], "1 bytes/s, 1:20:00 left");
    BoxRecord deleting;
    deleting.title = "Delete";
    deleting.lines = {"Deleting picture 1 of 3"};
    progress.rewrite(deleting, 1000);
    EXPECT_EQ(deleting.lines, std::vector<std::string>{"Deleting picture 1 of 3"});
}

}  // namespace
}  // namespace pixlor::host::cli
