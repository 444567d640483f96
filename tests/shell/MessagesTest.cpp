// The plug-in's boxes as the emulated host receives them: the notice, every shape of the error
// report, the camera failure with its three numbers, and the screen restored once.
#include "device/CameraDevice.h"
#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "host/HostEmulator.h"
#include "host/ScriptedUser.h"
#include "report/Messages.h"
#include "tests/support/HostFixture.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace pixlor::test {
namespace {

void FARAPI TakeStartupInfo(const PluginStartupInfo* info) { CopyHostServices(*info); }
int FARAPI MinimumVersion() { return MAKEFARVERSION(1, 70, 1282); }
void FARAPI DescribeNothing(PluginInfo*) {}

// Only what the emulator calls at start-up: the boxes come from the code under test.
host::PluginEntryPoints StartOnlyPlugin() {
    host::PluginEntryPoints plugin{};
    plugin.GetMinFarVersion = MinimumVersion;
    plugin.SetStartupInfo = TakeStartupInfo;
    plugin.GetPluginInfo = DescribeNothing;
    return plugin;
}

std::string LangFolder() {
    return (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "lang")
        .string();
}

// A user who notes how many saved screens were still on screen when each box came up.
class ScreenWatchingUser : public host::ScriptedUser {
public:
    int answerMessage(const host::BoxRecord& box) override {
        screensUnderBoxes.push_back(emulator->screensOutstanding());
        return ScriptedUser::answerMessage(box);
    }
    const host::HostEmulator* emulator = nullptr;
    std::vector<int> screensUnderBoxes;
};

// The emulated host started on a language file: the project's own, or one written by the test
// with "M<n>" for every message but the given ones.
class MessageBoxes : public ::testing::Test {
protected:
    void startWith(const std::map<int, std::string>& texts) {
        std::ofstream file(std::filesystem::path(folder.path()) / "Test.lng", std::ios::binary);
        file << ".Language=English,English\r\n";
        for (int n = 0; n <= MSG_DELETE_PROGRESS; ++n)
            file << '"' << (texts.count(n) != 0 ? texts.at(n) : "M" + std::to_string(n))
                 << "\"\r\n";
        file.close();
        startIn(folder.path());
    }
    void startIn(const std::string& moduleFolder) {
        host::EmulatorSettings settings;
        settings.moduleName = moduleFolder + "/pixlor.so";
        emulator = std::make_unique<host::HostEmulator>(StartOnlyPlugin(), user, settings);
        user.emulator = emulator.get();
        ASSERT_TRUE(emulator->start()) << emulator->errorText;
    }
    const host::BoxRecord& onlyBox() const {
        EXPECT_EQ(user.boxes.size(), 1u);
        return user.boxes.back();
    }
    std::vector<std::string> settingsReport(std::int32_t code, std::int32_t kind,
                                            std::int32_t value) {
        const SettingsDetail detail{kind, value};
        ErrorReport(code, 0, 0, 0, &detail);
        const host::BoxRecord& box = onlyBox();
        EXPECT_EQ(box.flags, FMSG_WARNING | FMSG_MB_OK);
        EXPECT_EQ(box.helpTopic, "Errors");
        EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
        std::vector<std::string> items{box.title};
        items.insert(items.end(), box.lines.begin(), box.lines.end());
        return items;
    }

