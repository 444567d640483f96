// A user played from a script, for tests: queued answers to boxes with buttons, queued actions
// for dialogs, and a record of everything shown.
#pragma once

#include "host/HostUser.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace pixlor::host {

// What a dialog looked like when it was shown, and how it ended.
struct DialogShown {
    int left, top, right, bottom;
    std::string helpTopic;
    std::vector<FarDialogItem> items;  // as the plug-in passed them
    int result;
};

class ScriptedUser : public HostUser {
public:
    using DialogAction = std::function<int(DialogRequest&)>;

    // The next box with buttons is answered with `button` (-1: Esc).
    void queueAnswer(int button) { answers_.push_back(button); }
    // The next dialog is handed to `action`, which edits its items and returns the ending item.
    void queueDialog(DialogAction action) { dialogActions_.push_back(std::move(action)); }

    int answerMessage(const BoxRecord& box) override;
    void showNotice(const BoxRecord& box) override;
    int answerDialog(DialogRequest& dialog) override;

    // Sees every box without buttons once it is recorded: where a test acts while the plug-in
    // works (presses a key, pulls a cable).
    std::function<void(const BoxRecord&)> noticeShown;

    std::vector<BoxRecord> boxes;  // every box, notices included, in order
    std::vector<DialogShown> dialogs;
    int unanswered = 0;  // boxes and dialogs shown with no answer queued (Esc)
    size_t answersLeft() const { return answers_.size() + dialogActions_.size(); }

private:
    std::deque<int> answers_;
    std::deque<DialogAction> dialogActions_;
};

}  // namespace pixlor::host
