#include "host/HostEmulator.h"

#include "host/StandardFunctions.h"
#include "platform/System.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pixlor::host {

namespace {

HostEmulator* active = nullptr;

constexpr DWORD MESSAGE_BUTTONS_MASK = 0x70000;  // the host's FMSG_MB_ values
constexpr int PLUGIN_SIDE = 0;
constexpr int DISK_SIDE = 1;

void CopyText(char* target, size_t size, const std::string& text) {
    const size_t length = std::min(text.size(), size - 1);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

std::string TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }

FILETIME FileTimeOf(const std::filesystem::file_time_type& time) {
    using namespace std::chrono;
    constexpr std::int64_t TICKS_1601_TO_1970 = 116444736000000000;  // 100 ns ticks
    const auto sinceEpoch = file_clock::to_sys(time).time_since_epoch();
    const auto ticks = static_cast<std::uint64_t>(
        duration_cast<nanoseconds>(sinceEpoch).count() / 100 + TICKS_1601_TO_1970);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::vector<unsigned char> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#ifdef _WIN32
// A program started with its standard input redirected has no console input to type into: it
// takes the console's own (made for it when it has none), as standard input of the process.
void EnsureConsoleInput() {
    DWORD mode = 0;
    if (::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0) return;
    const auto openInput = [] {
        return ::CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    };
    HANDLE input = openInput();
    if (input == INVALID_HANDLE_VALUE && ::AllocConsole() != 0) input = openInput();
    if (input != INVALID_HANDLE_VALUE) ::SetStdHandle(STD_INPUT_HANDLE, input);
}
#endif

constexpr int KEY_F1 = 0x70;

// A line of a help file as the host reads it: the line end and trailing blanks cut.
std::vector<std::string> HelpFileLines(const std::string& path) {
    const std::vector<unsigned char> bytes = FileBytes(path);
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\n') {
            line += static_cast<char>(bytes[i]);
            continue;
        }
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        lines.push_back(line);
        line.clear();
    }
    return lines;
}

bool SameTextIgnoringCase(const std::string& first, const std::string& second) {
    return first.size() == second.size() &&
           std::equal(first.begin(), first.end(), second.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// The language a help file names: its ".Language=" line before "@Contents", up to the comma,
// blanks cut; empty when there is none.
std::string HelpFileLanguage(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (SameTextIgnoringCase(line.substr(0, 9), "@Contents")) break;
        if (!SameTextIgnoringCase(line.substr(0, 10), ".Language=")) continue;
        std::string name = line.substr(
            10, line.find(',') == std::string::npos ? std::string::npos : line.find(',') - 10);
        while (!name.empty() && name.front() == ' ') name.erase(name.begin());
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return name;
    }
    return "";
}

// The host's own delete: F8 and Shift+F8, Shift+Del and Alt+Del (wipe), the grey Del and the
// keypad's alike. Plain Del and Ctrl+Del are no delete keys of the host.
bool IsHostDeleteKey(int key, unsigned shifts) {
    if (key == VK_F8) return shifts == 0 || shifts == PKF_SHIFT;
    if (key != VK_DELETE && key != VK_NUMPAD_DELETE) return false;
    return shifts == PKF_SHIFT || shifts == PKF_ALT;
}

std::filesystem::path NativePath(std::string path) {
#ifndef _WIN32
    std::replace(path.begin(), path.end(), '\\', '/');
#endif
    return path;
}

}  // namespace

// Brackets one call into the plug-in: when the outermost call returns, every screen saved
// during it must have been restored.
class HostEmulator::PluginCall {
public:
    PluginCall(HostEmulator& host, const char* name) : host_(host), name_(name) {
        ++host_.callDepth_;
    }
    ~PluginCall() {
        if (--host_.callDepth_ > 0 || host_.savedScreens_.empty()) return;
        host_.violation(std::to_string(host_.savedScreens_.size()) +
                        " saved screen(s) not restored when " + name_ + " returned");
        host_.savedScreens_.clear();
    }
    PluginCall(const PluginCall&) = delete;
    PluginCall& operator=(const PluginCall&) = delete;

private:
    HostEmulator& host_;
    const char* name_;
};

