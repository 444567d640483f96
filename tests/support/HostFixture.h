// The host's services as the plug-in holds them after start-up, for tests that call into code
// which uses them: the emulator's standard functions and module number 0. Kept in this header so
// that only the test programs that use it need the host emulator's library.
#pragma once

#include "far/HostServices.h"
#include "host/StandardFunctions.h"

namespace pixlor::test {

// Copies a start-up table into HostServices for the life of the object, then puts the previous
// services back.
class HostServicesInForce {
public:
    HostServicesInForce()
        : standardFunctions(host::MakeStandardFunctions()), previous_(HostServices) {
        startupInfo.StructSize = sizeof startupInfo;
        startupInfo.ModuleNumber = 0;
        startupInfo.FSF = &standardFunctions;
        CopyHostServices(startupInfo);
    }
    // The previous FSF points at HostServices' own copy of the functions, or nowhere.
    ~HostServicesInForce() { HostServices = previous_; }
    HostServicesInForce(const HostServicesInForce&) = delete;
    HostServicesInForce& operator=(const HostServicesInForce&) = delete;

    FarStandardFunctions standardFunctions;
    PluginStartupInfo startupInfo{};

private:
    HostServiceTable previous_;
};

}  // namespace pixlor::test
