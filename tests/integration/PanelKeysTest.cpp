// The panel's keys pressed in the host emulator: the copy dialog and its prompts in every shift
// state, the copies each state makes, moves, F7 and F8, against the simulated camera.
#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "plugin/PanelKeys.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>

namespace pixlor::test {
namespace {

namespace fs = std::filesystem;
using sim::PictureKind;

constexpr unsigned NO_SHIFT = 0;
constexpr int OK_BUTTON = 7;
constexpr int CANCEL_BUTTON = 8;

int FARAPI RefuseEndSlash(char*) { return 0; }

// The files under a folder, by their paths relative to it with "/" separators.
std::set<std::string> FilesUnder(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.insert(fs::relative(entry.path(), folder).generic_string());
    return files;
}

class CopyKeysOnFourPictures : public HostWithCamera {
protected:
    CopyKeysOnFourPictures()
        : HostWithCamera(
              {PictureOn(2002, 5, 17, 3000, 300, 9, 30, 8), PictureOn(2002, 5, 17, 5000, 500),
               PictureOn(2002, 5, 17, 7000, 700), PictureOn(2002, 5, 18, 4000, 400)},
              NumberedTexts()) {}
    void SetUp() override {
        ASSERT_TRUE(startAndOpen()) << emulator.errorText;
        ASSERT_TRUE(emulator.selectItems({"02-05-17"}));  // the three pictures of May 17
    }
    std::string prompt() const { return user.dialogs.at(0).items.at(1).Data; }
    std::vector<BYTE> fileAt(const std::string& name) const {
        return readFileBytes(disk.windowsPath(name));
    }
    void answerOk() {
        user.queueDialog([](host::DialogRequest&) { return OK_BUTTON; });
    }
};

TEST_F(CopyKeysOnFourPictures, F5ShowsTheCopyDialogAsLaidOut) {
    user.queueDialog([](host::DialogRequest&) { return -1; });
    EXPECT_EQ(emulator.pressKey(VK_F5, NO_SHIFT), 1);
    ASSERT_EQ(user.dialogs.size(), 1u);
    const host::DialogShown& dialog = user.dialogs[0];
    EXPECT_EQ(dialog.left, -1);
    EXPECT_EQ(dialog.top, -1);
    EXPECT_EQ(dialog.right, 76);
    EXPECT_EQ(dialog.bottom, 11);
    EXPECT_EQ(dialog.helpTopic, "WhereToCopy");
    ASSERT_EQ(dialog.items.size(), 9u);
    const auto& items = dialog.items;
    EXPECT_EQ(int{items[0].Type}, DI_DOUBLEBOX);
    EXPECT_EQ(int{items[0].X1}, 3);
    EXPECT_EQ(int{items[0].X2}, 72);
    EXPECT_EQ(int{items[0].Y2}, 9);
    EXPECT_EQ(std::string(items[0].Data), text(MSG_COPY_TITLE));
    EXPECT_EQ(int{items[1].Type}, DI_TEXT);
    EXPECT_EQ(int{items[2].Type}, DI_EDIT);
    EXPECT_EQ(int{items[2].X2}, 70);
    EXPECT_EQ(DWORD{items[2].Flags}, DWORD{DIF_HISTORY});
    EXPECT_STREQ(items[2].Param.History, "PXCopyDir");
    EXPECT_EQ(std::string(items[2].Data), disk.path());
    EXPECT_EQ(int{items[3].Type}, DI_RADIOBUTTON);
    EXPECT_EQ(DWORD{items[3].Flags}, DWORD{DIF_GROUP});
    EXPECT_EQ(int{items[3].Param.Selected}, 1);
    EXPECT_EQ(int{items[4].Param.Selected}, 0);
    EXPECT_EQ(std::string(items[4].Data), text(MSG_SUBFOLDERS_ALWAYS));
    EXPECT_EQ(std::string(items[5].Data), text(MSG_SUBFOLDERS_NEVER));
    EXPECT_EQ(int{items[6].X1}, 255);
    EXPECT_EQ(DWORD{items[6].Flags}, DWORD{DIF_SEPARATOR});
    EXPECT_EQ(int{items[2].Focus}, 1) << "typing goes to the destination";
    EXPECT_EQ(int{items[7].Focus}, 0);
    EXPECT_EQ(int{items[7].DefaultButton}, 1);
    EXPECT_EQ(DWORD{items[7].Flags}, DWORD{DIF_CENTERGROUP});
    EXPECT_EQ(std::string(items[7].Data), text(MSG_BUTTON_OK));
    EXPECT_EQ(std::string(items[8].Data), text(MSG_BUTTON_CANCEL));
    EXPECT_EQ(DWORD{items[8].Flags}, DWORD{DIF_CENTERGROUP});
    EXPECT_EQ(prompt(), "M75 M78 M81 M82 M84 M85");
}

TEST_F(CopyKeysOnFourPictures, F5CopiesThePhotosIntoADateSubFolder) {
    answerOk();
    EXPECT_EQ(emulator.pressKey(VK_F5, NO_SHIFT), 1);
    EXPECT_EQ(fileAt("02-05-17\\pic17.05.2002_001.jpg"), expected(0, PictureKind::Photo));
    EXPECT_EQ(fileAt("02-05-17\\pic17.05.2002_003.jpg"), expected(2, PictureKind::Photo));
    EXPECT_EQ(filesOnDisk(), 3u);
    EXPECT_EQ(camera.pictures().size(), 4u);
    // The created folder's files carry the shooting time, to the two seconds of a DOS time.
    struct stat status {};
    ASSERT_EQ(
        stat(nativePath(disk.windowsPath("02-05-17\\pic17.05.2002_001.jpg")).c_str(), &status), 0);
    EXPECT_EQ(static_cast<std::int64_t>(status.st_mtime),
              std::int64_t{camera.pictures()[0].shootingTime});
    EXPECT_TRUE(emulator.pluginPanel().selectedNames().empty()) << "the host took the marks off";
}

TEST_F(CopyKeysOnFourPictures, ShiftF6CopiesTheThumbnailsKeepsThePicturesAndSaysSo) {
    setText("ThumbPath", "t%2D");
    answerOk();
    EXPECT_EQ(emulator.pressKey(VK_F6, PKF_SHIFT), 1);
    EXPECT_EQ(prompt(), "M76 M80 M81 M83 M84 M85");
    EXPECT_EQ(std::string(user.dialogs[0].items[0].Data), text(MSG_MOVE_TITLE));
    EXPECT_EQ(fileAt("t17\\thumb17.05.2002_002.jpg"), expected(1, PictureKind::Thumbnail));
    EXPECT_EQ(filesOnDisk(), 3u);
    EXPECT_EQ(camera.pictures().size(), 4u);  // no photo was copied: nothing is deleted
    EXPECT_EQ(camera.counters().deletes, 0);
    const auto notices = boxesWithTopic("MoveThumbnails");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].flags, DWORD{FMSG_MB_OK});
    EXPECT_EQ(BoxTexts(notices[0]),
              (std::vector<std::string>{text(MSG_MOVE_TITLE), text(MSG_THUMBNAIL_MOVE_KEEPS)}));
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{"02-05-17", "02-05-18"}));
}

