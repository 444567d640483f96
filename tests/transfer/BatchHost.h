// The batch suites' situation: a recording host (boxes, panel commands, saved screens, the
// panel's items with their selection marks), the simulated camera on COM2 of the test system,
// and a camera panel whose catalogue has been read as the panel reads it when it opens.
#pragma once

#include "config/SettingsStore.h"
#include "shell/CameraPanel.h"
#include "shell/ModuleState.h"
#include "sim/CameraModel.h"
#include "platform/Calendar.h"
#include "tests/support/HostFixture.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pixlor::test {

struct Box {
    DWORD flags = 0;
    bool helpTopic = false;
    std::string topic;
    std::vector<std::string> items;
};

struct PanelCommand {
    int command = 0;
    std::uintptr_t parameter = 0;
    PanelRedrawInfo redraw{-1, -1};
    std::set<DWORD> selectedAfter;  // FCTL_SETSELECTION: the user data of the items still marked
};

class BatchHost {
public:
    BatchHost() {
        current = this;
        texts[59] = "Port status 0x%04X, link error %d, operation %d";
        texts[91] = "File %d: %u of %u bytes, %u%%";
        texts[92] = "%d files: %u of %u bytes, %u%%";
        texts[93] = "Deleting picture %d of %d";
        HostServices.GetMsg = GetMsg;
        HostServices.Message = Message;
        HostServices.Control = Control;
        HostServices.SaveScreen = SaveScreen;
        HostServices.RestoreScreen = RestoreScreen;
    }
    ~BatchHost() { current = nullptr; }
    BatchHost(const BatchHost&) = delete;
    BatchHost& operator=(const BatchHost&) = delete;

    // Panel items for the given catalogue positions, all marked.
    void markPictures(const std::vector<DWORD>& positions) {
        for (DWORD position : positions) {
            PluginPanelItem item{};
            std::snprintf(item.FindData.cFileName, sizeof item.FindData.cFileName, "p%u.jpg",
                          static_cast<unsigned>(position));
            item.UserData = position;
            item.Flags = PPIF_SELECTED;
            panelItems.push_back(item);
        }
    }
    std::vector<Box> boxesTitled(int message) const {
        std::vector<Box> found;
        for (const Box& box : boxes)
            if (!box.items.empty() && box.items[0] == text(message)) found.push_back(box);
        return found;
    }
    std::vector<Box> reports() const {
        std::vector<Box> found;
        for (const Box& box : boxes)
            if (box.topic == "Errors") found.push_back(box);
        return found;
    }
    std::vector<PanelCommand> commands(int command) const {
        std::vector<PanelCommand> found;
        for (const PanelCommand& call : panelCommands)
            if (call.command == command) found.push_back(call);
        return found;
    }
    bool everyScreenRestoredOnce() const {
        return restoresOfUnknownScreens == 0 &&
               std::all_of(restores.begin(), restores.end(),
                           [](const auto& screen) { return screen.second == 1; });
    }
    std::string text(int message) const {
        const auto found = texts.find(message);
        return found != texts.end() ? found->second : "M" + std::to_string(message);
    }

