// The simulated camera, written from the camera's side of the serial line: it answers the
// wake-up probe, takes command packets (checking their framing and checksums), keeps its
// registers and pictures, sends data packets and waits for the host's ACK or NAK, deletes and
// renumbers pictures, switches its line speed, and misbehaves when a fault is scripted.
//
// The camera listens at one speed at a time. Bytes that the host sends at another speed reach
// it as line noise: it drops them, forgets a half-received packet and answers nothing.
//
// The camera works on bytes alone, whatever line it sits on (the test system's virtual line, a
// pseudo-terminal): the line hands it the host's bytes in bursts, tells it when the host has
// gone quiet, and takes its answers, each with the speed it goes at and the camera's own work
// before it; the line gives them their time on the wire.
// A packet still incomplete when the line goes quiet is damaged and answered with NAK; so is a
// packet whose header is broken (an unknown type byte, an impossible length): the camera skips
// what follows until the line goes quiet, then answers NAK.
#pragma once

#include "platform/Win32Api.h"
#include "sim/CameraFaults.h"
#include "sim/PictureData.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pixlor::sim {

// Bytes of the wire, as the camera knows them.
constexpr BYTE CAM_PROBE = 0x00;
constexpr BYTE CAM_DATA = 0x02;
constexpr BYTE CAM_DATA_LAST = 0x03;
constexpr BYTE CAM_COMPLETE = 0x05;
constexpr BYTE CAM_ACK = 0x06;
constexpr BYTE CAM_REFUSED = 0x11;
constexpr BYTE CAM_NAK = 0x15;
constexpr BYTE CAM_ESC = 0x1B;
constexpr BYTE CAM_TYPE_COMMAND = 0x43;
constexpr BYTE CAM_TYPE_SPEED = 0x53;

// Registers and actions the camera knows.
constexpr BYTE REG_CURRENT_PICTURE = 4;
constexpr BYTE REG_PICTURE_COUNT = 10;
constexpr BYTE REG_PHOTO_DATA = 14;
constexpr BYTE REG_THUMB_DATA = 15;
constexpr BYTE REG_SPEED = 17;
constexpr BYTE REG_PICTURE_INFO = 47;
constexpr BYTE ACTION_DELETE_LAST = 0;
constexpr BYTE ACTION_DELETE_CURRENT = 7;

constexpr DWORD CAMERA_DEFAULT_BAUD = 19200;
constexpr std::uint32_t DEFAULT_PACKET_SIZE = 2048;
// The longest command payload the camera reads; a longer length field marks a broken header.
constexpr std::uint32_t MAX_COMMAND_PAYLOAD = 64;
// Bytes in the picture information record.
constexpr std::uint32_t PICTURE_INFO_SIZE = 32;

// The camera's line speed for a speed index 0..5; 0 for any other index.
DWORD cameraBaudForIndex(std::uint32_t speedIndex);

// Bytes the camera sent at one line speed.
struct Emission {
    DWORD baud = 0;
    std::vector<BYTE> bytes;
    std::uint32_t workMicros = 0;  // the camera's own work before these bytes go out
};

// How long erasing a picture takes before the camera reports the action complete.
constexpr std::uint32_t CAMERA_ERASE_MICROS = 30000;

struct CameraCounters {
    int probes = 0;          // wake-up probes answered
    int commands = 0;        // command packets received intact (faulted ones included)
    int damagedPackets = 0;  // command packets answered NAK for bad checksum, framing or truncation
    int speedSwitches = 0;
    int deletes = 0;
    int packetsSent = 0;    // data packets, re-sends included
    int packetsResent = 0;  // data packets sent again after a NAK
    int powerCycles = 0;
    int garbledBytes = 0;  // bytes that arrived at a speed other than the camera's
};

struct ByteLogEntry {
    bool fromHost = false;
    DWORD baud = 0;        // the speed the bytes travelled at
    bool garbled = false;  // from the host at a speed the camera was not listening at
    std::vector<BYTE> bytes;
};

class CameraModel {
public:
    // The pictures' files are plain data of the seed until setPictureFiles gives others.
    explicit CameraModel(std::vector<Picture> pictures = {}, std::uint32_t seed = 1,
                         std::uint32_t packetSize = DEFAULT_PACKET_SIZE);

