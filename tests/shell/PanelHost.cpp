#include "tests/shell/PanelHost.h"

#include "host/StandardFunctions.h"
#include "platform/Calendar.h"
#include "shell/EntryPoints.h"
#include "shell/HostServices.h"
#include "shell/PanelListing.h"

#include <array>
#include <cstring>

namespace pixlor::test {

PanelHost* PanelHost::current = nullptr;

namespace {

const std::array<std::string, 100>& MessageTexts() {
    static const std::array<std::string, 100> texts = [] {
        std::array<std::string, 100> all;
        for (std::size_t n = 0; n < all.size(); ++n) all[n] = "M" + std::to_string(n);
        // Formats, as a language file holds them.
        all[59] = "status %d error %d operation %d";
        all[91] = "file %d: %d of %d, %d%%";
        all[92] = "%d files: %d of %d, %d%%";
        all[93] = "%d of %d";
        return all;
    }();
    return texts;
}

const char* FARAPI GetMsgService(int, int number) {
    const auto& texts = MessageTexts();
    return number >= 0 && static_cast<std::size_t>(number) < texts.size() ? texts[number].c_str()
                                                                           : "";
}

int FARAPI MessageService(int, DWORD flags, const char* helpTopic, const char* const* items,
                          int itemsNumber, int buttonsNumber) {
    PanelHost& host = *PanelHost::current;
    ShownMessage shown;
    shown.flags = flags;
    shown.helpTopic = helpTopic != nullptr ? helpTopic : "(none)";
    for (int i = 0; i < itemsNumber; ++i) shown.items.emplace_back(items[i]);
    shown.buttons = buttonsNumber;
    host.messages.push_back(shown);
    const bool hasButtons = (flags & (FMSG_MB_OK | FMSG_MB_OKCANCEL)) != 0 || buttonsNumber > 0;
    if (!hasButtons || host.messageAnswers.empty()) return 0;
    const int answer = host.messageAnswers.front();
    host.messageAnswers.pop_front();
    return answer;
}

int FARAPI DialogService(int, int x1, int y1, int x2, int y2, const char* helpTopic,
                         FarDialogItem* items, int itemsNumber) {
    PanelHost& host = *PanelHost::current;
    host.dialogs.push_back({x1, y1, x2, y2, helpTopic != nullptr ? helpTopic : "(none)",
                            std::vector<FarDialogItem>(items, items + itemsNumber)});
    if (host.answerDialog) return host.answerDialog(items, itemsNumber);
    for (int i = 0; i < itemsNumber; ++i)
        if (items[i].DefaultButton != 0) return i;
    return -1;
}

void FillPanelInfo(PanelInfo& info, std::vector<PluginPanelItem>& items,
                   std::vector<PluginPanelItem>& selected, const std::string& folder) {
    info = PanelInfo{};
    info.PanelItems = items.empty() ? nullptr : items.data();
    info.ItemsNumber = static_cast<int>(items.size());
    info.SelectedItems = selected.empty() ? nullptr : selected.data();
    info.SelectedItemsNumber = static_cast<int>(selected.size());
    std::snprintf(info.CurDir, sizeof(info.CurDir), "%s", folder.c_str());
}

int FARAPI ControlService(HANDLE, int command, void* parameter) {
    PanelHost& host = *PanelHost::current;
    std::string text;
    if (command == FCTL_CLOSEPLUGIN && parameter != nullptr)
        text = static_cast<const char*>(parameter);
    else if (command == FCTL_UPDATEPANEL)
        text = parameter != nullptr ? "1" : "0";
    host.controls.push_back({command, text});
    static std::vector<PluginPanelItem> noSelection;
    switch (command) {
    case FCTL_GETANOTHERPANELINFO:
        FillPanelInfo(*static_cast<PanelInfo*>(parameter), host.otherPanelItems, noSelection,
                      host.otherPanelFolder);
        return 1;
    case FCTL_GETPANELINFO:
        FillPanelInfo(*static_cast<PanelInfo*>(parameter), host.panelItems, host.selectedItems,
                      "");
        return 1;
    case FCTL_SETSELECTION: {
        const auto& info = *static_cast<const PanelInfo*>(parameter);
        host.panelItems.assign(info.PanelItems, info.PanelItems + info.ItemsNumber);
        return 1;
    }
    default:
        return 1;
    }
}

HANDLE FARAPI SaveScreenService(int, int, int, int) {
    PanelHost& host = *PanelHost::current;
    ++host.screensSaved;
    auto handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x5000 + host.screensSaved));
    host.screens[handle] = false;
    return handle;
}

