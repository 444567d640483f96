// The configuration dialog as the user meets it: what it shows, what it refuses and how, and
// what it writes to the registry.
#include "config/ConfigureDialog.h"
#include "config/SettingsStore.h"
#include "far/DialogTemplate.h"
#include "far/MessageNumbers.h"
#include "far/ModuleState.h"
#include "tests/support/HostFixture.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace pixlor::test {
namespace {

constexpr int PORT_ITEM = 2;    // COM1; COM<n> is item n + 1
constexpr int SPEED_ITEM = 10;  // speed index k is item k + 10
constexpr int VERIFY_MOVES = 34;
constexpr int PHOTO_NAME = 18, THUMB_NAME = 20, PHOTO_FOLDER = 22, THUMB_FOLDER = 24;
constexpr int PHOTO_DIGITS = 26, THUMB_DIGITS = 28;
constexpr int CHECK = 29, DEFAULTS = 30, OK = 32, CANCEL = 33;

using Answer = std::function<int(FarDialogItem* items)>;

// Presses a button, optionally after editing the items.
Answer Press(int button, std::function<void(FarDialogItem*)> edit = {}) {
    return [button, edit](FarDialogItem* items) {
        if (edit) edit(items);
        return button;
    };
}
void Type(FarDialogItem* items, int item, const std::string& text) {
    std::snprintf(items[item].Data, sizeof items[item].Data, "%s", text.c_str());
}
void Choose(FarDialogItem* items, int first, int last, int chosen) {
    for (int i = first; i <= last; ++i) items[i].Param.Selected = i == chosen ? 1 : 0;
}
// OK with the thumbnail folder pattern empty, as the defaults leave it.
Answer PressOkWithValidInput(std::function<void(FarDialogItem*)> edit = {}) {
    return Press(OK, [edit](FarDialogItem* items) {
        Type(items, THUMB_FOLDER, "");
        if (edit) edit(items);
    });
}

// The plug-in started in the host, which plays the user from a script of dialog answers; when
// the script runs out the user cancels.
class ConfigureDialog : public HostWithCamera {
protected:
    explicit ConfigureDialog(std::map<int, std::string> texts = {})
        : HostWithCamera({}, NumberedTexts(WithPatternPosition(std::move(texts)))) {}
    void SetUp() override {
        ASSERT_TRUE(start()) << emulator.errorText;
        ASSERT_EQ(portCount, 2);
    }
    ~ConfigureDialog() override {
        portCount = 0;
        openPanels = 0;
    }
    void store(const char* name, DWORD value) { WriteNumber(HKEY_CURRENT_USER, "", name, value); }
    void store(const char* name, const std::string& text) {
        WriteText(HKEY_CURRENT_USER, "", name, text.c_str());
    }
    DWORD storedNumber(const char* name) { return ReadNumber(HKEY_CURRENT_USER, "", name, 777); }
    std::string storedText(const char* name) {
        char text[600];
        ReadText(HKEY_CURRENT_USER, "", name, text, "(none)", sizeof text);
        return text;
    }
    // Configure from the plug-in configuration menu.
    int run() {
        fake.system.clearRecords();
        return emulator.configure();
    }
    void answer(const std::vector<Answer>& answers) {
        for (const Answer& next : answers)
            user.queueDialog([next](host::DialogRequest& dialog) { return next(dialog.items); });
    }
    int writes() const { return fake.system.calls(SysCall::RegSetValueExA); }
    const FarDialogItem& shown(int item, std::size_t dialog = 0) const {
        return user.dialogs.at(dialog).items.at(static_cast<std::size_t>(item));
    }
    int selectedPort(std::size_t dialog = 0) const { return selectedAmong(PORT_ITEM, 9, dialog); }
    int selectedSpeed(std::size_t dialog = 0) const {
        return selectedAmong(SPEED_ITEM + 1, SPEED_ITEM + 5, dialog);
    }
    const host::BoxRecord& onlyReport() const {
        EXPECT_EQ(user.boxes.size(), 1u);
        return user.boxes.at(0);
    }

private:
    static std::map<int, std::string> WithPatternPosition(std::map<int, std::string> texts) {
        texts.emplace(MSG_PATTERN_POSITION, "at character %d");
        return texts;
    }

