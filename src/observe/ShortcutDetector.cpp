#include "observe/ShortcutDetector.h"

#include "scan/AppIdentities.h"
#include "scan/ConfigurationScanner.h"

#include <chrono>
#include <cstdlib>
#include <limits>

namespace chordmap {
namespace {

using namespace std::chrono_literals;

constexpr auto watchdogInterval = 2s;
constexpr auto watchdogTolerance = 1s;

const char* const permissionMessage =
    "无法观察键盘。请在系统设置 → 隐私与安全性 → 输入监控中允许 Chordmap，然后重新打开应用；手动查询仍可使用。";
const char* const secureInputAtStart =
    "已开始，但系统安全输入可能阻止观察；结束密码输入后重试。";
const char* const routeMissingAtStart =
    "按键观察已开始，但系统派发通路不可用；暂时只显示配置和监听器线索。";
const char* const watchingPrefix =
    "正在观察 ";
const char* const watchingSuffix =
    "。按键仍会触发原来功能。";
const char* const promptMessage =
    "请按下要检查的组合键。按键仍会触发原来功能。";
const char* const interruptedMessage =
    "键盘观察已中断。权限可能发生变化；请检查输入监控授权并重新开始。";
const char* const secureInputOn =
    "系统安全输入已开启，暂时可能无法观察；结束密码输入后会自动恢复。";
const char* const secureInputOff =
    "系统安全输入已结束，可以继续按下组合键检测。";
const char* const secureInputNote =
    "macOS 正在使用安全键盘输入，实时按键可能无法被观察；关闭密码输入框或结束对应安全输入后重试。";
const char* const holderPrefix = "安全输入由 ";
const char* const holderPid = "（pid ";
const char* const holderSuffix = "）开启；退出或锁定该应用后再检测。";

// A handler may end the detector's life; the copy keeps the running closure alive.
void send(const std::function<void(const std::string&)>& handler, const std::string& message) {
    if (!handler) return;
    auto running = handler;
    running(message);
}

// The process the console's login session names as holding secure input.
std::optional<std::int32_t> secureInputPid(const Value& consoleUsers) {
    const Value::Array* sessions = consoleUsers.array();
    if (!sessions) return std::nullopt;
    for (const Value& session : *sessions) {
        const Value* onConsole = session["kCGSSessionOnConsoleKey"];
        if (!onConsole || onConsole->boolean() != true) continue;
        const Value* pid = session["kCGSSessionSecureInputPID"];
        const auto number = pid && pid->isInteger() ? pid->signedNumber() : std::nullopt;
        if (!number || *number <= 0 || *number > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
        return static_cast<std::int32_t>(*number);
    }
    return std::nullopt;
}

// Who holds secure input, while that process still runs.
std::optional<std::string> holderNote(const Platform& platform) {
    const auto pid = secureInputPid(platform.secureInput.consoleUsers());
    if (!pid) return std::nullopt;
    const AppIdentity holder = processIdentity(platform.processes, *pid);
    if (!holder.isRunning) return std::nullopt;
    return holderPrefix + holder.name + holderPid + std::to_string(*pid) + holderSuffix;
}

}  // namespace

ShortcutDetector::ShortcutDetector(const Platform& platform)
    : platform_(platform), self_(std::make_shared<ShortcutDetector*>(this)) {}

ShortcutDetector::~ShortcutDetector() { stop(); }

bool ShortcutDetector::start(std::optional<ShortcutSpec> target) {
    if (!platform_.mainQueue.isMainThread()) std::abort();
    stop();
    target_ = target;

    if (!install(TapLocation::session, event_mask::keyDown)) {
        stop();
        send(onStatus, permissionMessage);
        return false;
    }
    routeAvailable_ = install(TapLocation::annotatedSession, event_mask::systemDefined);
    isListening_ = true;
    lastSecureInput_ = platform_.secureInput.isSecureEventInputEnabled();
    watchdog_ = platform_.mainQueue.repeatingTimer(watchdogInterval, watchdogTolerance,
                                                   weakly([](ShortcutDetector& self) { self.watchdogTick(); }));

    if (lastSecureInput_) {
        send(onStatus, secureInputAtStart);
    } else if (!routeAvailable_) {
        send(onStatus, routeMissingAtStart);
    } else if (target_) {
        send(onStatus, watchingPrefix + target_->displayName() + watchingSuffix);
    } else {
        send(onStatus, promptMessage);
    }
    return true;
}

bool ShortcutDetector::install(TapLocation location, std::uint64_t mask) {
    // The taps never outlive the detector (stop() ends them), so they may
    // refer to it directly.
    auto tap = platform_.eventTaps.createTap(
        location, mask, [this](std::uint32_t type, const TapEvent& event) { receive(type, event); });
    if (!tap) return false;
    auto source = tap->createRunLoopSource();
    if (!source || !tap->isEnabled()) {
        tap->invalidate();
        return false;
    }
    taps_.push_back(std::move(tap));
    sources_.push_back(std::move(source));
    sources_.back()->addToMainRunLoop();
    return true;
}

void ShortcutDetector::stop() {
    if (watchdog_) {
        watchdog_->invalidate();
        watchdog_.reset();
    }
    if (scheduled_) {
        scheduled_->cancel();
        scheduled_.reset();
    }
    ++generation_;
    pending_.reset();
    lastSnapshot_.reset();
    target_.reset();
    currentFindings_.clear();
    for (const auto& source : sources_) source->removeFromMainRunLoop();
    for (const auto& tap : taps_) tap->invalidate();
    sources_.clear();
    taps_.clear();
    isListening_ = false;
    routeAvailable_ = false;
}

void ShortcutDetector::watchdogTick() {
    if (!isListening_) return;
    for (const auto& tap : taps_) {
        if (!tap->isValid() || !tap->isEnabled()) {
            stop();  // a disabled tap is never re-enabled: the user starts again
            send(onStatus, interruptedMessage);
            return;
        }
    }
    const bool secureInput = platform_.secureInput.isSecureEventInputEnabled();
    if (secureInput == lastSecureInput_) return;
    lastSecureInput_ = secureInput;
    send(onStatus, secureInput ? secureInputOn : secureInputOff);
}

std::function<void()> ShortcutDetector::weakly(std::function<void(ShortcutDetector&)> step) const {
    return [self = std::weak_ptr<ShortcutDetector*>(self_), step = std::move(step)] {
        if (const auto detector = self.lock()) step(**detector);
    };
}

DetectionSnapshot ShortcutDetector::scan(const ShortcutSpec& shortcut,
                                         const std::optional<FrontApplication>& front) const {
    const ConfigurationScanner scanner(platform_.home.path(), platform_);
    DetectionSnapshot snapshot = scanner.scan(shortcut, front);
    if (platform_.secureInput.isSecureEventInputEnabled()) {
        auto at = snapshot.notes.insert(snapshot.notes.begin(), secureInputNote);
        if (auto holder = holderNote(platform_)) snapshot.notes.insert(at + 1, std::move(*holder));
    }
    return snapshot;
}

KeyboardMap ShortcutDetector::map(const std::optional<FrontApplication>& front) const {
    return ConfigurationScanner(platform_.home.path(), platform_).map(front);
}

}  // namespace chordmap
