#include "shell/HostServices.h"
#include "shell/MessageNumbers.h"
#include "shell/PanelKeys.h"
#include "tests/shell/PanelHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace pixlor::test {
namespace {

constexpr unsigned NO_SHIFT = 0;

int FARAPI RefuseEndSlash(char*) { return 0; }

class CopyKeysOnFourPictures : public ::testing::Test, public PanelTestBase {
protected:
    CopyKeysOnFourPictures()
        : PanelTestBase({PictureOn(2002, 5, 17, 3000, 300), PictureOn(2002, 5, 17, 5000, 500),
                         PictureOn(2002, 5, 17, 7000, 700), PictureOn(2002, 5, 18, 4000, 400)}) {}
    void SetUp() override {
        ASSERT_NE(open(), nullptr);
        folders = list(*panel);
        host.panelItems = folders;
        host.selectedItems = {folders[0]};  // the three pictures of May 17
    }
    std::string prompt() const { return host.dialogs.at(0).items.at(1).Data; }
    std::vector<BYTE> expected(std::size_t position, sim::PictureKind kind) const {
        return camera.expectedData(camera.pictures()[position].id, kind);
    }
    std::vector<BYTE> fileAt(const std::string& name) const {
        return readFileBytes(folder.windowsPath(name));
    }
    std::size_t filesWritten() const {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }
    std::vector<PluginPanelItem> folders;
};

TEST_F(CopyKeysOnFourPictures, F5ShowsTheCopyDialogAsLaidOut) {
    host.answerDialog = [](FarDialogItem*, int) { return -1; };
    EXPECT_TRUE(ProcessKey(*panel, VK_F5, NO_SHIFT));
    ASSERT_EQ(host.dialogs.size(), 1u);
    const ShownDialog& dialog = host.dialogs[0];
    EXPECT_EQ(dialog.x1, -1);
    EXPECT_EQ(dialog.y1, -1);
    EXPECT_EQ(dialog.x2, 76);
    EXPECT_EQ(dialog.y2, 11);
    EXPECT_EQ(dialog.helpTopic, "WhereToCopy");
    ASSERT_EQ(dialog.items.size(), 9u);
    const auto& items = dialog.items;
    EXPECT_EQ(items[0].Type, DI_DOUBLEBOX);
    EXPECT_EQ(items[0].X2, 72);
    EXPECT_EQ(items[0].Y2, 9);
    EXPECT_EQ(std::string(items[0].Data), Msg(MSG_COPY_TITLE));
    EXPECT_EQ(items[2].Type, DI_EDIT);
    EXPECT_EQ(items[2].Flags, DIF_HISTORY);
    EXPECT_STREQ(items[2].Param.History, "PXCopyDir");
    EXPECT_EQ(std::string(items[2].Data), folder.path());
    EXPECT_EQ(items[3].Type, DI_RADIOBUTTON);
    EXPECT_EQ(items[3].Flags, DIF_GROUP);
    EXPECT_EQ(items[3].Param.Selected, 1);
    EXPECT_EQ(std::string(items[5].Data), Msg(MSG_SUBFOLDERS_NEVER));
    EXPECT_EQ(items[6].X1, 255);
    EXPECT_EQ(items[6].Flags, DIF_SEPARATOR);
    EXPECT_EQ(items[7].Focus, 1);
    EXPECT_EQ(items[7].DefaultButton, 1);
    EXPECT_EQ(items[7].Flags, DIF_CENTERGROUP);
    EXPECT_EQ(std::string(items[7].Data), Msg(MSG_BUTTON_OK));
    EXPECT_EQ(std::string(items[8].Data), Msg(MSG_BUTTON_CANCEL));
    EXPECT_EQ(prompt(), "M75 M78 M81 M82 M84 M85");
}

TEST_F(CopyKeysOnFourPictures, F5CopiesThePhotosIntoADateSubFolder) {
    EXPECT_TRUE(ProcessKey(*panel, VK_F5, NO_SHIFT));
    EXPECT_EQ(fileAt("02-05-17\\pic17.05.2002_001.jpg"), expected(0, sim::PictureKind::Photo));
    EXPECT_EQ(fileAt("02-05-17\\pic17.05.2002_003.jpg"), expected(2, sim::PictureKind::Photo));
    EXPECT_EQ(filesWritten(), 3u);
    EXPECT_EQ(camera.pictures().size(), 4u);
}

TEST_F(CopyKeysOnFourPictures, ShiftF6MovesTheThumbnailsIntoThumbnailFolders) {
    setText("ThumbPath", "t%2D");
    const auto secondThumbnail = expected(1, sim::PictureKind::Thumbnail);
    EXPECT_TRUE(ProcessKey(*panel, VK_F6, PKF_SHIFT));
    EXPECT_EQ(prompt(), "M76 M80 M81 M83 M84 M85");
    EXPECT_EQ(std::string(host.dialogs[0].items[0].Data), Msg(MSG_MOVE_TITLE));
    EXPECT_EQ(fileAt("t17\\thumb17.05.2002_002.jpg"), secondThumbnail);
    EXPECT_EQ(filesWritten(), 3u);
    EXPECT_EQ(camera.pictures().size(), 1u);  // moved: deleted on the camera
}

TEST_F(CopyKeysOnFourPictures, EveryShiftStateAsksForItsKindsAndFolders) {
    host.answerDialog = [](FarDialogItem*, int) { return 8; };
    const struct {
        unsigned state;
        int thumbMode;
        const char* prompt;
    } cases[] = {
        {PKF_CONTROL, 0, "M75 M78 M81 M83 M84 M85"},
        {PKF_CONTROL | PKF_SHIFT, 0, "M75 M80 M81 M82 M84 M85"},
        {PKF_ALT, 0, "M75 M78 M79 M80 M85"},
        {PKF_ALT | PKF_SHIFT, 1, "M75 M78 M79 M80 M81 M83 M84 M85"},
        {PKF_ALT | PKF_CONTROL, 0, "M75 M78 M79 M80 M81 M83 M84 M85"},
        {PKF_ALT | PKF_CONTROL | PKF_SHIFT, 1, "M75 M78 M79 M80 M81 M82 M84 M85"},
        {NO_SHIFT, 1, "M75 M80 M81 M83 M84 M85"},
    };
    for (const auto& c : cases) {
        host.dialogs.clear();
        panel->thumbMode = c.thumbMode;
        EXPECT_TRUE(ProcessKey(*panel, VK_F5, c.state));
        EXPECT_EQ(prompt(), c.prompt) << c.state << " thumbMode " << c.thumbMode;
    }
    EXPECT_EQ(filesWritten(), 0u);
}

TEST_F(CopyKeysOnFourPictures, AltF5CopiesBothKindsEachIntoItsOwnFolder) {
    setText("ThumbPath", "t%2D");
    EXPECT_TRUE(ProcessKey(*panel, VK_F5, PKF_ALT));
    EXPECT_EQ(fileAt("t17\\thumb17.05.2002_001.jpg"), expected(0, sim::PictureKind::Thumbnail));
    EXPECT_EQ(fileAt("02-05-17\\pic17.05.2002_001.jpg"), expected(0, sim::PictureKind::Photo));
    EXPECT_EQ(filesWritten(), 6u);
}

TEST_F(CopyKeysOnFourPictures, ATypedDestinationGetsBackslashesAndAnEndSlash) {
    std::filesystem::create_directory(folder.path() + "/typed");
    const std::string typed = folder.path() + "/typed";  // forward slashes, no end slash
    host.answerDialog = [&](FarDialogItem* items, int) {
        std::snprintf(items[2].Data, sizeof(items[2].Data), "%s", typed.c_str());
        items[3].Param.Selected = 0;
        items[5].Param.Selected = 1;  // never a date sub-folder
        return 7;
    };
    EXPECT_TRUE(ProcessKey(*panel, VK_F5, NO_SHIFT));
    EXPECT_EQ(fileAt("typed\\pic17.05.2002_001.jpg"), expected(0, sim::PictureKind::Photo));
    EXPECT_EQ(filesWritten(), 3u);
}

TEST_F(CopyKeysOnFourPictures, AClearedDestinationCopiesIntoTheOtherPanelsFolder) {
    ASSERT_TRUE(SetDirectory(*panel, "02-05-18"));
    host.selectedItems = list(*panel);
    host.panelItems = host.selectedItems;
    host.answerDialog = [](FarDialogItem* items, int) {
        items[2].Data[0] = '\0';
        return 7;
    };
    EXPECT_TRUE(ProcessKey(*panel, VK_F5, NO_SHIFT));
    // Inside a date folder the first choice puts copies straight into the destination.
    EXPECT_EQ(fileAt("pic18.05.2002_001.jpg"), expected(3, sim::PictureKind::Photo));
}

TEST_F(CopyKeysOnFourPictures, CancellingTheDialogCopiesNothingAndLeavesTheCameraAlone) {
    const auto sentBefore = fake.system.bytesSent().size();
    host.answerDialog = [](FarDialogItem*, int) { return -1; };
    EXPECT_TRUE(ProcessKey(*panel, VK_F6, NO_SHIFT));
    host.answerDialog = [](FarDialogItem*, int) { return 8; };
    EXPECT_TRUE(ProcessKey(*panel, VK_F5, NO_SHIFT));
    EXPECT_EQ(filesWritten(), 0u);
    EXPECT_EQ(fake.system.bytesSent().size(), sentBefore);
    EXPECT_EQ(camera.pictures().size(), 4u);
}

TEST_F(CopyKeysOnFourPictures, ADestinationThatTakesNoEndSlashCopiesNothing) {
    HostServices.FSF->AddEndSlash = RefuseEndSlash;
    EXPECT_TRUE(ProcessKey(*panel, VK_F5, NO_SHIFT));
    EXPECT_EQ(filesWritten(), 0u);
}

TEST_F(CopyKeysOnFourPictures, F7SwitchesToThumbnailsAndBackRelistingEachTime) {
    EXPECT_TRUE(ProcessKey(*panel, VK_F7, PKF_SHIFT));
    EXPECT_EQ(panel->thumbMode, 1);
    ASSERT_EQ(host.controls.size(), 2u);
    EXPECT_EQ(host.controls[0].command, FCTL_UPDATEPANEL);
    EXPECT_EQ(host.controls[0].parameter, "1");
    EXPECT_EQ(host.controls[1].command, FCTL_REDRAWPANEL);
    EXPECT_TRUE(ProcessKey(*panel, VK_F7, NO_SHIFT));
    EXPECT_EQ(panel->thumbMode, 0);
    EXPECT_EQ(host.controls.size(), 4u);
}

TEST_F(CopyKeysOnFourPictures, OtherKeysAreLeftToTheHost) {
    const auto messagesBefore = host.messages.size();
    EXPECT_FALSE(ProcessKey(*panel, 0x72, NO_SHIFT));  // F3
    EXPECT_FALSE(ProcessKey(*panel, 0x73, PKF_ALT));   // F4
    EXPECT_FALSE(ProcessKey(*panel, 0x0D, NO_SHIFT));  // Enter
    EXPECT_EQ(host.messages.size(), messagesBefore);
    EXPECT_TRUE(host.dialogs.empty());
    EXPECT_TRUE(host.controls.empty());
}

TEST_F(CopyKeysOnFourPictures, F8AnsweredWithCancelDeletesNothing) {
    host.messageAnswers = {1};
    EXPECT_TRUE(ProcessKey(*panel, VK_F8, NO_SHIFT));
    const auto questions = host.messagesWithTopic("Delete?");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].flags, FMSG_MB_OKCANCEL);
    EXPECT_EQ(questions[0].items, (std::vector<std::string>{Msg(MSG_DELETE_TITLE), Msg(MSG_DELETE_QUESTION)}));
    EXPECT_EQ(questions[0].buttons, 2);
    EXPECT_EQ(camera.pictures().size(), 4u);
    EXPECT_EQ(camera.counters().deletes, 0);
}

