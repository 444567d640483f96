// The console program's commands, each one a visit to the emulated host: open the camera panel,
// press the panel's keys, answer its boxes and dialogs, close it again.
#pragma once

#include "host/HostEmulator.h"
#include "host/cli/CopyKeys.h"
#include "host/cli/Failures.h"
#include "host/cli/OneCommandSettings.h"
#include "host/cli/Port.h"
#include "host/cli/TerminalUser.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pixlor::host::cli {

enum ExitStatus : int {
    EXIT_DONE = 0,
    EXIT_CAMERA_FAILED = 1,  // a camera or disk operation failed, or the plug-in could not be used
    EXIT_BAD_USAGE = 2,      // bad arguments, a missing folder or item, refused settings
};

struct ProgramSetup {
    PluginEntryPoints plugin{};
    std::string moduleName;  // the plug-in module; its folder holds the language files
    std::string language = "English";
    bool checkDevices = false;  // the port's device is checked before the plug-in opens it
    std::optional<std::string> port = std::nullopt;  // --port: COM<n> or a device for this command
    std::optional<int> speed = std::nullopt;         // --speed: bits per second for this command
};

struct ListRequest {
    std::vector<std::string> folders;  // none: the root
    bool thumbnails = false;
    bool all = false;   // every picture of every folder, one line each
    bool json = false;  // folders and pictures for scripts
};

struct TransferRequest {
    std::string destination;
    // "NAME" at the root or "FOLDER/NAME", patterns allowed; "#3" by number; "@2002-07-05T12:00:00"
    // by shooting time, "@2002-07-05" by day
    std::vector<std::string> items;
    CopyChoice choice;
    SubfolderMode subfolders = SubfolderMode::Auto;
    bool makeDestination = false;  // --mkdir: make DEST and its missing parents
    bool onlyNew = false;          // --new: skip pictures whose file is in DEST already
    std::optional<std::string> filename, folder;  // name and date folder patterns of this copy
    bool verify = false;  // move --verify: each photo read again before the delete
};

struct DeleteRequest {
    std::vector<std::string> items;
    bool thumbnails = false;
    bool yes = false;
    bool all = false;
};

struct ConfigRequest {
    std::optional<int> port;   // 1..8
    std::optional<int> speed;  // bits per second
    std::optional<std::string> photoName, thumbName, photoFolder, thumbFolder;
    std::optional<int> photoDigits, thumbDigits;
    std::optional<bool> verifyMoves;
    bool defaults = false;
    bool changesSomething() const;
};

// Each command is a file of its own: ListCommand.cpp, InfoCommand.cpp, CopyCommand.cpp (copy
// and move), DeleteCommand.cpp, ConfigCommand.cpp, as detect and demo are (Detect.cpp, Demo.cpp);
// this class's own file opens the camera and says what went wrong, for all of them.
class Commands {
public:
    Commands(ProgramSetup setup, TerminalUser& user, TerminalStreams streams);
    ~Commands();

    int list(const ListRequest& request);
    int transfer(const TransferRequest& request);
    int remove(const DeleteRequest& request);
    int configure(const ConfigRequest& request);
    int info();

    // Opens the camera panel with the disk panel on `diskDirectory`; null with `status` set
    // when it did not open (status 0: the camera holds no pictures).
    std::unique_ptr<HostEmulator> openCamera(const std::string& diskDirectory, int& status);
    // Prints what the panel shows as a table.
    void printPanel(const HostEmulator& emulator);

private:
    std::unique_ptr<HostEmulator> startHost(const std::string& diskDirectory, int& status);
    int usage(const std::string& why);
    // Says in words what the camera failures since box `firstBox` were; true when there were any.
    bool explainFailures(std::size_t firstBox, const FailureContext& context);
    int interrupted(const std::string& done);

    ProgramSetup setup_;
    TerminalUser& user_;
    TerminalStreams streams_;
    PortInUse port_;
    std::unique_ptr<LanguageFile> texts_;
    bool cameraEmpty_ = false;       // the camera holds no pictures: the panel did not open
    OneCommandSettings oneCommand_;  // --speed, --filename, --folder
};

// The language the locale asks for: Russian when LC_ALL, else LC_MESSAGES, else LANG starts
// with "ru"; English otherwise.
std::string LanguageOfLocale();

}  // namespace pixlor::host::cli
