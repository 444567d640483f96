// The machine behind the test system: serial ports wired to in-process peers (the camera
// simulator or a scripted test peer), a virtual clock that sleeps and read time-outs advance
// without waiting, an in-memory registry, a console input that holds what was written into it,
// and files forwarded to the native system.
#pragma once

#include "platform/RegistryModel.h"
#include "platform/System.h"

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace pixlor {

// What the far end sends back after bytes from the host.
struct PeerReply {
    std::vector<BYTE> bytes;
    DWORD baud = 0;                 // the speed it is sent at; 0 = the host's own speed
    std::uint64_t delayMicros = 0;  // from the host's last byte to the first byte of the reply
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

class VirtualSystem : public System {
public:
    VirtualSystem();
    ~VirtualSystem() override;
    VirtualSystem(const VirtualSystem&) = delete;
    VirtualSystem& operator=(const VirtualSystem&) = delete;

    // --- set-up ---
    // COM<number> (1-based) answers through `peer`; nullptr detaches it.
    void attachPort(unsigned number, SerialPeer* peer);
    // The adapter of COM<number> is unplugged right after the host's next `writes` writes (at
    // once for 0):
    // every call on the open handle fails from then on (ERROR_GEN_FAILURE, as a hung-up line
    // answers), until the handle is closed; the port opens again afterwards.
    void hangUpPortAfterWrites(unsigned number, int writes);
    // Each byte takes its 10 bit times on the virtual clock, both ways (on by default).
    void setLinePacing(bool on) { linePacing_ = on; }
    void setSystemTime(const SYSTEMTIME& now) { systemTime_ = now; }
    RegistryModel& registry() { return registry_; }
    // The folder listing hands back its entries in reverse order (to test order independence).
    void setReverseListing(bool on) { reverseListing_ = on; }

    // --- observation ---
    std::uint64_t nowMicros() const { return now_; }
    void advanceMicros(std::uint64_t micros) { now_ += micros; }
    // Every byte the host wrote to serial ports, in order, and every byte it read from them.
    const std::vector<BYTE>& bytesSent() const { return sent_; }
    const std::vector<BYTE>& bytesReceived() const { return received_; }
    void clearTraffic();
    bool portIsOpen(unsigned number) const;
    DWORD portBaud(unsigned number) const;
    COMMTIMEOUTS portTimeouts(unsigned number) const;
    size_t openFileHandles() const { return files_.size(); }
    // The console input events not read yet.
    size_t consoleEventsWaiting() const { return consoleInput_.size(); }

    // The time calls take the process's own time-zone rules (TZ on POSIX): tests choose the
    // zone. LocalFileTimeToFileTime applies the offset in force at the system time set, as
    // Windows applies today's; TzSpecificLocalTimeToSystemTime the rules of the date given.
    PIXLOR_SYSTEM_CALLS(PIXLOR_SYSTEM_OVERRIDE)

private:
    struct Port {
        SerialPeer* peer = nullptr;
        bool open = false;
        DCB dcb{};
        COMMTIMEOUTS timeouts{};
        struct Byte {
            BYTE value;
            DWORD baud;             // the speed it was sent at
            std::uint64_t arrives;  // virtual time at which it is in the input buffer
        };
        std::deque<Byte> input;
        int writesBeforeHangUp = 0;  // 0: never
        bool hungUp = false;
    };
    struct Listing {
        std::vector<WIN32_FIND_DATAA> entries;
        size_t next = 0;
    };

    BOOL fail(DWORD error);
    Port* portOf(HANDLE handle);
    const Port* portNumbered(unsigned number) const;
    std::uint64_t byteMicros(DWORD baud) const;
    BOOL readPort(Port& port, BYTE* buffer, DWORD count, DWORD* done);
    BOOL writePort(Port& port, const BYTE* bytes, DWORD count, DWORD* done);

    std::map<unsigned, Port> ports_;
    std::map<HANDLE, HANDLE> files_;  // our handle -> native file handle
    std::map<HANDLE, Listing> listings_;
    std::deque<INPUT_RECORD> consoleInput_;
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
