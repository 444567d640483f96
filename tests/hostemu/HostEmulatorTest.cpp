// The emulated host driving a tiny plug-in made of test functions: the start-up table, the two
// panels, Control as the host answers it, boxes and dialogs through the scripted user, and the
// rules the host checks.
#include "far/MessageNumbers.h"
#include "host/HostEmulator.h"
#include "host/ScriptedUser.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace pixlor::host {
namespace {

using test::TempDir;
using Names = std::vector<std::string>;

const std::string LANG =
    (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "lang").string();

// The plug-in's side: what it lists, and what it does when a key or a request arrives.
struct TinyPlugin {
    static TinyPlugin* current;

    Names root{"b.jpg", "A.jpg", "02-05-17/"};  // a trailing "/" marks a folder
    std::map<std::string, Names> folders{{"02-05-17", {"p2.jpg", "p1.jpg"}}};
    std::string folder;  // "" at the root
    int version = MAKEFARVERSION(1, 70, 1282);
    bool refuseOpen = false;
    DWORD panelFlags = OPIF_USEFILTER;
    std::function<int(HANDLE, int, unsigned)> onKey;
    std::function<int(PluginPanelItem*, int, const char*)> onGetFiles;
    bool exportsDeleteFiles = false;
    std::vector<Names> deleteFilesCalls;  // the items' names, one list a call
    std::vector<int> deleteFilesModes;

    PluginStartupInfo info{};
    FarStandardFunctions standardFunctions{};
    Names calls;
    std::vector<int> getFilesModes;
    int panelObject = 0;
    HANDLE handle() { return &panelObject; }
    const char* msg(int n) { return info.GetMsg(info.ModuleNumber, n); }
};
TinyPlugin* TinyPlugin::current = nullptr;

TinyPlugin& Plugin() { return *TinyPlugin::current; }

int FARAPI MinVersion() { return Plugin().version; }
void FARAPI TakeStartupInfo(const PluginStartupInfo* info) {
    Plugin().calls.push_back("SetStartupInfo");
    Plugin().info = *info;
    Plugin().standardFunctions = *info->FSF;
}
void FARAPI DescribePlugin(PluginInfo* info) {
    static const char* diskMenu[1];
    diskMenu[0] = Plugin().msg(1);
    info->Flags = PF_DISABLEPANELS;
    info->DiskMenuStrings = diskMenu;
    info->DiskMenuStringsNumber = 1;
}
HANDLE FARAPI Open(int, std::intptr_t) {
    Plugin().calls.push_back("OpenPlugin");
    return Plugin().refuseOpen ? INVALID_HANDLE_VALUE : Plugin().handle();
}
void FARAPI Close(HANDLE) { Plugin().calls.push_back("ClosePlugin"); }
void FARAPI DescribePanel(HANDLE, OpenPluginInfo* info) {
    static KeyBarTitles keyBar{};
    static char copy[] = "Copy";
    keyBar.Titles[4] = copy;
    info->Flags = Plugin().panelFlags | (Plugin().folder.empty() ? 0 : OPIF_ADDDOTS);
    info->CurDir = Plugin().folder.c_str();
    info->PanelTitle = Plugin().msg(3);
    info->StartSortMode = SM_NAME;
    info->KeyBar = &keyBar;
}
int FARAPI ChangeFolder(HANDLE, const char* dir, int) {
    if (std::string(dir) == "..")
        Plugin().folder.clear();
    else if (Plugin().folders.count(dir) != 0)
        Plugin().folder = dir;
    else
        return 0;
    return 1;
}
int FARAPI List(HANDLE, PluginPanelItem** items, int* count, int) {
    TinyPlugin& plugin = Plugin();
    const Names& names = plugin.folder.empty() ? plugin.root : plugin.folders[plugin.folder];
    *count = static_cast<int>(names.size());
    *items = names.empty() ? nullptr : new PluginPanelItem[names.size()]{};
    for (size_t i = 0; i < names.size(); ++i) {
        std::string name = names[i];
        const bool isFolder = name.back() == '/';
        if (isFolder) name.pop_back();
        std::snprintf((*items)[i].FindData.cFileName, MAX_PATH, "%s", name.c_str());
        (*items)[i].FindData.dwFileAttributes =
            isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        (*items)[i].UserData = static_cast<DWORD>(100 + i);
    }
    return 1;
}
void FARAPI FreeList(HANDLE, PluginPanelItem* items, int) { delete[] items; }
int FARAPI Get(HANDLE, PluginPanelItem* items, int count, int, char* destination, int mode) {
    Plugin().getFilesModes.push_back(mode);
    return Plugin().onGetFiles ? Plugin().onGetFiles(items, count, destination) : 1;
}
int FARAPI Key(HANDLE panel, int key, unsigned int state) {
    return Plugin().onKey ? Plugin().onKey(panel, key, state) : 0;
}
int FARAPI Configure(int) { return 1; }
int FARAPI Delete(HANDLE, PluginPanelItem* items, int count, int mode) {
    Names names;
    for (int i = 0; i < count; ++i) names.emplace_back(items[i].FindData.cFileName);
    Plugin().deleteFilesCalls.push_back(names);
    Plugin().deleteFilesModes.push_back(mode);
    return TRUE;
}

PluginEntryPoints TinyEntryPoints(bool withDeleteFiles) {
    return {MinVersion,
            TakeStartupInfo,
            DescribePlugin,
            Open,
            Close,
            DescribePanel,
            ChangeFolder,
            List,
            FreeList,
            Get,
            Key,
            Configure,
            withDeleteFiles ? Delete : nullptr};
}

// The host started on the tiny plug-in, with the project's English texts and a disk panel on a
// folder holding a.jpg (5 bytes) and a sub-folder.
class TheEmulatedHost : public ::testing::Test {
protected:
    TheEmulatedHost() {
        TinyPlugin::current = &plugin;
        std::filesystem::create_directory(std::filesystem::path(disk.path()) / "sub");
        std::ofstream(std::filesystem::path(disk.path()) / "a.jpg") << "12345";
    }
    ~TheEmulatedHost() override {
        emulator.reset();  // closes the panel while the plug-in still answers
        TinyPlugin::current = nullptr;
    }

