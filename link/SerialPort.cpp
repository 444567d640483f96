#include "link/SerialPort.h"

#include "platform/System.h"

#include <algorithm>
#include <cstdio>

namespace pixlor {

namespace {

void setLineParameters(DCB& dcb, std::uint32_t baud, std::uint8_t byteSize,
                       std::uint8_t stopBitCode, std::uint8_t parityCode) {
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = baud;
    dcb.ByteSize = byteSize;
    dcb.Parity = parityCode;
    dcb.StopBits = stopBitCode;
}

}  // namespace

SerialPort::SerialPort(std::uint8_t index) : portIndex(index) {}

SerialPort::~SerialPort() { close(); }

bool SerialPort::open(std::uint32_t baud, std::uint8_t newByteSize, std::uint8_t stopBitCode,
                      std::uint8_t parityCode) {
    // The "\\.\" form is the only one Windows takes for COM10 and above.
    char name[16];
    std::snprintf(name, sizeof name, "\\\\.\\COM%u", portIndex + 1u);
    handle = os().CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0);
    if (handle == INVALID_HANDLE_VALUE) {
        statusFlags |= STATUS_PORT_SETUP;
        return false;
    }
    DCB dcb{};
    bool ready =
        os().PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) &&
        os().GetCommState(handle, &dcb);
    if (ready) {
        setLineParameters(dcb, baud, newByteSize, stopBitCode, parityCode);
        // Until ClearCommError, a line error stops the driver instead of passing bad bytes on.
        dcb.fAbortOnError = 1;
        ready = os().SetCommState(handle, &dcb) && applyTimeouts();
    }
    if (!ready) {
        os().CloseHandle(handle);
        // The closed handle could belong to somebody else by now: never hand it out again.
        handle = INVALID_HANDLE_VALUE;
        statusFlags |= STATUS_PORT_SETUP;
        return false;
    }
    isOpen = 1;
    lineLost = 0;
    baudRate = baud;
    byteSize = newByteSize;
    stopBits = stopBitCode;
    parity = parityCode;
    return true;
}

bool SerialPort::configure(std::uint32_t baud, std::uint8_t newByteSize, std::uint8_t stopBitCode,
                           std::uint8_t parityCode) {
    if (isOpen == 0) {
        if (open(baud, newByteSize, stopBitCode, parityCode)) return true;
        statusFlags |= STATUS_PORT_SETUP;
        return false;
    }
    if (baud == baudRate && newByteSize == byteSize && stopBitCode == stopBits &&
        parityCode == parity)
        return true;
    DCB dcb{};
    if (!os().GetCommState(handle, &dcb)) {
        lineLost = 1;
        statusFlags |= STATUS_PORT_SETUP;
        return false;
    }
    setLineParameters(dcb, baud, newByteSize, stopBitCode, parityCode);
    if (!os().SetCommState(handle, &dcb)) {
        lineLost = 1;
        statusFlags |= STATUS_PORT_SETUP;
        return false;
    }
    baudRate = baud;
    byteSize = newByteSize;
    stopBits = stopBitCode;
    parity = parityCode;
    return true;
}

bool SerialPort::applyTimeouts() {
    // Each ReadFile returns as soon as bytes have come, or once the line has been silent for
    // the wait of one byte (constant + per byte); read() asks again for the rest. So a silent
    // line ends a read after that one wait, before its first byte or between two, at any speed.
    const DWORD silenceMs =
        std::max<DWORD>(1, readConstantMicros / 1000 + readPerByteMicros / 1000);
    const COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, silenceMs, 0, 0};
    if (handle == INVALID_HANDLE_VALUE || !os().SetCommTimeouts(handle, &timeouts)) {
        lineLost = isOpen != 0 ? 1 : 0;
        statusFlags |= STATUS_TIMEOUTS;
        return false;
    }
    return true;
}

bool SerialPort::read(void* buffer, std::uint32_t count) {
    readEndedBySilence = 0;
    readInterrupted = 0;
    if (isOpen == 0) {
        statusFlags |= STATUS_NOT_OPEN;
        return false;
    }
    // A failed purge means nothing was read; the link judges by the bits, so it must see one.
    if (!os().PurgeComm(handle, PURGE_TXCLEAR)) {
        lineLost = 1;
        statusFlags |= STATUS_READ_SHORT;
        return false;
    }
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::uint32_t done = 0;
    for (;;) {
        DWORD got = 0;
        const bool readOk = os().ReadFile(handle, bytes + done, count - done, &got) != 0;
        done += std::min<DWORD>(got, count - done);
        if (!readOk) {
            readInterrupted = os().GetLastError() == ERROR_OPERATION_ABORTED ? 1 : 0;
            if (readInterrupted == 0) lineLost = 1;
            break;
        }
        if (got == 0 && done < count) {  // a whole wait silent
            readEndedBySilence = 1;
            break;
        }
        if (done == count) return true;
    }
    statusFlags |= STATUS_READ_SHORT;
    // With fAbortOnError the driver refuses everything after a line error until this call.
    os().ClearCommError(handle);
    return false;
}

bool SerialPort::write(const void* buffer, std::uint32_t count) {
    if (isOpen == 0 || !os().PurgeComm(handle, PURGE_RXCLEAR)) {
        lineLost = isOpen != 0 ? 1 : 0;
        statusFlags |= STATUS_WRITE;
        return false;
    }
    DWORD done = 0;
    const bool written = os().WriteFile(handle, buffer, count, &done) != 0;
    if (written && done == count) return true;
    if (!written) lineLost = 1;
    statusFlags |= STATUS_WRITE;
    return false;
}

bool SerialPort::purge() {
    return isOpen != 0 && os().PurgeComm(handle, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void SerialPort::close() {
    if (isOpen == 0) return;
    os().CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    isOpen = 0;
}

}  // namespace pixlor
