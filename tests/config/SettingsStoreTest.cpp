#include "config/SettingsStore.h"

#include "far/ModuleState.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pixlor::test {
namespace {

const std::string PLUGIN_KEY = "Software\\Far\\Plugins\\Pixlor";
const std::string FULL_PLUGIN_KEY = "HKEY_CURRENT_USER\\" + PLUGIN_KEY;
const std::string SERIAL_KEY = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

std::vector<BYTE> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
std::vector<BYTE> textValue(const std::string& text) {
    std::vector<BYTE> bytes = bytesOf(text);
    bytes.push_back(0);
    return bytes;
}

// A registry in memory in which the plug-in has stored nothing yet.
class EmptyRegistry : public ::testing::Test {
protected:
    EmptyRegistry() : savedKeyPath_(pluginKeyPath) { pluginKeyPath = PLUGIN_KEY; }
    ~EmptyRegistry() override { pluginKeyPath = savedKeyPath_; }

    RegistryModel& registry() { return fake.system.registry(); }
    // Puts a value into the plug-in key as a hand edit or another program would.
    void store(const char* name, DWORD type, std::vector<BYTE> data) {
        registry().ensureKey(FULL_PLUGIN_KEY).values.push_back({name, type, std::move(data)});
    }
    const RegistryModel::Value* stored(const char* name) {
        const RegistryModel::Key* key = registry().findKey(FULL_PLUGIN_KEY);
        if (key == nullptr) return nullptr;
        for (const RegistryModel::Value& value : key->values)
            if (value.name == name) return &value;
        return nullptr;
    }
    std::string readText(const char* name, const char* defaultText, DWORD size = 257) {
        std::vector<char> buffer(size, 'G');
        ReadText(HKEY_CURRENT_USER, "", name, buffer.data(), defaultText, size);
        return std::string(buffer.data(), strnlen(buffer.data(), size));
    }

    FakeSystemInForce fake;

private:
    std::string savedKeyPath_;
};

TEST_F(EmptyRegistry, EveryReaderGetsItsDefault) {
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, DEFAULT_SERIAL_PORT), 1u);
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, "", SETTING_BAUD_RATE, DEFAULT_BAUD_RATE), 5u);
    NameSettings settings{};
    ReadNameSettings(settings);
    EXPECT_STREQ(settings.photoPrefix, "pic%2D.%2M.%4Y_");
    EXPECT_STREQ(settings.thumbPrefix, "thumb%2D.%2M.%4Y_");
    EXPECT_STREQ(settings.photoPath, "%2Y-%2M-%2D");
    EXPECT_STREQ(settings.thumbPath, "") << "thumbnails have no date folders at first";
    EXPECT_EQ(settings.photoDigits, 3u);
    EXPECT_EQ(settings.thumbDigits, 3u);
    EXPECT_EQ(registry().findKey(FULL_PLUGIN_KEY), nullptr) << "reading creates nothing";
}

TEST_F(EmptyRegistry, CheckedReadsTellTheDefaultApart) {
    DWORD number = 0;
    EXPECT_FALSE(ReadNumberChecked(HKEY_CURRENT_USER, "", SETTING_BAUD_RATE, number, 4));
    EXPECT_EQ(number, 4u);
    char buffer[16];
    EXPECT_FALSE(ReadText(HKEY_CURRENT_USER, "", SETTING_PHOTO_PATH, buffer, "x", sizeof buffer));
    EXPECT_STREQ(buffer, "x");

    WriteNumber(HKEY_CURRENT_USER, "", SETTING_BAUD_RATE, 2);
    WriteText(HKEY_CURRENT_USER, "", SETTING_PHOTO_PATH, "y");
    EXPECT_TRUE(ReadNumberChecked(HKEY_CURRENT_USER, "", SETTING_BAUD_RATE, number, 4));
    EXPECT_EQ(number, 2u);
    EXPECT_TRUE(ReadText(HKEY_CURRENT_USER, "", SETTING_PHOTO_PATH, buffer, "x", sizeof buffer));
    EXPECT_STREQ(buffer, "y");
}

TEST_F(EmptyRegistry, TheFirstWriteCreatesThePluginKeyWithTypedValues) {
    WriteNumber(HKEY_CURRENT_USER, "", SETTING_PHOTO_SUFFIX, 0x01020304);
    WriteText(HKEY_CURRENT_USER, "", SETTING_PHOTO_PREFIX, "img_");
    EXPECT_EQ(fake.system.log(SysCall::RegCreateKeyExA)[0],
              "RegCreateKeyExA(HKEY_CURRENT_USER, " + PLUGIN_KEY + ", 0x20006)");
    const RegistryModel::Value* number = stored(SETTING_PHOTO_SUFFIX);
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->type, REG_DWORD);
    EXPECT_EQ(number->data, (std::vector<BYTE>{4, 3, 2, 1}));
    const RegistryModel::Value* text = stored(SETTING_PHOTO_PREFIX);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->type, REG_SZ);
    EXPECT_EQ(text->data, textValue("img_")) << "stored with its terminating zero";
    EXPECT_EQ(registry().openHandles(), 0u);
}

