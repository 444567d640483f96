#include "transfer/BatchTransfer.h"

#include "shell/HostServices.h"
#include "shell/Messages.h"
#include "transfer/BatchSteps.h"

#include <set>

namespace pixlor {

namespace {

// A picture named twice would, after its first deletion, name its neighbour that moved into
// its place: only its first mention stays.
void DropRepeatedPictures(SelectionList& selection) {
    std::set<std::uint32_t> seen;
    std::erase_if(selection,
                  [&seen](const SelectionItem& item) { return !seen.insert(item.position).second; });
}

}  // namespace

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
            ReportAndDisconnect(screen, device);
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
