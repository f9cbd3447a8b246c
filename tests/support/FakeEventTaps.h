#pragma once

#include "platform/EventTaps.h"

#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace chordmap::testing {

// An event as a test makes it up.
struct FakeTapEvent final : TapEvent {
    std::int64_t code = 0;
    std::int64_t repeat = 0;
    std::uint64_t eventFlags = 0;
    std::uint64_t time = 0;
    std::int64_t pid = 0;
    std::optional<std::int16_t> eventSubtype;

    std::int64_t keyCode() const override { return code; }
    std::int64_t autorepeat() const override { return repeat; }
    std::uint64_t flags() const override { return eventFlags; }
    std::uint64_t timestamp() const override { return time; }
    std::int64_t targetPid() const override { return pid; }
    std::optional<std::int16_t> subtype() const override { return eventSubtype; }

    static FakeTapEvent keyDown(std::int64_t keyCode, std::uint64_t flags, std::uint64_t timestamp, bool repeat = false);
    // A system-defined event; the hot-key subtype unless told otherwise.
    static FakeTapEvent systemDefined(std::int64_t pid, std::uint64_t timestamp,
                                      std::optional<std::int16_t> subtype = 6);
};

// One tap as the fake system sees it; the detector holds a handle to it.
struct FakeTap {
    TapLocation location{};
    std::uint64_t mask = 0;
    TapCallback callback;
    bool valid = true;
    bool enabled = true;
    bool inRunLoop = false;
    bool invalidated = false;
    bool released = false;  // the owner dropped its handle

    bool ended() const { return invalidated || released; }
    // Delivers the event as the system would: only to a tap that lives, is
    // valid and enabled, and is attached to the run loop. True when the
    // callback ran.
    bool deliver(std::uint32_t type, const TapEvent& event);
    // The system disables the tap and tells its callback.
    bool disableBySystem(std::uint32_t type = event_type::tapDisabledByTimeout);
};

class FakeEventTaps final : public EventTaps {
public:
    std::set<TapLocation> refused;          // no tap at all
    std::set<TapLocation> withoutSource;    // a tap, but no run-loop source for it
    std::set<TapLocation> createdDisabled;  // a tap that comes back disabled
    std::vector<TapLocation> requests;      // every request, refused ones too
    std::vector<std::shared_ptr<FakeTap>> taps;  // every tap made, in order

    std::unique_ptr<EventTap> createTap(TapLocation location, std::uint64_t mask, TapCallback callback) override;

    // The newest tap at the location, or null when none was made.
    FakeTap* newest(TapLocation location) const;
    // Delivers to the newest tap at the location.
    bool deliver(TapLocation location, std::uint32_t type, const TapEvent& event) const;
};

}  // namespace chordmap::testing
