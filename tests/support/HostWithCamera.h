// A host with the in-process camera: the test system with a simulated camera on a serial port and
// the port list in its registry, a scripted user, and the host emulator driving the plug-in through
// the entry points linked into the test program, all on the virtual clock. Header only, so that
// only the programs that use it need the emulator, the simulator and the plug-in's exports.
#pragma once

#include "host/HostEmulator.h"
#include "host/ScriptedUser.h"
#include "panel/CameraPanel.h"
#include "platform/Calendar.h"
#include "sim/CameraModel.h"
#include "sim/peer/CameraPeer.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace pixlor::test {

// A picture shot at the given calendar time.
inline sim::Picture PictureOn(int year, unsigned month, unsigned day,
                              std::uint32_t photoSize = 3000, std::uint32_t thumbSize = 500,
                              unsigned hour = 12, unsigned minute = 0, unsigned second = 0) {
    const std::int64_t seconds =
        daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return {photoSize, thumbSize, static_cast<std::int32_t>(seconds), 0};
}

// The title and lines of a box, as the plug-in passed them before any buttons.
inline std::vector<std::string> BoxTexts(const host::BoxRecord& box) {
    std::vector<std::string> texts{box.title};
    texts.insert(texts.end(), box.lines.begin(), box.lines.end());
    return texts;
}

struct CameraHostSetup {
    int serialPorts = 2;  // COM1..COM<n> in the system's port list
    unsigned cameraPort = 2;
    std::uint32_t packetSize = sim::DEFAULT_PACKET_SIZE;
    // Message n reads "M<n>" instead of the project's English text; the suites that check which
    // message is shown compare numbers, not wording.
    bool numberedTexts = false;
    std::map<int, std::string> texts;      // messages with texts of the test's own
    std::string helpLanguage = "English";  // the host's help language
};

// Numbered texts with these messages' own texts, and `serialPorts` ports listed.
inline CameraHostSetup NumberedTexts(std::map<int, std::string> texts = {}, int serialPorts = 2) {
    CameraHostSetup setup;
    setup.numberedTexts = true;
    setup.texts = std::move(texts);
    setup.serialPorts = serialPorts;
    return setup;
}

class HostWithCamera : public ::testing::Test {
protected:
    static constexpr const char* SETTINGS_KEY = "Software\\Far\\Plugins\\Pixlor";

