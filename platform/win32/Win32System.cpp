// The system seam on Windows: each entry forwards to the kernel32 or advapi32 call of its name.
#include "platform/System.h"

namespace pixlor {

namespace {

class Win32System final : public System {
public:
    HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, DWORD disposition,
                       DWORD flagsAndAttributes) override {
        return ::CreateFileA(name, access, shareMode, nullptr, disposition, flagsAndAttributes,
                             nullptr);
    }
    BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }
    BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* done) override {
        return ::ReadFile(handle, buffer, count, done, nullptr);
    }
    BOOL WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* done) override {
        return ::WriteFile(handle, buffer, count, done, nullptr);
    }
    BOOL GetCommState(HANDLE handle, DCB* dcb) override { return ::GetCommState(handle, dcb); }
    BOOL SetCommState(HANDLE handle, const DCB* dcb) override {
        DCB copy = *dcb;
        return ::SetCommState(handle, &copy);
    }
    BOOL SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) override {
        COMMTIMEOUTS copy = *timeouts;
        return ::SetCommTimeouts(handle, &copy);
    }
    // A transmit purge never discards (System.h): only the receive side is passed on.
    BOOL PurgeComm(HANDLE handle, DWORD flags) override {
        const DWORD receiveFlags = flags & (PURGE_RXABORT | PURGE_RXCLEAR);
        if (receiveFlags != 0) return ::PurgeComm(handle, receiveFlags);
        // Still a failure on a handle that is no port, as the purge would be.
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        return ::GetCommState(handle, &dcb);
    }
    BOOL ClearCommError(HANDLE handle) override {
        DWORD errors = 0;
        COMSTAT status{};
        return ::ClearCommError(handle, &errors, &status);
    }
    void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }

    BOOL SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* lastAccess,
                     const FILETIME* lastWrite) override {
        return ::SetFileTime(handle, creation, lastAccess, lastWrite);
    }
    BOOL DeleteFileA(LPCSTR name) override { return ::DeleteFileA(name); }
    HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) override {
        return ::FindFirstFileA(pattern, found);
    }
    BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found) override {
        return ::FindNextFileA(find, found);
    }
    BOOL FindClose(HANDLE find) override { return ::FindClose(find); }
    BOOL CreateDirectoryA(LPCSTR name) override { return ::CreateDirectoryA(name, nullptr); }
    DWORD GetLastError() override { return ::GetLastError(); }

    void GetSystemTime(SYSTEMTIME* now) override { ::GetSystemTime(now); }
    BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) override {
        return ::DosDateTimeToFileTime(dosDate, dosTime, fileTime);
    }
    BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) override {
        return ::LocalFileTimeToFileTime(local, utc);
    }

    LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) override {
        return ::RegOpenKeyExA(root, subKey, 0, access, key);
    }
    LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) override {
        return ::RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                 key, nullptr);
    }
    LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data,
                          DWORD* dataSize) override {
        return ::RegQueryValueExA(key, name, nullptr, type, data, dataSize);
    }
    LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data,
                        DWORD dataSize) override {
        return ::RegSetValueExA(key, name, 0, type, data, dataSize);
    }
    LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type, BYTE* data,
                       DWORD* dataSize) override {
        return ::RegEnumValueA(key, index, name, nameSize, nullptr, type, data, dataSize);
    }
    LONG RegCloseKey(HKEY key) override { return ::RegCloseKey(key); }

    DWORD GetTickCount() override { return ::GetTickCount(); }
    HANDLE GetStdHandle(DWORD which) override { return ::GetStdHandle(which); }
    BOOL PeekConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length,
                           DWORD* read) override {
        return ::PeekConsoleInputA(input, records, length, read);
    }
    BOOL ReadConsoleInputA(HANDLE input, INPUT_RECORD* records, DWORD length,
                           DWORD* read) override {
        return ::ReadConsoleInputA(input, records, length, read);
    }
    BOOL WriteConsoleInputA(HANDLE input, const INPUT_RECORD* records, DWORD length,
                            DWORD* written) override {
        return ::WriteConsoleInputA(input, records, length, written);
    }
    BOOL FlushFileBuffers(HANDLE handle) override { return ::FlushFileBuffers(handle); }
    BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) override {
        return ::MoveFileExA(existing, newName, flags);
    }
    // The computer's own zone: its rules for the date given, not the offset in force today.
    BOOL TzSpecificLocalTimeToSystemTime(const SYSTEMTIME* local, SYSTEMTIME* universal) override {
        return ::TzSpecificLocalTimeToSystemTime(nullptr, local, universal);
    }
};

}  // namespace

System& nativeSystem() {
    static Win32System system;
    return system;
}

}  // namespace pixlor
