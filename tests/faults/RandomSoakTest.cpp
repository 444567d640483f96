// Hundreds of copies, moves, deletions, listings and F7 presses against a camera and a disk that
// fail at random (NAKs, damaged packets, silences, refusals, lost bytes, a camera that restarts
// at 19200 Bd, a full disk), with the invariants a user relies on checked after every step. The
// seed is printed; PIXLOR_SOAK_SEED replays a run, PIXLOR_SOAK_STEPS makes it longer.
#include "tests/faults/FaultRig.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>
#include <set>

namespace pixlor::test {
namespace {

using sim::CommandMatch;
using sim::FaultKind;

std::uint32_t EnvironmentNumber(const char* name, std::uint32_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

struct SoakCounts {
    int steps = 0;
    int faultsInjected = 0;
    int failuresShown = 0;
    int reopenings = 0;
    int filesCopied = 0;
    int picturesDeleted = 0;
};

// One camera's life: a fresh camera with eight pictures, worked on until few are left.
class SoakRound {
public:
    SoakRound(std::mt19937& random, SoakCounts& counts)
        : random_(random), counts_(counts), rig_(Pictures(random)) {
        rig_.storeText("PhotoPath", "");  // every picture at the root, every copy in one folder
        rig_.storeText("ThumbPath", "");
    }

    void run(int steps) {
        ASSERT_TRUE(rig_.emulator->start()) << rig_.emulator->errorText;
        ASSERT_TRUE(rig_.emulator->openPanel()) << rig_.emulator->errorText;
        for (int step = 0; step < steps && rig_.camera.pictures().size() >= 3; ++step) {
            SCOPED_TRACE("step " + std::to_string(counts_.steps));
            ++counts_.steps;
            this->step();
            if (::testing::Test::HasFatalFailure()) return;
        }
        if (rig_.emulator->panelOpen()) rig_.emulator->closePanel();
        rig_.expectScreensRestoredOnce();
    }

private:
    enum class Action { Copy, Move, Delete, List, SwitchKind };

    static std::vector<sim::Picture> Pictures(std::mt19937& random) {
        std::vector<sim::Picture> pictures;
        for (unsigned i = 0; i < 8; ++i) {
            const std::uint32_t photoSize = 300 + random() % 1500;
            pictures.push_back(PictureOn(2002, 5, 15 + i % 3, photoSize, photoSize / 10));
        }
        return pictures;
    }
    int below(int bound) { return static_cast<int>(random_() % static_cast<unsigned>(bound)); }

    void injectFault() {
        static const CommandMatch targets[] = {CommandMatch::setRegister(sim::REG_CURRENT_PICTURE),
                                               CommandMatch::setRegister(sim::REG_SPEED),
                                               CommandMatch::requestData(sim::REG_PHOTO_DATA),
                                               CommandMatch::requestData(sim::REG_THUMB_DATA),
                                               CommandMatch::action(sim::ACTION_DELETE_LAST),
                                               CommandMatch::action(sim::ACTION_DELETE_CURRENT),
                                               CommandMatch::getRegister(sim::REG_PICTURE_COUNT),
                                               CommandMatch::requestData(sim::REG_PICTURE_INFO)};
        const CommandMatch on = targets[below(std::size(targets))];
        ++counts_.faultsInjected;
        switch (below(10)) {
        case 0: rig_.camera.addFault({FaultKind::Nak, on, 1 + below(3)}); return;
        case 1: rig_.camera.addFault({FaultKind::Damage, on, 1 + below(3), below(3)}); return;
        case 2:
            rig_.camera.addFault({FaultKind::Silence, on, 1, below(2) == 0 ? -1 : below(3)});
            return;
        case 3: rig_.camera.addFault({FaultKind::Refuse, on, 1 + below(2)}); return;
        case 4: rig_.camera.addFault({FaultKind::PowerCycle, on}); return;
        case 5:
            rig_.camera.addFault({FaultKind::Completion, on, 1, -1, below(2) == 0 ? -1 : 0x42});
            return;
        case 6:
            rig_.camera.addFault({FaultKind::Unexpected, on, 1, below(2) == 0 ? -1 : 0, 0x42});
            return;
        case 7: rig_.camera.powerCycle(); return;
        case 8:  // a byte of ours lost on the line
            rig_.fake.system.failCall(SysCall::WriteFile, 1 + below(8), 1, ERROR_GEN_FAILURE,
                                      FaultTarget::Port);
            return;
        default:
            rig_.fake.system.failCall(SysCall::WriteFile, 1 + below(4), 1, ERROR_DISK_FULL,
                                      FaultTarget::File);
            return;
        }
    }

    // Marks one to three pictures of the panel.
    void markSome() {
        std::vector<std::string> names = rig_.emulator->pluginPanel().names();
        std::erase(names, "..");
        std::shuffle(names.begin(), names.end(), random_);
        names.resize(std::min<std::size_t>(names.size(), 1 + below(3)));
        ASSERT_TRUE(rig_.emulator->selectItems(names));
    }

    void step() {
        if (below(3) == 0) injectFault();
        const auto filesBefore = rig_.filesOnDisk();
        std::set<std::uint32_t> idsBefore;
        for (const sim::Picture& picture : rig_.camera.pictures()) idsBefore.insert(picture.id);
        const std::size_t reportsBefore = rig_.failureLines().size();

        const auto action = static_cast<Action>(below(5));
        switch (action) {
        case Action::Copy:
        case Action::Move:
            markSome();
            rig_.copyMarked(action == Action::Move, "",
                            static_cast<unsigned>(below(8)));  // any of Ctrl, Alt, Shift
            break;
        case Action::Delete:
            markSome();
            rig_.deleteMarked();
            break;
        case Action::List: rig_.emulator->list(); break;
        case Action::SwitchKind:
            rig_.emulator->pressKey(VK_F7);
            thumbnails_ = !thumbnails_;
            break;
        }
        rig_.expectScreensRestoredOnce();

        // Existing files untouched, new ones complete pictures.
        std::set<std::string> onDisk;
        for (const auto& [path, bytes] : rig_.filesOnDisk()) {
            const auto earlier = filesBefore.find(path);
            if (earlier != filesBefore.end()) {
                EXPECT_EQ(bytes, earlier->second) << path << " was overwritten";
            } else {
                ++counts_.filesCopied;
            }
            const std::string picture = rig_.pictureFileOf(bytes);
            EXPECT_FALSE(picture.empty()) << path << " is not a complete picture";
            onDisk.insert(picture);
        }
        // A picture leaves the camera only when the user deleted it, or moved it and its photo
        // is on disk complete, whatever the shift keys and the view.
        for (std::uint32_t id : idsBefore) {
            const bool stillThere =
                std::any_of(rig_.camera.pictures().begin(), rig_.camera.pictures().end(),
                            [id](const sim::Picture& picture) { return picture.id == id; });
            if (stillThere) continue;
            ++counts_.picturesDeleted;
            if (action == Action::Delete) continue;
            EXPECT_EQ(action, Action::Move) << "picture " << id << " deleted by a copy";
            EXPECT_TRUE(onDisk.count(std::to_string(id) + "p"))
                << "picture " << id << " moved without its file";
        }

        const bool failed = rig_.failureLines().size() != reportsBefore;
        if (failed) ++counts_.failuresShown;
        if (failed || !catalogueMatches()) reopen();
        EXPECT_TRUE(catalogueMatches()) << "the panel does not list the camera's pictures";
    }

    // The panel lists exactly the camera's pictures, each at its number, with its size.
    bool catalogueMatches() {
        if (!rig_.emulator->panelOpen()) return rig_.camera.pictures().empty();
        const auto& items = rig_.emulator->pluginPanel().items();
        const auto& pictures = rig_.camera.pictures();
        if (items.size() != pictures.size()) return false;
        std::set<std::size_t> positions;
        for (const PluginPanelItem& item : items) {
            const std::size_t position = item.UserData;
            if (position >= pictures.size() || !positions.insert(position).second) return false;
            const sim::Picture& picture = pictures[position];
            if (item.FindData.nFileSizeLow != (thumbnails_ ? picture.thumbSize : picture.photoSize))
                return false;
        }
        return true;
    }

    // What the user does after a failure: close the panel and open it again; a camera that
    // does not answer is switched off and on first.
    void reopen() {
        ++counts_.reopenings;
        rig_.fake.system.clearFaults();
        if (rig_.emulator->panelOpen()) rig_.emulator->closePanel();
        thumbnails_ = false;
        if (rig_.camera.pictures().empty()) return;  // nothing left to show
        // Faults still waiting in the camera strike the next tries; each try uses some up.
        for (int tries = 0; tries < 8; ++tries) {
            if (rig_.emulator->openPanel()) return;
            rig_.camera.powerCycle();
        }
        FAIL() << "the camera cannot be opened again: " << rig_.failureLines().back();
    }

    std::mt19937& random_;
    SoakCounts& counts_;
    FaultRig rig_;
    bool thumbnails_ = false;
};

TEST(RandomFaultSoak, NoPictureIsLostOrCorruptedAndThePanelAlwaysRecovers) {
    const std::uint32_t seed = EnvironmentNumber("PIXLOR_SOAK_SEED", 20020517);
    const int steps = static_cast<int>(EnvironmentNumber("PIXLOR_SOAK_STEPS", 400));
    std::cout << "soak seed " << seed << " (PIXLOR_SOAK_SEED=" << seed << " replays it)\n";
    RecordProperty("seed", std::to_string(seed));
    std::mt19937 random(seed);
    SoakCounts counts;
    while (counts.steps < steps && !HasFailure())
        SoakRound(random, counts).run(steps - counts.steps);
    std::cout << "soak: " << counts.steps << " steps, " << counts.faultsInjected
              << " faults injected, " << counts.failuresShown << " failures shown, "
              << counts.reopenings << " reopenings, " << counts.filesCopied << " files copied, "
              << counts.picturesDeleted << " pictures deleted\n";
    EXPECT_GE(counts.steps, steps);
}

}  // namespace
}  // namespace pixlor::test
