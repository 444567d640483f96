#include "host/cli/Commands.h"

#include "host/cli/Interrupts.h"
#include "host/cli/Patterns.h"
#include "host/cli/Texts.h"
#include "config/SettingsStore.h"
#include "device/CameraDevice.h"
#include "link/CameraProtocol.h"
#include "device/PictureFile.h"
#include "platform/Calendar.h"
#include "platform/LocalTime.h"
#include "shell/MessageNumbers.h"
#include "transfer/NamePattern.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fnmatch.h>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sys/stat.h>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

constexpr int DIALOG_CANCELLED = -1;
constexpr std::size_t LONGEST_DESTINATION = 250;  // the plug-in's limit: its paths hold 259
constexpr int LISTED_PICTURES = 20;                // a delete question names at most these
constexpr double LINE_BITS_PER_BYTE = 10;          // start bit, 8 data bits, stop bit

// The seconds since 1970 of a file time (UTC), as a file's st_mtime holds them.
std::int64_t UnixSeconds(FILETIME time) {
    constexpr std::int64_t TICKS_1601_TO_1970 = 116444736000000000;
    const std::int64_t ticks =
        static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    return (ticks - TICKS_1601_TO_1970) / 10000000;
}

// The same on the computer's clock: what the file manager shows.
std::int64_t LocalSeconds(FILETIME utc) {
    FILETIME local = utc;
    fileTimeToLocalFileTime(utc, local);
    return UnixSeconds(local);
}

std::string TimeText(std::int64_t seconds, const char* format) {
    const CivilTime civil = civilFromSeconds(seconds);
    char text[40];
    std::snprintf(text, sizeof text, format, static_cast<long long>(civil.year), civil.month,
                  civil.day, civil.hour, civil.minute, civil.second);
    return text;
}

std::string FileTimeText(FILETIME time) {
    return TimeText(LocalSeconds(time), "%04lld-%02u-%02u  %02u:%02u:%02u");
}

bool IsFolder(const PluginPanelItem& item) {
    return (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::uint64_t SizeOf(const PluginPanelItem& item) {
    return (std::uint64_t{item.FindData.nFileSizeHigh} << 32) | item.FindData.nFileSizeLow;
}

// Complete files, or the files being written (known by their names).
enum class FileKind { Complete, BeingWritten };

// The files the plug-in writes in: `folder` and its sub-folders (the date folders), a link to a
// folder followed, as the plug-in writes through it; each file once, by its own path.
std::set<fs::path> FilesBelow(const fs::path& folder, FileKind kind = FileKind::Complete) {
    std::set<fs::path> files;
    const auto take = [&](const fs::directory_entry& entry) {
        std::error_code error;
        const bool partial = IsPartialFileName(entry.path().filename().c_str());
        if (!entry.is_regular_file(error) || partial != (kind == FileKind::BeingWritten)) return;
        const fs::path real = fs::canonical(entry.path(), error);
        files.insert(error ? entry.path() : real);
    };
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        take(*it);
        std::error_code inner;
        if (!it->is_directory(inner)) continue;
        for (fs::directory_iterator below(it->path(), inner); !inner && below != end;
             below.increment(inner))
            take(*below);
    }
    return files;
}

// The index of the first item of `type`, or of the first item of `type` whose text is `text`.
int FindItem(const DialogRequest& dialog, int type, const char* text = nullptr) {
    for (int i = 0; i < dialog.count; ++i)
        if (dialog.items[i].Type == type && (text == nullptr || text == std::string(dialog.items[i].Data)))
            return i;
    return -1;
}

std::string Trimmed(std::string text) {
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// `text` and blanks to `width` characters: after it, or before it for a negative width.
std::string Padded(const std::string& text, int width) {
    const auto blanks = static_cast<std::size_t>(std::max(0, std::abs(width) - DisplayWidth(text)));
    return width < 0 ? std::string(blanks, ' ') + text : text + std::string(blanks, ' ');
}

// The speed label of the configuration dialog for a speed in bits per second: "115.2kBd".
std::string SpeedLabel(int speed) {
    char label[16];
    std::snprintf(label, sizeof label, "%d.%dkBd", speed / 1000, speed % 1000 / 100);
    return label;
}

bool Matches(const std::string& pattern, const std::string& name) {
    return ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

std::string WithoutTrailingSlashes(std::string item) {
    while (item.size() > 1 && item.back() == '/') item.pop_back();
    return item;
}

std::string JsonText(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') json += {'\\', c};
        else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else json += c;
    }
    return json + "\"";
}

// Visits every item of the panel's root and of each of its folders, then goes back to the root.
void ForEachPicture(HostEmulator& emulator,
                    const std::function<void(const std::string&, const PluginPanelItem&)>& visit) {
    const std::vector<PluginPanelItem> root = emulator.pluginPanel().items();
    for (const PluginPanelItem& item : root) {
        const std::string name = item.FindData.cFileName;
        if (name == "..") continue;
        if (!IsFolder(item)) {
            visit("", item);
            continue;
        }
        if (!emulator.enterFolder(name)) continue;
        for (const PluginPanelItem& inside : emulator.pluginPanel().items())
            if (std::string(inside.FindData.cFileName) != "..") visit(name, inside);
        emulator.enterFolder("..");
    }
}

}  // namespace

// One picture as it was when the command began. It is found again by its size and shooting
// time, and among pictures of the same size and time by its order on the camera (`twin`): its
// name follows the running numbers of the destination and the date folder pattern, and its
// number moves up when an earlier picture is deleted.
struct ChosenPicture {
    std::string folder;  // "" the root
    std::string name;
    std::uint32_t number = 0;  // on the camera, from 1
    std::uint64_t size = 0;
    std::int64_t time = 0;     // the file time, in seconds since 1970
    std::int64_t shot = 0;     // the same on the computer's clock: the camera's hour
    int twin = 0;              // how many pictures of this size and time come before it
    bool sameAs(const ChosenPicture& other) const {
        return size == other.size && time == other.time && twin == other.twin;
    }
    std::string shown() const { return (folder.empty() ? "" : folder + "/") + name; }
};

struct PictureGroup {
    std::string folder;  // "" the root
    std::vector<ChosenPicture> entries;
};

namespace {

constexpr const char* SHOT_FORMAT = "%04lld-%02u-%02uT%02u:%02u:%02u";

ChosenPicture PictureOf(const std::string& folder, const PluginPanelItem& item) {
    return {folder, item.FindData.cFileName, static_cast<std::uint32_t>(item.UserData + 1),
            SizeOf(item), UnixSeconds(item.FindData.ftLastWriteTime),
            LocalSeconds(item.FindData.ftLastWriteTime)};
}

// `pictures` in camera order, each with its twin count: pictures of one size and time (which
// share their date folder) are told apart by their order there, which deletions keep.
void InCameraOrder(std::vector<ChosenPicture>& pictures) {
    std::stable_sort(pictures.begin(), pictures.end(),
                     [](const ChosenPicture& a, const ChosenPicture& b) {
                         return a.number < b.number;
                     });
    std::map<std::pair<std::uint64_t, std::int64_t>, int> seen;
    for (ChosenPicture& picture : pictures) picture.twin = seen[{picture.size, picture.time}]++;
}

// Every picture the panel shows, in camera order.
std::vector<ChosenPicture> EveryPicture(HostEmulator& emulator) {
    std::vector<ChosenPicture> pictures;
    ForEachPicture(emulator, [&](const std::string& folder, const PluginPanelItem& item) {
        if (!IsFolder(item)) pictures.push_back(PictureOf(folder, item));
    });
    InCameraOrder(pictures);
    return pictures;
}

// "#3 @2002-07-05T12:00:00 81234 02-07-05/pic05.07.2002_001.jpg": what selects the picture
// for good, its size, and its name now.
std::string PictureLine(const ChosenPicture& picture, OemCodePage page) {
    return "#" + std::to_string(picture.number) + " @" + TimeText(picture.shot, SHOT_FORMAT) + " " +
           std::to_string(picture.size) + " " + TerminalText(picture.shown(), page);
}

// The pictures an item selects: "#3" by number, "@2002-07-05T12:00:00" by shooting time (or
// "@2002-07-05" a whole day), else "FOLDER", "FOLDER/NAME" or a root "NAME", shell patterns
// allowed. `wellFormed` is false for a "#" or "@" item that is neither number nor time.
bool Selects(const std::string& item, const ChosenPicture& picture, bool& wellFormed) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    wellFormed = true;
    if (item.rfind('#', 0) == 0) {
        wellFormed = item.size() > 1 && item.size() <= 11 &&
                     std::all_of(item.begin() + 1, item.end(), isDigit);
        return wellFormed && std::stoull(item.substr(1)) == picture.number;
    }
    if (item.rfind('@', 0) == 0) {
        std::string time = item.substr(1);
        if (time.size() == 19 && time[10] == ' ') time[10] = 'T';
        const std::string shot = TimeText(picture.shot, SHOT_FORMAT);
        std::string shape = time;
        for (char& c : shape) c = isDigit(c) ? '9' : c;
        wellFormed = shape == "9999-99-99" || shape == "9999-99-99T99:99:99";
        return wellFormed && shot.compare(0, time.size(), time) == 0;
    }
    const std::size_t slash = item.find('/');
    const std::string folderPattern = item.substr(0, slash);
    const std::string namePattern = slash == std::string::npos ? "" : item.substr(slash + 1);
    if (picture.folder.empty()) return slash == std::string::npos && Matches(item, picture.name);
    return Matches(folderPattern, picture.folder) &&
           (namePattern.empty() || Matches(namePattern, picture.name));
}

// The bytes a copy of `chosen` writes: the sizes the panel lists for the kind it shows, and
// those of the other kind, read from the other view by camera number, when that kind is copied.
std::uint64_t BytesToCopy(HostEmulator& emulator, const std::vector<ChosenPicture>& chosen,
                          const CopyChoice& choice) {
    const bool shownKind = choice.kinds != CopyKinds::One || choice.photos != choice.thumbnailView;
    const bool otherKind = choice.kinds != CopyKinds::One || !shownKind;
    std::map<std::uint32_t, std::uint64_t> otherSizes;
    if (otherKind) {
        emulator.pressKey(VK_F7);
        for (const ChosenPicture& picture : EveryPicture(emulator))
            otherSizes[picture.number] = picture.size;
        emulator.pressKey(VK_F7);
    }
    std::uint64_t bytes = 0;
    for (const ChosenPicture& picture : chosen)
        bytes += (shownKind ? picture.size : 0) + (otherKind ? otherSizes[picture.number] : 0);
    return bytes;
}

}  // namespace