// For each key state: the prompt, and the files one OK makes of the three pictures of May 17
// from the root, with the thumbnail folders named t<day>.
TEST_F(CopyKeysOnFourPictures, EveryShiftStateAsksForItsKindsAndFolders) {
    setText("ThumbPath", "t%2D");
    const std::set<std::string> photosInDateFolder = {"02-05-17/pic17.05.2002_001.jpg",
                                                      "02-05-17/pic17.05.2002_002.jpg",
                                                      "02-05-17/pic17.05.2002_003.jpg"};
    const std::set<std::string> thumbsInThumbFolder = {"t17/thumb17.05.2002_001.jpg",
                                                       "t17/thumb17.05.2002_002.jpg",
                                                       "t17/thumb17.05.2002_003.jpg"};
    const std::set<std::string> photosInThumbFolder = {
        "t17/pic17.05.2002_001.jpg", "t17/pic17.05.2002_002.jpg", "t17/pic17.05.2002_003.jpg"};
    const std::set<std::string> thumbsInDateFolder = {"02-05-17/thumb17.05.2002_001.jpg",
                                                      "02-05-17/thumb17.05.2002_002.jpg",
                                                      "02-05-17/thumb17.05.2002_003.jpg"};
    auto both = [](std::set<std::string> first, const std::set<std::string>& second) {
        first.insert(second.begin(), second.end());
        return first;
    };
    const struct {
        unsigned state;
        bool thumbnails;
        const char* prompt;
        std::set<std::string> files;
        // clang-format off
    } cases[] = {
        {NO_SHIFT, false, "M75 M78 M81 M82 M84 M85", photosInDateFolder},
        {PKF_SHIFT, false, "M75 M80 M81 M83 M84 M85", thumbsInThumbFolder},
        {PKF_CONTROL, false, "M75 M78 M81 M83 M84 M85", photosInThumbFolder},
        {PKF_CONTROL | PKF_SHIFT, false, "M75 M80 M81 M82 M84 M85", thumbsInDateFolder},
        {PKF_ALT, false, "M75 M78 M79 M80 M85", both(thumbsInThumbFolder, photosInDateFolder)},
        {PKF_ALT | PKF_SHIFT, true, "M75 M78 M79 M80 M81 M83 M84 M85",
         both(thumbsInThumbFolder, photosInThumbFolder)},
        {PKF_ALT | PKF_CONTROL, false, "M75 M78 M79 M80 M81 M83 M84 M85",
         both(thumbsInThumbFolder, photosInThumbFolder)},
        {PKF_ALT | PKF_CONTROL | PKF_SHIFT, true, "M75 M78 M79 M80 M81 M82 M84 M85",
         both(thumbsInDateFolder, photosInDateFolder)},
        {NO_SHIFT, true, "M75 M80 M81 M83 M84 M85", thumbsInThumbFolder},
    };
    // clang-format on
    int run = 0;
    for (const auto& c : cases) {
        const std::string target = disk.path() + "/run" + std::to_string(++run);
        fs::create_directory(target);
        if (c.thumbnails != (panel()->thumbMode != 0)) {
            ASSERT_EQ(emulator.pressKey(VK_F7), 1);
        }
        // Each copy ends by listing the panel without marks: the first day is marked again.
        ASSERT_TRUE(emulator.selectItems({emulator.pluginPanel().names().at(0)}));
        user.dialogs.clear();
        user.queueDialog([&target](host::DialogRequest& dialog) {
            dialog.setText(2, target);
            return OK_BUTTON;
        });
        EXPECT_EQ(emulator.pressKey(VK_F5, c.state), 1);
        EXPECT_EQ(prompt(), c.prompt) << c.state << " thumbnails " << c.thumbnails;
        EXPECT_EQ(FilesUnder(target), c.files) << c.state << " thumbnails " << c.thumbnails;
    }
    EXPECT_EQ(camera.pictures().size(), 4u);
}

