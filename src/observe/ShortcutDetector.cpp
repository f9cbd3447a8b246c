#include "observe/ShortcutDetector.h"

#include "scan/ConfigurationScanner.h"

namespace chordmap {

DetectionSnapshot ShortcutDetector::scan(const ShortcutSpec& shortcut) const {
    const ConfigurationScanner scanner(platform_.home.path(), platform_);
    DetectionSnapshot snapshot = scanner.scan(shortcut);
    if (platform_.secureInput.isSecureEventInputEnabled()) {
        snapshot.notes.insert(snapshot.notes.begin(),
                              "macOS 正在使用安全键盘输入，实时按键可能无法被观察；关闭密码输入框或结束对应安全输入后重试。");
    }
    return snapshot;
}

}  // namespace chordmap
