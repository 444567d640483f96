#include "host/cli/Commands.h"

#include "config/SettingsStore.h"
#include "host/cli/Interrupts.h"
#include "host/cli/Texts.h"
#include "link/CameraProtocol.h"

#include <cstdlib>
#include <iostream>

namespace pixlor::host::cli {

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

std::string LanguageOfLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') continue;
        return std::string(value).rfind("ru", 0) == 0 ? "Russian" : "English";
    }
    return "English";
}

}  // namespace pixlor::host::cli
