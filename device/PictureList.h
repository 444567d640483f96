// The camera's picture catalogue: one entry per picture in camera order. Picture number n
// (1-based, as register 4 takes it) is the entry at position n - 1.
#pragma once

#include <cstdint>
#include <vector>

namespace pixlor {

struct PictureEntry {
    std::uint8_t infoRead = 0;
    std::uint32_t photoSize = 0;
    std::uint32_t thumbSize = 0;
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    std::int32_t year = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
};

class PictureList {
public:
    explicit PictureList(std::uint32_t count) : entries_(count) {}

    // The entry at a 0-based position, or nullptr past the end.
    PictureEntry* entryAt(std::uint32_t position) {
        return position < entries_.size() ? &entries_[position] : nullptr;
    }
    const PictureEntry* entryAt(std::uint32_t position) const {
        return position < entries_.size() ? &entries_[position] : nullptr;
    }
    // Removes an entry; the ones behind it move one position forward, as the camera renumbers.
    void remove(std::uint32_t position) {
        if (position < entries_.size()) entries_.erase(entries_.begin() + position);
    }

private:
    std::vector<PictureEntry> entries_;
};

}  // namespace pixlor
