// A recording host for the panel's tests: message texts "M<n>", every box, dialog and panel
// command kept as the plug-in asked for it, scripted answers, the other panel's items, and a
// check that every saved screen is restored exactly once. Together with a simulated camera on
// COM2 of the test system, with the serial-port list and the settings in its registry.
#pragma once

#include "shell/CameraPanel.h"
#include "sim/CameraModel.h"
#include "tests/support/Support.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace pixlor::test {

struct ShownMessage {
    DWORD flags = 0;
    std::string helpTopic;  // "(none)" when the plug-in passed no topic
    std::vector<std::string> items;
    int buttons = 0;
};

struct ShownDialog {
    int x1, y1, x2, y2;
    std::string helpTopic;
    std::vector<FarDialogItem> items;  // as the plug-in handed them over
};

struct ControlCall {
    int command;
    std::string parameter;  // a text parameter, else "1", "0" or "" for none
};

// The text of message n as the recording host gives it.
std::string Msg(int number);

class PanelHost {
public:
    PanelHost();
    ~PanelHost();
    PanelHost(const PanelHost&) = delete;
    PanelHost& operator=(const PanelHost&) = delete;

    // --- scripted answers ---
    std::deque<int> messageAnswers;  // for boxes with buttons; 0 (OK) when empty
    // Fills in the dialog's answers and gives the item that closes it; OK unchanged by default.
    std::function<int(FarDialogItem* items, int count)> answerDialog;
    std::vector<PluginPanelItem> otherPanelItems;
    std::string otherPanelFolder = "C:\\other";
    std::vector<PluginPanelItem> selectedItems;  // this panel's selection
    std::vector<PluginPanelItem> panelItems;     // this panel's items

    // --- records ---
    std::vector<ShownMessage> messages;
    std::vector<ShownDialog> dialogs;
    std::vector<ControlCall> controls;
    int screensSaved = 0;
    int screensRestored = 0;
    int screensRestoredTwice = 0;  // restores of a handle already restored, or unknown
    bool allScreensRestoredOnce() const;
    std::vector<ShownMessage> messagesWithTopic(const std::string& topic) const;

    PluginStartupInfo startupInfo{};
    FarStandardFunctions standardFunctions{};
    std::string rootKey = "Software\\Far\\Plugins";

    static PanelHost* current;
    std::map<HANDLE, bool> screens;  // handle -> restored
};

// A picture shot at the given UTC calendar time.
sim::Picture PictureOn(int year, unsigned month, unsigned day, std::uint32_t photoSize = 3000,
                       std::uint32_t thumbSize = 500, unsigned hour = 12, unsigned minute = 0,
                       unsigned second = 0);

// A panel item as the host hands one back: name, attributes, user data, time.
PluginPanelItem PanelItemNamed(const std::string& name, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE,
                               DWORD userData = 0);

// The test system, a recording host started through SetStartupInfo, and a camera on COM2.
class PanelTestBase {
public:
    explicit PanelTestBase(std::vector<sim::Picture> pictures, int serialPorts = 2);
    virtual ~PanelTestBase();

    void setNumber(const char* name, DWORD value);
    void setText(const char* name, const std::string& text);
    std::string settingsKey() const;

    // OpenPlugin through the module's own entry point; null when refused.
    CameraPanel* open();
    // GetFindData, the items copied out and the array given back.
    std::vector<PluginPanelItem> list(CameraPanel& panel);
    std::vector<std::string> names(CameraPanel& panel);

    FakeSystemInForce fake;
    sim::CameraModel camera;
    PanelHost host;
    TempDir folder;
    CameraPanel* panel = nullptr;  // closed at the end
};

}  // namespace pixlor::test
