// The registry of the Linux build: a .reg text file named by PIXLOR_REGISTRY.
#ifndef _WIN32

#include "platform/System.h"
#include "platform/posix/RegistryFile.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pixlor::test {
namespace {

const char* const PLUGIN_KEY = "Software\\Far\\Plugins\\Pixlor";
const char* const SERIAL_KEY = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Sets environment variables for the life of the object and puts the old values back.
class Environment {
public:
    ~Environment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    void set(const std::string& name, const std::string& value) {
        if (saved_.count(name) == 0) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name.c_str(), value.c_str(), 1);
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

std::string utf16le(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

// A registry file in a fresh folder, in force for the native system.
class RegistryFileOnDisk : public ::testing::Test {
protected:
    RegistryFileOnDisk() {
        environment.set("PIXLOR_REGISTRY", file);
        // No serial device is found unless a test names one.
        for (int number = 1; number <= 16; ++number)
            environment.set("PIXLOR_COM" + std::to_string(number), dir.path() + "/absent");
    }

    void writeFile(const std::string& bytes, const std::string& path = {}) {
        std::ofstream(path.empty() ? file : path, std::ios::binary) << bytes;
    }
    std::string fileText(const std::string& path = {}) {
        const auto bytes = readFileBytes(path.empty() ? file : path);
        return {bytes.begin(), bytes.end()};
    }

    std::optional<std::string> readText(const char* name, const char* key = PLUGIN_KEY,
                                        HKEY root = HKEY_CURRENT_USER) {
        HKEY open = nullptr;
        if (system.RegOpenKeyExA(root, key, KEY_QUERY_VALUE, &open) != 0) return std::nullopt;
        char buffer[512] = {};
        DWORD size = sizeof buffer;
        DWORD type = 0;
        const LONG result =
            system.RegQueryValueExA(open, name, &type, reinterpret_cast<BYTE*>(buffer), &size);
        system.RegCloseKey(open);
        if (result != 0 || type != REG_SZ) return std::nullopt;
        return std::string(buffer);
    }
    std::optional<DWORD> readNumber(const char* name) {
        HKEY open = nullptr;
        if (system.RegOpenKeyExA(HKEY_CURRENT_USER, PLUGIN_KEY, KEY_QUERY_VALUE, &open) != 0)
            return std::nullopt;
        DWORD number = 0;
        DWORD size = sizeof number;
        DWORD type = 0;
        const LONG result =
            system.RegQueryValueExA(open, name, &type, reinterpret_cast<BYTE*>(&number), &size);
        system.RegCloseKey(open);
        if (result != 0 || type != REG_DWORD || size != 4) return std::nullopt;
        return number;
    }
    void write(const char* name, DWORD type, const std::vector<BYTE>& data) {
        HKEY open = nullptr;
        ASSERT_EQ(system.RegCreateKeyExA(HKEY_CURRENT_USER, PLUGIN_KEY, KEY_WRITE, &open), 0);
        EXPECT_EQ(
            system.RegSetValueExA(open, name, type, data.data(), static_cast<DWORD>(data.size())),
            0);
        EXPECT_EQ(system.RegCloseKey(open), 0);
    }
    void writeText(const char* name, const std::string& text) {
        std::vector<BYTE> data(text.begin(), text.end());
        data.push_back(0);
        write(name, REG_SZ, data);
    }
    void writeNumber(const char* name, DWORD number) {
        write(name, REG_DWORD,
              {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
               static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)});
    }
    std::vector<std::string> serialPorts() {
        std::vector<std::string> ports;
        HKEY open = nullptr;
        if (system.RegOpenKeyExA(HKEY_LOCAL_MACHINE, SERIAL_KEY, 9, &open) != 0) return ports;
        for (DWORD index = 0;; ++index) {
            char name[64];
            BYTE data[64];
            DWORD nameSize = sizeof name;
            DWORD dataSize = sizeof data;
            DWORD type = 0;
            if (system.RegEnumValueA(open, index, name, &nameSize, &type, data, &dataSize) != 0)
                break;
            ports.emplace_back(reinterpret_cast<const char*>(data));
        }
        system.RegCloseKey(open);
        return ports;
    }

    TempDir dir;
    std::string file = dir.path() + "/registry.reg";
    Environment environment;
    System& system = nativeSystem();
};

const char* const PERSONS_FILE =
    "REGEDIT4\n"
    "\n"
    "; written by hand\n"
    "[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\n"
    "\"PhotoPrefix\"=\"pic%2D_\"\n"
    "\"PhotoPath\"=\"a\\\\b \\\"c\\\"\"\n"
    "\"SerialPort\"=dword:0000000A\n"
    "\"BaudRate\"=dword:3\n";

TEST_F(RegistryFileOnDisk, SavedSettingsAreAPlainRegFile) {
    writeText("PhotoPrefix", "pic%2D_");
    writeText("PhotoPath", "a\\b \"c\"");
    writeNumber("SerialPort", 10);
    const std::string text = fileText();
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_NE(text.find("\n[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\n"
                        "\"PhotoPrefix\"=\"pic%2D_\"\n"
                        "\"PhotoPath\"=\"a\\\\b \\\"c\\\"\"\n"
                        "\"SerialPort\"=dword:0000000a\n"),
              std::string::npos)
        << text;
    EXPECT_FALSE(fileExists(file + ".tmp"));
    EXPECT_FALSE(fileExists(file + ".bak"));
}

TEST_F(RegistryFileOnDisk, AFileWrittenByAPersonIsReadWithItsEscapes) {
    writeFile(PERSONS_FILE);
    EXPECT_EQ(readText("PhotoPrefix"), "pic%2D_");
    EXPECT_EQ(readText("photopath"), "a\\b \"c\"") << "value names ignore case";
    EXPECT_EQ(readNumber("SerialPort"), 10u);
    EXPECT_EQ(readNumber("BaudRate"), 3u);
}

TEST_F(RegistryFileOnDisk, AWindowsExportImportsAsTheSameSettings) {
    writeFile(
        utf16le("Windows Registry Editor Version 5.00\r\n"
                "\r\n"
                "[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\r\n"
                "\"PhotoPrefix\"=\"pic%2D_\"\r\n"
                "\"PhotoPath\"=\"a\\\\b \\\"c\\\"\"\r\n"
                "\"SerialPort\"=dword:0000000a\r\n"
                "\"BaudRate\"=dword:00000003\r\n"
                "\"Extra\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,\\\r\n"
                "  00,00\r\n"
                "\r\n"));
    EXPECT_EQ(readText("PhotoPrefix"), "pic%2D_");
    EXPECT_EQ(readText("PhotoPath"), "a\\b \"c\"");
    EXPECT_EQ(readNumber("SerialPort"), 10u);
    EXPECT_EQ(readNumber("BaudRate"), 3u);

    writeNumber("BaudRate", 4);
    RegistryModel saved;
    EXPECT_TRUE(parseRegFile(fileText(), saved));
    const RegistryModel::Key* key =
        saved.findKey("HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), 5u);
    EXPECT_EQ(key->values[4].type, 2u);
    EXPECT_EQ(key->values[4].data.size(), 14u) << "the wrapped hex value survives whole";
    EXPECT_EQ(readText("PhotoPath"), "a\\b \"c\"");
    EXPECT_EQ(readNumber("BaudRate"), 4u);
}

TEST_F(RegistryFileOnDisk, UnknownKeysAndValuesSurviveAWrite) {
    writeFile(std::string(PERSONS_FILE) +
              "\"Unknown\"=hex:01,02,03\n"
              "@=\"default\"\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\n"
              "\"Keep\"=\"me\"\n");
    writeNumber("SerialPort", 2);
    RegistryModel saved;
    EXPECT_TRUE(parseRegFile(fileText(), saved));
    const RegistryModel::Key* other = saved.findKey("HKEY_CURRENT_USER\\Software\\Other");
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(other->values.size(), 1u);
    EXPECT_EQ(other->values[0].name, "Keep");
    const RegistryModel::Key* plugin =
        saved.findKey("HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor");
    ASSERT_NE(plugin, nullptr);
    std::vector<std::string> names;
    for (const auto& value : plugin->values) names.push_back(value.name);
    EXPECT_EQ(names, (std::vector<std::string>{"PhotoPrefix", "PhotoPath", "SerialPort", "BaudRate",
                                               "Unknown", ""}));
    EXPECT_EQ(plugin->values[4].data, (std::vector<BYTE>{1, 2, 3}));
    EXPECT_EQ(readNumber("SerialPort"), 2u);
    EXPECT_EQ(readText("PhotoPath"), "a\\b \"c\"");
}

TEST_F(RegistryFileOnDisk, AMalformedLineLeavesTheRestReadableAndIsKeptAsBackup) {
    const std::string original =
        "REGEDIT4\n"
        "[HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor]\n"
        "\"PhotoPrefix\"=\"before\"\n"
        "\"Broken\"=strange:12\n"
        "this line means nothing\n"
        "\"PhotoPath\"=\"after\"\n";
    writeFile(original);
    EXPECT_EQ(readText("PhotoPrefix"), "before");
    EXPECT_EQ(readText("PhotoPath"), "after");
    EXPECT_FALSE(fileExists(file + ".bak")) << "reading changes no file";

    writeNumber("SerialPort", 1);
    EXPECT_EQ(fileText(file + ".bak"), original);
    RegistryModel saved;
    EXPECT_TRUE(parseRegFile(fileText(), saved)) << "the new file is clean";
    EXPECT_EQ(readText("PhotoPrefix"), "before");
    EXPECT_EQ(readText("PhotoPath"), "after");
    EXPECT_EQ(readNumber("SerialPort"), 1u);
}

TEST_F(RegistryFileOnDisk, AnEarlierBackupIsNeverReplaced) {
    writeFile("an earlier backup", file + ".bak");
    const std::string broken = "REGEDIT4\nnonsense\n";
    writeFile(broken);
    writeNumber("SerialPort", 1);
    EXPECT_EQ(fileText(file + ".bak"), "an earlier backup");
    EXPECT_EQ(fileText(file + ".1.bak"), broken);
    EXPECT_EQ(readNumber("SerialPort"), 1u);
}

TEST_F(RegistryFileOnDisk, AnExportWithCharactersBeyondSingleBytesIsKeptAsBackup) {
    // "Name"="Ж" under another program's key: the character becomes '?' when read.
    std::string exported = utf16le(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Name\"=\"");
    exported += "\x16\x04";
    exported += utf16le("\"\r\n").substr(2);
    writeFile(exported);
    EXPECT_EQ(readText("Name", "Software\\Other"), "?");

    writeNumber("SerialPort", 3);
    EXPECT_EQ(fileText(file + ".bak"), exported);
    EXPECT_EQ(readNumber("SerialPort"), 3u);
}

TEST_F(RegistryFileOnDisk, AMissingFileHasNoSettingsAndTheFirstWriteCreatesItsFolders) {
    file = dir.path() + "/deep/er/registry.reg";
    environment.set("PIXLOR_REGISTRY", file);
    HKEY open = nullptr;
    EXPECT_EQ(system.RegOpenKeyExA(HKEY_CURRENT_USER, PLUGIN_KEY, KEY_QUERY_VALUE, &open),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    writeText("ThumbPath", " ");
    EXPECT_EQ(readText("ThumbPath"), " ");
    EXPECT_NE(fileText().find("\"ThumbPath\"=\" \"\n"), std::string::npos);
}

TEST_F(RegistryFileOnDisk, SerialPortsComeFromTheComDevicesWhenTheFileListsNone) {
    writeFile("", dir.path() + "/tty2");
    writeFile("", dir.path() + "/tty5");
    environment.set("PIXLOR_COM2", dir.path() + "/tty2");
    environment.set("PIXLOR_COM5", dir.path() + "/tty5");
    writeFile(PERSONS_FILE);
    EXPECT_EQ(serialPorts(), (std::vector<std::string>{"COM2", "COM5"}));

    writeNumber("SerialPort", 1);
    EXPECT_EQ(fileText().find("SERIALCOMM"), std::string::npos)
        << "the synthesised list is not written back";
}

TEST_F(RegistryFileOnDisk, AFileWithItsOwnSerialPortListKeepsIt) {
    writeFile("", dir.path() + "/tty1");
    environment.set("PIXLOR_COM1", dir.path() + "/tty1");
    writeFile(std::string(PERSONS_FILE) +
              "\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n"
              "\"\\\\Device\\\\Serial7\"=\"COM8\"\n");
    EXPECT_EQ(serialPorts(), std::vector<std::string>{"COM8"});

    writeNumber("SerialPort", 7);
    EXPECT_NE(fileText().find("[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n"
                              "\"\\\\Device\\\\Serial7\"=\"COM8\"\n"),
              std::string::npos);
}

}  // namespace
}  // namespace pixlor::test

#endif  // _WIN32
