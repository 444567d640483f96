#include "shell/PanelKeys.h"

#include "config/DialogTemplate.h"
#include "config/SettingsStore.h"
#include "shell/HostServices.h"
#include "shell/MessageNumbers.h"
#include "shell/Messages.h"
#include "transfer/BatchSteps.h"
#include "transfer/BatchTransfer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

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
    const int oneKind[] = {textMessage, kind, MSG_PROMPT_INTO, folders, MSG_PROMPT_BELOW,
                           MSG_PROMPT_TO};
    const int ownFolders[] = {textMessage, MSG_PROMPT_PHOTOS, MSG_PROMPT_AND, MSG_PROMPT_THUMBS,
                              MSG_PROMPT_TO};
    const int sharedFolder[] = {textMessage,     MSG_PROMPT_PHOTOS, MSG_PROMPT_AND,
                                MSG_PROMPT_THUMBS, MSG_PROMPT_INTO, folders,
                                MSG_PROMPT_BELOW, MSG_PROMPT_TO};
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
int RunCopyDialog(int titleMessage, const char* prompt, const char* proposedDestination,
                  bool move, FarDialogItem (&items)[MOVE_DIALOG_ITEMS]) {
    const std::uintptr_t verify =
        ReadNumber(HKEY_CURRENT_USER, "", SETTING_VERIFY_MOVES, DEFAULT_VERIFY_MOVES) != 0 ? 1 : 0;
    const DialogItemTemplate templates[MOVE_DIALOG_ITEMS] = {
        // type          x1  y1  x2  y2 focus selected               flags            default data
        {DI_DOUBLEBOX,    3,  1, 72,  9, 0,   0,                     0,               0, std::uintptr_t(titleMessage)},
        {DI_TEXT,         5,  2,  0,  0, 0,   0,                     0,               0, TextRef(prompt)},
        {DI_EDIT,         5,  3, 70,  0, 0,   TextRef("PXCopyDir"),  DIF_HISTORY,     0, TextRef(proposedDestination)},
        {DI_RADIOBUTTON,  5,  4,  0,  0, 0,   1,                     DIF_GROUP,       0, MSG_SUBFOLDERS_AUTO},
        {DI_RADIOBUTTON,  5,  5,  0,  0, 0,   0,                     0,               0, MSG_SUBFOLDERS_ALWAYS},
        {DI_RADIOBUTTON,  5,  6,  0,  0, 0,   0,                     0,               0, MSG_SUBFOLDERS_NEVER},
        {DI_TEXT,       255,  7,  0,  0, 0,   0,                     DIF_SEPARATOR,   0, TextRef("")},
        {DI_BUTTON,       5,  8,  0,  0, 1,   0,                     DIF_CENTERGROUP, 1, MSG_BUTTON_OK},
        {DI_BUTTON,       5,  8,  0,  0, 0,   0,                     DIF_CENTERGROUP, 0, MSG_BUTTON_CANCEL},
        {DI_CHECKBOX,    40,  6,  0,  0, 0,   verify,                0,               0, MSG_VERIFY_MOVES},
    };
    const int count = move ? MOVE_DIALOG_ITEMS : COPY_DIALOG_ITEMS;
    ExpandDialogItems(templates, items, count);
    return HostServices.Dialog(HostServices.ModuleNumber, -1, -1, 76, 11, "WhereToCopy", items,
                               count);
}

void CloseEmptyCamera(CameraPanel& panel) {
    static char currentDirectory[] = ".";
    panel.messageLines[0] = GetMsg(MSG_DELETE_TITLE);
    panel.messageLines[1] = GetMsg(MSG_CAMERA_NOW_EMPTY);
    HostServices.Message(HostServices.ModuleNumber, FMSG_MB_OK, "DeleteClosePlugin",
                         panel.messageLines, 2, 1);
    HostServices.Control(&panel, FCTL_CLOSEPLUGIN, currentDirectory);
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

    // Room for the dialog's whole text and the backslash AddEndSlash may append.
    char destination[sizeof(FarDialogItem::Data) + 1];
    const FarDialogItem& typed = items[ITEM_DESTINATION];
    std::snprintf(destination, sizeof(destination), "%.*s",
                  static_cast<int>(sizeof(typed.Data) - 1),
                  typed.Data[0] != '\0' ? typed.Data : other.CurDir);
    std::replace(destination, destination + std::strlen(destination), '/', '\\');
    if (HostServices.FSF->AddEndSlash(destination) == 0) return;

    const bool verify = move && items[ITEM_VERIFY].Param.Selected != 0;
    BatchCopy(panel, destination, keyChoice.pairing, keyChoice.photos, keyChoice.photoFolders,
              subfolderMode, move, nullptr, verify);
    if (panel.device->pictureCount == 0) CloseEmptyCamera(panel);
}

void DeleteKey(CameraPanel& panel) {
    panel.messageLines[0] = GetMsg(MSG_DELETE_TITLE);
    panel.messageLines[1] = GetMsg(MSG_DELETE_QUESTION);
    if (HostServices.Message(HostServices.ModuleNumber, FMSG_MB_OKCANCEL, "Delete?",
                             panel.messageLines, 2, 2) != 0)
        return;
    BatchDelete(panel, nullptr);
    if (panel.device->pictureCount == 0) CloseEmptyCamera(panel);
}

void SwitchKind(CameraPanel& panel) {
    panel.thumbMode = panel.thumbMode == 0 ? 1 : 0;
    HostServices.Control(&panel, FCTL_UPDATEPANEL, reinterpret_cast<void*>(1));
    HostServices.Control(&panel, FCTL_REDRAWPANEL, nullptr);
}

bool IsFolder(const PluginPanelItem& item) {
    return (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool ProcessKey(CameraPanel& panel, int key, unsigned controlState) {
    switch (key) {
    case VK_F5: CopyKey(panel, controlState, false); return true;
    case VK_F6: CopyKey(panel, controlState, true); return true;
    case VK_F7: SwitchKind(panel); return true;
    case VK_F8: DeleteKey(panel); return true;
    case VK_DELETE:
        // Del and Shift+Del are the host's delete, which here means on the camera. Alt+Del
        // (wipe) and Ctrl+Del are taken and ignored: no item is a file the host could act on.
        if ((controlState & (PKF_ALT | PKF_CONTROL)) == 0) DeleteKey(panel);
        return true;
    default: return false;
    }
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
        case OP_THUMB_FILE:
            ReportAndDisconnect(screen, device);
            return false;
        default:
            break;  // this picture cannot be had: the others still can
        }
    }
    return true;
}

}  // namespace pixlor
