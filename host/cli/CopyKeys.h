// Which key and shift state ask the camera panel for a given copy. The panel offers one kind or
// both, named by the picture or the thumbnail folder pattern, relative to the kind it shows:
//   none       the kind shown, in its own date folders       Alt        both, each in its own
//   Shift      the other kind, in its own date folders        Alt+Shift  both, in the shown kind's
//   Ctrl       the kind shown, in the other kind's folders    Ctrl+Alt   both, in the other kind's
//   Ctrl+Shift the other kind, in the shown kind's folders
#pragma once

#include <optional>

namespace pixlor::host::cli {

enum class CopyKinds { One, BothOwnFolders, BothOneFolder };
enum class SubfolderMode { Auto = 0, Always = 1, Never = 2 };  // the copy dialog's radio buttons

struct CopyChoice {
    bool thumbnailView = false;  // the panel shows thumbnails (F7 pressed)
    CopyKinds kinds = CopyKinds::One;
    bool photos = true;                // with CopyKinds::One: pictures, else thumbnails
    std::optional<bool> photoFolders;  // date folders by the picture pattern; default: as
                                       // the kind copied, or as the kind shown for both
    bool move = false;
};

struct KeyStroke {
    int key = 0;
    unsigned controlState = 0;  // PKF_ bits
};

// The key (F5, or F6 to move) and the shift state whose copy is `choice`.
KeyStroke CopyKeyFor(const CopyChoice& choice);

}  // namespace pixlor::host::cli
