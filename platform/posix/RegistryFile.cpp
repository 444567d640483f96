#include "platform/posix/RegistryFile.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace pixlor {

namespace {

// UTF-16 (a Windows export) and UTF-8 text become single bytes; characters above 255 cannot be
// held by the plug-in's single-byte texts and become '?', which clears `lossless`: the file is
// then kept as a backup when the first save rewrites it.
std::string toSingleBytes(const std::string& raw, bool& lossless) {
    std::string text;
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        for (size_t i = 2; i + 1 < raw.size(); i += 2) {
            const unsigned unit = static_cast<unsigned char>(raw[i]) |
                                  static_cast<unsigned>(static_cast<unsigned char>(raw[i + 1]))
                                      << 8;
            text += unit < 256 ? static_cast<char>(unit) : '?';
            lossless = lossless && unit < 256;
        }
        return text;
    }
    size_t start = raw.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (start == 0) return raw;
    for (size_t i = start; i < raw.size(); ++i) {
        const auto byte = static_cast<unsigned char>(raw[i]);
        if ((byte & 0xE0) == 0xC0 && i + 1 < raw.size()) {
            const unsigned code =
                (byte & 0x1Fu) << 6 | (static_cast<unsigned char>(raw[i + 1]) & 0x3Fu);
            text += code < 256 ? static_cast<char>(code) : '?';
            lossless = lossless && code < 256;
            ++i;
        } else if (byte >= 0x80) {
            while (i + 1 < raw.size() && (static_cast<unsigned char>(raw[i + 1]) & 0xC0) == 0x80)
                ++i;
            text += '?';
            lossless = false;
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

// A quoted text with \\ and \" escapes starting at `at`; moves `at` past the closing quote.
bool parseQuoted(const std::string& line, size_t& at, std::string& out);

// A value line whose data is hex bytes: only such a line goes on over the next one when it ends
// in a backslash.
bool isHexValue(const std::string& line) {
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos) return false;
    std::string name;
    if (line[at] == '@')
        ++at;
    else if (!parseQuoted(line, at, name))
        return false;
    return line.compare(at, 4, "=hex") == 0;
}

std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    bool continued = false;
    auto finish = [&](std::string physical) {
        while (!physical.empty() && (physical.back() == '\r' || physical.back() == ' '))
            physical.pop_back();
        if (continued) {
            size_t first = physical.find_first_not_of(" \t");
            line += first == std::string::npos ? "" : physical.substr(first);
        } else {
            line = physical;
        }
        // A line already continued is a hex value: it is not looked at again.
        continued = !line.empty() && line.back() == '\\' && (continued || isHexValue(line));
        if (continued) {
            line.pop_back();
        } else {
            lines.push_back(line);
            line.clear();
        }
    };
    size_t begin = 0;
    for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
        finish(text.substr(begin, end - begin));
    if (begin < text.size() || continued) finish(text.substr(begin));
    return lines;
}

// A quoted text with \\ and \" escapes starting at `at`; moves `at` past the closing quote.
bool parseQuoted(const std::string& line, size_t& at, std::string& out) {
    if (at >= line.size() || line[at] != '"') return false;
    for (++at; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c == '\\' && at + 1 < line.size()) c = line[++at];
        out += c;
    }
    return false;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHexBytes(const std::string& text, std::vector<BYTE>& bytes) {
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
        if (at >= text.size()) break;
        if (at + 1 >= text.size()) return false;
        const int high = hexDigit(text[at]);
        const int low = hexDigit(text[at + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<BYTE>(high * 16 + low));
        at += 2;
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
        if (at < text.size() && text[at] != ',') return false;
        ++at;
    }
    return true;
}

bool parseData(const std::string& data, RegistryModel::Value& value) {
    if (!data.empty() && data[0] == '"') {
        size_t at = 0;
        std::string text;
        if (!parseQuoted(data, at, text) || data.find_first_not_of(" \t", at) != std::string::npos)
            return false;
        value.type = REG_SZ;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
        return true;
    }
    if (data.compare(0, 6, "dword:") == 0) {
        const std::string digits = data.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        DWORD number = 0;
        for (char c : digits) {
            const int digit = hexDigit(c);
            if (digit < 0) return false;
            number = number * 16 + static_cast<DWORD>(digit);
        }
        value.type = REG_DWORD;
        value.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                      static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
        return true;
    }
    if (data.compare(0, 4, "hex:") == 0) {
        value.type = 3;
        return parseHexBytes(data.substr(4), value.data);
    }
    if (data.compare(0, 4, "hex(") == 0) {
        const size_t close = data.find("):", 4);
        if (close == std::string::npos || close == 4 || close > 12) return false;
        DWORD type = 0;
        for (size_t i = 4; i < close; ++i) {
            const int digit = hexDigit(data[i]);
            if (digit < 0) return false;
            type = type * 16 + static_cast<DWORD>(digit);
        }
        value.type = type;
        return parseHexBytes(data.substr(close + 2), value.data);
    }
    return false;
}

// Where each value of the keys parsed so far stands, by key and folded name: a file of many
// values parses in linear time.
using ValueIndex = std::map<std::pair<const RegistryModel::Key*, std::string>, size_t>;

void setParsedValue(RegistryModel::Key& key, RegistryModel::Value value, ValueIndex& index) {
    if (index.find({&key, std::string()}) == index.end()) {
        // The key's values from before this file, once.
        index[{&key, std::string()}] = SIZE_MAX;
        for (size_t i = 0; i < key.values.size(); ++i)
            index.emplace(std::make_pair(&key, "=" + RegistryModel::fold(key.values[i].name)), i);
    }
    const auto [at, added] = index.emplace(
        std::make_pair(&key, "=" + RegistryModel::fold(value.name)), key.values.size());
    if (added)
        key.values.push_back(std::move(value));
    else
        key.values[at->second] = std::move(value);
}

bool knownRoot(const std::string& path) {
    const std::string root = path.substr(0, path.find('\\'));
    return root == "HKEY_CURRENT_USER" || root == "HKEY_LOCAL_MACHINE" ||
           root == "HKEY_CLASSES_ROOT" || root == "HKEY_USERS" || root == "HKEY_CURRENT_CONFIG";
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

// A REG_SZ value that the quoted form holds exactly: one terminating zero, no other zero, no
// line breaks.
bool plainText(const RegistryModel::Value& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) return false;
    for (size_t i = 0; i + 1 < value.data.size(); ++i)
        if (value.data[i] == 0 || value.data[i] == '\n' || value.data[i] == '\r') return false;
    return true;
}

std::string formatData(const RegistryModel::Value& value) {
    char cell[16];
    if (plainText(value)) return quoted(std::string(value.data.begin(), value.data.end() - 1));
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const DWORD number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                             static_cast<DWORD>(value.data[3]) << 24;
        std::snprintf(cell, sizeof cell, "dword:%08x", number);
        return cell;
    }
    std::string out;
    if (value.type == 3) {
        out = "hex:";
    } else {
        std::snprintf(cell, sizeof cell, "hex(%x):", value.type);
        out = cell;
    }
    for (size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(cell, sizeof cell, i + 1 < value.data.size() ? "%02x," : "%02x",
                      value.data[i]);
        out += cell;
        if (i % 24 == 23 && i + 1 < value.data.size()) out += "\\\n  ";
    }
    return out;
}

}  // namespace

