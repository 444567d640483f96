#include "plugin/PanelKeys.h"

#include "config/SettingsStore.h"
#include "far/DialogTemplate.h"
#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "panel/PanelListing.h"
#include "plugin/EntryPoints.h"
#include "report/Messages.h"
#include "transfer/BatchSteps.h"
#include "transfer/BatchTransfer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace pixlor {

namespace {

constexpr int COPY_DIALOG_ITEMS = 9;
constexpr int MOVE_DIALOG_ITEMS = 10;  // a move's dialog has the verify box last
constexpr int ITEM_VERIFY = 9;
constexpr int ITEM_DESTINATION = 2;
constexpr int ITEM_FIRST_FOLDER_CHOICE = 3;
constexpr int FOLDER_CHOICES = 3;
constexpr int ITEM_CANCEL = 8;
constexpr int DISPLAYED_PATH_WIDTH = 60;

// What one copy key chooses: which kinds of file BatchCopy writes, and which folder pattern.
struct CopyKeyChoice {
    int pairing;
    bool photos;
    bool photoFolders;
};

CopyKeyChoice ChoiceFor(const CameraPanel& panel, unsigned controlState) {
    const bool photoMode = panel.thumbMode == 0;
    const bool control = (controlState & PKF_CONTROL) != 0;
    const bool alt = (controlState & PKF_ALT) != 0;
    const bool shift = (controlState & PKF_SHIFT) != 0;
    if (!alt) return {PAIRING_ONE_KIND, shift != photoMode, (shift != control) != photoMode};
    if (control) return {PAIRING_SHARED_FOLDER_2, photoMode, !photoMode};
    if (shift) return {PAIRING_SHARED_FOLDER, photoMode, photoMode};
    return {PAIRING_OWN_FOLDERS, photoMode, photoMode};
}

// The prompt: the copy or move text, then the parts that name what goes where, joined by blanks
// and cut to the dialog's text field.
void BuildPrompt(char (&prompt)[sizeof(FarDialogItem::Data)], int textMessage,
                 const CopyKeyChoice& choice) {
    const int kind = choice.photos ? MSG_PROMPT_PHOTOS : MSG_PROMPT_THUMBS;
    const int folders = choice.photoFolders ? MSG_PROMPT_PHOTO_FOLDERS : MSG_PROMPT_THUMB_FOLDERS;
    const int oneKind[] = {textMessage,      kind,         MSG_PROMPT_INTO, folders,
                           MSG_PROMPT_BELOW, MSG_PROMPT_TO};
    const int ownFolders[] = {textMessage, MSG_PROMPT_PHOTOS, MSG_PROMPT_AND, MSG_PROMPT_THUMBS,
                              MSG_PROMPT_TO};
    const int sharedFolder[] = {textMessage,       MSG_PROMPT_PHOTOS, MSG_PROMPT_AND,
                                MSG_PROMPT_THUMBS, MSG_PROMPT_INTO,   folders,
                                MSG_PROMPT_BELOW,  MSG_PROMPT_TO};
    using Parts = std::span<const int>;
    const Parts parts = choice.pairing == PAIRING_ONE_KIND      ? Parts(oneKind)
                        : choice.pairing == PAIRING_OWN_FOLDERS ? Parts(ownFolders)
                                                                : Parts(sharedFolder);
    std::size_t used = 0;
    prompt[0] = '\0';
    for (std::size_t i = 0; i < parts.size() && used < sizeof(prompt) - 1; ++i) {
        const int added = std::snprintf(prompt + used, sizeof(prompt) - used, "%s%s",
                                        i == 0 ? "" : " ", GetMsg(parts[i]));
        if (added < 0) break;
        used = std::min(used + static_cast<std::size_t>(added), sizeof(prompt) - 1);
    }
}

// The copy dialog, returning the item that closed it; `items` holds the answers. A move's
// dialog offers to verify each photo before its picture is deleted, as the settings propose.
int RunCopyDialog(int titleMessage, const char* prompt, const char* proposedDestination, bool move,
                  FarDialogItem (&items)[MOVE_DIALOG_ITEMS]) {
    const std::uintptr_t verify =
        ReadNumber(HKEY_CURRENT_USER, "", SETTING_VERIFY_MOVES, DEFAULT_VERIFY_MOVES) != 0 ? 1 : 0;
    // clang-format off
    const DialogItemTemplate templates[MOVE_DIALOG_ITEMS] = {
        // type          x1  y1  x2  y2 focus selected               flags            default data
        {DI_DOUBLEBOX,    3,  1, 72,  9, 0,   0,                     0,               0, std::uintptr_t(titleMessage)},
        {DI_TEXT,         5,  2,  0,  0, 0,   0,                     0,               0, TextRef(prompt)},
        {DI_EDIT,         5,  3, 70,  0, 1,   TextRef("PXCopyDir"),  DIF_HISTORY,     0, TextRef(proposedDestination)},
        {DI_RADIOBUTTON,  5,  4,  0,  0, 0,   1,                     DIF_GROUP,       0, MSG_SUBFOLDERS_AUTO},
        {DI_RADIOBUTTON,  5,  5,  0,  0, 0,   0,                     0,               0, MSG_SUBFOLDERS_ALWAYS},
        {DI_RADIOBUTTON,  5,  6,  0,  0, 0,   0,                     0,               0, MSG_SUBFOLDERS_NEVER},
        {DI_TEXT,       255,  7,  0,  0, 0,   0,                     DIF_SEPARATOR,   0, TextRef("")},
        {DI_BUTTON,       5,  8,  0,  0, 0,   0,                     DIF_CENTERGROUP, 1, MSG_BUTTON_OK},
        {DI_BUTTON,       5,  8,  0,  0, 0,   0,                     DIF_CENTERGROUP, 0, MSG_BUTTON_CANCEL},
        {DI_CHECKBOX,    40,  6,  0,  0, 0,   verify,                0,               0, MSG_VERIFY_MOVES},
    };
    // clang-format on
    const int count = move ? MOVE_DIALOG_ITEMS : COPY_DIALOG_ITEMS;
    ExpandDialogItems(templates, items, count);
    return HostServices.Dialog(HostServices.ModuleNumber, -1, -1, 76, 11, "WhereToCopy", items,
                               count);
}

bool IsFolder(const PluginPanelItem& item) {
    return (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A name among `names`, case ignored as the host ignores it.
bool Among(const std::vector<std::string>& names, const char* name) {
    return std::any_of(names.begin(), names.end(), [name](const std::string& listed) {
        return HostServices.FSF->LStricmp(listed.c_str(), name) == 0;
    });
}

// The same shot: the camera gives its pictures no names, only their sizes and time.
bool SamePicture(const PictureEntry& first, const PictureEntry& second) {
    return first.photoSize == second.photoSize && first.thumbSize == second.thumbSize &&
           first.year == second.year && first.month == second.month && first.day == second.day &&
           first.hour == second.hour && first.minute == second.minute &&
           first.second == second.second;
}

void CloseEmptyCamera(CameraPanel& panel) {
    static char currentDirectory[] = ".";
    panel.messageLines[0] = GetMsg(MSG_DELETE_TITLE);
    panel.messageLines[1] = GetMsg(MSG_CAMERA_NOW_EMPTY);
    HostServices.Message(HostServices.ModuleNumber, FMSG_MB_OK, "DeleteClosePlugin",
                         panel.messageLines, 2, 1);
    HostServices.Control(&panel, FCTL_CLOSEPLUGIN, currentDirectory);
}

// A deletion whose outcome the camera left unknown: the catalogue is read again, so that the
// panel shows, and later numbers name, the pictures the camera really holds.
void RereadIfInDoubt(CameraPanel& panel) {
    if (panel.device->catalogueInDoubt == 0 || !RereadCatalogue(panel)) return;
    HostServices.Control(&panel, FCTL_UPDATEPANEL, nullptr);
    HostServices.Control(&panel, FCTL_REDRAWPANEL, nullptr);
}

void CopyKey(CameraPanel& panel, unsigned controlState, bool move) {
    const int titleMessage = move ? MSG_MOVE_TITLE : MSG_COPY_TITLE;
    panel.messageLines[0] = GetMsg(titleMessage);
    panel.messageLines[1] = GetMsg(move ? MSG_MOVE_TEXT : MSG_COPY_TEXT);
    const CopyKeyChoice keyChoice = ChoiceFor(panel, controlState);
    char prompt[sizeof(FarDialogItem::Data)];
    BuildPrompt(prompt, move ? MSG_MOVE_TEXT : MSG_COPY_TEXT, keyChoice);

    PanelInfo other{};
    HostServices.Control(&panel, FCTL_GETANOTHERPANELINFO, &other);
    other.CurDir[sizeof(other.CurDir) - 1] = '\0';

    FarDialogItem items[MOVE_DIALOG_ITEMS];
    const int closedBy = RunCopyDialog(titleMessage, prompt, other.CurDir, move, items);
    if (closedBy == -1 || closedBy == ITEM_CANCEL) return;

    int subfolderMode = SUBFOLDERS_AUTO;
    for (int choice = 0; choice < FOLDER_CHOICES; ++choice)
        if (items[ITEM_FIRST_FOLDER_CHOICE + choice].Param.Selected != 0) subfolderMode = choice;

    // Room for the dialog's whole text and the backslash AddEndSlash may append. Nothing but
    // blanks names no folder: the copies go where an empty line sends them.
    char destination[sizeof(FarDialogItem::Data) + 1];
    const FarDialogItem& typed = items[ITEM_DESTINATION];
    const std::size_t typedLength = strnlen(typed.Data, sizeof(typed.Data) - 1);
    const bool blank =
        std::all_of(typed.Data, typed.Data + typedLength, [](char c) { return c == ' '; });
    std::snprintf(destination, sizeof(destination), "%.*s",
                  static_cast<int>(sizeof(typed.Data) - 1), blank ? other.CurDir : typed.Data);
    std::replace(destination, destination + std::strlen(destination), '/', '\\');
    if (HostServices.FSF->AddEndSlash(destination) == 0) return;

    const bool verify = move && items[ITEM_VERIFY].Param.Selected != 0;
    BatchCopy(panel, destination, keyChoice.pairing, keyChoice.photos, keyChoice.photoFolders,
              subfolderMode, move, nullptr, verify);
    RereadIfInDoubt(panel);
    if (panel.device->pictureCount == 0) CloseEmptyCamera(panel);
}

// F8 and every delete key: the question, then the batch delete of `selection` (the panel's
// marked pictures when null). True when a picture was deleted.
bool DeleteKey(CameraPanel& panel, std::unique_ptr<SelectionList> selection) {
    panel.messageLines[0] = GetMsg(MSG_DELETE_TITLE);
    panel.messageLines[1] = GetMsg(MSG_DELETE_QUESTION);
    if (HostServices.Message(HostServices.ModuleNumber, FMSG_MB_OKCANCEL, "Delete?",
                             panel.messageLines, 2, 2) != 0)
        return false;
    const std::uint32_t before = panel.device->pictureCount;
    BatchDelete(panel, std::move(selection));
    const bool deleted = panel.device->pictureCount < before;
    RereadIfInDoubt(panel);
    if (panel.device->pictureCount == 0) CloseEmptyCamera(panel);
    return deleted;
}

// Ctrl+R: the catalogue read again from the camera, and the marks moved to the names the
// pictures that are still there now have; the host keeps marks by name when it lists again.
void RereadKey(CameraPanel& panel) {
    PanelInfo info{};
    if (HostServices.Control(&panel, FCTL_GETPANELINFO, &info) == 0) info = PanelInfo{};
    std::vector<PictureEntry> marked;
    std::vector<std::string> markedFolders;
    for (int i = 0; info.SelectedItems != nullptr && i < info.SelectedItemsNumber; ++i) {
        const PluginPanelItem& item = info.SelectedItems[i];
        if (IsFolder(item))
            markedFolders.emplace_back(item.FindData.cFileName);
        else if (const PictureEntry* entry = panel.device->entryAt(item.UserData))
            marked.push_back(*entry);
    }
    if (!RereadCatalogue(panel)) return;

    std::vector<std::string> keep;
    PluginPanelItem* items = nullptr;
    int count = 0;
    GetFindData(panel, items, count);
    for (int i = 0; i < count; ++i) {
        const PluginPanelItem& item = items[i];
        if (IsFolder(item)) {
            if (Among(markedFolders, item.FindData.cFileName))
                keep.emplace_back(item.FindData.cFileName);
            continue;
        }
        const PictureEntry* entry = panel.device->entryAt(item.UserData);
        const auto same = std::find_if(marked.begin(), marked.end(), [&](const PictureEntry& m) {
            return entry != nullptr && SamePicture(m, *entry);
        });
        if (same == marked.end()) continue;
        marked.erase(same);
        keep.emplace_back(item.FindData.cFileName);
    }
    FreeFindData(items);
    for (int i = 0; info.PanelItems != nullptr && i < info.ItemsNumber; ++i) {
        PluginPanelItem& item = info.PanelItems[i];
        item.Flags = Among(keep, item.FindData.cFileName) ? item.Flags | PPIF_SELECTED
                                                          : item.Flags & ~PPIF_SELECTED;
    }
    if (info.PanelItems != nullptr) HostServices.Control(&panel, FCTL_SETSELECTION, &info);
    HostServices.Control(&panel, FCTL_UPDATEPANEL, reinterpret_cast<void*>(1));
    HostServices.Control(&panel, FCTL_REDRAWPANEL, nullptr);
}

void SwitchKind(CameraPanel& panel) {
    panel.thumbMode = panel.thumbMode == 0 ? 1 : 0;
    HostServices.Control(&panel, FCTL_UPDATEPANEL, reinterpret_cast<void*>(1));
    HostServices.Control(&panel, FCTL_REDRAWPANEL, nullptr);
}

}  // namespace

bool ProcessKey(CameraPanel& panel, int key, unsigned controlState) {
    const unsigned shifts = controlState & (PKF_CONTROL | PKF_ALT | PKF_SHIFT);
    switch (key) {
    case VK_F5: CopyKey(panel, controlState, false); return true;
    case VK_F6: CopyKey(panel, controlState, true); return true;
    case VK_F7: SwitchKind(panel); return true;
    case VK_F8: DeleteKey(panel, nullptr); return true;
    case VK_DELETE:
    case VK_NUMPAD_DELETE:
        // Del and Shift+Del, grey or on the keypad, delete on the camera. Alt+Del (wipe) and
        // Ctrl+Del are taken and ignored: no item is a file the host could act on.
        if ((shifts & (PKF_ALT | PKF_CONTROL)) == 0) DeleteKey(panel, nullptr);
        return true;
    case 'R':
        if (shifts != PKF_CONTROL) return false;
        RereadKey(panel);
        return true;
    default: return false;
    }
}

bool DeleteFiles(CameraPanel& panel, const PluginPanelItem* items, int itemCount) {
    PanelInfo given{};
    given.SelectedItems = const_cast<PluginPanelItem*>(items);
    given.SelectedItemsNumber = items != nullptr ? itemCount : 0;
    NameSettings settings;
    ReadNameSettings(settings);
    auto selection = std::make_unique<SelectionList>();
    std::uint32_t count = 0;
    CollectSelection(panel, given, *selection, settings.photoPath, settings.thumbPath, count);
    if (selection->empty()) return false;
    return DeleteKey(panel, std::move(selection));
}

bool GetFiles(CameraPanel& panel, const PluginPanelItem* items, int itemCount,
              const char* destination) {
    CameraDevice& device = *panel.device;
    SavedScreen screen;
    // The camera goes back to its default speed after the last picture, not after a folder.
    int lastPicture = itemCount - 1;
    while (lastPicture >= 0 && IsFolder(items[lastPicture])) --lastPicture;
    StartStopWatch(MSG_GETTING_FILE);

    for (int i = 0; i <= lastPicture; ++i) {
        const PluginPanelItem& item = items[i];
        if (IsFolder(item)) continue;
        const std::uint32_t number = item.UserData + 1;
        if (!device.readPictureInfo(number, false)) return false;
        const FILETIME fileTime = PictureDiskTime(*device.entryAt(item.UserData));

        std::string target = destination;
        target += '\\';
        target.append(item.FindData.cFileName,
                      strnlen(item.FindData.cFileName, sizeof(item.FindData.cFileName)));
        std::string shown = target;
        HostServices.FSF->TruncPathStr(shown.data(), DISPLAYED_PATH_WIDTH);
        SetFileProgressLines(GetMsg(MSG_GETTING_FILE), shown.c_str());
        const bool goOn = FileProgress(0, 1);
        if (goOn && device.downloadPicture(number, panel.thumbMode == 0, i == lastPicture,
                                           target.c_str(), FileProgress, fileTime))
            continue;
        if (!goOn || StoppedByUser(device)) {
            // The host gets no copy, and shows nothing more: the user knows why.
            DisconnectOrReport(screen, device);
            return false;
        }
        switch (device.operationCode) {
        case OP_DOWNLOAD_PHOTO:
        case OP_DOWNLOAD_THUMB:
        case OP_PHOTO_FILE:
        case OP_THUMB_FILE: ReportAndDisconnect(screen, device); return false;
        default: break;  // this picture cannot be had: the others still can
        }
    }
    return true;
}

}  // namespace pixlor
