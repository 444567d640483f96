// Esc pressed on the console while a copy, a move, a deletion or the opening works, through the
// host emulator against the simulated camera at 19200 Bd, where a 2048-byte data packet takes
// longer than the half second between two looks at the console: the user presses Esc after
// packet N of picture K, with and without the host's confirmation, answering both ways.
#include "far/MessageNumbers.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

namespace pixlor::test {
namespace {

using sim::PictureKind;

constexpr int OK_BUTTON = 7;
constexpr DWORD SPEED_19200 = 2;
constexpr DWORD SPEED_115200 = 5;
// Packets of 2048, 2048 and 1104 bytes: each takes more than half a second.
constexpr std::uint32_t PHOTO_SIZE = 5200;
constexpr int PICTURES = 4;
constexpr int ASKS = FCS_INTERRUPTOPERATION;
constexpr int EVERY_OTHER_CONFIRMATION = 0x1F;  // copy, move, drag, delete, folders
constexpr int STOP = 0, GO_ON = 1, ESC = -1;

enum class Batch { Copy, Move, Delete };

struct EscRow {
    const char* situation;
    Batch batch;
    int confirmations;
    int answer;   // to the question, when it comes
    int picture;  // Esc after packet `packet` of picture `picture` (a deletion: while the box
    int packet;   // shows picture `picture`)
    bool stops;
    int copied;    // pictures on disk, each complete; the summary's first number
    int onCamera;  // pictures left on the camera
    DWORD speedIndex = SPEED_19200;
    bool readsCutShort = false;  // from then on every read of the line ends at once, aborted
};

void PrintTo(const EscRow& row, std::ostream* out) { *out << row.situation; }

// clang-format off
const EscRow ESC_ROWS[] = {
    {"copy, stopped at once", Batch::Copy, 0, STOP, 2, 2, true, 1, PICTURES},
    {"copy, asked and stopped", Batch::Copy, ASKS, STOP, 2, 1, true, 1, PICTURES},
    {"copy, asked and going on", Batch::Copy, ASKS, GO_ON, 2, 1, false, PICTURES, PICTURES},
    {"copy, Esc at the question goes on", Batch::Copy, ASKS, ESC, 3, 2, false, PICTURES, PICTURES},
    {"copy, other confirmations only", Batch::Copy, EVERY_OTHER_CONFIRMATION, STOP, 3, 1, true, 2,
     PICTURES},
    {"copy, Esc after a file's last packet keeps it", Batch::Copy, 0, STOP, 2, 3, true, 2,
     PICTURES},
    {"copy, a read cut short while Esc waits", Batch::Copy, 0, STOP, 1, 1, true, 0, PICTURES,
     SPEED_115200, true},
    {"move, stopped at once", Batch::Move, 0, STOP, 3, 1, true, 2, PICTURES - 2},
    {"move, asked and stopped", Batch::Move, ASKS, STOP, 1, 2, true, 0, PICTURES},
    {"move, asked and going on", Batch::Move, ASKS, GO_ON, 2, 2, false, PICTURES, 0},
    {"delete, stopped at once", Batch::Delete, 0, STOP, 2, 0, true, 0, 0},
    {"delete, asked and stopped", Batch::Delete, ASKS, STOP, 3, 0, true, 0, 0},
    {"delete, asked and going on", Batch::Delete, ASKS, GO_ON, 2, 0, false, 0, 0},
};
// clang-format on

// Many pictures: four photos of May 17 for the copies, and 36 small ones of May 18, so that
// deleting all of them takes longer than half a second.
std::vector<sim::Picture> Pictures() {
    std::vector<sim::Picture> pictures;
    for (int i = 0; i < PICTURES; ++i) pictures.push_back(PictureOn(2002, 5, 17, PHOTO_SIZE, 300));
    for (int i = 0; i < 36; ++i) pictures.push_back(PictureOn(2002, 5, 18, 100, 50));
    return pictures;
}

// Texts that show the numbers the tests look for.
CameraHostSetup Texts() {
    return NumberedTexts({{MSG_COPY_FILE_LINE, "%d:%u"},
                          {MSG_DELETE_PROGRESS, "%d"},
                          {MSG_COPY_STOPPED, "%d of %d"},
                          {MSG_MOVE_STOPPED, "%d of %d, %d"},
                          {MSG_DELETE_STOPPED, "%d of %d"},
                          {MSG_CATALOGUE_STOPPED, "%d of %d"}});
}

class EscDuringABatch : public HostWithCamera, public ::testing::WithParamInterface<EscRow> {
protected:
    EscDuringABatch() : HostWithCamera(Pictures(), Texts()) {}

