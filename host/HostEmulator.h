// The file manager as far as the plug-in sees it: the start-up table with every service, texts
// from the real language file, a plug-in panel listed through the plug-in and a disk panel on a
// real directory, boxes and dialogs answered by a HostUser, and the host's rules checked as it
// goes (every saved screen restored exactly once, panels listed again only after the plug-in's
// call returns). One emulator is in force at a time: the host's services are plain functions.
#pragma once

#include "host/HostUser.h"
#include "host/LanguageFile.h"
#include "host/PanelModel.h"
#include "host/PluginModule.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pixlor::host {

// The host version the emulator answers to: 1.70, build 1282.
constexpr int HOST_VERSION = MAKEFARVERSION(1, 70, 1282);

// The plug-in number the emulator gives. The 64-bit host's is pointer-wide and does not fit in
// 32 bits, so a plug-in that keeps it in an int hands back another number.
#if INTPTR_MAX > INT32_MAX
constexpr std::intptr_t DEFAULT_MODULE_NUMBER = 0x1F4'7A30'0001;
#else
constexpr std::intptr_t DEFAULT_MODULE_NUMBER = 1;
#endif

struct EmulatorSettings {
    std::string moduleName;  // the plug-in module's path; its folder holds the .lng files
    std::string language = "English";
    std::string helpLanguage = "English";  // the host's help language, for the plug-in's help
    std::string rootKey = "Software\\Far\\Plugins";
    std::intptr_t moduleNumber = DEFAULT_MODULE_NUMBER;
    std::string diskDirectory;  // the directory of the disk panel
    // The file manager's own current directory, where it takes the items of a panel with
    // OPIF_REALNAMES to be files; empty: the process's current directory.
    std::string currentDirectory;
    // Where the host puts the copies it views or edits; empty: the system's temporary folder.
    std::string temporaryDirectory;
    // The host's confirmation settings (FCS_ bits) that ACTL_GETCONFIRMATIONS hands out; the
    // host asks before an operation stops on Esc by default.
    int confirmations = FCS_INTERRUPTOPERATION;
};

// What the plug-in said about itself in GetPluginInfo.
struct PluginDescription {
    DWORD flags = 0;
    std::vector<std::string> diskMenu;
    std::vector<std::string> configMenu;
};

// A Control call as the plug-in made it, with what its parameter asked for.
struct ControlRecord {
    int command = 0;
    bool withParameter = false;             // a parameter other than null
    std::string folder;                     // FCTL_CLOSEPLUGIN: the folder to show instead
    std::optional<PanelRedrawInfo> redraw;  // FCTL_REDRAWPANEL with a cursor position
    std::vector<std::string> markedAfter;   // FCTL_SETSELECTION: the names marked after it
};

// What the host did itself with a key the plug-in left to it (ProcessKey answered 0).
struct HostCommandRecord {
    int key = 0;
    unsigned controlState = 0;
    std::string action;     // "view", "edit", "delete", "wipe", "enter", "reread", "help"
    std::string path;       // the file acted on, the folder entered, the help file shown
    bool realName = false;  // the item was taken as a file of the host's current directory
    int getFilesMode = -1;  // the operation mode of the GetFiles asked for; -1: none
    int getFilesResult = 0;
    bool deleteFilesCalled = false;  // the host's delete went to the plug-in's DeleteFiles
    int deleteFilesResult = 0;
    std::vector<unsigned char> shown;  // what the viewer or editor showed
    std::string failure;  // what the host said instead of acting, or why it did nothing
};

// What the plug-in said about its panel at the latest GetOpenPluginInfo.
struct PanelDescription {
    DWORD flags = 0;
    std::string curDir;
    std::string format;
    std::string panelTitle;
    int startSortMode = 0;
    int startSortOrder = 0;
    // The seven label sets (Titles, Ctrl, Alt, Shift, Ctrl+Shift, Alt+Shift, Ctrl+Alt), F1..F12;
    // no value: the host's own label.
    std::array<std::array<std::optional<std::string>, 12>, 7> keyBar;
};

