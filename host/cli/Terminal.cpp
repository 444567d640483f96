#include "host/cli/Terminal.h"

#include <algorithm>
#include <cstdio>
#include <iconv.h>
#include <iterator>
#include <vector>

namespace pixlor::host::cli {

namespace {

constexpr char CELL_FULL = '\xDB';
constexpr char CELL_SHADE = '\xB1';
constexpr int BAR_CELLS_ON_ONE_LINE = 20;
constexpr int SHORTEST_PATH = 24;  // a shortened path keeps its file name, as a rule
constexpr int SHORTEST_TEXT = 12;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4;
        else if (lead >= 0x80)
            return false;
        if (i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if (!IsContinuation(static_cast<unsigned char>(text[i + k]))) return false;
        i += length;
    }
    return true;
}

// Converts with the C library's converter; a byte it cannot convert becomes "?".
std::string FromCodePage(std::string_view text, const char* codePage) {
    iconv_t converter = ::iconv_open("UTF-8", codePage);
    std::string result;
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        for (char c : text) result += static_cast<unsigned char>(c) < 0x80 ? c : '?';
        return result;
    }
    std::string input(text);
    char* in = input.data();
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char buffer[256];
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t done = ::iconv(converter, &in, &inLeft, &out, &outLeft);
        result.append(buffer, static_cast<size_t>(out - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {  // a byte with no character
            result += '?';
            ++in;
            --inLeft;
        }
    }
    ::iconv_close(converter);
    return result;
}

// The first `count` characters of a UTF-8 text, or its last `count`.
std::string_view FirstCharacters(std::string_view text, int count) {
    size_t i = 0;
    for (int seen = 0; i < text.size(); ++i) {
        if (IsContinuation(static_cast<unsigned char>(text[i]))) continue;
        if (seen++ == count) break;
    }
    return text.substr(0, i);
}

std::string_view LastCharacters(std::string_view text, int count) {
    const int total = DisplayWidth(text);
    if (count >= total) return text;
    const size_t dropped = FirstCharacters(text, total - count).size();
    return text.substr(dropped);
}

struct LinePart {
    std::string text;
    std::string bar;  // the plug-in's bar, when the part is one
    bool path = false;
};

std::string Join(const std::vector<LinePart>& parts, int barCells, bool unicode) {
    std::string line;
    for (const LinePart& part : parts) {
        if (!part.bar.empty() && barCells == 0) continue;
        if (!line.empty()) line += "  ";
        line += part.bar.empty() ? part.text : RenderBar(part.bar, barCells, unicode);
    }
    return line;
}

}  // namespace

OemCodePage CodePageOfLanguage(const std::string& language) {
    return language == "Russian" ? OemCodePage::Cyrillic866 : OemCodePage::Latin437;
}

std::string TerminalText(std::string_view text, OemCodePage codePage) {
    if (IsValidUtf8(text)) return Printable(text);
    return Printable(
        FromCodePage(text, codePage == OemCodePage::Cyrillic866 ? "IBM866" : "IBM437"));
}

std::string Printable(std::string_view text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // C1 controls are two bytes in UTF-8, the first 0xC2.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (byte >= 0x20 && byte != 0x7F && !c1) {
            shown += text[i];
            continue;
        }
        if (byte == '\n')
            shown += "\\n";
        else if (byte == '\t')
            shown += "\\t";
        else if (byte == '\r')
            shown += "\\r";
        else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x",
                          c1 ? static_cast<unsigned char>(text[++i]) : byte);
            shown += escaped;
        }
    }
    return shown;
}

bool IsProgressBar(std::string_view line) {
    if (line.size() < 3 || line.front() != '[' || line.back() != ']') return false;
    return std::all_of(line.begin() + 1, line.end() - 1,
                       [](char c) { return c == CELL_FULL || c == CELL_SHADE; });
}

std::string RenderBar(std::string_view bar, int cells, bool unicode) {
    const auto inner = bar.substr(1, bar.size() - 2);
    const auto full = std::count(inner.begin(), inner.end(), CELL_FULL);
    const auto shown = inner.empty() ? 0 : full * cells / static_cast<long>(inner.size());
    std::string line = "[";
    for (int cell = 0; cell < cells; ++cell) {
        if (unicode)
            line += cell < shown ? "\u2588" : "\u2592";
        else
            line += cell < shown ? '#' : '.';
    }
    return line + "]";
}

int DisplayWidth(std::string_view text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
        return !IsContinuation(static_cast<unsigned char>(c));
    }));
}

