#include "panel/CameraPanel.h"

#include "config/SettingsStore.h"
#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "naming/NamePattern.h"
#include "platform/Calendar.h"
#include "platform/System.h"

#include <cstring>

namespace pixlor {

namespace {

constexpr std::int32_t DOS_FIRST_YEAR = 1980;
constexpr std::int32_t DOS_LAST_YEAR = 2107;

// One key bar for every panel: the host keeps the pointer after GetOpenPluginInfo returns.
KeyBarTitles keyBar;
char noLabel[] = "";

struct KeyLabel {
    char* (KeyBarTitles::*row)[12];
    int index;
    int photoMessage;
    int thumbMessage;
};

// The labels of F5 and F6 in their seven shift states, and of F7.
// clang-format off
constexpr KeyLabel KEY_LABELS[] = {
    {&KeyBarTitles::Titles,          4, MSG_KEY_F5_PHOTO + 0, MSG_KEY_F5_THUMB + 0},
    {&KeyBarTitles::ShiftTitles,     4, MSG_KEY_F5_PHOTO + 1, MSG_KEY_F5_THUMB + 1},
    {&KeyBarTitles::CtrlTitles,      4, MSG_KEY_F5_PHOTO + 2, MSG_KEY_F5_THUMB + 2},
    {&KeyBarTitles::CtrlShiftTitles, 4, MSG_KEY_F5_PHOTO + 3, MSG_KEY_F5_THUMB + 3},
    {&KeyBarTitles::AltTitles,       4, MSG_KEY_F5_PHOTO + 4, MSG_KEY_F5_THUMB + 4},
    {&KeyBarTitles::AltShiftTitles,  4, MSG_KEY_F5_PHOTO + 5, MSG_KEY_F5_THUMB + 5},
    {&KeyBarTitles::CtrlAltTitles,   4, MSG_KEY_F5_PHOTO + 6, MSG_KEY_F5_THUMB + 6},
    {&KeyBarTitles::Titles,          5, MSG_KEY_F6_PHOTO + 0, MSG_KEY_F6_THUMB + 0},
    {&KeyBarTitles::ShiftTitles,     5, MSG_KEY_F6_PHOTO + 1, MSG_KEY_F6_THUMB + 1},
    {&KeyBarTitles::CtrlTitles,      5, MSG_KEY_F6_PHOTO + 2, MSG_KEY_F6_THUMB + 2},
    {&KeyBarTitles::CtrlShiftTitles, 5, MSG_KEY_F6_PHOTO + 3, MSG_KEY_F6_THUMB + 3},
    {&KeyBarTitles::AltTitles,       5, MSG_KEY_F6_PHOTO + 4, MSG_KEY_F6_THUMB + 4},
    {&KeyBarTitles::AltShiftTitles,  5, MSG_KEY_F6_PHOTO + 5, MSG_KEY_F6_THUMB + 5},
    {&KeyBarTitles::CtrlAltTitles,   5, MSG_KEY_F6_PHOTO + 6, MSG_KEY_F6_THUMB + 6},
    {&KeyBarTitles::Titles,          6, MSG_KEY_F7_PHOTO,     MSG_KEY_F7_THUMB},
};
// clang-format on

constexpr char* (KeyBarTitles::*KEY_ROWS[])[12] = {
    &KeyBarTitles::Titles,        &KeyBarTitles::CtrlTitles,      &KeyBarTitles::AltTitles,
    &KeyBarTitles::ShiftTitles,   &KeyBarTitles::CtrlShiftTitles, &KeyBarTitles::AltShiftTitles,
    &KeyBarTitles::CtrlAltTitles,
};

void BuildKeyBar(bool thumbnails) {
    for (auto row : KEY_ROWS) {
        char*(&labels)[12] = keyBar.*row;
        for (int key = 0; key < 12; ++key) labels[key] = nullptr;  // the host's own label
        for (int key = 2; key <= 7; ++key) labels[key] = noLabel;  // F3..F8: none
    }
    for (const KeyLabel& label : KEY_LABELS)
        (keyBar.*label.row)[label.index] =
            const_cast<char*>(GetMsg(thumbnails ? label.thumbMessage : label.photoMessage));
    keyBar.Titles[2] = const_cast<char*>(GetMsg(MSG_KEY_F3_VIEW));
    keyBar.Titles[3] = const_cast<char*>(GetMsg(MSG_KEY_F4_EDIT));
    keyBar.Titles[7] = const_cast<char*>(GetMsg(MSG_KEY_F8_DELETE));
}

bool SameName(const char* first, const char* second) {
    return HostServices.FSF->LStricmp(first, second) == 0;
}

}  // namespace

CameraPanel::CameraPanel() {
    const DWORD port = ReadNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, DEFAULT_SERIAL_PORT);
    const DWORD speed = ReadNumber(HKEY_CURRENT_USER, "", SETTING_BAUD_RATE, DEFAULT_BAUD_RATE);
    device = std::make_unique<CameraDevice>(static_cast<std::uint8_t>(port), speed);
}

