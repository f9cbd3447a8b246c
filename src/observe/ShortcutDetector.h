#pragma once

#include "model/Evidence.h"
#include "model/KeyboardMap.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace chordmap {

// The live keyboard observer: two listen-only taps, the key press under
// examination, the hot-key events the system dispatches for it, and the
// snapshot that merges them with the configuration scan. Its scan is the one
// entry to the configuration scan for the whole program.
//
// Main thread only. Deferred work holds the detector weakly, so destroying it
// (which stops it) makes every step still queued do nothing.
class ShortcutDetector {
public:
    explicit ShortcutDetector(const Platform& platform);
    ~ShortcutDetector();
    ShortcutDetector(const ShortcutDetector&) = delete;
    ShortcutDetector& operator=(const ShortcutDetector&) = delete;

    // Handlers; a missing one drops what it would receive.
    std::function<void(const DetectionSnapshot&)> onUpdate;
    std::function<void(const std::string&)> onStatus;
    std::function<void(const ObservationDiagnostic&)> onDiagnostic;

    // Starts observation, restricted from the outset to the target if one is
    // given. True when the key tap is installed, with or without the hot-key
    // tap. Calling it off the main thread is fatal.
    bool start(std::optional<ShortcutSpec> target = std::nullopt);
    // Ends observation and forgets the key press under examination. Sends
    // nothing; safe at any time.
    void stop();

    bool isListening() const { return isListening_; }
    // Whether the hot-key tap, the system's dispatch route, is installed.
    bool routeAvailable() const { return routeAvailable_; }

    // The configuration scan of the user's home, with the secure-input note
    // first while secure keyboard input hides key presses, followed by the
    // process that holds it when the system tells.
    // With a front application, conditional findings say whether they hold
    // there.
    DetectionSnapshot scan(const ShortcutSpec& shortcut,
                           const std::optional<FrontApplication>& front = std::nullopt) const;
    // Every combination the configuration of the user's home claims. Unlike
    // the rest, safe on any thread: it reads files and the platform's
    // services only, never the detector's state.
    KeyboardMap map(const std::optional<FrontApplication>& front = std::nullopt) const;

    // One event from either tap, inside the tap's callback.
    void receive(std::uint32_t type, const TapEvent& event);

private:
    struct PendingKey {
        ShortcutSpec shortcut;
        std::uint64_t timestamp = 0;
        std::uint64_t generation = 0;
        std::vector<Finding> findings;
    };

    bool install(TapLocation location, std::uint64_t mask);
    void watchdogTick();

    void tapDisabled();
    void keyDown(const TapEvent& event);
    void hotKey(const TapEvent& event);
    void publish(const ShortcutSpec& shortcut, const std::optional<FrontApplication>& front, std::uint64_t generation);
    void diagnostic(ObservationDiagnostic diagnostic);
    // Runs the delivery on a later turn if the detector still listens and no
    // key press or stop came in between.
    void deliverLater(std::function<void(ShortcutDetector&)> delivery);
    // The step, holding the detector weakly.
    std::function<void()> weakly(std::function<void(ShortcutDetector&)> step) const;

    const Platform& platform_;
    // Deferred work holds this weakly; it expires with the detector.
    std::shared_ptr<ShortcutDetector*> self_;

    bool isListening_ = false;
    std::vector<std::unique_ptr<EventTap>> taps_;
    std::vector<std::unique_ptr<RunLoopSource>> sources_;
    std::optional<ShortcutSpec> target_;
    std::optional<PendingKey> pending_;
    std::vector<Finding> currentFindings_;
    std::uint64_t generation_ = 0;
    std::unique_ptr<ScheduledTask> scheduled_;
    bool routeAvailable_ = false;
    std::optional<DetectionSnapshot> lastSnapshot_;
    std::unique_ptr<RepeatingTimer> watchdog_;
    bool lastSecureInput_ = false;
};

}  // namespace chordmap
