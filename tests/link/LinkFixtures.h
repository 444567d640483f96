// Situations shared by the link suites: a scripted camera on COM1 under the fake system.
#pragma once

#include "link/CameraLink.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/Support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pixlor::test {

// A scripted camera wired to COM1. The line is not paced unless a test says so: every reply is
// in the input buffer as soon as the host's write ends, so time on the clock is time-out only.
class CameraOnCom1 : public ::testing::Test {
protected:
    CameraOnCom1() {
        system().attachPort(1, &camera);
        system().setLinePacing(false);
    }
    FakeSystem& system() { return fake.system; }
    std::vector<std::string> callTexts() const {
        std::vector<std::string> texts;
        for (const FakeSystem::Record& record : fake.system.records()) texts.push_back(record.text);
        return texts;
    }

    FakeSystemInForce fake;
    ScriptedPeer camera;
};

// A link whose camera has answered the wake-up; records and writes start after it.
class AwakeLink : public CameraOnCom1 {
protected:
    void SetUp() override {
        camera.reply({WIRE_NAK});
        ASSERT_TRUE(link.wakeUp());
        system().clearRecords();
        writesBefore_ = camera.writes().size();
    }
    // The host's writes since the wake-up.
    std::vector<Bytes> writes() const {
        std::vector<Bytes> result;
        for (std::size_t i = writesBefore_; i < camera.writes().size(); ++i)
            result.push_back(camera.writes()[i].bytes);
        return result;
    }
    std::uint32_t flags() const { return link.port->statusFlags; }

    CameraLink link{0};

private:
    std::size_t writesBefore_ = 0;
};

}  // namespace pixlor::test
