#include "scan/ConfigurationScanner.h"
#include "scan/KnownPreferences.h"
#include "platform/Documents.h"
#include "platform/FileAccess.h"
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

std::vector<Finding> scan(const KnownApplication& application, const Dict& preferences, const ShortcutSpec& shortcut) {
    FakeProcesses processes;
    return knownPreferenceFindings(processes, application, preferences, shortcut, prefsURL);
}

TEST(RaycastShortcut, parsesModifierNamesAndADecimalKeyCode) {
    struct Row {
        const char* text;
        std::optional<ShortcutSpec> expected;
    };
    const Row rows[] = {
        {"Option-49", ShortcutSpec(49, option)},
        {"Command-49", ShortcutSpec(49, command)},
        {"Shift-Command-49", ShortcutSpec(49, shift | command)},
        {"ctrl-alt-cmd-shift-40", ShortcutSpec(40, hyper)},
        {"Hyper-0", ShortcutSpec(0, hyper)},
        {"Option-+49", ShortcutSpec(49, option)},
        {"Option-0049", ShortcutSpec(49, option)},
        {"Option-127", ShortcutSpec(127, option)},
        {"fn-36", ShortcutSpec(36, function)},
        {"fn-control-123", ShortcutSpec(123, control)},  // fn dropped on arrows
        {"none-Option-49", ShortcutSpec(49, option)},
        {"-49", std::nullopt},
        {"49", std::nullopt},
        {"Option--49", std::nullopt},
        {"Option-", std::nullopt},
        {"Option-49-", std::nullopt},
        {"", std::nullopt},
        {"Option-128", std::nullopt},
        {"Option-200", std::nullopt},
        {"Option-65536", std::nullopt},
        {"Option-99999999999999999999", std::nullopt},
        {"Option-+", std::nullopt},
        {"Option-4x", std::nullopt},
        {"Option- 49", std::nullopt},
        {"Option-0x31", std::nullopt},
        {"None-49", std::nullopt},
        {"Super-49", std::nullopt},
        {"Option-Space", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(raycastShortcut(row.text), row.expected) << row.text;
}

TEST(KnownPreferences, storedDictionariesUnderAnyKey) {
    Dict flagsText = stored(123, 0);
    flagsText.insert_or_assign("modifierFlags", "786432");
    flagsText.insert_or_assign("modifiers", number(786432));
    Dict bothPresent = stored(123, control | option);
    bothPresent.insert_or_assign("modifiers", number(command));
    Dict realCode = stored(123, control | option);
    realCode.insert_or_assign("keyCode", Value(123.9));
    Dict textCode = stored(123, control | option);
    textCode.insert_or_assign("keyCode", "123");
    const ShortcutSpec controlOptionLeft(123, control | option);
    struct Row {
        const char* name;
        Value value;
        bool found;
    };
    const Row rows[] = {
        {"modifierFlags", stored(123, control | option), true},
        {"fnDroppedOnArrow", stored(123, control | option | function), true},
        {"capsLockAndLowBitsDropped", stored(123, control | option | 0x10000 | 0x108), true},
        {"modifiersAlone", Dict{{"keyCode", number(123)}, {"modifiers", number(control | option)}}, true},
        {"modifierFlagsWinsOverModifiers", bothPresent, true},
        {"modifierFlagsNotANumberIsNotReplaced", flagsText, false},
        {"noModifierNumber", Dict{{"keyCode", number(123)}}, false},
        {"noKeyCode", Dict{{"modifierFlags", number(control | option)}}, false},
        {"keyCodeAsText", textCode, false},
        {"keyCodeRealTruncated", realCode, true},
        {"keyCode70000", stored(70000, control | option), false},
        {"keyCodeNegative", stored(-1, control | option), false},
        {"otherModifiers", stored(123, control), false},
        {"emptyDictionary", Dict{}, false},
        {"notADictionary", List{number(123), number(control | option)}, false},
        {"jsonTextWithoutPrefix", R"({"keyCode":123,"modifierFlags":786432})", false},
    };
    for (const auto& row : rows) {
        const auto found = scan(rectangle, Dict{{"leftHalf", row.value}}, controlOptionLeft);
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
    const ShortcutSpec commandOptionV(9, command | option);
    struct Row {
        const char* name;
        const char* key;
        Value value;
        bool found;
    };
    const Row rows[] = {
        {"jsonObject", "KeyboardShortcuts_popup", R"({"keyCode":9,"modifierFlags":1572864})", true},
        {"jsonWithModifiers", "KeyboardShortcuts_popup", R"({"modifiers":1572864,"keyCode":9.0})", true},
        {"prefixOnly", "KeyboardShortcuts_", R"({"keyCode":9,"modifierFlags":1572864})", true},
        {"prefixCaseMatters", "keyboardShortcuts_popup", R"({"keyCode":9,"modifierFlags":1572864})", false},
        {"dictionaryUnderPrefix", "KeyboardShortcuts_popup", stored(9, command | option), true},
        {"invalidJson", "KeyboardShortcuts_popup", R"({"keyCode":9,"modifierFlags":1572864)", false},
        {"jsonArray", "KeyboardShortcuts_popup", "[9, 1572864]", false},
        {"jsonEmptyObject", "KeyboardShortcuts_popup", "{}", false},
        {"jsonKeyCodeTooLarge", "KeyboardShortcuts_popup", R"({"keyCode":65545,"modifierFlags":1572864})", false},
        {"carbonForm", "KeyboardShortcuts_popup", R"({"carbonKeyCode":9,"carbonModifiers":2304})", false},
        {"jsonWithComment", "KeyboardShortcuts_popup", "{\"keyCode\":9,\"modifierFlags\":1572864}//", false},
        {"jsonInvalidUtf8", "KeyboardShortcuts_popup", "{\"keyCode\":9,\"modifierFlags\":1572864,\"x\":\"\xc3\"}", false},
    };
    for (const auto& row : rows) {
        const auto found = scan(maccy, Dict{{row.key, row.value}}, commandOptionV);
        ASSERT_EQ(found.size(), row.found ? 1u : 0u) << row.name;
        if (!row.found) continue;
        EXPECT_EQ(found[0].id, "prefs-org.p0deje.Maccy-" + std::string(row.key)) << row.name;
        EXPECT_EQ(found[0].title, "快捷键偏好：" + std::string(row.key)) << row.name;
    }
}

TEST(KnownPreferences, raycastGlobalHotKeyOnlyInRaycastsFile) {
    const ShortcutSpec optionSpace(49, option);
    struct Row {
        const char* name;
        const KnownApplication* application;
        Dict preferences;
        std::vector<std::string> ids;
    };
    const Row rows[] = {
        {"raycast", &raycast, {{"raycastGlobalHotkey", "Option-49"}}, {"raycast-global"}},
        {"otherCombination", &raycast, {{"raycastGlobalHotkey", "Command-49"}}, {}},
        {"unparsable", &raycast, {{"raycastGlobalHotkey", "49"}}, {}},
        {"otherApplication", &rectangle, {{"raycastGlobalHotkey", "Option-49"}}, {}},
        {"otherKey", &raycast, {{"initialSpotlightHotkey", "Option-49"}}, {}},
        // Not text: read as a stored dictionary like any other entry.
        {"storedDictionary", &raycast, {{"raycastGlobalHotkey", stored(49, option)}},
         {"prefs-com.raycast.macos-raycastGlobalHotkey"}},
        {"alongsideStoredEntries", &raycast,
         {{"raycastGlobalHotkey", "Option-49"}, {"extension_clipboard", stored(49, option)}},
         {"prefs-com.raycast.macos-extension_clipboard", "raycast-global"}},
    };
    for (const auto& row : rows) {
        const auto found = scan(*row.application, row.preferences, optionSpace);
        EXPECT_EQ(ids(found), row.ids) << row.name;
        for (const auto& f : found) {
            if (f.id != "raycast-global") continue;
            EXPECT_EQ(f.title, "打开 Raycast");
            EXPECT_EQ(f.detail, "Raycast 的全局唤起快捷键偏好匹配该组合。未修改设置，仍需结合实时结果确认当前派发。");
            EXPECT_EQ(f.application.name, "Raycast");
            EXPECT_EQ(f.level, EvidenceLevel::configuration);
            EXPECT_EQ(f.sourceURL, prefsURL);
        }
    }
}

struct Home {
    TemporaryDirectory directory;
    FakePlatform platform;
    void write(const KnownApplication& application, std::string_view bytes) const {
        directory.write("Library/Preferences/" + std::string(application.bundleID) + ".plist", bytes);
    }
    DetectionSnapshot scan(const ShortcutSpec& shortcut) const {
        DetectionSnapshot snapshot = emptySnapshot(shortcut);
        ConfigurationScanner(directory.path(), platform.services).knownPreferences(shortcut, snapshot);
        return snapshot;
    }
};

std::string binaryPreferences(const std::string& key, std::uint64_t code, std::uint64_t flags) {
    BinaryPlist plist;
    const auto entry = plist.dictionary({{plist.string("keyCode"), plist.integer(code)},
                                         {plist.string("modifierFlags"), plist.integer(flags)}});
    return plist.bytes(plist.dictionary({{plist.string(key), entry}, {plist.string("launchOnLogin"), plist.boolean(true)}}));
}

TEST(KnownPreferences, readsEachApplicationsFileInOrder) {
    Home home;
    const ShortcutSpec controlOptionK(40, control | option);
    home.write(monitorControl, binaryPreferences("brightnessUp", 40, control | option));
    home.write(rectangle, binaryPreferences("bottomRight", 40, control | option));
    BinaryPlist array;
    home.write(maccy, array.bytes(array.array({array.integer(1)})));  // no dictionary: skipped silently
    home.write(raycast, "not a property list");
    const DetectionSnapshot snapshot = home.scan(controlOptionK);
    EXPECT_EQ(ids(snapshot.findings), (std::vector<std::string>{"prefs-com.knollsoft.Rectangle-bottomRight",
                                                                "prefs-me.guillaumeb.MonitorControl-brightnessUp"}));
    EXPECT_EQ(snapshot.checkedSources, (std::vector<std::string>{"Rectangle 快捷键偏好", "Maccy 快捷键偏好",
                                                                 "Raycast 快捷键偏好", "MonitorControl 快捷键偏好"}));
    EXPECT_TRUE(snapshot.notes.empty());
    EXPECT_EQ(snapshot.findings[0].sourceURL,
              Url::file(home.directory.path() + "/Library/Preferences/com.knollsoft.Rectangle.plist"));
}

TEST(KnownPreferences, homeWithTrailingSlashLocatesTheSameFile) {
    Home home;
    home.write(rectangle, binaryPreferences("bottomRight", 40, control | option));
    DetectionSnapshot snapshot = emptySnapshot(ShortcutSpec(40, control | option));
    ConfigurationScanner(home.directory.path() + "/", home.platform.services).knownPreferences(snapshot.shortcut, snapshot);
    ASSERT_EQ(snapshot.findings.size(), 1u);
    EXPECT_EQ(snapshot.findings[0].sourceURL,
              Url::file(home.directory.path() + "/Library/Preferences/com.knollsoft.Rectangle.plist"));
}

TEST(KnownPreferences, hostileFilesAreSkippedWithOnlyTheReadNotes) {
    BinaryPlist cyclic;  // a dictionary whose entry is the dictionary itself
    const auto root = cyclic.dictionary({{1, 0}});
    cyclic.string("leftHalf");
    std::string deep;
    for (int i = 0; i < 1000; ++i) deep += "<array>";
    for (int i = 0; i < 1000; ++i) deep += "</array>";
    Home home;
    home.write(rectangle, cyclic.bytes(root));
    home.write(maccy, R"(<?xml version="1.0"?><plist version="1.0">)" + deep + "</plist>");
    home.write(raycast, std::string(configurationSizeLimit + 1, '\0'));
    const DetectionSnapshot snapshot = home.scan(ShortcutSpec(123, control | option));
    EXPECT_TRUE(snapshot.findings.empty());
    EXPECT_EQ(snapshot.notes, std::vector<std::string>{"Raycast 快捷键偏好：文件超过读取上限或无法读取大小，未扫描。"});
    EXPECT_EQ(snapshot.checkedSources, (std::vector<std::string>{"Rectangle 快捷键偏好", "Maccy 快捷键偏好"}));
}

TEST(KnownPreferences, sampleHomeBinaryPreferences) {
    FakePlatform platform;
    const ConfigurationScanner scanner(CHORDMAP_EXAMPLE_HOME, platform.services);
    struct Row {
        ShortcutSpec shortcut;
        std::vector<std::string> ids;
    };
    const Row rows[] = {
        {ShortcutSpec(40, control | option), {"prefs-com.knollsoft.Rectangle-bottomRight"}},
        {ShortcutSpec(123, control | option | function), {"prefs-com.knollsoft.Rectangle-leftHalf"}},
        {ShortcutSpec(9, shift | command), {"prefs-org.p0deje.Maccy-KeyboardShortcuts_popup"}},
        {ShortcutSpec(49, command), {"raycast-global"}},
        {ShortcutSpec(49, option), {}},
    };
    for (const auto& row : rows) {
        DetectionSnapshot snapshot = emptySnapshot(row.shortcut);
        scanner.knownPreferences(row.shortcut, snapshot);
        EXPECT_EQ(ids(snapshot.findings), row.ids) << row.shortcut.displayName();
        EXPECT_TRUE(snapshot.notes.empty());
    }
}

TEST(ScanOfSampleHome, toolSourcesRunInTheirPlacesAndRank) {
    FakePlatform platform;
    const DetectionSnapshot snapshot =
        ConfigurationScanner(CHORDMAP_EXAMPLE_HOME, platform.services).scan(ShortcutSpec(40, control | option));
    const std::vector<std::string> order{"macOS 有效系统热键", "Keyboard Maestro 宏配置", "Karabiner 当前配置",
                                         "Rectangle 快捷键偏好", "Maccy 快捷键偏好", "Raycast 快捷键偏好",
                                         "系统当前键盘事件过滤器"};
    auto position = snapshot.checkedSources.begin();
    for (const auto& label : order) {
        position = std::find(position, snapshot.checkedSources.end(), label);
        ASSERT_NE(position, snapshot.checkedSources.end()) << label;
    }
    std::vector<std::pair<EvidenceLevel, std::string>> ranked;
    for (const auto& f : snapshot.findings) {
        const bool mine = f.id.starts_with("km-") || f.id.starts_with("karabiner-") || f.id.starts_with("prefs-") ||
                          f.id.starts_with("raycast-");
        if (mine) ranked.emplace_back(f.level, f.id);
    }
    EXPECT_EQ(ranked, (std::vector<std::pair<EvidenceLevel, std::string>>{
                          {EvidenceLevel::configuration, "km-9F4C2B7A-1D3E-4F5A-8B6C-7D8E9F0A1B21"},
                          {EvidenceLevel::configuration, "prefs-com.knollsoft.Rectangle-bottomRight"},
                          {EvidenceLevel::conditionalConfiguration, "karabiner-2-2"},
                          {EvidenceLevel::conditionalConfiguration, "km-7A1C3E5B-9D2F-4A6C-8E0B-2D4F6A8C0E35"},
                      }));
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
    FakeProcesses processes;
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

            std::set<std::pair<std::uint16_t, std::uint64_t>> combinations{
                {49, command}, {40, control | option}, {123, control | option}, {9, command | option}};
            std::set<std::pair<std::uint16_t, std::uint64_t>> storedCombinations;
            for (const auto& [key, value] : *document->dictionary()) {
                if (auto spec = storedIn(value)) storedCombinations.insert({spec->keyCode, spec->modifiers});
            }
            const auto raycastHotKey = raycastHotKeys.find(file.filename().string());
            if (raycastHotKey != raycastHotKeys.end()) {
                storedCombinations.insert({raycastHotKey->second.keyCode, raycastHotKey->second.modifiers});
            }
            combinations.insert(storedCombinations.begin(), storedCombinations.end());

            for (const auto& [code, modifiers] : combinations) {
                const ShortcutSpec shortcut(code, modifiers);
                const auto found = knownPreferenceFindings(processes, *application, *document->dictionary(), shortcut, prefsURL);
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
