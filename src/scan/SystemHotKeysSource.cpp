#include "scan/ConfigurationScanner.h"

#include <algorithm>

namespace chordmap {
namespace {

const char* const systemSourceLabel = "macOS 有效系统热键";

Finding systemFinding(const ShortcutSpec& shortcut) {
    return Finding{
        .id = "system-" + std::to_string(shortcut.keyCode) + "-" + std::to_string(shortcut.modifiers),
        .level = EvidenceLevel::systemBinding,
        .application = AppIdentity{
            .name = "macOS",
            .pid = std::nullopt,
            .bundleID = "com.apple.systempreferences",
            .bundleURL = Url::file("/System/Applications/System Settings.app", true),
            .isRunning = true,
        },
        .title = "系统已启用这个组合键",
        .detail = "macOS 的有效系统热键列表包含 " + shortcut.displayName() +
                  "。这说明系统保留了该组合，不代表已观察到此次按键的接收进程。",
        .sourceURL = Url::fromString("x-apple.systempreferences:com.apple.Keyboard-Settings.extension"),
    };
}

bool matches(const SymbolicHotKey& entry, const ShortcutSpec& shortcut) {
    if (!entry.code || !entry.carbonModifiers || !entry.enabled || !*entry.enabled) return false;
    if (*entry.code >= 65536) return false;
    const ShortcutSpec system(static_cast<std::uint16_t>(*entry.code),
                              ShortcutSpec::cocoaModifiersFromCarbon(*entry.carbonModifiers));
    return system == shortcut;
}

}  // namespace

void ConfigurationScanner::system(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const {
    const SymbolicHotKeyList list = platform_.symbolicHotKeys.copySymbolicHotKeys();
    if (list.status != 0 || !list.entries) {
        snapshot.notes.push_back("系统热键枚举失败（" + std::to_string(list.status) + "）。");
        return;
    }
    snapshot.checkedSources.emplace_back(systemSourceLabel);
    const bool matched = std::any_of(list.entries->begin(), list.entries->end(),
                                     [&](const SymbolicHotKey& entry) { return matches(entry, shortcut); });
    const bool alreadyFound = std::any_of(snapshot.findings.begin(), snapshot.findings.end(),
                                          [](const Finding& f) { return f.level == EvidenceLevel::systemBinding; });
    if (matched && !alreadyFound) snapshot.findings.push_back(systemFinding(shortcut));
}

}  // namespace chordmap
