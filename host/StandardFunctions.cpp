#include "host/StandardFunctions.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pixlor::host {

namespace {

int FARCDECL Sprintf(char* buffer, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsprintf(buffer, format, arguments);
    va_end(arguments);
    return written;
}

int FARCDECL Sscanf(const char* buffer, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int read = std::vsscanf(buffer, format, arguments);
    va_end(arguments);
    return read;
}

int FARAPI Atoi(const char* text) { return std::atoi(text); }

int lower(char c) { return std::tolower(static_cast<unsigned char>(c)); }

int FARAPI LStrnicmp(const char* first, const char* second, int count) {
    for (int i = 0; i < count; ++i) {
        const int difference = lower(first[i]) - lower(second[i]);
        if (difference != 0 || first[i] == '\0') return difference;
    }
    return 0;
}

int FARAPI LStricmp(const char* first, const char* second) {
    for (;; ++first, ++second) {
        const int difference = lower(*first) - lower(*second);
        if (difference != 0 || *first == '\0') return difference;
    }
}

int FARAPI AddEndSlash(char* path) {
    if (path == nullptr) return 0;
    const size_t length = std::strlen(path);
    if (length > 0 && path[length - 1] != '\\' && path[length - 1] != '/') {
        path[length] = '\\';
        path[length + 1] = '\0';
    }
    return 1;
}

}  // namespace

void FARAPI UnexpectedService() {
    std::fprintf(stderr, "host emulator: the plug-in called a host service it must not use\n");
    std::abort();
}

// The host counts characters on its console; names from the file system are UTF-8 here, so a
// character is a UTF-8 sequence and the path is never cut in the middle of one.
char* FARAPI TruncPathStr(char* path, int maxLength) {
    if (path == nullptr || maxLength < 0) return path;
    const auto isLead = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
    const auto length = static_cast<int>(std::strlen(path));
    const auto characters = static_cast<int>(std::count_if(path, path + length, isLead));
    if (characters <= maxLength) return path;
    // The byte where character `n` starts.
    const auto byteOf = [&](int n) {
        int at = 0;
        for (int seen = 0; at < length; ++at)
            if (isLead(path[at]) && seen++ == n) break;
        return at;
    };
    int root = 0;
    if (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\')
        root = 3;
    else if (path[0] == '/' || path[0] == '\\')
        root = 1;
    if (maxLength < root + 4) root = 0;
    if (maxLength < 4) {
        path[byteOf(maxLength)] = '\0';
        return path;
    }
    const int tail = byteOf(characters - (maxLength - root - 3));
    std::memmove(path + root + 3, path + tail, static_cast<size_t>(length - tail) + 1);
    std::memcpy(path + root, "...", 3);
    return path;
}

FarStandardFunctions MakeStandardFunctions() {
    FarStandardFunctions table{};
    table.StructSize = sizeof(FarStandardFunctions);
    // Assigned field by field: the table is packed, so its slots are not pointer-aligned.
    table.atoi64 = table.itoa = table.itoa64 = table.qsort = table.bsearch = table.qsortex =
        UnexpectedService;
    table.LIsLower = table.LIsUpper = table.LIsAlpha = table.LIsAlphanum = table.LUpper =
        table.LLower = table.LUpperBuf = table.LLowerBuf = table.LStrupr = table.LStrlwr =
            UnexpectedService;
    table.Unquote = table.ExpandEnvironmentStr = table.LTrim = table.RTrim = table.Trim =
        table.TruncStr = table.QuoteSpaceOnly = table.PointToName = table.GetPathRoot =
            UnexpectedService;
    table.CopyToClipboard = table.PasteFromClipboard = table.FarKeyToName = table.FarNameToKey =
        table.FarInputRecordToKey = table.XLat = table.GetFileOwner = table.GetNumberOfLinks =
            table.FarRecursiveSearch = table.MkTemp = table.DeleteBuffer = table.ProcessName =
                table.MkLink = table.ConvertNameToReal = table.GetReparsePointInfo =
                    UnexpectedService;
    table.atoi = Atoi;
    table.sprintf = Sprintf;
    table.sscanf = Sscanf;
    table.LStricmp = LStricmp;
    table.LStrnicmp = LStrnicmp;
    table.TruncPathStr = TruncPathStr;
    table.AddEndSlash = AddEndSlash;
    return table;
}

}  // namespace pixlor::host
