// Misbehaviour that a test or a scenario scripts into the simulated camera.
#pragma once

#include <cstdint>
#include <optional>

namespace pixlor::sim {

// Command codes, the first payload byte of a command packet.
constexpr std::uint8_t CMD_SET_REGISTER = 0x00;
constexpr std::uint8_t CMD_GET_REGISTER = 0x01;
constexpr std::uint8_t CMD_ACTION = 0x02;
constexpr std::uint8_t CMD_REQUEST_DATA = 0x04;

// Which command packets a fault lies in wait for: a command code and a register or action
// number; an empty part matches anything.
struct CommandMatch {
    std::optional<std::uint8_t> code;
    std::optional<std::uint8_t> target;

    bool matches(std::uint8_t commandCode, std::uint8_t commandTarget) const {
        return (!code || *code == commandCode) && (!target || *target == commandTarget);
    }
    static CommandMatch any() { return {}; }
    static CommandMatch setRegister(std::uint8_t reg) { return {CMD_SET_REGISTER, reg}; }
    static CommandMatch getRegister(std::uint8_t reg) { return {CMD_GET_REGISTER, reg}; }
    static CommandMatch action(std::uint8_t code) { return {CMD_ACTION, code}; }
    static CommandMatch requestData(std::uint8_t reg) { return {CMD_REQUEST_DATA, reg}; }
};

enum class FaultKind {
    Nak,             // NAK instead of the answer; the command is not carried out
    Refuse,          // 0x11 instead of the answer; the command is not carried out
    Unexpected,      // the byte `value` instead of the answer, or instead of data packet `packet`
    Damage,          // data packet `packet` goes out with one byte flipped (its checksum fails)
    OverlongLength,  // data packet `packet` announces the length `value` (the rest as usual)
    Reorder,         // data packet `packet` goes out with two neighbouring payload bytes swapped:
                     // its sum, and so its checksum, still match
    Silence,         // no answer to the command; or, with `packet`, nothing after that packet
    Completion,      // the action's completion byte is `value` instead of 0x05; -1: none at all
    PowerCycle,      // the camera restarts as the command arrives: the command is lost, the
                     // transfer and the selection forgotten, the line back at 19200 Bd
};

constexpr int FAULT_FOREVER = -1;

struct Fault {
    FaultKind kind = FaultKind::Nak;
    CommandMatch on;
    int times = 1;    // how often it strikes (each re-send counts); FAULT_FOREVER: always
    int packet = -1;  // 0-based data packet of the command's transfer; -1: the command's answer
    int value = 0;
};

}  // namespace pixlor::sim