HostEmulator::HostEmulator(const PluginEntryPoints& plugin, HostUser& user,
                           EmulatorSettings settings)
    : plugin_(plugin), user_(user), settings_(std::move(settings)), previous_(active),
      standardFunctions_(MakeStandardFunctions()) {
    active = this;
    startupInfo_.StructSize = sizeof(PluginStartupInfo);
    CopyText(startupInfo_.ModuleName, sizeof startupInfo_.ModuleName, settings_.moduleName);
    startupInfo_.ModuleNumber = settings_.moduleNumber;
    startupInfo_.RootKey = settings_.rootKey.c_str();
    // Field by field: the table is packed, so its slots are not pointer-aligned.
    startupInfo_.Menu = startupInfo_.GetDirList = startupInfo_.GetPluginDirList =
        startupInfo_.FreeDirList = startupInfo_.Viewer = startupInfo_.Editor =
            startupInfo_.CmpName = startupInfo_.CharTable = startupInfo_.Text =
                startupInfo_.EditorControl = startupInfo_.ShowHelp = startupInfo_.InputBox =
                    startupInfo_.DialogEx = startupInfo_.SendDlgMessage = startupInfo_.DefDlgProc =
                        startupInfo_.ViewerControl = UnexpectedService;
    startupInfo_.Dialog = Dialog;
    startupInfo_.Message = Message;
    startupInfo_.GetMsg = GetMsg;
    startupInfo_.Control = Control;
    startupInfo_.SaveScreen = SaveScreen;
    startupInfo_.RestoreScreen = RestoreScreen;
    startupInfo_.AdvControl = AdvControl;
    startupInfo_.FSF = &standardFunctions_;
    listDisk();
}

HostEmulator::~HostEmulator() {
    closePanel();
    active = previous_;
}

bool HostEmulator::start() {
    namespace fs = std::filesystem;
    if (started_) return fail("the plug-in is started already");
    const fs::path folder = NativePath(settings_.moduleName).parent_path();
    std::error_code error;
    std::string english;
    std::string chosen;
    std::string problems;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().extension() != ".lng") continue;
        LanguageFile candidate;
        if (!candidate.load(it->path().string())) {
            problems += " " + candidate.errorText + ";";
            continue;
        }
        if (candidate.language() == settings_.language) chosen = it->path().string();
        if (candidate.language() == "English") english = it->path().string();
    }
    if (chosen.empty()) chosen = english;  // the host falls back to English texts
    if (chosen.empty())
        return fail("no language file for " + settings_.language + " beside " +
                    settings_.moduleName + problems);
    if (!languageFile_.load(chosen)) return fail(languageFile_.errorText);

    const int wanted = plugin_.GetMinFarVersion();
    if (wanted > HOST_VERSION) return fail("the plug-in needs a newer host");
    {
        PluginCall call(*this, "SetStartupInfo");
        plugin_.SetStartupInfo(&startupInfo_);
    }
    PluginInfo info{};
    info.StructSize = sizeof info;
    {
        PluginCall call(*this, "GetPluginInfo");
        plugin_.GetPluginInfo(&info);
    }
    pluginDescription_ = {};
    pluginDescription_.flags = info.Flags;
    for (int i = 0; info.DiskMenuStrings != nullptr && i < info.DiskMenuStringsNumber; ++i)
        pluginDescription_.diskMenu.push_back(TextOrEmpty(info.DiskMenuStrings[i]));
    for (int i = 0; info.PluginConfigStrings != nullptr && i < info.PluginConfigStringsNumber; ++i)
        pluginDescription_.configMenu.push_back(TextOrEmpty(info.PluginConfigStrings[i]));
    started_ = true;
    return true;
}

bool HostEmulator::openPanel(int diskMenuItem) {
    if (!started_) return fail("the plug-in is not started");
    if (panel_ != nullptr) return fail("the plug-in panel is open already");
    HANDLE opened;
    {
        PluginCall call(*this, "OpenPlugin");
        opened = plugin_.OpenPlugin(OPEN_DISKMENU, diskMenuItem);
    }
    afterPluginCall();
    if (opened == INVALID_HANDLE_VALUE) return fail("the plug-in opened no panel");
    panel_ = opened;
    pluginPanel_ = PanelModel{};
    return list(false);
}

