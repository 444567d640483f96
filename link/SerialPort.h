// The camera's wire: one COM port opened by number, blocking reads and writes; a read ends when
// the line falls silent. Every failure leaves a bit in statusFlags; the link adds its protocol
// bits there.
#pragma once

#include "link/LinkFailures.h"
#include "platform/Win32Api.h"

#include <cstdint>

namespace pixlor {

class SerialPort {
public:
    explicit SerialPort(std::uint8_t portIndex);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    bool open(std::uint32_t baud, std::uint8_t byteSize, std::uint8_t stopBitCode,
              std::uint8_t parityCode);
    bool configure(std::uint32_t baud, std::uint8_t byteSize, std::uint8_t stopBitCode,
                   std::uint8_t parityCode);
    bool applyTimeouts();
    bool read(void* buffer, std::uint32_t count);
    bool readByte(void* buffer) { return read(buffer, 1); }
    bool write(const void* buffer, std::uint32_t count);
    bool writeByte(std::uint8_t byte) { return write(&byte, 1); }
    bool purge();
    void close();

    std::uint32_t statusFlags = 0;
    // How the last read ended short: the line silent for a whole wait (so the camera has
    // stopped sending), or ReadFile failing, interrupted (ERROR_OPERATION_ABORTED) or not.
    std::uint8_t readEndedBySilence = 0;
    std::uint8_t readInterrupted = 0;
    // The system refused a read, a write or a change of the line on the open handle (the line
    // hung up, the adapter was unplugged, the handle is no longer valid): only a new open
    // brings the line back. Cleared by a successful open.
    std::uint8_t lineLost = 0;
    std::uint8_t portIndex;
    // A read ends once the line has been silent for constant + per byte (1001 ms), before its
    // first byte or between two; the action command lengthens it for its completion byte.
    std::uint32_t readConstantMicros = 1000;
    std::uint32_t readPerByteMicros = 1000000;
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::int32_t isOpen = 0;
    std::uint32_t baudRate = 0;
    std::uint8_t byteSize = 0;
    std::uint8_t stopBits = 0;
    std::uint8_t parity = 0;
};

}  // namespace pixlor