    HostEmulator& host(const std::string& language = "English",
                       const std::string& moduleFolder = LANG) {
        EmulatorSettings settings;
        settings.moduleName = moduleFolder + "/pixlor.so";
        settings.language = language;
        settings.diskDirectory = disk.path();
        settings.currentDirectory = hostFolder.path();
        settings.temporaryDirectory = hostTemporary.path();
        emulator = std::make_unique<HostEmulator>(TinyEntryPoints(plugin.exportsDeleteFiles), user,
                                                  settings);
        return *emulator;
    }
    // Runs `action` inside the plug-in's handling of a key.
    int duringKey(std::function<void(HANDLE)> action) {
        plugin.onKey = [action](HANDLE panel, int, unsigned) {
            action(panel);
            return 1;
        };
        return emulator->pressKey(VK_F5);
    }
    int control(int command, void* param) {
        return plugin.info.Control(plugin.handle(), command, param);
    }

    TinyPlugin plugin;
    TempDir disk;
    TempDir hostFolder;     // the host's own current directory
    TempDir hostTemporary;  // where it puts copies to view
    ScriptedUser user;
    std::unique_ptr<HostEmulator> emulator;
};

// --- start-up ---

TEST_F(TheEmulatedHost, HandsOverACompleteStartupTable) {
    ASSERT_TRUE(host().start()) << emulator->errorText;
    const PluginStartupInfo& info = plugin.info;
    EXPECT_EQ(info.StructSize, static_cast<int>(sizeof(PluginStartupInfo)));
    EXPECT_EQ(std::string(info.ModuleName), LANG + "/pixlor.so");
    EXPECT_STREQ(info.RootKey, "Software\\Far\\Plugins");
    for (auto service : {info.Menu, info.GetDirList, info.Text, info.ShowHelp, info.ViewerControl})
        EXPECT_NE(service, nullptr);
    // The table is packed: its fields are compared by value, never bound to references.
    EXPECT_TRUE(info.Message != nullptr);
    EXPECT_TRUE(info.Dialog != nullptr);
    EXPECT_EQ(plugin.standardFunctions.StructSize, static_cast<int>(sizeof(FarStandardFunctions)));
    EXPECT_TRUE(plugin.standardFunctions.GetReparsePointInfo != nullptr);
    EXPECT_EQ(emulator->pluginDescription().diskMenu, Names{"Digital camera"});
    EXPECT_EQ(emulator->pluginDescription().flags, PF_DISABLEPANELS);
}

TEST_F(TheEmulatedHost, TakesTheTextsOfTheChosenLanguage) {
    ASSERT_TRUE(host("Russian").start()) << emulator->errorText;
    EXPECT_STREQ(plugin.msg(3), "\x8a\xa0\xac\xa5\xe0\xa0");  // "Камера" in code page 866
}

TEST_F(TheEmulatedHost, FallsBackToEnglishForALanguageWithoutFile) {
    ASSERT_TRUE(host("German").start()) << emulator->errorText;
    EXPECT_STREQ(plugin.msg(3), "Camera");
}

TEST_F(TheEmulatedHost, WillNotStartWithoutALanguageFile) {
    TempDir empty;
    EXPECT_FALSE(host("English", empty.path()).start());
    EXPECT_NE(emulator->errorText.find("no language file"), std::string::npos);
    EXPECT_TRUE(plugin.calls.empty());
}

TEST_F(TheEmulatedHost, WillNotStartAPlugInThatNeedsANewerHost) {
    plugin.version = MAKEFARVERSION(1, 70, 1283);
    EXPECT_FALSE(host().start());
    EXPECT_TRUE(plugin.calls.empty());
}

TEST_F(TheEmulatedHost, GivesAnEmptyTextForAMessageBeyondTheFileAndNotesIt) {
    ASSERT_TRUE(host().start());
    EXPECT_STREQ(plugin.msg(500), "");
    EXPECT_EQ(emulator->violations().size(), 1u);
}

TEST(LoadingAPlugInModule, NamesTheMissingEntryPoints) {
    PluginModule missing;
    EXPECT_FALSE(LoadPluginModule("/nonexistent/pixlor.so", missing));
    EXPECT_FALSE(missing.errorText.empty());
#ifndef _WIN32
    PluginModule notAPlugIn;
    EXPECT_FALSE(LoadPluginModule("libm.so.6", notAPlugIn));
    EXPECT_NE(notAPlugIn.errorText.find("GetMinFarVersion, SetStartupInfo"), std::string::npos);
    EXPECT_EQ(notAPlugIn.entryPoints.Configure, nullptr);
#endif
}

// --- panels ---

class AnOpenPanel : public TheEmulatedHost {
protected:
    AnOpenPanel() {
        EXPECT_TRUE(host().start());
        EXPECT_TRUE(emulator->openPanel()) << emulator->errorText;
    }
};

TEST_F(AnOpenPanel, ListsThePlugInsItemsFoldersFirstByName) {
    EXPECT_EQ(emulator->pluginPanel().names(), (Names{"02-05-17", "A.jpg", "b.jpg"}));
    EXPECT_EQ(emulator->pluginPanel().curDir, "");
    EXPECT_EQ(emulator->panelDescription().panelTitle, "Camera");
    EXPECT_EQ(emulator->panelDescription().keyBar[0][4], "Copy");
    EXPECT_FALSE(emulator->panelDescription().keyBar[0][5].has_value());
}

TEST_F(AnOpenPanel, EntersAFolderWithDotsAndTheFoldersCurDir) {
    ASSERT_TRUE(emulator->enterFolder("02-05-17"));
    EXPECT_EQ(emulator->pluginPanel().names(), (Names{"..", "p1.jpg", "p2.jpg"}));
    EXPECT_EQ(emulator->pluginPanel().curDir, "02-05-17");
    EXPECT_FALSE(emulator->selectItems({".."}));
    ASSERT_TRUE(emulator->enterFolder(".."));
    EXPECT_EQ(emulator->pluginPanel().names().size(), 3u);
}

TEST_F(AnOpenPanel, ReportsAFolderThePlugInRefuses) {
    EXPECT_FALSE(emulator->enterFolder("nowhere"));
    EXPECT_EQ(emulator->errorText, "the plug-in refused the folder nowhere");
}

TEST_F(AnOpenPanel, ShowsTheDiskFolderToThePlugInAsTheOtherPanel) {
    PanelInfo info{};
    duringKey([&](HANDLE) { EXPECT_EQ(control(FCTL_GETANOTHERPANELINFO, &info), 1); });
    EXPECT_EQ(std::string(info.CurDir), disk.path());
    EXPECT_EQ(info.Plugin, 0);
    EXPECT_EQ(emulator->diskPanel().names(), (Names{"..", "sub", "a.jpg"}));
    EXPECT_EQ(emulator->diskPanel().items()[2].FindData.nFileSizeLow, 5u);
}

TEST_F(AnOpenPanel, MarksItemsByNameAndRefusesUnknownNames) {
    EXPECT_TRUE(emulator->selectItems({"b.jpg", "02-05-17"}));
    EXPECT_FALSE(emulator->selectItems({"A.jpg", "missing.jpg"}));
    EXPECT_EQ(emulator->pluginPanel().selectedNames(), (Names{"02-05-17", "b.jpg"}));
}

TEST_F(AnOpenPanel, ThePlugInSeesTheMarkedItemsOfItsPanel) {
    emulator->selectItems({"A.jpg"});
    PanelInfo info{};
    duringKey([&](HANDLE) { control(FCTL_GETPANELINFO, &info); });
    ASSERT_EQ(info.SelectedItemsNumber, 1);
    EXPECT_STREQ(info.SelectedItems[0].FindData.cFileName, "A.jpg");
    EXPECT_EQ(DWORD_PTR{info.SelectedItems[0].UserData}, 101u);
    EXPECT_EQ(info.ItemsNumber, 3);
    EXPECT_EQ(info.Plugin, 1);
}

// --- Control ---

TEST_F(AnOpenPanel, ListsAgainOnlyAfterThePlugInsCallReturns) {
    const int before = emulator->listings();
    Names namesDuringTheCall;
    duringKey([&](HANDLE) {
        plugin.root.push_back("c.jpg");
        control(FCTL_UPDATEPANEL, reinterpret_cast<void*>(1));
        EXPECT_EQ(emulator->listings(), before);
        namesDuringTheCall = emulator->pluginPanel().names();
    });
    EXPECT_EQ(namesDuringTheCall.size(), 3u);
    EXPECT_EQ(emulator->listings(), before + 1);
    EXPECT_EQ(emulator->pluginPanel().names().back(), "c.jpg");
}

TEST_F(AnOpenPanel, AnUpdateWithZeroClearsTheMarksAndWithOneKeepsThem) {
    emulator->selectItems({"A.jpg"});
    duringKey([&](HANDLE) { control(FCTL_UPDATEPANEL, reinterpret_cast<void*>(1)); });
    EXPECT_EQ(emulator->pluginPanel().selectedNames(), Names{"A.jpg"});
    duringKey([&](HANDLE) { control(FCTL_UPDATEPANEL, nullptr); });
    EXPECT_TRUE(emulator->pluginPanel().selectedNames().empty());
}

TEST_F(AnOpenPanel, ARedrawRecordMovesTheCursorAfterTheNewListing) {
    plugin.root.push_back("c.jpg");
    PanelRedrawInfo redraw{3, 1};
    duringKey([&](HANDLE) {
        control(FCTL_UPDATEPANEL, nullptr);
        control(FCTL_REDRAWPANEL, &redraw);
    });
    EXPECT_EQ(emulator->pluginPanel().currentItem(), 3);
    EXPECT_EQ(emulator->pluginPanel().topItem(), 1);
    PanelRedrawInfo beyond{40, 40};
    duringKey([&](HANDLE) { control(FCTL_REDRAWPANEL, &beyond); });
    EXPECT_EQ(emulator->pluginPanel().currentItem(), 3);  // kept inside the panel
}

TEST_F(AnOpenPanel, SetSelectionTakesTheMarksOfTheItemsHandedBack) {
    emulator->selectItems({"A.jpg", "b.jpg"});
    duringKey([&](HANDLE) {
        PanelInfo info{};
        control(FCTL_GETPANELINFO, &info);
        for (int i = 0; i < info.ItemsNumber; ++i)
            if (info.PanelItems[i].UserData == 101) info.PanelItems[i].Flags &= ~PPIF_SELECTED;
        EXPECT_EQ(control(FCTL_SETSELECTION, &info), 1);
        EXPECT_EQ(emulator->pluginPanel().selectedNames(), Names{"b.jpg"});
    });
    EXPECT_EQ(emulator->pluginPanel().selectedNames(), Names{"b.jpg"});
}

TEST_F(AnOpenPanel, ClosesThePanelAfterTheCallThatAskedForIt) {
    duringKey([&](HANDLE) {
        control(FCTL_CLOSEPLUGIN, const_cast<char*>("."));
        EXPECT_TRUE(emulator->panelOpen());
    });
    EXPECT_FALSE(emulator->panelOpen());
    EXPECT_EQ(emulator->closeDirectory(), ".");
    EXPECT_EQ(std::count(plugin.calls.begin(), plugin.calls.end(), "ClosePlugin"), 1);
}

TEST_F(AnOpenPanel, NotesControlCallsForAPanelThatIsNotOpen) {
    PanelInfo info{};
    EXPECT_EQ(plugin.info.Control(nullptr, FCTL_GETPANELINFO, &info), 0);
    EXPECT_EQ(plugin.info.Control(plugin.handle(), 99, nullptr), 0);
    EXPECT_EQ(emulator->violations().size(), 2u);
}

// --- saved screens ---

TEST_F(AnOpenPanel, AScreenRestoredOnceBreaksNoRule) {
    duringKey([&](HANDLE) { plugin.info.RestoreScreen(plugin.info.SaveScreen(0, 0, -1, -1)); });
    EXPECT_EQ(emulator->screensSaved(), 1);
    EXPECT_TRUE(emulator->violations().empty());
}

TEST_F(AnOpenPanel, AScreenNotRestoredByTheEndOfTheCallIsNoted) {
    duringKey([&](HANDLE) { plugin.info.SaveScreen(0, 0, -1, -1); });
    ASSERT_EQ(emulator->violations().size(), 1u);
    EXPECT_EQ(emulator->violations()[0], "1 saved screen(s) not restored when ProcessKey returned");
}

TEST_F(AnOpenPanel, AScreenRestoredTwiceIsNoted) {
    duringKey([&](HANDLE) {
        HANDLE screen = plugin.info.SaveScreen(0, 0, -1, -1);
        plugin.info.RestoreScreen(screen);
        plugin.info.RestoreScreen(screen);
    });
    ASSERT_EQ(emulator->violations().size(), 1u);
    EXPECT_NE(emulator->violations()[0].find("restored already"), std::string::npos);
}

// --- boxes and dialogs ---

TEST_F(AnOpenPanel, AsksTheUserWithTheHostsButtonsAndReturnsTheChoice) {
    user.queueAnswer(1);
    int answer = 0;
    duringKey([&](HANDLE) {
        const char* items[] = {"Delete", "Delete them?"};
        answer = plugin.info.Message(1, FMSG_MB_OKCANCEL, "Delete?", items, 2, 2);
    });
    EXPECT_EQ(answer, 1);
    ASSERT_EQ(user.boxes.size(), 1u);
    const BoxRecord& box = user.boxes[0];
    EXPECT_EQ(box.flags, FMSG_MB_OKCANCEL);
    EXPECT_EQ(box.helpTopic, "Delete?");
    EXPECT_EQ(box.title, "Delete");
    EXPECT_EQ(box.lines, Names{"Delete them?"});
    EXPECT_EQ(box.buttons, (Names{"OK", "Cancel"}));
}

TEST_F(AnOpenPanel, ANoticeWithoutButtonsReturnsAtOnceAndTakesNoAnswer) {
    user.queueAnswer(0);
    duringKey([&](HANDLE) {
        const char* items[] = {"Copy", "file", "50%"};
        EXPECT_EQ(plugin.info.Message(1, FMSG_LEFTALIGN, nullptr, items, 3, 0), -1);
    });
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].lines, (Names{"file", "50%"}));
    EXPECT_TRUE(user.boxes[0].buttons.empty());
    EXPECT_EQ(user.answersLeft(), 1u);
}

