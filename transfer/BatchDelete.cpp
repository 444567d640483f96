#include "transfer/BatchTransfer.h"

#include "shell/HostServices.h"
#include "shell/MessageNumbers.h"
#include "shell/Messages.h"
#include "shell/PanelListing.h"

#include <cstdio>
#include <set>

namespace pixlor {

namespace {

constexpr std::size_t LINE_SIZE = 128;

void DeleteProgress(std::uint32_t ordinal, std::uint32_t total) {
    char line[LINE_SIZE];
    const std::int32_t numbers[] = {static_cast<std::int32_t>(ordinal),
                                    static_cast<std::int32_t>(total)};
    FormatNumberLine(line, sizeof(line), GetMsg(MSG_DELETE_PROGRESS), numbers);
    const char* items[] = {GetMsg(MSG_DELETE_TITLE), line};
    HostServices.Message(HostServices.ModuleNumber, 0, nullptr, items, 2, 0);
}

// A picture named twice would, after its first deletion, name its neighbour that moved into
// its place: only its first mention stays.
void DropRepeatedPictures(SelectionList& selection) {
    std::set<std::uint32_t> seen;
    std::erase_if(selection,
                  [&seen](const SelectionItem& item) { return !seen.insert(item.position).second; });
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

void ReportBatchFailure(SavedScreen& screen, CameraDevice& device) {
    ReportCameraFailure(screen, device);
    if (!device.disconnect()) ReportCameraFailure(screen, device);
}

bool BatchDelete(CameraPanel& panel, std::unique_ptr<SelectionList> selection) {
    SavedScreen screen;
    NameSettings settings;
    ReadNameSettings(settings);
    if (!selection) selection = PanelSelection(panel, settings);
    DropRepeatedPictures(*selection);

    CameraDevice& device = *panel.device;
    SelectionList& pictures = *selection;
    const auto total = static_cast<std::uint32_t>(pictures.size());
    for (std::uint32_t i = 0; i < total; ++i) {
        DeleteProgress(i + 1, total);
        const std::uint32_t deleted = pictures[i].position;
        if (!device.deletePicture(deleted + 1, i + 1 == total)) {
            ReportBatchFailure(screen, device);
            return false;
        }
        HostServices.Control(&panel, FCTL_UPDATEPANEL, nullptr);
        HostServices.Control(&panel, FCTL_REDRAWPANEL, nullptr);
        // The camera closes the gap: the pictures behind the deleted one move one place up.
        for (SelectionItem& item : pictures)
            if (item.position > deleted) --item.position;
    }
    screen.restore();
    selection.reset();

    HostServices.Control(&panel, FCTL_UPDATEPANEL, nullptr);
    PanelRedrawInfo firstItem{0, 0};
    HostServices.Control(&panel, FCTL_REDRAWPANEL, &firstItem);
    return true;
}

}  // namespace pixlor
