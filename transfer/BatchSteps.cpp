#include "transfer/BatchSteps.h"

#include "shell/HostServices.h"
#include "shell/MessageNumbers.h"
#include "shell/Messages.h"
#include "shell/PanelListing.h"

#include <cstdio>

namespace pixlor {

namespace {

constexpr int BAR_CELLS = 50;  // each cell stands for 2 %
constexpr char CELL_FULL = '\xDB';
constexpr char CELL_SHADE = '\xB1';
constexpr int COPY_NAME_COLUMNS = 52;
constexpr int FILE_NAME_COLUMNS = 60;
constexpr std::size_t LINE_SIZE = 128;

using Bar = char[BAR_CELLS + 3];  // "[", the cells, "]", the terminator

// One batch at a time: the counters and lines the progress box shows.
struct CopyBox {
    std::uint32_t fileCount = 0;
    std::uint32_t fileOrdinal = 0;
    std::uint32_t batchTotal = 0;
    std::uint32_t bytesBefore = 0;
    char target[PATH_SIZE] = "";
    char fileLine[LINE_SIZE] = "";
    Bar fileBar = "";
    char batchLine[LINE_SIZE] = "";
    Bar batchBar = "";
};
CopyBox copyBox;

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
}

void BeginCopyFile() { ++copyBox.fileOrdinal; }

void ShowCopyTarget(const char* target) { ShowPath(copyBox.target, target, COPY_NAME_COLUMNS); }

void EndCopyFile(std::uint32_t size) { copyBox.bytesBefore += size; }

void CopyProgress(std::uint32_t done, std::uint32_t size) {
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
    const char* items[] = {GetMsg(MSG_COPY_TITLE), copyBox.target,    copyBox.fileLine,
                           copyBox.fileBar,        copyBox.batchLine, copyBox.batchBar};
    HostServices.Message(HostServices.ModuleNumber, FMSG_LEFTALIGN, nullptr, items, 6, 0);
}

void SetFileProgressLines(const char* title, const char* fileName) {
    fileBox.title = title != nullptr ? title : "";
    ShowPath(fileBox.target, fileName, FILE_NAME_COLUMNS);
}

void FileProgress(std::uint32_t done, std::uint32_t size) {
    std::snprintf(fileBox.percentage, sizeof(fileBox.percentage), "%02u%%",
                  static_cast<unsigned>(Percentage(done, size)));
    const char* items[] = {fileBox.title, fileBox.target, fileBox.percentage};
    HostServices.Message(HostServices.ModuleNumber, 0, nullptr, items, 3, 0);
}

void DeleteProgress(std::uint32_t ordinal, std::uint32_t total) {
    char line[LINE_SIZE];
    const std::int32_t numbers[] = {static_cast<std::int32_t>(ordinal),
                                    static_cast<std::int32_t>(total)};
    FormatNumberLine(line, sizeof(line), GetMsg(MSG_DELETE_PROGRESS), numbers);
    const char* items[] = {GetMsg(MSG_DELETE_TITLE), line};
    HostServices.Message(HostServices.ModuleNumber, 0, nullptr, items, 2, 0);
}

}  // namespace pixlor