    void SetUp() override {
        const EscRow& row = GetParam();
        setNumber("BaudRate", row.speedIndex);
        ASSERT_TRUE(startAndOpen()) << emulator.errorText;
        emulator.setConfirmations(row.confirmations);
        for (int picture = 0; picture < PICTURES; ++picture)
            photos.push_back(expected(picture, PictureKind::Photo));
        if (row.batch == Batch::Delete) {
            ASSERT_TRUE(emulator.selectItems({"02-05-17", "02-05-18"}));
            user.queueAnswer(0);  // delete?
        } else {
            ASSERT_TRUE(emulator.selectItems({"02-05-17"}));
            user.queueDialog([](host::DialogRequest&) { return OK_BUTTON; });
        }
        user.queueAnswer(row.answer);  // stop?
        const std::string escAt =
            row.batch == Batch::Delete
                ? std::to_string(row.picture)
                : std::to_string(row.picture) + ":" +
                      std::to_string(std::min<std::uint32_t>(
                          static_cast<std::uint32_t>(row.packet) * sim::DEFAULT_PACKET_SIZE,
                          PHOTO_SIZE));
        const std::size_t line = row.batch == Batch::Delete ? 0 : 1;
        user.noticeShown = [this, escAt, line, &row](const host::BoxRecord& box) {
            if (escPressed || box.lines.size() <= line || box.lines[line] != escAt) return;
            escPressed = true;
            escPressedAt = fake.system.nowMicros();
            ASSERT_TRUE(emulator.typeKey(VK_ESCAPE)) << emulator.errorText;
            if (row.readsCutShort)
                fake.system.failCall(SysCall::ReadFile, 1, 1000, ERROR_OPERATION_ABORTED,
                                     FaultTarget::Port);
        };
    }

    int pressBatchKey() {
        const EscRow& row = GetParam();
        return emulator.pressKey(row.batch == Batch::Copy   ? VK_F5
                                 : row.batch == Batch::Move ? VK_F6
                                                            : VK_F8);
    }
    bool photoOnDisk(int picture) const {
        const std::string name =
            disk.windowsPath("02-05-17\\pic17.05.2002_00" + std::to_string(picture) + ".jpg");
        return fileExists(name) && readFileBytes(name) == photos.at(picture - 1);
    }