    // --- the line ---
    // Bytes from the host at `hostBaud`; answers collect until takeOutput().
    void feed(const BYTE* bytes, std::size_t count, DWORD hostBaud);
    // The host has stopped sending: a half-received or broken packet is answered with NAK.
    void lineQuiet();
    bool packetPending() const { return parse_ != Parse::Idle; }
    std::vector<Emission> takeOutput();

    // --- scripting ---
    void addFault(const Fault& fault) { faults_.push_back(fault); }
    std::size_t faultsLeft() const { return faults_.size(); }
    // Pulls the plug and puts it back: 19200 Bd, no transfer, the first picture selected.
    void powerCycle();
    void setPacketSize(std::uint32_t size);
    void setPictureFiles(std::unique_ptr<PictureFiles> files) { files_ = std::move(files); }
    void setLogging(bool on) { logging_ = on; }

    // --- observation ---
    const std::vector<Picture>& pictures() const { return pictures_; }
    // The bytes of a picture as the camera sends them (by identity, whatever its number now).
    std::vector<BYTE> expectedData(std::uint32_t pictureId, PictureKind kind) const;
    std::uint32_t seed() const { return seed_; }
    std::uint32_t packetSize() const { return packetSize_; }
    DWORD baud() const { return baud_; }
    std::uint32_t speedIndex() const { return speedIndex_; }
    std::uint32_t currentPicture() const { return current_; }
    bool transferWaiting() const { return transfer_.active; }
    const CameraCounters& counters() const { return counters_; }
    const std::vector<ByteLogEntry>& log() const { return log_; }
    std::vector<BYTE> bytesFromHost() const;  // intact ones, garbled ones left out
    std::vector<BYTE> bytesToHost() const;

private:
    enum class Parse { Idle, Header, Payload, Checksum, Skipping };
    enum class Content { Value, Info, Photo, Thumbnail };

    struct Transfer {
        bool active = false;
        bool stalled = false;  // a scripted silence: ACK and NAK go unanswered
        std::uint8_t code = 0;
        std::uint8_t target = 0;
        Content content = Content::Value;
        std::uint32_t value = 0;      // Value: the register's value
        std::uint32_t pictureId = 0;  // Info, Photo, Thumbnail
        std::uint32_t size = 0;       // total payload bytes
        std::uint32_t packets = 1;
        std::uint32_t next = 0;  // the packet the host's ACK asks for
    };

    void takeByte(BYTE byte);
    void commandArrived();
    void execute(std::uint8_t code, std::uint8_t target, const std::vector<BYTE>& payload,
                 bool speedPacket);
    void setRegister(std::uint8_t reg, std::uint32_t value, bool speedPacket);
    void getRegister(std::uint8_t reg);
    void requestData(std::uint8_t reg);
    void runAction(std::uint8_t action, std::uint8_t argument);
    void startTransfer(const Transfer& transfer);
    void sendPacket(std::uint32_t index);
    void fillPayload(std::uint32_t offset, BYTE* out, std::uint32_t count);
    void deletePicture(std::size_t position);
    bool currentIsValid() const { return current_ >= 1 && current_ <= pictures_.size(); }
    void send(const BYTE* bytes, std::size_t count);
    void sendByte(BYTE byte) { send(&byte, 1); }
    void logBytes(bool fromHost, const BYTE* bytes, std::size_t count, DWORD baud, bool garbled);
    // The first fault of `kind` waiting for this command (and packet); it is used up once.
    bool strike(FaultKind kind, std::uint8_t code, std::uint8_t target, int packet,
                int* value = nullptr);
    const Picture* pictureById(std::uint32_t id) const;

    std::vector<Picture> pictures_;
    std::vector<Fault> faults_;
    std::uint32_t seed_;
    std::unique_ptr<PictureFiles> files_;
    std::uint32_t packetSize_;
    DWORD baud_ = CAMERA_DEFAULT_BAUD;
    std::uint32_t speedIndex_ = 0;
    std::uint32_t current_ = 1;
    Transfer transfer_;
    Parse parse_ = Parse::Idle;
    std::vector<BYTE> packet_;  // the command packet being received, header included
    std::uint32_t payloadLength_ = 0;
    std::vector<BYTE> packetOut_;  // reused for every data packet
    std::vector<Emission> output_;
    std::vector<ByteLogEntry> log_;
    CameraCounters counters_;
    bool logging_ = true;
};

}  // namespace pixlor::sim