bool HostEmulator::list(bool keepSelection) {
    if (panel_ == nullptr) return fail("no plug-in panel is open");
    readPanelDescription();
    PluginPanelItem* items = nullptr;
    int count = 0;
    int listed;
    {
        PluginCall call(*this, "GetFindData");
        listed = plugin_.GetFindData(panel_, &items, &count, 0);
    }
    ++listings_;
    if (listed == 0) return fail("the plug-in gave no listing");
    if (count < 0 || (count > 0 && items == nullptr)) {
        violation("GetFindData gave " + std::to_string(count) + " items without an array");
        count = 0;
    }
    std::vector<PluginPanelItem> copies(items, items + count);
    {
        PluginCall call(*this, "FreeFindData");
        plugin_.FreeFindData(panel_, items, count);
    }
    for (PluginPanelItem& item : copies) {  // they point into memory the plug-in has freed
        item.Description = nullptr;
        item.Owner = nullptr;
        item.CustomColumnData = nullptr;
        item.CustomColumnNumber = 0;
    }
    readPanelDescription();
    if ((panelDescription_.flags & OPIF_ADDDOTS) != 0)
        copies.insert(copies.begin(), MakePanelItem("..", FILE_ATTRIBUTE_DIRECTORY));
    pluginPanel_.curDir = panelDescription_.curDir;
    pluginPanel_.setItems(std::move(copies), keepSelection,
                          panelDescription_.startSortMode == SM_NAME);
    return true;
}

bool HostEmulator::enterFolder(const std::string& name) {
    if (panel_ == nullptr) return fail("no plug-in panel is open");
    int entered;
    {
        PluginCall call(*this, "SetDirectory");
        entered = plugin_.SetDirectory(panel_, name.c_str(), 0);
    }
    afterPluginCall();
    if (entered == 0) return fail("the plug-in refused the folder " + name);
    if (!list(false)) return false;
    pluginPanel_.setCursor(0, 0);
    return true;
}

bool HostEmulator::selectItems(const std::vector<std::string>& names) {
    std::vector<int> found;
    for (const std::string& name : names) {
        const int index = pluginPanel_.find(name);
        if (index < 0 || name == "..") return fail("no item to mark named " + name);
        found.push_back(index);
    }
    for (int index : found) pluginPanel_.setSelected(index, true);
    return true;
}

bool HostEmulator::setCurrentItem(const std::string& name) {
    const int index = pluginPanel_.find(name);
    if (index < 0) return fail("no item named " + name);
    pluginPanel_.setCursor(index, pluginPanel_.topItem());
    return true;
}

int HostEmulator::pressKey(int key, unsigned controlState) {
    if (panel_ == nullptr) {
        fail("no plug-in panel is open");
        return 0;
    }
    int handled;
    {
        PluginCall call(*this, "ProcessKey");
        handled = plugin_.ProcessKey(panel_, key, controlState);
    }
    afterPluginCall();
    if (handled == 0 && panel_ != nullptr) hostKey(key, controlState);
    return handled;
}

