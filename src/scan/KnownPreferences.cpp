#include "scan/KnownPreferences.h"

#include "formats/Documents.h"
#include "model/Text.h"
#include "scan/AppIdentities.h"
#include "scan/ConfigurationScanner.h"
#include "scan/DictionaryLookup.h"

namespace chordmap {
namespace {

const char* const raycastBundleID = "com.raycast.macos";
const char* const raycastHotKeyKey = "raycastGlobalHotkey";
const char* const jsonShortcutPrefix = "KeyboardShortcuts_";
const char* const storedDetail =
    "偏好文件的键码与修饰键匹配；未确认软件当前是否加载这项绑定。仅识别公开的 keyCode/modifierFlags 格式。";
const char* const raycastTitle = "打开 Raycast";
const char* const raycastDetail = "Raycast 的全局唤起快捷键偏好匹配该组合。未修改设置，仍需结合实时结果确认当前派发。";

std::vector<std::string_view> hyphenSeparated(std::string_view text) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t hyphen = text.find('-');
        parts.push_back(text.substr(0, hyphen));
        if (hyphen == std::string_view::npos) return parts;
        text.remove_prefix(hyphen + 1);
    }
}

// A decimal 16-bit unsigned number: an optional plus sign, then digits only.
// (A minus sign never reaches here: the text was split at hyphens.)
std::optional<std::uint16_t> decimal16(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 0xFFFF) return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// The stored hot key of a dictionary: keyCode, and modifierFlags when that
// key is present (modifiers only when it is not).
std::optional<ShortcutSpec> storedShortcut(const Value::Dictionary& stored) {
    const auto keyCode = lookup::number(stored, "keyCode");
    if (!keyCode || *keyCode > 0xFFFF) return std::nullopt;
    const Value* flags = lookup::member(stored, "modifierFlags");
    if (!flags) flags = lookup::member(stored, "modifiers");
    const auto modifiers = flags ? flags->number() : std::nullopt;
    if (!modifiers) return std::nullopt;
    return ShortcutSpec(static_cast<std::uint16_t>(*keyCode), *modifiers);
}

}  // namespace

std::optional<ShortcutSpec> raycastShortcut(std::string_view text) {
    const std::vector<std::string_view> parts = hyphenSeparated(text);
    if (parts.size() < 2) return std::nullopt;
    for (const std::string_view part : parts) {
        if (part.empty()) return std::nullopt;
    }
    const auto keyCode = decimal16(parts.back());
    if (!keyCode || *keyCode > 127) return std::nullopt;
    const std::vector<std::string> words(parts.begin(), parts.end() - 1);
    const auto modifiers = ShortcutSpec::modifiersNamed(words);
    if (!modifiers || *modifiers == 0) return std::nullopt;
    return ShortcutSpec(*keyCode, *modifiers);
}

void knownPreferenceDeclarations(const Processes& processes, const KnownApplication& application,
                                 const Value::Dictionary& preferences, const Url& sourceURL, Inventory& inventory) {
    const AppIdentity identity = knownApplication(processes, application.name, application.bundleID);
    const bool isRaycast = std::string_view(application.bundleID) == raycastBundleID;
    for (const auto& [key, value] : preferences) {
        if (isRaycast && key == raycastHotKeyKey && value.string()) {
            // A string is no stored dictionary: this entry gives nothing else.
            if (const std::optional<ShortcutSpec> hotKey = raycastShortcut(*value.string())) {
                inventory.declare(Claim::exactly(*hotKey), Finding{
                    .id = "raycast-global",
                    .level = EvidenceLevel::configuration,
                    .application = identity,
                    .title = raycastTitle,
                    .detail = raycastDetail,
                    .sourceURL = sourceURL,
                });
            }
            continue;
        }
        const Value::Dictionary* stored = value.dictionary();
        std::optional<Value> decoded;
        if (key.starts_with(jsonShortcutPrefix) && value.string()) {
            decoded = parseJson(*value.string());
            stored = decoded ? decoded->dictionary() : nullptr;
        }
        if (!stored || stored->empty()) continue;
        const std::optional<ShortcutSpec> hotKey = storedShortcut(*stored);
        if (!hotKey || !inventory.wants(Claim::exactly(*hotKey))) continue;
        // A binary property list's ASCII keys may carry any byte.
        const std::string name = validUtf8(key);
        inventory.declare(Claim::exactly(*hotKey), Finding{
            .id = "prefs-" + std::string(application.bundleID) + "-" + name,
            .level = EvidenceLevel::configuration,
            .application = identity,
            .title = "快捷键偏好：" + name,
            .detail = storedDetail,
            .sourceURL = sourceURL,
        });
    }
}

void ConfigurationScanner::knownPreferences(Inventory& inventory) const {
    for (const KnownApplication& application : knownApplications) {
        const std::string path = inHome("Library/Preferences/" + std::string(application.bundleID) + ".plist");
        // A preference file that is no dictionary is skipped without a note.
        const std::optional<Value> preferences = readDictionary(
            path, std::string(application.name) + " 快捷键偏好", parsePropertyList, nullptr, inventory);
        if (!preferences) continue;
        knownPreferenceDeclarations(platform_.processes, application, *preferences->dictionary(), Url::file(path),
                                    inventory);
    }
}

}  // namespace chordmap