TEST_F(CopyKeysOnFourPictures, AltF5CopiesBothKindsEachIntoItsOwnFolder) {
    setText("ThumbPath", "t%2D");
    answerOk();
    EXPECT_EQ(emulator.pressKey(VK_F5, PKF_ALT), 1);
    EXPECT_EQ(fileAt("t17\\thumb17.05.2002_001.jpg"), expected(0, PictureKind::Thumbnail));
    EXPECT_EQ(fileAt("02-05-17\\pic17.05.2002_001.jpg"), expected(0, PictureKind::Photo));
    EXPECT_EQ(filesOnDisk(), 6u);
}

TEST_F(CopyKeysOnFourPictures, ATypedDestinationGetsBackslashesAndAnEndSlash) {
    fs::create_directory(disk.path() + "/typed");
    const std::string typed = disk.path() + "/typed";  // forward slashes, no end slash
    user.queueDialog([&](host::DialogRequest& dialog) {
        dialog.setText(2, typed);
        dialog.selectRadio(5);  // never a date sub-folder
        return OK_BUTTON;
    });
    EXPECT_EQ(emulator.pressKey(VK_F5, NO_SHIFT), 1);
    EXPECT_EQ(fileAt("typed\\pic17.05.2002_001.jpg"), expected(0, PictureKind::Photo));
    EXPECT_EQ(filesOnDisk(), 3u);
}