TEST_F(AnOpenPanel, TheLastItemsOfABoxAreItsOwnButtons) {
    user.queueAnswer(0);
    duringKey([&](HANDLE) {
        const char* items[] = {"Title", "line", "Yes", "No"};
        plugin.info.Message(1, 0, "", items, 4, 2);
    });
    EXPECT_EQ(user.boxes.at(0).lines, Names{"line"});
    EXPECT_EQ(user.boxes.at(0).buttons, (Names{"Yes", "No"}));
}

TEST_F(AnOpenPanel, ABoxNobodyAnsweredIsEscapedAndCounted) {
    int answer = 0;
    duringKey([&](HANDLE) {
        const char* items[] = {"Title", "line"};
        answer = plugin.info.Message(1, FMSG_WARNING | FMSG_MB_OK, "Errors", items, 2, 0);
    });
    EXPECT_EQ(answer, -1);
    EXPECT_EQ(user.unanswered, 1);
}

TEST_F(AnOpenPanel, ADialogIsFilledInByTheUserAndEndsOnTheChosenItem) {
    FarDialogItem items[5]{};
    items[0].Type = DI_DOUBLEBOX;
    items[1].Type = DI_EDIT;
    std::snprintf(items[1].Data, sizeof items[1].Data, "C:\\other");
    items[2].Type = DI_RADIOBUTTON;
    items[2].Flags = DIF_GROUP;
    items[2].Param.Selected = 1;
    items[3].Type = DI_RADIOBUTTON;
    items[4].Type = DI_BUTTON;
    std::snprintf(items[4].Data, sizeof items[4].Data, "OK");
    user.queueDialog([](DialogRequest& dialog) {
        dialog.setText(1, "D:\\pictures");
        dialog.selectRadio(3);
        return dialog.find(DI_BUTTON, "OK");
    });
    int result = -1;
    duringKey(
        [&](HANDLE) { result = plugin.info.Dialog(1, -1, -1, 76, 11, "WhereToCopy", items, 5); });
    EXPECT_EQ(result, 4);
    EXPECT_STREQ(items[1].Data, "D:\\pictures");
    EXPECT_EQ(items[2].Param.Selected, 0);
    EXPECT_EQ(items[3].Param.Selected, 1);
    ASSERT_EQ(user.dialogs.size(), 1u);
    EXPECT_EQ(user.dialogs[0].helpTopic, "WhereToCopy");
    EXPECT_STREQ(user.dialogs[0].items[1].Data, "C:\\other");  // as the plug-in passed it
}

