#include "host/ScriptedUser.h"

namespace pixlor::host {

int ScriptedUser::answerMessage(const BoxRecord& box) {
    boxes.push_back(box);
    if (answers_.empty()) {
        ++unanswered;
        return -1;
    }
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void ScriptedUser::showNotice(const BoxRecord& box) {
    boxes.push_back(box);
    if (noticeShown) noticeShown(box);
}

int ScriptedUser::answerDialog(DialogRequest& dialog) {
    DialogShown shown{dialog.left,
                      dialog.top,
                      dialog.right,
                      dialog.bottom,
                      dialog.helpTopic,
                      std::vector<FarDialogItem>(dialog.items, dialog.items + dialog.count),
                      -1};
    if (dialogActions_.empty()) {
        ++unanswered;
    } else {
        shown.result = dialogActions_.front()(dialog);
        dialogActions_.pop_front();
    }
    dialogs.push_back(std::move(shown));
    return dialogs.back().result;
}

}  // namespace pixlor::host