TEST_F(EmptyRegistry, AllEightValuesComeBackAsWritten) {
    WriteNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, 7);
    WriteNumber(HKEY_CURRENT_USER, "", SETTING_BAUD_RATE, 0);
    WriteNumber(HKEY_CURRENT_USER, "", SETTING_PHOTO_SUFFIX, 9);
    WriteNumber(HKEY_CURRENT_USER, "", SETTING_THUMB_SUFFIX, 2);
    WriteText(HKEY_CURRENT_USER, "", SETTING_PHOTO_PREFIX, "p%4Y_");
    WriteText(HKEY_CURRENT_USER, "", SETTING_THUMB_PREFIX, "t%#_");
    WriteText(HKEY_CURRENT_USER, "", SETTING_PHOTO_PATH, "%4Y");
    WriteText(HKEY_CURRENT_USER, "", SETTING_THUMB_PATH, "");

    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, DEFAULT_SERIAL_PORT), 7u);
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, "", SETTING_BAUD_RATE, DEFAULT_BAUD_RATE), 0u);
    NameSettings settings{};
    ReadNameSettings(settings);
    EXPECT_STREQ(settings.photoPrefix, "p%4Y_");
    EXPECT_STREQ(settings.thumbPrefix, "t%#_");
    EXPECT_STREQ(settings.photoPath, "%4Y");
    EXPECT_STREQ(settings.thumbPath, "");
    EXPECT_EQ(settings.photoDigits, 9u);
    EXPECT_EQ(settings.thumbDigits, 2u);
}

TEST_F(EmptyRegistry, EveryCallOpensThePluginKeyAndClosesItAgain) {
    WriteNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, 3);
    fake.system.clearRecords();
    ReadNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, 1);
    ReadNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, 1);
    const std::string open = "RegOpenKeyExA(HKEY_CURRENT_USER, " + PLUGIN_KEY + ", 0x1)";
    EXPECT_EQ(fake.system.log(SysCall::RegOpenKeyExA), (std::vector<std::string>{open, open}));
    EXPECT_EQ(fake.system.calls(SysCall::RegCloseKey), 2);
    EXPECT_EQ(fake.system.log(SysCall::RegQueryValueExA)[0], "RegQueryValueExA(SerialPort, 4)");
}

TEST_F(EmptyRegistry, ASubKeyNameFollowsThePluginKeyAfterABackslash) {
    WriteText(HKEY_CURRENT_USER, "Extra", "Name", "v");
    EXPECT_NE(registry().findKey(FULL_PLUGIN_KEY + "\\Extra"), nullptr);
    char buffer[8];
    EXPECT_TRUE(ReadText(HKEY_CURRENT_USER, "Extra", "Name", buffer, "d", sizeof buffer));
    EXPECT_STREQ(buffer, "v");
    EXPECT_EQ(fake.system.log(SysCall::RegOpenKeyExA).back(),
              "RegOpenKeyExA(HKEY_CURRENT_USER, " + PLUGIN_KEY + "\\Extra, 0x1)");
}

TEST_F(EmptyRegistry, AFailedKeyCreationWritesNothingAndLeavesNoKeyOpen) {
    fake.system.failCall(SysCall::RegCreateKeyExA, 1, 1, ERROR_ACCESS_DENIED);
    WriteNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, 3);
    EXPECT_EQ(fake.system.calls(SysCall::RegSetValueExA), 0);
    EXPECT_EQ(fake.system.calls(SysCall::RegCloseKey), 0);
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, 1), 1u);
}

// Values that a hand edit or another program left in the plug-in key.
class HandEditedSettings : public EmptyRegistry {};

TEST_F(HandEditedSettings, ATextTooLongForTheReaderGivesTheDefaultButFitsTheDialog) {
    store(SETTING_PHOTO_PREFIX, REG_SZ, textValue(std::string(300, 'a')));
    NameSettings settings{};
    ReadNameSettings(settings);
    EXPECT_STREQ(settings.photoPrefix, DEFAULT_PHOTO_PREFIX);
    EXPECT_EQ(readText(SETTING_PHOTO_PREFIX, "d", 512), std::string(300, 'a'));
}

TEST_F(HandEditedSettings, ATextOfTwoHundredFiftySixCharactersStillFits) {
    store(SETTING_PHOTO_PATH, REG_SZ, textValue(std::string(256, 'b')));
    NameSettings settings{};
    ReadNameSettings(settings);
    EXPECT_EQ(std::string(settings.photoPath), std::string(256, 'b'));
}

