// The plug-in driven through its exports by the host emulator, against the simulated camera on
// COM2 of the test system, with the means to make the camera or the system fail at a chosen
// moment and to check what the user is left with: the boxes shown, the files on disk, the
// camera's pictures and speed.
#pragma once

#include "host/HostEmulator.h"
#include "host/ScriptedUser.h"
#include "platform/Calendar.h"
#include "sim/CameraModel.h"
#include "sim/peer/CameraPeer.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pixlor::test {

inline const std::string SETTINGS_KEY = "HKEY_CURRENT_USER\\Software\\Far\\Plugins\\Pixlor";

// The camera on the line, with faults that wait for the nth matching command before they arm:
// the simulator's own faults strike the first match.
class CuedCamera : public CameraPeer {
public:
    explicit CuedCamera(sim::CameraModel& camera) : CameraPeer(camera), camera_(camera) {}
    // `fault` is handed to the camera as the command after `skip` matching ones arrives.
    void armAfter(int skip, const sim::Fault& fault) { cues_.push_back({skip, fault}); }
    void hostSent(const BYTE* bytes, DWORD count, DWORD hostBaud, PeerReply& reply) override {
        if (count >= 6 && bytes[0] == sim::CAM_ESC && hostBaud == camera_.baud()) {
            for (auto cue = cues_.begin(); cue != cues_.end(); ++cue) {
                if (!cue->fault.on.matches(bytes[4], bytes[5])) continue;
                if (cue->skip-- > 0) continue;
                camera_.addFault(cue->fault);
                cues_.erase(cue);
                break;
            }
        }
        CameraPeer::hostSent(bytes, count, hostBaud, reply);
    }

private:
    struct Cue {
        int skip;
        sim::Fault fault;
    };
    sim::CameraModel& camera_;
    std::vector<Cue> cues_;
};

// A camera that hears nothing: the line is dead.
class DeadLine : public SerialPeer {
public:
    void hostSent(const BYTE*, DWORD, DWORD, PeerReply&) override {}
};

// The scripted user, noting for every box whether the operation's saved screen was already
// restored when the box came up.
class WatchingUser : public host::ScriptedUser {
public:
    int answerMessage(const host::BoxRecord& box) override {
        note();
        return ScriptedUser::answerMessage(box);
    }
    void showNotice(const host::BoxRecord& box) override {
        note();
        ScriptedUser::showNotice(box);
    }
    const host::HostEmulator* emulator = nullptr;
    std::vector<int> screensOutstanding;  // one per box, in order

private:
    void note() {
        screensOutstanding.push_back(emulator != nullptr ? emulator->screensOutstanding() : -1);
    }
};

// A host with the in-process camera on COM2 and a disk panel on a temporary folder.
class FaultRig {
public:
    explicit FaultRig(std::vector<sim::Picture> pictures, std::uint32_t packetSize = 512,
                      std::uint32_t seed = 1)
        : camera(std::move(pictures), seed, packetSize), line(camera) {
        fake.system.attachPort(2, &line);
        listPorts({"COM1", "COM2"});
        makeEmulator();
    }
    ~FaultRig() { emulator.reset(); }