struct Commands::Outcome {
    std::set<fs::path> known;  // files being written that were there before: another run's
    int fileOrdinal = 0;
    int groupDeletions = 0;    // "Deleting picture k of n": the k of the current key press
    int deleted = 0;
    std::string fileBeingWritten;
};

bool ConfigRequest::changesSomething() const {
    return port || speed || photoName || thumbName || photoFolder || thumbFolder || photoDigits ||
           thumbDigits || verifyMoves || defaults;
}

Commands::Commands(ProgramSetup setup, TerminalUser& user, TerminalStreams streams)
    : setup_(std::move(setup)), user_(user), streams_(streams) {}

Commands::~Commands() { user_.explainsWarning = nullptr; }

int Commands::usage(const std::string& why) {
    user_.endProgress();
    streams_.err << "pixlor: " << Printable(why) << std::endl;
    return EXIT_BAD_USAGE;
}

int Commands::interrupted(const std::string& done) {
    user_.endProgress();
    const int signal = InterruptSignal();
    streams_.err << "pixlor: " << Tr("interrupted") << (done.empty() ? "" : ": " + done)
                 << std::endl;
    return InterruptExitStatus(signal);
}

// The failure in words first, then the plug-in's own numbers on a line of their own.
bool Commands::explainFailures(std::size_t firstBox, const FailureContext& context) {
    bool any = false;
    const auto& boxes = user_.answeredBoxes();
    for (std::size_t i = firstBox; i < boxes.size(); ++i) {
        CameraFailure failure;
        if (texts_ == nullptr || !ReadCameraFailure(boxes[i], *texts_, failure)) continue;
        any = true;
        if (InterruptSignal() != 0) continue;  // the interruption, not the camera, says why
        streams_.err << "pixlor: " << Printable(DescribeFailure(failure, context)) << "\n  "
                     << TerminalText(boxes[i].lines[1], user_.style().codePage) << std::endl;
    }
    return any;
}

