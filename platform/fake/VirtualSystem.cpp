#include "platform/fake/VirtualSystem.h"

#include "platform/Calendar.h"
#include "platform/LocalTime.h"
#include "platform/SerialLine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace pixlor {

namespace {

// A byte received at the wrong speed arrives as some other byte.
BYTE garble(BYTE value) { return static_cast<BYTE>((value * 37u + 0x5Bu) ^ 0xA6u); }

// The standard handles: the console input, and two that are no console input.
const HANDLE CONSOLE_INPUT = reinterpret_cast<HANDLE>(std::uintptr_t{0x3C00});
const HANDLE CONSOLE_OUTPUT = reinterpret_cast<HANDLE>(std::uintptr_t{0x3C01});
const HANDLE CONSOLE_ERROR = reinterpret_cast<HANDLE>(std::uintptr_t{0x3C02});

HANDLE portHandle(unsigned number) {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(number));
}

}  // namespace

VirtualSystem::VirtualSystem() { systemTime_ = SYSTEMTIME{2002, 7, 5, 5, 12, 0, 0, 0}; }

VirtualSystem::~VirtualSystem() {
    for (auto& [handle, native] : files_) nativeSystem().CloseHandle(native);
}

void VirtualSystem::attachPort(unsigned number, SerialPeer* peer) {
    Port& port = ports_[number];
    port.peer = peer;
    port.dcb = openedPortDcb(9600);
}

void VirtualSystem::hangUpPortAfterWrites(unsigned number, int writes) {
    Port& port = ports_[number];
    port.writesBeforeHangUp = writes;
    if (writes == 0 && port.open) {
        port.hungUp = true;
        port.input.clear();
    }
}

void VirtualSystem::clearTraffic() {
    sent_.clear();
    received_.clear();
}

bool VirtualSystem::portIsOpen(unsigned number) const {
    const Port* port = portNumbered(number);
    return port != nullptr && port->open;
}

DWORD VirtualSystem::portBaud(unsigned number) const {
    const Port* port = portNumbered(number);
    return port != nullptr ? port->dcb.BaudRate : 0;
}

COMMTIMEOUTS VirtualSystem::portTimeouts(unsigned number) const {
    const Port* port = portNumbered(number);
    return port != nullptr ? port->timeouts : COMMTIMEOUTS{};
}

const VirtualSystem::Port* VirtualSystem::portNumbered(unsigned number) const {
    auto found = ports_.find(number);
    return found == ports_.end() ? nullptr : &found->second;
}

VirtualSystem::Port* VirtualSystem::portOf(HANDLE handle) {
    for (auto& [number, port] : ports_)
        if (port.open && portHandle(number) == handle) return &port;
    return nullptr;
}

std::uint64_t VirtualSystem::byteMicros(DWORD baud) const {
    if (!linePacing_ || baud == 0) return 0;
    return (10u * 1000000u + baud - 1) / baud;
}

BOOL VirtualSystem::fail(DWORD error) {
    lastError_ = error;
    return FALSE;
}

