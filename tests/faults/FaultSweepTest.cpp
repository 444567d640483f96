// Every Nth call fails: for one kind of system call at a time, the Nth call of that kind made by
// a copy, a move (verified or not), a deletion or a settings save fails, for N = 1, 2, ... until
// the operation makes fewer than N such calls. After every run: no existing file changed, no
// incomplete file left, no picture gone from the camera without its complete photo on disk
// (unless deleting was the point), every saved screen restored once, and the next operation
// works once the fault is gone, with the camera as it was left.
#include "tests/faults/FaultRig.h"

#include <algorithm>
#include <ostream>
#include <set>
#include <sstream>

namespace pixlor::test {
namespace {

enum class Operation { Copy, Move, VerifiedMove, Delete, SaveSettings };

struct SweepCase {
    Operation operation;
    SysCall call;
};

void PrintTo(const SweepCase& sweep, std::ostream* out) {
    static const char* const names[] = {"Copy", "Move", "VerifiedMove", "Delete", "SaveSettings"};
    *out << names[static_cast<int>(sweep.operation)] << "With" << sysCallName(sweep.call);
}

constexpr int ITEM_OK = 32;  // of the configuration dialog
constexpr int MOST_CALLS = 1000;

class EveryNthCall : public ::testing::TestWithParam<SweepCase> {
protected:
    // One run on a fresh camera and host, the panel open; true when the fault struck.
    bool runFailing(int nth) {
        const SweepCase sweep = GetParam();
        FaultRig rig({PictureOn(2002, 5, 17, 700, 70), PictureOn(2002, 5, 18, 400, 40)});
        // The camera's own delays stay; unpaced, a read takes a whole answer in one call.
        rig.fake.system.setLinePacing(false);
        std::ofstream(rig.disk.path() + "/keep.jpg") << "the user's own file";
        EXPECT_TRUE(rig.emulator->start()) << rig.emulator->errorText;
        if (sweep.operation != Operation::SaveSettings) {
            EXPECT_TRUE(rig.emulator->openPanel()) << rig.emulator->errorText;
            // A move or a deletion takes one date folder: the other stays for the next copy.
            EXPECT_TRUE(sweep.operation == Operation::Copy
                            ? rig.selectAll()
                            : rig.emulator->selectItems({"02-05-17"}));
        }
        const auto before = rig.filesOnDisk();
        rig.fake.system.clearRecords();
        rig.fake.system.failCall(sweep.call, nth);
        switch (sweep.operation) {
        case Operation::Copy: rig.copyMarked(false); break;
        case Operation::Move: rig.copyMarked(true); break;
        case Operation::VerifiedMove: rig.copyMarked(true, "", 0, true); break;
        case Operation::Delete: rig.deleteMarked(); break;
        case Operation::SaveSettings:
            rig.user->queueDialog([](host::DialogRequest&) { return ITEM_OK; });
            rig.emulator->configure();
            break;
        }
        const bool struck = rig.fake.system.calls(sweep.call) >= nth;
        rig.fake.system.clearFaults();

        std::set<std::string> photosOnDisk;
        for (const auto& [path, bytes] : rig.filesOnDisk()) {
            if (const auto earlier = before.find(path); earlier != before.end()) {
                EXPECT_EQ(bytes, earlier->second) << path << " was changed";
                continue;
            }
            const std::string picture = rig.pictureFileOf(bytes);
            EXPECT_FALSE(picture.empty()) << path << " is an incomplete picture";
            photosOnDisk.insert(picture);
        }
        if (sweep.operation != Operation::Delete) {
            for (const sim::Picture& picture : rig.original) {
                const bool kept = std::any_of(
                    rig.camera.pictures().begin(), rig.camera.pictures().end(),
                    [&picture](const sim::Picture& left) { return left.id == picture.id; });
                EXPECT_TRUE(kept || photosOnDisk.count(std::to_string(picture.id) + "p") == 1)
                    << "picture " << picture.id << " deleted without its photo on disk";
            }
        }
        rig.expectScreensRestoredOnce();
        rig.expectTheNextCopyToWork();
        return struck;
    }
};

TEST_P(EveryNthCall, LosesNothingAndTheNextOperationWorks) {
    int nth = 1;
    for (; nth <= MOST_CALLS; ++nth) {
        SCOPED_TRACE("call " + std::to_string(nth) + " fails");
        if (!runFailing(nth) || ::testing::Test::HasFailure()) break;
    }
    EXPECT_LE(nth, MOST_CALLS) << "the sweep did not end";
}

std::vector<SweepCase> AllSweeps() {
    std::vector<SweepCase> sweeps;
    for (Operation operation : {Operation::Copy, Operation::Move, Operation::VerifiedMove,
                                Operation::Delete, Operation::SaveSettings})
        for (SysCall call :
             {SysCall::ReadFile, SysCall::WriteFile, SysCall::CreateFileA, SysCall::SetFileTime,
              SysCall::CloseHandle, SysCall::PurgeComm, SysCall::SetCommState,
              SysCall::RegSetValueExA, SysCall::FlushFileBuffers, SysCall::MoveFileExA})
            sweeps.push_back({operation, call});
    return sweeps;
}

INSTANTIATE_TEST_SUITE_P(OneKindOfCallAtATime, EveryNthCall, ::testing::ValuesIn(AllSweeps()),
                         [](const ::testing::TestParamInfo<SweepCase>& param) {
                             std::ostringstream name;
                             PrintTo(param.param, &name);
                             return name.str();
                         });

}  // namespace
}  // namespace pixlor::test