namespace {

std::vector<LinePart> PartsOf(const BoxRecord& box, const TerminalStyle& style) {
    std::vector<LinePart> parts;
    parts.push_back({TerminalText(box.title, style.codePage), "", false});
    for (const std::string& line : box.lines) {
        if (line.empty()) continue;
        if (IsProgressBar(line)) {
            parts.push_back({"", line, false});
            continue;
        }
        const bool path = line.find_first_of("\\/") != std::string::npos;
        std::string text = TerminalText(line, style.codePage);
        if (path) std::replace(text.begin(), text.end(), '\\', '/');  // the plug-in's paths
        parts.push_back({text, "", path});
    }
    return parts;
}

// The parts on one line of at most style.width - 1 columns. Too long: shorter bars first, then
// the front of paths, then no title, then the front of counts ending in "%" and the end of
// other texts, then no bars; what is still too long is cut. `lossy` tells whether more than
// bars and paths had to give way.
std::string FitLine(std::vector<LinePart> parts, const TerminalStyle& style, bool& lossy) {
    const int room = std::max(style.width - 1, 1);
    const std::string ellipsis = style.unicode ? "\u2026" : "~";
    int barCells = BAR_CELLS_ON_ONE_LINE;
    std::string line = Join(parts, barCells, style.unicode);
    lossy = false;
    const auto shorten = [&](bool paths, int shortest) {
        while (DisplayWidth(line) > room) {
            LinePart* longest = nullptr;
            for (LinePart& part : parts)
                if (part.path == paths && DisplayWidth(part.text) > shortest + 1 &&
                    (longest == nullptr || DisplayWidth(part.text) > DisplayWidth(longest->text)))
                    longest = &part;
            if (longest == nullptr) return;
            const int length = DisplayWidth(longest->text);
            const int keep = std::max(shortest, length - (DisplayWidth(line) - room) - 1);
            const bool keepEnd = paths || longest->text.back() == '%';
            std::string kept(keepEnd ? LastCharacters(longest->text, keep)
                                     : FirstCharacters(longest->text, keep));
            // A count loses whole words, never the digits of a number.
            if (!paths && keepEnd && kept.find(' ') != std::string::npos)
                kept.erase(0, kept.find(' ') + 1);
            else if (!paths && !keepEnd && kept.rfind(' ') != std::string::npos)
                kept.erase(kept.rfind(' '));
            longest->text = keepEnd ? ellipsis + kept : kept + ellipsis;
            line = Join(parts, barCells, style.unicode);
            lossy = lossy || !paths;
        }
    };
    if (DisplayWidth(line) > room) {
        barCells = BAR_CELLS_ON_ONE_LINE / 2;
        line = Join(parts, barCells, style.unicode);
    }
    shorten(true, SHORTEST_PATH);
    if (DisplayWidth(line) > room && parts.size() > 1) {
        parts.erase(parts.begin());
        line = Join(parts, barCells, style.unicode);
        lossy = true;
    }
    // A line that cannot be redrawn in place keeps its counts whole rather than its bars.
    if (style.dumb && DisplayWidth(line) > room) {
        barCells = 0;
        line = Join(parts, barCells, style.unicode);
        lossy = true;
    }
    shorten(false, SHORTEST_TEXT);
    if (DisplayWidth(line) > room) {
        barCells = 0;
        line = Join(parts, barCells, style.unicode);
        lossy = true;
    }
    if (DisplayWidth(line) > room) line = std::string(FirstCharacters(line, room));
    return line;
}

}  // namespace

std::string ProgressLine(const BoxRecord& box, const TerminalStyle& style) {
    bool lossy = false;
    return FitLine(PartsOf(box, style), style, lossy);
}

std::vector<std::string> ProgressLines(const BoxRecord& box, const TerminalStyle& style) {
    const std::vector<LinePart> parts = PartsOf(box, style);
    bool lossy = false;
    std::string line = FitLine(parts, style, lossy);
    const auto bars = std::count_if(parts.begin(), parts.end(),
                                    [](const LinePart& part) { return !part.bar.empty(); });
    if (!lossy || style.dumb || bars < 2 || parts.size() < 4) return {line};
    // The batch's count and bar, with the rate and time left after them, go on a line of their
    // own: from the text before the last bar on.
    auto batch = std::find_if(parts.rbegin(), parts.rend(),
                              [](const LinePart& part) { return !part.bar.empty(); });
    const auto split = std::prev(batch.base(), 2);
    const std::vector<LinePart> first(parts.begin(), split);
    const std::vector<LinePart> second(split, parts.end());
    return {FitLine(first, style, lossy), FitLine(second, style, lossy)};
}

std::string ProgressSummary(const BoxRecord& box, const TerminalStyle& style) {
    std::vector<LinePart> parts = PartsOf(box, style);
    std::string line = parts.front().text;
    for (const LinePart& part : parts)
        if (part.path) return line + "  " + part.text;
    return parts.size() > 1 && parts[1].bar.empty() ? line + "  " + parts[1].text : line;
}

std::string BoxText(const BoxRecord& box, const TerminalStyle& style) {
    std::string text = TerminalText(box.title, style.codePage);
    for (const std::string& line : box.lines) {
        text += "\n  ";
        text += IsProgressBar(line) ? RenderBar(line, BAR_CELLS_ON_ONE_LINE, style.unicode)
                                    : TerminalText(line, style.codePage);
    }
    return text;
}

}  // namespace pixlor::host::cli