void HostEmulator::hostKey(int key, unsigned controlState) {
    if (key == 'R' && (controlState & (PKF_CONTROL | PKF_ALT | PKF_SHIFT)) == PKF_CONTROL) {
        HostCommandRecord reread{};
        reread.key = key;
        reread.controlState = controlState;
        reread.action = "reread";  // the panel listed again, the marks kept by name
        if (!list(true)) reread.failure = errorText;
        hostCommands_.push_back(std::move(reread));
        return;
    }
    const std::vector<PluginPanelItem>& items = pluginPanel_.items();
    if (items.empty()) return;
    const PluginPanelItem current = items[static_cast<size_t>(pluginPanel_.currentItem())];
    const bool isFolder = (current.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    HostCommandRecord record{};
    record.key = key;
    record.controlState = controlState;
    const unsigned shifts = controlState & (PKF_CONTROL | PKF_ALT | PKF_SHIFT);
    if (key == VK_RETURN && shifts == 0 && isFolder) {
        record.action = "enter";
        record.path = current.FindData.cFileName;
        if (!enterFolder(record.path)) record.failure = errorText;
    } else if ((key == VK_F3 || key == VK_F4 || key == VK_RETURN) && shifts == 0) {
        if (isFolder) return;  // the viewer and the editor take files only
        record.action = key == VK_F4 ? "edit" : "view";
        // The real host asks for a copy to view with F3 and to edit with F4; Enter passes
        // OPM_SILENT | OPM_VIEW.
        record.getFilesMode = key == VK_F3   ? OPM_VIEW
                              : key == VK_F4 ? OPM_EDIT
                                             : OPM_SILENT | OPM_VIEW;
        openItem(current, record);
    } else if (key == KEY_F1 && shifts == 0) {
        record.action = "help";
        showPluginHelp(record);
    } else if (IsHostDeleteKey(key, shifts)) {
        record.action = (shifts & PKF_ALT) != 0 ? "wipe" : "delete";
        deleteItems(record);
        return;
    } else {
        return;
    }
    hostCommands_.push_back(std::move(record));
}

// The host's choice of a plug-in's help file: of the *.hlf files beside the module, the first
// whose language is the help language (case ignored), else an English one, else the last one
// found; none at all shows the host's own help. Then the topic Contents of that file: the lines
// after "@Contents" (case ignored) up to the next topic.
void HostEmulator::showPluginHelp(HostCommandRecord& record) const {
    namespace fs = std::filesystem;
    const fs::path folder = NativePath(settings_.moduleName).parent_path();
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
         it.increment(error))
        if (it->path().extension() == ".hlf") files.push_back(it->path());
    std::sort(files.begin(), files.end());
    std::string english;
    for (const fs::path& file : files) {
        const std::string language = HelpFileLanguage(HelpFileLines(file.string()));
        if (SameTextIgnoringCase(language, settings_.helpLanguage)) {
            record.path = file.string();
            break;
        }
        if (SameTextIgnoringCase(language, "English")) english = file.string();
    }
    if (record.path.empty())
        record.path = !english.empty() ? english : files.empty() ? "" : files.back().string();
    if (record.path.empty()) {
        record.failure = "no help file: the host shows its own help";
        return;
    }
    bool inTopic = false;
    for (const std::string& line : HelpFileLines(record.path)) {
        if (!line.empty() && line[0] == '@') {
            if (inTopic) return;
            inTopic = SameTextIgnoringCase(line.substr(1), "Contents");
            continue;
        }
        if (inTopic) record.shown.insert(record.shown.end(), line.begin(), line.end());
        if (inTopic) record.shown.push_back('\n');
    }
    if (!inTopic) record.failure = "Help topic not found";
}

std::filesystem::path HostEmulator::currentDirectory() const {
    std::error_code error;
    return settings_.currentDirectory.empty() ? std::filesystem::current_path(error)
                                              : NativePath(settings_.currentDirectory);
}

void HostEmulator::openItem(const PluginPanelItem& item, HostCommandRecord& record) {
    namespace fs = std::filesystem;
    const std::string name = item.FindData.cFileName;
    std::error_code error;
    if ((panelDescription_.flags & OPIF_REALNAMES) != 0) {
        // The name is taken for a file of the host's own folder; the plug-in is not asked.
        record.realName = true;
        record.getFilesMode = -1;
        record.path = (currentDirectory() / name).string();
        if (fs::is_regular_file(record.path, error))
            record.shown = FileBytes(record.path);
        else if (record.action == "view")
            record.failure = "Cannot open the file " + name;
        return;  // the editor starts on a new, empty file of that name
    }
    const fs::path base = settings_.temporaryDirectory.empty()
                              ? fs::temp_directory_path(error)
                              : NativePath(settings_.temporaryDirectory);
    fs::path folder;
    do {
        folder = base / ("FarTmp" + std::to_string(reinterpret_cast<std::uintptr_t>(this) % 99991) +
                         "-" + std::to_string(++temporaryFolders_));
    } while (!fs::create_directory(folder, error) && !error);
    if (error) {
        record.failure = "Cannot create a temporary folder in " + base.string();
        return;
    }
    char destination[MAX_PATH];
    CopyText(destination, sizeof destination, folder.string());
    PluginPanelItem copy = item;
    {
        PluginCall call(*this, "GetFiles");
        record.getFilesResult =
            plugin_.GetFiles(panel_, &copy, 1, 0, destination, record.getFilesMode);
    }
    afterPluginCall();
    record.path = (folder / name).string();
    if (record.getFilesResult != 0 && fs::is_regular_file(record.path, error))
        record.shown = FileBytes(record.path);
    else
        record.failure = "The plug-in gave no copy of " + name;
    fs::remove_all(folder, error);  // the host drops its copy when the viewer or editor closes
}

