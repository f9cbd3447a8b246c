#pragma once

#include "platform/qt/EventLoopPlatform.h"
#include "platform/qt/QtInputMonitoring.h"
#include "platform/qt/QtWorkspace.h"
#ifdef CHORDMAP_X11
#include "platform/x11/X11EventTaps.h"
#include "platform/x11/X11Processes.h"
#endif

#include <type_traits>

namespace chordmap::qt_platform {

// The services of the windowed application: those of the event loop plus
// the desktop's workspace and input-monitoring permission. Make it after the
// application object and keep it alive while the loop runs.
class ApplicationPlatform {
public:
    explicit ApplicationPlatform(const Platform& system = systemPlatform())
        : eventLoop_(system),
#ifdef CHORDMAP_X11
          processes_(eventLoop_.services().processes),
#endif
          services_{eventLoop_.services().home,         processes(eventLoop_.services()),
                    eventLoop_.services().symbolicHotKeys, eventLoop_.services().eventTapList,
                    eventLoop_.services().secureInput,  eventLoop_.services().clock,
                    keyTaps(eventLoop_.services()),     eventLoop_.services().mainQueue,
                    desktopService(eventLoop_.services().workspace, noWorkspace(), workspace_),
                    desktopService(eventLoop_.services().inputMonitoring, noInputMonitoring(), inputMonitoring_)} {}
    ApplicationPlatform(const ApplicationPlatform&) = delete;
    ApplicationPlatform& operator=(const ApplicationPlatform&) = delete;

    const Platform& services() const { return services_; }

private:
    // The platform's own desktop service where it has one (macOS), else ours.
    template <typename Service>
    static const Service& desktopService(const Service& system, const Service& none,
                                         const std::type_identity_t<Service>& ours) {
        return &system == &none ? ours : system;
    }

    EventLoopPlatform eventLoop_;
    QtWorkspace workspace_;
#ifdef CHORDMAP_X11
    // Keys are observed on the X display, and the permission and the
    // applications in front follow it.
    const Processes& processes(const Platform&) const { return processes_; }
    EventTaps& keyTaps(const Platform&) { return keyTaps_; }
    x11::X11Processes processes_;
    x11::X11EventTaps keyTaps_;
    x11::X11InputMonitoring inputMonitoring_;
#else
    static const Processes& processes(const Platform& system) { return system.processes; }
    EventTaps& keyTaps(const Platform& system) { return system.eventTaps; }
    QtInputMonitoring inputMonitoring_;
#endif
    Platform services_;
};

}  // namespace chordmap::qt_platform
