// The console input of the Linux build: standard input's bytes as key presses, the keys a
// program types into it, and a waiting stop signal read as Esc.
#ifndef _WIN32

#include "platform/System.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace pixlor::test {
namespace {

// The key-down events waiting, as "Esc" or their characters, taken out of the console input.
std::vector<std::string> KeysPressed() {
    System& system = nativeSystem();
    const HANDLE input = system.GetStdHandle(STD_INPUT_HANDLE);
    std::vector<std::string> keys;
    INPUT_RECORD events[8];
    DWORD waiting = 0;
    while (system.PeekConsoleInputA(input, events, 8, &waiting) && waiting > 0) {
        DWORD taken = 0;
        EXPECT_TRUE(system.ReadConsoleInputA(input, events, waiting, &taken));
        if (taken == 0) break;
        for (DWORD i = 0; i < taken; ++i) {
            const KEY_EVENT_RECORD& key = events[i].Event.KeyEvent;
            if (events[i].EventType != KEY_EVENT || key.bKeyDown == 0) continue;
            keys.push_back(key.wVirtualKeyCode == VK_ESCAPE
                               ? "Esc"
                               : std::string(1, key.uChar.AsciiChar) + "/" +
                                     std::to_string(key.wVirtualKeyCode));
        }
    }
    return keys;
}

void Type(const std::string& bytes) {
    std::vector<INPUT_RECORD> presses;
    for (const char byte : bytes) {
        INPUT_RECORD press{};
        press.EventType = KEY_EVENT;
        press.Event.KeyEvent.bKeyDown = TRUE;
        press.Event.KeyEvent.wVirtualKeyCode = byte == '\x1b' ? VK_ESCAPE : 0;
        press.Event.KeyEvent.uChar.AsciiChar = byte;
        presses.push_back(press);
    }
    DWORD written = 0;
    System& system = nativeSystem();
    ASSERT_TRUE(system.WriteConsoleInputA(system.GetStdHandle(STD_INPUT_HANDLE), presses.data(),
                                          static_cast<DWORD>(presses.size()), &written));
    EXPECT_EQ(written, presses.size());
}

TEST(TheConsoleInput, HandsOutTypedBytesAsKeysAndATerminalsEscapeSequenceAsNoEsc) {
    Type("a\x1b");
    EXPECT_EQ(KeysPressed(), (std::vector<std::string>{"a/65", "Esc"}));
    Type(
        "\x1b[A"
        "1\x1bO"
        "P\r");  // cursor up, "1", F1, Enter
    EXPECT_EQ(KeysPressed(), (std::vector<std::string>{"1/49", "\r/13"}));
    EXPECT_TRUE(KeysPressed().empty());
}

// The console program keeps Ctrl+C, SIGTERM and SIGHUP blocked outside its waits.
TEST(TheConsoleInput, ReadsAWaitingStopSignalAsOneEsc) {
    sigset_t stop, before;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &stop, &before), 0);
    ::raise(SIGINT);
    EXPECT_EQ(KeysPressed(), std::vector<std::string>{"Esc"});
    EXPECT_TRUE(KeysPressed().empty()) << "one Esc for one signal, however long it waits";
    int taken = 0;
    EXPECT_EQ(sigwait(&stop, &taken), 0);
    EXPECT_EQ(taken, SIGINT);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace
}  // namespace pixlor::test

#endif
