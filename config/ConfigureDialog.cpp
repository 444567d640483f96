#include "config/ConfigureDialog.h"

#include "config/SettingsStore.h"
#include "far/DialogTemplate.h"
#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "far/ModuleState.h"
#include "naming/NamePattern.h"
#include "report/Messages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace pixlor {

namespace {

// The dialog's items, in the order of their rows in the table below: the host numbers them so.
enum DialogItem : int {
    ITEM_FRAME,
    ITEM_PORT_LABEL,
    ITEM_COM1,
    ITEM_COM2,
    ITEM_COM3,
    ITEM_COM4,
    ITEM_COM5,
    ITEM_COM6,
    ITEM_COM7,
    ITEM_COM8,
    ITEM_SPEED_LABEL,
    ITEM_9600,
    ITEM_19200,
    ITEM_38400,
    ITEM_57600,
    ITEM_115200,
    ITEM_PATTERN_SEPARATOR,
    ITEM_PHOTO_NAME_LABEL,
    ITEM_PHOTO_NAME,
    ITEM_THUMB_NAME_LABEL,
    ITEM_THUMB_NAME,
    ITEM_PHOTO_FOLDER_LABEL,
    ITEM_PHOTO_FOLDER,
    ITEM_THUMB_FOLDER_LABEL,
    ITEM_THUMB_FOLDER,
    ITEM_PHOTO_DIGITS_LABEL,
    ITEM_PHOTO_DIGITS,
    ITEM_THUMB_DIGITS_LABEL,
    ITEM_THUMB_DIGITS,
    ITEM_CHECK,
    ITEM_DEFAULTS,
    ITEM_BUTTON_SEPARATOR,
    ITEM_OK,
    ITEM_CANCEL,
    ITEM_VERIFY,  // after the dialog's first 34 items, so that theirs stay
    ITEM_COUNT
};
constexpr int PORT_ITEMS = ITEM_COM8 - ITEM_COM1 + 1;  // the port index is the item's - COM1's
constexpr int SPEED_ITEM_BASE = ITEM_SPEED_LABEL;      // the speed index is the item's - this

constexpr int DIALOG_WIDTH = 54;
constexpr int DIALOG_HEIGHT = 25;

constexpr DWORD FASTEST_SPEED_INDEX = 5;
constexpr DWORD SPEED_INDEX_19200 = 2;  // what a stored 0 means
constexpr DWORD MIN_DIGITS = 2;
// The digit field shows at most 3 characters; a larger stored count shows as this, which the
// length check then refuses, so it is never saved back unseen.
constexpr DWORD MAX_SHOWN_DIGITS = 999;
// The digit fields sit after their labels; a long label text leaves them at the right edge of
// the edit fields rather than outside the frame.
constexpr std::size_t DIGIT_FIELD_LAST_COLUMN = 47;
constexpr std::size_t LABEL_GAP = 5;

constexpr std::size_t PATTERN_BUFFER_SIZE = 512;
constexpr std::size_t DIGIT_TEXT_SIZE = 4;

struct WorkingValues {
    DWORD speedIndex = FASTEST_SPEED_INDEX;
    DWORD portIndex = DEFAULT_SERIAL_PORT;
    char photoName[PATTERN_BUFFER_SIZE];
    char thumbName[PATTERN_BUFFER_SIZE];
    char photoFolder[PATTERN_BUFFER_SIZE];
    char thumbFolder[PATTERN_BUFFER_SIZE];
    DWORD photoDigits = DEFAULT_DIGITS;
    DWORD thumbDigits = DEFAULT_DIGITS;
    char photoDigitText[DIGIT_TEXT_SIZE];
    char thumbDigitText[DIGIT_TEXT_SIZE];
    DWORD verifyMoves = DEFAULT_VERIFY_MOVES;
};

// A stored text that fills the whole buffer without its terminating zero is as unreadable as
// one too long for it: the default takes its place.
// A stored pattern the dialog would refuse is shown as it is, to be mended, unless it holds a
// control character or names no folder one could see: then the default takes its place.
void ReadPattern(const char* valueName, char (&buffer)[PATTERN_BUFFER_SIZE],
                 const char* defaultText, bool folder) {
    std::memset(buffer, 0, sizeof(buffer));
    ReadText(HKEY_CURRENT_USER, "", valueName, buffer, defaultText, sizeof(buffer));
    if (buffer[sizeof(buffer) - 1] != '\0') CopyBounded(buffer, sizeof(buffer), defaultText);
    if (folder) ClearBlankFolderPattern(buffer);
    std::uint32_t measure = 0;
    if (!CheckNamePattern(buffer, folder, measure) &&
        (lastPatternError == PATTERN_ERR_CONTROL || lastPatternError == PATTERN_ERR_DOTS ||
         lastPatternError == PATTERN_ERR_BLANKS))
        CopyBounded(buffer, sizeof(buffer), defaultText);
}

std::uint8_t DigitFieldColumn(int labelMessage) {
    const std::size_t column = std::strlen(GetMsg(labelMessage)) + LABEL_GAP;
    return static_cast<std::uint8_t>(std::min(column, DIGIT_FIELD_LAST_COLUMN));
}

void ShowDigits(DWORD digits, char (&text)[DIGIT_TEXT_SIZE]) {
    std::snprintf(text, sizeof(text), "%u",
                  static_cast<unsigned>(std::min(digits, MAX_SHOWN_DIGITS)));
}

void SetDefaults(WorkingValues& values) {
    CopyBounded(values.photoName, sizeof values.photoName, DEFAULT_PHOTO_PREFIX);
    CopyBounded(values.thumbName, sizeof values.thumbName, DEFAULT_THUMB_PREFIX);
    CopyBounded(values.photoFolder, sizeof values.photoFolder, DEFAULT_PHOTO_PATH);
    CopyBounded(values.thumbFolder, sizeof values.thumbFolder, DEFAULT_THUMB_PATH);
    values.photoDigits = DEFAULT_DIGITS;
    values.thumbDigits = DEFAULT_DIGITS;
    ShowDigits(values.photoDigits, values.photoDigitText);
    ShowDigits(values.thumbDigits, values.thumbDigitText);
    values.verifyMoves = DEFAULT_VERIFY_MOVES;
}

void ReadStoredValues(WorkingValues& values, DWORD ports) {
    values.speedIndex = ReadNumber(HKEY_CURRENT_USER, "", SETTING_BAUD_RATE, DEFAULT_BAUD_RATE);
    values.speedIndex = std::min(values.speedIndex, FASTEST_SPEED_INDEX);
    if (values.speedIndex == 0) values.speedIndex = SPEED_INDEX_19200;

    // Compared without adding 1, so that a stored 0xFFFFFFFF cannot wrap past the test.
    values.portIndex = ReadNumber(HKEY_CURRENT_USER, "", SETTING_SERIAL_PORT, DEFAULT_SERIAL_PORT);
    if (values.portIndex >= ports) values.portIndex = ports >= 2 ? 1 : 0;

    ReadPattern(SETTING_PHOTO_PREFIX, values.photoName, DEFAULT_PHOTO_PREFIX, false);
    ReadPattern(SETTING_THUMB_PREFIX, values.thumbName, DEFAULT_THUMB_PREFIX, false);
    ReadPattern(SETTING_PHOTO_PATH, values.photoFolder, DEFAULT_PHOTO_PATH, true);
    ReadPattern(SETTING_THUMB_PATH, values.thumbFolder, DEFAULT_THUMB_PATH, true);
    values.photoDigits = ReadNumber(HKEY_CURRENT_USER, "", SETTING_PHOTO_SUFFIX, DEFAULT_DIGITS);
    values.thumbDigits = ReadNumber(HKEY_CURRENT_USER, "", SETTING_THUMB_SUFFIX, DEFAULT_DIGITS);
    ShowDigits(values.photoDigits, values.photoDigitText);
    ShowDigits(values.thumbDigits, values.thumbDigitText);
    values.verifyMoves =
        ReadNumber(HKEY_CURRENT_USER, "", SETTING_VERIFY_MOVES, DEFAULT_VERIFY_MOVES) != 0 ? 1 : 0;
}

void FillTemplates(DialogItemTemplate (&items)[ITEM_COUNT], WorkingValues& values, DWORD ports) {
    const std::uint8_t photoDigitsColumn = DigitFieldColumn(MSG_CONFIG_PHOTO_DIGITS);
    const std::uint8_t thumbDigitsColumn = DigitFieldColumn(MSG_CONFIG_THUMB_DIGITS);
    // clang-format off
    const DialogItemTemplate table[ITEM_COUNT] = {
        // type         x1  y1  x2  y2 focus selected                flags          default data
        {DI_DOUBLEBOX,    3,  1, 50, 23, 0, 0,                       0,               0, MSG_CONFIG_TITLE},
        {DI_TEXT,         5,  2,  0,  0, 0, 0,                       0,               0, MSG_CONFIG_PORT},
        {DI_RADIOBUTTON,  5,  3,  0,  0, 0, 0,                       DIF_GROUP,       0, TextRef("COM1")},
        {DI_RADIOBUTTON,  5,  4,  0,  0, 0, 0,                       0,               0, TextRef("COM2")},
        {DI_RADIOBUTTON,  5,  5,  0,  0, 0, 0,                       0,               0, TextRef("COM3")},
        {DI_RADIOBUTTON,  5,  6,  0,  0, 0, 0,                       0,               0, TextRef("COM4")},
        {DI_RADIOBUTTON, 15,  3,  0,  0, 0, 0,                       0,               0, TextRef("COM5")},
        {DI_RADIOBUTTON, 15,  4,  0,  0, 0, 0,                       0,               0, TextRef("COM6")},
        {DI_RADIOBUTTON, 15,  5,  0,  0, 0, 0,                       0,               0, TextRef("COM7")},
        {DI_RADIOBUTTON, 15,  6,  0,  0, 0, 0,                       0,               0, TextRef("COM8")},
        {DI_TEXT,        30,  2,  0,  0, 0, 0,                       0,               0, MSG_CONFIG_SPEED},
        {DI_RADIOBUTTON, 30,  3,  0,  0, 0, 0,                       DIF_GROUP,       0, TextRef("  9.6kBd")},
        {DI_RADIOBUTTON, 30,  4,  0,  0, 0, 0,                       0,               0, TextRef(" 19.2kBd")},
        {DI_RADIOBUTTON, 30,  5,  0,  0, 0, 0,                       0,               0, TextRef(" 38.4kBd")},
        {DI_RADIOBUTTON, 30,  6,  0,  0, 0, 0,                       0,               0, TextRef(" 57.6kBd")},
        {DI_RADIOBUTTON, 30,  7,  0,  0, 0, 0,                       0,               0, TextRef("115.2kBd")},
        {DI_TEXT,       255,  8,  0,  0, 0, 0,                       DIF_SEPARATOR,   0, TextRef("")},
        {DI_TEXT,         5,  9,  0,  0, 0, 0,                       0,               0, MSG_CONFIG_PHOTO_NAME},
        {DI_EDIT,         5, 10, 47,  0, 0, TextRef("PXPhotoPfx"),   DIF_HISTORY,     0, TextRef(values.photoName)},
        {DI_TEXT,         5, 11,  0,  0, 0, 0,                       0,               0, MSG_CONFIG_THUMB_NAME},
        {DI_EDIT,         5, 12, 47,  0, 0, TextRef("PXThumbPfx"),   DIF_HISTORY,     0, TextRef(values.thumbName)},
        {DI_TEXT,         5, 13,  0,  0, 0, 0,                       0,               0, MSG_CONFIG_PHOTO_FOLDER},
        {DI_EDIT,         5, 14, 47,  0, 0, TextRef("PXPhotoPth"),   DIF_HISTORY,     0, TextRef(values.photoFolder)},
        {DI_TEXT,         5, 15,  0,  0, 0, 0,                       0,               0, MSG_CONFIG_THUMB_FOLDER},
        {DI_EDIT,         5, 16, 47,  0, 0, TextRef("PXThumbPth"),   DIF_HISTORY,     0, TextRef(values.thumbFolder)},
        {DI_TEXT,         5, 17,  0,  0, 0, 0,                       0,               0, MSG_CONFIG_PHOTO_DIGITS},
        {DI_FIXEDIT, photoDigitsColumn, 17, 0, 0, 0, TextRef("#"),   DIF_MASKEDIT,    0, TextRef(values.photoDigitText)},
        {DI_TEXT,         5, 18,  0,  0, 0, 0,                       0,               0, MSG_CONFIG_THUMB_DIGITS},
        {DI_FIXEDIT, thumbDigitsColumn, 18, 0, 0, 0, TextRef("#"),   DIF_MASKEDIT,    0, TextRef(values.thumbDigitText)},
        // The buttons only centre: the host's "does not close" bit would keep them from ever
        // ending the dialog, and the loop below reopens it where it has to.
        {DI_BUTTON,       5, 20,  0,  0, 0, 0,                       DIF_CENTERGROUP, 0, MSG_BUTTON_CHECK},
        {DI_BUTTON,       5, 20,  0,  0, 0, 0,                       DIF_CENTERGROUP, 0, MSG_BUTTON_DEFAULTS},
        {DI_TEXT,       255, 21,  0,  0, 0, 0,                       DIF_SEPARATOR,   0, TextRef("")},
        {DI_BUTTON,       5, 22,  0,  0, 1, 0,                       DIF_CENTERGROUP, 1, MSG_BUTTON_OK},
        {DI_BUTTON,       5, 22,  0,  0, 0, 0,                       DIF_CENTERGROUP, 0, MSG_BUTTON_CANCEL},
        {DI_CHECKBOX,     5, 19,  0,  0, 0, 0,                       0,               0, MSG_VERIFY_MOVES},
    };
    // clang-format on
    std::copy(std::begin(table), std::end(table), std::begin(items));
    for (int port = 0; port < PORT_ITEMS; ++port)
        if (static_cast<DWORD>(port) >= ports) items[ITEM_COM1 + port].flags |= DIF_DISABLE;
}

void MarkRadioItems(DialogItemTemplate (&items)[ITEM_COUNT], const WorkingValues& values) {
    for (int port = 0; port < PORT_ITEMS; ++port)
        items[ITEM_COM1 + port].selected = values.portIndex == static_cast<DWORD>(port);
    for (int item = ITEM_9600; item <= ITEM_115200; ++item)
        items[item].selected = values.speedIndex == static_cast<DWORD>(item - SPEED_ITEM_BASE);
    items[ITEM_VERIFY].selected = values.verifyMoves;
}

// Shows the dialog and takes the input back into the working values; the index of the item
// that ended it.
int ShowDialog(const DialogItemTemplate (&templates)[ITEM_COUNT], WorkingValues& values) {
    FarDialogItem items[ITEM_COUNT];
    ExpandDialogItems(templates, items, ITEM_COUNT);
    const int ended = HostServices.Dialog(HostServices.ModuleNumber, -1, -1, DIALOG_WIDTH,
                                          DIALOG_HEIGHT, "Configure", items, ITEM_COUNT);
    CopyBounded(values.photoName, sizeof values.photoName, items[ITEM_PHOTO_NAME].Data);
    CopyBounded(values.thumbName, sizeof values.thumbName, items[ITEM_THUMB_NAME].Data);
    CopyBounded(values.photoFolder, sizeof values.photoFolder, items[ITEM_PHOTO_FOLDER].Data);
    CopyBounded(values.thumbFolder, sizeof values.thumbFolder, items[ITEM_THUMB_FOLDER].Data);
    CopyBounded(values.photoDigitText, sizeof values.photoDigitText, items[ITEM_PHOTO_DIGITS].Data);
    CopyBounded(values.thumbDigitText, sizeof values.thumbDigitText, items[ITEM_THUMB_DIGITS].Data);
    values.photoDigits = static_cast<DWORD>(HostServices.FSF->atoi(values.photoDigitText));
    values.thumbDigits = static_cast<DWORD>(HostServices.FSF->atoi(values.thumbDigitText));
    for (int port = 0; port < PORT_ITEMS; ++port)
        if (items[ITEM_COM1 + port].Param.Selected != 0)
            values.portIndex = static_cast<DWORD>(port);
    for (int item = ITEM_9600; item <= ITEM_115200; ++item)
        if (items[item].Param.Selected != 0)
            values.speedIndex = static_cast<DWORD>(item - SPEED_ITEM_BASE);
    values.verifyMoves = items[ITEM_VERIFY].Param.Selected != 0 ? 1 : 0;
    return ended;
}

bool Refuse(std::int32_t code, std::int32_t kind, std::int32_t value = 0) {
    const SettingsDetail detail{kind, value};
    ErrorReport(code, 0, 0, 0, &detail);
    return false;
}

bool RefusePattern(std::int32_t kind, std::uint32_t failingPosition) {
    return Refuse(lastPatternError, kind, static_cast<std::int32_t>(failingPosition) + 1);
}

// Measures a pattern; on failure `measure` holds the failing position instead.
bool PatternPasses(const char* pattern, bool folder, std::uint32_t& measure) {
    return CheckNamePattern(pattern, folder, measure);
}

// Added in 64 bits: a digit count typed as "-5" must not wrap round to a small sum.
bool NameTooLong(DWORD digits, std::uint32_t nameLength) {
    return std::uint64_t{digits} + nameLength > NAME_MAX_LENGTH;
}

bool InputPasses(const WorkingValues& values) {
    std::uint32_t measure = 0;
    if (!PatternPasses(values.photoName, false, measure))
        return RefusePattern(DETAIL_PHOTO_NAME, measure);
    if (NameTooLong(values.photoDigits, measure))
        return Refuse(1, DETAIL_PHOTO_DIGITS, MSG_NAME_TOO_LONG);
    if (values.photoDigits < MIN_DIGITS) return Refuse(1, DETAIL_PHOTO_DIGITS, MSG_DIGITS_TOO_FEW);
    if (!PatternPasses(values.thumbName, false, measure))
        return RefusePattern(DETAIL_THUMB_NAME, measure);
    if (NameTooLong(values.thumbDigits, measure))
        return Refuse(1, DETAIL_THUMB_DIGITS, MSG_NAME_TOO_LONG);
    if (values.thumbDigits < MIN_DIGITS) return Refuse(1, DETAIL_THUMB_DIGITS, MSG_DIGITS_TOO_FEW);
    if (!PatternPasses(values.photoFolder, true, measure))
        return RefusePattern(DETAIL_PHOTO_FOLDER, measure);
    if (!PatternPasses(values.thumbFolder, true, measure))
        return RefusePattern(DETAIL_THUMB_FOLDER, measure);
    if (BlanksOnly(values.photoFolder)) return Refuse(1, DETAIL_PHOTO_BLANK);
    if (BlanksOnly(values.thumbFolder)) return Refuse(1, DETAIL_THUMB_BLANK);
    return true;
}

// All values in one write, so that an interrupted save leaves the old settings or the new ones.
LONG Save(const WorkingValues& values) {
    // clang-format off
    const SettingValue stored[] = {
        {SETTING_BAUD_RATE, values.speedIndex, nullptr},
        {SETTING_SERIAL_PORT, values.portIndex, nullptr},
        {SETTING_PHOTO_PREFIX, 0, values.photoName},
        {SETTING_PHOTO_SUFFIX, values.photoDigits, nullptr},
        {SETTING_THUMB_PREFIX, 0, values.thumbName},
        {SETTING_THUMB_SUFFIX, values.thumbDigits, nullptr},
        {SETTING_PHOTO_PATH, 0, values.photoFolder},
        {SETTING_THUMB_PATH, 0, values.thumbFolder},
        {SETTING_VERIFY_MOVES, values.verifyMoves, nullptr},
    };
    // clang-format on
    return WriteSettings(HKEY_CURRENT_USER, "", stored, std::size(stored));
}

void WarnNotSaved(LONG error) {
    char line[MESSAGE_LINE_SIZE];
    const std::int32_t numbers[] = {static_cast<std::int32_t>(error)};
    FormatNumberLine(line, sizeof line, GetMsg(MSG_SETTINGS_NOT_SAVED), numbers);
    const char* lines[] = {GetMsg(MSG_CONFIG_TITLE), line};
    HostServices.Message(HostServices.ModuleNumber, FMSG_WARNING | FMSG_MB_OK, "Configure", lines,
                         2, 0);
}

void WarnPanelOpen() {
    const char* lines[] = {GetMsg(MSG_CONFIG_TITLE), GetMsg(MSG_CONFIG_PANEL_OPEN)};
    HostServices.Message(HostServices.ModuleNumber, FMSG_WARNING | FMSG_MB_OK, "", lines, 2, 0);
}

}  // namespace

int RunConfigure(int /*itemNumber*/) {
    if (openPanels != 0) {
        WarnPanelOpen();
        return 0;
    }
    const DWORD ports = portCount > 0 ? static_cast<DWORD>(portCount) : 0;
    WorkingValues values;
    ReadStoredValues(values, ports);
    DialogItemTemplate templates[ITEM_COUNT];
    FillTemplates(templates, values, ports);

    // Refused input comes back as it was typed: the digit texts are rewritten only from stored
    // or default counts.
    for (;;) {
        MarkRadioItems(templates, values);
        const int ended = ShowDialog(templates, values);
        if (ended == ITEM_DEFAULTS) {
            SetDefaults(values);
        } else if (ended == ITEM_CHECK) {
            if (InputPasses(values)) ShowMessage(MSG_CHECK_PASSED);
        } else if (ended == ITEM_OK) {
            if (InputPasses(values)) break;
        } else {
            return 0;
        }
    }
    if (const LONG error = Save(values); error != static_cast<LONG>(ERROR_SUCCESS)) {
        WarnNotSaved(error);
        return 0;
    }
    return 1;
}

}  // namespace pixlor
