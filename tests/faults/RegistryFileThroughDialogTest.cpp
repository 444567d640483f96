// The Linux registry file as the configuration dialog meets it, on the real system layer: saving
// keeps every key and value the plug-in does not own, and a malformed file gives the defaults and
// stays as it is until the user saves settings, when it is kept beside the new one as .bak.
// Linux only: on Windows the settings live in the system's own registry.
#ifndef _WIN32
#include "host/HostEmulator.h"
#include "host/ScriptedUser.h"
#include "platform/RegistryModel.h"
#include "platform/posix/RegistryFile.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pixlor::test {
namespace {

constexpr const char* SETTINGS_KEY = "HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor";
constexpr int ITEM_SPEED_38400 = 13;
constexpr int ITEM_PHOTO_NAME = 18;
constexpr int ITEM_THUMB_FOLDER = 24;
constexpr int ITEM_OK = 32;
constexpr int ITEM_CANCEL = 33;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ARegistryFileOnDisk : public ::testing::Test {
protected:
    ARegistryFileOnDisk()
        : file(folder.path() + "/registry.reg"),
          emulator(host::LinkedPluginEntryPoints(), user, settings()) {
        const char* previous = std::getenv("PIXLOR_REGISTRY");
        previousFile = previous != nullptr ? previous : "";
        setenv("PIXLOR_REGISTRY", file.c_str(), 1);
    }
    ~ARegistryFileOnDisk() override {
        if (previousFile.empty()) unsetenv("PIXLOR_REGISTRY");
        else setenv("PIXLOR_REGISTRY", previousFile.c_str(), 1);
    }

    void write(const std::string& text) const { std::ofstream(file, std::ios::binary) << text; }

    // Opens the dialog; `end` edits it as a user would and returns the item that closes it.
    int configure(std::function<int(host::DialogRequest&)> end) {
        user.queueDialog(std::move(end));
        return emulator.configure();
    }

    // The value as the file holds it now, or "" when it is not there.
    std::string storedText(const std::string& key, const std::string& name) const {
        RegistryModel registry;
        parseRegFile(ReadText(file), registry);
        const RegistryModel::Key* found = registry.findKey(key);
        if (found == nullptr) return "";
        for (const auto& value : found->values)
            if (RegistryModel::fold(value.name) == RegistryModel::fold(name))
                return std::string(value.data.begin(), value.data.end());
        return "";
    }

    TempDir folder;
    std::string file;
    std::string previousFile;
    host::ScriptedUser user;
    host::HostEmulator emulator;

private:
    static host::EmulatorSettings settings() {
        host::EmulatorSettings chosen;
        chosen.moduleName = (std::filesystem::current_path() / "pixlor.so").string();
        chosen.diskDirectory = std::filesystem::current_path().string();
        return chosen;
    }
};

TEST_F(ARegistryFileOnDisk, KeepsEveryKeyAndValueThePlugInDoesNotOwnWhenTheDialogSaves) {
    write("REGEDIT4\n\n"
          "[HKEY_CURRENT_USER\\Software\\Other]\n\"Keep\"=\"me\"\n\n"
          "[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\n"
          "\"Unknown\"=dword:00000007\n\"PhotoPrefix\"=\"img_\"\n");
    ASSERT_TRUE(emulator.start()) << emulator.errorText;
    const int result = configure([](host::DialogRequest& dialog) {
        dialog.setText(ITEM_THUMB_FOLDER, "");
        return ITEM_OK;
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(storedText("HKEY_CURRENT_USER\\Software\\Other", "Keep"), std::string("me\0", 3));
    EXPECT_EQ(storedText(SETTINGS_KEY, "Unknown"), std::string("\x07\0\0\0", 4));
    EXPECT_EQ(storedText(SETTINGS_KEY, "PhotoPrefix"), std::string("img_\0", 5));
    EXPECT_EQ(storedText(SETTINGS_KEY, "ThumbPath"), std::string("\0", 1));
    EXPECT_FALSE(fileExists(file + ".bak"));
}

TEST_F(ARegistryFileOnDisk, MalformedGivesTheDefaultsAndIsKeptUntilTheUserSaves) {
    const std::string malformed = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\n"
                                  "\"BaudRate\"=dword:00000003\n"
                                  "\"PhotoPrefix\"=half a line with \"quotes\n"
                                  "this line means nothing\n";
    write(malformed);
    ASSERT_TRUE(emulator.start()) << emulator.errorText;

    std::string shownName;
    bool speedShown = false;
    EXPECT_EQ(configure([&](host::DialogRequest& dialog) {
                  shownName = dialog.items[ITEM_PHOTO_NAME].Data;
                  speedShown = dialog.items[ITEM_SPEED_38400].Param.Selected != 0;
                  return ITEM_CANCEL;
              }),
              0);
    EXPECT_EQ(shownName, "pic%2D.%2M.%4Y_");  // the default: the stored line is unreadable
    EXPECT_TRUE(speedShown);                   // the readable value is still used
    EXPECT_EQ(ReadText(file), malformed);

    EXPECT_EQ(configure([](host::DialogRequest& dialog) {
                  dialog.setText(ITEM_THUMB_FOLDER, "");
                  return ITEM_OK;
              }),
              1);
    EXPECT_EQ(ReadText(file + ".bak"), malformed);
    EXPECT_EQ(storedText(SETTINGS_KEY, "PhotoPrefix"), std::string("pic%2D.%2M.%4Y_\0", 16));
    EXPECT_EQ(storedText(SETTINGS_KEY, "BaudRate"), std::string("\x03\0\0\0", 4));
}

}  // namespace
}  // namespace pixlor::test

#endif  // _WIN32