    bool escPressed = false;
    std::uint64_t escPressedAt = 0;         // on the virtual clock
    std::vector<std::vector<BYTE>> photos;  // as the camera held them before the batch
};

TEST_P(EscDuringABatch, StopsWithinAPacketKeepsWhatIsCompleteAndSaysWhatWasDone) {
    const EscRow& row = GetParam();
    const int onCameraBefore = static_cast<int>(camera.pictures().size());
    EXPECT_EQ(pressBatchKey(), 1);
    ASSERT_TRUE(escPressed) << "the batch ended before the key was pressed";
    if (row.stops && row.batch == Batch::Copy) {
        // Pressed after a packet, Esc is seen at once: nothing more is received.
        const std::uint64_t packetMicros = sim::DEFAULT_PACKET_SIZE * 10 * 1000000ull / 19200;
        EXPECT_LT(fake.system.nowMicros() - escPressedAt, packetMicros / 4);
    }
    EXPECT_EQ(fake.system.consoleEventsWaiting(), 0u) << "the plug-in reads the console itself";

    const auto questions = boxesWithTopic("StopBatch");
    const bool asked = (row.confirmations & FCS_INTERRUPTOPERATION) != 0;
    const std::size_t summaries = row.stops ? 1 : 0;
    ASSERT_EQ(questions.size(), (asked ? 1u : 0u) + summaries);
    if (asked) {
        const host::BoxRecord& question = questions.front();
        EXPECT_NE(question.flags & FMSG_WARNING, 0u);
        EXPECT_EQ(question.lines, std::vector<std::string>{text(MSG_STOP_QUESTION)});
        EXPECT_EQ(question.buttons,
                  (std::vector<std::string>{text(MSG_BUTTON_STOP), text(MSG_BUTTON_GO_ON)}));
    }
    EXPECT_TRUE(boxesWithTopic("Errors").empty()) << "a stop is no failure";

    if (row.batch == Batch::Delete) {
        const int deleted = onCameraBefore - static_cast<int>(camera.pictures().size());
        if (row.stops) {
            // The console is read at most every half second: the deletion stops at the first
            // look after the key, between two pictures.
            EXPECT_GE(deleted, row.picture);
            EXPECT_LT(deleted, onCameraBefore);
            EXPECT_EQ(questions.back().lines,
                      std::vector<std::string>{std::to_string(deleted) + " of " +
                                               std::to_string(onCameraBefore)});
        } else {
            EXPECT_EQ(deleted, onCameraBefore);
        }
    } else {
        for (int picture = 1; picture <= PICTURES; ++picture)
            EXPECT_EQ(photoOnDisk(picture), picture <= row.copied) << "picture " << picture;
        EXPECT_EQ(filesOnDisk(), static_cast<std::size_t>(row.copied))
            << "the file being written is removed";
        EXPECT_EQ(static_cast<int>(camera.pictures().size()),
                  onCameraBefore - (PICTURES - row.onCamera));
        if (row.stops) {
            const std::string done = std::to_string(row.copied) + " of " + std::to_string(PICTURES);
            const std::string deleted =
                row.batch == Batch::Move ? ", " + std::to_string(PICTURES - row.onCamera) : "";
            EXPECT_EQ(questions.back().lines, std::vector<std::string>{done + deleted});
            EXPECT_EQ(questions.back().title,
                      text(row.batch == Batch::Move ? MSG_MOVE_TITLE : MSG_COPY_TITLE));
        }
    }
    if (!row.readsCutShort) {
        EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD) << "the camera is sent back";
    }
    EXPECT_TRUE(everyScreenRestoredOnce());
    // The panel lists what the camera holds.
    if (emulator.panelOpen()) {
        std::size_t listed = 0;
        for (const char* folder : {"02-05-17", "02-05-18"}) {
            if (!emulator.enterFolder(folder)) continue;
            listed += listing().size();
            emulator.enterFolder("..");
        }
        EXPECT_EQ(listed, camera.pictures().size());
    }
}

INSTANTIATE_TEST_SUITE_P(CopyMoveAndDelete, EscDuringABatch, ::testing::ValuesIn(ESC_ROWS));

// The opening reads every picture's information, one packet each: Esc stops that too, and the
// panel stays closed.
class EscWhileTheCameraOpens : public HostWithCamera {
protected:
    EscWhileTheCameraOpens() : HostWithCamera(Pictures(), Texts()) {}
};

TEST_F(EscWhileTheCameraOpens, LeavesThePanelClosedAndTheCameraAtItsDefaultSpeed) {
    setNumber("BaudRate", SPEED_19200);
    ASSERT_TRUE(start()) << emulator.errorText;
    emulator.setConfirmations(0);
    bool pressed = false;
    user.noticeShown = [&](const host::BoxRecord&) {
        if (!pressed) pressed = emulator.typeKey(VK_ESCAPE);
    };
    EXPECT_FALSE(emulator.openPanel());
    ASSERT_TRUE(pressed);
    const auto summaries = boxesWithTopic("StopBatch");
    ASSERT_EQ(summaries.size(), 1u);
    int read = 0, total = 0;
    ASSERT_EQ(std::sscanf(summaries[0].lines.at(0).c_str(), "%d of %d", &read, &total), 2);
    EXPECT_EQ(total, static_cast<int>(camera.pictures().size()));
    EXPECT_GT(read, 0);
    EXPECT_LT(read, total);
    EXPECT_TRUE(boxesWithTopic("Errors").empty());
    EXPECT_EQ(camera.baud(), sim::CAMERA_DEFAULT_BAUD);
    EXPECT_TRUE(everyScreenRestoredOnce());
    // Opened again without Esc, the panel lists everything.
    user.noticeShown = nullptr;
    ASSERT_TRUE(emulator.openPanel()) << emulator.errorText;
}

}  // namespace
}  // namespace pixlor::test
