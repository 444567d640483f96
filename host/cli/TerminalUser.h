// The person at a terminal, in front of the emulated host: boxes without buttons (progress and
// notices) are redrawn in place on one line, warnings and error reports go to the error stream
// with their help topic, a question is asked on the terminal, and dialogs are answered by the
// command that caused them.
#pragma once

#include "host/HostUser.h"
#include "host/cli/Terminal.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace pixlor::host::cli {

struct TerminalStreams {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool outIsTerminal = false;  // progress redraws in place only on a terminal
    bool inIsTerminal = false;   // questions are asked only on a terminal
};

class TerminalUser : public HostUser {
public:
    TerminalUser(TerminalStreams streams, TerminalStyle style);

    // How the next dialogs are answered; without one, every dialog is cancelled.
    std::function<int(DialogRequest&)> dialogAnswer;
    // Questions (OK/Cancel boxes) are answered "OK" without asking.
    bool assumeYes = false;

    int answerMessage(const BoxRecord& box) override;
    void showNotice(const BoxRecord& box) override;
    int answerDialog(DialogRequest& dialog) override;

    // Ends the progress line, so that what follows starts on a clean line.
    void endProgress();
    // Every box with buttons shown so far, warnings and questions included.
    const std::vector<BoxRecord>& answeredBoxes() const { return answered_; }
    // True when a warning with the given help topic was shown.
    bool warned(const std::string& helpTopic) const;
    const TerminalStyle& style() const { return style_; }

private:
    TerminalStreams streams_;
    TerminalStyle style_;
    std::vector<BoxRecord> answered_;
    bool progressShown_ = false;
    std::string lastProgressKey_;
};

}  // namespace pixlor::host::cli
