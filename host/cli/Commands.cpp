#include "host/cli/Commands.h"

#include "platform/Calendar.h"
#include "platform/LocalTime.h"
#include "shell/MessageNumbers.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

constexpr int DIALOG_CANCELLED = -1;
constexpr std::size_t LONGEST_DESTINATION = 250;  // the host's panel paths hold 259 characters

// Shown as the file manager shows it: the computer's local time.
std::string FileTimeText(FILETIME utc) {
    constexpr std::int64_t TICKS_1601_TO_1970 = 116444736000000000;
    FILETIME time = utc;
    fileTimeToLocalFileTime(utc, time);
    const std::int64_t ticks =
        static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    const CivilTime civil = civilFromSeconds((ticks - TICKS_1601_TO_1970) / 10000000);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u  %02u:%02u:%02u",
                  static_cast<long long>(civil.year), civil.month, civil.day, civil.hour,
                  civil.minute, civil.second);
    return text;
}

bool IsFolder(const PluginPanelItem& item) {
    return (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::set<fs::path> FilesBelow(const fs::path& folder) {
    std::set<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error))
        if (it->is_regular_file(error)) files.insert(it->path());
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

}  // namespace

bool ConfigRequest::changesSomething() const {
    return port || speed || photoName || thumbName || photoFolder || thumbFolder || photoDigits ||
           thumbDigits || defaults;
}

Commands::Commands(ProgramSetup setup, TerminalUser& user, TerminalStreams streams)
    : setup_(std::move(setup)), user_(user), streams_(streams) {}

int Commands::usage(const std::string& why) {
    user_.endProgress();
    streams_.err << "pixlor: " << why << '\n';
    return EXIT_BAD_USAGE;
}

int Commands::cameraStatus() {
    return user_.warned("Errors") ? EXIT_CAMERA_FAILED : EXIT_DONE;
}

std::unique_ptr<HostEmulator> Commands::startHost(const std::string& diskDirectory, int& status) {
    EmulatorSettings settings;
    settings.moduleName = setup_.moduleName;
    settings.language = setup_.language;
    settings.diskDirectory = diskDirectory;
    auto emulator = std::make_unique<HostEmulator>(setup_.plugin, user_, settings);
    if (!emulator->start()) {
        streams_.err << "pixlor: the plug-in cannot start: " << emulator->errorText << '\n';
        status = EXIT_CAMERA_FAILED;
        return nullptr;
    }
    status = EXIT_DONE;
    return emulator;
}