HANDLE VirtualSystem::CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, DWORD disposition,
                                  DWORD flagsAndAttributes) {
    if (const unsigned number = comNumber(name); number != 0) {
        auto found = ports_.find(number);
        if (found == ports_.end() || found->second.peer == nullptr) {
            fail(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        if (found->second.open) {
            fail(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        found->second.open = true;
        found->second.input.clear();
        return portHandle(number);
    }
    HANDLE native =
        nativeSystem().CreateFileA(name, access, shareMode, disposition, flagsAndAttributes);
    if (native == INVALID_HANDLE_VALUE) {
        fail(nativeSystem().GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    auto handle = reinterpret_cast<HANDLE>(nextHandle_++);
    files_[handle] = native;
    return handle;
}

BOOL VirtualSystem::CloseHandle(HANDLE handle) {
    if (Port* port = portOf(handle)) {
        port->open = false;
        port->hungUp = false;  // plugged in again by the time it is opened anew
        port->input.clear();
        return TRUE;
    }
    auto file = files_.find(handle);
    if (file == files_.end()) return fail(ERROR_INVALID_HANDLE);
    const BOOL closed = nativeSystem().CloseHandle(file->second);
    files_.erase(file);
    return closed;
}

BOOL VirtualSystem::ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* done) {
    *done = 0;
    if (Port* port = portOf(handle)) {
        if (port->hungUp) return fail(ERROR_GEN_FAILURE);
        return readPort(*port, static_cast<BYTE*>(buffer), count, done);
    }
    auto file = files_.find(handle);
    if (file == files_.end()) return fail(ERROR_INVALID_HANDLE);
    return nativeSystem().ReadFile(file->second, buffer, count, done);
}

BOOL VirtualSystem::readPort(Port& port, BYTE* buffer, DWORD count, DWORD* done) {
    const ReadWait wait = readWaitFor(port.timeouts, count);
    const std::uint64_t start = now_;
    std::uint64_t lastArrival = now_;
    while (*done < count && !port.input.empty() &&
           port.input.front().arrives <= wait.givesUpAt(start, *done, lastArrival)) {
        const Port::Byte byte = port.input.front();
        port.input.pop_front();
        buffer[*done] = byte.baud == port.dcb.BaudRate ? byte.value : garble(byte.value);
        received_.push_back(buffer[*done]);
        ++*done;
        lastArrival = std::max(lastArrival, byte.arrives);
    }
    // A read that nothing would ever end is a test waiting forever: it ends where it stands.
    const std::uint64_t end =
        *done == count ? lastArrival : wait.givesUpAt(start, *done, lastArrival);
    now_ = end == UINT64_MAX ? lastArrival : end;
    return TRUE;
}

BOOL VirtualSystem::WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* done) {
    *done = 0;
    if (Port* port = portOf(handle)) {
        if (port->hungUp) return fail(ERROR_GEN_FAILURE);
        return writePort(*port, static_cast<const BYTE*>(buffer), count, done);
    }
    auto file = files_.find(handle);
    if (file == files_.end()) return fail(ERROR_INVALID_HANDLE);
    return nativeSystem().WriteFile(file->second, buffer, count, done);
}

BOOL VirtualSystem::writePort(Port& port, const BYTE* bytes, DWORD count, DWORD* done) {
    const DWORD hostBaud = port.dcb.BaudRate;
    sent_.insert(sent_.end(), bytes, bytes + count);
    now_ += count * byteMicros(hostBaud);
    *done = count;
    PeerReply reply;
    port.peer->hostSent(bytes, count, hostBaud, reply);
    const DWORD replyBaud = reply.baud != 0 ? reply.baud : hostBaud;
    // One line carries one byte at a time: a reply starts after whatever is still coming in.
    std::uint64_t arrives = now_ + reply.delayMicros;
    if (!port.input.empty()) arrives = std::max(arrives, port.input.back().arrives);
    auto pause = reply.pauses.begin();
    for (std::size_t i = 0; i < reply.bytes.size(); ++i) {
        for (; pause != reply.pauses.end() && pause->at == i; ++pause) arrives += pause->micros;
        arrives += byteMicros(replyBaud);
        port.input.push_back(Port::Byte{reply.bytes[i], replyBaud, arrives});
    }
    if (port.writesBeforeHangUp > 0 && --port.writesBeforeHangUp == 0) {
        port.hungUp = true;
        port.input.clear();
    }
    return TRUE;
}

BOOL VirtualSystem::GetCommState(HANDLE handle, DCB* dcb) {
    Port* port = portOf(handle);
    if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (port->hungUp) return fail(ERROR_GEN_FAILURE);
    *dcb = port->dcb;
    return TRUE;
}

BOOL VirtualSystem::SetCommState(HANDLE handle, const DCB* dcb) {
    Port* port = portOf(handle);
    if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (port->hungUp) return fail(ERROR_GEN_FAILURE);
    port->dcb = *dcb;
    return TRUE;
}

BOOL VirtualSystem::SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) {
    Port* port = portOf(handle);
    if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (port->hungUp) return fail(ERROR_GEN_FAILURE);
    port->timeouts = *timeouts;
    return TRUE;
}

BOOL VirtualSystem::PurgeComm(HANDLE handle, DWORD flags) {
    Port* port = portOf(handle);
    if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
    if (port->hungUp) return fail(ERROR_GEN_FAILURE);
    if ((flags & PURGE_RXCLEAR) != 0) {
        // What has arrived is discarded; bytes still on the wire arrive later.
        while (!port->input.empty() && port->input.front().arrives <= now_) port->input.pop_front();
    }
    return TRUE;
}

BOOL VirtualSystem::ClearCommError(HANDLE handle) {
    const Port* port = portOf(handle);
    if (port == nullptr) return fail(ERROR_INVALID_HANDLE);
    return port->hungUp ? fail(ERROR_GEN_FAILURE) : TRUE;
}

void VirtualSystem::Sleep(DWORD milliseconds) {
    now_ += static_cast<std::uint64_t>(milliseconds) * 1000u;
}

BOOL VirtualSystem::SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* lastAccess,
                                const FILETIME* lastWrite) {
    auto file = files_.find(handle);
    if (file == files_.end()) return fail(ERROR_INVALID_HANDLE);
    return nativeSystem().SetFileTime(file->second, creation, lastAccess, lastWrite);
}

BOOL VirtualSystem::DeleteFileA(LPCSTR name) {
    const BOOL deleted = nativeSystem().DeleteFileA(name);
    if (!deleted) fail(nativeSystem().GetLastError());
    return deleted;
}

HANDLE VirtualSystem::FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) {
    Listing listing;
    WIN32_FIND_DATAA entry{};
    HANDLE native = nativeSystem().FindFirstFileA(pattern, &entry);
    if (native == INVALID_HANDLE_VALUE) {
        fail(nativeSystem().GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    do listing.entries.push_back(entry);
    while (nativeSystem().FindNextFileA(native, &entry));
    nativeSystem().FindClose(native);
    if (reverseListing_) std::reverse(listing.entries.begin(), listing.entries.end());
    auto handle = reinterpret_cast<HANDLE>(nextHandle_++);
    *found = listing.entries[0];
    listing.next = 1;
    listings_[handle] = std::move(listing);
    return handle;
}

BOOL VirtualSystem::FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found) {
    auto listing = listings_.find(find);
    if (listing == listings_.end()) return fail(ERROR_INVALID_HANDLE);
    if (listing->second.next >= listing->second.entries.size()) return fail(ERROR_NO_MORE_FILES);
    *found = listing->second.entries[listing->second.next++];
    return TRUE;
}

BOOL VirtualSystem::FindClose(HANDLE find) { return listings_.erase(find) == 1 ? TRUE : FALSE; }

BOOL VirtualSystem::CreateDirectoryA(LPCSTR name) {
    const BOOL created = nativeSystem().CreateDirectoryA(name);
    if (!created) fail(nativeSystem().GetLastError());
    return created;
}

DWORD VirtualSystem::GetLastError() { return lastError_; }

void VirtualSystem::GetSystemTime(SYSTEMTIME* now) { *now = systemTime_; }

BOOL VirtualSystem::DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) {
    return dosDateTimeToFileTime(dosDate, dosTime, fileTime) ? TRUE : FALSE;
}

// As on Windows: the offset in force at the machine's "now", whatever the date converted.
BOOL VirtualSystem::LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
#ifdef _WIN32
    return ::LocalFileTimeToFileTime(local, utc);
#else
    const std::int64_t now =
        daysFromCivil(systemTime_.wYear, systemTime_.wMonth, systemTime_.wDay) * 86400 +
        systemTime_.wHour * 3600 + systemTime_.wMinute * 60 + systemTime_.wSecond;
    return localFileTimeToFileTimeAt(*local, now, *utc) ? TRUE : fail(ERROR_INVALID_PARAMETER);
#endif
}