TEST_F(CopyKeysOnFourPictures, F8DeletingTheLastPicturesClosesThePanel) {
    host.selectedItems = folders;
    EXPECT_TRUE(ProcessKey(*panel, VK_F8, NO_SHIFT));
    EXPECT_TRUE(camera.pictures().empty());
    const auto closing = host.messagesWithTopic("DeleteClosePlugin");
    ASSERT_EQ(closing.size(), 1u);
    EXPECT_EQ(closing[0].flags, FMSG_MB_OK);
    EXPECT_EQ(closing[0].items, (std::vector<std::string>{Msg(MSG_DELETE_TITLE), Msg(MSG_CAMERA_NOW_EMPTY)}));
    ASSERT_FALSE(host.controls.empty());
    EXPECT_EQ(host.controls.back().command, FCTL_CLOSEPLUGIN);
    EXPECT_EQ(host.controls.back().parameter, ".");
}

TEST_F(CopyKeysOnFourPictures, F8LeavingPicturesKeepsThePanelOpen) {
    EXPECT_TRUE(ProcessKey(*panel, VK_F8, NO_SHIFT));
    EXPECT_EQ(camera.pictures().size(), 1u);
    EXPECT_TRUE(host.messagesWithTopic("DeleteClosePlugin").empty());
}

}  // namespace
}  // namespace pixlor::test
