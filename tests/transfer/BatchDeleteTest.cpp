// The batch delete: which pictures go, in which order, what the box and the panel show, and the
// end at the first failure.
#include "tests/transfer/BatchFixture.h"

#include "far/MessageNumbers.h"
#include "transfer/BatchTransfer.h"

namespace pixlor::test {
namespace {

using Ids = std::vector<std::uint32_t>;

// Six pictures on the camera, with identities 1..6.
class SixPicturesDelete : public BatchOnSimulatedCamera {
protected:
    SixPicturesDelete()
        : BatchOnSimulatedCamera(PicturesOfSizes({3000, 3100, 3200, 3300, 3400, 3500})) {}
};

TEST_F(SixPicturesDelete, RenumbersTheRestOfTheSelectionAfterEveryDeletion) {
    // Positions 2, 3 and 5 name pictures 3, 4 and 6: the camera deletes 3, 3 and 4.
    ASSERT_TRUE(BatchDelete(*panel(), positions({2, 3, 5})));

    EXPECT_EQ(idsOnCamera(), (Ids{1, 2, 5}));
    EXPECT_EQ(panel()->device->pictureCount, 3u);
    EXPECT_EQ(camera.speedIndex(), 0u) << "the camera is back at its default speed";
}

TEST_F(SixPicturesDelete, DeletesTheFormerLastPictureAfterItsNeighbour) {
    ASSERT_TRUE(BatchDelete(*panel(), positions({4, 5})));
    EXPECT_EQ(idsOnCamera(), (Ids{1, 2, 3, 4}));
}

TEST_F(SixPicturesDelete, LeavesEarlierPositionsAloneInADescendingSelection) {
    ASSERT_TRUE(BatchDelete(*panel(), positions({5, 2})));
    EXPECT_EQ(idsOnCamera(), (Ids{1, 2, 4, 5}));
}

TEST_F(SixPicturesDelete, DeletesAPictureNamedTwiceOnlyOnce) {
    ASSERT_TRUE(BatchDelete(*panel(), positions({2, 2})));
    EXPECT_EQ(idsOnCamera(), (Ids{1, 2, 4, 5, 6}));
}

TEST_F(SixPicturesDelete, CountsTheDeletionsInItsBox) {
    ASSERT_TRUE(BatchDelete(*panel(), positions({0, 1, 2})));

    const auto boxes = boxesTitled(MSG_DELETE_TITLE);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].lines[0], "Deleting picture 1 of 3");
    EXPECT_EQ(boxes[1].lines[0], "Deleting picture 2 of 3");
    EXPECT_EQ(boxes[2].lines[0], "Deleting picture 3 of 3");
    EXPECT_EQ(boxes[2].flags, 0u);
    EXPECT_TRUE(boxes[2].helpTopic.empty());
    EXPECT_TRUE(everyScreenRestoredOnce());
}

TEST_F(SixPicturesDelete, ListsThePanelAgainAfterEachDeletionAndPutsTheCursorOnTheFirstItem) {
    ASSERT_TRUE(BatchDelete(*panel(), positions({0, 1})));

    EXPECT_EQ(emulator.controls(FCTL_UPDATEPANEL).size(), 3u);
    const host::ControlRecord last = emulator.controls().back();
    EXPECT_EQ(last.command, FCTL_REDRAWPANEL);
    ASSERT_TRUE(last.redraw.has_value());
    EXPECT_EQ(last.redraw->CurrentItem, 0);
    EXPECT_EQ(last.redraw->TopPanelItem, 0);
}

TEST_F(SixPicturesDelete, TakesThePanelsSelectionWhenGivenNone) {
    markPictures({1, 3});
    ASSERT_TRUE(BatchDelete(*panel(), nullptr));
    EXPECT_EQ(idsOnCamera(), (Ids{1, 3, 5, 6}));
}

TEST_F(SixPicturesDelete, StopsAtTheFirstFailureWithOneReport) {
    // The second deletion's selection is refused for good.
    camera.addFault(
        {sim::FaultKind::Refuse, sim::CommandMatch::setRegister(4), sim::FAULT_FOREVER});
    EXPECT_FALSE(BatchDelete(*panel(), positions({5, 0, 1})));

    EXPECT_EQ(idsOnCamera(), (Ids{1, 2, 3, 4, 5}));
    ASSERT_EQ(reports().size(), 1u);
    EXPECT_EQ(reports()[0].flags, FMSG_WARNING | FMSG_MB_OK);
    EXPECT_TRUE(everyScreenRestoredOnce());
    EXPECT_EQ(boxesTitled(MSG_DELETE_TITLE).size(), 2u);
}

}  // namespace
}  // namespace pixlor::test
