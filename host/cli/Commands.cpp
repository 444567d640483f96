#include "host/cli/Commands.h"

#include "host/cli/Interrupts.h"
#include "host/cli/Texts.h"
#include "config/SettingsStore.h"
#include "device/CameraDevice.h"
#include "device/PictureFile.h"
#include "platform/Calendar.h"
#include "platform/LocalTime.h"
#include "shell/MessageNumbers.h"

#include <algorithm>
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

// One picture or date folder as it was when the command began: pictures are found again by
// size and time, since their names follow the running numbers of the disk panel's folder, and
// among pictures of the same size and time by their order on the camera (`twin`).
struct ChosenItem {
    std::string name;
    bool folder = false;
    std::uint64_t size = 0;
    std::int64_t time = 0;
    int twin = 0;
};

struct PictureGroup {
    std::string folder;  // "" the root
    std::vector<ChosenItem> entries;
    bool fromRoot = false;  // the pictures of root folders, expanded
    std::string shown(const ChosenItem& entry) const {
        return (folder.empty() ? "" : folder + "/") + entry.name + (entry.folder ? "/" : "");
    }
};

namespace {

// Every picture of a panel folder as a ChosenItem, by its position on the camera: pictures
// of one size and time are told apart by their order there, which deletions keep.
std::map<std::uintptr_t, ChosenItem> PicturesOf(const std::vector<PluginPanelItem>& items) {
    std::map<std::uintptr_t, ChosenItem> pictures;
    for (const PluginPanelItem& item : items)
        if (!IsFolder(item))
            pictures[item.UserData] = {item.FindData.cFileName, false, SizeOf(item),
                                       UnixSeconds(item.FindData.ftLastWriteTime)};
    std::map<std::pair<std::uint64_t, std::int64_t>, int> seen;
    for (auto& [position, picture] : pictures) picture.twin = seen[{picture.size, picture.time}]++;
    return pictures;
}

ChosenItem EntryOf(const PluginPanelItem& item,
                   const std::map<std::uintptr_t, ChosenItem>& pictures) {
    if (IsFolder(item)) return {item.FindData.cFileName, true, SizeOf(item), 0};
    return pictures.at(item.UserData);
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

Commands::~Commands() = default;

int Commands::usage(const std::string& why) {
    user_.endProgress();
    streams_.err << "pixlor: " << why << std::endl;
    return EXIT_BAD_USAGE;
}

int Commands::interrupted(const std::string& done) {
    user_.endProgress();
    const int signal = InterruptSignal();
    streams_.err << "pixlor: " << Tr("interrupted") << (done.empty() ? "" : ": " + done)
                 << std::endl;
    return InterruptExitStatus(signal);
}

bool Commands::explainFailures(std::size_t firstBox, const FailureContext& context) {
    bool any = false;
    const auto& boxes = user_.answeredBoxes();
    for (std::size_t i = firstBox; i < boxes.size(); ++i) {
        CameraFailure failure;
        if (texts_ == nullptr || !ReadCameraFailure(boxes[i], *texts_, failure)) continue;
        any = true;
        if (InterruptSignal() != 0) continue;  // the interruption, not the camera, says why
        streams_.err << "pixlor: " << DescribeFailure(failure, context) << std::endl;
    }
    if (any && !helpNamed_ && InterruptSignal() == 0) {
        helpNamed_ = true;
        const std::string help = (fs::path(setup_.moduleName).parent_path() /
                                  (setup_.language == "Russian" ? "PixlorRus.hlf" : "PixlorEng.hlf"))
                                     .string();
        streams_.err << "pixlor: "
                     << Fill(Tr("the numbers are explained in the help topic \"Errors\" of {}"), {help})
                     << std::endl;
    }
    return any;
}

std::unique_ptr<HostEmulator> Commands::startHost(const std::string& diskDirectory, int& status) {
    EmulatorSettings settings;
    settings.moduleName = setup_.moduleName;
    settings.language = setup_.language;
    settings.diskDirectory = diskDirectory;
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
    port_ = StoredPort();
    if (setup_.checkDevices) {
        if (const std::string problem = SerialDeviceProblem(port_.device); !problem.empty()) {
            streams_.err << "pixlor: " << port_.name() << ": " << problem << std::endl
                         << "pixlor: "
                         << Fill(Tr("`pixlor config --port COM<n>` chooses another port, "
                                    "PIXLOR_COM{}=DEVICE names the device of this one, "
                                    "--port DEVICE uses one for a single command"),
                                 {std::to_string(port_.number)})
                         << std::endl;
            status = EXIT_CAMERA_FAILED;
            return nullptr;
        }
    }
    auto emulator = startHost(diskDirectory, status);
    if (emulator == nullptr) return nullptr;
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
        explainFailures(firstBox, {port_.name(), port_.device, port_.baud, 0, 0, "", "", {}});
        status = EXIT_CAMERA_FAILED;
    } else if (!emulator->violations().empty()) {
        streams_.err << "pixlor: " << Tr("the plug-in broke the host's rules: ")
                     << emulator->violations().front() << std::endl;
        status = EXIT_CAMERA_FAILED;
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

    std::size_t nameWidth = 4;
    for (const PluginPanelItem& item : panel.items())
        nameWidth = std::max(nameWidth, std::string(item.FindData.cFileName).size() + 1);
    const std::string nameLabel = Tr("Name");
    char line[600];
    std::snprintf(line, sizeof line, "%s%*s %10s  %-10s  %s", nameLabel.c_str(),
                  static_cast<int>(nameWidth) - DisplayWidth(nameLabel), "", Tr("Size"),
                  Tr("Date"), Tr("Time"));
    streams_.out << line << '\n';
    std::uint64_t total = 0;
    int pictures = 0;
    int folders = 0;
    for (const PluginPanelItem& item : panel.items()) {
        const std::string name = item.FindData.cFileName;
        if (name == "..") continue;
        total += SizeOf(item);
        (IsFolder(item) ? folders : pictures) += 1;
        const std::string shown = IsFolder(item) ? name + "/" : name;
        std::snprintf(line, sizeof line, "%-*s %10llu  %s", static_cast<int>(nameWidth),
                      shown.c_str(), static_cast<unsigned long long>(SizeOf(item)),
                      FileTimeText(item.FindData.ftLastWriteTime).c_str());
        streams_.out << line << '\n';
    }
    if (folders > 0) streams_.out << CountOf(folders, "folder", "folders") << ", ";
    if (pictures > 0) streams_.out << CountOf(pictures, "picture", "pictures") << ", ";
    streams_.out << CountOf(static_cast<long long>(total), "byte", "bytes") << std::endl;
}

int Commands::list(const ListRequest& request) {
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    if (request.thumbnails) emulator->pressKey(VK_F7);
    user_.endProgress();
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
                TimeText(LocalSeconds(item.FindData.ftLastWriteTime),
                         "%04lld-%02u-%02uT%02u:%02u:%02u") +
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
        ForEachPicture(*emulator, [&](const std::string& folder, const PluginPanelItem& item) {
            char line[600];
            const std::string name = (folder.empty() ? "" : folder + "/") + item.FindData.cFileName;
            std::snprintf(line, sizeof line, "%s %llu  %s", name.c_str(),
                          static_cast<unsigned long long>(SizeOf(item)),
                          FileTimeText(item.FindData.ftLastWriteTime).c_str());
            streams_.out << line << '\n';
        });
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
                              {folder}));
        printPanel(*emulator);
        emulator->enterFolder("..");
    }
    return EXIT_DONE;
}