TEST_F(CopyKeysOnFourPictures, AClearedOrBlankDestinationCopiesIntoTheOtherPanelsFolder) {
    ASSERT_TRUE(emulator.enterFolder("02-05-18"));
    for (const char* typed : {"", "   "}) {
        ASSERT_TRUE(emulator.selectItems({emulator.pluginPanel().names().back()}));
        user.queueDialog([typed](host::DialogRequest& dialog) {
            dialog.setText(2, typed);
            return OK_BUTTON;
        });
        EXPECT_EQ(emulator.pressKey(VK_F5, NO_SHIFT), 1);
    }
    // Inside a date folder the first choice puts copies straight into the destination.
    EXPECT_EQ(fileAt("pic18.05.2002_001.jpg"), expected(3, PictureKind::Photo));
    EXPECT_EQ(fileAt("pic18.05.2002_002.jpg"), expected(3, PictureKind::Photo));
    EXPECT_EQ(FilesUnder(disk.path()).size(), 2u) << "no folder named by blanks";
}

TEST_F(CopyKeysOnFourPictures, CancellingTheDialogCopiesNothingAndLeavesTheCameraAlone) {
    const auto sentBefore = fake.system.bytesSent().size();
    user.queueDialog([](host::DialogRequest&) { return -1; });
    EXPECT_EQ(emulator.pressKey(VK_F6, NO_SHIFT), 1);
    user.queueDialog([](host::DialogRequest&) { return CANCEL_BUTTON; });
    EXPECT_EQ(emulator.pressKey(VK_F5, NO_SHIFT), 1);
    EXPECT_EQ(filesOnDisk(), 0u);
    EXPECT_EQ(fake.system.bytesSent().size(), sentBefore);
    EXPECT_EQ(camera.pictures().size(), 4u);
}

TEST_F(CopyKeysOnFourPictures, ADestinationThatTakesNoEndSlashCopiesNothing) {
    HostServices.FSF->AddEndSlash = RefuseEndSlash;
    answerOk();
    EXPECT_EQ(emulator.pressKey(VK_F5, NO_SHIFT), 1);
    EXPECT_EQ(filesOnDisk(), 0u);
}

TEST_F(CopyKeysOnFourPictures, F7SwitchesToThumbnailsAndBackRelistingEachTime) {
    const int listingsBefore = emulator.listings();
    EXPECT_EQ(emulator.pressKey(VK_F7, PKF_SHIFT), 1);
    EXPECT_EQ(panel()->thumbMode, 1);
    // Then the listing of named thumbnails asks for the other panel's folder.
    ASSERT_EQ(emulator.controls().size(), 3u);
    EXPECT_EQ(emulator.controls()[0].command, FCTL_UPDATEPANEL);
    EXPECT_TRUE(emulator.controls()[0].withParameter);
    EXPECT_EQ(emulator.controls()[1].command, FCTL_REDRAWPANEL);
    EXPECT_EQ(emulator.pluginPanel().names().size(), 4u) << "the thumbnails, at the root";
    EXPECT_EQ(emulator.pressKey(VK_F7, NO_SHIFT), 1);
    EXPECT_EQ(panel()->thumbMode, 0);
    EXPECT_EQ(emulator.controls(FCTL_UPDATEPANEL).size(), 2u);
    EXPECT_EQ(emulator.controls(FCTL_REDRAWPANEL).size(), 2u);
    EXPECT_EQ(emulator.listings(), listingsBefore + 2);
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{"02-05-17", "02-05-18"}));
}

