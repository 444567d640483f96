// The test system: serial ports wired to in-process peers (the camera simulator or a scripted
// test peer), a virtual clock that sleeps and read time-outs advance without waiting, an
// in-memory registry, files forwarded to the native system, a record of every call with its
// arguments, and any chosen call made to fail.
#pragma once

#include "platform/RegistryModel.h"
#include "platform/System.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace pixlor {

// What the far end sends back after bytes from the host.
struct PeerReply {
    std::vector<BYTE> bytes;
    DWORD baud = 0;                  // the speed it is sent at; 0 = the host's own speed
    std::uint64_t delayMicros = 0;   // from the host's last byte to the first byte of the reply
    // The peer's own work inside the reply: the line is quiet for `micros` before byte `at`,
    // paced or not.
    struct Pause {
        std::size_t at;
        std::uint64_t micros;
    };
    std::vector<Pause> pauses;
};

// What sits on the far end of a fake serial port.
class SerialPeer {
public:
    virtual ~SerialPeer() = default;
    // The host sent `count` bytes at `hostBaud`; the peer fills `reply` (empty: silence).
    virtual void hostSent(const BYTE* bytes, DWORD count, DWORD hostBaud, PeerReply& reply) = 0;
};

enum class SysCall {
    CreateFileA, CloseHandle, ReadFile, WriteFile, GetCommState, SetCommState, SetCommTimeouts,
    PurgeComm, ClearCommError, Sleep, SetFileTime, DeleteFileA, FindFirstFileA, FindNextFileA,
    FindClose, CreateDirectoryA, GetLastError, GetSystemTime, DosDateTimeToFileTime,
    LocalFileTimeToFileTime, RegOpenKeyExA, RegCreateKeyExA, RegQueryValueExA, RegSetValueExA,
    RegEnumValueA, RegCloseKey, Count
};

const char* sysCallName(SysCall call);

// Which handles a ReadFile, WriteFile or CloseHandle fault applies to.
enum class FaultTarget { Any, Port, File };

class FakeSystem : public System {
public:
    FakeSystem();
    ~FakeSystem() override;
    FakeSystem(const FakeSystem&) = delete;
    FakeSystem& operator=(const FakeSystem&) = delete;

    // --- set-up ---
    // COM<number> (1-based) answers through `peer`; nullptr detaches it.
    void attachPort(unsigned number, SerialPeer* peer);
    // Each byte takes its 10 bit times on the virtual clock, both ways (on by default).
    void setLinePacing(bool on) { linePacing_ = on; }
    void setSystemTime(const SYSTEMTIME& now) { systemTime_ = now; }
    RegistryModel& registry() { return registry_; }

    // The nth call of `call` from now on (1 = the next) fails, and so do the `times` - 1 calls
    // after it. `error` becomes the last error; a partial fault lets ReadFile or WriteFile
    // succeed with half the bytes instead of failing.
    void failCall(SysCall call, int nth = 1, int times = 1, DWORD error = ERROR_GEN_FAILURE,
                  FaultTarget target = FaultTarget::Any, bool partial = false);
    void clearFaults();
    // The folder listing hands back its entries in reverse order (to test order independence).
    void setReverseListing(bool on) { reverseListing_ = on; }

    // --- observation ---
    struct Record {
        SysCall call;
        std::string text;  // "PurgeComm(port, 0x4)", "WriteFile(port, 1B 43 ...)", "Sleep(500)"
    };
    const std::vector<Record>& records() const { return records_; }
    std::vector<std::string> log(SysCall call) const;  // the texts of one kind of call
    int calls(SysCall call) const { return counts_[static_cast<size_t>(call)]; }
    void clearRecords();
    std::uint64_t nowMicros() const { return now_; }
    void advanceMicros(std::uint64_t micros) { now_ += micros; }
    // Every byte the host wrote to serial ports, in order, and every byte it read from them.
    const std::vector<BYTE>& bytesSent() const { return sent_; }
    const std::vector<BYTE>& bytesReceived() const { return received_; }
    bool portIsOpen(unsigned number) const;
    DWORD portBaud(unsigned number) const;
    COMMTIMEOUTS portTimeouts(unsigned number) const;
    size_t openFileHandles() const { return files_.size(); }

    // --- System ---
    HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, DWORD disposition,
                       DWORD flagsAndAttributes) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* done) override;
    BOOL WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* done) override;
    BOOL GetCommState(HANDLE handle, DCB* dcb) override;
    BOOL SetCommState(HANDLE handle, const DCB* dcb) override;
    BOOL SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) override;
    BOOL PurgeComm(HANDLE handle, DWORD flags) override;
    BOOL ClearCommError(HANDLE handle) override;
    void Sleep(DWORD milliseconds) override;
    BOOL SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* lastAccess,
                     const FILETIME* lastWrite) override;
    BOOL DeleteFileA(LPCSTR name) override;
    HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* found) override;
    BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* found) override;
    BOOL FindClose(HANDLE find) override;
    BOOL CreateDirectoryA(LPCSTR name) override;
    DWORD GetLastError() override;
    void GetSystemTime(SYSTEMTIME* now) override;
    BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) override;
    // The process's own time-zone rules (TZ on POSIX): tests choose the zone.
    BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) override;
    LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) override;
    LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD access, HKEY* key) override;
    LONG RegQueryValueExA(HKEY key, LPCSTR name, DWORD* type, BYTE* data,
                          DWORD* dataSize) override;
    LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD type, const BYTE* data,
                        DWORD dataSize) override;
    LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, DWORD* nameSize, DWORD* type,
                       BYTE* data, DWORD* dataSize) override;
    LONG RegCloseKey(HKEY key) override;

private:
    struct Port {
        SerialPeer* peer = nullptr;
        bool open = false;
        DCB dcb{};
        COMMTIMEOUTS timeouts{};
        struct Byte {
            BYTE value;
            DWORD baud;            // the speed it was sent at
            std::uint64_t arrives;  // virtual time at which it is in the input buffer
        };
        std::deque<Byte> input;
    };
    struct Fault {
        SysCall call;
        int skip;
        int times;
        DWORD error;
        FaultTarget target;
        bool partial;
    };
    struct Listing {
        std::vector<WIN32_FIND_DATAA> entries;
        size_t next = 0;
    };

    // Counts and records the call; true when a fault hits it (the last error is then set).
    bool enter(SysCall call, const std::string& text, FaultTarget kind = FaultTarget::Any,
               bool* partial = nullptr);
    Port* portOf(HANDLE handle);
    const Port* portNumbered(unsigned number) const;
    std::uint64_t byteMicros(DWORD baud) const;

    std::map<unsigned, Port> ports_;
    std::map<HANDLE, HANDLE> files_;  // our handle -> native file handle
    std::map<HANDLE, Listing> listings_;
    std::vector<Fault> faults_;
    std::vector<Record> records_;
    std::array<int, static_cast<size_t>(SysCall::Count)> counts_{};
    std::vector<BYTE> sent_;
    std::vector<BYTE> received_;
    RegistryModel registry_;
    SYSTEMTIME systemTime_{};
    std::uint64_t now_ = 0;
    std::uintptr_t nextHandle_ = 0x7000;
    DWORD lastError_ = 0;
    bool linePacing_ = true;
    bool reverseListing_ = false;
};

}  // namespace pixlor
