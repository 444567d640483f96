// The serial port of the Linux build on a real pseudo-terminal whose far end the test holds:
// how a read waits, and what ends it.
#ifndef _WIN32

#include "platform/System.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace pixlor::test {
namespace {

using Clock = std::chrono::steady_clock;

long millisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// COM9 is a pseudo-terminal; the test is the far end.
class APortOnAPseudoTerminal : public ::testing::Test {
protected:
    void SetUp() override {
        farEnd = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(farEnd, 0);
        ASSERT_EQ(::grantpt(farEnd), 0);
        ASSERT_EQ(::unlockpt(farEnd), 0);
        ::setenv("PIXLOR_COM9", ::ptsname(farEnd), 1);
        port = nativeSystem().CreateFileA("\\\\.\\COM9", GENERIC_READ | GENERIC_WRITE, 0,
                                          OPEN_EXISTING, 0);
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        DCB dcb{};
        ASSERT_TRUE(nativeSystem().GetCommState(port, &dcb));
        dcb.BaudRate = 19200;
        ASSERT_TRUE(nativeSystem().SetCommState(port, &dcb));
    }
    void TearDown() override {
        if (port != INVALID_HANDLE_VALUE) nativeSystem().CloseHandle(port);
        if (farEnd >= 0) ::close(farEnd);
        ::unsetenv("PIXLOR_COM9");
    }
    void setTimeouts(DWORD interval, DWORD multiplier, DWORD constant) {
        const COMMTIMEOUTS timeouts{interval, multiplier, constant, 0, 0};
        ASSERT_TRUE(nativeSystem().SetCommTimeouts(port, &timeouts));
    }

    int farEnd = -1;
    HANDLE port = INVALID_HANDLE_VALUE;
};

volatile std::sig_atomic_t stopSignals = 0;
void noteStop(int) { stopSignals = stopSignals + 1; }

// SIGHUP handled and kept blocked outside the waits, as the console program keeps its stop
// signals; the old handler and mask come back at the end.
class AStopSignalKeptBlocked : public APortOnAPseudoTerminal {
protected:
    void SetUp() override {
        APortOnAPseudoTerminal::SetUp();
        struct sigaction action {};
        action.sa_handler = noteStop;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGHUP, &action, &previousAction);
        sigset_t hangUp;
        sigemptyset(&hangUp);
        sigaddset(&hangUp, SIGHUP);
        ::pthread_sigmask(SIG_BLOCK, &hangUp, &previousMask);
        stopSignals = 0;
    }
    void TearDown() override {
        ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
        ::sigaction(SIGHUP, &previousAction, nullptr);
        APortOnAPseudoTerminal::TearDown();
    }
    struct sigaction previousAction {};
    sigset_t previousMask{};
};

TEST_F(AStopSignalKeptBlocked, EndsAWaitingReadAtOnceWithWhatItHas) {
    setTimeouts(0, 0, 5000);
    ASSERT_EQ(::write(farEnd, "ab", 2), 2);
    const pthread_t reader = ::pthread_self();
    std::thread signaller([reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::pthread_kill(reader, SIGHUP);
    });
    char buffer[8] = {};
    DWORD done = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(nativeSystem().ReadFile(port, buffer, sizeof buffer, &done));
    const long waited = millisecondsSince(start);
    signaller.join();
    EXPECT_EQ(nativeSystem().GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(std::string(buffer, 2), "ab");
    EXPECT_EQ(stopSignals, 1);
    EXPECT_LT(waited, 2000) << "the read waited out its time-out";
}

TEST_F(AStopSignalKeptBlocked, ThatCameBetweenReadsIsDeliveredWhenTheNextReadWaits) {
    setTimeouts(0, 0, 5000);
    ::pthread_kill(::pthread_self(), SIGHUP);
    EXPECT_EQ(stopSignals, 0) << "blocked outside the wait";
    char buffer[4];
    DWORD done = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(nativeSystem().ReadFile(port, buffer, sizeof buffer, &done));
    EXPECT_EQ(nativeSystem().GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(stopSignals, 1);
    EXPECT_LT(millisecondsSince(start), 1000);
    // Blocked again once the read is over.
    ::pthread_kill(::pthread_self(), SIGHUP);
    EXPECT_EQ(stopSignals, 1);
}

}  // namespace
}  // namespace pixlor::test

#endif  // _WIN32