LONG VirtualSystem::RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD, HKEY* key) {
    return registry_.openKey(root, subKey, key);
}

LONG VirtualSystem::RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD, HKEY* key) {
    return registry_.createKey(root, subKey, key);
}

LONG VirtualSystem::RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data,
                                     DWORD* dataSize) {
    return registry_.queryValue(key, name, type, data, dataSize);
}

LONG VirtualSystem::RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data,
                                   DWORD dataSize) {
    return registry_.setValue(key, name, type, data, dataSize);
}

LONG VirtualSystem::RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type,
                                  BYTE* data, DWORD* dataSize) {
    return registry_.enumValue(key, index, name, nameSize, type, data, dataSize);
}

LONG VirtualSystem::RegCloseKey(HKEY key) { return registry_.closeKey(key); }

DWORD VirtualSystem::GetTickCount() { return static_cast<DWORD>(now_ / 1000u); }

HANDLE VirtualSystem::GetStdHandle(DWORD which) {
    switch (which) {
    case STD_INPUT_HANDLE: return CONSOLE_INPUT;
    case STD_OUTPUT_HANDLE: return CONSOLE_OUTPUT;
    case STD_ERROR_HANDLE: return CONSOLE_ERROR;
    default: fail(ERROR_INVALID_HANDLE); return INVALID_HANDLE_VALUE;
    }
}

