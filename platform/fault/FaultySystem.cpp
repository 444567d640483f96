#include "platform/fault/FaultySystem.h"

#include "platform/RegistryModel.h"
#include "platform/SerialLine.h"

#include <cstdio>

namespace pixlor {

namespace {

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

const char* handleText(FaultTarget kind) { return kind == FaultTarget::Port ? "port" : "file"; }

}  // namespace

void FaultySystem::failCall(SysCall call, int nth, int times, DWORD error, FaultTarget target,
                            bool partial) {
    faults_.push_back(Fault{call, nth - 1, times, error, target, partial});
}

std::vector<std::string> FaultySystem::log(SysCall call) const {
    std::vector<std::string> texts;
    for (const Record& record : records_)
        if (record.call == call) texts.push_back(record.text);
    return texts;
}

void FaultySystem::clearRecords() {
    records_.clear();
    counts_.fill(0);
    seconds_.fill(0);
}

bool FaultySystem::enter(SysCall call, const std::string& text, FaultTarget kind, bool* partial) {
    ++counts_[static_cast<std::size_t>(call)];
    records_.push_back(Record{call, text});
    for (auto fault = faults_.begin(); fault != faults_.end(); ++fault) {
        if (fault->call != call) continue;
        if (fault->target != FaultTarget::Any && fault->target != kind) continue;
        if (fault->skip > 0) {
            --fault->skip;
            continue;
        }
        faultError_ = fault->error;
        faultErrorIsLast_ = true;
        if (partial != nullptr) *partial = fault->partial;
        if (--fault->times <= 0) faults_.erase(fault);
        return true;
    }
    entered_ = call;
    enteredAt_ = std::chrono::steady_clock::now();
    return false;
}

void FaultySystem::timeCall() {
    if (entered_ == SysCall::Count) return;
    seconds_[static_cast<std::size_t>(entered_)] +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - enteredAt_).count();
    entered_ = SysCall::Count;
}

BOOL FaultySystem::passed(BOOL result) {
    timeCall();
    if (!result) faultErrorIsLast_ = false;
    return result;
}

HANDLE FaultySystem::passed(HANDLE result) {
    timeCall();
    if (result == INVALID_HANDLE_VALUE) faultErrorIsLast_ = false;
    return result;
}

FaultTarget FaultySystem::kindOf(HANDLE handle) const {
    return openPorts_.count(handle) != 0 ? FaultTarget::Port : FaultTarget::File;
}

HANDLE FaultySystem::CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, DWORD disposition,
                                 DWORD flagsAndAttributes) {
    const FaultTarget kind = comNumber(name) != 0 ? FaultTarget::Port : FaultTarget::File;
    if (enter(SysCall::CreateFileA,
              format("CreateFileA(%s, 0x%X, %u, %u, 0x%X)", name, access, shareMode, disposition,
                     flagsAndAttributes),
              kind))
        return INVALID_HANDLE_VALUE;
    const HANDLE handle =
        passed(inner_.CreateFileA(name, access, shareMode, disposition, flagsAndAttributes));
    if (handle != INVALID_HANDLE_VALUE && kind == FaultTarget::Port) openPorts_.insert(handle);
    return handle;
}

BOOL FaultySystem::CloseHandle(HANDLE handle) {
    const FaultTarget kind = kindOf(handle);
    const bool fails =
        enter(SysCall::CloseHandle, format("CloseHandle(%s)", handleText(kind)), kind);
    if (fails && kind == FaultTarget::Port) return FALSE;
    openPorts_.erase(handle);
    // A file whose close fails is closed all the same, as on both systems: what the failure
    // reports is that its data may not have reached the disk.
    const BOOL closed = passed(inner_.CloseHandle(handle));
    return fails ? FALSE : closed;
}

BOOL FaultySystem::ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* done) {
    const FaultTarget kind = kindOf(handle);
    bool partial = false;
    *done = 0;
    if (enter(SysCall::ReadFile, format("ReadFile(%s, %u)", handleText(kind), count), kind,
              &partial) &&
        !partial)
        return FALSE;
    return passed(inner_.ReadFile(handle, buffer, partial ? count / 2 : count, done));
}

BOOL FaultySystem::WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* done) {
    const FaultTarget kind = kindOf(handle);
    bool partial = false;
    *done = 0;
    const std::string text =
        kind == FaultTarget::Port
            ? "WriteFile(port, " + hex(static_cast<const BYTE*>(buffer), count) + ")"
            : format("WriteFile(file, %u)", count);
    if (enter(SysCall::WriteFile, text, kind, &partial) && !partial) return FALSE;
    return passed(inner_.WriteFile(handle, buffer, partial ? count / 2 : count, done));
}

