// The person at a terminal, in front of the emulated host. Results go to the output stream;
// everything else (progress, notices, questions, warnings) to the error stream, so that the
// output can be piped. Boxes without buttons (progress and notices) are redrawn in place when
// the error stream is a terminal, else written once per file or step; a question is asked on
// the terminal, and dialogs are answered by the command that caused them.
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
    bool errIsTerminal = false;  // progress redraws in place only on a terminal
    bool inIsTerminal = false;   // questions are asked only on a terminal
};

class TerminalUser : public HostUser {
public:
    TerminalUser(TerminalStreams streams, TerminalStyle style);

    // How the next dialogs are answered; without one, every dialog is cancelled.
    std::function<int(DialogRequest&)> dialogAnswer;
    // Sees every box without buttons before it is drawn, and may change what is drawn.
    std::function<void(BoxRecord&)> noticeSeen;
    // True for a warning that the command explains itself, later: it is not shown here.
    std::function<bool(const BoxRecord&)> explainsWarning;
    // Questions (OK/Cancel boxes) are answered "OK" without asking or showing them.
    bool assumeYes = false;
    // No progress and no notices; warnings still show.
    bool quiet = false;

    int answerMessage(const BoxRecord& box) override;
    void showNotice(const BoxRecord& box) override;
    int answerDialog(DialogRequest& dialog) override;

    // Asks `question` on the terminal; true for yes. No terminal: false, after saying so.
    bool ask(const std::string& question);
    // A line of status (not a result): on the error stream, unless quiet.
    void status(const std::string& line);
    // Ends the progress display, so that what follows starts on a clean line.
    void endProgress();
    // Every box with buttons shown so far, warnings and questions included.
    const std::vector<BoxRecord>& answeredBoxes() const { return answered_; }
    // True when a warning with the given help topic was shown.
    bool warned(const std::string& helpTopic) const;
    const TerminalStyle& style() const { return style_; }

private:
    void clearProgress();

    TerminalStreams streams_;
    TerminalStyle style_;
    std::vector<BoxRecord> answered_;
    int progressLines_ = 0;  // lines of the progress drawn on the terminal
    int progressWidth_ = 0;  // the widest of them, for a terminal without escape sequences
    std::string lastProgressKey_;
};

}  // namespace pixlor::host::cli