namespace {

// The settings a copy names its files and date folders by.
struct CopyPatterns {
    std::vector<const char*> names;    // SETTING_PHOTO_PREFIX, SETTING_THUMB_PREFIX
    std::vector<const char*> folders;  // SETTING_PHOTO_PATH, SETTING_THUMB_PATH; none: no folders
};

// The date folders are named as the key chooses: by the pattern of the kind copied, of the
// kind shown when both go into one folder, or each kind by its own.
CopyPatterns PatternsOf(const CopyChoice& choice, SubfolderMode subfolders) {
    CopyPatterns patterns;
    const bool photos = choice.kinds != CopyKinds::One || choice.photos;
    const bool thumbnails = choice.kinds != CopyKinds::One || !choice.photos;
    if (photos) patterns.names.push_back(SETTING_PHOTO_PREFIX);
    if (thumbnails) patterns.names.push_back(SETTING_THUMB_PREFIX);
    if (subfolders == SubfolderMode::Never) return patterns;
    if (choice.kinds == CopyKinds::BothOwnFolders) {
        patterns.folders = {SETTING_PHOTO_PATH, SETTING_THUMB_PATH};
    } else {
        const bool byPhoto = choice.photoFolders.value_or(
            choice.kinds == CopyKinds::One ? choice.photos : !choice.thumbnailView);
        patterns.folders = {byPhoto ? SETTING_PHOTO_PATH : SETTING_THUMB_PATH};
    }
    return patterns;
}

bool IsPhotoSetting(const char* name) {
    return name == SETTING_PHOTO_PREFIX || name == SETTING_PHOTO_PATH;
}

// A pattern as the plug-in reads it: the stored text, else the default; blanks only: none.
std::string PatternInForce(const char* name) {
    std::string text = name == SETTING_PHOTO_PREFIX   ? DEFAULT_PHOTO_PREFIX
                       : name == SETTING_THUMB_PREFIX ? DEFAULT_THUMB_PREFIX
                       : name == SETTING_PHOTO_PATH   ? DEFAULT_PHOTO_PATH
                                                      : DEFAULT_THUMB_PATH;
    ReadStoredText(name, text);
    if (BlanksOnly(text.c_str())) text.clear();
    return text;
}

unsigned DigitsInForce(bool photo) {
    DWORD digits = DEFAULT_DIGITS;
    ReadStoredNumber(photo ? SETTING_PHOTO_SUFFIX : SETTING_THUMB_SUFFIX, digits);
    return ClampDigitCount(digits);
}

// The first pattern of the copy that does not expand, in words: one given for this copy, or
// one stored in the settings, which the plug-in would cut short at its fault.
std::string CopyPatternProblem(const CopyPatterns& patterns, const TransferRequest& request) {
    const auto check = [&](const char* name, bool isFile, const std::optional<std::string>& given) {
        const std::string pattern = given ? *given : PatternInForce(name);
        const std::string problem =
            PatternProblem(pattern, isFile ? DigitsInForce(IsPhotoSetting(name)) : 0);
        if (problem.empty()) return problem;
        if (given)
            return std::string(isFile ? "--filename" : "--folder") + " \"" + pattern + "\": " +
                   problem;
        const char* what = name == SETTING_PHOTO_PREFIX   ? "--photo-name"
                           : name == SETTING_THUMB_PREFIX ? "--thumb-name"
                           : name == SETTING_PHOTO_PATH   ? "--photo-folder"
                                                          : "--thumb-folder";
        return Fill(Tr("the pattern \"{}\" of the settings cannot be used: {}; `pixlor config {} "
                       "PATTERN` stores another, --filename and --folder name one for a copy"),
                    {pattern, problem, what});
    };
    for (const char* name : patterns.names)
        if (std::string problem = check(name, true, request.filename); !problem.empty())
            return problem;
    for (const char* folder : patterns.folders)
        if (std::string problem = check(folder, false, request.folder); !problem.empty())
            return problem;
    return {};
}

// What the copy will do, as the status line says it: the kinds, and where they go.
std::string WhatHappens(const TransferRequest& request, const CopyPatterns& patterns,
                        const std::string& target) {
    const CopyChoice& choice = request.choice;
    const auto place = [&](const std::string& kinds, const char* folderSetting) {
        const std::string folder = folderSetting == nullptr ? "" : PatternInForce(folderSetting);
        return folder.empty()
                   ? Fill(Tr("{} straight into {}"), {kinds, target})
                   : Fill(Tr("{} into date folders {} below {}"), {kinds, folder, target});
    };
    std::string what;
    if (choice.kinds == CopyKinds::BothOwnFolders && !patterns.folders.empty())
        what = place(Tr("photos"), SETTING_PHOTO_PATH) + Tr(" and ") +
               place(Tr("thumbnails"), SETTING_THUMB_PATH);
    else
        what = place(choice.kinds != CopyKinds::One ? Tr("photos and thumbnails")
                     : choice.photos                ? Tr("photos")
                                                    : Tr("thumbnails"),
                     patterns.folders.empty() ? nullptr : patterns.folders.front());
    // A move of thumbnails alone copies them and deletes nothing, as the plug-in says after it.
    const bool moves = choice.move && (choice.kinds != CopyKinds::One || choice.photos);
    return Fill(moves ? Tr("Moving {}") : Tr("Copying {}"), {what});
}

}  // namespace

std::unique_ptr<HostEmulator> Commands::startHost(const std::string& diskDirectory, int& status) {
    EmulatorSettings settings;
    settings.moduleName = setup_.moduleName;
    settings.language = setup_.language;
    settings.diskDirectory = diskDirectory;
    // Ctrl+C reaches the plug-in as Esc, and means to stop now: the host asks nothing first.
    settings.confirmations = 0;
    auto emulator = std::make_unique<HostEmulator>(setup_.plugin, user_, settings);
    if (!emulator->start()) {
        streams_.err << "pixlor: " << Tr("the plug-in cannot start: ") << emulator->errorText
                     << std::endl;
        status = EXIT_CAMERA_FAILED;
        return nullptr;
    }
    texts_ = std::make_unique<LanguageFile>(emulator->languageFile());
    status = EXIT_DONE;
    return emulator;
}

