#include "tests/device/DeviceFixtures.h"

namespace pixlor::test {
namespace {

using sim::CommandMatch;
using sim::Fault;
using sim::FaultKind;

const Bytes DELETE_LAST = actionPacket(0);
const Bytes DELETE_CURRENT = actionPacket(7);

// Five pictures told apart by their photo sizes 1001..1005; the panel has read the catalogue.
class CameraWithFivePictures : public DeviceOnSimulatedCamera {
protected:
    CameraWithFivePictures()
        : DeviceOnSimulatedCamera({{1001, 1, 0, 0},
                                   {1002, 1, 0, 0},
                                   {1003, 1, 0, 0},
                                   {1004, 1, 0, 0},
                                   {1005, 1, 0, 0}}) {}
    void SetUp() override {
        openAsThePanelDoes();
        markWire();
    }
    std::vector<std::uint32_t> cameraPhotoSizes() const {
        std::vector<std::uint32_t> sizes;
        for (const sim::Picture& picture : camera.pictures()) sizes.push_back(picture.photoSize);
        return sizes;
    }
    std::vector<std::uint32_t> cataloguePhotoSizes() {
        std::vector<std::uint32_t> sizes;
        for (std::uint32_t i = 0; device->entryAt(i) != nullptr; ++i)
            sizes.push_back(device->entryAt(i)->photoSize);
        return sizes;
    }
};

TEST_F(CameraWithFivePictures, LastPictureGoesWithAction0AndNoSelection) {
    ASSERT_TRUE(device->deletePicture(5, true));
    EXPECT_EQ(device->operationCode, OP_OK);
    EXPECT_EQ(hostWrites(), (std::vector<Bytes>{PROBE, SPEED_FAST, DELETE_LAST, SPEED_RESET}));
    EXPECT_EQ(device->pictureCount, 4u);
    EXPECT_EQ(cataloguePhotoSizes(), (std::vector<std::uint32_t>{1001, 1002, 1003, 1004}));
    EXPECT_EQ(cameraPhotoSizes(), cataloguePhotoSizes());
}

TEST_F(CameraWithFivePictures, RefusedDeleteLastSwitchesToSelectionForTheRestOfThePanel) {
    camera.addFault(Fault{FaultKind::Refuse, CommandMatch::action(0)});
    ASSERT_TRUE(device->deletePicture(5, false));
    ASSERT_TRUE(device->deletePicture(4, true));
    EXPECT_EQ(hostWrites(),
              (std::vector<Bytes>{PROBE, SPEED_FAST, DELETE_LAST, selectPacket(5), DELETE_CURRENT,
                                  selectPacket(4), DELETE_CURRENT, SPEED_RESET}));
    EXPECT_EQ(device->link->deleteMode, DELETE_WITH_SELECTION);
    EXPECT_EQ(cataloguePhotoSizes(), (std::vector<std::uint32_t>{1001, 1002, 1003}));
    EXPECT_EQ(cameraPhotoSizes(), cataloguePhotoSizes());
}

TEST_F(CameraWithFivePictures, DeletingPicture2RenumbersTheLaterPicturesLikeTheCamera) {
    ASSERT_TRUE(device->deletePicture(2, false));
    EXPECT_EQ(device->pictureCount, 4u);
    EXPECT_EQ(device->entryAt(1)->photoSize, 1003u);  // picture 3 is now picture 2
    // The picture that moved into the gap is already the selected one.
    ASSERT_TRUE(device->deletePicture(2, true));
    EXPECT_EQ(hostWrites(), (std::vector<Bytes>{PROBE, SPEED_FAST, selectPacket(2), DELETE_CURRENT,
                                                DELETE_CURRENT, SPEED_RESET}));
    EXPECT_EQ(cataloguePhotoSizes(), (std::vector<std::uint32_t>{1001, 1004, 1005}));
    EXPECT_EQ(cameraPhotoSizes(), cataloguePhotoSizes());
}

TEST_F(CameraWithFivePictures, RefusalWithSelectionFailsAndResetsTheSpeed) {
    camera.addFault(Fault{FaultKind::Refuse, CommandMatch::action(0)});
    camera.addFault(Fault{FaultKind::Refuse, CommandMatch::action(7)});
    EXPECT_FALSE(device->deletePicture(5, false));
    EXPECT_EQ(device->operationCode, OP_DELETE);
    EXPECT_EQ(linkError(), LINK_ERR_ACTION);
    EXPECT_EQ(flags(), STATUS_REFUSED);
    EXPECT_EQ(hostWrites().back(), SPEED_RESET);
    EXPECT_EQ(device->pictureCount, 5u);
    EXPECT_EQ(camera.pictures().size(), 5u);
}

TEST_F(CameraWithFivePictures, FailedTimeOutChangeForTheCompletionWaitLeaves18) {
    // The wake-up sets the probes' wait and puts the answers' back; then the completion wait.
    system().failCall(SysCall::SetCommTimeouts, 3);
    EXPECT_FALSE(device->deletePicture(3, true));
    EXPECT_EQ(device->operationCode, OP_DELETE_TIMEOUTS);
    EXPECT_NE(flags() & STATUS_TIMEOUTS, 0u);
    // The camera did delete it, as the picture count it gives then shows: so does the catalogue.
    EXPECT_EQ(hostWrites().back(), ACK);
    EXPECT_EQ(cataloguePhotoSizes(), (std::vector<std::uint32_t>{1001, 1002, 1004, 1005}));
    EXPECT_EQ(cameraPhotoSizes(), cataloguePhotoSizes());
}

}  // namespace
}  // namespace pixlor::test
