#include "platform/fake/FakeSystem.h"

#include "platform/Calendar.h"
#include "platform/LocalTime.h"
#include "platform/ReadWait.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace pixlor {

namespace {

const char* const kCallNames[] = {
    "CreateFileA", "CloseHandle", "ReadFile", "WriteFile", "GetCommState", "SetCommState",
    "SetCommTimeouts", "PurgeComm", "ClearCommError", "Sleep", "SetFileTime", "DeleteFileA",
    "FindFirstFileA", "FindNextFileA", "FindClose", "CreateDirectoryA", "GetLastError",
    "GetSystemTime", "DosDateTimeToFileTime", "LocalFileTimeToFileTime", "RegOpenKeyExA",
    "RegCreateKeyExA", "RegQueryValueExA", "RegSetValueExA", "RegEnumValueA", "RegCloseKey"};
static_assert(sizeof(kCallNames) / sizeof(kCallNames[0]) == static_cast<size_t>(SysCall::Count));

std::string hex(const BYTE* bytes, DWORD count) {
    std::string text;
    char cell[4];
    for (DWORD i = 0; i < count; ++i) {
        std::snprintf(cell, sizeof cell, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += cell;
    }
    return text;
}

std::string format(const char* pattern, auto... args) {
    char text[512];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

// A byte received at the wrong speed arrives as some other byte.
BYTE garble(BYTE value) { return static_cast<BYTE>((value * 37u + 0x5Bu) ^ 0xA6u); }

// "\\.\COM3" or "COM3" -> 3; 0 for anything else.
unsigned comNumber(LPCSTR name) {
    const char* text = name;
    if (std::strncmp(text, "\\\\.\\", 4) == 0) text += 4;
    if (std::strncmp(text, "COM", 3) != 0) return 0;
    unsigned number = 0;
    for (text += 3; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9' || number > 1000) return 0;
        number = number * 10 + static_cast<unsigned>(*text - '0');
    }
    return number;
}

}  // namespace

const char* sysCallName(SysCall call) { return kCallNames[static_cast<size_t>(call)]; }

FakeSystem::FakeSystem() {
    systemTime_ = SYSTEMTIME{2002, 7, 5, 5, 12, 0, 0, 0};
}

FakeSystem::~FakeSystem() {
    for (auto& [handle, native] : files_) nativeSystem().CloseHandle(native);
}

void FakeSystem::attachPort(unsigned number, SerialPeer* peer) {
    Port& port = ports_[number];
    port.peer = peer;
    port.dcb = DCB{};
    port.dcb.DCBlength = sizeof(DCB);
    port.dcb.BaudRate = 9600;
    port.dcb.fBinary = 1;
    port.dcb.fDtrControl = 1;
    port.dcb.fRtsControl = 1;
    port.dcb.XonLim = 2048;
    port.dcb.XoffLim = 512;
    port.dcb.ByteSize = 8;
    port.dcb.XonChar = 0x11;
    port.dcb.XoffChar = 0x13;
}

void FakeSystem::failCall(SysCall call, int nth, int times, DWORD error, FaultTarget target,
                          bool partial) {
    faults_.push_back(Fault{call, nth - 1, times, error, target, partial});
}

void FakeSystem::clearFaults() { faults_.clear(); }

std::vector<std::string> FakeSystem::log(SysCall call) const {
    std::vector<std::string> texts;
    for (const Record& record : records_)
        if (record.call == call) texts.push_back(record.text);
    return texts;
}

void FakeSystem::clearRecords() {
    records_.clear();
    counts_.fill(0);
    sent_.clear();
    received_.clear();
}

bool FakeSystem::portIsOpen(unsigned number) const {
    const Port* port = portNumbered(number);
    return port != nullptr && port->open;
}

DWORD FakeSystem::portBaud(unsigned number) const {
    const Port* port = portNumbered(number);
    return port != nullptr ? port->dcb.BaudRate : 0;
}

COMMTIMEOUTS FakeSystem::portTimeouts(unsigned number) const {
    const Port* port = portNumbered(number);
    return port != nullptr ? port->timeouts : COMMTIMEOUTS{};
}

const FakeSystem::Port* FakeSystem::portNumbered(unsigned number) const {
    auto found = ports_.find(number);
    return found == ports_.end() ? nullptr : &found->second;
}

FakeSystem::Port* FakeSystem::portOf(HANDLE handle) {
    for (auto& [number, port] : ports_)
        if (port.open && reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(number)) == handle)
            return &port;
    return nullptr;
}

std::uint64_t FakeSystem::byteMicros(DWORD baud) const {
    if (!linePacing_ || baud == 0) return 0;
    return (10u * 1000000u + baud - 1) / baud;
}

bool FakeSystem::enter(SysCall call, const std::string& text, FaultTarget kind, bool* partial) {
    ++counts_[static_cast<size_t>(call)];
    records_.push_back(Record{call, text});
    for (auto fault = faults_.begin(); fault != faults_.end(); ++fault) {
        if (fault->call != call) continue;
        if (fault->target != FaultTarget::Any && fault->target != kind) continue;
        if (fault->skip > 0) {
            --fault->skip;
            continue;
        }
        lastError_ = fault->error;
        if (partial != nullptr) *partial = fault->partial;
        if (--fault->times <= 0) faults_.erase(fault);
        return true;
    }
    return false;
}

HANDLE FakeSystem::CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, DWORD disposition,
                               DWORD flagsAndAttributes) {
    const unsigned number = comNumber(name);
    const FaultTarget kind = number != 0 ? FaultTarget::Port : FaultTarget::File;
    if (enter(SysCall::CreateFileA,
              format("CreateFileA(%s, 0x%X, %u, %u, 0x%X)", name, access, shareMode, disposition,
                     flagsAndAttributes),
              kind))
        return INVALID_HANDLE_VALUE;
    if (number != 0) {
        auto found = ports_.find(number);
        if (found == ports_.end() || found->second.peer == nullptr) {
            lastError_ = ERROR_FILE_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
        if (found->second.open) {
            lastError_ = ERROR_ACCESS_DENIED;
            return INVALID_HANDLE_VALUE;
        }
        found->second.open = true;
        found->second.input.clear();
        return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(number));
    }
    HANDLE native =
        nativeSystem().CreateFileA(name, access, shareMode, disposition, flagsAndAttributes);
    if (native == INVALID_HANDLE_VALUE) {
        lastError_ = nativeSystem().GetLastError();
        return INVALID_HANDLE_VALUE;
    }
    auto handle = reinterpret_cast<HANDLE>(nextHandle_++);
    files_[handle] = native;
    return handle;
}

