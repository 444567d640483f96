// The batch suites' situation: the host with the simulated camera on COM2 (4096-byte packets),
// the camera panel opened through the host, and batches started on it directly.
#pragma once

#include "config/SettingsStore.h"
#include "panel/CameraPanel.h"
#include "tests/support/HostWithCamera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace pixlor::test {

// Seconds since 1970 of a shooting time, taken as calendar time.
inline std::int32_t ShotAt(int year, unsigned month, unsigned day, unsigned hour = 12) {
    return static_cast<std::int32_t>(daysFromCivil(year, month, day) * 86400 + hour * 3600);
}

// Pictures and thumbnails of the given sizes, shot on consecutive days from 2002-07-05.
inline std::vector<sim::Picture> PicturesOfSizes(const std::vector<std::uint32_t>& photoSizes,
                                                 std::uint32_t thumbSize = 700) {
    std::vector<sim::Picture> pictures;
    for (std::size_t i = 0; i < photoSizes.size(); ++i)
        pictures.push_back(
            {photoSizes[i], thumbSize, ShotAt(2002, 7, static_cast<unsigned>(5 + i)), 0});
    return pictures;
}

inline CameraHostSetup BatchSetup(std::map<int, std::string> texts = {}) {
    CameraHostSetup setup;
    setup.packetSize = 4096;
    setup.texts = std::move(texts);
    return setup;
}

class BatchOnSimulatedCamera : public HostWithCamera {
protected:
    explicit BatchOnSimulatedCamera(std::vector<sim::Picture> pictures,
                                    CameraHostSetup setup = BatchSetup())
        : HostWithCamera(std::move(pictures), std::move(setup)) {}
    void SetUp() override {
        ASSERT_TRUE(startAndOpen()) << emulator.errorText;
        panel()->listingState = LISTING_FLAT_ROOT;
        destination = disk.path() + "\\";
    }

    // Lists the pictures without date folders and marks those at the given positions.
    void markPictures(const std::vector<DWORD>& positions) {
        setText(SETTING_PHOTO_PATH, "");
        std::vector<std::string> names;
        for (DWORD position : positions) names.push_back(nameAt(position));
        ASSERT_TRUE(emulator.selectItems(names)) << emulator.errorText;
    }
    // The name the panel lists for the picture at a catalogue position.
    std::string nameAt(DWORD position) {
        for (const PluginPanelItem& item : listing())
            if (DWORD_PTR{item.UserData} == position) return item.FindData.cFileName;
        return "";
    }
    std::unique_ptr<SelectionList> positions(const std::vector<std::uint32_t>& list) {
        auto selection = std::make_unique<SelectionList>();
        for (std::uint32_t position : list) {
            const PictureEntry* entry = panel()->device->entryAt(position);
            selection->push_back(
                {entry != nullptr ? PictureFileTime(*entry) : FILETIME{}, position});
        }
        return selection;
    }
    std::vector<std::uint32_t> idsOnCamera() const {
        std::vector<std::uint32_t> ids;
        for (const sim::Picture& picture : camera.pictures()) ids.push_back(picture.id);
        return ids;
    }
    std::string onDisk(const std::string& relative) const {
        return nativePath(disk.path() + "\\" + relative);
    }
    std::vector<host::BoxRecord> reports() const { return boxesWithTopic("Errors"); }
    std::string lastReportLine() const {
        const auto found = reports();
        return found.empty() ? std::string() : found.back().lines.back();
    }

    std::string destination;
};

}  // namespace pixlor::test