// --- file requests ---

TEST_F(AnOpenPanel, GetFilesHandsTheMarkedItemsAndTheDiskFolderAndUnmarksThem) {
    ASSERT_TRUE(emulator->enterFolder("02-05-17"));
    emulator->selectItems({"p1.jpg", "p2.jpg"});
    Names got;
    std::string destination;
    plugin.onGetFiles = [&](PluginPanelItem* items, int count, const char* target) {
        for (int i = 0; i < count; ++i) got.push_back(items[i].FindData.cFileName);
        destination = target;
        return 1;
    };
    EXPECT_EQ(emulator->getFiles(), 1);
    EXPECT_EQ(got, (Names{"p1.jpg", "p2.jpg"}));
    EXPECT_EQ(destination, disk.path());
    EXPECT_TRUE(emulator->pluginPanel().selectedNames().empty());
}

TEST_F(AnOpenPanel, AFailedGetFilesKeepsTheMarks) {
    emulator->selectItems({"A.jpg"});
    plugin.onGetFiles = [](PluginPanelItem*, int, const char*) { return 0; };
    EXPECT_EQ(emulator->getFiles(), 0);
    EXPECT_EQ(emulator->pluginPanel().selectedNames(), Names{"A.jpg"});
}

// --- keys the plug-in leaves to the host ---

