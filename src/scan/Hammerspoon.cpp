#include "scan/Hammerspoon.h"

#include "model/Text.h"
#include "platform/DirectoryWalk.h"
#include "scan/AppIdentities.h"
#include "scan/Concurrently.h"
#include "scan/ConfigurationScanner.h"
#include "scan/LuaHotKeys.h"
#include "scan/LuaText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <unordered_map>

namespace chordmap {
namespace {

constexpr std::array<const char*, 2> configurationDirectories{".hammerspoon", ".config/hammerspoon"};
const std::set<std::string> skippedNames{"handoffs", "docs", "vendor", "Spoons"};
constexpr std::size_t fileLimit = 100;
const char* const limitNote = "Hammerspoon：达到 100 个 Lua 文件扫描上限。";
const char* const labelPrefix = "Hammerspoon：";
const char* const applicationName = "Hammerspoon";
const char* const bundleID = "org.hammerspoon.Hammerspoon";
const char* const titlePrefix = "Lua 源码中的组合键 · 第 ";
const char* const titleSuffix = " 行";
const char* const literalDetail =
    "识别到字面量快捷键声明；没有执行 Lua，因此未确认模块是否加载、是否被禁用或被运行时覆盖。变量生成的绑定不在静态扫描范围内。";
const char* const notRun = "没有执行 Lua，因此未确认模块是否加载、是否被禁用或被运行时覆盖。";

// The extension as a file manager reads it: what follows the last dot of
// the last component, unless that dot begins the name.
std::string_view extension(std::string_view path) {
    const std::string_view name = lastPathComponent(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return name.substr(dot + 1);
}

// Hammerspoon's own key names (hs.keycodes.map) beyond the common ones.
const std::unordered_map<std::string_view, std::uint16_t> hammerspoonKeys{
    {"pageup", 116}, {"pagedown", 121}, {"forwarddelete", 117}, {"padclear", 71}, {"padenter", 76},
    {"pad.", 65},    {"pad*", 67},      {"pad+", 69},           {"pad/", 75},     {"pad-", 78},
    {"pad=", 81},    {"pad0", 82},      {"pad1", 83},           {"pad2", 84},     {"pad3", 85},
    {"pad4", 86},    {"pad5", 87},      {"pad6", 88},           {"pad7", 89},     {"pad8", 91},
    {"pad9", 92},    {"\u00A7", 10},    {"yen", 93},            {"underscore", 94}, {"pad,", 95},
    {"eisu", 102},   {"kana", 104},
};

std::optional<std::uint16_t> keyCode(std::int64_t code) {
    if (code < 0 || code > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(code);
}

std::optional<std::uint16_t> keyNamed(std::string_view name) {
    if (const std::optional<std::uint16_t> code = ShortcutSpec::keyCodeNamed(name)) return code;
    const std::string lower = lowercased(name);
    if (lower.size() > 1 && lower[0] == '#') {  // a raw key code
        const std::optional<std::int64_t> code = luaIntegerValue(std::string_view(lower).substr(1));
        return code ? keyCode(*code) : std::nullopt;
    }
    const auto found = hammerspoonKeys.find(lower);
    if (found == hammerspoonKeys.end()) return std::nullopt;
    return found->second;
}

// A modifier word; one the common names miss is read as Hammerspoon reads
// a list, finding the modifier names anywhere in it ("ctrl shift", "cmd-alt").
std::optional<std::uint64_t> modifierWord(const std::string& word) {
    if (const std::optional<std::uint64_t> mask = ShortcutSpec::modifiersNamed({word})) return mask;
    struct Names {
        std::array<std::string_view, 3> names;
        std::uint64_t mask;
    };
    static constexpr std::array<Names, 4> groups{{
        {{"cmd", "command", "\u2318"}, modifier::command},
        {{"ctrl", "control", "\u2303"}, modifier::control},
        {{"alt", "option", "\u2325"}, modifier::option},
        {{"shift", "\u21E7", "\u21E7"}, modifier::shift},
    }};
    const std::string lower = lowercased(word);
    std::uint64_t mask = 0;
    for (const Names& group : groups) {
        for (const std::string_view name : group.names) {
            if (lower.find(name) != std::string::npos) mask |= group.mask;
        }
    }
    if (mask == 0) return std::nullopt;
    return mask;
}

// What hot keys claim. Files repeat a handful of key names and modifier
// words, so each distinct one is looked up once. The names are views into
// what the Lua reader keeps, so this lives no longer than one reading.
class Claims {
public:
    std::optional<Claim> operator()(const LuaHotKey& hotKey) {
        std::optional<std::uint16_t> code;
        if (hotKey.keyCode) {
            code = keyCode(*hotKey.keyCode);
        } else {
            auto key = keys_.find(hotKey.key);
            if (key == keys_.end()) key = keys_.emplace(hotKey.key, keyNamed(hotKey.key)).first;
            code = key->second;
        }
        if (!code) return std::nullopt;
        std::uint64_t mask = 0;
        for (const std::string_view word : hotKey.modifiers) {
            auto found = words_.find(word);
            if (found == words_.end()) found = words_.emplace(word, modifierWord(std::string(word))).first;
            if (!found->second) return std::nullopt;
            mask |= *found->second;
        }
        return Claim::exactly(ShortcutSpec(*code, mask));
    }

private:
    std::unordered_map<std::string_view, std::optional<std::uint16_t>> keys_;
    std::unordered_map<std::string_view, std::optional<std::uint64_t>> words_;
};

std::string sourceClause(const LuaSource& source, const char* subject) {
    const std::string name = validUtf8(source.name);
    switch (source.kind) {
        case LuaSource::Kind::written: return {};
        case LuaSource::Kind::table: return std::string(subject) + "取自同一文件中名为 " + name + " 的表";
        case LuaSource::Kind::string: return std::string(subject) + "取自同一文件中名为 " + name + " 的字符串";
        case LuaSource::Kind::value: return std::string(subject) + "用到同一文件中名为 " + name + " 的值";
    }
    return {};
}

// A name between Chinese words, set off by spaces; nothing when empty.
std::string spaced(std::string_view name) {
    if (name.empty()) return {};
    std::string out(1, ' ');  // appended, not " " + ..., which GCC 12 misreads as an overlapping copy
    out += validUtf8(name);
    out += ' ';
    return out;
}

// What the reader should know of a hot key: what declares it and where its
// parts came from.
std::string detailOf(const LuaHotKey& hotKey) {
    if (hotKey.literal()) return literalDetail;
    std::string detail;
    const auto add = [&](const std::string& clause) {
        if (clause.empty()) return;
        if (!detail.empty()) detail += "，";
        detail += clause;
    };
    switch (hotKey.shape) {
        case LuaHotKey::Shape::call:
        case LuaHotKey::Shape::tableEntry: break;
        case LuaHotKey::Shape::modalEntry: add("进入模态" + spaced(hotKey.owner) + "的组合键"); break;
        case LuaHotKey::Shape::modalBinding:
            add("模态" + spaced(hotKey.owner) + "中的绑定，只在该模态激活时有效");
            break;
        case LuaHotKey::Shape::spoonMapping:
            add("Spoon" + (hotKey.owner.empty() ? std::string(" ") : spaced(hotKey.owner) + "的") + "热键映射项 " +
                validUtf8(hotKey.entry) + "，由该 Spoon 绑定");
            break;
    }
    if (hotKey.loopTable)
        add("逐项取自同一文件中" + (hotKey.loopTable->empty() ? "遍历的表" : "的表 " + validUtf8(*hotKey.loopTable)));
    add(sourceClause(hotKey.modifiersFrom, "修饰键列表"));
    add(sourceClause(hotKey.keyFrom, "按键"));
    return detail + "；" + notRun;
}

// Literal calls first, then literal table entries, then everything else,
// each in text order.
int reportGroup(const LuaHotKey& hotKey) {
    if (!hotKey.literal()) return 2;
    return hotKey.shape == LuaHotKey::Shape::call ? 0 : 1;
}

struct Wanted {
    int group;
    std::size_t at;
    Claim claim;
    std::string detail;
    std::vector<Condition> conditions;
};

// A modal's bindings hold only while the modal is entered, which only the
// running configuration knows.
std::vector<Condition> conditionsOf(const LuaHotKey& hotKey) {
    if (hotKey.shape != LuaHotKey::Shape::modalBinding) return {};
    return {Condition::undecided("需要 Hammerspoon 模态" + (hotKey.owner.empty() ? std::string() : spaced(hotKey.owner)) +
                                 "处于激活状态")};
}

}  // namespace

void hammerspoonDeclarations(const Processes& processes, std::string_view text, const Url& sourceURL,
                             Inventory& inventory) {
    std::vector<Wanted> wanted;
    Claims claims;
    forEachLuaHotKey(text, [&](const LuaHotKey& hotKey) {
        const std::optional<Claim> claim = claims(hotKey);
        if (claim && inventory.wants(*claim))
            wanted.push_back({reportGroup(hotKey), hotKey.at, *claim, detailOf(hotKey), conditionsOf(hotKey)});
    });
    std::stable_sort(wanted.begin(), wanted.end(), [](const Wanted& a, const Wanted& b) {
        return a.group != b.group ? a.group < b.group : a.at < b.at;
    });
    const std::string path = validUtf8(sourceURL.path().value_or(sourceURL.absoluteString()));
    std::optional<AppIdentity> application;
    std::size_t counted = 0;
    std::size_t line = 1;
    for (Wanted& hotKey : wanted) {
        if (hotKey.at < counted) {  // the next group counts from the top again
            counted = 0;
            line = 1;
        }
        line += static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                                    text.begin() + static_cast<std::ptrdiff_t>(hotKey.at), '\n'));
        counted = hotKey.at;
        if (!application) application = knownApplication(processes, applicationName, bundleID);
        inventory.declare(hotKey.claim, Finding{
            .id = "hs-" + path + "-" + std::to_string(line),
            .level = EvidenceLevel::conditionalConfiguration,
            .application = *application,
            .title = titlePrefix + std::to_string(line) + titleSuffix,
            .detail = std::move(hotKey.detail),
            .sourceURL = sourceURL,
        }, std::move(hotKey.conditions));
    }
}

void ConfigurationScanner::hammerspoon(Inventory& inventory) const {
    // The files in the walk's order; true when there are more than the limit.
    std::vector<std::string> files;
    const auto collect = [&] {
        std::set<std::string> seen;
        for (const char* relative : configurationDirectories) {
            const std::string directory = inHome(relative);
            std::optional<DirectoryWalk> walk =
                DirectoryWalk::open(resolvedPath(directory).value_or(directory), skippedNames);
            if (!walk) continue;
            while (const std::optional<std::string> path = walk->next()) {
                if (extension(*path) != "lua") continue;
                // One file reachable through links is read once.
                if (!seen.insert(resolvedPath(*path).value_or(*path)).second) continue;
                if (files.size() == fileLimit) return true;
                files.push_back(*path);
            }
        }
        return false;
    };
    const bool overLimit = collect();
    // Each file is a job; its findings keep the walk's order, whichever thread reads it.
    std::vector<Inventory> parts(files.size(), Inventory(inventory.only()));
    runConcurrently(files.size(), [&](std::size_t i) {
        const std::string label = labelPrefix + validUtf8(lastPathComponent(files[i]));
        const std::optional<std::string> bytes = read(files[i], label, parts[i]);
        if (bytes && isValidUtf8(*bytes)) hammerspoonDeclarations(processes_, *bytes, Url::file(files[i]), parts[i]);
    });
    for (Inventory& part : parts) inventory.append(std::move(part));
    if (overLimit) inventory.notes.emplace_back(limitNote);
}

}  // namespace chordmap
