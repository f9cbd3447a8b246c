#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace chordmap {

// Event types as a tap's callback receives them.
namespace event_type {
inline constexpr std::uint32_t keyDown = 10;                        // kCGEventKeyDown
inline constexpr std::uint32_t systemDefined = 14;                  // NSEventTypeSystemDefined
inline constexpr std::uint32_t tapDisabledByTimeout = 0xFFFFFFFE;   // kCGEventTapDisabledByTimeout
inline constexpr std::uint32_t tapDisabledByUserInput = 0xFFFFFFFF; // kCGEventTapDisabledByUserInput
}  // namespace event_type

// Event masks: one bit per event type.
namespace event_mask {
inline constexpr std::uint64_t keyDown = std::uint64_t{1} << event_type::keyDown;
inline constexpr std::uint64_t systemDefined = std::uint64_t{1} << event_type::systemDefined;
}  // namespace event_mask

// Where in the event stream a tap sits.
enum class TapLocation : std::uint32_t {
    session = 1,           // kCGSessionEventTap
    annotatedSession = 2,  // kCGAnnotatedSessionEventTap
};

// The values of one event handed to a tap's callback, read on demand. Only
// valid during the callback.
class TapEvent {
public:
    virtual ~TapEvent() = default;
    virtual std::int64_t keyCode() const = 0;     // kCGKeyboardEventKeycode
    virtual std::int64_t autorepeat() const = 0;  // kCGKeyboardEventAutorepeat: non-zero for a repeat
    virtual std::uint64_t flags() const = 0;      // the event-flag mask
    virtual std::uint64_t timestamp() const = 0;  // nanoseconds, as the event system counts them
    virtual std::int64_t targetPid() const = 0;   // kCGEventTargetUnixProcessID
    // The subtype of the application-level view of the event; none when that
    // view cannot be made.
    virtual std::optional<std::int16_t> subtype() const = 0;
};

// Called on the main thread for every event a tap sees, with the event type.
// The event always continues unchanged to its receivers.
using TapCallback = std::function<void(std::uint32_t type, const TapEvent& event)>;

// The link between a tap and the main run loop (all common modes): while
// added, the tap's callback runs on the main thread.
class RunLoopSource {
public:
    virtual ~RunLoopSource() = default;
    virtual void addToMainRunLoop() = 0;
    virtual void removeFromMainRunLoop() = 0;
};

// One listen-only tap: it sees events and never changes, delays or swallows
// them. Destroying it ends it as invalidate() does.
class EventTap {
public:
    virtual ~EventTap() = default;
    virtual bool isValid() const = 0;
    virtual bool isEnabled() const = 0;
    // None when no source can be made for the tap.
    virtual std::unique_ptr<RunLoopSource> createRunLoopSource() = 0;
    // Ends the tap for good: its callback is never called again.
    virtual void invalidate() = 0;
};

class EventTaps {
public:
    virtual ~EventTaps() = default;
    // A listen-only tap inserted at the head of the location, for the events
    // of the mask; none when the process may not observe input.
    virtual std::unique_ptr<EventTap> createTap(TapLocation location, std::uint64_t mask, TapCallback callback) = 0;
};

}  // namespace chordmap