std::unique_ptr<HostEmulator> Commands::openCamera(const std::string& diskDirectory, int& status) {
    auto emulator = startHost(diskDirectory, status);
    if (emulator == nullptr) return nullptr;
    if (emulator->openPanel()) return emulator;
    user_.endProgress();
    if (user_.warned("NoSerialPort")) {
        streams_.err << "pixlor: no serial port: name the device of COM<n> in PIXLOR_COM<n>, "
                        "for example PIXLOR_COM1=/dev/ttyUSB0\n";
        status = EXIT_CAMERA_FAILED;
    } else if (user_.warned("Errors")) {
        streams_.err << "pixlor: the camera did not answer. Is it connected and switched on? "
                        "`pixlor config` shows the port; COM<n> is the device named by "
                        "PIXLOR_COM<n>, else /dev/ttyS<n-1>.\n";
        status = EXIT_CAMERA_FAILED;
    } else if (!emulator->violations().empty()) {
        streams_.err << "pixlor: the plug-in broke the host's rules: "
                     << emulator->violations().front() << '\n';
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
    char line[600];
    std::snprintf(line, sizeof line, "%-*s %10s  %-10s  %s", static_cast<int>(nameWidth), "Name",
                  "Size", "Date", "Time");
    streams_.out << line << '\n';
    std::uint64_t total = 0;
    int pictures = 0;
    int folders = 0;
    for (const PluginPanelItem& item : panel.items()) {
        const std::string name = item.FindData.cFileName;
        if (name == "..") continue;
        const std::uint64_t size =
            (std::uint64_t{item.FindData.nFileSizeHigh} << 32) | item.FindData.nFileSizeLow;
        total += size;
        (IsFolder(item) ? folders : pictures) += 1;
        const std::string shown = IsFolder(item) ? name + "/" : name;
        std::snprintf(line, sizeof line, "%-*s %10llu  %s", static_cast<int>(nameWidth),
                      shown.c_str(), static_cast<unsigned long long>(size),
                      FileTimeText(item.FindData.ftLastWriteTime).c_str());
        streams_.out << line << '\n';
    }
    if (folders > 0) streams_.out << folders << (folders == 1 ? " folder, " : " folders, ");
    if (pictures > 0) streams_.out << pictures << (pictures == 1 ? " picture, " : " pictures, ");
    streams_.out << total << " bytes\n";
}

int Commands::list(const ListRequest& request) {
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    if (request.thumbnails) emulator->pressKey(VK_F7);
    if (!request.folder.empty() && !emulator->enterFolder(request.folder))
        return usage("no folder \"" + request.folder + "\" on the camera; `pixlor list" +
                     (request.thumbnails ? " --thumbnails" : "") + "` shows the folders");
    printPanel(*emulator);
    return EXIT_DONE;
}

int Commands::selectItems(HostEmulator& emulator, const std::vector<std::string>& items) {
    if (items.empty()) {
        std::vector<std::string> all = emulator.pluginPanel().names();
        all.erase(std::remove(all.begin(), all.end(), ".."), all.end());
        emulator.selectItems(all);
        return EXIT_DONE;
    }
    std::string folder;
    std::vector<std::string> names;
    for (std::string item : items) {
        while (item.size() > 1 && item.back() == '/') item.pop_back();
        const std::size_t slash = item.rfind('/');
        const std::string itemFolder = slash == std::string::npos ? "" : item.substr(0, slash);
        if (!names.empty() && itemFolder != folder)
            return usage("name the items of one camera folder at a time");
        folder = itemFolder;
        names.push_back(slash == std::string::npos ? item : item.substr(slash + 1));
    }
    if (!folder.empty() && !emulator.enterFolder(folder))
        return usage("no folder \"" + folder + "\" on the camera; `pixlor list` shows them");
    if (!emulator.selectItems(names))
        return usage(emulator.errorText + "; `pixlor list" + (folder.empty() ? "" : " " + folder) +
                     "` shows the names");
    return EXIT_DONE;
}

int Commands::transfer(const TransferRequest& request) {
    std::error_code error;
    const fs::path destination = fs::absolute(request.destination, error).lexically_normal();
    if (error || !fs::is_directory(destination, error))
        return usage(request.destination + ": no such folder (create it first)");
    std::string target = destination.string();
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    if (target.size() > LONGEST_DESTINATION)
        return usage(request.destination + ": the path is longer than " +
                     std::to_string(LONGEST_DESTINATION) + " characters");

    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    if (request.choice.thumbnailView) emulator->pressKey(VK_F7);
    if (const int selected = selectItems(*emulator, request.items); selected != EXIT_DONE)
        return selected;
    emulator->setDiskDirectory(target);

    const auto before = FilesBelow(destination);
    user_.dialogAnswer = [this, &target, &request](DialogRequest& dialog) {
        const int edit = FindItem(dialog, DI_EDIT);
        const int firstRadio = FindItem(dialog, DI_RADIOBUTTON);
        const int ok = FindItem(dialog, DI_BUTTON);
        if (dialog.helpTopic != "WhereToCopy" || edit < 0 || firstRadio < 0 || ok < 0)
            return DIALOG_CANCELLED;
        if (edit > 0)
            streams_.out << TerminalText(dialog.items[edit - 1].Data, user_.style().codePage)
                         << ' ' << target << '\n';
        dialog.setText(edit, target);
        dialog.selectRadio(firstRadio + static_cast<int>(request.subfolders));
        return ok;
    };
    const KeyStroke stroke = CopyKeyFor(request.choice);
    emulator->pressKey(stroke.key, stroke.controlState);
    user_.dialogAnswer = nullptr;
    user_.endProgress();

    const auto after = FilesBelow(destination);
    std::vector<fs::path> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    streams_.out << added.size() << (added.size() == 1 ? " file " : " files ")
                 << (request.choice.move ? "moved" : "copied") << " into " << target << '\n';
    return cameraStatus();
}

int Commands::remove(const DeleteRequest& request) {
    if (request.items.empty()) return usage("name the pictures or folders to delete");
    if (!request.yes && !streams_.inIsTerminal)
        return usage("deleting asks on a terminal; give --yes to delete without asking");
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    if (request.thumbnails) emulator->pressKey(VK_F7);
    if (const int selected = selectItems(*emulator, request.items); selected != EXIT_DONE)
        return selected;
    user_.assumeYes = request.yes;
    const std::size_t questions = user_.answeredBoxes().size();
    emulator->pressKey(VK_F8);
    user_.endProgress();
    const bool asked = user_.answeredBoxes().size() > questions;
    if (!asked) return usage("the plug-in asked nothing: nothing deleted");
    return cameraStatus();
}

int Commands::configure(const ConfigRequest& request) {
    int status = EXIT_DONE;
    auto emulator = startHost(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    const LanguageFile& texts = emulator->languageFile();
    const OemCodePage page = user_.style().codePage;

    if (!request.changesSomething()) {
        user_.dialogAnswer = [this, page](DialogRequest& dialog) {
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
                    streams_.out << "  " << label << ": " << Trimmed(text) << '\n';
                } else if (item.Type == DI_EDIT || item.Type == DI_FIXEDIT) {
                    streams_.out << "  " << label << ": \"" << text << "\"\n";
                }
            }
            return DIALOG_CANCELLED;
        };
        emulator->configure();
        user_.dialogAnswer = nullptr;
        return EXIT_DONE;
    }

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
                refusal = "COM" + std::to_string(*request.port) +
                          " is not offered: the system lists fewer serial ports (PIXLOR_COM" +
                          std::to_string(*request.port) + " names its device)";
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
        return FindItem(dialog, DI_BUTTON, texts.message(MSG_BUTTON_OK));
    };
    const int saved = emulator->configure();
    user_.dialogAnswer = nullptr;
    if (!refusal.empty()) return usage(refusal);
    if (saved == 0) return usage("the settings were refused: nothing saved");
    streams_.out << "Settings saved.\n";
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