void HostEmulator::deleteItems(HostCommandRecord record) {
    std::vector<PluginPanelItem> items = pluginPanel_.selectedItems();
    if (items.empty())
        items.push_back(pluginPanel_.items()[static_cast<size_t>(pluginPanel_.currentItem())]);
    std::erase_if(items, [](const PluginPanelItem& item) {
        return std::strcmp(item.FindData.cFileName, "..") == 0;
    });
    if (items.empty()) return;
    if ((panelDescription_.flags & OPIF_REALNAMES) == 0) {
        // The plug-in's own delete, which asks its own question; the host asks nothing and
        // then reads both panels again. Without the export it does nothing at all.
        if (plugin_.DeleteFiles == nullptr) {
            record.failure = "the plug-in has no DeleteFiles";
        } else {
            {
                PluginCall call(*this, "DeleteFiles");
                record.deleteFilesResult =
                    plugin_.DeleteFiles(panel_, items.data(), static_cast<int>(items.size()), 0);
            }
            record.deleteFilesCalled = true;
            afterPluginCall();
            if (panel_ != nullptr) list(true);
            listDisk();
        }
        hostCommands_.push_back(std::move(record));
        return;
    }
    for (const PluginPanelItem& item : items) {
        HostCommandRecord done = record;
        done.realName = true;
        done.path = (currentDirectory() / item.FindData.cFileName).string();
        std::error_code error;
        if (!std::filesystem::remove(done.path, error))
            done.failure = "Cannot delete the file " + std::string(item.FindData.cFileName);
        hostCommands_.push_back(std::move(done));
    }
}

int HostEmulator::deleteFromFilesMenu(bool wipe) {
    if (panel_ == nullptr || pluginPanel_.items().empty()) return 0;
    HostCommandRecord record{};
    record.action = wipe ? "wipe" : "delete";
    deleteItems(record);
    return hostCommands_.empty() ? 0 : hostCommands_.back().deleteFilesResult;
}

int HostEmulator::getFiles(bool move) {
    if (panel_ == nullptr) {
        fail("no plug-in panel is open");
        return -1;
    }
    std::vector<PluginPanelItem> items = pluginPanel_.selectedItems();
    if (items.empty() && !pluginPanel_.items().empty()) {
        const auto cursor = static_cast<size_t>(pluginPanel_.currentItem());
        const PluginPanelItem& current = pluginPanel_.items()[cursor];
        if (std::strcmp(current.FindData.cFileName, "..") != 0) items.push_back(current);
    }
    if (items.empty()) {
        fail("nothing to get");
        return -1;
    }
    char destination[MAX_PATH];
    CopyText(destination, sizeof destination, diskPanel_.curDir);
    int done;
    {
        PluginCall call(*this, "GetFiles");
        done = plugin_.GetFiles(panel_, items.data(), static_cast<int>(items.size()), move ? 1 : 0,
                                destination, 0);
    }
    if (done != 0)  // the host takes the marks off the items it got
        for (const PluginPanelItem& item : items)
            pluginPanel_.setSelected(pluginPanel_.find(item.FindData.cFileName), false);
    afterPluginCall();
    if (panel_ != nullptr) list(true);
    listDisk();
    return done;
}

int HostEmulator::configure(int item) {
    if (!started_) {
        fail("the plug-in is not started");
        return 0;
    }
    int saved;
    {
        PluginCall call(*this, "Configure");
        saved = plugin_.Configure(item);
    }
    afterPluginCall();
    return saved;
}

void HostEmulator::closePanel() {
    if (panel_ == nullptr) return;
    {
        PluginCall call(*this, "ClosePlugin");
        plugin_.ClosePlugin(panel_);
    }
    panel_ = nullptr;
    pluginPanel_ = PanelModel{};
    panelDescription_ = PanelDescription{};
    pending_ = Pending{};
}

bool HostEmulator::setDiskDirectory(const std::string& directory) {
    std::error_code error;
    if (!std::filesystem::is_directory(NativePath(directory), error))
        return fail(directory + " is not a directory");
    settings_.diskDirectory = directory;
    diskPanel_ = PanelModel{};
    listDisk();
    return true;
}