bool FolderEmpty(const std::string& folder) { return std::filesystem::is_empty(folder); }

TEST_F(AnOpenPanel, ViewsAndEditsCopiesTheHostAsksForIntoATemporaryFolder) {
    plugin.onGetFiles = [](PluginPanelItem* items, int, const char* target) {
        std::ofstream(std::string(target) + "/" + items[0].FindData.cFileName) << "copy";
        return 1;
    };
    ASSERT_TRUE(emulator->setCurrentItem("A.jpg"));
    EXPECT_EQ(emulator->pressKey(VK_F3), 0);
    EXPECT_EQ(emulator->pressKey(VK_F4), 0);
    EXPECT_EQ(emulator->pressKey(VK_RETURN), 0);
    EXPECT_EQ(plugin.getFilesModes, (std::vector<int>{OPM_VIEW, OPM_EDIT, OPM_SILENT | OPM_VIEW}));
    ASSERT_EQ(emulator->hostCommands().size(), 3u);
    for (const HostCommandRecord& command : emulator->hostCommands()) {
        EXPECT_FALSE(command.realName);
        EXPECT_EQ(std::string(command.shown.begin(), command.shown.end()), "copy");
        EXPECT_EQ(command.path.rfind(hostTemporary.path(), 0), 0u) << command.path;
    }
    EXPECT_TRUE(FolderEmpty(hostTemporary.path())) << "the host drops its copies";
}