BOOL FakeSystem::CloseHandle(HANDLE handle) {
    Port* port = portOf(handle);
    const bool fails =
        enter(SysCall::CloseHandle, port != nullptr ? "CloseHandle(port)" : "CloseHandle(file)",
              port != nullptr ? FaultTarget::Port : FaultTarget::File);
    if (fails && port != nullptr) return FALSE;
    if (port != nullptr) {
        port->open = false;
        port->input.clear();
        return TRUE;
    }
    auto file = files_.find(handle);
    if (file == files_.end()) {
        lastError_ = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    // A file whose close fails is closed all the same, as on both systems: what the failure
    // reports is that its data may not have reached the disk.
    const BOOL closed = nativeSystem().CloseHandle(file->second);
    files_.erase(file);
    return fails ? FALSE : closed;
}

BOOL FakeSystem::ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* done) {
    Port* port = portOf(handle);
    bool partial = false;
    *done = 0;
    if (enter(SysCall::ReadFile, format("ReadFile(%s, %u)", port ? "port" : "file", count),
              port != nullptr ? FaultTarget::Port : FaultTarget::File, &partial) &&
        !partial)
        return FALSE;
    if (port == nullptr) {
        auto file = files_.find(handle);
        if (file == files_.end()) {
            lastError_ = ERROR_INVALID_HANDLE;
            return FALSE;
        }
        return nativeSystem().ReadFile(file->second, buffer, partial ? count / 2 : count, done);
    }
    const ReadWait wait = readWaitFor(port->timeouts, count);
    const std::uint64_t deadline = wait.unbounded ? UINT64_MAX : now_ + wait.totalMs * 1000u;
    const DWORD wanted = partial ? count / 2 : count;
    auto* out = static_cast<BYTE*>(buffer);
    std::uint64_t lastArrival = now_;
    // When the read gives up waiting for its next byte.
    auto givesUpAt = [&] {
        if (*done == 0) return deadline;
        if (wait.returnWithAny) return lastArrival;  // what has come by then, no more
        return wait.intervalMs == 0 ? deadline
                                    : std::min(deadline, lastArrival + wait.intervalMs * 1000u);
    };
    while (*done < wanted && !port->input.empty() &&
           port->input.front().arrives <= givesUpAt()) {
        const Port::Byte byte = port->input.front();
        port->input.pop_front();
        out[*done] = byte.baud == port->dcb.BaudRate ? byte.value : garble(byte.value);
        received_.push_back(out[*done]);
        ++*done;
        lastArrival = std::max(lastArrival, byte.arrives);
    }
    // A read that nothing would ever end is a test waiting forever: it ends where it stands.
    const std::uint64_t end = *done == wanted ? lastArrival : givesUpAt();
    now_ = end == UINT64_MAX ? lastArrival : end;
    return TRUE;
}