std::unique_ptr<HostEmulator> Commands::openCamera(const std::string& diskDirectory, int& status) {
    if (setup_.speed) {
        if (std::string why; !oneCommand_.begin(why)) {
            status = usage(why);
            return nullptr;
        }
        for (DWORD index = 1; index <= SPEED_INDEX_LAST; ++index)
            if (SpeedTableBaud(index) == static_cast<std::uint32_t>(*setup_.speed))
                WriteStoredNumber(SETTING_BAUD_RATE, index);
    }
    port_ = StoredPort();
    if (std::string why; setup_.port && !PortNamed(*setup_.port, port_, why)) {
        status = usage(why);
        return nullptr;
    }
    if (setup_.checkDevices) {
        if (const std::string problem = SerialDeviceProblem(port_.device); !problem.empty()) {
            streams_.err << "pixlor: " << (port_.variable == 0 ? "" : port_.name() + ": ")
                         << problem << std::endl
                         << "pixlor: "
                         << (port_.variable == 0
                                 ? std::string(Tr("`pixlor detect` shows the devices where a "
                                                  "camera answers"))
                                 : Fill(Tr("`pixlor detect` shows the devices where a camera "
                                           "answers; PIXLOR_COM{}=DEVICE names the device of "
                                           "{}, --port DEVICE uses one for a single command"),
                                        {std::to_string(port_.variable), port_.name()}))
                         << std::endl;
            status = EXIT_CAMERA_FAILED;
            return nullptr;
        }
    }
    auto emulator = startHost(diskDirectory, status);
    if (emulator == nullptr) return nullptr;
    // A camera failure is said in words by the command, with the plug-in's box after them.
    user_.explainsWarning = [this](const BoxRecord& box) {
        CameraFailure failure;
        return texts_ != nullptr && ReadCameraFailure(box, *texts_, failure);
    };
    const std::size_t firstBox = user_.answeredBoxes().size();
    if (emulator->openPanel()) return emulator;
    user_.endProgress();
    if (InterruptSignal() != 0) {
        status = interrupted("");
    } else if (user_.warned("NoSerialPort")) {
        streams_.err << "pixlor: "
                     << Tr("no serial port: name the device of COM<n> in PIXLOR_COM<n>, for "
                           "example PIXLOR_COM2=/dev/ttyUSB0")
                     << std::endl;
        status = EXIT_CAMERA_FAILED;
    } else if (user_.warned("Errors")) {
        explainFailures(firstBox, {port_.described(), "", port_.baud, 0, 0, "", "", {}, 1});
        status = EXIT_CAMERA_FAILED;
    } else if (!emulator->violations().empty()) {
        streams_.err << "pixlor: " << Tr("the plug-in broke the host's rules: ")
                     << emulator->violations().front() << std::endl;
        status = EXIT_CAMERA_FAILED;
    } else {
        cameraEmpty_ = true;  // the plug-in said so and opened no panel
    }
    return nullptr;
}

void Commands::printPanel(const HostEmulator& emulator) {
    user_.endProgress();
    const PanelModel& panel = emulator.pluginPanel();
    const PanelDescription& description = emulator.panelDescription();
    const OemCodePage page = user_.style().codePage;
    std::string heading = TerminalText(description.panelTitle, page);
    if (!description.curDir.empty()) heading += ": " + TerminalText(description.curDir, page);
    streams_.out << heading << '\n';

    // Columns are counted in characters, not bytes: the Russian headings and names that are
    // not ASCII line up as well.
    std::vector<std::string> names;
    int nameWidth = std::max(4, DisplayWidth(Tr("Name")));
    for (const PluginPanelItem& item : panel.items()) {
        const std::string name = item.FindData.cFileName;
        if (name == "..") continue;
        names.push_back(TerminalText(name, page) + (IsFolder(item) ? "/" : ""));
        nameWidth = std::max(nameWidth, DisplayWidth(names.back()) + (IsFolder(item) ? 0 : 1));
    }
    streams_.out << Padded(Tr("Name"), nameWidth + 1) << Padded(Tr("Size"), -10) << "  "
                 << Padded(Tr("Date"), 10) << "  " << Tr("Time") << '\n';
    std::uint64_t total = 0;
    int pictures = 0;
    int folders = 0;
    std::size_t row = 0;
    for (const PluginPanelItem& item : panel.items()) {
        if (std::string(item.FindData.cFileName) == "..") continue;
        total += SizeOf(item);
        (IsFolder(item) ? folders : pictures) += 1;
        streams_.out << Padded(names[row++], nameWidth + 1)
                     << Padded(std::to_string(SizeOf(item)), -10) << "  "
                     << FileTimeText(item.FindData.ftLastWriteTime) << '\n';
    }
    if (folders > 0) streams_.out << CountOf(folders, "folder", "folders") << ", ";
    if (pictures > 0) streams_.out << CountOf(pictures, "picture", "pictures") << ", ";
    streams_.out << CountOf(static_cast<long long>(total), "byte", "bytes") << std::endl;
}

int Commands::list(const ListRequest& request) {
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) {
        // A camera without pictures is a list without entries, for scripts as well.
        if (cameraEmpty_ && request.json)
            streams_.out << "{\n  \"folders\": [],\n  \"pictures\": []\n}" << std::endl;
        return status;
    }
    if (request.thumbnails) emulator->pressKey(VK_F7);
    user_.endProgress();
    const OemCodePage page = user_.style().codePage;
    if (request.json) {
        // Thumbnail sizes come from the thumbnail view, by picture number.
        std::map<std::uintptr_t, std::uint64_t> thumbnailSizes;
        if (!request.thumbnails) emulator->pressKey(VK_F7);
        ForEachPicture(*emulator, [&](const std::string&, const PluginPanelItem& item) {
            thumbnailSizes[item.UserData] = SizeOf(item);
        });
        emulator->pressKey(VK_F7);
        if (request.thumbnails) emulator->pressKey(VK_F7);  // back to the photos
        std::map<std::string, std::vector<std::string>> byFolder;
        std::vector<std::string> folderOrder;
        ForEachPicture(*emulator, [&](const std::string& folder, const PluginPanelItem& item) {
            if (byFolder.find(folder) == byFolder.end()) folderOrder.push_back(folder);
            byFolder[folder].push_back(
                "{\"number\": " + std::to_string(item.UserData + 1) +
                ", \"name\": " + JsonText(item.FindData.cFileName) +
                ", \"size\": " + std::to_string(SizeOf(item)) + ", \"shot\": \"" +
                TimeText(LocalSeconds(item.FindData.ftLastWriteTime), SHOT_FORMAT) +
                "\", \"thumbnailSize\": " + std::to_string(thumbnailSizes[item.UserData]) + "}");
        });
        const auto pictures = [&](const std::string& folder, const char* indent) {
            std::string text = "[";
            const auto& items = byFolder[folder];
            for (std::size_t i = 0; i < items.size(); ++i)
                text += (i == 0 ? "\n" : ",\n") + std::string(indent) + items[i];
            return text + (items.empty() ? "]" : "\n" + std::string(indent, 0, std::string(indent).size() - 2) + "]");
        };
        streams_.out << "{\n  \"folders\": [";
        bool first = true;
        for (const std::string& folder : folderOrder) {
            if (folder.empty()) continue;
            streams_.out << (first ? "\n" : ",\n") << "    {\"name\": " << JsonText(folder)
                         << ", \"pictures\": " << pictures(folder, "      ") << "}";
            first = false;
        }
        streams_.out << (first ? "" : "\n  ") << "],\n  \"pictures\": " << pictures("", "    ")
                     << "\n}" << std::endl;
        return EXIT_DONE;
    }
    if (request.all) {
        for (const ChosenPicture& picture : EveryPicture(*emulator))
            streams_.out << PictureLine(picture, page) << '\n';
        streams_.out << std::flush;
        return EXIT_DONE;
    }
    if (request.folders.empty()) {
        printPanel(*emulator);
        return EXIT_DONE;
    }
    for (const std::string& given : request.folders) {
        const std::string folder = WithoutTrailingSlashes(given);
        if (!emulator->enterFolder(folder))
            return usage(Fill(Tr("no folder \"{}\" on the camera; `pixlor list` shows the folders"),
                              {TerminalText(folder, page)}));
        printPanel(*emulator);
        emulator->enterFolder("..");
    }
    return EXIT_DONE;
}

