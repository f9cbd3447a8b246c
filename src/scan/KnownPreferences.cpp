#include "scan/KnownPreferences.h"

#include "formats/Documents.h"
#include "formats/KeyedArchive.h"
#include "model/Text.h"
#include "platform/DirectoryWalk.h"
#include "scan/AppIdentities.h"
#include "scan/ConfigurationScanner.h"
#include "scan/DictionaryLookup.h"

namespace chordmap {
namespace {

const char* const rectangleBundleID = "com.knollsoft.Rectangle";
const char* const raycastBundleID = "com.raycast.macos";
const char* const raycastHotKeyKey = "raycastGlobalHotkey";
const char* const jsonShortcutPrefix = "KeyboardShortcuts_";
const char* const rectangleConfigPath = "Library/Application Support/Rectangle/RectangleConfig.json";
const char* const rectangleConfigLabel = "Rectangle 配置文件";
const char* const rectangleConfigUnparsable = "Rectangle 配置文件：格式无法解析。";
const char* const storedDetail =
    "偏好文件的键码与修饰键匹配；未确认软件当前是否加载这项绑定。仅识别公开的 keyCode/modifierFlags 格式。";
const char* const carbonDetail =
    "偏好文件中 KeyboardShortcuts 记录的键码与 Carbon 修饰键匹配；未确认软件当前是否加载这项绑定。";
const char* const archivedDetail =
    "偏好文件中以键控归档（MASShortcut）保存的键码与修饰键匹配；未确认软件当前是否加载这项绑定。";
const char* const configDetail =
    "Rectangle 启动时载入的 RectangleConfig.json 含此快捷键；载入（可能需要确认）后才替换偏好中的设置，未确认是否已载入。";
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

// An integer member from 0 to `limit`; none for anything else.
std::optional<std::uint64_t> integerUpTo(const Value::Dictionary& dictionary, std::string_view key,
                                         std::uint64_t limit) {
    const Value* value = lookup::member(dictionary, key);
    if (!value || !value->isInteger()) return std::nullopt;
    const std::int64_t number = *value->signedNumber();
    if (number < 0 || static_cast<std::uint64_t>(number) > limit) return std::nullopt;
    return static_cast<std::uint64_t>(number);
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

// What the KeyboardShortcuts library stores: a Carbon key code and Carbon
// modifiers, which it hands to the system as 32-bit values.
std::optional<ShortcutSpec> carbonShortcut(const Value::Dictionary& stored) {
    const auto keyCode = integerUpTo(stored, "carbonKeyCode", 0xFFFF);
    const auto modifiers = integerUpTo(stored, "carbonModifiers", 0xFFFFFFFF);
    if (!keyCode || !modifiers) return std::nullopt;
    return ShortcutSpec(static_cast<std::uint16_t>(*keyCode), ShortcutSpec::cocoaModifiersFromCarbon(*modifiers));
}

// A MASShortcut kept as a keyed archive, as Rectangle once stored its
// shortcuts (and still converts them when it starts). A negative key code,
// or a nil root, is a cleared shortcut.
std::optional<ShortcutSpec> archivedShortcut(std::string_view bytes) {
    const std::optional<Value> archive = parsePropertyList(bytes);
    const std::optional<ArchivedObject> root = archive ? keyedArchiveRoot(*archive) : std::nullopt;
    if (!root || *root->className != "MASShortcut") return std::nullopt;
    const auto keyCode = integerUpTo(*root->members, "KeyCode", 0xFFFF);
    const Value* flags = lookup::member(*root->members, "ModifierFlags");
    if (!keyCode || !flags || !flags->isInteger()) return std::nullopt;
    return ShortcutSpec(static_cast<std::uint16_t>(*keyCode), *flags->number());
}

struct StoredHotKey {
    ShortcutSpec shortcut;
    const char* detail;
};

// `archives`: whether the application stores keyed archives (only Rectangle does).
std::optional<StoredHotKey> storedHotKey(bool archives, const std::string& key, const Value& value) {
    const auto as = [](std::optional<ShortcutSpec> shortcut, const char* detail) -> std::optional<StoredHotKey> {
        if (!shortcut) return std::nullopt;
        return StoredHotKey{*shortcut, detail};
    };
    if (const Value::Dictionary* stored = value.dictionary()) return as(storedShortcut(*stored), storedDetail);
    if (key.starts_with(jsonShortcutPrefix) && value.string()) {
        const std::optional<Value> decoded = parseJson(*value.string());
        const Value::Dictionary* stored = decoded ? decoded->dictionary() : nullptr;
        if (!stored) return std::nullopt;
        if (auto shortcut = as(storedShortcut(*stored), storedDetail)) return shortcut;
        return as(carbonShortcut(*stored), carbonDetail);
    }
    if (archives && value.data()) {
        return as(archivedShortcut(value.data()->bytes), archivedDetail);
    }
    return std::nullopt;
}

// Whether the application's file read before stores the same binding under
// this key, so that it was declared from there.
bool declaredBefore(bool archives, const Value::Dictionary* earlier, const std::string& key,
                    const ShortcutSpec& shortcut) {
    const Value* value = earlier ? lookup::member(*earlier, key) : nullptr;
    const std::optional<StoredHotKey> before = value ? storedHotKey(archives, key, *value) : std::nullopt;
    return before && before->shortcut == shortcut;
}

// A shortcut of RectangleConfig.json as Rectangle decodes it: an object with
// integer keyCode and modifierFlags. A negative key code clears the action.
bool decodableShortcut(const Value& entry) {
    const Value::Dictionary* shortcut = entry.dictionary();
    if (!shortcut) return false;
    const Value* keyCode = lookup::member(*shortcut, "keyCode");
    const Value* flags = lookup::member(*shortcut, "modifierFlags");
    return keyCode && keyCode->isInteger() && flags && flags->isInteger();
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
                                 const Value::Dictionary& preferences, const Url& sourceURL,
                                 const Value::Dictionary* earlier, Inventory& inventory) {
    const AppIdentity identity = knownApplication(processes, application.name, application.bundleID);
    const bool isRaycast = std::string_view(application.bundleID) == raycastBundleID;
    const bool archives = std::string_view(application.bundleID) == rectangleBundleID;
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
        const std::optional<StoredHotKey> hotKey = storedHotKey(archives, key, value);
        if (!hotKey || !inventory.wants(Claim::exactly(hotKey->shortcut))) continue;
        if (declaredBefore(archives, earlier, key, hotKey->shortcut)) continue;
        // A binary property list's ASCII keys may carry any byte.
        const std::string name = validUtf8(key);
        inventory.declare(Claim::exactly(hotKey->shortcut), Finding{
            .id = "prefs-" + std::string(application.bundleID) + "-" + name,
            .level = EvidenceLevel::configuration,
            .application = identity,
            .title = "快捷键偏好：" + name,
            .detail = hotKey->detail,
            .sourceURL = sourceURL,
        });
    }
}

bool rectangleConfigDeclarations(const Processes& processes, const Value& config, const Url& sourceURL,
                                 const Value::Dictionary* preferences, Inventory& inventory) {
    // Rectangle decodes the file whole: one member it cannot read, and it
    // loads nothing.
    const Value::Dictionary* root = config.dictionary();
    const Value::Dictionary* shortcuts = root ? lookup::dictionary(*root, "shortcuts") : nullptr;
    if (!shortcuts || !lookup::string(*root, "bundleId") || !lookup::string(*root, "version") ||
        !lookup::dictionary(*root, "defaults")) {
        return false;
    }
    for (const auto& [action, entry] : *shortcuts) {
        if (!decodableShortcut(entry)) return false;
    }
    const AppIdentity identity = knownApplication(processes, "Rectangle", rectangleBundleID);
    for (const auto& [action, entry] : *shortcuts) {
        const std::optional<ShortcutSpec> shortcut = storedShortcut(*entry.dictionary());
        if (!shortcut || !inventory.wants(Claim::exactly(*shortcut))) continue;
        if (declaredBefore(true, preferences, action, *shortcut)) continue;
        const std::string name = validUtf8(action);
        inventory.declare(Claim::exactly(*shortcut), Finding{
            .id = "prefs-" + std::string(rectangleBundleID) + "-config-" + name,
            .level = EvidenceLevel::conditionalConfiguration,
            .application = identity,
            .title = "配置文件快捷键：" + name,
            .detail = configDetail,
            .sourceURL = sourceURL,
        });
    }
    return true;
}

void ConfigurationScanner::knownPreferences(Inventory& inventory) const {
    for (const KnownApplication& application : knownApplications) {
        const std::string bundleID = application.bundleID;
        // The application's file read before the next one.
        std::optional<Value> earlier;
        const auto readPreferences = [&](const std::string& path, const std::string& label) {
            // A preference file that is no dictionary is skipped without a note.
            std::optional<Value> preferences = readDictionary(path, label, parsePropertyList, nullptr, inventory);
            if (!preferences) return;
            knownPreferenceDeclarations(processes_, application, *preferences->dictionary(), Url::file(path),
                                        earlier ? earlier->dictionary() : nullptr, inventory);
            earlier = std::move(preferences);
        };
        const std::string file = "Library/Preferences/" + bundleID + ".plist";
        const std::string outside = inHome(file);
        bool outsideIsContained = false;
        if (application.sandboxed) {
            // The container holds what the application reads; a link between
            // the two places makes them one file.
            const std::string contained = inHome("Library/Containers/" + bundleID + "/Data/" + file);
            readPreferences(contained, application.name + std::string(" 沙盒快捷键偏好"));
            outsideIsContained = resolvedPath(outside).value_or(outside) == resolvedPath(contained).value_or(contained);
        }
        if (!outsideIsContained) readPreferences(outside, application.name + std::string(" 快捷键偏好"));

        if (bundleID != rectangleBundleID) continue;
        const std::string path = inHome(rectangleConfigPath);
        const std::optional<Value> config =
            readDictionary(path, rectangleConfigLabel, parseJson, rectangleConfigUnparsable, inventory);
        if (config && !rectangleConfigDeclarations(processes_, *config, Url::file(path),
                                                   earlier ? earlier->dictionary() : nullptr, inventory)) {
            inventory.notes.emplace_back(rectangleConfigUnparsable);
        }
    }
}

}  // namespace chordmap