    explicit HostWithCamera(std::vector<sim::Picture> pictures, CameraHostSetup setup = {})
        : setup_(std::move(setup)), camera(std::move(pictures), 1, setup_.packetSize),
          emulator(host::LinkedPluginEntryPoints(), user, emulatorSettings()) {
        fake.system.attachPort(setup_.cameraPort, &cameraPeer);
        auto& ports =
            fake.system.registry().ensureKey("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
        for (int i = 0; i < setup_.serialPorts; ++i)
            ports.values.push_back({"\\Device\\Serial" + std::to_string(i), REG_SZ,
                                    textBytes("COM" + std::to_string(i + 1))});
    }

    void TearDown() override {
        EXPECT_EQ(emulator.screensOutstanding(), 0);
        for (const std::string& violation : emulator.violations()) ADD_FAILURE() << violation;
    }

    // Starts the plug-in in the emulator; a language file of the test's own is written first.
    bool start() {
        if (ownLanguageFile() && !writeLanguageFile()) return false;
        return emulator.start();
    }
    // Starts the plug-in and opens the camera panel from the disk menu.
    bool startAndOpen() { return start() && emulator.openPanel(); }
    // The panel the plug-in opened, or null.
    CameraPanel* panel() const { return static_cast<CameraPanel*>(emulator.panelHandle()); }

    // Lists the plug-in panel again through the host; its items in the host's order, ".." left out.
    std::vector<PluginPanelItem> listing() {
        EXPECT_TRUE(emulator.list()) << emulator.errorText;
        std::vector<PluginPanelItem> items = emulator.pluginPanel().items();
        if (!items.empty() && std::strcmp(items[0].FindData.cFileName, "..") == 0)
            items.erase(items.begin());
        return items;
    }

    std::string text(int message) const {
        const char* found = emulator.languageFile().message(message);
        return found != nullptr ? found : "";
    }
    // Settings as a user left them in the registry.
    void setNumber(const char* name, DWORD value) {
        setValue(name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    void setText(const char* name, const std::string& value) {
        setValue(name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
    }

    std::vector<BYTE> expected(std::size_t position,
                               sim::PictureKind kind = sim::PictureKind::Photo) const {
        return camera.expectedData(camera.pictures().at(position).id, kind);
    }
    std::vector<host::BoxRecord> boxesWithTopic(const std::string& topic) const {
        std::vector<host::BoxRecord> found;
        for (const host::BoxRecord& box : user.boxes)
            if (box.helpTopic == topic) found.push_back(box);
        return found;
    }
    std::vector<host::BoxRecord> boxesTitled(int message) const {
        std::vector<host::BoxRecord> found;
        for (const host::BoxRecord& box : user.boxes)
            if (box.title == text(message)) found.push_back(box);
        return found;
    }
    // Every screen the plug-in saved was restored, and none twice.
    bool everyScreenRestoredOnce() const {
        return emulator.screensOutstanding() == 0 && emulator.violations().empty();
    }
    std::size_t filesOnDisk() const {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(disk.path()))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    CameraHostSetup setup_;
    FakeSystemInForce fake;
    TempDir disk;            // the folder of the host's disk panel
    TempDir languageFolder;  // with numbered texts: the language file beside a stand-in module
    TempDir hostFolder;      // the host's own current directory
    TempDir hostTemporary;   // where the host puts the copies it views
    sim::CameraModel camera;
    CameraPeer cameraPeer{camera};
    host::ScriptedUser user;
    host::HostEmulator emulator;

private:
    static std::vector<BYTE> textBytes(const std::string& text) {
        const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
        return {bytes, bytes + text.size() + 1};
    }
    host::EmulatorSettings emulatorSettings() const {
        host::EmulatorSettings settings;
        // The project's language files stand beside the module in the build folder.
        const std::filesystem::path folder = ownLanguageFile()
                                                 ? std::filesystem::path(languageFolder.path())
                                                 : std::filesystem::current_path();
        settings.moduleName = (folder / "pixlor.so").string();
        settings.diskDirectory = disk.path();
        settings.currentDirectory = hostFolder.path();
        settings.temporaryDirectory = hostTemporary.path();
        settings.helpLanguage = setup_.helpLanguage;
        return settings;
    }
    bool ownLanguageFile() const { return setup_.numberedTexts || !setup_.texts.empty(); }
    bool writeLanguageFile() const {
        host::LanguageFile project;
        if (!project.load("PixlorEng.lng")) {
            ADD_FAILURE() << project.errorText;
            return false;
        }
        std::ofstream file(std::filesystem::path(languageFolder.path()) / "PixlorTest.lng");
        file << ".Language=English,English\n\n";
        for (int n = 0; n < project.count(); ++n) {
            const auto own = setup_.texts.find(n);
            const std::string shown = own != setup_.texts.end() ? own->second
                                      : setup_.numberedTexts    ? "M" + std::to_string(n)
                                                                : std::string(project.message(n));
            file << '"' << shown << "\"\n";
        }
        return static_cast<bool>(file);
    }
    void setValue(const char* name, DWORD type, const BYTE* data, DWORD size) {
        RegistryModel& registry = fake.system.registry();
        HKEY key = nullptr;
        ASSERT_EQ(registry.createKey(HKEY_CURRENT_USER, SETTINGS_KEY, &key), ERROR_SUCCESS);
        registry.setValue(key, name, type, data, size);
        registry.closeKey(key);
    }
};

}  // namespace pixlor::test
