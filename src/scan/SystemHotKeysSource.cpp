#include "scan/ConfigurationScanner.h"

#include <optional>
#include <unordered_set>

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

// The combination of an enabled entry; none for an incomplete or disabled one.
std::optional<ShortcutSpec> enabledCombination(const SymbolicHotKey& entry) {
    if (!entry.code || !entry.carbonModifiers || !entry.enabled || !*entry.enabled) return std::nullopt;
    if (*entry.code >= 65536) return std::nullopt;
    return ShortcutSpec(static_cast<std::uint16_t>(*entry.code),
                        ShortcutSpec::cocoaModifiersFromCarbon(*entry.carbonModifiers));
}

}  // namespace

void ConfigurationScanner::system(Inventory& inventory) const {
    const SymbolicHotKeyList list = platform_.symbolicHotKeys.copySymbolicHotKeys();
    if (list.status != 0 || !list.entries) {
        inventory.notes.push_back("系统热键枚举失败（" + std::to_string(list.status) + "）。");
        return;
    }
    inventory.checkedSources.emplace_back(systemSourceLabel);
    // The system reserves a combination once, however many entries name it.
    std::unordered_set<ShortcutSpec> declared;
    for (const SymbolicHotKey& entry : *list.entries) {
        const std::optional<ShortcutSpec> combination = enabledCombination(entry);
        if (!combination || !inventory.wants(Claim::exactly(*combination))) continue;
        if (declared.insert(*combination).second) inventory.declare(Claim::exactly(*combination), systemFinding(*combination));
    }
}

}  // namespace chordmap