int Commands::resolveItems(HostEmulator& emulator, const std::vector<std::string>& items,
                           std::vector<PictureGroup>& groups) {
    groups.clear();
    PictureGroup root;
    std::map<std::string, PictureGroup> inside;
    std::vector<std::string> insideOrder;
    const std::vector<PluginPanelItem> rootItems = emulator.pluginPanel().items();
    const auto rootPictures = PicturesOf(rootItems);
    const auto addRoot = [&](const PluginPanelItem& item) {
        for (const ChosenItem& entry : root.entries)
            if (entry.name == item.FindData.cFileName) return;
        root.entries.push_back(EntryOf(item, rootPictures));
    };
    for (const PluginPanelItem& item : rootItems)
        if (items.empty() && std::string(item.FindData.cFileName) != "..") addRoot(item);
    for (const std::string& given : items) {
        const std::string item = WithoutTrailingSlashes(given);
        const std::size_t slash = item.find('/');
        const std::string folderPattern = item.substr(0, slash);
        const std::string namePattern = slash == std::string::npos ? "" : item.substr(slash + 1);
        bool matched = false;
        for (const PluginPanelItem& candidate : rootItems) {
            const std::string name = candidate.FindData.cFileName;
            if (name == ".." || !Matches(folderPattern, name)) continue;
            if (namePattern.empty() || namePattern == "*") {
                addRoot(candidate);
                matched = true;
                continue;
            }
            if (!IsFolder(candidate) || !emulator.enterFolder(name)) continue;
            PictureGroup& group = inside[name];
            if (group.folder.empty()) insideOrder.push_back(name);
            group.folder = name;
            const std::vector<PluginPanelItem> folderItems = emulator.pluginPanel().items();
            const auto folderPictures = PicturesOf(folderItems);
            for (const PluginPanelItem& picture : folderItems) {
                const std::string pictureName = picture.FindData.cFileName;
                if (pictureName == ".." || !Matches(namePattern, pictureName)) continue;
                matched = true;
                const bool known = std::any_of(group.entries.begin(), group.entries.end(),
                                               [&](const ChosenItem& e) { return e.name == pictureName; });
                if (!known) group.entries.push_back(EntryOf(picture, folderPictures));
            }
            emulator.enterFolder("..");
        }
        if (!matched)
            return usage(Fill(Tr("nothing on the camera is called \"{}\"; `pixlor list` shows the "
                                 "names"),
                              {item}));
    }
    if (!root.entries.empty()) groups.push_back(root);
    for (const std::string& name : insideOrder) {
        // A folder named whole takes its pictures with it.
        const bool whole = std::any_of(root.entries.begin(), root.entries.end(),
                                       [&](const ChosenItem& e) { return e.folder && e.name == name; });
        if (!whole && !inside[name].entries.empty()) groups.push_back(inside[name]);
    }
    return EXIT_DONE;
}

