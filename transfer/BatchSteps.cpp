#include "transfer/BatchSteps.h"

#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "panel/PanelListing.h"
#include "platform/System.h"
#include "report/Messages.h"

#include <algorithm>
#include <cstdio>

namespace pixlor {

namespace {

constexpr int BAR_CELLS = 50;  // each cell stands for 2 %
constexpr char CELL_FULL = '\xDB';
constexpr char CELL_SHADE = '\xB1';
constexpr int COPY_NAME_COLUMNS = 52;
constexpr int FILE_NAME_COLUMNS = 60;
constexpr std::size_t LINE_SIZE = 128;
constexpr DWORD LOOK_INTERVAL_MS = 500;  // the console input is read at most this often
constexpr DWORD CONSOLE_EVENTS_AT_ONCE = 16;
constexpr DWORD STOP_BOX_FLAGS = FMSG_WARNING;
constexpr const char* STOP_HELP_TOPIC = "StopBatch";

using Bar = char[BAR_CELLS + 3];  // "[", the cells, "]", the terminator

// One batch at a time: the counters and lines the progress box shows.
struct CopyBox {
    std::uint32_t fileCount = 0;
    std::uint32_t fileOrdinal = 0;
    std::uint32_t batchTotal = 0;
    std::uint32_t bytesBefore = 0;
    // For the rate: when the batch began, and the bytes received in earlier files and so far in
    // this one (skipped files have their size in bytesBefore, but nothing was received).
    DWORD startTick = 0;
    std::uint64_t receivedBefore = 0;
    std::uint32_t receivedNow = 0;
    char target[PATH_SIZE] = "";
    char fileLine[LINE_SIZE] = "";
    Bar fileBar = "";
    char batchLine[LINE_SIZE] = "";
    Bar batchBar = "";
    char rateLine[LINE_SIZE] = "";
};
CopyBox copyBox;

// One batch at a time: whether and when the console was looked at, and the user's choice.
struct StopWatch {
    int titleMessage = MSG_TITLE;
    DWORD lastLook = 0;
    bool stopChosen = false;
};
StopWatch stopWatch;

struct FileBox {
    const char* title = "";
    char target[PATH_SIZE] = "";
    char percentage[LINE_SIZE] = "";
};
FileBox fileBox;

// Nothing of nothing is complete; products are taken in 64 bits so large batches do not wrap.
std::uint32_t Percentage(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return 100;
    return static_cast<std::uint32_t>(done * 100 / total);
}

void FillBar(Bar& bar, std::uint32_t percentage) {
    bar[0] = '[';
    for (int cell = 1; cell <= BAR_CELLS; ++cell)
        bar[cell] = static_cast<std::uint32_t>(cell) * 100 / BAR_CELLS <= percentage ? CELL_FULL
                                                                                     : CELL_SHADE;
    bar[BAR_CELLS + 1] = ']';
    bar[BAR_CELLS + 2] = '\0';
}

// Copies a path for display and shortens it in place to `columns`.
void ShowPath(char (&shown)[PATH_SIZE], const char* path, int columns) {
    std::snprintf(shown, sizeof(shown), "%s", path != nullptr ? path : "");
    HostServices.FSF->TruncPathStr(shown, columns);
}

// The rate of the batch so far and the time its remaining bytes take at it; a text of its own
// until there is a rate to tell.
void FormatRateLine(std::uint64_t batchDone) {
    const DWORD elapsedMs = os().GetTickCount() - copyBox.startTick;
    const std::uint64_t received = copyBox.receivedBefore + copyBox.receivedNow;
    if (elapsedMs == 0 || received == 0) {
        std::snprintf(copyBox.rateLine, sizeof(copyBox.rateLine), "%s",
                      GetMsg(MSG_COPY_RATE_UNKNOWN));
        return;
    }
    const std::uint64_t left = batchDone < copyBox.batchTotal ? copyBox.batchTotal - batchDone : 0;
    const std::uint64_t secondsLeft = (left * elapsedMs / received + 999) / 1000;
    const auto number = [](std::uint64_t value) {
        return static_cast<std::int32_t>(std::min<std::uint64_t>(value, INT32_MAX));
    };
    const std::int32_t numbers[] = {number(received * 1000 / elapsedMs), number(secondsLeft / 60),
                                    number(secondsLeft % 60)};
    FormatNumberLine(copyBox.rateLine, sizeof(copyBox.rateLine), GetMsg(MSG_COPY_RATE_LINE),
                     numbers);
}

// Takes every event waiting in the console input; true when a key-down Esc was among them.
bool EscPressed() {
    const HANDLE input = os().GetStdHandle(STD_INPUT_HANDLE);
    bool escape = false;
    INPUT_RECORD events[CONSOLE_EVENTS_AT_ONCE];
    DWORD waiting = 0;
    while (os().PeekConsoleInputA(input, events, CONSOLE_EVENTS_AT_ONCE, &waiting) && waiting > 0) {
        DWORD taken = 0;
        if (!os().ReadConsoleInputA(input, events, waiting, &taken) || taken == 0) break;
        for (DWORD i = 0; i < taken; ++i) {
            const KEY_EVENT_RECORD& key = events[i].Event.KeyEvent;
            if (events[i].EventType == KEY_EVENT && key.bKeyDown != 0 &&
                key.wVirtualKeyCode == VK_ESCAPE)
                escape = true;
        }
    }
    return escape;
}

// After Esc: the user's choice when the host's settings ask for one, else to stop.
bool ChoosesToStop() {
    const int confirmations =
        HostServices.AdvControl(HostServices.ModuleNumber, ACTL_GETCONFIRMATIONS, nullptr);
    if ((confirmations & FCS_INTERRUPTOPERATION) == 0) return true;
    const char* items[] = {GetMsg(stopWatch.titleMessage), GetMsg(MSG_STOP_QUESTION),
                           GetMsg(MSG_BUTTON_STOP), GetMsg(MSG_BUTTON_GO_ON)};
    return HostServices.Message(HostServices.ModuleNumber, STOP_BOX_FLAGS, STOP_HELP_TOPIC, items,
                                4, 2) == 0;
}

bool LookForStop(bool atOnce) {
    if (stopWatch.stopChosen) return true;
    const DWORD now = os().GetTickCount();
    if (!atOnce && now - stopWatch.lastLook < LOOK_INTERVAL_MS) return false;
    stopWatch.stopChosen = EscPressed() && ChoosesToStop();
    // The time the question was open does not count towards the next look.
    stopWatch.lastLook = os().GetTickCount();
    return stopWatch.stopChosen;
}

}  // namespace

std::unique_ptr<SelectionList> PanelSelection(CameraPanel& panel, const NameSettings& settings) {
    PanelInfo info{};
    auto selection = std::make_unique<SelectionList>();
    if (HostServices.Control(&panel, FCTL_GETPANELINFO, &info) == 0) return selection;
    std::uint32_t count = 0;
    CollectSelection(panel, info, *selection, settings.photoPath, settings.thumbPath, count);
    return selection;
}

void StartCopyBox(std::uint32_t fileCount, std::uint32_t batchTotal) {
    copyBox = CopyBox{};
    copyBox.fileCount = fileCount;
    copyBox.batchTotal = batchTotal;
    copyBox.startTick = os().GetTickCount();
}

void BeginCopyFile() {
    ++copyBox.fileOrdinal;
    copyBox.receivedBefore += copyBox.receivedNow;
    copyBox.receivedNow = 0;
}

void ShowCopyTarget(const char* target) { ShowPath(copyBox.target, target, COPY_NAME_COLUMNS); }

void EndCopyFile(std::uint32_t size) { copyBox.bytesBefore += size; }

bool CopyProgress(std::uint32_t done, std::uint32_t size) {
    copyBox.receivedNow = done;
    const std::uint32_t filePercentage = Percentage(done, size);
    const std::uint64_t batchDone = std::uint64_t{copyBox.bytesBefore} + done;
    const std::uint32_t batchPercentage = Percentage(batchDone, copyBox.batchTotal);
    const std::int32_t fileNumbers[] = {
        static_cast<std::int32_t>(copyBox.fileOrdinal), static_cast<std::int32_t>(done),
        static_cast<std::int32_t>(size), static_cast<std::int32_t>(filePercentage)};
    FormatNumberLine(copyBox.fileLine, sizeof(copyBox.fileLine), GetMsg(MSG_COPY_FILE_LINE),
                     fileNumbers);
    FillBar(copyBox.fileBar, filePercentage);
    const std::int32_t batchNumbers[] = {
        static_cast<std::int32_t>(copyBox.fileCount), static_cast<std::int32_t>(batchDone),
        static_cast<std::int32_t>(copyBox.batchTotal), static_cast<std::int32_t>(batchPercentage)};
    FormatNumberLine(copyBox.batchLine, sizeof(copyBox.batchLine), GetMsg(MSG_COPY_BATCH_LINE),
                     batchNumbers);
    FillBar(copyBox.batchBar, batchPercentage);
    FormatRateLine(batchDone);
    const char* items[] = {GetMsg(MSG_COPY_TITLE), copyBox.target,    copyBox.fileLine,
                           copyBox.fileBar,        copyBox.batchLine, copyBox.batchBar,
                           copyBox.rateLine};
    HostServices.Message(HostServices.ModuleNumber, FMSG_LEFTALIGN, nullptr, items, 7, 0);
    return !StopAsked();
}

void SetFileProgressLines(const char* title, const char* fileName) {
    fileBox.title = title != nullptr ? title : "";
    ShowPath(fileBox.target, fileName, FILE_NAME_COLUMNS);
}

bool FileProgress(std::uint32_t done, std::uint32_t size) {
    std::snprintf(fileBox.percentage, sizeof(fileBox.percentage), "%02u%%",
                  static_cast<unsigned>(Percentage(done, size)));
    const char* items[] = {fileBox.title, fileBox.target, fileBox.percentage};
    HostServices.Message(HostServices.ModuleNumber, 0, nullptr, items, 3, 0);
    return !StopAsked();
}

void DeleteProgress(std::uint32_t ordinal, std::uint32_t total) {
    char line[LINE_SIZE];
    const std::int32_t numbers[] = {static_cast<std::int32_t>(ordinal),
                                    static_cast<std::int32_t>(total)};
    FormatNumberLine(line, sizeof(line), GetMsg(MSG_DELETE_PROGRESS), numbers);
    const char* items[] = {GetMsg(MSG_DELETE_TITLE), line};
    HostServices.Message(HostServices.ModuleNumber, 0, nullptr, items, 2, 0);
}

void StartStopWatch(int titleMessage) {
    stopWatch = StopWatch{titleMessage, os().GetTickCount(), false};
}

bool StopAsked() { return LookForStop(false); }

bool StoppedByUser(const CameraDevice& device) {
    if (device.operationCode == OP_STOPPED) return true;
    return device.link && device.link->readInterrupted() && LookForStop(true);
}

void ShowStopped(int titleMessage, int lineMessage, std::span<const std::int32_t> numbers) {
    char line[LINE_SIZE];
    FormatNumberLine(line, sizeof(line), GetMsg(lineMessage), numbers);
    const char* items[] = {GetMsg(titleMessage), line};
    HostServices.Message(HostServices.ModuleNumber, FMSG_MB_OK, STOP_HELP_TOPIC, items, 2, 0);
}

}  // namespace pixlor