TEST_F(HandEditedSettings, ATextWithoutItsTerminatorGivesTheDefault) {
    store(SETTING_THUMB_PREFIX, REG_SZ, bytesOf("abc"));
    store(SETTING_PHOTO_PATH, REG_SZ, {});
    EXPECT_EQ(readText(SETTING_THUMB_PREFIX, "dflt"), "dflt");
    EXPECT_EQ(readText(SETTING_THUMB_PREFIX, "dflt", 4), "dfl") << "bounded by the buffer";
    EXPECT_EQ(readText(SETTING_PHOTO_PATH, "dflt"), "dflt");
}

TEST_F(HandEditedSettings, ATextOfAnotherTypeGivesTheDefault) {
    store(SETTING_PHOTO_PREFIX, REG_DWORD, {0x61, 0x62, 0x63, 0});
    store(SETTING_THUMB_PREFIX, 3, textValue("bin"));
    NameSettings settings{};
    ReadNameSettings(settings);
    EXPECT_STREQ(settings.photoPrefix, DEFAULT_PHOTO_PREFIX);
    EXPECT_STREQ(settings.thumbPrefix, DEFAULT_THUMB_PREFIX);
}

TEST_F(HandEditedSettings, ANumberNotOfFourBytesOrOfAnotherTypeGivesTheDefault) {
    store(SETTING_SERIAL_PORT, REG_DWORD, {2, 0});
    store(SETTING_PHOTO_SUFFIX, REG_DWORD, {2, 0, 0, 0, 9});
    store(SETTING_BAUD_RATE, REG_SZ, {'3', 0, 0, 0});
    DWORD number = 0xFFFFFFFF;
    EXPECT_FALSE(ReadNumberChecked(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, number, 1));
    EXPECT_EQ(number, 1u);
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, "", SETTING_BAUD_RATE, 5), 5u);
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, "", SETTING_PHOTO_SUFFIX, 3), 3u);
}

TEST_F(HandEditedSettings, DigitCountsAreClampedIntoOneToNine) {
    store(SETTING_PHOTO_SUFFIX, REG_DWORD, {0, 0, 0, 0});
    store(SETTING_THUMB_SUFFIX, REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF});
    NameSettings settings{};
    ReadNameSettings(settings);
    EXPECT_EQ(settings.photoDigits, 1u);
    EXPECT_EQ(settings.thumbDigits, 9u);
}

// The list of serial ports that the system declares.
class SerialPortList : public EmptyRegistry {
protected:
    void declarePorts(int count) {
        RegistryModel::Key& key = registry().ensureKey(SERIAL_KEY);
        for (int i = 0; i < count; ++i)
            key.values.push_back({"\\Device\\S" + std::to_string(i), REG_SZ,
                                  textValue("COM" + std::to_string(i + 1))});
    }
    int count() {
        char name[16];
        BYTE data[16];
        return CountSerialPorts(HKEY_LOCAL_MACHINE, SERIAL_PORTS_KEY, 16, name, sizeof name, data,
                                sizeof data);
    }
};

TEST_F(SerialPortList, ThreePortsAnswerFour) {
    declarePorts(3);
    EXPECT_EQ(count(), 4);
    EXPECT_EQ(fake.system.log(SysCall::RegOpenKeyExA),
              std::vector<std::string>{"RegOpenKeyExA(HKEY_LOCAL_MACHINE, " +
                                       std::string(SERIAL_PORTS_KEY) + ", 0x9)"});
    EXPECT_EQ(fake.system.calls(SysCall::RegEnumValueA), 4);
    EXPECT_EQ(fake.system.calls(SysCall::RegCloseKey), 1);
}

TEST_F(SerialPortList, TwentyPortsStopAtTheMaximum) {
    declarePorts(20);
    EXPECT_EQ(count(), 17);
    EXPECT_EQ(fake.system.calls(SysCall::RegEnumValueA), 16);
}

TEST_F(SerialPortList, AnEmptyKeyAnswersOneAndNoKeyZero) {
    EXPECT_EQ(count(), 0);
    registry().ensureKey(SERIAL_KEY);
    EXPECT_EQ(count(), 1);
}

TEST_F(SerialPortList, ANameOrDataTooLongForTheBuffersStillCounts) {
    RegistryModel::Key& key = registry().ensureKey(SERIAL_KEY);
    key.values.push_back({"\\Device\\Serial10", REG_SZ, textValue("COM11")});
    key.values.push_back({"S", REG_SZ, textValue(std::string(40, 'C'))});
    EXPECT_EQ(count(), 3);
}

TEST_F(SerialPortList, AnyOtherEnumerationErrorCountsThePort) {
    declarePorts(1);
    fake.system.failCall(SysCall::RegEnumValueA, 1, 2, ERROR_GEN_FAILURE);
    EXPECT_EQ(count(), 3) << "two failed calls, then the end of the list";
}

}  // namespace
}  // namespace pixlor::test
