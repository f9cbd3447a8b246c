#include "app/CommandLine.h"

#include <algorithm>
#include <limits>

namespace chordmap {

const char* const usageText =
    "用法：\n"
    "  chordmap                      打开主窗口\n"
    "  chordmap --scan 键码 修饰键    以 JSON 输出一个组合键的检查结果\n"
    "  chordmap --map                以 JSON 输出所有被占用的组合键及其冲突\n"
    "  … --app 应用                  与 --scan 或 --map 同用：判断各条件在该前台应用中是否成立\n"
    "                                （应用写 bundle ID，或 .app 包、可执行文件的路径）\n"
    "  chordmap --version            显示版本\n"
    "  chordmap --help               显示本说明（也可写作 -h）\n"
    "\n"
    "键码是 macOS 虚拟键码（0 为 A，49 为 Space，122 为 F1）；修饰键是以下数值之和：\n"
    "Shift 131072，Control 262144，Option 524288，Command 1048576，fn 8388608。\n"
    "例如 chordmap --scan 49 1048576 检查 ⌘ Space。\n";

std::optional<std::uint64_t> parseUnsigned(std::string_view text, std::uint64_t maximum) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (maximum - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (negative && value != 0) return std::nullopt;
    return value;
}

namespace {

std::optional<ShortcutSpec> scanRequest(const std::vector<std::string>& arguments) {
    const auto scan = std::find(arguments.begin(), arguments.end(), "--scan");
    if (scan == arguments.end() || std::distance(scan, arguments.end()) < 3) return std::nullopt;
    const auto keyCode = parseUnsigned(*(scan + 1), std::numeric_limits<std::uint16_t>::max());
    const auto modifiers = parseUnsigned(*(scan + 2), std::numeric_limits<std::uint64_t>::max());
    if (!keyCode || !modifiers) return std::nullopt;
    return ShortcutSpec(static_cast<std::uint16_t>(*keyCode), *modifiers);
}

// The value of --app: none when not given, an empty text when given without one.
std::optional<std::string> frontApplication(const std::vector<std::string>& arguments) {
    const auto app = std::find(arguments.begin(), arguments.end(), "--app");
    if (app == arguments.end()) return std::nullopt;
    if (app + 1 == arguments.end() || (app + 1)->empty() || (app + 1)->starts_with("--")) return std::string();
    return *(app + 1);
}

}  // namespace

Command parseCommandLine(const std::vector<std::string>& arguments) {
    const auto given = [&](std::string_view word) {
        return std::find(arguments.begin(), arguments.end(), word) != arguments.end();
    };
    if (given("--version")) return PrintVersion{};
    if (given("--help") || given("-h")) return PrintUsage{};
    const std::optional<std::string> application = frontApplication(arguments);
    const bool scan = scanRequest(arguments).has_value();
    if ((scan || given("--map")) && application && application->empty()) return MisusedOption{};
    if (const std::optional<ShortcutSpec> shortcut = scanRequest(arguments)) return ScanShortcut{*shortcut, application};
    if (given("--map")) return PrintMap{application};
    return StartWindowedApplication{};
}

}  // namespace chordmap