BOOL FakeSystem::WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* done) {
    Port* port = portOf(handle);
    const auto* bytes = static_cast<const BYTE*>(buffer);
    bool partial = false;
    *done = 0;
    const std::string text = port != nullptr
                                 ? "WriteFile(port, " + hex(bytes, count) + ")"
                                 : format("WriteFile(file, %u)", count);
    if (enter(SysCall::WriteFile, text, port != nullptr ? FaultTarget::Port : FaultTarget::File,
              &partial) &&
        !partial)
        return FALSE;
    const DWORD sending = partial ? count / 2 : count;
    if (port == nullptr) {
        auto file = files_.find(handle);
        if (file == files_.end()) {
            lastError_ = ERROR_INVALID_HANDLE;
            return FALSE;
        }
        return nativeSystem().WriteFile(file->second, buffer, sending, done);
    }
    const DWORD hostBaud = port->dcb.BaudRate;
    sent_.insert(sent_.end(), bytes, bytes + sending);
    now_ += sending * byteMicros(hostBaud);
    *done = sending;
    PeerReply reply;
    port->peer->hostSent(bytes, sending, hostBaud, reply);
    const DWORD replyBaud = reply.baud != 0 ? reply.baud : hostBaud;
    // One line carries one byte at a time: a reply starts after whatever is still coming in.
    std::uint64_t arrives = now_ + reply.delayMicros;
    if (!port->input.empty()) arrives = std::max(arrives, port->input.back().arrives);
    auto pause = reply.pauses.begin();
    for (std::size_t i = 0; i < reply.bytes.size(); ++i) {
        for (; pause != reply.pauses.end() && pause->at == i; ++pause) arrives += pause->micros;
        arrives += byteMicros(replyBaud);
        port->input.push_back(Port::Byte{reply.bytes[i], replyBaud, arrives});
    }
    return TRUE;
}

