// The Linux registry file as the configuration dialog meets it, on the real system layer: saving
// keeps every key and value the plug-in does not own, and a malformed file gives the defaults and
// stays as it is until the user saves settings, when it is kept beside the new one as .bak.
// Anything but a regular file there (or a link to one) is neither read nor replaced, and a save
// goes through a new file of its own beside its target. Linux only: on Windows the settings
// live in the system's own registry.
#ifndef _WIN32
#include "host/HostEmulator.h"
#include "host/ScriptedUser.h"
#include "platform/RegistryModel.h"
#include "platform/posix/RegistryFile.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
        if (previousFile.empty())
            unsetenv("PIXLOR_REGISTRY");
        else
            setenv("PIXLOR_REGISTRY", previousFile.c_str(), 1);
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
    write(
        "REGEDIT4\n\n"
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
    const std::string malformed =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\n"
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
    EXPECT_TRUE(speedShown);                  // the readable value is still used
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

// A settings file that is no file, or one turned against the user, through the dialog: what the
// dialog shows (its photo name pattern), whether OK saved, and that what was there is as it was.
struct HostileFileRow {
    const char* situation;
    std::function<void(const std::string& file, const std::string& folder)> plant;
    const char* shownName;
    int saved;
    std::function<void(const std::string& file, const std::string& folder)> check;
};
void PrintTo(const HostileFileRow& row, std::ostream* out) { *out << row.situation; }

constexpr const char* DEFAULT_NAME = "pic%2D.%2M.%4Y_";
const std::string STORED_NAME_FILE =
    "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\n\"PhotoPrefix\"=\"img_\"\n";

bool IsKind(const std::string& path, mode_t kind) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

// clang-format off
const HostileFileRow HOSTILE_FILES[] = {
    {"TheNullDeviceIsNeitherReadNorReplaced",
     [](const std::string& file, const std::string&) {
         std::filesystem::create_symlink("/dev/null", file);
     },
     DEFAULT_NAME, 0,
     [](const std::string& file, const std::string&) {
         EXPECT_TRUE(IsKind("/dev/null", S_IFCHR));
         EXPECT_TRUE(IsKind(file, S_IFLNK));
     }},
    {"AFifoNeitherBlocksNorIsReplaced",
     [](const std::string& file, const std::string&) {
         ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
     },
     DEFAULT_NAME, 0,
     [](const std::string& file, const std::string&) { EXPECT_TRUE(IsKind(file, S_IFIFO)); }},
    {"AFolderIsNotReplaced",
     [](const std::string& file, const std::string&) { std::filesystem::create_directory(file); },
     DEFAULT_NAME, 0,
     [](const std::string& file, const std::string&) { EXPECT_TRUE(IsKind(file, S_IFDIR)); }},
    {"ALinkToAFileIsWrittenThroughAndStaysALink",
     [](const std::string& file, const std::string& folder) {
         std::ofstream(folder + "/real.reg") << STORED_NAME_FILE;
         std::filesystem::create_symlink(folder + "/real.reg", file);
     },
     "img_", 1,
     [](const std::string& file, const std::string& folder) {
         EXPECT_TRUE(IsKind(file, S_IFLNK));
         EXPECT_NE(ReadText(folder + "/real.reg").find("\"ThumbPath\"=\"\""), std::string::npos);
     }},
    {"ALinkPlantedWhereATemporaryFileWasMadeLeavesItsTargetAlone",
     [](const std::string& file, const std::string& folder) {
         std::ofstream(folder + "/victim") << "precious";
         std::filesystem::create_symlink(folder + "/victim", file + ".tmp");
     },
     DEFAULT_NAME, 1,
     [](const std::string&, const std::string& folder) {
         EXPECT_EQ(ReadText(folder + "/victim"), "precious");
     }},
    {"OnlyTheFirstMebibyteIsReadAndTheWholeFileKept",
     [](const std::string& file, const std::string&) {
         std::ofstream out(file, std::ios::binary);
         out << "REGEDIT4\n" << std::string(1100000, ';') << "\n" << STORED_NAME_FILE.substr(9);
     },
     DEFAULT_NAME, 1,
     [](const std::string& file, const std::string&) {
         EXPECT_GT(std::filesystem::file_size(file + ".bak"), 1100000u);
     }},
};
// clang-format on

class AHostileSettingsFile : public ARegistryFileOnDisk,
                             public ::testing::WithParamInterface<HostileFileRow> {};

TEST_P(AHostileSettingsFile, IsReadOnlyAsARegularFileAndSavedOnlyBesideItsTarget) {
    GetParam().plant(file, folder.path());
    ASSERT_TRUE(emulator.start()) << emulator.errorText;
    std::string shownName;
    const int saved = configure([&](host::DialogRequest& dialog) {
        shownName = dialog.items[ITEM_PHOTO_NAME].Data;
        dialog.setText(ITEM_THUMB_FOLDER, "");
        return ITEM_OK;
    });
    EXPECT_EQ(shownName, GetParam().shownName);
    EXPECT_EQ(saved, GetParam().saved);
    GetParam().check(file, folder.path());
}

INSTANTIATE_TEST_SUITE_P(TurnedAgainstTheUser, AHostileSettingsFile,
                         ::testing::ValuesIn(HOSTILE_FILES),
                         [](const ::testing::TestParamInfo<HostileFileRow>& param) {
                             return std::string(param.param.situation);
                         });

}  // namespace
}  // namespace pixlor::test

#endif  // _WIN32