bool HostEmulator::typeKey(WORD virtualKey, char character) {
#ifdef _WIN32
    if (&os() == &nativeSystem()) EnsureConsoleInput();
#endif
    INPUT_RECORD press[2] = {};
    for (int i = 0; i < 2; ++i) {
        press[i].EventType = KEY_EVENT;
        KEY_EVENT_RECORD& key = press[i].Event.KeyEvent;
        key.bKeyDown = i == 0 ? TRUE : FALSE;
        key.wRepeatCount = 1;
        key.wVirtualKeyCode = virtualKey;
        key.uChar.AsciiChar = virtualKey == VK_ESCAPE ? '\x1b' : character;
    }
    DWORD written = 0;
    if (os().WriteConsoleInputA(os().GetStdHandle(STD_INPUT_HANDLE), press, 2, &written) &&
        written == 2)
        return true;
    return fail("the console input took no key (error " + std::to_string(os().GetLastError()) +
                ")");
}

bool HostEmulator::fail(const std::string& why) {
    errorText = why;
    return false;
}

void HostEmulator::violation(const std::string& what) { violations_.push_back(what); }

void HostEmulator::checkModuleNumber(std::intptr_t moduleNumber, const char* service) {
    if (moduleNumber != settings_.moduleNumber)
        violation(std::string(service) + " with module number " + std::to_string(moduleNumber));
}

void HostEmulator::readPanelDescription() {
    OpenPluginInfo info{};
    info.StructSize = sizeof info;
    {
        PluginCall call(*this, "GetOpenPluginInfo");
        plugin_.GetOpenPluginInfo(panel_, &info);
    }
    PanelDescription& description = panelDescription_;
    description.flags = info.Flags;
    description.curDir = TextOrEmpty(info.CurDir);
    description.format = TextOrEmpty(info.Format);
    description.panelTitle = TextOrEmpty(info.PanelTitle);
    description.startSortMode = info.StartSortMode;
    description.startSortOrder = info.StartSortOrder;
    description.keyBar = {};
    if (info.KeyBar == nullptr) return;
    char* const* sets[] = {info.KeyBar->Titles,          info.KeyBar->CtrlTitles,
                           info.KeyBar->AltTitles,       info.KeyBar->ShiftTitles,
                           info.KeyBar->CtrlShiftTitles, info.KeyBar->AltShiftTitles,
                           info.KeyBar->CtrlAltTitles};
    for (size_t set = 0; set < description.keyBar.size(); ++set)
        for (size_t key = 0; key < 12; ++key)
            if (sets[set][key] != nullptr) description.keyBar[set][key] = sets[set][key];
}

void HostEmulator::listDisk(bool keepSelection) {
    namespace fs = std::filesystem;
    std::vector<PluginPanelItem> items;
    diskPanel_.curDir = settings_.diskDirectory;
    if (!settings_.diskDirectory.empty()) {
        const fs::path folder = NativePath(settings_.diskDirectory);
        std::error_code error;
        if (folder.has_relative_path())
            items.push_back(MakePanelItem("..", FILE_ATTRIBUTE_DIRECTORY));
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const bool isFolder = it->is_directory(error);
            PluginPanelItem item =
                MakePanelItem(it->path().filename().string(),
                              isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
            const std::uintmax_t size = isFolder ? 0 : it->file_size(error);
            item.FindData.nFileSizeLow = static_cast<DWORD>(size);
            item.FindData.nFileSizeHigh = static_cast<DWORD>(size >> 32);
            const FILETIME written = FileTimeOf(it->last_write_time(error));
            item.FindData.ftCreationTime = written;
            item.FindData.ftLastAccessTime = written;
            item.FindData.ftLastWriteTime = written;
            items.push_back(item);
        }
    }
    diskPanel_.setItems(std::move(items), keepSelection, true);
}

void HostEmulator::afterPluginCall() {
    const Pending requested = pending_;
    pending_ = Pending{};
    if (requested.close) {
        closePanel();
    } else if (requested.update && panel_ != nullptr) {
        list(requested.keepSelection);
    }
    if (requested.cursor && panel_ != nullptr)
        pluginPanel_.setCursor(requested.cursor->CurrentItem, requested.cursor->TopPanelItem);
}

std::vector<ControlRecord> HostEmulator::controls(int command) const {
    std::vector<ControlRecord> found;
    for (const ControlRecord& call : controls_)
        if (call.command == command) found.push_back(call);
    return found;
}

