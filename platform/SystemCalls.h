// The calls of the system table, each named once: X(result, name, parameters) in table order.
// System declares its entries from this list (System.h says what each one promises) and the
// fault layer names and counts them from it, so a call added here is everywhere at once.
#pragma once

#include "platform/Win32Api.h"

#include <cstddef>

// clang-format off
#define PIXLOR_SYSTEM_CALLS(X)                                                                  \
    X(HANDLE, CreateFileA,                                                                      \
      (LPCSTR name, DWORD access, DWORD shareMode, DWORD disposition, DWORD flagsAndAttributes)) \
    X(BOOL, CloseHandle, (HANDLE handle))                                                       \
    X(BOOL, ReadFile, (HANDLE handle, void* buffer, DWORD count, DWORD* done))                  \
    X(BOOL, WriteFile, (HANDLE handle, const void* buffer, DWORD count, DWORD* done))           \
    X(BOOL, GetCommState, (HANDLE handle, DCB* dcb))                                            \
    X(BOOL, SetCommState, (HANDLE handle, const DCB* dcb))                                      \
    X(BOOL, SetCommTimeouts, (HANDLE handle, const COMMTIMEOUTS* timeouts))                     \
    X(BOOL, PurgeComm, (HANDLE handle, DWORD flags))                                            \
    X(BOOL, ClearCommError, (HANDLE handle))                                                    \
    X(void, Sleep, (DWORD milliseconds))                                                        \
    X(BOOL, SetFileTime,                                                                        \
      (HANDLE handle, const FILETIME* creation, const FILETIME* lastAccess,                     \
       const FILETIME* lastWrite))                                                              \
    X(BOOL, DeleteFileA, (LPCSTR name))                                                         \
    X(HANDLE, FindFirstFileA, (LPCSTR pattern, WIN32_FIND_DATAA* found))                        \
    X(BOOL, FindNextFileA, (HANDLE find, WIN32_FIND_DATAA* found))                              \
    X(BOOL, FindClose, (HANDLE find))                                                           \
    X(BOOL, CreateDirectoryA, (LPCSTR name))                                                    \
    X(DWORD, GetLastError, ())                                                                  \
    X(void, GetSystemTime, (SYSTEMTIME* now))                                                   \
    X(BOOL, DosDateTimeToFileTime, (WORD dosDate, WORD dosTime, FILETIME* fileTime))            \
    X(BOOL, LocalFileTimeToFileTime, (const FILETIME* local, FILETIME* utc))                    \
    X(LONG, RegOpenKeyExA, (HKEY root, LPCSTR subKey, DWORD access, HKEY* key))                 \
    X(LONG, RegCreateKeyExA, (HKEY root, LPCSTR subKey, DWORD access, HKEY* key))               \
    X(LONG, RegQueryValueExA,                                                                   \
      (HKEY key, LPCSTR name, DWORD* type, BYTE* data, DWORD* dataSize))                        \
    X(LONG, RegSetValueExA,                                                                     \
      (HKEY key, LPCSTR name, DWORD type, const BYTE* data, DWORD dataSize))                    \
    X(LONG, RegEnumValueA,                                                                      \
      (HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type, BYTE* data,             \
       DWORD* dataSize))                                                                        \
    X(LONG, RegCloseKey, (HKEY key))                                                            \
    X(DWORD, GetTickCount, ())                                                                  \
    X(HANDLE, GetStdHandle, (DWORD which))                                                      \
    X(BOOL, PeekConsoleInputA,                                                                  \
      (HANDLE input, INPUT_RECORD* records, DWORD length, DWORD* read))                         \
    X(BOOL, ReadConsoleInputA,                                                                  \
      (HANDLE input, INPUT_RECORD* records, DWORD length, DWORD* read))                         \
    X(BOOL, WriteConsoleInputA,                                                                 \
      (HANDLE input, const INPUT_RECORD* records, DWORD length, DWORD* written))                \
    X(BOOL, FlushFileBuffers, (HANDLE handle))                                                  \
    X(BOOL, MoveFileExA, (LPCSTR existing, LPCSTR newName, DWORD flags))                        \
    X(BOOL, TzSpecificLocalTimeToSystemTime, (const SYSTEMTIME* local, SYSTEMTIME* universal))
// clang-format on

// Declares every entry as an override, in a class that implements the whole table.
#define PIXLOR_SYSTEM_OVERRIDE(result, name, parameters) result name parameters override;

namespace pixlor {

// One value a call of the table, for counting calls and choosing the one to fail.
enum class SysCall {
#define PIXLOR_SYSTEM_CALL_ID(result, name, parameters) name,
    PIXLOR_SYSTEM_CALLS(PIXLOR_SYSTEM_CALL_ID)
#undef PIXLOR_SYSTEM_CALL_ID
        Count
};

// clang-format off
inline constexpr const char* SYS_CALL_NAMES[] = {
#define PIXLOR_SYSTEM_CALL_NAME(result, name, parameters) #name,
    PIXLOR_SYSTEM_CALLS(PIXLOR_SYSTEM_CALL_NAME)
#undef PIXLOR_SYSTEM_CALL_NAME
};
// clang-format on

inline const char* sysCallName(SysCall call) {
    return SYS_CALL_NAMES[static_cast<std::size_t>(call)];
}

}  // namespace pixlor
