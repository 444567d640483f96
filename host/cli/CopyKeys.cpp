#include "host/cli/CopyKeys.h"

#include "far/FarPlugin.h"

namespace pixlor::host::cli {

KeyStroke CopyKeyFor(const CopyChoice& choice) {
    const bool shownPhotos = !choice.thumbnailView;
    KeyStroke stroke{choice.move ? VK_F6 : VK_F5, 0};
    switch (choice.kinds) {
    case CopyKinds::One: {
        const bool folders = choice.photoFolders.value_or(choice.photos);
        if (choice.photos != shownPhotos) stroke.controlState |= PKF_SHIFT;
        if (folders != choice.photos) stroke.controlState |= PKF_CONTROL;
        break;
    }
    case CopyKinds::BothOwnFolders: stroke.controlState = PKF_ALT; break;
    case CopyKinds::BothOneFolder: {
        const bool folders = choice.photoFolders.value_or(shownPhotos);
        stroke.controlState = PKF_ALT | (folders == shownPhotos ? PKF_SHIFT : PKF_CONTROL);
        break;
    }
    }
    return stroke;
}

}  // namespace pixlor::host::cli
