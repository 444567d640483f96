// The person in front of the emulated host: answers its message boxes and dialogs. A scripted
// user serves the tests; a terminal front end draws the same records on a console.
#pragma once

#include "far/FarPlugin.h"

#include <string>
#include <vector>

namespace pixlor::host {

// A message box as the plug-in asked for it, without any drawing.
struct BoxRecord {
    DWORD flags = 0;
    std::string helpTopic;
    std::string title;
    std::vector<std::string> lines;
    std::vector<std::string> buttons;  // none: drawn and left on screen, the call returns at once
};

// A dialog: its frame, help topic and the plug-in's items, which the user edits in place.
struct DialogRequest {
    int left = 0, top = 0, right = 0, bottom = 0;  // -1 centres
    std::string helpTopic;
    FarDialogItem* items = nullptr;
    int count = 0;

    // Index of the first item of `type` whose text is `text`, or -1.
    int find(int type, const std::string& text) const;
    // Sets the text of an edit item, cut to the item's buffer.
    void setText(int index, const std::string& text);
    // Selects a radio button and clears the others of its group, as the host does.
    void selectRadio(int index);
};

class HostUser {
public:
    virtual ~HostUser() = default;
    // The index of the button chosen, -1 for Esc; not asked for a box without buttons.
    virtual int answerMessage(const BoxRecord& box) = 0;
    // Called for every box without buttons, so that it can be shown; nothing is answered.
    virtual void showNotice(const BoxRecord& box) = 0;
    // The index of the item that ends the dialog, -1 when it is cancelled.
    virtual int answerDialog(DialogRequest& dialog) = 0;
};

}  // namespace pixlor::host