void FARAPI RestoreScreenService(HANDLE handle) {
    PanelHost& host = *PanelHost::current;
    ++host.screensRestored;
    auto screen = host.screens.find(handle);
    if (screen == host.screens.end() || screen->second)
        ++host.screensRestoredTwice;
    else
        screen->second = true;
}

std::vector<BYTE> TextBytes(const std::string& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {bytes, bytes + text.size() + 1};
}

}  // namespace

std::string Msg(int number) { return MessageTexts()[static_cast<std::size_t>(number)]; }

PanelHost::PanelHost() : standardFunctions(host::MakeStandardFunctions()) {
    current = this;
    startupInfo.StructSize = sizeof(startupInfo);
    startupInfo.ModuleNumber = 7;
    startupInfo.RootKey = rootKey.c_str();
    startupInfo.GetMsg = GetMsgService;
    startupInfo.Message = MessageService;
    startupInfo.Dialog = DialogService;
    startupInfo.Control = ControlService;
    startupInfo.SaveScreen = SaveScreenService;
    startupInfo.RestoreScreen = RestoreScreenService;
    startupInfo.FSF = &standardFunctions;
}

PanelHost::~PanelHost() { current = nullptr; }

bool PanelHost::allScreensRestoredOnce() const {
    if (screensRestoredTwice != 0) return false;
    for (const auto& [handle, restored] : screens)
        if (!restored) return false;
    return true;
}

std::vector<ShownMessage> PanelHost::messagesWithTopic(const std::string& topic) const {
    std::vector<ShownMessage> found;
    for (const ShownMessage& message : messages)
        if (message.helpTopic == topic) found.push_back(message);
    return found;
}

sim::Picture PictureOn(int year, unsigned month, unsigned day, std::uint32_t photoSize,
                       std::uint32_t thumbSize, unsigned hour, unsigned minute, unsigned second) {
    const std::int64_t seconds =
        daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return {photoSize, thumbSize, static_cast<std::int32_t>(seconds), 0};
}

PluginPanelItem PanelItemNamed(const std::string& name, DWORD attributes, DWORD userData) {
    PluginPanelItem item{};
    std::snprintf(item.FindData.cFileName, sizeof(item.FindData.cFileName), "%s", name.c_str());
    item.FindData.dwFileAttributes = attributes;
    item.UserData = userData;
    return item;
}

PanelTestBase::PanelTestBase(std::vector<sim::Picture> pictures, int serialPorts)
    : camera(std::move(pictures)) {
    fake.system.attachPort(2, &camera);
    auto& ports = fake.system.registry().ensureKey("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
    for (int i = 0; i < serialPorts; ++i) {
        const std::string port = "COM" + std::to_string(i + 1);
        ports.values.push_back({"\\Device\\Serial" + std::to_string(i), REG_SZ,
                                TextBytes(port)});
    }
    pixlor::ClosePlugin(nullptr);
    pixlor::SetStartupInfo(host.startupInfo);
    host.otherPanelFolder = folder.path();
}

PanelTestBase::~PanelTestBase() { pixlor::ClosePlugin(panel); }

std::string PanelTestBase::settingsKey() const {
    return "HKEY_CURRENT_USER\\" + host.rootKey + "\\Pixlor";
}

void PanelTestBase::setNumber(const char* name, DWORD value) {
    auto& key = fake.system.registry().ensureKey(settingsKey());
    std::vector<BYTE> data(4);
    std::memcpy(data.data(), &value, 4);
    key.values.push_back({name, REG_DWORD, data});
}

void PanelTestBase::setText(const char* name, const std::string& text) {
    auto& key = fake.system.registry().ensureKey(settingsKey());
    key.values.push_back({name, REG_SZ, TextBytes(text)});
}

CameraPanel* PanelTestBase::open() {
    panel = pixlor::OpenPlugin();
    return panel;
}

std::vector<PluginPanelItem> PanelTestBase::list(CameraPanel& listed) {
    PluginPanelItem* items = nullptr;
    int count = -1;
    GetFindData(listed, items, count);
    std::vector<PluginPanelItem> copy(items, items + count);
    FreeFindData(items);
    return copy;
}

std::vector<std::string> PanelTestBase::names(CameraPanel& listed) {
    std::vector<std::string> found;
    for (const PluginPanelItem& item : list(listed)) found.emplace_back(item.FindData.cFileName);
    return found;
}

}  // namespace pixlor::test
