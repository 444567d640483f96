// The numbers of the host language file's messages, by their role. The texts live in
// lang/PixlorEng.lng and lang/PixlorRus.lng: message n is the n-th quoted line, from 0.
#pragma once

namespace pixlor {

enum MessageNumber : int {
    MSG_MENU_ITEM = 1,      // disk menu entry, panel format
    MSG_CONFIG_ITEM = 2,    // configuration menu entry
    MSG_TITLE = 3,          // panel title, title of notices and camera failures
    MSG_KEY_F5_PHOTO = 4,   // key bar labels, photo mode: F5 in its 7 shift states (4..10)
    MSG_KEY_F5_THUMB = 11,  // ... thumbnail mode (11..17)
    MSG_KEY_F6_PHOTO = 18,  // F6, photo mode (18..24)
    MSG_KEY_F6_THUMB = 25,  // F6, thumbnail mode (25..31)
    MSG_KEY_F7_PHOTO = 32,  // F7 in photo mode: switch to thumbnails
    MSG_KEY_F7_THUMB = 33,  // F7 in thumbnail mode: switch to photos
    MSG_BUTTON_OK = 34,
    MSG_BUTTON_CANCEL = 35,
    MSG_BUTTON_DEFAULTS = 36,
    MSG_READING_CATALOGUE = 37,  // notice while the catalogue is read
    MSG_MULTI_SESSION = 39,      // a camera panel is already open
    MSG_NO_SERIAL_PORT = 40,     // the system lists no serial port
    MSG_CAMERA_EMPTY = 41,       // the camera holds no pictures
    MSG_BUTTON_CHECK = 42,
    MSG_TITLE_PHOTO_NAME = 43,      // error titles: picture name pattern ...
    MSG_TITLE_THUMB_NAME = 44,      // ... thumbnail name pattern
    MSG_TITLE_PHOTO_FOLDER = 45,    // ... picture folder pattern
    MSG_TITLE_THUMB_FOLDER = 46,    // ... thumbnail folder pattern
    MSG_FOLDER_BLANK = 47,          // the folder pattern consists of blanks
    MSG_PATTERN_POSITION = 48,      // format: the failing position (one integer)
    MSG_PATTERN_FIELD = 49,         // pattern error 2
    MSG_PATTERN_WIDTH = 50,         // pattern error 3
    MSG_PATTERN_CHARACTER = 51,     // pattern error 4
    MSG_PATTERN_TOO_LONG = 52,      // pattern error 12
    MSG_TITLE_PHOTO_DIGITS = 53,    // error titles: picture digit count ...
    MSG_TITLE_THUMB_DIGITS = 54,    // ... thumbnail digit count
    MSG_DIGITS_TOO_FEW = 55,        // fewer than 2 digits
    MSG_NAME_TOO_LONG = 56,         // name with digits longer than 256 characters
    MSG_CHECK_PASSED = 57,          // the check button found the input valid
    MSG_CAMERA_FAILED = 58,         // first line of a camera failure
    MSG_CAMERA_NUMBERS = 59,        // format: port status flags, link error code, operation code
    MSG_GETTING_FILE = 61,          // title of the single-file copy progress
    MSG_CONFIG_TITLE = 62,          // configuration dialog title
    MSG_CONFIG_PANEL_OPEN = 63,     // configuration refused while a panel is open
    MSG_CONFIG_PORT = 64,           // dialog labels: port group ...
    MSG_CONFIG_SPEED = 65,          // ... speed group
    MSG_CONFIG_PHOTO_NAME = 66,     // ... picture name pattern
    MSG_CONFIG_THUMB_NAME = 67,     // ... thumbnail name pattern
    MSG_CONFIG_PHOTO_FOLDER = 68,   // ... picture folder pattern
    MSG_CONFIG_THUMB_FOLDER = 69,   // ... thumbnail folder pattern
    MSG_CONFIG_PHOTO_DIGITS = 70,   // ... picture digit count
    MSG_CONFIG_THUMB_DIGITS = 71,   // ... thumbnail digit count
    MSG_COPY_TITLE = 72,            // copy dialog and copy progress title
    MSG_MOVE_TITLE = 73,            // move dialog title
    MSG_DELETE_TITLE = 74,          // delete question, delete progress, empty-camera close
    MSG_COPY_TEXT = 75,             // the copy prompt opens with this
    MSG_MOVE_TEXT = 76,             // the move prompt opens with this
    MSG_PROMPT_PHOTOS = 78,         // prompt parts: the photos
    MSG_PROMPT_AND = 79,            // ... joins both kinds
    MSG_PROMPT_THUMBS = 80,         // ... the thumbnails
    MSG_PROMPT_INTO = 81,           // ... before the kind of sub-folders
    MSG_PROMPT_PHOTO_FOLDERS = 82,  // ... photo date folders
    MSG_PROMPT_THUMB_FOLDERS = 83,  // ... thumbnail folders
    MSG_PROMPT_BELOW = 84,          // ... after the kind of sub-folders
    MSG_PROMPT_TO = 85,             // ... closes the prompt before the destination
    MSG_DELETE_QUESTION = 86,       // delete the selected pictures on the camera?
    MSG_SUBFOLDERS_AUTO = 87,       // radio: date sub-folders unless inside a date folder
    MSG_SUBFOLDERS_ALWAYS = 88,     // radio: always date sub-folders
    MSG_SUBFOLDERS_NEVER = 89,      // radio: never
    MSG_CAMERA_NOW_EMPTY = 90,      // the camera holds no picture any more: the panel closes
    MSG_COPY_FILE_LINE = 91,        // format: file ordinal, done, size, file percentage
    MSG_COPY_BATCH_LINE = 92,       // format: file count, bytes done, batch total, batch percentage
    MSG_DELETE_PROGRESS = 93,       // format: ordinal, total
    MSG_THUMBNAIL_MOVE_KEEPS = 94,  // a move of thumbnails alone copied them and deleted nothing
    MSG_COPY_RATE_LINE = 95,        // format: bytes a second, minutes left, seconds left
    MSG_COPY_RATE_UNKNOWN = 96,     // the rate line before anything was received
    MSG_STOP_QUESTION = 97,         // Esc was pressed: stop?
    MSG_BUTTON_STOP = 98,
    MSG_BUTTON_GO_ON = 99,
    MSG_COPY_STOPPED = 100,        // format: pictures copied, pictures selected
    MSG_MOVE_STOPPED = 101,        // format: pictures copied, pictures selected, deleted
    MSG_DELETE_STOPPED = 102,      // format: pictures deleted, pictures selected
    MSG_CATALOGUE_STOPPED = 103,   // format: pictures read, pictures on the camera
    MSG_VERIFY_MOVES = 104,        // checkbox: a move reads each photo again before the delete
    MSG_VERIFY_DIFFERS = 105,      // the photo read again differs from its file (the file follows)
    MSG_VERIFY_KEPT = 106,         // ... so the file is removed and the picture stays
    MSG_SETTINGS_NOT_SAVED = 107,  // format: the system's error code of the failed save
    MSG_PATTERN_CONTROL = 108,     // pattern error 5
    MSG_PATTERN_DOTS = 109,        // pattern error 6
    MSG_PATTERN_BLANKS = 110,      // pattern error 7
    MSG_KEY_F3_VIEW = 111,         // key bar: F3 views a copy of the picture
    MSG_KEY_F4_EDIT = 112,         // key bar: F4 edits a copy of the picture
    MSG_KEY_F8_DELETE = 113,       // key bar: F8 deletes on the camera
    MSG_LINE_WENT_AWAY = 114,      // camera failure: what to do when the line went away
};

}  // namespace pixlor
