// Event attribution: which key press is under examination, which hot-key
// events the system dispatched for it, and the snapshot that reports them.

#include "observe/ShortcutDetector.h"
#include "scan/AppIdentities.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <limits>

namespace chordmap {
namespace {

using namespace std::chrono_literals;

constexpr auto publicationDelay = 80ms;  // gives the hot-key event time to follow the key press
constexpr std::uint64_t acceptanceWindow = 250'000'000;   // ns, exclusive
constexpr std::uint64_t diagnosticWindow = 999'999'999;   // ns, inclusive
constexpr std::int16_t hotKeySubtype = 6;
// Control, Option or Command make any key a candidate.
constexpr std::uint64_t selectingModifiers = modifier::control | modifier::option | modifier::command;

const char* const pausedMessage =
    "系统暂停了键盘观察。请点击开始检测重试；期间未归属任何按键。";
const char* const exactTitle =
    "该次系统热键事件派发给此软件";
const char* const nearTitle =
    "相邻系统事件指向此软件";
const char* const exactDetailPrefix =
    "系统热键事件与按键的时间戳完全相同，目标 PID 为 ";
const char* const exactDetailSuffix =
    "。这是系统派发目标的证据；不证明软件内部执行了哪个功能。";
const char* const nearDetailPrefix =
    "系统事件晚于按键 ";
const char* const nearDetailSuffix =
    " 毫秒，只有时间邻近，不能确认为该组合的接收者。";
const char* const noRecipientNote =
    "已观察到组合键，但尚未取得可确认的接收进程。过滤器提前吞键、应用内部快捷键或未公开的系统行为都可能没有热键派发证据。";
const char* const noRouteNote =
    "当前系统派发观察通路不可用。";

bool isLive(const Finding& finding) {
    return finding.level == EvidenceLevel::observedRecipient || finding.level == EvidenceLevel::nearbyEvent;
}

// Milliseconds with one decimal. Not printf: the application's locale could
// turn the point into a comma; {fmt} uses one only when asked to.
std::string milliseconds(std::uint64_t nanoseconds) {
    return fmt::format("{:.1f}", static_cast<double>(nanoseconds) / 1'000'000.0);
}

Finding liveFinding(const Processes& processes, std::uint64_t keyTimestamp, std::uint64_t eventTimestamp,
                    std::int32_t pid) {
    const bool exact = eventTimestamp == keyTimestamp;
    return Finding{
        .id = "event-" + std::to_string(keyTimestamp) + "-" + std::to_string(pid),
        .level = exact ? EvidenceLevel::observedRecipient : EvidenceLevel::nearbyEvent,
        .application = processIdentity(processes, pid),
        .title = exact ? exactTitle : nearTitle,
        .detail = exact ? exactDetailPrefix + std::to_string(pid) + exactDetailSuffix
                        : nearDetailPrefix + milliseconds(eventTimestamp - keyTimestamp) + nearDetailSuffix,
        .sourceURL = std::nullopt,
    };
}

// A handler may end the detector's life; the copy keeps the running closure alive.
template <typename Value>
void send(const std::function<void(const Value&)>& handler, const Value& value) {
    if (!handler) return;
    auto running = handler;
    running(value);
}

}  // namespace

void ShortcutDetector::receive(std::uint32_t type, const TapEvent& event) {
    if (type == event_type::tapDisabledByTimeout || type == event_type::tapDisabledByUserInput) {
        tapDisabled();
        return;
    }
    if (!isListening_) return;
    if (type == event_type::keyDown) {
        keyDown(event);
    } else if (type == event_type::systemDefined) {
        hotKey(event);
    }
}

void ShortcutDetector::tapDisabled() {
    pending_.reset();
    platform_.mainQueue.async(weakly([](ShortcutDetector& self) {
        self.stop();
        send(self.onStatus, std::string(pausedMessage));
    }));
}

void ShortcutDetector::keyDown(const TapEvent& event) {
    // Whatever this press is, no later hot-key event belongs to the earlier one.
    pending_.reset();

    const std::int64_t keyCode = event.keyCode();
    if (keyCode < 0 || keyCode > std::numeric_limits<std::uint16_t>::max()) return;
    if (event.autorepeat() != 0) return;
    const ShortcutSpec shortcut(static_cast<std::uint16_t>(keyCode), event.flags());
    if (!target_) {
        const bool qualifies = (shortcut.modifiers & selectingModifiers) != 0 ||
                               ShortcutSpec::functionKeyCodes().contains(shortcut.keyCode);
        if (!qualifies) return;
        target_ = shortcut;
    } else if (shortcut != *target_) {
        return;
    }

    ++generation_;
    lastSnapshot_.reset();
    currentFindings_.clear();
    const std::uint64_t timestamp = event.timestamp();
    pending_ = PendingKey{.shortcut = shortcut, .timestamp = timestamp, .generation = generation_, .findings = {}};
    diagnostic({.kind = "selectedKeyDown",
                .keyTimestamp = timestamp,
                .eventTimestamp = timestamp,
                .targetPID = std::nullopt,
                .correlation = std::nullopt});

    // The application in front now, not at publication: the user may have
    // switched by then.
    const auto application = platform_.processes.frontmostApplication();
    std::optional<FrontApplication> front = application ? frontApplicationOf(*application) : std::nullopt;

    if (scheduled_) scheduled_->cancel();
    scheduled_ = platform_.mainQueue.asyncAfter(
        publicationDelay, weakly([shortcut, front = std::move(front), generation = generation_](ShortcutDetector& self) {
            self.publish(shortcut, front, generation);
        }));
}

void ShortcutDetector::hotKey(const TapEvent& event) {
    if (!pending_) return;
    const auto subtype = event.subtype();
    if (!subtype || *subtype != hotKeySubtype) return;

    const std::int64_t pid = event.targetPid();
    const std::uint64_t eventTimestamp = event.timestamp();
    const std::uint64_t keyTimestamp = pending_->timestamp;
    const bool notEarlier = eventTimestamp >= keyTimestamp;
    const std::uint64_t delay = notEarlier ? eventTimestamp - keyTimestamp : 0;
    const bool accepted = notEarlier && delay < acceptanceWindow && pid >= 1 &&
                          pid <= std::numeric_limits<std::int32_t>::max() && pid != platform_.processes.ownPid();

    // Built only when it can be delivered: most hot-key events go nowhere.
    if (notEarlier && delay <= diagnosticWindow && target_ && onDiagnostic) {
        diagnostic({.kind = "systemHotKey",
                    .keyTimestamp = keyTimestamp,
                    .eventTimestamp = eventTimestamp,
                    .targetPID = pid,
                    .correlation = !accepted ? "rejected" : delay == 0 ? "observedRecipient" : "nearbyEvent"});
    }
    if (!accepted) return;

    auto& findings = pending_->findings;
    if (std::any_of(findings.begin(), findings.end(),
                    [pid](const Finding& finding) { return finding.application.pid == pid; })) {
        return;  // one finding per process, the first that came
    }
    findings.push_back(
        liveFinding(platform_.processes, keyTimestamp, eventTimestamp, static_cast<std::int32_t>(pid)));
    currentFindings_ = findings;

    if (!lastSnapshot_) return;  // publication is still due and takes the findings
    if (lastSnapshot_->shortcut != pending_->shortcut || pending_->generation != generation_) return;

    // Late update: the published snapshot with the complete live list in front.
    DetectionSnapshot updated = *lastSnapshot_;
    std::erase_if(updated.findings, isLive);
    updated.findings.insert(updated.findings.begin(), findings.begin(), findings.end());
    lastSnapshot_ = updated;
    deliverLater([updated = std::move(updated)](ShortcutDetector& self) { send(self.onUpdate, updated); });
}

void ShortcutDetector::publish(const ShortcutSpec& shortcut, const std::optional<FrontApplication>& front,
                               std::uint64_t generation) {
    if (!isListening_ || generation_ != generation) return;

    DetectionSnapshot snapshot = scan(shortcut, front);
    snapshot.receivedKey = true;
    snapshot.findings.insert(snapshot.findings.begin(), currentFindings_.begin(), currentFindings_.end());
    if (!snapshot.observedRecipient()) snapshot.notes.insert(snapshot.notes.begin(), noRecipientNote);
    if (!routeAvailable_) snapshot.notes.insert(snapshot.notes.begin(), noRouteNote);

    lastSnapshot_ = snapshot;
    send(onUpdate, snapshot);
}

void ShortcutDetector::diagnostic(ObservationDiagnostic diagnostic) {
    if (!target_ || !onDiagnostic) return;
    deliverLater([diagnostic = std::move(diagnostic)](ShortcutDetector& self) { send(self.onDiagnostic, diagnostic); });
}

void ShortcutDetector::deliverLater(std::function<void(ShortcutDetector&)> delivery) {
    platform_.mainQueue.async(
        weakly([generation = generation_, delivery = std::move(delivery)](ShortcutDetector& self) {
            if (!self.isListening_ || self.generation_ != generation) return;
            delivery(self);
        }));
}

}  // namespace chordmap