    HostServicesInForce services;
    std::map<int, std::string> texts;
    std::vector<Box> boxes;
    std::vector<PanelCommand> panelCommands;
    std::vector<PluginPanelItem> panelItems;
    std::map<HANDLE, int> restores;  // saved screen -> times restored
    int restoresOfUnknownScreens = 0;

private:
    static const char* FARAPI GetMsg(int, int message) {
        static std::map<int, std::string> shown;
        shown[message] = current->text(message);
        return shown[message].c_str();
    }
    static int FARAPI Message(int, DWORD flags, const char* topic, const char* const* items,
                              int count, int) {
        Box box{flags, topic != nullptr, topic != nullptr ? topic : "", {}};
        for (int i = 0; i < count; ++i) box.items.emplace_back(items[i]);
        current->boxes.push_back(box);
        return 0;
    }
    static int FARAPI Control(HANDLE, int command, void* parameter) {
        PanelCommand call{command, reinterpret_cast<std::uintptr_t>(parameter), {-1, -1}, {}};
        auto& items = current->panelItems;
        if (command == FCTL_GETPANELINFO) {
            static std::vector<PluginPanelItem> selected;
            selected.clear();
            for (const PluginPanelItem& item : items)
                if ((item.Flags & PPIF_SELECTED) != 0) selected.push_back(item);
            auto& info = *static_cast<PanelInfo*>(parameter);
            info = PanelInfo{};
            info.PanelItems = items.data();
            info.ItemsNumber = static_cast<int>(items.size());
            info.SelectedItems = selected.data();
            info.SelectedItemsNumber = static_cast<int>(selected.size());
        } else if (command == FCTL_SETSELECTION) {
            const auto& info = *static_cast<const PanelInfo*>(parameter);
            for (int i = 0; i < info.ItemsNumber; ++i) {
                items[static_cast<std::size_t>(i)].Flags = info.PanelItems[i].Flags;
                if ((info.PanelItems[i].Flags & PPIF_SELECTED) != 0)
                    call.selectedAfter.insert(info.PanelItems[i].UserData);
            }
        } else if (command == FCTL_REDRAWPANEL && parameter != nullptr) {
            call.redraw = *static_cast<const PanelRedrawInfo*>(parameter);
        }
        current->panelCommands.push_back(call);
        return 1;
    }
    static HANDLE FARAPI SaveScreen(int, int, int, int) {
        static std::uintptr_t next = 0x100;
        const auto handle = reinterpret_cast<HANDLE>(next++);
        current->restores[handle] = 0;
        return handle;
    }
    static void FARAPI RestoreScreen(HANDLE handle) {
        const auto found = current->restores.find(handle);
        if (found == current->restores.end())
            ++current->restoresOfUnknownScreens;
        else
            ++found->second;
    }

    static inline BatchHost* current = nullptr;
};

// Seconds since 1970 of a shooting time, taken as calendar time.
inline std::int32_t ShotAt(int year, unsigned month, unsigned day, unsigned hour = 12) {
    return static_cast<std::int32_t>(daysFromCivil(year, month, day) * 86400 + hour * 3600);
}

// Pictures and thumbnails of the given sizes, shot on consecutive days from 2002-07-05.
inline std::vector<sim::Picture> PicturesOfSizes(const std::vector<std::uint32_t>& photoSizes,
                                                 std::uint32_t thumbSize = 700) {
    std::vector<sim::Picture> pictures;
    for (std::size_t i = 0; i < photoSizes.size(); ++i)
        pictures.push_back({photoSizes[i], thumbSize,
                            ShotAt(2002, 7, static_cast<unsigned>(5 + i)), 0});
    return pictures;
}

class BatchOnSimulatedCamera : public ::testing::Test {
protected:
    explicit BatchOnSimulatedCamera(std::vector<sim::Picture> pictures)
        : camera(std::move(pictures), 7, 4096) {
        pluginKeyPath = "Software\\Far\\Plugins\\Pixlor";
        fake.system.attachPort(2, &camera);  // the default port, COM2
        panel = std::make_unique<CameraPanel>();
        CameraDevice& device = *panel->device;
        EXPECT_TRUE(device.openCatalogue());
        for (std::uint32_t n = 1; n <= device.pictureCount; ++n)
            EXPECT_TRUE(device.readPictureInfo(n, n == device.pictureCount));
        EXPECT_TRUE(device.disconnect());
        panel->listingState = LISTING_FLAT_ROOT;
        destination = folder.path() + "\\";
    }

    void setText(const char* name, const char* text) {
        WriteText(HKEY_CURRENT_USER, "", name, text);
    }
    std::unique_ptr<SelectionList> positions(const std::vector<std::uint32_t>& list) {
        auto selection = std::make_unique<SelectionList>();
        for (std::uint32_t position : list) {
            const PictureEntry* entry = panel->device->entryAt(position);
            selection->push_back({entry != nullptr ? PictureFileTime(*entry) : FILETIME{}, position});
        }
        return selection;
    }
    std::vector<std::uint32_t> idsOnCamera() const {
        std::vector<std::uint32_t> ids;
        for (const sim::Picture& picture : camera.pictures()) ids.push_back(picture.id);
        return ids;
    }
    std::string onDisk(const std::string& relative) const {
        return nativePath(folder.path() + "\\" + relative);
    }
    std::vector<BYTE> expected(std::uint32_t id, sim::PictureKind kind) const {
        return camera.expectedData(id, kind);
    }
    std::string lastReportLine() const {
        const auto reports = host.reports();
        return reports.empty() ? std::string() : reports.back().items.back();
    }

    FakeSystemInForce fake;
    sim::CameraModel camera;
    BatchHost host;
    TempDir folder;
    std::unique_ptr<CameraPanel> panel;
    std::string destination;
};

}  // namespace pixlor::test