class HostEmulator {
public:
    HostEmulator(const PluginEntryPoints& plugin, HostUser& user, EmulatorSettings settings);
    ~HostEmulator();
    HostEmulator(const HostEmulator&) = delete;
    HostEmulator& operator=(const HostEmulator&) = delete;

    // Reads the language file, checks the plug-in's version, SetStartupInfo, GetPluginInfo.
    bool start();
    // OpenPlugin from the disk menu, then the first listing; false when the plug-in refuses.
    bool openPanel(int diskMenuItem = 0);
    // Lists the plug-in panel again (GetFindData, FreeFindData, GetOpenPluginInfo).
    bool list(bool keepSelection = true);
    // SetDirectory, then a listing; false when the plug-in refuses the folder.
    bool enterFolder(const std::string& name);
    // Marks the named items of the plug-in panel; false (nothing marked) for an unknown name.
    bool selectItems(const std::vector<std::string>& names);
    bool setCurrentItem(const std::string& name);
    // ProcessKey with the control state (PKF_ bits); the plug-in's answer. A key it leaves to
    // the host is then done as the real host does it: Enter enters a folder; F3, F4 and Enter
    // on a picture view or edit it, a file of the current directory under OPIF_REALNAMES, else
    // a copy GetFiles puts into a temporary folder (removed afterwards); F8, Shift+F8, Shift+Del
    // and Alt+Del (the grey Del and the keypad's) delete or wipe those files under
    // OPIF_REALNAMES, else hand the marked items (or the current one) to the plug-in's
    // DeleteFiles with operation mode 0 and list both panels again, or do nothing without it;
    // Ctrl+R lists the panel again; F1 shows the topic Contents of the plug-in's help file for
    // the help language, chosen by the host's rules (path empty: the host's own help).
    int pressKey(int key, unsigned controlState = 0);
    // The Files menu's Delete (or Wipe): the host's own delete of the marked items (else the
    // one under the cursor), as its delete keys do it; DeleteFiles' answer, 0 without one.
    int deleteFromFilesMenu(bool wipe);
    // GetFiles of the marked items (else the one under the cursor) into the disk panel's
    // directory; the plug-in's answer, -1 when there is nothing to get.
    int getFiles(bool move = false);
    // Configure from the plug-in configuration menu; the plug-in's answer.
    int configure(int item = 0);
    // ClosePlugin of the open panel.
    void closePanel();
    // Points the disk panel at another directory and lists it.
    bool setDiskDirectory(const std::string& directory);
    // The user changes the host's confirmation settings (FCS_ bits).
    void setConfirmations(int confirmations) { settings_.confirmations = confirmations; }
    // Presses a key on the console (its key-down and key-up events go to the end of the console
    // input), as the user does while the plug-in works: the plug-in reads them itself. False,
    // with errorText, when the console does not take them.
    bool typeKey(WORD virtualKey, char character = 0);

    bool panelOpen() const { return panel_ != nullptr; }
    // The handle OpenPlugin gave for the open panel, or null.
    HANDLE panelHandle() const { return panel_; }
    const PanelModel& pluginPanel() const { return pluginPanel_; }
    const PanelModel& diskPanel() const { return diskPanel_; }
    const PluginDescription& pluginDescription() const { return pluginDescription_; }
    const PanelDescription& panelDescription() const { return panelDescription_; }
    const PluginStartupInfo& startupInfo() const { return startupInfo_; }
    const LanguageFile& languageFile() const { return languageFile_; }
    // The directory the plug-in named when it asked the host to close its panel.
    const std::string& closeDirectory() const { return closeDirectory_; }
    int screensSaved() const { return screensSaved_; }
    int screensOutstanding() const { return static_cast<int>(savedScreens_.size()); }
    int listings() const { return listings_; }  // GetFindData calls so far
    // What the host did with the keys the plug-in left to it, in order.
    const std::vector<HostCommandRecord>& hostCommands() const { return hostCommands_; }
    // Every Control call so far, in order, and those of one command.
    const std::vector<ControlRecord>& controls() const { return controls_; }
    std::vector<ControlRecord> controls(int command) const;
    // Every breach of the host's rules the plug-in committed, in words.
    const std::vector<std::string>& violations() const { return violations_; }

