#include "platform/System.h"

namespace pixlor {

namespace {
System* inForce = nullptr;
}

System& os() { return inForce != nullptr ? *inForce : nativeSystem(); }

System* useSystem(System* system) {
    System* previous = inForce;
    inForce = system;
    return previous;
}

}  // namespace pixlor