BOOL VirtualSystem::PeekConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length,
                                      DWORD* read) {
    *read = 0;
    if (input != CONSOLE_INPUT) return fail(ERROR_INVALID_HANDLE);
    for (; *read < length && *read < consoleInput_.size(); ++*read)
        records[*read] = consoleInput_[*read];
    return TRUE;
}

BOOL VirtualSystem::ReadConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length,
                                      DWORD* read) {
    if (!PeekConsoleInputA(input, records, length, read)) return FALSE;
    if (*read == 0 && length > 0) {
        // The real call waits for the next key, which no test can press while it waits.
        std::fprintf(stderr, "virtual system: ReadConsoleInputA waits for a key forever\n");
        std::abort();
    }
    consoleInput_.erase(consoleInput_.begin(), consoleInput_.begin() + *read);
    return TRUE;
}

BOOL VirtualSystem::WriteConsoleInputA(HANDLE input, const INPUT_RECORD* records, DWORD length,
                                       DWORD* written) {
    *written = 0;
    if (input != CONSOLE_INPUT) return fail(ERROR_INVALID_HANDLE);
    consoleInput_.insert(consoleInput_.end(), records, records + length);
    *written = length;
    return TRUE;
}

BOOL VirtualSystem::FlushFileBuffers(HANDLE handle) {
    auto file = files_.find(handle);
    if (file == files_.end()) return fail(ERROR_INVALID_HANDLE);
    const BOOL flushed = nativeSystem().FlushFileBuffers(file->second);
    if (!flushed) fail(nativeSystem().GetLastError());
    return flushed;
}

BOOL VirtualSystem::MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
    const BOOL moved = nativeSystem().MoveFileExA(existing, newName, flags);
    if (!moved) fail(nativeSystem().GetLastError());
    return moved;
}

BOOL VirtualSystem::TzSpecificLocalTimeToSystemTime(const SYSTEMTIME* local,
                                                    SYSTEMTIME* universal) {
#ifdef _WIN32
    return ::TzSpecificLocalTimeToSystemTime(nullptr, local, universal);
#else
    return localSystemTimeToUniversal(*local, *universal) ? TRUE : fail(ERROR_INVALID_PARAMETER);
#endif
}

}  // namespace pixlor
