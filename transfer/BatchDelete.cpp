#include "transfer/BatchTransfer.h"

#include "far/HostServices.h"
#include "far/MessageNumbers.h"
#include "report/Messages.h"
#include "transfer/BatchSteps.h"

#include <set>

namespace pixlor {

namespace {

// A picture named twice would, after its first deletion, name its neighbour that moved into
// its place: only its first mention stays.
void DropRepeatedPictures(SelectionList& selection) {
    std::set<std::uint32_t> seen;
    std::erase_if(selection, [&seen](const SelectionItem& item) {
        return !seen.insert(item.position).second;
    });
}

}  // namespace

bool BatchDelete(CameraPanel& panel, std::unique_ptr<SelectionList> selection, DeleteTally* tally) {
    SavedScreen screen;
    NameSettings settings;
    ReadNameSettings(settings);
    if (!selection) selection = PanelSelection(panel, settings);
    DropRepeatedPictures(*selection);
    if (tally == nullptr) StartStopWatch(MSG_DELETE_TITLE);

    CameraDevice& device = *panel.device;
    SelectionList& pictures = *selection;
    const auto total = static_cast<std::uint32_t>(pictures.size());
    std::uint32_t deletedCount = 0;
    bool stopped = false;
    for (std::uint32_t i = 0; i < total; ++i) {
        if (i > 0 && StopAsked()) {
            stopped = true;
            break;
        }
        DeleteProgress(i + 1, total);
        const std::uint32_t deleted = pictures[i].position;
        if (!device.deletePicture(deleted + 1, i + 1 == total)) {
            if (StoppedByUser(device)) {
                stopped = true;
                break;
            }
            if (tally != nullptr) tally->deleted = deletedCount;
            ReportAndDisconnect(screen, device);
            return false;
        }
        ++deletedCount;
        HostServices.Control(&panel, FCTL_UPDATEPANEL, nullptr);
        HostServices.Control(&panel, FCTL_REDRAWPANEL, nullptr);
        // The camera closes the gap: the pictures behind the deleted one move one place up.
        for (SelectionItem& item : pictures)
            if (item.position > deleted) --item.position;
    }
    // Stopped before the last picture, the camera is still at the fast speed.
    if (stopped && device.linkReady != 0 && !DisconnectOrReport(screen, device)) return false;
    screen.restore();
    selection.reset();

    HostServices.Control(&panel, FCTL_UPDATEPANEL, nullptr);
    PanelRedrawInfo firstItem{0, 0};
    HostServices.Control(&panel, FCTL_REDRAWPANEL, &firstItem);
    if (tally != nullptr) {
        *tally = {deletedCount, stopped};
    } else if (stopped) {
        const std::int32_t numbers[] = {static_cast<std::int32_t>(deletedCount),
                                        static_cast<std::int32_t>(total)};
        ShowStopped(MSG_DELETE_TITLE, MSG_DELETE_STOPPED, numbers);
    }
    return true;
}

}  // namespace pixlor