int HostEmulator::control(HANDLE plugin, int command, void* param) {
    controls_.push_back({command, param != nullptr, {}, {}, {}});
    ControlRecord& record = controls_.back();
    if (panel_ == nullptr || plugin != panel_) {
        violation("Control " + std::to_string(command) + " with a handle that names no open panel");
        return 0;
    }
    switch (command) {
    case FCTL_GETPANELINFO: return fillPanelInfo(true, static_cast<PanelInfo*>(param));
    case FCTL_GETANOTHERPANELINFO: return fillPanelInfo(false, static_cast<PanelInfo*>(param));
    case FCTL_UPDATEPANEL:
        // Parameter 0 clears the marks, anything else keeps them; listed after the call.
        pending_.keepSelection =
            (pending_.update ? pending_.keepSelection : true) && param != nullptr;
        pending_.update = true;
        return 1;
    case FCTL_UPDATEANOTHERPANEL:
        // The disk panel reads its directory again at once; parameter 0 clears its marks.
        listDisk(param != nullptr);
        return 1;
    case FCTL_REDRAWANOTHERPANEL:
        if (param != nullptr) {
            const PanelRedrawInfo& redraw = *static_cast<const PanelRedrawInfo*>(param);
            diskPanel_.setCursor(redraw.CurrentItem, redraw.TopPanelItem);
            record.redraw = redraw;
        }
        return 1;
    case FCTL_REDRAWPANEL:
        if (param != nullptr) {
            const PanelRedrawInfo& redraw = *static_cast<const PanelRedrawInfo*>(param);
            pluginPanel_.setCursor(redraw.CurrentItem, redraw.TopPanelItem);
            pending_.cursor = redraw;  // again after a listing still to come
            record.redraw = redraw;
        }
        return 1;
    case FCTL_SETSELECTION: {
        const auto* info = static_cast<const PanelInfo*>(param);
        if (info == nullptr || (info->ItemsNumber > 0 && info->PanelItems == nullptr)) {
            violation("FCTL_SETSELECTION without items");
            return 0;
        }
        const int count =
            std::min(int{info->ItemsNumber}, static_cast<int>(pluginPanel_.items().size()));
        for (int i = 0; i < count; ++i)
            pluginPanel_.setSelected(i, (info->PanelItems[i].Flags & PPIF_SELECTED) != 0);
        record.markedAfter = pluginPanel_.selectedNames();
        return 1;
    }
    case FCTL_CLOSEPLUGIN:
        pending_.close = true;
        closeDirectory_ = TextOrEmpty(static_cast<const char*>(param));
        record.folder = closeDirectory_;
        return 1;
    default: violation("Control with the unknown command " + std::to_string(command)); return 0;
    }
}

int HostEmulator::fillPanelInfo(bool pluginSide, PanelInfo* info) {
    if (info == nullptr) {
        violation("a panel information request without a PanelInfo");
        return 0;
    }
    const int side = pluginSide ? PLUGIN_SIDE : DISK_SIDE;
    const PanelModel& panel = pluginSide ? pluginPanel_ : diskPanel_;
    infoItems_[side] = panel.items();
    infoSelected_[side] = panel.selectedItems();
    *info = PanelInfo{};
    info->Plugin = pluginSide ? 1 : 0;
    info->PanelRect = pluginSide ? FarRect{0, 1, 39, 22} : FarRect{40, 1, 79, 22};
    info->PanelItems = infoItems_[side].data();
    info->ItemsNumber = static_cast<int>(infoItems_[side].size());
    info->SelectedItems = infoSelected_[side].data();
    info->SelectedItemsNumber = static_cast<int>(infoSelected_[side].size());
    info->CurrentItem = panel.currentItem();
    info->TopPanelItem = panel.topItem();
    info->Visible = 1;
    info->Focus = pluginSide ? 1 : 0;
    CopyText(info->CurDir, sizeof info->CurDir, panel.curDir);
    info->SortMode = SM_NAME;
    return 1;
}

