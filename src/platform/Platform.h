#pragma once

#include "platform/EventTaps.h"
#include "platform/InputMonitoring.h"
#include "platform/MainQueue.h"
#include "platform/Processes.h"
#include "platform/SystemServices.h"
#include "platform/Workspace.h"

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
    // The two services that need a running event loop.
    EventTaps& eventTaps;
    MainQueue& mainQueue;
    // The desktop services of the window. A bundle without a desktop (the
    // command line) may leave them out: it opens nothing and is never
    // granted input monitoring.
    const Workspace& workspace = noWorkspace();
    const InputMonitoring& inputMonitoring = noInputMonitoring();
};

// The services of the platform this program was built for. On Linux its
// main queue runs no work (the command line runs no event loop) and its taps
// are refused; the windowed application uses the bundle of
// platform/qt/ApplicationPlatform.h instead, with the X11 key tap.
const Platform& systemPlatform();

}  // namespace chordmap
