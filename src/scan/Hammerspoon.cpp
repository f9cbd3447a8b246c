#include "scan/Hammerspoon.h"

#include "model/Text.h"
#include "platform/DirectoryWalk.h"
#include "scan/AppIdentities.h"
#include "scan/ConfigurationScanner.h"
#include "scan/LuaText.h"
#include "scan/TextPieces.h"

#include <unicode/uchar.h>

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
const char* const detail =
    "识别到字面量快捷键声明；没有执行 Lua，因此未确认模块是否加载、是否被禁用或被运行时覆盖。变量生成的绑定不在静态扫描范围内。";

// The extension as a file manager reads it: what follows the last dot of
// the last component, unless that dot begins the name.
std::string_view extension(std::string_view path) {
    const std::string_view name = lastPathComponent(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return name.substr(dot + 1);
}

bool isTrimmed(UChar32 c) {
    if (c == '"' || c == '\'' || c == '\t' || (c >= 0x0A && c <= 0x0D) || c == 0x85) return true;
    return (U_GET_GC_MASK(c) & U_GC_Z_MASK) != 0;
}

// Names between commas, without white space, line breaks and quotes at either end.
std::vector<std::string> modifierNames(std::string_view list) { return trimmedPieces(list, ',', isTrimmed); }

// What declarations claim. Files repeat a handful of key names and
// modifier lists, so each distinct one is looked up once.
class Claims {
public:
    std::optional<Claim> operator()(const LuaHotKeyDeclaration& declaration) {
        auto key = keys_.find(declaration.keyName);
        if (key == keys_.end()) key = keys_.emplace(declaration.keyName, ShortcutSpec::keyCodeNamed(declaration.keyName)).first;
        if (!key->second) return std::nullopt;
        auto modifiers = modifierLists_.find(declaration.modifierList);
        if (modifiers == modifierLists_.end()) {
            modifiers = modifierLists_
                            .emplace(declaration.modifierList,
                                     ShortcutSpec::modifiersNamed(modifierNames(declaration.modifierList)))
                            .first;
        }
        if (!modifiers->second) return std::nullopt;
        return Claim::exactly(ShortcutSpec(*key->second, *modifiers->second));
    }

private:
    // Keyed by views of the declarations' own texts, which outlive this.
    std::unordered_map<std::string_view, std::optional<std::uint16_t>> keys_;
    std::unordered_map<std::string_view, std::optional<std::uint64_t>> modifierLists_;
};

}  // namespace

void hammerspoonDeclarations(const Processes& processes, std::string_view text, const Url& sourceURL,
                             Inventory& inventory) {
    const std::string stripped = stripLuaComments(text);
    const std::string path = validUtf8(sourceURL.path().value_or(sourceURL.absoluteString()));
    std::optional<AppIdentity> application;
    std::size_t counted = 0;
    std::size_t line = 1;
    std::size_t pattern = 0;
    Claims claims;
    for (const LuaHotKeyDeclaration& declaration : luaHotKeyDeclarations(stripped)) {
        if (declaration.pattern != pattern) {
            // The table entries are counted from the top again.
            pattern = declaration.pattern;
            counted = 0;
            line = 1;
        }
        const std::optional<Claim> claim = claims(declaration);
        if (!claim || !inventory.wants(*claim)) continue;
        line += static_cast<std::size_t>(std::count(stripped.begin() + static_cast<std::ptrdiff_t>(counted),
                                                    stripped.begin() + static_cast<std::ptrdiff_t>(declaration.start), '\n'));
        counted = declaration.start;
        if (!application) application = knownApplication(processes, applicationName, bundleID);
        inventory.declare(*claim, Finding{
            .id = "hs-" + path + "-" + std::to_string(line),
            .level = EvidenceLevel::conditionalConfiguration,
            .application = *application,
            .title = titlePrefix + std::to_string(line) + titleSuffix,
            .detail = detail,
            .sourceURL = sourceURL,
        });
    }
}

void ConfigurationScanner::hammerspoon(Inventory& inventory) const {
    std::size_t count = 0;
    std::set<std::string> seen;
    for (const char* relative : configurationDirectories) {
        const std::string directory = inHome(relative);
        std::optional<DirectoryWalk> walk = DirectoryWalk::open(resolvedPath(directory).value_or(directory), skippedNames);
        if (!walk) continue;
        while (const std::optional<std::string> path = walk->next()) {
            if (extension(*path) != "lua") continue;
            // One file reachable through links is read once.
            if (!seen.insert(resolvedPath(*path).value_or(*path)).second) continue;
            if (++count > fileLimit) {
                inventory.notes.emplace_back(limitNote);
                return;
            }
            const std::string label = labelPrefix + validUtf8(lastPathComponent(*path));
            const std::optional<std::string> bytes = read(*path, label, inventory);
            if (!bytes || !isValidUtf8(*bytes)) continue;
            hammerspoonDeclarations(platform_.processes, *bytes, Url::file(*path), inventory);
        }
    }
}

}  // namespace chordmap
