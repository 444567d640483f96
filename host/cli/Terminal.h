// How the host's boxes look on a terminal: the plug-in's texts come from language files written
// in the console's OEM code page (437 for English, 866 for Russian), while file names are the
// file system's own bytes; the progress bars are OEM block characters.
#pragma once

#include "host/HostUser.h"

#include <string>
#include <string_view>
#include <vector>

namespace pixlor::host::cli {

enum class OemCodePage { Latin437, Cyrillic866 };

struct TerminalStyle {
    OemCodePage codePage = OemCodePage::Latin437;
    bool unicode = true;  // the locale's character set is UTF-8: bars in block characters
    int width = 80;       // columns of one line
    bool dumb = false;    // TERM=dumb: no escape sequences, ASCII bars
};

// The code page of a language file, by the language its first line names.
OemCodePage CodePageOfLanguage(const std::string& language);

// A text of a box for the terminal, in UTF-8. A text that is valid UTF-8 already is a name from
// the file system and stays as it is; anything else is read in the OEM code page. Control
// characters are shown escaped.
std::string TerminalText(std::string_view text, OemCodePage codePage);

// `text` with its control characters escaped ("\n", "\t", "\r", "\x1b"), so that a name
// cannot move the cursor or end a line.
std::string Printable(std::string_view text);

// True for a progress bar as the plug-in draws it: "[", full and shaded cells, "]".
bool IsProgressBar(std::string_view line);

// A bar of `cells` cells with the same share of full cells as `bar`.
std::string RenderBar(std::string_view bar, int cells, bool unicode);

// A box without buttons on one line of at most style.width - 1 columns: title and lines joined
// by two blanks, bars shortened; paths lose their front, other texts their end, when it is long.
std::string ProgressLine(const BoxRecord& box, const TerminalStyle& style);

// The box on as many lines as it needs at style.width (one, or two for a copy whose one line
// would lose its counts): the batch's count and bar, the rate and the time left go on the
// second line.
std::vector<std::string> ProgressLines(const BoxRecord& box, const TerminalStyle& style);

// A progress box as one line for a log: its title and its path (else its first line), no
// counts or bars.
std::string ProgressSummary(const BoxRecord& box, const TerminalStyle& style);

// A box as lines of text: the title, then each line indented.
std::string BoxText(const BoxRecord& box, const TerminalStyle& style);

// The number of characters (code points) of a UTF-8 text.
int DisplayWidth(std::string_view text);

}  // namespace pixlor::host::cli