TEST_F(AnOpenPanel, EnterOnAFolderEntersItAndDelGoesToADeleteFilesThePlugInLacks) {
    std::ofstream(std::filesystem::path(hostFolder.path()) / "b.jpg") << "mine";
    EXPECT_EQ(emulator->pressKey(VK_RETURN), 0);  // the cursor stands on 02-05-17
    EXPECT_EQ(emulator->pluginPanel().curDir, "02-05-17");
    ASSERT_TRUE(emulator->enterFolder(".."));
    ASSERT_TRUE(emulator->setCurrentItem("b.jpg"));
    for (unsigned state : {0u, PKF_SHIFT, PKF_ALT})
        EXPECT_EQ(emulator->pressKey(VK_DELETE, state), 0);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(hostFolder.path()) / "b.jpg"));
    ASSERT_EQ(emulator->hostCommands().size(), 3u) << "plain Del is no delete key of the host";
    EXPECT_EQ(emulator->hostCommands()[2].action, "wipe");
    EXPECT_EQ(emulator->hostCommands()[2].failure, "the plug-in has no DeleteFiles");
    EXPECT_FALSE(emulator->hostCommands()[2].deleteFilesCalled);
}

// Every delete key of the host, the grey Del and the keypad's, goes to DeleteFiles with the
// marked items (else the current one) and mode 0; both panels are read again afterwards.
TEST_F(TheEmulatedHost, HandsItsDeleteKeysToTheDeleteFilesOfAPlugIn) {
    plugin.exportsDeleteFiles = true;
    ASSERT_TRUE(host().start());
    ASSERT_TRUE(emulator->openPanel());
    ASSERT_TRUE(emulator->setCurrentItem("b.jpg"));
    const struct {
        int key;
        unsigned state;
    } deletes[] = {{VK_F8, 0},
                   {VK_F8, PKF_SHIFT},
                   {VK_DELETE, PKF_SHIFT},
                   {VK_DELETE, PKF_ALT},
                   {VK_NUMPAD_DELETE, PKF_SHIFT},
                   {VK_NUMPAD_DELETE, PKF_ALT}};
    for (const auto& pressed : deletes)
        EXPECT_EQ(emulator->pressKey(pressed.key, pressed.state), 0);
    EXPECT_EQ(emulator->pressKey(VK_NUMPAD_DELETE), 0);
    EXPECT_EQ(emulator->pressKey(VK_DELETE, PKF_CONTROL), 0);
    EXPECT_EQ(plugin.deleteFilesCalls, std::vector<Names>(6, Names{"b.jpg"}));
    EXPECT_EQ(plugin.deleteFilesModes, std::vector<int>(6, 0));
    ASSERT_TRUE(emulator->selectItems({"A.jpg", "b.jpg"}));
    std::ofstream(std::filesystem::path(disk.path()) / "new.jpg") << "x";
    const int listings = emulator->listings();
    EXPECT_EQ(emulator->pressKey(VK_F8), 0);
    EXPECT_EQ(plugin.deleteFilesCalls.back(), (Names{"A.jpg", "b.jpg"}));
    EXPECT_EQ(emulator->listings(), listings + 1);
    EXPECT_NE(emulator->diskPanel().find("new.jpg"), -1) << "the disk panel is read again";
    ASSERT_EQ(emulator->hostCommands().size(), 7u);
    EXPECT_TRUE(emulator->hostCommands().back().deleteFilesCalled);
    EXPECT_EQ(emulator->hostCommands().back().deleteFilesResult, TRUE);
}

