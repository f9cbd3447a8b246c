#include "scan/ConfigurationScanner.h"
#include "scan/KnownPreferences.h"
#include "formats/Documents.h"
#include "support/BinaryPlist.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace chordmap {
namespace {

using namespace testing;
using namespace modifier;

const KnownApplication& rectangle = knownApplications[0];
const KnownApplication& maccy = knownApplications[1];
const KnownApplication& raycast = knownApplications[2];
const KnownApplication& monitorControl = knownApplications[3];
const Url prefsURL = Url::file("/home/u/Library/Preferences/app.plist");
const std::string storedDetail =
    "偏好文件的键码与修饰键匹配；未确认软件当前是否加载这项绑定。仅识别公开的 keyCode/modifierFlags 格式。";

Dict stored(std::int64_t code, std::int64_t flags) { return {{"keyCode", number(code)}, {"modifierFlags", number(flags)}}; }

// A stored dictionary with one member replaced.
Dict stored(std::int64_t code, std::int64_t flags, const char* key, Value value) {
    Dict entry = stored(code, flags);
    entry.insert_or_assign(key, std::move(value));
    return entry;
}

std::vector<Finding> scan(const KnownApplication& application, const Dict& preferences, const ShortcutSpec& shortcut) {
    FakeProcesses processes;
    return sourceScan(shortcut, [&](Inventory& inventory) {
        knownPreferenceDeclarations(processes, application, preferences, prefsURL, inventory);
    }).findings;
}

TEST(RaycastShortcut, parsesModifierNamesAndADecimalKeyCode) {
    struct Row {
        const char* text;
        std::optional<ShortcutSpec> expected;
    };
    const Row rows[] = {
        {"Option-49", ShortcutSpec(49, option)},
        {"Shift-Command-49", ShortcutSpec(49, shift | command)},
        {"Option-+49", ShortcutSpec(49, option)},
        {"Option-0049", ShortcutSpec(49, option)},
        {"Option-127", ShortcutSpec(127, option)},
        {"none-Option-49", ShortcutSpec(49, option)},
        {"-49", std::nullopt},
        {"49", std::nullopt},
        {"Option--49", std::nullopt},
        {"Option-", std::nullopt},
        {"", std::nullopt},
        {"Option-128", std::nullopt},
        {"Option-65536", std::nullopt},  // would wrap to key 0
        {"Option-99999999999999999999", std::nullopt},
        {"Option-+", std::nullopt},
        {"Option- 49", std::nullopt},
        {"None-49", std::nullopt},
        {"Super-49", std::nullopt},
        {"Option-Space", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(raycastShortcut(row.text), row.expected) << row.text;
}

TEST(KnownPreferences, storedDictionariesUnderAnyKey) {
    struct Row {
        const char* name;
        Value value;
        bool found;
    };
    const Row rows[] = {
        {"modifierFlags", stored(123, control | option), true},
        {"modifiersAlone", Dict{{"keyCode", number(123)}, {"modifiers", number(control | option)}}, true},
        {"modifierFlagsWinsOverModifiers", stored(123, control | option, "modifiers", number(command)), true},
        {"modifierFlagsNotANumberIsNotReplaced",
         Dict{{"keyCode", number(123)}, {"modifierFlags", "786432"}, {"modifiers", number(786432)}}, false},
        {"noModifierNumber", Dict{{"keyCode", number(123)}}, false},
        {"noKeyCode", Dict{{"modifierFlags", number(control | option)}}, false},
        {"keyCodeAsText", stored(123, control | option, "keyCode", "123"), false},
        {"keyCodeRealTruncated", stored(123, control | option, "keyCode", 123.9), true},
        {"keyCodeBeyond16BitsDoesNotWrap", stored(65536 + 123, control | option), false},
        {"otherModifiers", stored(123, control), false},
        {"emptyDictionary", Dict{}, false},
        {"notADictionary", List{number(123), number(control | option)}, false},
        {"jsonTextWithoutPrefix", R"({"keyCode":123,"modifierFlags":786432})", false},
    };
    for (const auto& row : rows) {
        const auto found = scan(rectangle, Dict{{"leftHalf", row.value}}, ShortcutSpec(123, control | option));
        ASSERT_EQ(found.size(), row.found ? 1u : 0u) << row.name;
        if (!row.found) continue;
        EXPECT_EQ(found[0], (Finding{.id = "prefs-com.knollsoft.Rectangle-leftHalf", .level = EvidenceLevel::configuration,
                                     .application = AppIdentity{.name = "Rectangle", .pid = {},
                                                                .bundleID = "com.knollsoft.Rectangle", .bundleURL = {},
                                                                .isRunning = false},
                                     .title = "快捷键偏好：leftHalf", .detail = storedDetail, .sourceURL = prefsURL}))
            << row.name;
    }
}

TEST(KnownPreferences, jsonTextUnderKeyboardShortcutsKeys) {
    const char* const json = R"({"keyCode":9,"modifierFlags":1572864})";
    struct Row {
        const char* name;
        const char* key;
        Value value;
        bool found;
    };
    const Row rows[] = {
        {"jsonObject", "KeyboardShortcuts_popup", json, true},
        {"prefixOnly", "KeyboardShortcuts_", json, true},
        {"prefixCaseMatters", "keyboardShortcuts_popup", json, false},
        {"dictionaryUnderPrefix", "KeyboardShortcuts_popup", stored(9, command | option), true},
        {"invalidJson", "KeyboardShortcuts_popup", R"({"keyCode":9,"modifierFlags":1572864)", false},
        {"jsonArray", "KeyboardShortcuts_popup", "[9, 1572864]", false},
    };
    for (const auto& row : rows) {
        const auto found = scan(maccy, Dict{{row.key, row.value}}, ShortcutSpec(9, command | option));
        ASSERT_EQ(found.size(), row.found ? 1u : 0u) << row.name;
        if (!row.found) continue;
        EXPECT_EQ(found[0].id, "prefs-org.p0deje.Maccy-" + std::string(row.key)) << row.name;
        EXPECT_EQ(found[0].title, "快捷键偏好：" + std::string(row.key)) << row.name;
    }
}

TEST(KnownPreferences, raycastGlobalHotKeyOnlyInRaycastsFile) {
    struct Row {
        const char* name;
        const KnownApplication* application;
        Dict preferences;
        std::vector<std::string> ids;
    };
    const Row rows[] = {
        {"raycast", &raycast, {{"raycastGlobalHotkey", "Option-49"}}, {"raycast-global"}},
        {"otherCombination", &raycast, {{"raycastGlobalHotkey", "Command-49"}}, {}},
        {"otherApplication", &rectangle, {{"raycastGlobalHotkey", "Option-49"}}, {}},
        {"otherKey", &raycast, {{"initialSpotlightHotkey", "Option-49"}}, {}},
        // Not text: read as a stored dictionary like any other entry.
        {"storedDictionary", &raycast, {{"raycastGlobalHotkey", stored(49, option)}},
         {"prefs-com.raycast.macos-raycastGlobalHotkey"}},
        {"alongsideStoredEntries", &raycast,
         {{"raycastGlobalHotkey", "Option-49"}, {"extension_clipboard", stored(49, option)}},
         {"prefs-com.raycast.macos-extension_clipboard", "raycast-global"}},
    };
    for (const auto& row : rows) EXPECT_EQ(ids(scan(*row.application, row.preferences, ShortcutSpec(49, option))), row.ids) << row.name;
    const Finding expected{.id = "raycast-global", .level = EvidenceLevel::configuration,
                           .application = AppIdentity{.name = "Raycast", .pid = {}, .bundleID = "com.raycast.macos",
                                                      .bundleURL = {}, .isRunning = false},
                           .title = "打开 Raycast",
                           .detail = "Raycast 的全局唤起快捷键偏好匹配该组合。未修改设置，仍需结合实时结果确认当前派发。",
                           .sourceURL = prefsURL};
    EXPECT_EQ(scan(raycast, {{"raycastGlobalHotkey", "Option-49"}}, ShortcutSpec(49, option)), std::vector<Finding>{expected});
}

// Preference files below a temporary home, by application.
struct Home {
    TemporaryDirectory directory;
    FakePlatform platform;
    void write(const KnownApplication& application, std::string_view bytes) const {
        directory.write("Library/Preferences/" + std::string(application.bundleID) + ".plist", bytes);
    }
    DetectionSnapshot scan(const ShortcutSpec& shortcut) const {
        const ConfigurationScanner scanner(directory.path(), platform.services);
        return sourceScan(shortcut, [&](Inventory& inventory) { scanner.knownPreferences(inventory); });
    }
};

TEST(KnownPreferences, readsEachApplicationsFileInOrder) {
    const auto binaryPreferences = [](const std::string& key, std::uint64_t code, std::uint64_t flags) {
        BinaryPlist plist;
        const auto entry = plist.dictionary({{plist.string("keyCode"), plist.integer(code)},
                                             {plist.string("modifierFlags"), plist.integer(flags)}});
        return plist.bytes(plist.dictionary({{plist.string(key), entry}, {plist.string("launchOnLogin"), plist.boolean(true)}}));
    };
    Home home;
    home.write(monitorControl, binaryPreferences("brightnessUp", 40, control | option));
    home.write(rectangle, binaryPreferences("bottomRight", 40, control | option));
    BinaryPlist array;
    home.write(maccy, array.bytes(array.array({array.integer(1)})));  // no dictionary: skipped silently
    home.write(raycast, "not a property list");                        // likewise
    const DetectionSnapshot snapshot = home.scan(ShortcutSpec(40, control | option));
    EXPECT_EQ(ids(snapshot.findings), (std::vector<std::string>{"prefs-com.knollsoft.Rectangle-bottomRight",
                                                                "prefs-me.guillaumeb.MonitorControl-brightnessUp"}));
    EXPECT_EQ(snapshot.checkedSources, (std::vector<std::string>{"Rectangle 快捷键偏好", "Maccy 快捷键偏好",
                                                                 "Raycast 快捷键偏好", "MonitorControl 快捷键偏好"}));
    EXPECT_TRUE(snapshot.notes.empty());
    EXPECT_EQ(snapshot.findings[0].sourceURL,
              Url::file(home.directory.path() + "/Library/Preferences/com.knollsoft.Rectangle.plist"));
}

// The corpus: every finding is checked against the entry its id names.

std::optional<ShortcutSpec> storedIn(const Value& entry) {
    const Value* code = entry.find("keyCode");
    const Value* flags = entry.find("modifierFlags") ? entry.find("modifierFlags") : entry.find("modifiers");
    if (!code || !code->number() || *code->number() > 0xFFFF || !flags || !flags->number()) return std::nullopt;
    return ShortcutSpec(static_cast<std::uint16_t>(*code->number()), *flags->number());
}

TEST(KnownPreferencesCorpus, everyFindingNamesAnEntryHoldingTheScannedCombination) {
    if (!corpusPresent()) GTEST_SKIP() << "no corpus at " << CHORDMAP_CORPUS;
    // What the corpus notes say the Raycast files hold.
    const std::map<std::string, ShortcutSpec> raycastHotKeys{
        {"12Jack21__dotfiles__Library__Preferences__com.raycast.macos.plist", ShortcutSpec(49, option)},
        {"wakelin-g__dotfiles__Library__Preferences__com.raycast.macos.plist", ShortcutSpec(49, command)},
    };
    const std::pair<const char*, const KnownApplication*> kinds[] = {
        {"rectangle", &rectangle}, {"maccy", &maccy}, {"raycast", &raycast}, {"monitorcontrol", &monitorControl}};
    std::size_t filesScanned = 0, findingsSeen = 0;
    for (const auto& [kind, application] : kinds) {
        const auto files = corpusFiles(kind);
        ASSERT_FALSE(files.empty()) << kind;
        for (const auto& file : files) {
            ++filesScanned;
            const std::string bytes = readFile(file.string());
            // At the application's own place: read, parsed or silently skipped.
            Home home;
            home.write(*application, bytes);
            const DetectionSnapshot snapshot = home.scan(ShortcutSpec(40, control | option));
            EXPECT_TRUE(snapshot.notes.empty()) << file;
            EXPECT_EQ(snapshot.checkedSources.size(), 1u) << file;

            // Rectangle's exported settings keep the same dictionaries under "shortcuts".
            auto document = parsePropertyList(bytes);
            if (!document) {
                const auto exported = parseJson(bytes);
                ASSERT_TRUE(exported && exported->find("shortcuts")) << file;
                document = *exported->find("shortcuts");
            }
            ASSERT_TRUE(document->dictionary()) << file;

            std::set<std::pair<std::uint16_t, std::uint64_t>> storedCombinations;
            for (const auto& [key, value] : *document->dictionary()) {
                if (auto spec = storedIn(value)) storedCombinations.insert({spec->keyCode, spec->modifiers});
            }
            const auto raycastHotKey = raycastHotKeys.find(file.filename().string());
            if (raycastHotKey != raycastHotKeys.end()) {
                storedCombinations.insert({raycastHotKey->second.keyCode, raycastHotKey->second.modifiers});
            }
            auto combinations = storedCombinations;
            combinations.insert({{49, command}, {40, control | option}, {123, control | option}, {9, command | option}});

            for (const auto& [code, modifiers] : combinations) {
                const ShortcutSpec shortcut(code, modifiers);
                const auto found = sourceScan(shortcut, [&](Inventory& inventory) {
                    knownPreferenceDeclarations(FakeProcesses(), *application, *document->dictionary(), prefsURL, inventory);
                }).findings;
                findingsSeen += found.size();
                if (storedCombinations.count({code, modifiers})) {
                    EXPECT_FALSE(found.empty()) << file << " " << shortcut.displayName();
                }
                for (const Finding& f : found) {
                    if (f.id == "raycast-global") {
                        ASSERT_NE(raycastHotKey, raycastHotKeys.end()) << file;
                        EXPECT_EQ(raycastHotKey->second, shortcut) << file;
                        continue;
                    }
                    const std::string prefix = "prefs-" + std::string(application->bundleID) + "-";
                    ASSERT_TRUE(f.id.starts_with(prefix)) << f.id;
                    const Value* entry = document->find(f.id.substr(prefix.size()));
                    ASSERT_TRUE(entry) << file << " " << f.id;
                    EXPECT_EQ(storedIn(*entry), shortcut) << file << " " << f.id;
                }
            }
        }
    }
    EXPECT_EQ(filesScanned, 16u);
    EXPECT_GT(findingsSeen, 60u);
}

}  // namespace
}  // namespace chordmap
