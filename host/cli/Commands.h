// The console program's commands, each one a visit to the emulated host: open the camera panel,
// press the panel's keys, answer its boxes and dialogs, close it again.
#pragma once

#include "host/HostEmulator.h"
#include "host/cli/CopyKeys.h"
#include "host/cli/TerminalUser.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pixlor::host::cli {

enum ExitStatus : int {
    EXIT_DONE = 0,
    EXIT_CAMERA_FAILED = 1,  // a camera operation failed, or the plug-in could not be used
    EXIT_BAD_USAGE = 2,      // bad arguments, a missing folder or item, refused settings
};

struct ProgramSetup {
    PluginEntryPoints plugin{};
    std::string moduleName;          // the plug-in module; its folder holds the language files
    std::string language = "English";
};

struct ListRequest {
    std::string folder;  // empty: the root
    bool thumbnails = false;
};

struct TransferRequest {
    std::string destination;
    std::vector<std::string> items;  // "NAME" at the root or "FOLDER/NAME"; none: everything
    CopyChoice choice;
    SubfolderMode subfolders = SubfolderMode::Auto;
};

struct DeleteRequest {
    std::vector<std::string> items;
    bool thumbnails = false;
    bool yes = false;
};

struct ConfigRequest {
    std::optional<int> port;   // 1..8
    std::optional<int> speed;  // bits per second
    std::optional<std::string> photoName, thumbName, photoFolder, thumbFolder;
    std::optional<int> photoDigits, thumbDigits;
    bool defaults = false;
    bool changesSomething() const;
};

class Commands {
public:
    Commands(ProgramSetup setup, TerminalUser& user, TerminalStreams streams);

    int list(const ListRequest& request);
    int transfer(const TransferRequest& request);
    int remove(const DeleteRequest& request);
    int configure(const ConfigRequest& request);

    // Opens the camera panel with the disk panel on `diskDirectory`; null with `status` set
    // when it did not open (status 0: the camera holds no pictures).
    std::unique_ptr<HostEmulator> openCamera(const std::string& diskDirectory, int& status);
    // Prints what the panel shows as a table.
    void printPanel(const HostEmulator& emulator);

private:
    std::unique_ptr<HostEmulator> startHost(const std::string& diskDirectory, int& status);
    int selectItems(HostEmulator& emulator, const std::vector<std::string>& items);
    int usage(const std::string& why);
    int cameraStatus();

    ProgramSetup setup_;
    TerminalUser& user_;
    TerminalStreams streams_;
};

// The language the locale asks for: Russian when LC_ALL, else LC_MESSAGES, else LANG starts
// with "ru"; English otherwise.
std::string LanguageOfLocale();

}  // namespace pixlor::host::cli
