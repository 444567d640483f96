// What a failure on the camera's line leaves behind: the port's status bits (the link adds its
// protocol bits there) and the link's error code, for the device above it and for the programs
// that tell the user what went wrong.
#pragma once

#include <cstdint>

namespace pixlor {

constexpr std::uint32_t STATUS_CHECKSUM = 0x0001;    // a data packet's checksum does not match
constexpr std::uint32_t STATUS_UNEXPECTED = 0x0002;  // an answer's first byte is not known
constexpr std::uint32_t STATUS_REFUSED = 0x0004;     // the camera answered 0x11
constexpr std::uint32_t STATUS_NAK = 0x0010;         // the camera answered NAK
constexpr std::uint32_t STATUS_READ_SHORT = 0x0020;  // a read timed out short, or failed
constexpr std::uint32_t STATUS_PORT_SETUP = 0x0100;  // opening or setting up the port failed
constexpr std::uint32_t STATUS_NOT_OPEN = 0x0200;    // a read while the port is closed
constexpr std::uint32_t STATUS_WRITE = 0x0400;       // a write failed or was short
constexpr std::uint32_t STATUS_TIMEOUTS = 0x0800;    // setting the time-outs failed

constexpr std::int32_t LINK_OK = 0;
constexpr std::int32_t LINK_ERR_OPEN = 1;          // the first opening of the port failed
constexpr std::int32_t LINK_ERR_PORT_SETUP = 2;    // setting the local line parameters failed
constexpr std::int32_t LINK_ERR_PURGE = 3;         // purging the port failed
constexpr std::int32_t LINK_ERR_NO_WAKE = 4;       // no NAK to the wake-up byte at any speed
constexpr std::int32_t LINK_ERR_SPEED_SET = 5;     // the camera did not take the new speed
constexpr std::int32_t LINK_ERR_SPEED_RESET = 6;   // the camera did not go back to 19200 Bd
constexpr std::int32_t LINK_ERR_GET_REGISTER = 7;  // a register value was not read
constexpr std::int32_t LINK_ERR_SET_REGISTER = 8;  // a register value was not accepted
constexpr std::int32_t LINK_ERR_ACTION = 9;        // an action was not acknowledged or completed
constexpr std::int32_t LINK_ERR_GET_DATA = 10;     // the first data packet did not arrive intact
constexpr std::int32_t LINK_ERR_NEXT_PACKET = 11;  // a later data packet did not arrive intact

}  // namespace pixlor
