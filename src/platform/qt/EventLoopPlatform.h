#pragma once

#include "platform/Platform.h"
#include "platform/qt/QtMainQueue.h"

namespace chordmap::qt_platform {

// The system's services with the main queue on the Qt event loop: the bundle
// of the windowed application. Make it after the application object and
// keep it, and everything given its services, alive while the loop runs.
class EventLoopPlatform {
public:
    explicit EventLoopPlatform(const Platform& system = systemPlatform())
        : services_{system.home,        system.processes, system.symbolicHotKeys, system.eventTapList,
                    system.secureInput, system.clock,     system.eventTaps,       mainQueue_,
                    system.workspace,   system.inputMonitoring} {}
    EventLoopPlatform(const EventLoopPlatform&) = delete;
    EventLoopPlatform& operator=(const EventLoopPlatform&) = delete;

    const Platform& services() const { return services_; }

private:
    QtMainQueue mainQueue_;
    Platform services_;
};

}  // namespace chordmap::qt_platform