    void listPorts(const std::vector<std::string>& ports) {
        auto& key =
            fake.system.registry().ensureKey("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM");
        key.values.clear();
        for (const std::string& port : ports)
            key.values.push_back({port, REG_SZ, std::vector<BYTE>(port.begin(), port.end())});
    }
    // A new host, as when the file manager is started again.
    void makeEmulator() {
        emulator.reset();
        user = std::make_unique<WatchingUser>();
        host::EmulatorSettings settings;
        settings.moduleName = (std::filesystem::current_path() / "pixlor.so").string();
        settings.diskDirectory = disk.path();
        emulator =
            std::make_unique<host::HostEmulator>(host::LinkedPluginEntryPoints(), *user, settings);
        user->emulator = emulator.get();
    }
    void storeText(const char* name, const std::string& text) {
        std::vector<BYTE> data(text.begin(), text.end());
        data.push_back(0);
        storeRaw(name, REG_SZ, data);
    }
    void storeNumber(const char* name, DWORD value) {
        storeRaw(name, REG_DWORD,
                 {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                  static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)});
    }
    void storeRaw(const char* name, DWORD type, const std::vector<BYTE>& data) {
        auto& key = fake.system.registry().ensureKey(SETTINGS_KEY);
        std::erase_if(key.values, [name](const RegistryModel::Value& value) {
            return RegistryModel::fold(value.name) == RegistryModel::fold(name);
        });
        key.values.push_back({name, type, data});
    }

    // Marks every item of the plug-in panel (date folders at the root).
    bool selectAll() { return emulator->selectItems(emulator->pluginPanel().names()); }
    // F5 (or F6) of everything marked, into `destination` (the disk panel's folder when empty);
    // a move with `verify` ticks the dialog's verify box.
    int copyMarked(bool move, const std::string& destination = "", unsigned controlState = 0,
                   bool verify = false) {
        user->queueDialog([destination, verify](host::DialogRequest& dialog) {
            if (!destination.empty()) dialog.setText(2, destination);
            constexpr int VERIFY_BOX = 9;
            if (verify && dialog.count > VERIFY_BOX) dialog.items[VERIFY_BOX].Param.Selected = 1;
            return 7;  // OK
        });
        return emulator->pressKey(move ? VK_F6 : VK_F5, controlState);
    }
    int deleteMarked() {
        user->queueAnswer(0);  // delete? yes
        return emulator->pressKey(VK_F8);
    }

    // The operation after a fault: the panel opened again if it is closed, everything at the
    // root copied into a fresh folder, with no failure shown, every picture whole, the camera
    // back at 19200 Bd.
    void expectTheNextCopyToWork() {
        if (!emulator->panelOpen()) {
            ASSERT_TRUE(emulator->openPanel()) << emulator->errorText;
        } else if (!emulator->panelDescription().curDir.empty()) {
            ASSERT_TRUE(emulator->enterFolder(".."));
        }
        const std::size_t reportsBefore = failureLines().size();
        std::filesystem::create_directory(disk.path() + "/again");
        ASSERT_TRUE(selectAll());
        copyMarked(false, disk.path() + "\\again");
        EXPECT_EQ(failureLines().size(), reportsBefore)
            << "the operation after the fault: " << failureLines().back();
        std::size_t copied = 0;
        for (const auto& [path, bytes] : filesOnDisk()) {
            if (path.find("/again/") == std::string::npos) continue;
            ++copied;
            EXPECT_FALSE(pictureFileOf(bytes).empty()) << path << " is no picture";
        }
        EXPECT_EQ(copied, camera.pictures().size());
        EXPECT_EQ(camera.baud(), 19200u);
        expectScreensRestoredOnce();
    }

    // The camera-failure boxes shown so far, as their number lines.
    std::vector<std::string> failureLines() const {
        std::vector<std::string> lines;
        for (const host::BoxRecord& box : user->boxes)
            if (box.helpTopic == "Errors" && box.lines.size() >= 2) lines.push_back(box.lines[1]);
        return lines;
    }
    // The number line a camera failure with these numbers shows.
    std::string failureLine(std::uint32_t flags, int linkError, int operation) const {
        char text[128];
        std::snprintf(text, sizeof text, emulator->languageFile().message(59),
                      static_cast<unsigned>(flags), linkError, operation);
        return text;
    }
    // Every failure box came up after the operation's saved screen was restored, and nothing
    // saved is left on the screen or restored twice.
    void expectScreensRestoredOnce() const {
        for (std::size_t i = 0; i < user->boxes.size(); ++i) {
            if (user->boxes[i].helpTopic == "Errors") {
                EXPECT_EQ(user->screensOutstanding[i], 0) << "box " << i << " over a saved screen";
            }
        }
        EXPECT_EQ(emulator->screensOutstanding(), 0);
        for (const std::string& violation : emulator->violations()) ADD_FAILURE() << violation;
    }

    // Every file below the disk folder, by path with "/" separators, with its bytes.
    std::map<std::string, std::vector<unsigned char>> filesOnDisk() const {
        std::map<std::string, std::vector<unsigned char>> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(disk.path()))
            if (entry.is_regular_file())
                files[entry.path().generic_string()] = readFileBytes(entry.path().string());
        return files;
    }
    // The complete file of a picture, photo or thumbnail, that `bytes` are, as "<id>p"/"<id>t";
    // empty when they are no picture's complete file.
    std::string pictureFileOf(const std::vector<unsigned char>& bytes) const {
        for (const sim::Picture& picture : original)
            for (auto kind : {sim::PictureKind::Photo, sim::PictureKind::Thumbnail}) {
                const std::uint32_t size =
                    kind == sim::PictureKind::Photo ? picture.photoSize : picture.thumbSize;
                if (size == bytes.size() &&
                    sim::pictureData(camera.seed(), picture.id, kind, size) == bytes)
                    return std::to_string(picture.id) +
                           (kind == sim::PictureKind::Photo ? "p" : "t");
            }
        return "";
    }

    FakeSystemInForce fake;
    TempDir disk;
    sim::CameraModel camera;
    std::vector<sim::Picture> original = camera.pictures();
    CuedCamera line;
    sim::CameraModel emptyCamera;  // a camera that holds no pictures
    CameraPeer emptyCameraPeer{emptyCamera};
    DeadLine deadLine;
    std::unique_ptr<WatchingUser> user;
    std::unique_ptr<host::HostEmulator> emulator;
};

}  // namespace pixlor::test