int Commands::expandToPictures(HostEmulator& emulator, std::vector<PictureGroup>& groups) {
    std::vector<PictureGroup> expanded;
    PictureGroup rootPictures;
    for (const PictureGroup& group : groups) {
        if (!group.folder.empty()) {
            expanded.push_back(group);
            continue;
        }
        for (const ChosenItem& entry : group.entries) {
            if (!entry.folder) {
                rootPictures.entries.push_back(entry);
                continue;
            }
            if (!emulator.enterFolder(entry.name))
                return usage(Fill(Tr("the folder \"{}\" cannot be opened"), {entry.name}));
            PictureGroup pictures;
            pictures.folder = entry.name;
            pictures.fromRoot = true;
            const std::vector<PluginPanelItem> folderItems = emulator.pluginPanel().items();
            const auto folderPictures = PicturesOf(folderItems);
            for (const PluginPanelItem& item : folderItems)
                if (std::string(item.FindData.cFileName) != "..")
                    pictures.entries.push_back(EntryOf(item, folderPictures));
            emulator.enterFolder("..");
            expanded.push_back(pictures);
        }
    }
    if (!rootPictures.entries.empty()) expanded.insert(expanded.begin(), rootPictures);
    groups = std::move(expanded);
    return EXIT_DONE;
}

bool Commands::selectGroup(HostEmulator& emulator, const PictureGroup& group) {
    if (!group.folder.empty() && !emulator.enterFolder(group.folder)) return false;
    std::vector<std::string> names;
    std::vector<bool> taken(group.entries.size(), false);
    const std::vector<PluginPanelItem> items = emulator.pluginPanel().items();
    const auto pictures = PicturesOf(items);
    for (const PluginPanelItem& item : items) {
        const ChosenItem now = EntryOf(item, pictures);
        if (now.name == "..") continue;
        for (std::size_t i = 0; i < group.entries.size(); ++i) {
            const ChosenItem& wanted = group.entries[i];
            const bool same = wanted.folder ? now.folder && now.name == wanted.name
                                            : !now.folder && now.size == wanted.size &&
                                                  now.time == wanted.time &&
                                                  now.twin == wanted.twin;
            if (!taken[i] && same) {
                taken[i] = true;
                names.push_back(now.name);
                break;
            }
        }
    }
    return !names.empty() && emulator.selectItems(names);
}