BOOL FaultySystem::GetCommState(HANDLE handle, DCB* dcb) {
    if (enter(SysCall::GetCommState, "GetCommState(port)")) return FALSE;
    return passed(inner_.GetCommState(handle, dcb));
}

BOOL FaultySystem::SetCommState(HANDLE handle, const DCB* dcb) {
    if (enter(SysCall::SetCommState, format("SetCommState(%u, %u, %u, %u, abort %u, length %u)",
                                            dcb->BaudRate, dcb->ByteSize, dcb->Parity,
                                            dcb->StopBits, dcb->fAbortOnError, dcb->DCBlength)))
        return FALSE;
    return passed(inner_.SetCommState(handle, dcb));
}

BOOL FaultySystem::SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) {
    if (enter(SysCall::SetCommTimeouts,
              format("SetCommTimeouts(%u, %u, %u, %u, %u)", timeouts->ReadIntervalTimeout,
                     timeouts->ReadTotalTimeoutMultiplier, timeouts->ReadTotalTimeoutConstant,
                     timeouts->WriteTotalTimeoutMultiplier, timeouts->WriteTotalTimeoutConstant)))
        return FALSE;
    return passed(inner_.SetCommTimeouts(handle, timeouts));
}

BOOL FaultySystem::PurgeComm(HANDLE handle, DWORD flags) {
    if (enter(SysCall::PurgeComm, format("PurgeComm(0x%X)", flags))) return FALSE;
    return passed(inner_.PurgeComm(handle, flags));
}

BOOL FaultySystem::ClearCommError(HANDLE handle) {
    if (enter(SysCall::ClearCommError, "ClearCommError(port)")) return FALSE;
    return passed(inner_.ClearCommError(handle));
}

// A fault on a call that cannot fail sets the last error and lets the call happen.
void FaultySystem::Sleep(DWORD milliseconds) {
    enter(SysCall::Sleep, format("Sleep(%u)", milliseconds));
    inner_.Sleep(milliseconds);
}

BOOL FaultySystem::SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* lastAccess,
                               const FILETIME* lastWrite) {
    if (enter(SysCall::SetFileTime, "SetFileTime(file)", FaultTarget::File)) return FALSE;
    return passed(inner_.SetFileTime(handle, creation, lastAccess, lastWrite));
}

BOOL FaultySystem::DeleteFileA(LPCSTR name) {
    if (enter(SysCall::DeleteFileA, format("DeleteFileA(%s)", name), FaultTarget::File))
        return FALSE;
    return passed(inner_.DeleteFileA(name));
}

HANDLE FaultySystem::FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) {
    if (enter(SysCall::FindFirstFileA, format("FindFirstFileA(%s)", pattern), FaultTarget::File))
        return INVALID_HANDLE_VALUE;
    return passed(inner_.FindFirstFileA(pattern, found));
}

BOOL FaultySystem::FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found) {
    if (enter(SysCall::FindNextFileA, "FindNextFileA()", FaultTarget::File)) return FALSE;
    return passed(inner_.FindNextFileA(find, found));
}

BOOL FaultySystem::FindClose(HANDLE find) {
    if (enter(SysCall::FindClose, "FindClose()", FaultTarget::File)) return FALSE;
    return passed(inner_.FindClose(find));
}

BOOL FaultySystem::CreateDirectoryA(LPCSTR name) {
    if (enter(SysCall::CreateDirectoryA, format("CreateDirectoryA(%s)", name), FaultTarget::File))
        return FALSE;
    return passed(inner_.CreateDirectoryA(name));
}

// Counted, but neither recorded nor failed: it reports on the calls that are.
DWORD FaultySystem::GetLastError() {
    ++counts_[static_cast<std::size_t>(SysCall::GetLastError)];
    return faultErrorIsLast_ ? faultError_ : inner_.GetLastError();
}

void FaultySystem::GetSystemTime(SYSTEMTIME* now) {
    enter(SysCall::GetSystemTime, "GetSystemTime()");
    inner_.GetSystemTime(now);
}

BOOL FaultySystem::DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) {
    if (enter(SysCall::DosDateTimeToFileTime,
              format("DosDateTimeToFileTime(0x%04X, 0x%04X)", dosDate, dosTime)))
        return FALSE;
    return passed(inner_.DosDateTimeToFileTime(dosDate, dosTime, fileTime));
}

BOOL FaultySystem::LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
    if (enter(SysCall::LocalFileTimeToFileTime,
              format("LocalFileTimeToFileTime(0x%08X%08X)",
                     static_cast<unsigned>(local->dwHighDateTime),
                     static_cast<unsigned>(local->dwLowDateTime))))
        return FALSE;
    return passed(inner_.LocalFileTimeToFileTime(local, utc));
}