// The other panel is read again only when the plug-in asks (or after the host's own commands).
TEST_F(AnOpenPanel, ReadsTheDiskPanelAgainWhenThePlugInAsks) {
    std::ofstream(std::filesystem::path(disk.path()) / "new.jpg") << "x";
    duringKey([&](HANDLE) {});
    EXPECT_EQ(emulator->diskPanel().find("new.jpg"), -1);
    duringKey([&](HANDLE) {
        control(FCTL_UPDATEANOTHERPANEL, reinterpret_cast<void*>(1));
        EXPECT_NE(emulator->diskPanel().find("new.jpg"), -1) << "at once, during the call";
        PanelRedrawInfo cursor{2, 0};
        control(FCTL_REDRAWANOTHERPANEL, &cursor);
    });
    EXPECT_EQ(emulator->diskPanel().currentItem(), 2);
}

// The real host takes the items of a panel with OPIF_REALNAMES for files of its own current
// directory, whatever the plug-in holds.
TEST_F(AnOpenPanel, WithRealNamesTheHostActsOnFilesOfItsOwnFolder) {
    plugin.panelFlags |= OPIF_REALNAMES;
    ASSERT_TRUE(emulator->list());
    const auto own = std::filesystem::path(hostFolder.path());
    std::ofstream(own / "b.jpg") << "unrelated";
    ASSERT_TRUE(emulator->setCurrentItem("A.jpg"));
    EXPECT_EQ(emulator->pressKey(VK_F3), 0);
    ASSERT_TRUE(emulator->setCurrentItem("b.jpg"));
    EXPECT_EQ(emulator->pressKey(VK_F3), 0);
    EXPECT_EQ(emulator->pressKey(VK_DELETE, PKF_ALT), 0);
    EXPECT_TRUE(plugin.getFilesModes.empty()) << "the plug-in is never asked";
    ASSERT_EQ(emulator->hostCommands().size(), 3u);
    EXPECT_EQ(emulator->hostCommands()[0].failure, "Cannot open the file A.jpg");
    EXPECT_EQ(std::string(emulator->hostCommands()[1].shown.begin(),
                          emulator->hostCommands()[1].shown.end()),
              "unrelated");
    EXPECT_EQ(emulator->hostCommands()[2].action, "wipe");
    EXPECT_FALSE(std::filesystem::exists(own / "b.jpg")) << "the host wiped its own file";
}

TEST_F(TheEmulatedHost, APanelThePlugInRefusesIsNotOpened) {
    plugin.refuseOpen = true;
    ASSERT_TRUE(host().start());
    EXPECT_FALSE(emulator->openPanel());
    EXPECT_FALSE(emulator->panelOpen());
}

}  // namespace
}  // namespace pixlor::host
