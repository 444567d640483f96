// The test system: the virtual machine (serial lines to in-process peers, virtual clock,
// in-memory registry, forwarded files) under the fault layer (a record of every call with its
// arguments, and any chosen call made to fail).
#pragma once

#include "platform/fake/VirtualSystem.h"
#include "platform/fault/FaultySystem.h"

#include <memory>

namespace pixlor {

class FakeSystem : public FaultySystem {
public:
    FakeSystem() : FakeSystem(std::make_unique<VirtualSystem>()) {}

    // --- set-up ---
    void attachPort(unsigned number, SerialPeer* peer) { machine_->attachPort(number, peer); }
    void hangUpPortAfterWrites(unsigned number, int writes) {
        machine_->hangUpPortAfterWrites(number, writes);
    }
    void setLinePacing(bool on) { machine_->setLinePacing(on); }
    void setSystemTime(const SYSTEMTIME& now) { machine_->setSystemTime(now); }
    RegistryModel& registry() { return machine_->registry(); }
    void setReverseListing(bool on) { machine_->setReverseListing(on); }

    // --- observation ---
    // Forgets the calls made so far and the bytes the lines carried.
    void clearRecords() {
        FaultySystem::clearRecords();
        machine_->clearTraffic();
    }
    std::uint64_t nowMicros() const { return machine_->nowMicros(); }
    void advanceMicros(std::uint64_t micros) { machine_->advanceMicros(micros); }
    const std::vector<BYTE>& bytesSent() const { return machine_->bytesSent(); }
    const std::vector<BYTE>& bytesReceived() const { return machine_->bytesReceived(); }
    bool portIsOpen(unsigned number) const { return machine_->portIsOpen(number); }
    DWORD portBaud(unsigned number) const { return machine_->portBaud(number); }
    COMMTIMEOUTS portTimeouts(unsigned number) const { return machine_->portTimeouts(number); }
    size_t openFileHandles() const { return machine_->openFileHandles(); }
    size_t consoleEventsWaiting() const { return machine_->consoleEventsWaiting(); }

private:
    explicit FakeSystem(std::unique_ptr<VirtualSystem> machine)
        : FaultySystem(*machine), machine_(std::move(machine)) {}

    std::unique_ptr<VirtualSystem> machine_;
};

}  // namespace pixlor