int HostEmulator::message(std::intptr_t moduleNumber, DWORD flags, const char* helpTopic,
                          const char* const* items, int itemsNumber, int buttonsNumber) {
    checkModuleNumber(moduleNumber, "Message");
    if (items == nullptr || itemsNumber < 1) {
        violation("Message without items");
        return -1;
    }
    BoxRecord box;
    box.flags = flags;
    box.helpTopic = TextOrEmpty(helpTopic);
    std::vector<std::string> texts;
    for (int i = 0; i < itemsNumber; ++i) {
        if (items[i] == nullptr) violation("Message with a null item " + std::to_string(i));
        texts.push_back(TextOrEmpty(items[i]));
    }
    size_t lineEnd = texts.size();
    switch (flags & MESSAGE_BUTTONS_MASK) {
    case FMSG_MB_OK: box.buttons = {"OK"}; break;
    case FMSG_MB_OKCANCEL: box.buttons = {"OK", "Cancel"}; break;
    case 0:
        if (buttonsNumber < 0 || buttonsNumber >= itemsNumber) {
            violation("Message with " + std::to_string(buttonsNumber) + " buttons among " +
                      std::to_string(itemsNumber) + " items");
            buttonsNumber = std::clamp(buttonsNumber, 0, itemsNumber - 1);
        }
        lineEnd -= static_cast<size_t>(buttonsNumber);
        box.buttons.assign(texts.begin() + static_cast<std::ptrdiff_t>(lineEnd), texts.end());
        break;
    default:
        violation("Message with button set " + std::to_string(flags & MESSAGE_BUTTONS_MASK));
        break;
    }
    box.title = texts.front();
    box.lines.assign(texts.begin() + 1, texts.begin() + static_cast<std::ptrdiff_t>(lineEnd));
    if (box.buttons.empty()) {
        user_.showNotice(box);
        return -1;
    }
    const int answer = user_.answerMessage(box);
    if (answer < -1 || answer >= static_cast<int>(box.buttons.size())) {
        violation("the user chose button " + std::to_string(answer) + " of a box with " +
                  std::to_string(box.buttons.size()));
        return -1;
    }
    return answer;
}

const char* FARAPI HostEmulator::GetMsg(std::intptr_t moduleNumber, int messageId) {
    HostEmulator& host = *active;
    host.checkModuleNumber(moduleNumber, "GetMsg");
    const char* text = host.languageFile_.message(messageId);
    if (text != nullptr) return text;
    host.violation("GetMsg of message " + std::to_string(messageId) + ", which the file lacks");
    return "";
}

int FARAPI HostEmulator::Message(std::intptr_t moduleNumber, DWORD flags, const char* helpTopic,
                                 const char* const* items, int itemsNumber, int buttonsNumber) {
    return active->message(moduleNumber, flags, helpTopic, items, itemsNumber, buttonsNumber);
}

int FARAPI HostEmulator::Dialog(std::intptr_t moduleNumber, int x1, int y1, int x2, int y2,
                                const char* helpTopic, FarDialogItem* item, int itemsNumber) {
    HostEmulator& host = *active;
    host.checkModuleNumber(moduleNumber, "Dialog");
    if (item == nullptr || itemsNumber < 1) {
        host.violation("Dialog without items");
        return -1;
    }
    DialogRequest request{x1, y1, x2, y2, TextOrEmpty(helpTopic), item, itemsNumber};
    const int result = host.user_.answerDialog(request);
    if (result < -1 || result >= itemsNumber) {
        host.violation("a dialog ended by item " + std::to_string(result) + " of " +
                       std::to_string(itemsNumber));
        return -1;
    }
    return result;
}

int FARAPI HostEmulator::Control(HANDLE plugin, int command, void* param) {
    return active->control(plugin, command, param);
}

HANDLE FARAPI HostEmulator::SaveScreen(int, int, int, int) {
    HostEmulator& host = *active;
    const auto screen = reinterpret_cast<HANDLE>(host.nextScreen_++);
    host.savedScreens_.insert(screen);
    ++host.screensSaved_;
    return screen;
}

int FARAPI HostEmulator::AdvControl(std::intptr_t moduleNumber, int command, void*) {
    HostEmulator& host = *active;
    host.checkModuleNumber(moduleNumber, "AdvControl");
    if (command == ACTL_GETCONFIRMATIONS) return host.settings_.confirmations;
    host.violation("AdvControl with the command " + std::to_string(command) +
                   ", which the host emulator does not answer");
    return 0;
}

void FARAPI HostEmulator::RestoreScreen(HANDLE screen) {
    HostEmulator& host = *active;
    if (host.savedScreens_.erase(screen) == 0)
        host.violation("RestoreScreen of a screen that is not saved, or restored already");
}

}  // namespace pixlor::host
