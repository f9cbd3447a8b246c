#pragma once

#include "platform/Processes.h"
#include "platform/SystemServices.h"

namespace chordmap {

// The platform services the logic reaches the system through. Non-owning:
// whoever builds the bundle keeps the services alive (the platform's own
// implementation for the program, fakes for tests).
struct Platform {
    const HomeDirectory& home;
    const Processes& processes;
    const SymbolicHotKeys& symbolicHotKeys;
    const EventTapList& eventTapList;
    const SecureInput& secureInput;
    const WallClock& clock;
};

// The services of the platform this program was built for.
const Platform& systemPlatform();

}  // namespace chordmap