// Every delete key as the host hands it over: the grey Del (0x2E) and the keypad's (0x109)
// alone or with Shift ask and delete as F8 does; with Alt or Ctrl they do nothing. Keys the
// plug-in leaves to the host reach DeleteFiles, which does the same.
TEST_F(CopyKeysOnFourPictures, EveryDeleteKeyDeletesOnTheCameraAsF8Does) {
    const struct {
        int key;
        unsigned state;
        bool deletes;
        // clang-format off
    } keys[] = {
        {VK_DELETE, NO_SHIFT, true},           {VK_DELETE, PKF_SHIFT, true},
        {VK_NUMPAD_DELETE, NO_SHIFT, true},    {VK_NUMPAD_DELETE, PKF_SHIFT, true},
        {VK_F8, PKF_SHIFT, true},              {VK_DELETE, PKF_ALT, false},
        {VK_NUMPAD_DELETE, PKF_ALT, false},    {VK_DELETE, PKF_CONTROL, false},
        {VK_NUMPAD_DELETE, PKF_CONTROL, false},
    };
    // clang-format on
    for (const auto& pressed : keys) {
        const std::size_t questionsBefore = boxesWithTopic("Delete?").size();
        if (pressed.deletes) user.queueAnswer(1);  // Cancel: each key only asks
        EXPECT_EQ(emulator.pressKey(pressed.key, pressed.state), 1) << pressed.key;
        EXPECT_EQ(boxesWithTopic("Delete?").size(), questionsBefore + (pressed.deletes ? 1 : 0))
            << pressed.key << " state " << pressed.state;
    }
    EXPECT_EQ(camera.pictures().size(), 4u);
    user.queueAnswer(0);
    EXPECT_EQ(emulator.pressKey(VK_NUMPAD_DELETE, PKF_SHIFT), 1);
    EXPECT_EQ(camera.pictures().size(), 1u);
    EXPECT_TRUE(emulator.hostCommands().empty()) << "the host did nothing of its own";
}

// The host's own delete (the Files menu, a macro) through DeleteFiles: the plug-in's question,
// the pictures the host passes deleted and renumbered, TRUE; Cancel deletes nothing, FALSE.
TEST_F(CopyKeysOnFourPictures, DeleteFilesDoesWhatF8DoesWithTheItemsTheHostPasses) {
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    const std::vector<std::string> names = emulator.pluginPanel().names();  // "..", 3 pictures
    ASSERT_TRUE(emulator.setCurrentItem(names[1]));
    user.queueAnswer(1);
    EXPECT_EQ(emulator.deleteFromFilesMenu(false), FALSE);
    EXPECT_EQ(camera.pictures().size(), 4u);
    user.queueAnswer(0);
    ASSERT_TRUE(emulator.selectItems({names[1], names[3]}));
    EXPECT_EQ(emulator.deleteFromFilesMenu(true), TRUE);
    ASSERT_EQ(camera.pictures().size(), 2u);
    EXPECT_EQ(camera.pictures()[0].photoSize, 5000u) << "the second picture of May 17 stays";
    EXPECT_EQ(panel()->device->pictureCount, 2u);
    EXPECT_EQ(boxesWithTopic("Delete?").size(), 2u);
}

// Ctrl+R reads the camera again: a picture erased on the camera itself is gone from the panel,
// and the marks stay on the pictures that are still there, under the names they have now.
TEST_F(CopyKeysOnFourPictures, CtrlRReadsTheCameraAgainAndKeepsTheMarksOnThePicturesLeft) {
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    ASSERT_TRUE(emulator.selectItems({"pic17.05.2002_002.jpg", "pic17.05.2002_003.jpg"}));
    // The camera's own delete of its first picture: select it, erase it.
    const std::vector<BYTE> selectFirst{0x1B, 0x43, 0x06, 0x00, 0x00, 0x04,
                                        0x01, 0x00, 0x00, 0x00, 0x05, 0x00};
    const std::vector<BYTE> eraseCurrent{0x1B, 0x43, 0x03, 0x00, 0x02, 0x07, 0x00, 0x09, 0x00};
    PeerReply ignored;
    for (const std::vector<BYTE>& command : {selectFirst, eraseCurrent})
        cameraPeer.hostSent(command.data(), static_cast<DWORD>(command.size()), 19200, ignored);
    ASSERT_EQ(camera.pictures().size(), 3u);
    EXPECT_EQ(emulator.pressKey('R', PKF_CONTROL), 1);
    EXPECT_EQ(emulator.pluginPanel().names(),
              (std::vector<std::string>{"..", "pic17.05.2002_001.jpg", "pic17.05.2002_002.jpg"}));
    EXPECT_EQ(emulator.pluginPanel().selectedNames(),
              (std::vector<std::string>{"pic17.05.2002_001.jpg", "pic17.05.2002_002.jpg"}));
    EXPECT_EQ(panel()->device->pictureCount, 3u);
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    EXPECT_TRUE(boxesWithTopic("Errors").empty());
}