    std::string errorText;  // why the last operation failed

    // The host's services, as the start-up table hands them to the plug-in.
    static const char* FARAPI GetMsg(std::intptr_t moduleNumber, int messageId);
    static int FARAPI Message(std::intptr_t moduleNumber, DWORD flags, const char* helpTopic,
                              const char* const* items, int itemsNumber, int buttonsNumber);
    static int FARAPI Dialog(std::intptr_t moduleNumber, int x1, int y1, int x2, int y2,
                             const char* helpTopic, FarDialogItem* item, int itemsNumber);
    static int FARAPI Control(HANDLE plugin, int command, void* param);
    static HANDLE FARAPI SaveScreen(int x1, int y1, int x2, int y2);
    static void FARAPI RestoreScreen(HANDLE screen);
    static int FARAPI AdvControl(std::intptr_t moduleNumber, int command, void* param);

private:
    class PluginCall;

    bool fail(const std::string& why);
    void violation(const std::string& what);
    void checkModuleNumber(std::intptr_t moduleNumber, const char* service);
    void readPanelDescription();
    // Reads the disk panel's directory, as the host does after its own commands and when the
    // plug-in asks (FCTL_UPDATEANOTHERPANEL); never on its own after a plug-in's key.
    void listDisk(bool keepSelection = true);
    void hostKey(int key, unsigned controlState);
    void openItem(const PluginPanelItem& item, HostCommandRecord& record);
    void deleteItems(HostCommandRecord record);
    void showPluginHelp(HostCommandRecord& record) const;
    std::filesystem::path currentDirectory() const;
    // What the plug-in asked for during its call, done now that it has returned.
    void afterPluginCall();
    int control(HANDLE plugin, int command, void* param);
    int fillPanelInfo(bool pluginSide, PanelInfo* info);
    int message(std::intptr_t moduleNumber, DWORD flags, const char* helpTopic,
                const char* const* items, int itemsNumber, int buttonsNumber);

    PluginEntryPoints plugin_;
    HostUser& user_;
    EmulatorSettings settings_;
    HostEmulator* previous_;
    LanguageFile languageFile_;
    FarStandardFunctions standardFunctions_;
    PluginStartupInfo startupInfo_{};
    PluginDescription pluginDescription_;
    PanelDescription panelDescription_;
    bool started_ = false;
    HANDLE panel_ = nullptr;
    PanelModel pluginPanel_;
    PanelModel diskPanel_;

    // Requests made by the plug-in during a call, carried out after it returns.
    struct Pending {
        bool update = false;
        bool keepSelection = false;
        std::optional<PanelRedrawInfo> cursor;
        bool close = false;
    } pending_;
    std::string closeDirectory_;

    // The item arrays handed out by the latest FCTL_GETPANELINFO of each side.
    std::array<std::vector<PluginPanelItem>, 2> infoItems_;
    std::array<std::vector<PluginPanelItem>, 2> infoSelected_;

    int callDepth_ = 0;
    std::set<HANDLE> savedScreens_;
    std::uintptr_t nextScreen_ = 0x5C000;
    int screensSaved_ = 0;
    int listings_ = 0;
    std::vector<ControlRecord> controls_;
    std::vector<HostCommandRecord> hostCommands_;
    int temporaryFolders_ = 0;
    std::vector<std::string> violations_;
};

}  // namespace pixlor::host