    HostServicesInForce services;
    FakeSystemInForce fake;
    TempDir folder;
    ScreenWatchingUser user;
    std::unique_ptr<host::HostEmulator> emulator;
};

using Items = std::vector<std::string>;

TEST_F(MessageBoxes, ANoticeHasTheTitleOneLineAndTheHostsOkButtonWithoutHelp) {
    startWith({});
    ShowMessage(MSG_CHECK_PASSED);
    const host::BoxRecord& box = onlyBox();
    EXPECT_EQ(box.flags, FMSG_MB_OK);
    EXPECT_EQ(box.helpTopic, "");
    EXPECT_EQ(box.title, "M3");
    EXPECT_EQ(box.lines, Items{"M57"});
    EXPECT_TRUE(emulator->violations().empty());
}

TEST_F(MessageBoxes, ARefusedNamePatternNamesTheSettingThePositionAndTheReason) {
    startWith({{48, "at %d"}});
    EXPECT_EQ(settingsReport(4, DETAIL_PHOTO_NAME, 5), (Items{"M43", "at 5", "M51"}));
}

TEST_F(MessageBoxes, EachPatternKindAndCodeHasItsTitleAndLine) {
    startWith({{48, "at %d"}});
    EXPECT_EQ(settingsReport(2, DETAIL_THUMB_NAME, 1), (Items{"M44", "at 1", "M49"}));
    user.boxes.clear();
    EXPECT_EQ(settingsReport(3, DETAIL_PHOTO_FOLDER, 3), (Items{"M45", "at 3", "M50"}));
    user.boxes.clear();
    EXPECT_EQ(settingsReport(12, DETAIL_THUMB_FOLDER, 200), (Items{"M46", "at 200", "M52"}));
}

TEST_F(MessageBoxes, AnUnknownPatternCodeShowsThePositionWithoutAReason) {
    startWith({{48, "at %d"}});
    EXPECT_EQ(settingsReport(8, DETAIL_PHOTO_NAME, 2), (Items{"M43", "at 2"}));
}

TEST_F(MessageBoxes, BlankFolderPatternsAndDigitCountsShowTwoItems) {
    startWith({});
    EXPECT_EQ(settingsReport(1, DETAIL_THUMB_BLANK, 0), (Items{"M46", "M47"}));
    user.boxes.clear();
    EXPECT_EQ(settingsReport(1, DETAIL_PHOTO_BLANK, 0), (Items{"M45", "M47"}));
    user.boxes.clear();
    EXPECT_EQ(settingsReport(1, DETAIL_THUMB_DIGITS, MSG_DIGITS_TOO_FEW), (Items{"M54", "M55"}));
    user.boxes.clear();
    EXPECT_EQ(settingsReport(1, DETAIL_PHOTO_DIGITS, MSG_NAME_TOO_LONG), (Items{"M53", "M56"}));
}

TEST_F(MessageBoxes, ADigitCountDetailNamingAnotherMessageShowsOnlyTheTitle) {
    startWith({});
    EXPECT_EQ(settingsReport(1, DETAIL_PHOTO_DIGITS, MSG_TITLE), (Items{"M53"}));
}

TEST_F(MessageBoxes, ASettingsReportWithoutAKnownDetailShowsNoBox) {
    startWith({});
    const SettingsDetail unknown{9, 0};
    EXPECT_EQ(ErrorReport(1, 0, 0, 0, &unknown), -1);
    EXPECT_EQ(ErrorReport(1, 0, 0, 0, nullptr), -1);
    EXPECT_TRUE(user.boxes.empty());
}

TEST_F(MessageBoxes, ACameraFailureFillsStatusThenLinkErrorThenOperation) {
    startWith({{59, "%d/%d/%d"}});
    ErrorReport(0, 7, 8, 0x0010, nullptr);
    const host::BoxRecord& box = onlyBox();
    EXPECT_EQ(box.flags, FMSG_WARNING | FMSG_MB_OK);
    EXPECT_EQ(box.helpTopic, "Errors");
    EXPECT_EQ(box.title, "M3");
    EXPECT_EQ(box.lines, (Items{"M58", "16/8/7"}));
}

TEST_F(MessageBoxes, TheProjectsEnglishTextShowsTheStatusInHexadecimal) {
    startIn(LangFolder());
    ErrorReport(0, 7, 8, 0x0420, nullptr);
    EXPECT_EQ(onlyBox().lines.at(1), "Port status 0x0420, link error 8, operation 7");
    EXPECT_TRUE(emulator->violations().empty());
}

// Language files are edited by hand: no text of theirs may overrun the line or make the host's
// sprintf read arguments it was not given.
class HostileLanguageTexts : public MessageBoxes,
                             public ::testing::WithParamInterface<const char*> {};

TEST_P(HostileLanguageTexts, TheCameraLineStaysInsideItsBuffer) {
    startWith({{59, GetParam()}});
    ErrorReport(0, 7, 8, 0x0010, nullptr);
    EXPECT_LT(onlyBox().lines.at(1).size(), MESSAGE_LINE_SIZE);
}

TEST_P(HostileLanguageTexts, ThePositionLineStaysInsideItsBuffer) {
    startWith({{48, GetParam()}});
    const Items items = settingsReport(4, DETAIL_PHOTO_NAME, 7);
    EXPECT_LT(items.at(1).size(), MESSAGE_LINE_SIZE);
}

INSTANTIATE_TEST_SUITE_P(
    TextsOfAnyLength, HostileLanguageTexts,
    ::testing::Values("%s %s %s", "%n%d", "%*d %d %d", "%d %d %d %d %d %d", "%ld %d %d",
                      "%999999d %d %d", "%99d %99d %99d", "trailing %",
                      "a very long text that goes on and on and on and on and on and on and on "
                      "and on and on and on and on and on %d %d %d"));

TEST_F(MessageBoxes, AnIntegerTextThatWouldNotFitIsCutToNinetyNineCharacters) {
    startWith({{59, "%99d|%99d|%99d"}});
    ErrorReport(0, 7, 8, 16, nullptr);
    const std::string line = onlyBox().lines.at(1);
    EXPECT_EQ(line.size(), MESSAGE_LINE_SIZE - 1);
    EXPECT_EQ(line.back(), '6');  // the end of the first number, right-aligned in 99 columns
}

TEST_F(MessageBoxes, AnUnusableTextShowsTheNumbersAlone) {
    startWith({{59, "%s"}});
    ErrorReport(0, 7, 8, 16, nullptr);
    EXPECT_EQ(onlyBox().lines.at(1), "16 8 7");
}

// A camera operation that saved the screen and then failed.
class AFailedCameraOperation : public MessageBoxes {
protected:
    AFailedCameraOperation() {
        startWith({{59, "%d/%d/%d"}});
        device.operationCode = OP_DELETE;
        device.link->errorCode = LINK_ERR_SET_REGISTER;
        device.link->port->statusFlags = STATUS_NAK;
    }
    CameraDevice device{1, 5};
};

TEST_F(AFailedCameraOperation, RestoresTheScreenBeforeShowingTheDevicesNumbers) {
    {
        SavedScreen screen;
        ReportCameraFailure(screen, device);
    }
    EXPECT_EQ(emulator->screensSaved(), 1);
    EXPECT_EQ(user.screensUnderBoxes, std::vector<int>{0});
    EXPECT_EQ(onlyBox().lines, (Items{"M58", "16/8/7"}));
    EXPECT_TRUE(emulator->violations().empty());
}

TEST_F(AFailedCameraOperation, ASecondReportAndTheEndOfTheOperationDoNotRestoreAgain) {
    {
        SavedScreen screen;
        ReportCameraFailure(screen, device);
        device.operationCode = OP_DISCONNECT;
        ReportCameraFailure(screen, device);
    }
    EXPECT_EQ(user.boxes.size(), 2u);
    EXPECT_EQ(user.boxes[1].lines.at(1), "16/8/6");
    EXPECT_TRUE(emulator->violations().empty()) << emulator->violations().front();
}

TEST_F(AFailedCameraOperation, AnOperationWithoutFailureRestoresItsScreenAtItsEnd) {
    { SavedScreen screen; }
    EXPECT_EQ(emulator->screensSaved(), 1);
    EXPECT_TRUE(user.boxes.empty());
    EXPECT_TRUE(emulator->violations().empty());
}

}  // namespace
}  // namespace pixlor::test