// The registry calls return their error instead of setting the last one; a fault does both.
LONG FaultySystem::RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) {
    if (enter(SysCall::RegOpenKeyExA,
              format("RegOpenKeyExA(%s, %s, 0x%X)", RegistryModel::rootName(root).c_str(), subKey,
                     access)))
        return static_cast<LONG>(faultError_);
    return inner_.RegOpenKeyExA(root, subKey, access, key);
}

LONG FaultySystem::RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) {
    if (enter(SysCall::RegCreateKeyExA,
              format("RegCreateKeyExA(%s, %s, 0x%X)", RegistryModel::rootName(root).c_str(), subKey,
                     access)))
        return static_cast<LONG>(faultError_);
    return inner_.RegCreateKeyExA(root, subKey, access, key);
}

LONG FaultySystem::RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data,
                                    DWORD* dataSize) {
    if (enter(SysCall::RegQueryValueExA,
              format("RegQueryValueExA(%s, %u)", name, dataSize != nullptr ? *dataSize : 0)))
        return static_cast<LONG>(faultError_);
    return inner_.RegQueryValueExA(key, name, type, data, dataSize);
}

LONG FaultySystem::RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data,
                                  DWORD dataSize) {
    if (enter(SysCall::RegSetValueExA, format("RegSetValueExA(%s, %u, %u)", name, type, dataSize)))
        return static_cast<LONG>(faultError_);
    return inner_.RegSetValueExA(key, name, type, data, dataSize);
}

LONG FaultySystem::RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type,
                                 BYTE* data, DWORD* dataSize) {
    if (enter(SysCall::RegEnumValueA, format("RegEnumValueA(%u)", index)))
        return static_cast<LONG>(faultError_);
    return inner_.RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
}

LONG FaultySystem::RegCloseKey(HKEY key) {
    if (enter(SysCall::RegCloseKey, "RegCloseKey()")) return static_cast<LONG>(faultError_);
    return inner_.RegCloseKey(key);
}

// Counted, but neither recorded nor failed: the clock is read after every data packet and
// cannot fail.
DWORD FaultySystem::GetTickCount() {
    ++counts_[static_cast<std::size_t>(SysCall::GetTickCount)];
    return inner_.GetTickCount();
}

HANDLE FaultySystem::GetStdHandle(DWORD which) {
    if (enter(SysCall::GetStdHandle, format("GetStdHandle(%d)", static_cast<int>(which))))
        return INVALID_HANDLE_VALUE;
    return passed(inner_.GetStdHandle(which));
}

BOOL FaultySystem::PeekConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length,
                                     DWORD* read) {
    *read = 0;
    if (enter(SysCall::PeekConsoleInputA, format("PeekConsoleInputA(%u)", length))) return FALSE;
    return passed(inner_.PeekConsoleInputA(input, records, length, read));
}

BOOL FaultySystem::ReadConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length,
                                     DWORD* read) {
    *read = 0;
    if (enter(SysCall::ReadConsoleInputA, format("ReadConsoleInputA(%u)", length))) return FALSE;
    return passed(inner_.ReadConsoleInputA(input, records, length, read));
}

BOOL FaultySystem::WriteConsoleInputA(HANDLE input, const INPUT_RECORD* records, DWORD length,
                                      DWORD* written) {
    *written = 0;
    if (enter(SysCall::WriteConsoleInputA, format("WriteConsoleInputA(%u)", length))) return FALSE;
    return passed(inner_.WriteConsoleInputA(input, records, length, written));
}

BOOL FaultySystem::FlushFileBuffers(HANDLE handle) {
    if (enter(SysCall::FlushFileBuffers, "FlushFileBuffers(file)", FaultTarget::File)) return FALSE;
    return passed(inner_.FlushFileBuffers(handle));
}

BOOL FaultySystem::MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
    if (enter(SysCall::MoveFileExA, format("MoveFileExA(%s, %s, 0x%X)", existing, newName, flags),
              FaultTarget::File))
        return FALSE;
    return passed(inner_.MoveFileExA(existing, newName, flags));
}

BOOL FaultySystem::TzSpecificLocalTimeToSystemTime(const SYSTEMTIME* local, SYSTEMTIME* universal) {
    if (enter(SysCall::TzSpecificLocalTimeToSystemTime,
              format("TzSpecificLocalTimeToSystemTime(%04u-%02u-%02u %02u:%02u:%02u)", local->wYear,
                     local->wMonth, local->wDay, local->wHour, local->wMinute, local->wSecond)))
        return FALSE;
    return passed(inner_.TzSpecificLocalTimeToSystemTime(local, universal));
}

}  // namespace pixlor
