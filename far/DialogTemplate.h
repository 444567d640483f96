// Dialogs described as tables of compact item records, expanded into the host's items just
// before each call.
#pragma once

#include "far/FarPlugin.h"

#include <cstdint>

namespace pixlor {

struct DialogItemTemplate {
    std::uint8_t type;
    std::uint8_t x1, y1, x2, y2;
    std::uint8_t focus;
    std::uintptr_t selected;  // a radio button's state; an edit's history name; a mask
    std::uint32_t flags;
    std::uint8_t defaultButton;
    std::uintptr_t data;  // a message number below 2000, else the item's text
};

// A text as a template's selected or data field.
inline std::uintptr_t TextRef(const char* text) { return reinterpret_cast<std::uintptr_t>(text); }

void ExpandDialogItems(const DialogItemTemplate* templates, FarDialogItem* items, int count);

}  // namespace pixlor