CameraPanel::~CameraPanel() {
    device.reset();
    FreeDateFolders(folders);
}

namespace {

// The shooting time as a DOS date and time: seconds rounded down to even, dates outside what a
// DOS date holds brought to its earliest or latest time.
void DosDateTimeOf(const PictureEntry& entry, WORD& dosDate, WORD& dosTime) {
    dosDate = 0;
    dosTime = 0;
    if (entry.year < DOS_FIRST_YEAR) {
        dosDate = (1 << 5) | 1;  // 1980-01-01 00:00:00
    } else if (entry.year > DOS_LAST_YEAR) {
        dosDate = static_cast<WORD>(((DOS_LAST_YEAR - DOS_FIRST_YEAR) << 9) | (12 << 5) | 31);
        dosTime = static_cast<WORD>((23 << 11) | (59 << 5) | 29);  // 23:59:58
    } else {
        dosDate = static_cast<WORD>(((entry.year - DOS_FIRST_YEAR) << 9) | (entry.month << 5) |
                                    entry.day);
        dosTime = static_cast<WORD>((entry.hour << 11) | (entry.minute << 5) | (entry.second / 2));
    }
}

// The camera's clock as the system's file time with no time-zone shift.
FILETIME CameraClockTime(const PictureEntry& entry) {
    WORD dosDate = 0;
    WORD dosTime = 0;
    DosDateTimeOf(entry, dosDate, dosTime);
    FILETIME local{};
    os().DosDateTimeToFileTime(dosDate, dosTime, &local);
    return local;
}

}  // namespace

FILETIME PictureFileTime(const PictureEntry& entry) {
    // The camera's clock shows the local time of where the picture was taken: the item's time
    // is that local time back in UTC with the offset the host shows it with again (today's);
    // a time the system cannot convert stays as the camera gave it.
    const FILETIME local = CameraClockTime(entry);
    FILETIME time{};
    if (!os().LocalFileTimeToFileTime(&local, &time)) time = local;
    return time;
}

