#include "support/FakeEventTaps.h"

#include <algorithm>

namespace chordmap::testing {
namespace {

class Source final : public RunLoopSource {
public:
    explicit Source(std::shared_ptr<FakeTap> tap) : tap_(std::move(tap)) {}
    void addToMainRunLoop() override { tap_->inRunLoop = true; }
    void removeFromMainRunLoop() override { tap_->inRunLoop = false; }

private:
    std::shared_ptr<FakeTap> tap_;
};

class Tap final : public EventTap {
public:
    Tap(std::shared_ptr<FakeTap> tap, bool canMakeSource) : tap_(std::move(tap)), canMakeSource_(canMakeSource) {}
    ~Tap() override {
        tap_->released = true;
        tap_->callback = nullptr;
    }
    bool isValid() const override { return tap_->valid && !tap_->invalidated; }
    bool isEnabled() const override { return tap_->enabled; }
    std::unique_ptr<RunLoopSource> createRunLoopSource() override {
        if (!canMakeSource_) return nullptr;
        return std::make_unique<Source>(tap_);
    }
    void invalidate() override {
        tap_->invalidated = true;
        tap_->callback = nullptr;
    }

private:
    std::shared_ptr<FakeTap> tap_;
    bool canMakeSource_;
};

}  // namespace

FakeTapEvent FakeTapEvent::keyDown(std::int64_t keyCode, std::uint64_t flags, std::uint64_t timestamp, bool repeat) {
    FakeTapEvent event;
    event.code = keyCode;
    event.eventFlags = flags;
    event.time = timestamp;
    event.repeat = repeat ? 1 : 0;
    return event;
}

FakeTapEvent FakeTapEvent::systemDefined(std::int64_t pid, std::uint64_t timestamp, std::optional<std::int16_t> subtype) {
    FakeTapEvent event;
    event.pid = pid;
    event.time = timestamp;
    event.eventSubtype = subtype;
    return event;
}

bool FakeTap::deliver(std::uint32_t type, const TapEvent& event) {
    if (ended() || !valid || !enabled || !inRunLoop || !callback) return false;
    const TapCallback running = callback;  // the callback may end the tap
    running(type, event);
    return true;
}

bool FakeTap::disableBySystem(std::uint32_t type) {
    if (ended() || !valid || !inRunLoop || !callback) return false;
    enabled = false;
    const TapCallback running = callback;
    running(type, FakeTapEvent{});
    return true;
}

std::unique_ptr<EventTap> FakeEventTaps::createTap(TapLocation location, std::uint64_t mask, TapCallback callback) {
    requests.push_back(location);
    if (refused.contains(location)) return nullptr;
    auto tap = std::make_shared<FakeTap>();
    tap->location = location;
    tap->mask = mask;
    tap->callback = std::move(callback);
    tap->enabled = !createdDisabled.contains(location);
    taps.push_back(tap);
    return std::make_unique<Tap>(tap, !withoutSource.contains(location));
}

FakeTap* FakeEventTaps::newest(TapLocation location) const {
    auto it = std::find_if(taps.rbegin(), taps.rend(), [location](const auto& tap) { return tap->location == location; });
    return it == taps.rend() ? nullptr : it->get();
}

bool FakeEventTaps::deliver(TapLocation location, std::uint32_t type, const TapEvent& event) const {
    FakeTap* tap = newest(location);
    return tap && tap->deliver(type, event);
}

}  // namespace chordmap::testing
