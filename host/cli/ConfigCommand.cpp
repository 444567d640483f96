#include "host/cli/Commands.h"

#include "config/SettingsStore.h"
#include "far/MessageNumbers.h"
#include "host/cli/Patterns.h"
#include "host/cli/ShownItems.h"
#include "host/cli/Texts.h"
#include "naming/NamePattern.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

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

// The configuration dialog as a list of settings: its title, then each field with its label.
// `stored` is the port the panel opens.
void PrintSettings(const DialogRequest& dialog, const PortInUse& stored, OemCodePage page,
                   std::ostream& out) {
    std::string label;
    int digitFields = 0;
    for (int i = 0; i < dialog.count; ++i) {
        const FarDialogItem& item = dialog.items[i];
        const std::string text = TerminalText(item.Data, page);
        if (item.Type == DI_DOUBLEBOX) {
            out << text << '\n';
        } else if (item.Type == DI_TEXT && (item.Flags & DIF_SEPARATOR) == 0) {
            label = text;
            if (!label.empty() && label.back() == ':') label.pop_back();
        } else if (item.Type == DI_RADIOBUTTON && item.Param.Selected != 0) {
            // The panel opens the stored port, whether the dialog offers it or not.
            const bool port = ComPortNumber(Trimmed(text)) != 0;
            out << "  " << label << ": " << (port ? stored.described() : Trimmed(text)) << '\n';
        } else if (item.Type == DI_EDIT) {
            const std::string problem = PatternProblem(item.Data);
            out << "  " << label << ": \"" << text << "\""
                << (problem.empty() ? "" : Fill(Tr(" (a copy refuses it: {})"), {problem})) << '\n';
        } else if (item.Type == DI_FIXEDIT) {
            // The count the names are made with: a stored count outside 1..9 is
            // brought to its nearest end.
            DWORD digits = DEFAULT_DIGITS;
            ReadStoredNumber(digitFields++ == 0 ? SETTING_PHOTO_SUFFIX : SETTING_THUMB_SUFFIX,
                             digits);
            out << "  " << label << ": \"" << ClampDigitCount(digits) << "\""
                << (ClampDigitCount(digits) == digits
                        ? ""
                        : Fill(Tr(" ({} stored)"), {std::to_string(digits)}))
                << '\n';
        } else if (item.Type == DI_CHECKBOX) {
            out << "  " << text << ": " << (item.Param.Selected != 0 ? Tr("yes") : Tr("no"))
                << '\n';
        }
    }
    out << std::flush;
}

// The changes of `request` entered into the configuration dialog; the index of its OK button.
// A port the dialog does not offer (its device is missing now, or a later one is) is stored
// after the dialog's save.
int EnterChanges(DialogRequest& dialog, const ConfigRequest& request, const LanguageFile& texts) {
    if (request.port) {
        const int item =
            FindItem(dialog, DI_RADIOBUTTON, ("COM" + std::to_string(*request.port)).c_str());
        if (item >= 0 && (dialog.items[item].Flags & DIF_DISABLE) == 0) dialog.selectRadio(item);
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
}

}  // namespace

bool ConfigRequest::changesSomething() const {
    return port || speed || photoName || thumbName || photoFolder || thumbFolder || photoDigits ||
           thumbDigits || verifyMoves || defaults;
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
            PrintSettings(dialog, stored, page, streams_.out);
            return DIALOG_CANCELLED;
        };
        emulator->configure();
        user_.dialogAnswer = nullptr;
        return EXIT_DONE;
    }

    DWORD storedIndex = 0;
    const bool portStored = ReadStoredNumber(SETTING_SERIAL_PORT, storedIndex);
    enum class Step {
        Defaults,
        Enter,
        Refused
    } step = request.defaults ? Step::Defaults : Step::Enter;
    user_.dialogAnswer = [&](DialogRequest& dialog) {
        if (step == Step::Refused) return DIALOG_CANCELLED;  // the plug-in said why
        if (step == Step::Defaults) {
            step = Step::Enter;
            return FindItem(dialog, DI_BUTTON, texts.message(MSG_BUTTON_DEFAULTS));
        }
        step = Step::Refused;
        return EnterChanges(dialog, request, texts);
    };
    const std::size_t firstBox = user_.answeredBoxes().size();
    const int saved = emulator->configure();
    user_.dialogAnswer = nullptr;
    const auto& boxes = user_.answeredBoxes();
    const bool saveFailed =
        std::any_of(boxes.begin() + static_cast<std::ptrdiff_t>(firstBox), boxes.end(),
                    [](const BoxRecord& box) { return box.helpTopic == "Configure"; });
    if (saved == 0 && !saveFailed) return usage(Tr("the settings were refused: nothing saved"));
    std::error_code error;
    // The dialog saves the port its buttons show, which is not the one meant when the system
    // lists fewer ports: the port named, else the one stored before. Only then is there a
    // second save.
    const DWORD port = request.port ? static_cast<DWORD>(*request.port - 1)
                       : portStored ? storedIndex
                                    : DEFAULT_SERIAL_PORT;
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

}  // namespace pixlor::host::cli
