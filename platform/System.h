// The one seam between the plug-in and the operating system. Every system call the plug-in makes
// is one entry of this table, with the Win32 name and meaning; the plug-in calls nothing else.
// Implementations: win32/ forwards to kernel32 and advapi32, posix/ gives the same behaviour on
// Linux, fake/ runs tests on a virtual clock and can make any single call fail.
#pragma once

#include "platform/Win32Api.h"

namespace pixlor {

class System {
public:
    virtual ~System() = default;

    // Serial ports and files (kernel32). A name of the form "\\.\COM<n>" opens a serial port;
    // any other name is a file path with "\" as separator. Security attributes and template
    // handles are always absent, so they are not part of the seam.
    virtual HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, DWORD disposition,
                               DWORD flagsAndAttributes) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;
    virtual BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* done) = 0;
    virtual BOOL WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* done) = 0;
    virtual BOOL GetCommState(HANDLE handle, DCB* dcb) = 0;
    virtual BOOL SetCommState(HANDLE handle, const DCB* dcb) = 0;
    virtual BOOL SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL PurgeComm(HANDLE handle, DWORD flags) = 0;
    virtual BOOL ClearCommError(HANDLE handle) = 0;
    virtual void Sleep(DWORD milliseconds) = 0;

    // Files and folders (kernel32).
    virtual BOOL SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* lastAccess,
                             const FILETIME* lastWrite) = 0;
    virtual BOOL DeleteFileA(LPCSTR name) = 0;
    virtual HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) = 0;
    virtual BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found) = 0;
    virtual BOOL FindClose(HANDLE find) = 0;
    virtual BOOL CreateDirectoryA(LPCSTR name) = 0;
    virtual DWORD GetLastError() = 0;

    // Time (kernel32).
    virtual void GetSystemTime(SYSTEMTIME* now) = 0;
    virtual BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) = 0;
    // The computer's local time as the system's file time (UTC).
    virtual BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) = 0;

    // Registry (advapi32). Results are Win32 error codes, ERROR_SUCCESS on success.
    virtual LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) = 0;
    virtual LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) = 0;
    virtual LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data,
                                  DWORD* dataSize) = 0;
    virtual LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data,
                                DWORD dataSize) = 0;
    virtual LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type,
                               BYTE* data, DWORD* dataSize) = 0;
    virtual LONG RegCloseKey(HKEY key) = 0;
};

// The system in force: the native one unless a test has put another in place.
System& os();

// Puts `system` in force (nullptr returns to the native one); gives back the previous one.
System* useSystem(System* system);

// The native implementation of this build (win32/ or posix/).
System& nativeSystem();

}  // namespace pixlor
