#include "far/DialogTemplate.h"

#include "far/HostServices.h"

#include <cstdio>
#include <cstring>

namespace pixlor {

namespace {

// Data values below this are host message numbers; the others point at the item's text.
constexpr std::uintptr_t FIRST_TEXT_REFERENCE = 2000;

const char* TemplateText(std::uintptr_t data) {
    if (data < FIRST_TEXT_REFERENCE) return GetMsg(static_cast<int>(data));
    return reinterpret_cast<const char*>(data);
}

bool TakesTextParameter(const DialogItemTemplate& item) {
    return (item.type == DI_EDIT && (item.flags & DIF_HISTORY) != 0) ||
           (item.type == DI_FIXEDIT && (item.flags & DIF_MASKEDIT) != 0);
}

}  // namespace

void ExpandDialogItems(const DialogItemTemplate* templates, FarDialogItem* items, int count) {
    for (int i = 0; i < count; ++i) {
        const DialogItemTemplate& from = templates[i];
        FarDialogItem& to = items[i];
        std::memset(&to, 0, sizeof(to));
        to.Type = from.type;
        to.X1 = from.x1;
        to.Y1 = from.y1;
        to.X2 = from.x2;
        to.Y2 = from.y2;
        to.Focus = from.focus;
        if (TakesTextParameter(from))
            to.Param.History = reinterpret_cast<const char*>(from.selected);
        else
            to.Param.Selected = static_cast<int>(from.selected);
        to.Flags = from.flags;
        to.DefaultButton = from.defaultButton;
        const char* text = TemplateText(from.data);
        // A language text longer than the item's buffer is cut, never run past its end.
        std::snprintf(to.Data, sizeof(to.Data), "%s", text != nullptr ? text : "");
    }
}

}  // namespace pixlor