    int selectedAmong(int first, int last, std::size_t dialog) const {
        int selected = -1;
        for (int i = first; i <= last; ++i)
            if (shown(i, dialog).Param.Selected != 0) {
                EXPECT_EQ(selected, -1) << "two items of one group selected";
                selected = i;
            }
        return selected;
    }
};

TEST_F(ConfigureDialog, OpensWithTheDefaultsWhenNothingIsStored) {
    EXPECT_EQ(run(), 0);

    ASSERT_EQ(user.dialogs.size(), 1u);
    const host::DialogShown& dialog = user.dialogs[0];
    EXPECT_EQ((std::vector<int>{dialog.left, dialog.top, dialog.right, dialog.bottom}),
              (std::vector<int>{-1, -1, 54, 25}));
    EXPECT_EQ(dialog.helpTopic, "Configure");
    EXPECT_EQ(dialog.items.size(), 35u);
    EXPECT_EQ(selectedPort(), PORT_ITEM + 1) << "COM2";
    EXPECT_EQ(selectedSpeed(), SPEED_ITEM + 5) << "115.2 kBd";
    EXPECT_STREQ(shown(PHOTO_NAME).Data, "pic%2D.%2M.%4Y_");
    EXPECT_STREQ(shown(THUMB_NAME).Data, "thumb%2D.%2M.%4Y_");
    EXPECT_STREQ(shown(PHOTO_FOLDER).Data, "%2Y-%2M-%2D");
    EXPECT_STREQ(shown(THUMB_FOLDER).Data, "");
    EXPECT_STREQ(shown(PHOTO_DIGITS).Data, "3");
    EXPECT_STREQ(shown(THUMB_DIGITS).Data, "3");
    EXPECT_EQ(shown(VERIFY_MOVES).Type, DI_CHECKBOX);
    EXPECT_EQ(shown(VERIFY_MOVES).Param.Selected, 0) << "a move verifies only when asked";
    EXPECT_STREQ(shown(0).Data, "M62");
    EXPECT_EQ(int{shown(PHOTO_DIGITS).X1}, 8) << "after the 3-character label and a gap of 5";
    EXPECT_STREQ(shown(PHOTO_NAME).Param.History, "PXPhotoPfx");
    EXPECT_STREQ(shown(PHOTO_DIGITS).Param.Mask, "#");
    EXPECT_EQ(int{shown(OK).Focus}, 1);
    EXPECT_EQ(int{shown(OK).DefaultButton}, 1);
}

TEST_F(ConfigureDialog, EveryButtonEndsTheDialogItself) {
    run();
    for (int button : {CHECK, DEFAULTS, OK, CANCEL}) {
        EXPECT_EQ(int{shown(button).Type}, DI_BUTTON);
        EXPECT_EQ(DWORD{shown(button).Flags}, DWORD{DIF_CENTERGROUP}) << "button " << button;
    }
}

TEST_F(ConfigureDialog, GreysThePortsTheSystemDoesNotHave) {
    run();
    EXPECT_EQ(shown(PORT_ITEM + 1).Flags & DIF_DISABLE, 0u);
    for (int item = PORT_ITEM + 2; item <= PORT_ITEM + 7; ++item)
        EXPECT_NE(shown(item).Flags & DIF_DISABLE, 0u) << "item " << item;
}

TEST_F(ConfigureDialog, WithoutSerialPortsDisablesAllPortsAndSavesCom1) {
    portCount = 0;
    answer({PressOkWithValidInput()});
    EXPECT_EQ(run(), 1);
    for (int item = PORT_ITEM; item <= PORT_ITEM + 7; ++item)
        EXPECT_NE(shown(item).Flags & DIF_DISABLE, 0u);
    EXPECT_EQ(selectedPort(), PORT_ITEM);
    EXPECT_EQ(storedNumber(SETTING_SERIAL_PORT), 0u);
}

TEST_F(ConfigureDialog, OkWritesTheNineValuesInOrder) {
    answer({PressOkWithValidInput([](FarDialogItem* items) {
        Choose(items, PORT_ITEM, PORT_ITEM + 7, PORT_ITEM);
        Choose(items, SPEED_ITEM + 1, SPEED_ITEM + 5, SPEED_ITEM + 3);
        Type(items, PHOTO_NAME, "img%4Y_");
        Type(items, PHOTO_DIGITS, "5");
    })});
    EXPECT_EQ(run(), 1);

    std::vector<std::string> names;
    for (const std::string& call : fake.system.log(SysCall::RegSetValueExA))
        names.push_back(call.substr(call.find('(') + 1, call.find(',') - call.find('(') - 1));
    EXPECT_EQ(names, (std::vector<std::string>{"BaudRate", "SerialPort", "PhotoPrefix",
                                               "PhotoSuffix", "ThumbPrefix", "ThumbSuffix",
                                               "PhotoPath", "ThumbPath", "VerifyMoves"}));
    EXPECT_EQ(storedNumber(SETTING_BAUD_RATE), 3u);
    EXPECT_EQ(storedNumber(SETTING_SERIAL_PORT), 0u);
    EXPECT_EQ(storedText(SETTING_PHOTO_PREFIX), "img%4Y_");
    EXPECT_EQ(storedNumber(SETTING_PHOTO_SUFFIX), 5u);
    EXPECT_EQ(storedText(SETTING_THUMB_PATH), "");
}

TEST_F(ConfigureDialog, CancelWritesNothing) {
    answer({Press(CANCEL, [](FarDialogItem* items) { Type(items, PHOTO_NAME, "x"); })});
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(writes(), 0);
}

TEST_F(ConfigureDialog, RefusesABlankThumbnailFolderTypedAndSavesTheDefaultsAsTheyAre) {
    answer({Press(OK, [](FarDialogItem* items) { Type(items, THUMB_FOLDER, "  "); }),
            Press(DEFAULTS), Press(OK)});
    EXPECT_EQ(run(), 1);

    const host::BoxRecord& box = onlyReport();
    EXPECT_EQ(BoxTexts(box), (std::vector<std::string>{"M46", "M47"}));
    EXPECT_EQ(box.flags, DWORD{FMSG_WARNING | FMSG_MB_OK});
    EXPECT_EQ(box.helpTopic, "Errors");
    EXPECT_EQ(user.dialogs.size(), 3u);
    EXPECT_EQ(storedText("ThumbPath"), "");
}

TEST_F(ConfigureDialog, AFreshConfigurationSavesWithOk) {
    answer({Press(OK)});
    EXPECT_EQ(run(), 1);
    EXPECT_TRUE(user.boxes.empty());
    EXPECT_EQ(storedNumber("SerialPort"), 1u);
    EXPECT_EQ(storedText("ThumbPath"), "");
}

TEST_F(ConfigureDialog, StoredFolderPatternsOfBlanksShowEmptyAndSave) {
    store("PhotoPath", std::string("   "));
    store("ThumbPath", std::string(" "));
    answer({Press(OK)});
    EXPECT_EQ(run(), 1);
    EXPECT_STREQ(shown(PHOTO_FOLDER).Data, "");
    EXPECT_STREQ(shown(THUMB_FOLDER).Data, "");
    EXPECT_EQ(storedText("PhotoPath"), "");
    EXPECT_EQ(storedText("ThumbPath"), "");
}

TEST_F(ConfigureDialog, TheCheckButtonConfirmsValidInputAndWritesNothing) {
    answer({Press(CHECK, [](FarDialogItem* items) { Type(items, THUMB_FOLDER, ""); })});
    EXPECT_EQ(run(), 0);

    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(BoxTexts(user.boxes[0]), (std::vector<std::string>{"M3", "M57"}));
    EXPECT_EQ(user.boxes[0].flags, DWORD{FMSG_MB_OK});
    ASSERT_EQ(user.dialogs.size(), 2u) << "the dialog opens again";
    EXPECT_STREQ(shown(THUMB_FOLDER, 1).Data, "");
    EXPECT_EQ(writes(), 0);
}

TEST_F(ConfigureDialog, RefusesAForbiddenCharacterNamingItsPosition) {
    answer({PressOkWithValidInput([](FarDialogItem* items) { Type(items, PHOTO_NAME, "pic*"); })});
    EXPECT_EQ(run(), 0);

    EXPECT_EQ(BoxTexts(onlyReport()), (std::vector<std::string>{"M43", "at character 4", "M51"}));
    ASSERT_EQ(user.dialogs.size(), 2u);
    EXPECT_STREQ(shown(PHOTO_NAME, 1).Data, "pic*") << "shown again as entered";
}

// A message as the numbered language file of these tests shows it.
std::string Numbered(int message) { return "M" + std::to_string(message); }

// Patterns that would name what no one can see or type, or that a terminal would act on.
TEST_F(ConfigureDialog, RefusesControlCharactersDotFoldersAndBlankNamesWithThePosition) {
    struct Refusal {
        int item;
        const char* typed;
        std::vector<std::string> box;
    };
    // clang-format off
    const Refusal refusals[] = {
        {PHOTO_NAME, "pic\tx", {"M43", "at character 4", Numbered(MSG_PATTERN_CONTROL)}},
        {THUMB_NAME, "t\x1b[2J", {"M44", "at character 2", Numbered(MSG_PATTERN_CONTROL)}},
        {PHOTO_FOLDER, "%2Y\n", {"M45", "at character 4", Numbered(MSG_PATTERN_CONTROL)}},
        {PHOTO_NAME, "   ", {"M43", "at character 1", Numbered(MSG_PATTERN_BLANKS)}},
        {PHOTO_FOLDER, ".", {"M45", "at character 1", Numbered(MSG_PATTERN_DOTS)}},
        {PHOTO_FOLDER, "..", {"M45", "at character 1", Numbered(MSG_PATTERN_DOTS)}},
        {THUMB_FOLDER, "...", {"M46", "at character 1", Numbered(MSG_PATTERN_DOTS)}},
        {THUMB_FOLDER, " ..", {"M46", "at character 1", Numbered(MSG_PATTERN_DOTS)}},
    };
    // clang-format on
    for (const Refusal& refusal : refusals) {
        user.boxes.clear();
        answer({PressOkWithValidInput(
            [&refusal](FarDialogItem* items) { Type(items, refusal.item, refusal.typed); })});
        EXPECT_EQ(run(), 0) << refusal.typed;
        EXPECT_EQ(BoxTexts(onlyReport()), refusal.box) << refusal.typed;
    }
    EXPECT_EQ(writes(), 0);
}

TEST_F(ConfigureDialog, AFailedSaveIsSaidAndReportedAsNothingSaved) {
    fake.system.failCall(SysCall::RegCloseKey, 1, 1, ERROR_ACCESS_DENIED);
    answer({PressOkWithValidInput(
        [](FarDialogItem* items) { items[VERIFY_MOVES].Param.Selected = 1; })});
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(BoxTexts(user.boxes[0]),
              (std::vector<std::string>{"M62", Numbered(MSG_SETTINGS_NOT_SAVED)}));
    EXPECT_EQ(user.boxes[0].flags, DWORD{FMSG_WARNING | FMSG_MB_OK});
    EXPECT_EQ(writes(), 9) << "every value in the one save";
    EXPECT_EQ(fake.system.calls(SysCall::RegCreateKeyExA), 1);
}

TEST_F(ConfigureDialog, RefusesFewerThanTwoDigits) {
    for (const char* digits : {"1", "0"}) {
        user.boxes.clear();
        answer({PressOkWithValidInput(
            [digits](FarDialogItem* items) { Type(items, PHOTO_DIGITS, digits); })});
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(BoxTexts(onlyReport()), (std::vector<std::string>{"M53", "M55"})) << digits;
    }
    EXPECT_EQ(writes(), 0);
}

TEST_F(ConfigureDialog, RefusesANameThatWouldGrowBeyond256Characters) {
    answer({PressOkWithValidInput([](FarDialogItem* items) {
        Type(items, PHOTO_NAME, std::string(250, 'a'));
        Type(items, PHOTO_DIGITS, "7");
    })});
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(BoxTexts(onlyReport()), (std::vector<std::string>{"M53", "M56"}));
}

TEST_F(ConfigureDialog, ANegativeDigitCountDoesNotSlipPastTheLengthCheck) {
    answer({PressOkWithValidInput([](FarDialogItem* items) { Type(items, THUMB_DIGITS, "-5"); })});
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(BoxTexts(onlyReport()), (std::vector<std::string>{"M54", "M56"}));
    EXPECT_EQ(writes(), 0);
}

TEST_F(ConfigureDialog, TheDefaultsButtonKeepsThePortAndSpeedJustChosen) {
    store(SETTING_PHOTO_PREFIX, "mine");
    answer({Press(DEFAULTS, [](FarDialogItem* items) {
        Choose(items, PORT_ITEM, PORT_ITEM + 7, PORT_ITEM);
        Choose(items, SPEED_ITEM + 1, SPEED_ITEM + 5, SPEED_ITEM + 1);
        Type(items, THUMB_DIGITS, "7");
    })});
    run();
    ASSERT_EQ(user.dialogs.size(), 2u);
    EXPECT_STREQ(shown(PHOTO_NAME, 0).Data, "mine");
    EXPECT_STREQ(shown(PHOTO_NAME, 1).Data, "pic%2D.%2M.%4Y_");
    EXPECT_STREQ(shown(THUMB_DIGITS, 1).Data, "3");
    EXPECT_EQ(selectedPort(1), PORT_ITEM);
    EXPECT_EQ(selectedSpeed(1), SPEED_ITEM + 1);
}

TEST_F(ConfigureDialog, IsRefusedWhileACameraPanelIsOpen) {
    openPanels = 1;
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(user.dialogs.empty());
    EXPECT_EQ(BoxTexts(onlyReport()), (std::vector<std::string>{"M62", "M63"}));
    EXPECT_EQ(onlyReport().flags, DWORD{FMSG_WARNING | FMSG_MB_OK});
    EXPECT_EQ(onlyReport().helpTopic, "");
    EXPECT_EQ(writes(), 0);
}

// Settings a user edited by hand.
class ConfigureHandEditedSettings : public ConfigureDialog {};

TEST_F(ConfigureHandEditedSettings, SpeedIndexZeroShowsAndSaves19200) {
    store(SETTING_BAUD_RATE, 0);
    answer({PressOkWithValidInput()});
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(selectedSpeed(), SPEED_ITEM + 2);
    EXPECT_EQ(storedNumber(SETTING_BAUD_RATE), 2u);
}

TEST_F(ConfigureHandEditedSettings, SpeedIndexNineShowsAndSaves115200) {
    store(SETTING_BAUD_RATE, 9);
    answer({PressOkWithValidInput()});
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(selectedSpeed(), SPEED_ITEM + 5);
    EXPECT_EQ(storedNumber(SETTING_BAUD_RATE), 5u);
}

TEST_F(ConfigureHandEditedSettings, APortBeyondTheSystemsFallsBackToCom2OrCom1) {
    for (DWORD stored : {4u, 200u, 0xFFFFFFFFu}) {
        store(SETTING_SERIAL_PORT, stored);
        user.dialogs.clear();
        portCount = 2;
        run();
        EXPECT_EQ(selectedPort(), PORT_ITEM + 1) << stored;
        user.dialogs.clear();
        portCount = 1;
        run();
        EXPECT_EQ(selectedPort(), PORT_ITEM) << stored;
    }
}

TEST_F(ConfigureHandEditedSettings, DigitCountsShowAsStoredUpTo999) {
    store(SETTING_PHOTO_SUFFIX, 40);
    store(SETTING_THUMB_SUFFIX, 123456);
    answer({PressOkWithValidInput()});
    EXPECT_EQ(run(), 0);
    EXPECT_STREQ(shown(PHOTO_DIGITS).Data, "40");
    EXPECT_STREQ(shown(THUMB_DIGITS).Data, "999");
    EXPECT_EQ(BoxTexts(onlyReport()), (std::vector<std::string>{"M54", "M56"}));
}

TEST_F(ConfigureHandEditedSettings, ALongPatternIsShownAndRefusedWhereItOverflows) {
    store(SETTING_PHOTO_PREFIX, std::string(300, 'p'));
    answer({PressOkWithValidInput()});
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(std::string(shown(PHOTO_NAME).Data), std::string(300, 'p'));
    EXPECT_EQ(BoxTexts(onlyReport()), (std::vector<std::string>{"M43", "at character 257", "M52"}));
}

TEST_F(ConfigureHandEditedSettings, PatternsWithControlCharactersOrOfDotsShowAsTheDefaults) {
    store("PhotoPrefix", std::string("pic\x1b]0;owned\x07_"));
    store("PhotoPath", std::string(".."));
    answer({});
    EXPECT_EQ(run(), 0);
    EXPECT_STREQ(shown(PHOTO_NAME).Data, DEFAULT_PHOTO_PREFIX);
    EXPECT_STREQ(shown(PHOTO_FOLDER).Data, DEFAULT_PHOTO_PATH);
}

TEST_F(ConfigureHandEditedSettings, ATextWithoutItsTerminatorGivesTheDefault) {
    const std::string unterminated(600, 'u');
    HKEY key = nullptr;
    ASSERT_EQ(os().RegCreateKeyExA(HKEY_CURRENT_USER, pluginKeyPath.c_str(), KEY_WRITE, &key), 0);
    os().RegSetValueExA(key, SETTING_PHOTO_PATH, REG_SZ,
                        reinterpret_cast<const BYTE*>(unterminated.data()), 512);
    os().RegSetValueExA(key, SETTING_THUMB_PATH, REG_SZ,
                        reinterpret_cast<const BYTE*>(unterminated.data()), 5);
    os().RegCloseKey(key);
    run();
    EXPECT_STREQ(shown(PHOTO_FOLDER).Data, "%2Y-%2M-%2D");
    EXPECT_LT(std::strlen(shown(THUMB_FOLDER).Data), 512u);
}

// A language file with a digit label longer than the dialog.
class ConfigureWithALongLabel : public ConfigureDialog {
protected:
    ConfigureWithALongLabel()
        : ConfigureDialog({{MSG_CONFIG_PHOTO_DIGITS, std::string(300, 'L')}}) {}
};

TEST_F(ConfigureWithALongLabel, ALongDigitLabelKeepsTheFieldInsideTheFrame) {
    run();
    EXPECT_LE(int{shown(PHOTO_DIGITS).X1}, 47);
    EXPECT_EQ(std::strlen(shown(PHOTO_DIGITS - 1).Data), 300u);
}

// "M<number>" for every message, and 700 characters for message 9. A host service: stdcall on
// 32-bit Windows, which a lambda cannot be.
const char* FARAPI NumberedOrLongMessage(std::intptr_t, int message) {
    static std::string text;
    text = message == 9 ? std::string(700, 'm') : "M" + std::to_string(message);
    return text.c_str();
}

TEST(DialogTemplates, WidenFieldsAndFillTextsFromMessagesOrReferences) {
    HostServicesInForce services;
    HostServices.GetMsg = NumberedOrLongMessage;
    // clang-format off
    const DialogItemTemplate templates[] = {
        {DI_TEXT, 255, 8, 0, 0, 0, 0, DIF_SEPARATOR, 0, 34},
        {DI_EDIT, 5, 3, 70, 0, 1, TextRef("Hist"), DIF_HISTORY, 0, TextRef("typed")},
        {DI_RADIOBUTTON, 5, 4, 0, 0, 0, 1, DIF_GROUP, 0, 9},
    };
    // clang-format on
    FarDialogItem items[3];
    ExpandDialogItems(templates, items, 3);
    EXPECT_EQ(items[0].X1, 255);
    EXPECT_STREQ(items[0].Data, "M34");
    EXPECT_EQ(items[0].Flags, DIF_SEPARATOR);
    EXPECT_STREQ(items[1].Param.History, "Hist");
    EXPECT_STREQ(items[1].Data, "typed");
    EXPECT_EQ(items[1].X2, 70);
    EXPECT_EQ(items[1].Focus, 1);
    EXPECT_EQ(items[2].Param.Selected, 1);
    EXPECT_EQ(std::strlen(items[2].Data), 511u) << "a text longer than the item is cut";
}

}  // namespace
}  // namespace pixlor::test
