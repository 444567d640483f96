#include "panel/PanelListing.h"

#include "config/SettingsStore.h"
#include "far/HostServices.h"
#include "naming/NamePattern.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <string>

namespace pixlor {

namespace {

constexpr char PICTURE_EXTENSION[] = ".jpg";

PluginPanelItem* NewItems(std::size_t count) { return new (std::nothrow) PluginPanelItem[count](); }

std::uint32_t DecimalWidth(std::uint32_t number) {
    std::uint32_t width = 1;
    for (; number >= 10; number /= 10) ++width;
    return width;
}

// The picture's name in the panel. When the prefix is too long for the 260-byte name, the
// prefix gives way, so that the running number and the extension stay whole.
void NamePictureItem(FAR_FIND_DATA& data, const char* prefix, std::uint32_t number,
                     std::uint32_t digits) {
    const std::size_t tail = std::max(digits, DecimalWidth(number)) + sizeof(PICTURE_EXTENSION) - 1;
    const std::size_t room = sizeof(data.cFileName) - 1 - tail;
    char cut[NAME_BUFFER_SIZE];
    if (std::strlen(prefix) > room) {
        std::memcpy(cut, prefix, room);
        cut[room] = '\0';
        prefix = cut;
    }
    PictureFileName(data.cFileName, sizeof(data.cFileName), prefix, number, digits);
}

// The running numbers a copy of the listed pictures into the other panel's folder gives, in
// listing order: each name prefix numbered on its own, from the next free number among that
// folder's names by the copy's own rule, one more for each picture named before it.
class CopyNumbering {
public:
    CopyNumbering(std::uint32_t digits, const PluginPanelItem* folderItems, int folderCount)
        : digits_(digits), folderItems_(folderItems), folderCount_(folderCount) {}

    std::uint32_t next(const char* prefix) {
        const auto [named, first] = next_.try_emplace(prefix, 0);
        if (first) named->second = NextPictureNumber(digits_, prefix, folderItems_, folderCount_);
        return named->second++;
    }

private:
    std::uint32_t digits_;
    const PluginPanelItem* folderItems_;
    int folderCount_;
    std::map<std::string, std::uint32_t> next_;
};

void ExpandPrefix(CameraPanel& panel, const char* pattern, std::uint32_t position,
                  char (&prefix)[NAME_BUFFER_SIZE]) {
    std::fill(std::begin(prefix), std::end(prefix), '\0');
    ExpandNamePattern(false, position, pattern, prefix, panel.device->pictures.get());
    prefix[NAME_MAX_LENGTH] = '\0';
}

void ListPictures(CameraPanel& panel, const NameSettings& settings, const char* folderPattern,
                  PluginPanelItem*& items, int& itemCount) {
    const bool thumbnails = panel.thumbMode != 0;
    const char* prefixPattern = thumbnails ? settings.thumbPrefix : settings.photoPrefix;
    const std::uint32_t digits = thumbnails ? settings.thumbDigits : settings.photoDigits;

    PanelInfo other{};
    if (HostServices.Control(&panel, FCTL_GETANOTHERPANELINFO, &other) == 0 ||
        other.PanelItems == nullptr)
        other.ItemsNumber = 0;

    SelectionList list;
    std::uint32_t count = 0;
    AddFolderPictures(panel, panel.currentFolder != nullptr ? panel.currentFolder->name : nullptr,
                      folderPattern, list, count);
    if (list.empty()) return;
    items = NewItems(list.size());
    if (items == nullptr) return;

    char prefix[NAME_BUFFER_SIZE];
    CopyNumbering numbering(digits, other.PanelItems, other.ItemsNumber);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const SelectionItem& picture = list[i];
        const PictureEntry& entry = *panel.device->entryAt(picture.position);
        const DWORD size = thumbnails ? entry.thumbSize : entry.photoSize;
        PluginPanelItem& item = items[i];
        // The host shows the item's time with today's offset: it shows the camera's clock.
        const FILETIME shown = PictureFileTime(entry);
        item.FindData.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
        item.FindData.ftCreationTime = shown;
        item.FindData.ftLastAccessTime = shown;
        item.FindData.ftLastWriteTime = shown;
        item.FindData.nFileSizeLow = size;
        item.PackSize = size;
        item.UserData = picture.position;
        ExpandPrefix(panel, prefixPattern, picture.position, prefix);
        NamePictureItem(item.FindData, prefix, numbering.next(prefix), digits);
        std::snprintf(item.FindData.cAlternateFileName, sizeof(item.FindData.cAlternateFileName),
                      "%0*u", static_cast<int>(digits),
                      static_cast<unsigned>(picture.position + 1));
    }
    itemCount = static_cast<int>(list.size());
}

void ListFolders(CameraPanel& panel, const char* folderPattern, PluginPanelItem*& items,
                 int& itemCount) {
    std::uint32_t count = 0;
    panel.folders = BuildDateFolders(panel, folderPattern, count);
    if (count == 0) return;
    items = NewItems(count);
    if (items == nullptr) return;
    PluginPanelItem* item = items;
    for (const DateFolder* folder = panel.folders.get(); folder != nullptr;
         folder = folder->next.get(), ++item) {
        item->FindData.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;
        item->FindData.ftCreationTime = folder->firstTime;
        item->FindData.ftLastAccessTime = folder->lastTime;
        item->FindData.ftLastWriteTime = folder->lastTime;
        item->FindData.nFileSizeLow = folder->totalSize;
        item->PackSize = folder->totalSize;
        static_assert(sizeof(folder->name) <= sizeof(item->FindData.cFileName));
        std::memcpy(item->FindData.cFileName, folder->name, sizeof(folder->name));
        constexpr std::size_t shortLength = sizeof(item->FindData.cAlternateFileName) - 1;
        std::memcpy(item->FindData.cAlternateFileName, folder->name, shortLength);
        item->FindData.cAlternateFileName[shortLength] = '\0';
    }
    itemCount = static_cast<int>(count);
}

}  // namespace

