#include "host/cli/TerminalUser.h"

#include "host/cli/Interrupts.h"
#include "host/cli/Texts.h"

#include <algorithm>
#include <iostream>

namespace pixlor::host::cli {

namespace {

constexpr const char* CLEAR_LINE = "\r\x1b[K";
constexpr const char* LINE_UP = "\x1b[1A";

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
        if (assumeYes) return 0;
        return ask(BoxText(box, style_)) ? 0 : 1;
    }
    // After Ctrl+C the plug-in says it stopped (or, when the camera failed meanwhile, reports
    // that): the program says it was interrupted instead, with its own count.
    if (InterruptSignal() != 0 && box.helpTopic == "StopBatch") return 0;
    if ((box.flags & FMSG_WARNING) != 0) {
        if (InterruptSignal() == 0 && !(explainsWarning && explainsWarning(box)))
            streams_.err << "pixlor: " << BoxText(box, style_) << std::endl;
    } else
        status(BoxText(box, style_));
    return 0;
}

bool TerminalUser::ask(const std::string& question) {
    endProgress();
    streams_.err << question << '\n';
    if (!streams_.inIsTerminal) {
        streams_.err << "pixlor: "
                     << Tr("no terminal to answer on: nothing done (--yes answers yes)")
                     << std::endl;
        return false;
    }
    streams_.err << Tr("[y/N] ") << std::flush;
    std::string answer;
    {
        const InterruptibleWait interruptible;  // Ctrl+C at the question ends the command
        std::getline(streams_.in, answer);
    }
    streams_.in.clear();
    return InterruptSignal() == 0 && IsYes(answer);
}

void TerminalUser::status(const std::string& line) {
    if (quiet) return;
    endProgress();
    streams_.err << line << std::endl;
}

void TerminalUser::showNotice(const BoxRecord& notice) {
    BoxRecord box = notice;
    if (noticeSeen) noticeSeen(box);
    if (quiet) return;
    if (streams_.errIsTerminal) {
        clearProgress();
        const std::vector<std::string> lines = ProgressLines(box, style_);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0) streams_.err << '\n';
            streams_.err << lines[i];
            progressWidth_ = std::max(progressWidth_, DisplayWidth(lines[i]));
        }
        streams_.err << std::flush;
        progressLines_ = static_cast<int>(lines.size());
        return;
    }
    // Not a terminal: one line for each new file or step, not one for each redraw.
    const std::string key = ProgressKey(box);
    if (key == lastProgressKey_) return;
    lastProgressKey_ = key;
    streams_.err << ProgressSummary(box, style_) << std::endl;
}

int TerminalUser::answerDialog(DialogRequest& dialog) {
    endProgress();
    return dialogAnswer ? dialogAnswer(dialog) : -1;
}

void TerminalUser::clearProgress() {
    for (int line = 0; line < progressLines_; ++line) {
        if (line > 0) streams_.err << (style_.dumb ? "" : LINE_UP);
        if (style_.dumb)  // no escape sequences: blanks over the old text
            streams_.err << '\r' << std::string(static_cast<size_t>(progressWidth_), ' ') << '\r';
        else
            streams_.err << CLEAR_LINE;
    }
    progressLines_ = 0;
}

void TerminalUser::endProgress() {
    lastProgressKey_.clear();
    if (progressLines_ == 0) return;
    clearProgress();  // the host restores the screen under a box
    progressWidth_ = 0;
    streams_.err << std::flush;
}

bool TerminalUser::warned(const std::string& helpTopic) const {
    for (const BoxRecord& box : answered_)
        if ((box.flags & FMSG_WARNING) != 0 && box.helpTopic == helpTopic) return true;
    return false;
}

}  // namespace pixlor::host::cli
