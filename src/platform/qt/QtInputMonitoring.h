#pragma once

#include "platform/InputMonitoring.h"

namespace chordmap::qt_platform {

// Input monitoring on an X11 desktop: nothing to grant, but keys can only be
// observed while the application is connected to an X display.
class QtInputMonitoring final : public InputMonitoring {
public:
    bool preflightListenEventAccess() const override;
    bool requestListenEventAccess() const override { return preflightListenEventAccess(); }
};

}  // namespace chordmap::qt_platform
