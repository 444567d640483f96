#include "host/cli/DateFolderWalk.h"

#include "device/PictureFile.h"
#include "far/MessageNumbers.h"
#include "host/cli/Failures.h"
#include "host/cli/Interrupts.h"
#include "host/cli/ShownItems.h"
#include "host/cli/Texts.h"

#include <algorithm>
#include <chrono>
#include <fnmatch.h>
#include <map>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

bool Matches(const std::string& pattern, const std::string& name) {
    return ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

ChosenPicture PictureOf(const std::string& folder, const PluginPanelItem& item) {
    return {folder,
            item.FindData.cFileName,
            static_cast<std::uint32_t>(item.UserData + 1),
            SizeOf(item),
            UnixSeconds(item.FindData.ftLastWriteTime),
            LocalSeconds(item.FindData.ftLastWriteTime)};
}

// `pictures` in camera order, each with its twin count: pictures of one size and time (which
// share their date folder) are told apart by their order there, which deletions keep.
void InCameraOrder(std::vector<ChosenPicture>& pictures) {
    std::stable_sort(
        pictures.begin(), pictures.end(),
        [](const ChosenPicture& a, const ChosenPicture& b) { return a.number < b.number; });
    std::map<std::pair<std::uint64_t, std::int64_t>, int> seen;
    for (ChosenPicture& picture : pictures) picture.twin = seen[{picture.size, picture.time}]++;
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

bool SelectGroup(HostEmulator& emulator, const PictureGroup& group) {
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

}  // namespace

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

std::string WithoutTrailingSlashes(std::string item) {
    while (item.size() > 1 && item.back() == '/') item.pop_back();
    return item;
}

std::vector<ChosenPicture> EveryPicture(HostEmulator& emulator) {
    std::vector<ChosenPicture> pictures;
    ForEachPicture(emulator, [&](const std::string& folder, const PluginPanelItem& item) {
        if (!IsFolder(item)) pictures.push_back(PictureOf(folder, item));
    });
    InCameraOrder(pictures);
    return pictures;
}

std::string PictureLine(const ChosenPicture& picture, OemCodePage page) {
    return "#" + std::to_string(picture.number) + " @" + TimeText(picture.shot, SHOT_FORMAT) + " " +
           std::to_string(picture.size) + " " + TerminalText(picture.shown(), page);
}

bool ChoosePictures(const std::vector<ChosenPicture>& every, const std::vector<std::string>& items,
                    OemCodePage page, std::vector<ChosenPicture>& chosen, std::string& why) {
    std::vector<bool> taken(every.size(), items.empty());
    for (const std::string& given : items) {
        const std::string item = WithoutTrailingSlashes(given);
        bool matched = false;
        for (std::size_t i = 0; i < every.size(); ++i) {
            bool wellFormed = true;
            if (Selects(item, every[i], wellFormed)) taken[i] = matched = true;
            if (!wellFormed) {
                why = Fill(Tr("\"{}\": a picture is selected by its number (#3), its "
                              "shooting time (@2002-07-05T12:00:00, or @2002-07-05 for "
                              "the day) or its name"),
                           {TerminalText(item, page)});
                return false;
            }
        }
        if (!matched) {
            why = Fill(Tr("nothing on the camera is called \"{}\"; `pixlor list --all` "
                          "shows the numbers, times and names"),
                       {TerminalText(item, page)});
            return false;
        }
    }
    chosen.clear();
    for (std::size_t i = 0; i < every.size(); ++i)
        if (taken[i]) chosen.push_back(every[i]);
    return true;
}

std::vector<PictureGroup> LocatePictures(HostEmulator& emulator,
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

std::set<fs::path> FilesBelow(const fs::path& folder, FileKind kind) {
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

void WatchProgress(TerminalUser& user, const LanguageFile& texts, WalkProgress& walk,
                   const std::string& destination, CommandProgress* progress) {
    const char* fileLine = texts.message(MSG_COPY_FILE_LINE);
    const char* deleteLine = texts.message(MSG_DELETE_PROGRESS);
    const auto started = std::chrono::steady_clock::now();
    user.noticeSeen = [&walk, destination, fileLine, deleteLine, progress,
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
            walk.groupDeletions = static_cast<int>(numbers[0]);
            return;
        }
        if (fileLine == nullptr || box.lines.size() < 4 ||
            !ScanByFormat(fileLine, box.lines[1], numbers) || numbers.size() != 4)
            return;
        const int ordinal = static_cast<int>(numbers[0]);
        const long long done = numbers[1];
        if (ordinal != walk.fileOrdinal) {
            walk.fileOrdinal = ordinal;
            walk.fileBeingWritten.clear();
            SetFileBeingWritten("");
        }
        // The plug-in writes the file under a temporary name until it is whole.
        if (done > 0 && walk.fileBeingWritten.empty() && !destination.empty()) {
            for (const fs::path& file : FilesBelow(destination, FileKind::BeingWritten))
                if (walk.known.count(file) == 0) {
                    walk.fileBeingWritten = file.string();
                    SetFileBeingWritten(walk.fileBeingWritten);
                    break;
                }
        }
    };
}

bool PressInEachFolder(HostEmulator& emulator, TerminalUser& user,
                       const std::vector<PictureGroup>& groups, WalkProgress& walk,
                       const std::function<void()>& press,
                       const std::function<BoxTells(const BoxRecord&)>& read) {
    for (const PictureGroup& group : groups) {
        if (InterruptSignal() != 0 || !emulator.panelOpen()) break;
        if (!SelectGroup(emulator, group)) continue;
        walk.groupDeletions = 0;
        const std::size_t groupBox = user.answeredBoxes().size();
        press();
        user.endProgress();
        bool failed = false;
        bool deleteFailed = false;
        for (std::size_t i = groupBox; i < user.answeredBoxes().size(); ++i) {
            const BoxTells tells = read(user.answeredBoxes()[i]);
            failed = failed || tells != BoxTells::Nothing;
            deleteFailed = deleteFailed || tells == BoxTells::DeleteFailure;
        }
        walk.deleted += std::max(0, walk.groupDeletions - (deleteFailed ? 1 : 0));
        if (failed) return true;
        if (emulator.panelOpen() && !group.folder.empty()) emulator.enterFolder("..");
    }
    return false;
}

}  // namespace pixlor::host::cli