bool parseRegFile(const std::string& raw, RegistryModel& registry) {
    bool clean = true;
    RegistryModel::Key* key = nullptr;
    bool header = false;
    ValueIndex index;
    for (const std::string& line : logicalLines(toSingleBytes(raw, clean))) {
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';') continue;
        const std::string content = line.substr(first);
        if (!header) {
            header = true;
            if (content == "REGEDIT4" || content == "Windows Registry Editor Version 5.00")
                continue;
            clean = false;
        }
        if (content.front() == '[') {
            key = nullptr;
            if (content.back() != ']' || content.size() < 3) {
                clean = false;
                continue;
            }
            const std::string path = content.substr(1, content.size() - 2);
            if (path.front() == '-') continue;  // a removal: nothing to keep
            if (!knownRoot(path)) {
                clean = false;
                continue;
            }
            key = &registry.ensureKey(path);
            continue;
        }
        RegistryModel::Value value;
        size_t at = 0;
        if (content[0] == '@') {
            at = 1;
        } else if (!parseQuoted(content, at, value.name)) {
            clean = false;
            continue;
        }
        if (at >= content.size() || content[at] != '=' || key == nullptr) {
            clean = false;
            continue;
        }
        const std::string data = content.substr(at + 1);
        if (data == "-") continue;  // a removal
        if (!parseData(data, value)) {
            clean = false;
            continue;
        }
        setParsedValue(*key, std::move(value), index);
    }
    return clean;
}

std::string formatRegFile(const RegistryModel& registry, const std::string& skipKey) {
    std::string text = "REGEDIT4\n";
    for (const auto& key : registry.keys()) {
        if (!skipKey.empty() && RegistryModel::fold(key->path) == RegistryModel::fold(skipKey))
            continue;
        text += "\n[" + key->path + "]\n";
        for (const auto& value : key->values)
            text += (value.name.empty() ? std::string("@") : quoted(value.name)) + "=" +
                    formatData(value) + "\n";
    }
    return text;
}

}  // namespace pixlor