int Commands::resolvePictures(const std::vector<ChosenPicture>& every,
                              const std::vector<std::string>& items,
                              std::vector<ChosenPicture>& chosen) {
    std::vector<bool> taken(every.size(), items.empty());
    for (const std::string& given : items) {
        const std::string item = WithoutTrailingSlashes(given);
        bool matched = false;
        for (std::size_t i = 0; i < every.size(); ++i) {
            bool wellFormed = true;
            if (Selects(item, every[i], wellFormed)) taken[i] = matched = true;
            if (!wellFormed)
                return usage(Fill(Tr("\"{}\": a picture is selected by its number (#3), its "
                                     "shooting time (@2002-07-05T12:00:00, or @2002-07-05 for "
                                     "the day) or its name"),
                                  {TerminalText(item, user_.style().codePage)}));
        }
        if (!matched)
            return usage(Fill(Tr("nothing on the camera is called \"{}\"; `pixlor list --all` "
                                 "shows the numbers, times and names"),
                              {TerminalText(item, user_.style().codePage)}));
    }
    chosen.clear();
    for (std::size_t i = 0; i < every.size(); ++i)
        if (taken[i]) chosen.push_back(every[i]);
    return EXIT_DONE;
}

std::vector<PictureGroup> Commands::locate(HostEmulator& emulator,
                                           const std::vector<ChosenPicture>& chosen) {
    emulator.list();
    std::vector<PictureGroup> groups;
    for (const ChosenPicture& now : EveryPicture(emulator)) {
        if (std::none_of(chosen.begin(), chosen.end(),
                         [&](const ChosenPicture& wanted) { return wanted.sameAs(now); }))
            continue;
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const PictureGroup& g) { return g.folder == now.folder; });
        if (group == groups.end()) group = groups.insert(groups.end(), {now.folder, {}});
        group->entries.push_back(now);
    }
    return groups;
}

bool Commands::selectGroup(HostEmulator& emulator, const PictureGroup& group) {
    if (!group.folder.empty() && !emulator.enterFolder(group.folder)) return false;
    std::vector<ChosenPicture> here;
    for (const PluginPanelItem& item : emulator.pluginPanel().items())
        if (!IsFolder(item)) here.push_back(PictureOf(group.folder, item));
    InCameraOrder(here);
    std::vector<std::string> names;
    for (const ChosenPicture& now : here)
        if (std::any_of(group.entries.begin(), group.entries.end(),
                        [&](const ChosenPicture& wanted) { return wanted.sameAs(now); }))
            names.push_back(now.name);
    return !names.empty() && emulator.selectItems(names);
}

