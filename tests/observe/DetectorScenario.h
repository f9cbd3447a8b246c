#pragma once

// A detector on fake taps and a virtual-clock main queue, with everything it
// reports recorded, and the texts it reports.

#include "observe/ShortcutDetector.h"
#include "support/FakePlatform.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace chordmap::testing {

using namespace std::chrono_literals;

inline const std::string permissionMessage =
    "无法观察键盘。请在系统设置 → 隐私与安全性 → 输入监控中允许 Chordmap，然后重新打开应用；手动查询仍可使用。";
inline const std::string secureInputAtStart =
    "已开始，但系统安全输入可能阻止观察；结束密码输入后重试。";
inline const std::string routeMissingAtStart =
    "按键观察已开始，但系统派发通路不可用；暂时只显示配置和监听器线索。";
inline const std::string watchingPrefix =
    "正在观察 ";
inline const std::string watchingSuffix =
    "。按键仍会触发原来功能。";
inline const std::string promptMessage =
    "请按下要检查的组合键。按键仍会触发原来功能。";
inline const std::string interruptedMessage =
    "键盘观察已中断。权限可能发生变化；请检查输入监控授权并重新开始。";
inline const std::string secureInputOn =
    "系统安全输入已开启，暂时可能无法观察；结束密码输入后会自动恢复。";
inline const std::string secureInputOff =
    "系统安全输入已结束，可以继续按下组合键检测。";
inline const std::string pausedMessage =
    "系统暂停了键盘观察。请点击开始检测重试；期间未归属任何按键。";
inline const std::string exactTitle =
    "该次系统热键事件派发给此软件";
inline const std::string nearTitle =
    "相邻系统事件指向此软件";
inline const std::string exactDetailPrefix =
    "系统热键事件与按键的时间戳完全相同，目标 PID 为 ";
inline const std::string exactDetailSuffix =
    "。这是系统派发目标的证据；不证明软件内部执行了哪个功能。";
inline const std::string nearDetailPrefix =
    "系统事件晚于按键 ";
inline const std::string nearDetailSuffix =
    " 毫秒，只有时间邻近，不能确认为该组合的接收者。";
inline const std::string noRecipientNote =
    "已观察到组合键，但尚未取得可确认的接收进程。过滤器提前吞键、应用内部快捷键或未公开的系统行为都可能没有热键派发证据。";
inline const std::string noRouteNote =
    "当前系统派发观察通路不可用。";

// Event timestamps count nanoseconds.
constexpr std::uint64_t nsPerMs = 1'000'000;

inline const ShortcutSpec controlOptionK{40, modifier::control | modifier::option};
inline const ShortcutSpec controlShiftK{40, modifier::control | modifier::shift};
inline const ShortcutSpec optionA{0, modifier::option};
inline const ShortcutSpec commandB{11, modifier::command};

constexpr std::int32_t raycastPid = 501;
constexpr std::int32_t skhdPid = 777;

struct DetectorScenario {
    FakePlatform platform;
    std::unique_ptr<ShortcutDetector> detector;
    std::vector<DetectionSnapshot> updates;
    std::vector<std::string> statuses;
    std::vector<ObservationDiagnostic> diagnostics;

    DetectorScenario() {
        platform.processes.executablePaths = {{raycastPid, "/Applications/Raycast.app/Contents/MacOS/Raycast"},
                                              {skhdPid, "/opt/homebrew/bin/skhd"}};
        platform.processes.livePids = {raycastPid, skhdPid};
        // The scan finds a system binding of Control+Option+K and one keyboard filter.
        platform.symbolicHotKeys.list = {0, std::vector<SymbolicHotKey>{{.code = 40, .carbonModifiers = 0x1800, .enabled = true}}};
        platform.eventTapList.taps = {{.tappingProcess = 900, .enabled = true, .options = 0, .eventsOfInterest = 0xC00}};
        detector = std::make_unique<ShortcutDetector>(platform.services);
        detector->onUpdate = [this](const DetectionSnapshot& snapshot) { updates.push_back(snapshot); };
        detector->onStatus = [this](const std::string& status) { statuses.push_back(status); };
        detector->onDiagnostic = [this](const ObservationDiagnostic& diagnostic) { diagnostics.push_back(diagnostic); };
    }

    FakeTap* keyTap() const { return platform.eventTaps.newest(TapLocation::session); }
    FakeTap* hotKeyTap() const { return platform.eventTaps.newest(TapLocation::annotatedSession); }

    // The user presses a combination; the key tap sees it with this timestamp.
    bool press(const ShortcutSpec& shortcut, std::uint64_t timestamp, bool repeat = false) {
        return platform.eventTaps.deliver(TapLocation::session, event_type::keyDown,
                                          FakeTapEvent::keyDown(shortcut.keyCode, shortcut.modifiers, timestamp, repeat));
    }
    // The system dispatches a hot key to a process; the hot-key tap sees it.
    bool hotKey(std::int64_t pid, std::uint64_t timestamp, std::optional<std::int16_t> subtype = 6) {
        return platform.eventTaps.deliver(TapLocation::annotatedSession, event_type::systemDefined,
                                          FakeTapEvent::systemDefined(pid, timestamp, subtype));
    }
    void wait(std::chrono::nanoseconds duration) { platform.mainQueue.advance(duration); }
    // Lets the main queue take its next turns without time passing.
    void settle() { platform.mainQueue.runReady(); }

    // What a plain scan of the combination yields, for comparison.
    DetectionSnapshot plainScan(const ShortcutSpec& shortcut) const { return detector->scan(shortcut); }

    bool everyTapEnded() const {
        for (const auto& tap : platform.eventTaps.taps) {
            if (!tap->ended() || tap->inRunLoop) return false;
        }
        return true;
    }
};

inline std::vector<std::string> ids(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const auto& finding : findings) out.push_back(finding.id);
    return out;
}

// The findings a scan contributed: everything after the live ones.
inline std::vector<std::string> idsAfter(const std::vector<Finding>& findings, std::size_t live) {
    return ids(std::vector<Finding>(findings.begin() + static_cast<std::ptrdiff_t>(live), findings.end()));
}

inline std::string eventId(std::uint64_t keyTimestamp, std::int64_t pid) {
    return "event-" + std::to_string(keyTimestamp) + "-" + std::to_string(pid);
}

}  // namespace chordmap::testing