// Every key in every shift state, then one copy: the files of the host's own folder that carry
// the pictures' names stay as they are, and nothing is written outside the chosen destination
// but the host's temporary copies, which it removes.
TEST_F(CopyKeysOnFourPictures, NoKeyTouchesAFileOutsideTheDestinationTheUserChose) {
    ASSERT_TRUE(emulator.enterFolder("02-05-17"));
    const fs::path own = hostFolder.path();
    std::vector<std::string> names = emulator.pluginPanel().names();
    std::erase(names, "..");
    names.push_back("02-05-18");
    std::map<std::string, std::vector<unsigned char>> ownFiles;
    for (const std::string& name : names) {
        std::ofstream(own / name) << "the user's " << name;
        ownFiles[name] = readFileBytes((own / name).string());
    }
    const std::string firstPicture = names.at(0);

    ASSERT_TRUE(emulator.setCurrentItem(firstPicture));
    for (int key : {VK_F3, VK_F4, VK_RETURN, VK_DELETE, VK_F5, VK_F6, VK_F7, VK_F8}) {
        for (unsigned state = 0; state < 8; ++state) {  // every mix of Ctrl, Alt and Shift
            emulator.pressKey(key, state);              // boxes and dialogs are answered with Esc
            if (!emulator.pluginPanel().curDir.empty()) continue;
            ASSERT_TRUE(emulator.enterFolder("02-05-17"));
        }
        ASSERT_TRUE(emulator.setCurrentItem(firstPicture));
    }
    const std::vector<host::HostCommandRecord>& commands = emulator.hostCommands();
    ASSERT_EQ(commands.size(), 3u) << "F3, F4 and Enter without shift keys went to the host";
    for (const host::HostCommandRecord& command : commands) {
        EXPECT_FALSE(command.realName);
        EXPECT_EQ(command.shown, expected(0, PictureKind::Photo)) << command.action;
    }
    EXPECT_EQ(commands[2].getFilesMode, OPM_SILENT | OPM_VIEW);
    EXPECT_EQ(camera.pictures().size(), 4u);
    EXPECT_EQ(filesOnDisk(), 0u);
    EXPECT_TRUE(FilesUnder(hostTemporary.path()).empty());

    fs::create_directory(fs::path(disk.path()) / "chosen");
    user.queueDialog([this](host::DialogRequest& dialog) {
        dialog.setText(2, disk.windowsPath("chosen"));
        return OK_BUTTON;
    });
    ASSERT_TRUE(emulator.selectItems({firstPicture}));
    EXPECT_EQ(emulator.pressKey(VK_F5, NO_SHIFT), 1);
    EXPECT_EQ(FilesUnder(disk.path()), (std::set<std::string>{"chosen/" + firstPicture}));
    EXPECT_EQ(FilesUnder(own.string()).size(), ownFiles.size());
    for (const auto& [name, bytes] : ownFiles)
        EXPECT_EQ(readFileBytes((own / name).string()), bytes) << name;
}

TEST_F(CopyKeysOnFourPictures, F8AnsweredWithCancelDeletesNothing) {
    user.queueAnswer(1);
    EXPECT_EQ(emulator.pressKey(VK_F8, NO_SHIFT), 1);
    const auto questions = boxesWithTopic("Delete?");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].flags, DWORD{FMSG_MB_OKCANCEL});
    EXPECT_EQ(BoxTexts(questions[0]),
              (std::vector<std::string>{text(MSG_DELETE_TITLE), text(MSG_DELETE_QUESTION)}));
    EXPECT_EQ(questions[0].buttons.size(), 2u);
    EXPECT_EQ(camera.pictures().size(), 4u);
    EXPECT_EQ(camera.counters().deletes, 0);
}