FILETIME PictureDiskTime(const PictureEntry& entry) {
    WORD dosDate = 0;
    WORD dosTime = 0;
    DosDateTimeOf(entry, dosDate, dosTime);
    const SYSTEMTIME local{static_cast<WORD>(DOS_FIRST_YEAR + (dosDate >> 9)),
                           static_cast<WORD>((dosDate >> 5) & 0x0F),
                           0,
                           static_cast<WORD>(dosDate & 0x1F),
                           static_cast<WORD>(dosTime >> 11),
                           static_cast<WORD>((dosTime >> 5) & 0x3F),
                           static_cast<WORD>((dosTime & 0x1F) * 2),
                           0};
    SYSTEMTIME universal{};
    if (!os().TzSpecificLocalTimeToSystemTime(&local, &universal)) return CameraClockTime(entry);
    constexpr std::int64_t SECONDS_1601_TO_1970 = 11644473600;
    const std::int64_t seconds =
        daysFromCivil(universal.wYear, universal.wMonth, universal.wDay) * 86400 +
        universal.wHour * 3600 + universal.wMinute * 60 + universal.wSecond;
    const auto ticks = static_cast<std::uint64_t>(seconds + SECONDS_1601_TO_1970) * 10000000u;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void FreeDateFolders(std::unique_ptr<DateFolder>& folders) {
    // Node by node: a long list must not unwind as one deep chain of destructors.
    while (folders) folders = std::move(folders->next);
}

void FolderNameOf(CameraPanel& panel, const char* folderPattern, std::uint32_t position,
                  char (&name)[sizeof(DateFolder::name)]) {
    char expansion[NAME_BUFFER_SIZE] = {};
    ExpandNamePattern(false, position, folderPattern, expansion, panel.device->pictures.get());
    std::memcpy(name, expansion, sizeof(name) - 1);
    name[sizeof(name) - 1] = '\0';
}

std::unique_ptr<DateFolder> BuildDateFolders(CameraPanel& panel, const char* folderPattern,
                                             std::uint32_t& count) {
    std::unique_ptr<DateFolder> head;
    DateFolder* tail = nullptr;
    count = 0;
    char name[sizeof(DateFolder::name)];
    for (std::uint32_t position = 0; position < panel.device->pictureCount; ++position) {
        const PictureEntry* entry = panel.device->entryAt(position);
        if (entry == nullptr) break;
        const FILETIME time = PictureFileTime(*entry);
        FolderNameOf(panel, folderPattern, position, name);
        // Pictures of one day usually follow each other: the newest folder is tried first.
        DateFolder* folder = tail != nullptr && SameName(tail->name, name) ? tail : nullptr;
        for (DateFolder* node = head.get(); folder == nullptr && node != nullptr;
             node = node->next.get())
            if (SameName(node->name, name)) folder = node;
        if (folder == nullptr) {
            auto added = std::make_unique<DateFolder>();
            std::memcpy(added->name, name, sizeof(name));
            added->firstTime = time;
            added->totalSize = 0;
            folder = added.get();
            (tail != nullptr ? tail->next : head) = std::move(added);
            tail = folder;
            ++count;
        }
        folder->lastTime = time;
        folder->totalSize += panel.thumbMode == 0 ? entry->photoSize : entry->thumbSize;
    }
    return head;
}

void GetOpenPluginInfo(CameraPanel& panel, OpenPluginInfo& info) {
    BuildKeyBar(panel.thumbMode != 0);
    const bool inFolder = (panel.listingState & LISTING_IN_FOLDER) != 0;
    info.StructSize = sizeof(OpenPluginInfo);
    // No OPIF_REALNAMES: the items are no files of the host's folder, so the host asks for
    // copies through GetFiles to view or edit them, and never deletes or wipes by their names.
    info.Flags = OPIF_USEFILTER | OPIF_USESORTGROUPS | OPIF_USEHIGHLIGHTING | OPIF_RAWSELECTION |
                 OPIF_SHOWRIGHTALIGNNAMES | OPIF_SHOWPRESERVECASE | OPIF_COMPAREFATTIME |
                 (inFolder ? OPIF_ADDDOTS : 0);
    info.HostFile = nullptr;
    info.CurDir = inFolder && panel.currentFolder != nullptr ? panel.currentFolder->name : "";
    info.Format = GetMsg(MSG_MENU_ITEM);
    info.PanelTitle = GetMsg(MSG_TITLE);
    info.StartSortMode = SM_NAME;
    info.StartSortOrder = 0;
    info.KeyBar = &keyBar;
}

bool SetDirectory(CameraPanel& panel, const char* directory) {
    if (SameName(directory, "..") || SameName(directory, "\\")) {
        panel.currentFolder = nullptr;
        panel.listingState = 0;
        return true;
    }
    for (DateFolder* folder = panel.folders.get(); folder != nullptr; folder = folder->next.get()) {
        if (SameName(folder->name, directory)) {
            panel.currentFolder = folder;
            panel.listingState = LISTING_IN_FOLDER;
            return true;
        }
    }
    panel.listingState = 0;
    return false;
}

}  // namespace pixlor