BOOL FakeSystem::GetCommState(HANDLE handle, DCB* dcb) {
    if (enter(SysCall::GetCommState, "GetCommState(port)")) return FALSE;
    Port* port = portOf(handle);
    if (port == nullptr) {
        lastError_ = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    *dcb = port->dcb;
    return TRUE;
}

BOOL FakeSystem::SetCommState(HANDLE handle, const DCB* dcb) {
    if (enter(SysCall::SetCommState,
              format("SetCommState(%u, %u, %u, %u, abort %u, length %u)", dcb->BaudRate,
                     dcb->ByteSize, dcb->Parity, dcb->StopBits, dcb->fAbortOnError,
                     dcb->DCBlength)))
        return FALSE;
    Port* port = portOf(handle);
    if (port == nullptr) {
        lastError_ = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    port->dcb = *dcb;
    return TRUE;
}

BOOL FakeSystem::SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) {
    if (enter(SysCall::SetCommTimeouts,
              format("SetCommTimeouts(%u, %u, %u, %u, %u)", timeouts->ReadIntervalTimeout,
                     timeouts->ReadTotalTimeoutMultiplier, timeouts->ReadTotalTimeoutConstant,
                     timeouts->WriteTotalTimeoutMultiplier, timeouts->WriteTotalTimeoutConstant)))
        return FALSE;
    Port* port = portOf(handle);
    if (port == nullptr) {
        lastError_ = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    port->timeouts = *timeouts;
    return TRUE;
}

BOOL FakeSystem::PurgeComm(HANDLE handle, DWORD flags) {
    if (enter(SysCall::PurgeComm, format("PurgeComm(0x%X)", flags))) return FALSE;
    Port* port = portOf(handle);
    if (port == nullptr) {
        lastError_ = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if ((flags & PURGE_RXCLEAR) != 0) {
        // What has arrived is discarded; bytes still on the wire arrive later.
        while (!port->input.empty() && port->input.front().arrives <= now_)
            port->input.pop_front();
    }
    return TRUE;
}

BOOL FakeSystem::ClearCommError(HANDLE handle) {
    if (enter(SysCall::ClearCommError, "ClearCommError(port)")) return FALSE;
    if (portOf(handle) == nullptr) {
        lastError_ = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

void FakeSystem::Sleep(DWORD milliseconds) {
    enter(SysCall::Sleep, format("Sleep(%u)", milliseconds));
    now_ += static_cast<std::uint64_t>(milliseconds) * 1000u;
}

BOOL FakeSystem::SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* lastAccess,
                             const FILETIME* lastWrite) {
    if (enter(SysCall::SetFileTime, "SetFileTime(file)", FaultTarget::File)) return FALSE;
    auto file = files_.find(handle);
    if (file == files_.end()) {
        lastError_ = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return nativeSystem().SetFileTime(file->second, creation, lastAccess, lastWrite);
}

BOOL FakeSystem::DeleteFileA(LPCSTR name) {
    if (enter(SysCall::DeleteFileA, format("DeleteFileA(%s)", name), FaultTarget::File))
        return FALSE;
    const BOOL deleted = nativeSystem().DeleteFileA(name);
    if (!deleted) lastError_ = nativeSystem().GetLastError();
    return deleted;
}

HANDLE FakeSystem::FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) {
    if (enter(SysCall::FindFirstFileA, format("FindFirstFileA(%s)", pattern), FaultTarget::File))
        return INVALID_HANDLE_VALUE;
    Listing listing;
    WIN32_FIND_DATAA entry{};
    HANDLE native = nativeSystem().FindFirstFileA(pattern, &entry);
    if (native == INVALID_HANDLE_VALUE) {
        lastError_ = nativeSystem().GetLastError();
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

BOOL FakeSystem::FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found) {
    if (enter(SysCall::FindNextFileA, "FindNextFileA()", FaultTarget::File)) return FALSE;
    auto listing = listings_.find(find);
    if (listing == listings_.end()) {
        lastError_ = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (listing->second.next >= listing->second.entries.size()) {
        lastError_ = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    *found = listing->second.entries[listing->second.next++];
    return TRUE;
}

BOOL FakeSystem::FindClose(HANDLE find) {
    if (enter(SysCall::FindClose, "FindClose()", FaultTarget::File)) return FALSE;
    return listings_.erase(find) == 1 ? TRUE : FALSE;
}

BOOL FakeSystem::CreateDirectoryA(LPCSTR name) {
    if (enter(SysCall::CreateDirectoryA, format("CreateDirectoryA(%s)", name), FaultTarget::File))
        return FALSE;
    const BOOL created = nativeSystem().CreateDirectoryA(name);
    if (!created) lastError_ = nativeSystem().GetLastError();
    return created;
}

DWORD FakeSystem::GetLastError() {
    ++counts_[static_cast<size_t>(SysCall::GetLastError)];
    return lastError_;
}

void FakeSystem::GetSystemTime(SYSTEMTIME* now) {
    enter(SysCall::GetSystemTime, "GetSystemTime()");
    *now = systemTime_;
}

BOOL FakeSystem::DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) {
    if (enter(SysCall::DosDateTimeToFileTime,
              format("DosDateTimeToFileTime(0x%04X, 0x%04X)", dosDate, dosTime)))
        return FALSE;
    return dosDateTimeToFileTime(dosDate, dosTime, fileTime) ? TRUE : FALSE;
}

BOOL FakeSystem::LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
    if (enter(SysCall::LocalFileTimeToFileTime,
              format("LocalFileTimeToFileTime(0x%08X%08X)",
                     static_cast<unsigned>(local->dwHighDateTime),
                     static_cast<unsigned>(local->dwLowDateTime))))
        return FALSE;
    return localFileTimeToFileTime(*local, *utc) ? TRUE : FALSE;
}

LONG FakeSystem::RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) {
    if (enter(SysCall::RegOpenKeyExA,
              format("RegOpenKeyExA(%s, %s, 0x%X)", RegistryModel::rootName(root).c_str(),
                     subKey, access)))
        return static_cast<LONG>(lastError_);
    return registry_.openKey(root, subKey, key);
}

LONG FakeSystem::RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) {
    if (enter(SysCall::RegCreateKeyExA,
              format("RegCreateKeyExA(%s, %s, 0x%X)", RegistryModel::rootName(root).c_str(),
                     subKey, access)))
        return static_cast<LONG>(lastError_);
    return registry_.createKey(root, subKey, key);
}

LONG FakeSystem::RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data,
                                  DWORD* dataSize) {
    if (enter(SysCall::RegQueryValueExA,
              format("RegQueryValueExA(%s, %u)", name, dataSize != nullptr ? *dataSize : 0)))
        return static_cast<LONG>(lastError_);
    return registry_.queryValue(key, name, type, data, dataSize);
}

LONG FakeSystem::RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data,
                                DWORD dataSize) {
    if (enter(SysCall::RegSetValueExA, format("RegSetValueExA(%s, %u, %u)", name, type, dataSize)))
        return static_cast<LONG>(lastError_);
    return registry_.setValue(key, name, type, data, dataSize);
}

LONG FakeSystem::RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type,
                               BYTE* data, DWORD* dataSize) {
    if (enter(SysCall::RegEnumValueA, format("RegEnumValueA(%u)", index)))
        return static_cast<LONG>(lastError_);
    return registry_.enumValue(key, index, name, nameSize, type, data, dataSize);
}

LONG FakeSystem::RegCloseKey(HKEY key) {
    if (enter(SysCall::RegCloseKey, "RegCloseKey()")) return static_cast<LONG>(lastError_);
    return registry_.closeKey(key);
}

}  // namespace pixlor