TEST_F(CopyKeysOnFourPictures, F8DeletingTheLastPicturesClosesThePanel) {
    ASSERT_TRUE(emulator.selectItems({"02-05-17", "02-05-18"}));
    user.queueAnswer(0);  // delete?
    user.queueAnswer(0);  // the camera is empty now
    EXPECT_EQ(emulator.pressKey(VK_F8, NO_SHIFT), 1);
    EXPECT_TRUE(camera.pictures().empty());
    const auto closing = boxesWithTopic("DeleteClosePlugin");
    ASSERT_EQ(closing.size(), 1u);
    EXPECT_EQ(closing[0].flags, DWORD{FMSG_MB_OK});
    EXPECT_EQ(BoxTexts(closing[0]),
              (std::vector<std::string>{text(MSG_DELETE_TITLE), text(MSG_CAMERA_NOW_EMPTY)}));
    ASSERT_FALSE(emulator.controls().empty());
    EXPECT_EQ(emulator.controls().back().command, FCTL_CLOSEPLUGIN);
    EXPECT_EQ(emulator.controls().back().folder, ".");
    EXPECT_FALSE(emulator.panelOpen());
}

TEST_F(CopyKeysOnFourPictures, F8LeavingPicturesKeepsThePanelOpen) {
    user.queueAnswer(0);
    EXPECT_EQ(emulator.pressKey(VK_F8, NO_SHIFT), 1);
    EXPECT_EQ(camera.pictures().size(), 1u);
    EXPECT_TRUE(boxesWithTopic("DeleteClosePlugin").empty());
    EXPECT_TRUE(emulator.panelOpen());
    EXPECT_EQ(emulator.pluginPanel().names(), (std::vector<std::string>{"02-05-18"}));
}

// Pictures of two days in camera order 17, 18, 17, 18, listed flat: every name prefix of a
// listing, photos or thumbnails.
class NamesOnTwoDays : public HostWithCamera {
protected:
    NamesOnTwoDays()
        : HostWithCamera({PictureOn(2002, 5, 17, 3000, 300), PictureOn(2002, 5, 18, 4000, 400),
                          PictureOn(2002, 5, 17, 5000, 500), PictureOn(2002, 5, 18, 6000, 600)}) {}
    void SetUp() override {
        setText("PhotoPath", "");
        setText("ThumbPath", "");
        ASSERT_TRUE(startAndOpen()) << emulator.errorText;
    }
};

// The name each item shows is the name its copy into the other panel's folder gets, whatever
// that folder holds: random names of both prefixes and kinds, numbers with gaps, other digit
// counts and extensions. Each row copies everything twice; the second copy goes by the names
// the panel shows after the first.
TEST_F(NamesOnTwoDays, TheNameShownIsTheNameTheCopyWrites) {
    const char* const prefixes[] = {"pic17.05.2002_",   "pic18.05.2002_",   "PIC18.05.2002_",
                                    "thumb17.05.2002_", "thumb18.05.2002_", "pic19.05.2002_"};
    const char* const extensions[] = {".jpg", ".JPG", ".jpeg", ".txt", ""};
    std::uint32_t state = 20020517;
    auto below = [&state](std::uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    };
    for (int row = 0; row < 8; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        const std::string folder = disk.path() + "/row" + std::to_string(row);
        fs::create_directory(folder);
        std::set<std::string> before;
        for (std::uint32_t files = below(7); files > 0; --files) {
            char name[64];
            std::snprintf(name, sizeof name, "%s%0*u%s", prefixes[below(6)],
                          static_cast<int>(2 + below(3)), 1 + below(40), extensions[below(5)]);
            std::ofstream(fs::path(folder) / name) << "the user's";
            before.insert(name);
        }
        ASSERT_TRUE(emulator.setDiskDirectory(folder));
        const bool thumbnails = row % 2 == 1;
        if (thumbnails != (panel()->thumbMode != 0)) {
            ASSERT_EQ(emulator.pressKey(VK_F7), 1);
        }
        for (int copy = 0; copy < 2; ++copy) {
            ASSERT_TRUE(emulator.list());
            const std::vector<std::string> shown = emulator.pluginPanel().names();
            ASSERT_TRUE(emulator.selectItems(shown));
            user.queueDialog([](host::DialogRequest&) { return OK_BUTTON; });
            EXPECT_EQ(emulator.pressKey(VK_F5, NO_SHIFT), 1);
            std::set<std::string> written = FilesUnder(folder);
            for (const std::string& name : before) written.erase(name);
            EXPECT_EQ(written, std::set<std::string>(shown.begin(), shown.end())) << copy;
            before.insert(written.begin(), written.end());
        }
    }
    EXPECT_TRUE(boxesWithTopic("Errors").empty());
}

}  // namespace
}  // namespace pixlor::test