void Commands::watchProgress(Outcome& outcome, const std::string& destination) {
    const char* fileLine = texts_->message(MSG_COPY_FILE_LINE);
    const char* deleteLine = texts_->message(MSG_DELETE_PROGRESS);
    user_.noticeSeen = [&outcome, destination, fileLine, deleteLine](const BoxRecord& box) {
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

    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    if (request.choice.thumbnailView) emulator->pressKey(VK_F7);
    std::vector<PictureGroup> groups;
    if (const int resolved = resolveItems(*emulator, request.items, groups); resolved != EXIT_DONE)
        return resolved;

    // Every name is resolved: only now is anything changed.
    int alreadyThere = 0;
    int fresh = 0;
    if (request.onlyNew) {
        if (const int expanded = expandToPictures(*emulator, groups); expanded != EXIT_DONE)
            return expanded;
        std::multiset<std::pair<std::uint64_t, std::int64_t>> onDisk;
        for (const fs::path& file : FilesBelow(destination)) {
            struct stat info{};
            if (::stat(file.c_str(), &info) == 0)
                onDisk.insert({static_cast<std::uint64_t>(info.st_size), info.st_mtime});
        }
        for (PictureGroup& group : groups) {
            auto& entries = group.entries;
            entries.erase(std::remove_if(entries.begin(), entries.end(),
                                         [&](const ChosenItem& entry) {
                                             const auto found = onDisk.find({entry.size, entry.time});
                                             if (found == onDisk.end()) return false;
                                             onDisk.erase(found);
                                             ++alreadyThere;
                                             return true;
                                         }),
                          entries.end());
            fresh += static_cast<int>(entries.size());
        }
        groups.erase(std::remove_if(groups.begin(), groups.end(),
                                    [](const PictureGroup& g) { return g.entries.empty(); }),
                     groups.end());
    }
    if (!exists) {
        if (!fs::create_directories(destination, error))
            return usage(Fill(Tr("{}: the folder cannot be made: {}"), {target, error.message()}));
        user_.status(Fill(Tr("{} made"), {target}));
    }

    std::vector<PictureGroup> counted = groups;
    if (const int expanded = expandToPictures(*emulator, counted); expanded != EXIT_DONE)
        return expanded;
    int selectedFiles = 0;
    for (const PictureGroup& group : counted)
        selectedFiles += static_cast<int>(group.entries.size()) *
                         (request.choice.kinds == CopyKinds::One ? 1 : 2);

    Outcome outcome;
    outcome.known = FilesBelow(destination, FileKind::BeingWritten);
    const auto before = FilesBelow(destination);
    watchProgress(outcome, target);
    const std::size_t firstBox = user_.answeredBoxes().size();
    bool failed = false;
    bool echoed = false;
    for (const PictureGroup& group : groups) {
        if (InterruptSignal() != 0 || !emulator->panelOpen()) break;
        if (!selectGroup(*emulator, group)) continue;
        emulator->setDiskDirectory(target);
        const SubfolderMode subfolders = group.fromRoot && request.subfolders == SubfolderMode::Auto
                                             ? SubfolderMode::Always
                                             : request.subfolders;
        user_.dialogAnswer = [&](DialogRequest& dialog) {
            const int edit = FindItem(dialog, DI_EDIT);
            const int firstRadio = FindItem(dialog, DI_RADIOBUTTON);
            const int ok = FindItem(dialog, DI_BUTTON);
            if (dialog.helpTopic != "WhereToCopy" || edit < 0 || firstRadio < 0 || ok < 0)
                return DIALOG_CANCELLED;
            if (edit > 0 && !echoed)
                user_.status(TerminalText(dialog.items[edit - 1].Data, user_.style().codePage) +
                             ' ' + target);
            echoed = true;
            dialog.setText(edit, target);
            dialog.selectRadio(firstRadio + static_cast<int>(subfolders));
            if (const int verifyBox = FindItem(dialog, DI_CHECKBOX); verifyBox >= 0 && request.verify)
                dialog.items[verifyBox].Param.Selected = 1;
            return ok;
        };
        outcome.groupDeletions = 0;
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
    const bool pictures = request.choice.kinds == CopyKinds::One;
    const auto count = [&](long long n) {
        return pictures ? CountOf(n, "picture", "pictures") : CountOf(n, "file", "files");
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

    FailureContext context{port_.name(), port_.device, port_.baud, outcome.fileOrdinal,
                           selectedFiles, outcome.fileBeingWritten, target, {}};
    for (const PictureGroup& group : groups)
        for (const ChosenItem& entry : group.entries) {
            const fs::path where = destination / (group.folder.empty() ? entry.name : group.folder);
            if ((entry.folder || !group.folder.empty()) && fs::exists(where, error) &&
                !fs::is_directory(where, error))
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
    std::vector<PictureGroup> groups;
    if (const int resolved = resolveItems(*emulator, request.items, groups); resolved != EXIT_DONE)
        return resolved;
    std::vector<PictureGroup> pictures = groups;
    if (const int expanded = expandToPictures(*emulator, pictures); expanded != EXIT_DONE)
        return expanded;
    long long total = 0;
    for (const PictureGroup& group : pictures) total += static_cast<long long>(group.entries.size());
    if (!request.yes) {
        std::string question;
        if (total <= LISTED_PICTURES) {
            for (const PictureGroup& group : pictures)
                for (const ChosenItem& entry : group.entries) question += "  " + group.shown(entry) + "\n";
        } else {
            for (const PictureGroup& group : pictures)
                question += "  " + (group.folder.empty() ? std::string(".") : group.folder + "/") + ": " +
                            CountOf(static_cast<long long>(group.entries.size()), "picture", "pictures") + "\n";
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
    const std::string done =
        outcome.deleted < total
            ? Fill(Tr("{} of {} deleted"), {std::to_string(outcome.deleted), CountOf(total, "picture", "pictures")})
            : Fill(Tr("{} deleted"), {CountOf(outcome.deleted, "picture", "pictures")});
    if (InterruptSignal() != 0) return interrupted(done);
    if (!asked && !failed) return usage(Tr("the plug-in asked nothing: nothing deleted"));
    const bool explained =
        explainFailures(firstBox, {port_.name(), port_.device, port_.baud, 0, 0, "", "", {}});
    if (!user_.quiet || explained || failed) streams_.out << done << std::endl;
    return explained || failed ? EXIT_CAMERA_FAILED : EXIT_DONE;
}

int Commands::info() {
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    user_.endProgress();
    long long pictures = 0;
    std::uint64_t bytes = 0;
    std::int64_t first = 0, last = 0;
    std::set<std::string> folders;
    ForEachPicture(*emulator, [&](const std::string& folder, const PluginPanelItem& item) {
        const std::int64_t shot = LocalSeconds(item.FindData.ftLastWriteTime);
        first = pictures == 0 ? shot : std::min(first, shot);
        last = pictures == 0 ? shot : std::max(last, shot);
        ++pictures;
        bytes += SizeOf(item);
        if (!folder.empty()) folders.insert(folder);
    });
    const char* format = "%04lld-%02u-%02u %02u:%02u:%02u";
    const auto seconds = static_cast<long long>(static_cast<double>(bytes) * LINE_BITS_PER_BYTE /
                                                std::max<std::uint32_t>(port_.baud, 1) + 0.5);
    char duration[32];
    std::snprintf(duration, sizeof duration, "%lld:%02lld:%02lld", seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
    streams_.out << Tr("Port:") << ' ' << port_.name() << " (" << port_.device << "), "
                 << port_.baud << " Bd\n"
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
                                 << (port ? stored.name() + " (" + stored.device + ")" : Trimmed(text))
                                 << '\n';
                } else if (item.Type == DI_EDIT || item.Type == DI_FIXEDIT) {
                    streams_.out << "  " << label << ": \"" << text << "\"\n";
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
    std::string refusal;
    user_.dialogAnswer = [&](DialogRequest& dialog) {
        if (step == Step::Refused) return DIALOG_CANCELLED;  // the plug-in said why
        if (step == Step::Defaults) {
            step = Step::Enter;
            return FindItem(dialog, DI_BUTTON, texts.message(MSG_BUTTON_DEFAULTS));
        }
        step = Step::Refused;
        if (request.port) {
            const int item = FindItem(dialog, DI_RADIOBUTTON,
                                      ("COM" + std::to_string(*request.port)).c_str());
            if (item < 0 || (dialog.items[item].Flags & DIF_DISABLE) != 0) {
                refusal = Fill(Tr("COM{} is not offered: the system lists fewer serial ports "
                                  "(PIXLOR_COM{} names its device)"),
                               {std::to_string(*request.port), std::to_string(*request.port)});
                return DIALOG_CANCELLED;
            }
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
    if (!refusal.empty()) return usage(refusal);
    const auto& boxes = user_.answeredBoxes();
    const bool saveFailed = std::any_of(boxes.begin() + static_cast<std::ptrdiff_t>(firstBox),
                                        boxes.end(), [](const BoxRecord& box) {
                                            return box.helpTopic == "Configure";
                                        });
    if (saved == 0 && !saveFailed) return usage(Tr("the settings were refused: nothing saved"));
    // The dialog saves the port its buttons show, which is not the stored one when the system
    // lists fewer ports: a port the user did not name stays as it was. Only then is there a
    // second save.
    bool portKept = true;
    if (saved != 0 && !request.port) {
        DWORD now = 0;
        if (!ReadStoredNumber(SETTING_SERIAL_PORT, now) || now != (portStored ? storedIndex : DEFAULT_SERIAL_PORT))
            portKept = WriteStoredNumber(SETTING_SERIAL_PORT,
                                         portStored ? storedIndex : DEFAULT_SERIAL_PORT);
    }
    if (saved == 0 || !portKept) {
        user_.endProgress();
        streams_.err << "pixlor: " << Tr("Settings not saved: ") << SettingsFileProblem()
                     << std::endl;
        return EXIT_CAMERA_FAILED;
    }
    if (!user_.quiet) streams_.out << Tr("Settings saved.") << std::endl;
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