void AddFolderPictures(CameraPanel& panel, const char* folderName, const char* folderPattern,
                       SelectionList& list, std::uint32_t& count) {
    const bool everyPicture = folderName == nullptr || folderName[0] == '\0';
    if (list.empty()) list.reserve(panel.device->pictureCount);
    char name[sizeof(DateFolder::name)];
    for (std::uint32_t position = 0; position < panel.device->pictureCount; ++position) {
        const PictureEntry* entry = panel.device->entryAt(position);
        if (entry == nullptr) break;
        if (!everyPicture) {
            FolderNameOf(panel, folderPattern, position, name);
            if (HostServices.FSF->LStricmp(name, folderName) != 0) continue;
        }
        list.push_back({PictureDiskTime(*entry), position});
    }
    count = static_cast<std::uint32_t>(list.size());
}

void CollectSelection(CameraPanel& panel, const PanelInfo& info, SelectionList& list,
                      const char* photoFolderPattern, const char* thumbFolderPattern,
                      std::uint32_t& count) {
    list.clear();
    const char* folderPattern = panel.thumbMode == 0 ? photoFolderPattern : thumbFolderPattern;
    for (int i = 0; info.SelectedItems != nullptr && i < info.SelectedItemsNumber; ++i) {
        const PluginPanelItem& item = info.SelectedItems[i];
        if ((panel.listingState & LISTING_FOLDER_ROOT) != 0) {
            char folderName[sizeof(DateFolder::name)];
            std::snprintf(folderName, sizeof(folderName), "%.*s",
                          static_cast<int>(sizeof(folderName) - 1), item.FindData.cFileName);
            AddFolderPictures(panel, folderName, folderPattern, list, count);
        } else {
            const PictureEntry* entry = panel.device->entryAt(item.UserData);
            list.push_back({entry != nullptr ? PictureDiskTime(*entry) : FILETIME{},
                            static_cast<std::uint32_t>(item.UserData)});
        }
    }
    count = static_cast<std::uint32_t>(list.size());
}

void GetFindData(CameraPanel& panel, PluginPanelItem*& items, int& itemCount) {
    items = nullptr;
    itemCount = 0;
    NameSettings settings;
    ReadNameSettings(settings);
    const char* folderPattern = panel.thumbMode == 0 ? settings.photoPath : settings.thumbPath;
    if (panel.currentFolder == nullptr) {
        FreeDateFolders(panel.folders);
        panel.listingState = folderPattern[0] == '\0' ? LISTING_FLAT_ROOT : LISTING_FOLDER_ROOT;
    } else {
        panel.listingState = LISTING_IN_FOLDER;
    }
    if (panel.listingState == LISTING_FOLDER_ROOT)
        ListFolders(panel, folderPattern, items, itemCount);
    else
        ListPictures(panel, settings, folderPattern, items, itemCount);
}

void FreeFindData(PluginPanelItem* items) { delete[] items; }

}  // namespace pixlor
