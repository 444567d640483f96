#include "host/cli/TerminalUser.h"

#include <iostream>

namespace pixlor::host::cli {

namespace {

constexpr const char* CLEAR_LINE = "\r\x1b[K";

// A box shown again with the same title and first line is the same progress, redrawn.
std::string ProgressKey(const BoxRecord& box) {
    return box.title + '\n' + (box.lines.empty() ? std::string() : box.lines.front());
}

bool IsYes(const std::string& answer) {
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" ||
           answer == "\xD0\xB4" || answer == "\xD0\x94";  // the Cyrillic letter "d", for "da"
}

}  // namespace

TerminalUser::TerminalUser(TerminalStreams streams, TerminalStyle style)
    : streams_(streams), style_(style) {}

int TerminalUser::answerMessage(const BoxRecord& box) {
    endProgress();
    answered_.push_back(box);
    const bool question = box.buttons.size() > 1;
    if (question) {
        streams_.out << BoxText(box, style_) << '\n';
        if (assumeYes) return 0;
        if (!streams_.inIsTerminal) {
            streams_.err << "pixlor: no terminal to answer on: nothing done (--yes answers OK)\n";
            return 1;
        }
        streams_.out << "[y/N] " << std::flush;
        std::string answer;
        std::getline(streams_.in, answer);
        return IsYes(answer) ? 0 : 1;
    }
    if ((box.flags & FMSG_WARNING) != 0)
        streams_.err << "pixlor: " << BoxText(box, style_) << '\n';
    else
        streams_.out << BoxText(box, style_) << '\n';
    return 0;
}

void TerminalUser::showNotice(const BoxRecord& box) {
    if (streams_.outIsTerminal) {
        streams_.out << CLEAR_LINE << ProgressLine(box, style_) << std::flush;
        progressShown_ = true;
        return;
    }
    // Not a terminal: one line for each new file or step, not one for each redraw.
    const std::string key = ProgressKey(box);
    if (key == lastProgressKey_) return;
    lastProgressKey_ = key;
    TerminalStyle oneLine = style_;
    oneLine.width = 1000;
    streams_.out << ProgressLine(box, oneLine) << '\n';
}

int TerminalUser::answerDialog(DialogRequest& dialog) {
    endProgress();
    return dialogAnswer ? dialogAnswer(dialog) : -1;
}

void TerminalUser::endProgress() {
    lastProgressKey_.clear();
    if (!progressShown_) return;
    progressShown_ = false;
    streams_.out << CLEAR_LINE << std::flush;  // the host restores the screen under a box
}

bool TerminalUser::warned(const std::string& helpTopic) const {
    for (const BoxRecord& box : answered_)
        if ((box.flags & FMSG_WARNING) != 0 && box.helpTopic == helpTopic) return true;
    return false;
}

}  // namespace pixlor::host::cli
