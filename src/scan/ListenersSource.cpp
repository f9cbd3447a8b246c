#include "scan/AppIdentities.h"
#include "scan/ConfigurationScanner.h"

#include <algorithm>
#include <unordered_set>

namespace chordmap {
namespace {

constexpr std::uint32_t spareRoom = 16;
constexpr std::uint32_t maximumRoom = 4096;
constexpr std::uint64_t keyEventsMask = 0xC00;  // key-down, key-up
constexpr std::uint32_t listenOnlyOption = 1;

bool isKeyboardFilter(const EventTapInformation& tap, std::int32_t ownPid) {
    return tap.enabled && tap.tappingProcess >= 1 && tap.tappingProcess != ownPid &&
           (tap.eventsOfInterest & keyEventsMask) != 0 && (tap.options & listenOnlyOption) == 0;
}

}  // namespace

void ConfigurationScanner::listeners(DetectionSnapshot& snapshot) const {
    const EventTapListResult counted = platform_.eventTapList.eventTapList(0);
    if (counted.error != 0) {
        snapshot.notes.emplace_back("键盘监听器枚举失败。");
        return;
    }
    snapshot.checkedSources.emplace_back("系统当前键盘事件过滤器");
    if (counted.count == 0) return;

    const std::uint32_t room = std::min<std::uint64_t>(std::uint64_t{counted.count} + spareRoom, maximumRoom);
    const EventTapListResult listed = platform_.eventTapList.eventTapList(room);
    if (listed.error != 0) {
        snapshot.notes.emplace_back("监听器列表在扫描时发生变化，请重新查询。");
        return;
    }
    const std::size_t walked = std::min<std::size_t>({room, listed.count, listed.taps.size()});
    const std::int32_t ownPid = platform_.processes.ownPid();
    std::unordered_set<std::int32_t> reported;
    for (std::size_t i = 0; i < walked; ++i) {
        const EventTapInformation& tap = listed.taps[i];
        if (!isKeyboardFilter(tap, ownPid) || !reported.insert(tap.tappingProcess).second) continue;
        snapshot.findings.push_back(Finding{
            .id = "tap-" + std::to_string(tap.tappingProcess),
            .level = EvidenceLevel::listener,
            .application = processIdentity(platform_.processes, tap.tappingProcess),
            .title = "运行中的键盘事件过滤器",
            .detail = "系统显示此进程启用了可修改或拦截键盘事件的监听器。API 不提供它匹配的组合键；这不是它占用当前快捷键的证据。",
            .sourceURL = std::nullopt,
        });
    }
}

}  // namespace chordmap