void Commands::watchProgress(Outcome& outcome, const std::string& destination,
                             CommandProgress* progress) {
    const char* fileLine = texts_->message(MSG_COPY_FILE_LINE);
    const char* deleteLine = texts_->message(MSG_DELETE_PROGRESS);
    const auto started = std::chrono::steady_clock::now();
    user_.noticeSeen = [&outcome, destination, fileLine, deleteLine, progress,
                        started](BoxRecord& box) {
        if (progress != nullptr) {
            const auto elapsed = std::chrono::steady_clock::now() - started;
            progress->rewrite(
                box, static_cast<std::uint64_t>(
                         std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
        }
        std::vector<long long> numbers;
        if (deleteLine != nullptr && !box.lines.empty() &&
            ScanByFormat(deleteLine, box.lines[0], numbers) && numbers.size() == 2) {
            outcome.groupDeletions = static_cast<int>(numbers[0]);
            return;
        }
        if (fileLine == nullptr || box.lines.size() < 4 ||
            !ScanByFormat(fileLine, box.lines[1], numbers) || numbers.size() != 4)
            return;
        const int ordinal = static_cast<int>(numbers[0]);
        const long long done = numbers[1];
        if (ordinal != outcome.fileOrdinal) {
            outcome.fileOrdinal = ordinal;
            outcome.fileBeingWritten.clear();
            SetFileBeingWritten("");
        }
        // The plug-in writes the file under a temporary name until it is whole.
        if (done > 0 && outcome.fileBeingWritten.empty() && !destination.empty()) {
            for (const fs::path& file : FilesBelow(destination, FileKind::BeingWritten))
                if (outcome.known.count(file) == 0) {
                    outcome.fileBeingWritten = file.string();
                    SetFileBeingWritten(outcome.fileBeingWritten);
                    break;
                }
        }
    };
}


int Commands::transfer(const TransferRequest& request) {
    std::error_code error;
    const fs::path destination = fs::absolute(request.destination, error).lexically_normal();
    std::string target = destination.string();
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    const bool exists = fs::exists(destination, error);
    if (exists && !fs::is_directory(destination, error))
        return usage(Fill(Tr("{}: not a folder"), {request.destination}));
    const bool parentExists = fs::is_directory(fs::path(target).parent_path(), error);
    if (!exists && !request.makeDestination && !parentExists)
        return usage(Fill(Tr("{}: no such folder, nor its parent (--mkdir makes them)"),
                          {request.destination}));
    if (target.size() > LONGEST_DESTINATION)
        return usage(Fill(Tr("{}: the plug-in takes folders of at most {} characters, this one "
                             "has {}"),
                          {request.destination, std::to_string(LONGEST_DESTINATION),
                           std::to_string(target.size())}));
    const CopyPatterns patterns = PatternsOf(request.choice, request.subfolders);
    if (const std::string problem = CopyPatternProblem(patterns, request); !problem.empty())
        return usage(problem);

    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    if (request.choice.thumbnailView) emulator->pressKey(VK_F7);
    std::vector<ChosenPicture> chosen;
    if (const int resolved = resolvePictures(EveryPicture(*emulator), request.items, chosen);
        resolved != EXIT_DONE)
        return resolved;

    // Every name is resolved: only now is anything changed.
    int alreadyThere = 0;
    int fresh = 0;
    if (request.onlyNew) {
        std::multiset<std::pair<std::uint64_t, std::int64_t>> onDisk;
        for (const fs::path& file : FilesBelow(destination)) {
            struct stat info{};
            if (::stat(file.c_str(), &info) == 0)
                onDisk.insert({static_cast<std::uint64_t>(info.st_size), info.st_mtime});
        }
        const auto onDiskAlready = [&](const ChosenPicture& picture) {
            const auto found = onDisk.find({picture.size, picture.time});
            if (found == onDisk.end()) return false;
            onDisk.erase(found);
            ++alreadyThere;
            return true;
        };
        chosen.erase(std::remove_if(chosen.begin(), chosen.end(), onDiskAlready), chosen.end());
        fresh = static_cast<int>(chosen.size());
    }
    if (!exists) {
        if (!fs::create_directories(destination, error))
            return usage(Fill(Tr("{}: the folder cannot be made: {}"), {target, error.message()}));
        user_.status(Printable(Fill(Tr("{} made"), {target})));
    }
    // Patterns for this copy only: the panel shows its pictures by them from now on.
    if (request.filename || request.folder) {
        if (std::string why; !oneCommand_.begin(why)) return usage(why);
        for (const char* name : patterns.names)
            if (request.filename) WriteStoredText(name, *request.filename);
        for (const char* folder : patterns.folders)
            if (request.folder) WriteStoredText(folder, *request.folder);
    }
    const std::vector<PictureGroup> groups = locate(*emulator, chosen);
    const int perPicture = request.choice.kinds == CopyKinds::One ? 1 : 2;
    const int selectedFiles = static_cast<int>(chosen.size()) * perPicture;
    if (!chosen.empty()) user_.status(Printable(WhatHappens(request, patterns, target)));

    CommandProgress progress(selectedFiles, BytesToCopy(*emulator, chosen, request.choice),
                             texts_->message(MSG_COPY_FILE_LINE),
                             texts_->message(MSG_COPY_BATCH_LINE));
    Outcome outcome;
    outcome.known = FilesBelow(destination, FileKind::BeingWritten);
    const auto before = FilesBelow(destination);
    watchProgress(outcome, target, &progress);
    const std::size_t firstBox = user_.answeredBoxes().size();
    bool failed = false;
    // The same pictures land the same way however they were named: a picture named inside its
    // date folder goes into that date folder below DEST, as when the folder is named whole.
    const SubfolderMode subfolders =
        request.subfolders == SubfolderMode::Never ? SubfolderMode::Never : SubfolderMode::Always;
    for (const PictureGroup& group : groups) {
        if (InterruptSignal() != 0 || !emulator->panelOpen()) break;
        if (!selectGroup(*emulator, group)) continue;
        emulator->setDiskDirectory(target);
        user_.dialogAnswer = [&](DialogRequest& dialog) {
            const int edit = FindItem(dialog, DI_EDIT);
            const int firstRadio = FindItem(dialog, DI_RADIOBUTTON);
            const int ok = FindItem(dialog, DI_BUTTON);
            if (dialog.helpTopic != "WhereToCopy" || edit < 0 || firstRadio < 0 || ok < 0)
                return DIALOG_CANCELLED;
            dialog.setText(edit, target);
            dialog.selectRadio(firstRadio + static_cast<int>(subfolders));
            if (const int verifyBox = FindItem(dialog, DI_CHECKBOX); verifyBox >= 0 && request.verify)
                dialog.items[verifyBox].Param.Selected = 1;
            return ok;
        };
        outcome.groupDeletions = 0;
        // Each key press numbers its files from 1 again.
        outcome.fileOrdinal = 0;
        progress.startBatch();
        const std::size_t groupBox = user_.answeredBoxes().size();
        const KeyStroke stroke = CopyKeyFor(request.choice);
        emulator->pressKey(stroke.key, stroke.controlState);
        user_.dialogAnswer = nullptr;
        user_.endProgress();
        bool deleteFailed = false;
        for (std::size_t i = groupBox; i < user_.answeredBoxes().size(); ++i) {
            CameraFailure failure;
            if (ReadCameraFailure(user_.answeredBoxes()[i], *texts_, failure)) {
                failed = true;
                deleteFailed = deleteFailed || failure.operation == OP_DELETE;
            }
        }
        outcome.deleted += std::max(0, outcome.groupDeletions - (deleteFailed ? 1 : 0));
        if (failed) break;
        if (emulator->panelOpen() && !group.folder.empty()) emulator->enterFolder("..");
    }
    user_.noticeSeen = nullptr;
    SetFileBeingWritten("");

    const auto after = FilesBelow(destination);
    std::vector<fs::path> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    const auto count = [&](long long n) {
        return perPicture == 1 ? CountOf(n, "picture", "pictures") : CountOf(n, "file", "files");
    };
    const long long copied = static_cast<long long>(added.size());
    std::string done = copied < selectedFiles
                           ? Fill(Tr("{} of {} copied"), {std::to_string(copied),
                                                          count(selectedFiles)})
                           : Fill(Tr("{} copied"), {count(copied)});
    if (request.choice.move)
        done += outcome.deleted == 0 ? Tr(", none deleted on the camera")
                                     : Fill(Tr(", {} deleted on the camera"),
                                            {std::to_string(outcome.deleted)});
    if (request.onlyNew)
        done += Fill(Tr(" ({} new, {} already there)"),
                     {std::to_string(fresh), std::to_string(alreadyThere)});

    FailureContext context{port_.described(), "", port_.baud, outcome.fileOrdinal,
                           selectedFiles, outcome.fileBeingWritten, target, {}, perPicture};
    for (const PictureGroup& group : groups) {
        const fs::path where = destination / group.folder;
        if (!group.folder.empty() && subfolders != SubfolderMode::Never &&
            fs::exists(where, error) && !fs::is_directory(where, error))
            context.blockedFolders.push_back(where.string());
    }
    if (InterruptSignal() != 0) return interrupted(done);
    if (explainFailures(firstBox, context) || failed) {
        streams_.out << done << std::endl;
        return EXIT_CAMERA_FAILED;
    }
    if (!user_.quiet) streams_.out << done << Fill(Tr(" into {}"), {target}) << std::endl;
    return user_.warned("Errors") ? EXIT_CAMERA_FAILED : EXIT_DONE;
}

int Commands::remove(const DeleteRequest& request) {
    if (request.items.empty() && !request.all)
        return usage(Tr("name the pictures or folders to delete, or give --all"));
    if (!request.yes && !streams_.inIsTerminal)
        return usage(Tr("deleting asks on a terminal; give --yes to delete without asking"));
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    if (request.thumbnails) emulator->pressKey(VK_F7);
    const OemCodePage page = user_.style().codePage;
    const std::vector<ChosenPicture> every = EveryPicture(*emulator);
    std::vector<ChosenPicture> chosen;
    if (const int resolved = resolvePictures(every, request.items, chosen); resolved != EXIT_DONE)
        return resolved;
    const auto total = static_cast<long long>(chosen.size());
    const std::vector<PictureGroup> groups = locate(*emulator, chosen);
    if (!request.yes) {
        std::string question;
        if (total <= LISTED_PICTURES) {
            for (const ChosenPicture& picture : chosen)
                question += "  " + PictureLine(picture, page) + "\n";
        } else {
            for (const PictureGroup& group : groups)
                question += "  " +
                            (group.folder.empty() ? std::string(".")
                                                  : TerminalText(group.folder, page) + "/") +
                            ": " +
                            CountOf(static_cast<long long>(group.entries.size()), "picture",
                                    "pictures") +
                            "\n";
        }
        question += Fill(Tr("Delete {} on the camera?"), {CountOf(total, "picture", "pictures")});
        if (!user_.ask(question)) {
            if (InterruptSignal() != 0) return interrupted(Tr("nothing deleted"));
            user_.status(Tr("Nothing deleted."));
            return EXIT_DONE;
        }
    }
    user_.assumeYes = true;
    Outcome outcome;
    watchProgress(outcome, "");
    const std::size_t firstBox = user_.answeredBoxes().size();
    bool asked = false;
    bool failed = false;
    for (const PictureGroup& group : groups) {
        if (InterruptSignal() != 0 || !emulator->panelOpen()) break;
        if (!selectGroup(*emulator, group)) continue;
        const std::size_t groupBox = user_.answeredBoxes().size();
        outcome.groupDeletions = 0;
        emulator->pressKey(VK_F8);
        user_.endProgress();
        bool deleteFailed = false;
        for (std::size_t i = groupBox; i < user_.answeredBoxes().size(); ++i) {
            const BoxRecord& box = user_.answeredBoxes()[i];
            CameraFailure failure;
            if (box.buttons.size() > 1) asked = true;
            if (ReadCameraFailure(box, *texts_, failure)) failed = deleteFailed = true;
        }
        outcome.deleted += std::max(0, outcome.groupDeletions - (deleteFailed ? 1 : 0));
        if (failed) break;
        if (emulator->panelOpen() && !group.folder.empty()) emulator->enterFolder("..");
    }
    user_.noticeSeen = nullptr;
    user_.assumeYes = false;
    // Each picture gone from the camera, by number, time and size as the command found it: the
    // chosen ones whose size and time the camera now holds fewer times than before.
    if (!failed || emulator->panelOpen()) {
        std::map<std::pair<std::uint64_t, std::int64_t>, long long> gone;
        for (const ChosenPicture& picture : every) ++gone[{picture.size, picture.time}];
        if (emulator->panelOpen())
            for (const ChosenPicture& picture : EveryPicture(*emulator))
                --gone[{picture.size, picture.time}];
        for (const ChosenPicture& picture : chosen)
            if (gone[{picture.size, picture.time}]-- > 0)
                streams_.out << Fill(Tr("deleted {}"), {PictureLine(picture, page)}) << '\n';
    }
    const std::string done =
        outcome.deleted < total
            ? Fill(Tr("{} of {} deleted"), {std::to_string(outcome.deleted), CountOf(total, "picture", "pictures")})
            : Fill(Tr("{} deleted"), {CountOf(outcome.deleted, "picture", "pictures")});
    if (InterruptSignal() != 0) return interrupted(done);
    if (!asked && !failed) return usage(Tr("the plug-in asked nothing: nothing deleted"));
    const bool explained =
        explainFailures(firstBox, {port_.described(), "", port_.baud, 0, 0, "", "", {}, 1});
    if (!user_.quiet || explained || failed) streams_.out << done << std::endl;
    return explained || failed ? EXIT_CAMERA_FAILED : EXIT_DONE;
}

int Commands::info() {
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr && !cameraEmpty_) return status;
    user_.endProgress();
    long long pictures = 0;
    std::uint64_t bytes = 0;
    std::int64_t first = 0, last = 0;
    std::set<std::string> folders;
    if (emulator != nullptr)
        for (const ChosenPicture& picture : EveryPicture(*emulator)) {
            first = pictures == 0 ? picture.shot : std::min(first, picture.shot);
            last = pictures == 0 ? picture.shot : std::max(last, picture.shot);
            ++pictures;
            bytes += picture.size;
            if (!picture.folder.empty()) folders.insert(picture.folder);
        }
    const char* format = "%04lld-%02u-%02u %02u:%02u:%02u";
    const auto seconds = static_cast<long long>(static_cast<double>(bytes) * LINE_BITS_PER_BYTE /
                                                std::max<std::uint32_t>(port_.baud, 1) + 0.5);
    char duration[32];
    std::snprintf(duration, sizeof duration, "%lld:%02lld:%02lld", seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
    streams_.out << Tr("Port:") << ' ' << port_.described() << ", " << port_.baud << " Bd\n"
                 << Tr("Pictures:") << ' ' << CountOf(pictures, "picture", "pictures") << ", "
                 << CountOf(static_cast<long long>(folders.size()), "folder", "folders") << ", "
                 << CountOf(static_cast<long long>(bytes), "byte", "bytes") << '\n';
    if (pictures > 0)
        streams_.out << Tr("Shot:") << ' ' << TimeText(first, format) << " .. "
                     << TimeText(last, format) << '\n';
    streams_.out << Tr("A full copy takes at least:") << ' ' << duration << ' '
                 << Fill(Tr("(the photos' bytes at {} Bd)"), {std::to_string(port_.baud)})
                 << std::endl;
    return EXIT_DONE;
}

int Commands::configure(const ConfigRequest& request) {
    int status = EXIT_DONE;
    auto emulator = startHost(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    const LanguageFile& texts = emulator->languageFile();
    const OemCodePage page = user_.style().codePage;
    const PortInUse stored = StoredPort();

    if (!request.changesSomething()) {
        user_.dialogAnswer = [this, page, &stored](DialogRequest& dialog) {
            std::string label;
            int digitFields = 0;
            for (int i = 0; i < dialog.count; ++i) {
                const FarDialogItem& item = dialog.items[i];
                const std::string text = TerminalText(item.Data, page);
                if (item.Type == DI_DOUBLEBOX) {
                    streams_.out << text << '\n';
                } else if (item.Type == DI_TEXT && (item.Flags & DIF_SEPARATOR) == 0) {
                    label = text;
                    if (!label.empty() && label.back() == ':') label.pop_back();
                } else if (item.Type == DI_RADIOBUTTON && item.Param.Selected != 0) {
                    // The panel opens the stored port, whether the dialog offers it or not.
                    const bool port = ComPortNumber(Trimmed(text)) != 0;
                    streams_.out << "  " << label << ": "
                                 << (port ? stored.described() : Trimmed(text))
                                 << '\n';
                } else if (item.Type == DI_EDIT) {
                    const std::string problem = PatternProblem(item.Data);
                    streams_.out << "  " << label << ": \"" << text << "\""
                                 << (problem.empty()
                                         ? ""
                                         : Fill(Tr(" (a copy refuses it: {})"), {problem}))
                                 << '\n';
                } else if (item.Type == DI_FIXEDIT) {
                    // The count the names are made with: a stored count outside 1..9 is
                    // brought to its nearest end.
                    DWORD digits = DEFAULT_DIGITS;
                    ReadStoredNumber(
                        digitFields++ == 0 ? SETTING_PHOTO_SUFFIX : SETTING_THUMB_SUFFIX, digits);
                    streams_.out << "  " << label << ": \"" << ClampDigitCount(digits) << "\""
                                 << (ClampDigitCount(digits) == digits
                                         ? ""
                                         : Fill(Tr(" ({} stored)"), {std::to_string(digits)}))
                                 << '\n';
                } else if (item.Type == DI_CHECKBOX) {
                    streams_.out << "  " << text << ": "
                                 << (item.Param.Selected != 0 ? Tr("yes") : Tr("no")) << '\n';
                }
            }
            streams_.out << std::flush;
            return DIALOG_CANCELLED;
        };
        emulator->configure();
        user_.dialogAnswer = nullptr;
        return EXIT_DONE;
    }

    DWORD storedIndex = 0;
    const bool portStored = ReadStoredNumber(SETTING_SERIAL_PORT, storedIndex);
    enum class Step { Defaults, Enter, Refused } step =
        request.defaults ? Step::Defaults : Step::Enter;
    user_.dialogAnswer = [&](DialogRequest& dialog) {
        if (step == Step::Refused) return DIALOG_CANCELLED;  // the plug-in said why
        if (step == Step::Defaults) {
            step = Step::Enter;
            return FindItem(dialog, DI_BUTTON, texts.message(MSG_BUTTON_DEFAULTS));
        }
        step = Step::Refused;
        // A port the dialog does not offer (its device is missing now, or a later one is)
        // is stored after the dialog's save.
        if (request.port) {
            const int item = FindItem(dialog, DI_RADIOBUTTON,
                                      ("COM" + std::to_string(*request.port)).c_str());
            if (item >= 0 && (dialog.items[item].Flags & DIF_DISABLE) == 0)
                dialog.selectRadio(item);
        }
        if (request.speed) {
            for (int i = 0; i < dialog.count; ++i)
                if (dialog.items[i].Type == DI_RADIOBUTTON &&
                    Trimmed(dialog.items[i].Data) == SpeedLabel(*request.speed))
                    dialog.selectRadio(i);
        }
        // Each text field follows its label.
        const auto enter = [&](int labelMessage, const std::optional<std::string>& value) {
            if (!value) return;
            const int label = FindItem(dialog, DI_TEXT, texts.message(labelMessage));
            if (label >= 0 && label + 1 < dialog.count) dialog.setText(label + 1, *value);
        };
        enter(MSG_CONFIG_PHOTO_NAME, request.photoName);
        enter(MSG_CONFIG_THUMB_NAME, request.thumbName);
        enter(MSG_CONFIG_PHOTO_FOLDER, request.photoFolder);
        enter(MSG_CONFIG_THUMB_FOLDER, request.thumbFolder);
        if (request.photoDigits) enter(MSG_CONFIG_PHOTO_DIGITS, std::to_string(*request.photoDigits));
        if (request.thumbDigits) enter(MSG_CONFIG_THUMB_DIGITS, std::to_string(*request.thumbDigits));
        if (const int box = FindItem(dialog, DI_CHECKBOX); box >= 0 && request.verifyMoves)
            dialog.items[box].Param.Selected = *request.verifyMoves ? 1 : 0;
        return FindItem(dialog, DI_BUTTON, texts.message(MSG_BUTTON_OK));
    };
    const std::size_t firstBox = user_.answeredBoxes().size();
    const int saved = emulator->configure();
    user_.dialogAnswer = nullptr;
    const auto& boxes = user_.answeredBoxes();
    const bool saveFailed = std::any_of(boxes.begin() + static_cast<std::ptrdiff_t>(firstBox),
                                        boxes.end(), [](const BoxRecord& box) {
                                            return box.helpTopic == "Configure";
                                        });
    if (saved == 0 && !saveFailed) return usage(Tr("the settings were refused: nothing saved"));
    std::error_code error;
    // The dialog saves the port its buttons show, which is not the one meant when the system
    // lists fewer ports: the port named, else the one stored before. Only then is there a
    // second save.
    const DWORD port = request.port ? static_cast<DWORD>(*request.port - 1)
                                    : portStored ? storedIndex : DEFAULT_SERIAL_PORT;
    bool portKept = true;
    if (DWORD now = 0; saved != 0 && (!ReadStoredNumber(SETTING_SERIAL_PORT, now) || now != port))
        portKept = WriteStoredNumber(SETTING_SERIAL_PORT, port);
    if (saved == 0 || !portKept) {
        user_.endProgress();
        streams_.err << "pixlor: " << Tr("Settings not saved: ") << SettingsFileProblem()
                     << std::endl;
        return EXIT_CAMERA_FAILED;
    }
    if (!user_.quiet) streams_.out << Tr("Settings saved.") << std::endl;
    if (const PortInUse chosen = StoredPort(); request.port && !fs::exists(chosen.device, error))
        user_.status(Fill(Tr("{}: {} does not exist yet; PIXLOR_COM{}=DEVICE names its device"),
                          {chosen.name(), chosen.device, std::to_string(chosen.number)}));
    return EXIT_DONE;
}

std::string LanguageOfLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') continue;
        return std::string(value).rfind("ru", 0) == 0 ? "Russian" : "English";
    }
    return "English";
}

}  // namespace pixlor::host::cli

