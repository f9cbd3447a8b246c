#pragma once

#include "platform/EventTaps.h"
#include "platform/InputMonitoring.h"

#include <string>

namespace chordmap::x11 {

// Keyboard observation on an X11 display through the XInput 2 extension's
// raw key events, which the server copies to every client that asks for
// them on the root window, whoever has the focus or a grab. Nothing is
// grabbed: the keys reach their receivers as if nobody watched.
//
// The key tap (session location, key-down mask) reads its own connection to
// the display on the main thread, through the Qt event loop. The hot-key tap
// is refused: X has no equivalent of the system's hot-key dispatch. A tap
// whose connection breaks becomes invalid.
class X11EventTaps final : public EventTaps {
public:
    // The display by name; empty means the one $DISPLAY names.
    explicit X11EventTaps(std::string display = {}) : display_(std::move(display)) {}

    std::unique_ptr<EventTap> createTap(TapLocation location, std::uint64_t mask, TapCallback callback) override;

private:
    std::string display_;
};

// Input monitoring on X11: nothing to grant, so it counts as allowed exactly
// when the display is reachable and offers the raw key events the key tap
// needs. Asking for it changes nothing.
class X11InputMonitoring final : public InputMonitoring {
public:
    explicit X11InputMonitoring(std::string display = {}) : display_(std::move(display)) {}

    bool preflightListenEventAccess() const override;
    bool requestListenEventAccess() const override { return preflightListenEventAccess(); }

private:
    std::string display_;
};

}  // namespace chordmap::x11
