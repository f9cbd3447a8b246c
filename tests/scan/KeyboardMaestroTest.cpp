#include "scan/ConfigurationScanner.h"
#include "scan/KeyboardMaestro.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>


namespace chordmap {
namespace {

using namespace testing;
using namespace modifier;

constexpr std::int64_t carbonShift = 0x200, carbonOption = 0x800, carbonControl = 0x1000,
                       carbonFn = 0x20000, carbonControlOption = carbonControl | carbonOption;

const ShortcutSpec controlOptionK(40, control | option);
const Url libraryURL = Url::file("/home/u/Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist");
const std::string enabledDetail = "配置中的宏已启用；当前引擎是否加载此版本尚未确认。";
const std::string conditionStart = "此宏有应用或激活条件";
const std::string conditionEnd = "；当前是否生效需在 Keyboard Maestro 中核对。";
const std::string unparsable = "Keyboard Maestro：配置格式无法解析。";

Dict hotKey(std::int64_t code, std::int64_t carbon) {
    return {{"MacroTriggerType", "HotKey"}, {"KeyCode", number(code)}, {"Modifiers", number(carbon)}, {"FireType", "Pressed"}};
}

Dict macro(const std::string& uid, const std::string& name, List triggers) {
    return {{"UID", uid}, {"Name", name}, {"Triggers", std::move(triggers)}};
}

Dict group(List macros, Dict settings = {}) {
    settings.insert_or_assign("Macros", std::move(macros));
    return settings;
}

Dict library(List groups) { return {{"MacroGroups", std::move(groups)}}; }

// One group holding one macro with one ⌃⌥K trigger.
Dict oneMacro(Dict groupSettings, Dict macroSettings = {}) {
    Dict m = macro("UID-1", "Macro", {hotKey(40, carbonControlOption)});
    for (auto& [key, value] : macroSettings) m.insert_or_assign(key, value);
    return library({group({m}, std::move(groupSettings))});
}

// A trigger with one member replaced (or removed, for a null value).
Dict changed(Dict trigger, const char* key, Value value) {
    if (value.isNull()) trigger.erase(key); else trigger.insert_or_assign(key, std::move(value));
    return trigger;
}

std::vector<Finding> scan(const Dict& root, const ShortcutSpec& shortcut) {
    FakeProcesses processes;
    return sourceScan(shortcut, [&](Inventory& inventory) {
        keyboardMaestroDeclarations(processes, root, libraryURL, inventory);
    }).findings;
}

TEST(KeyboardMaestro, groupAndMacroSwitchesDecideWhetherAMacroCounts) {
    struct Row {
        const char* name;
        Dict group;
        Dict macro;
        bool found;
    };
    const Row rows[] = {
        {"noSwitches", {}, {}, true},
        {"groupInactive", {{"IsActive", false}}, {{"IsActive", true}}, false},
        {"groupDisabled", {{"IsDisabled", true}}, {}, false},
        {"macroInactive", {}, {{"IsActive", false}}, false},
        {"macroDisabledInActiveGroup", {{"IsActive", true}}, {{"IsDisabled", true}}, false},
        // Only true and false are booleans; anything else reads as absent.
        {"groupIsActiveText", {{"IsActive", "false"}}, {}, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(scan(oneMacro(row.group, row.macro), controlOptionK).size(), row.found ? 1u : 0u) << row.name;
    }
}

TEST(KeyboardMaestro, targetingAndActivationMakeAMatchConditional) {
    const Dict mail{{"Name", "Mail"}, {"BundleIdentifier", "com.apple.mail"}};
    const Dict safari{{"Name", "Safari"}, {"BundleIdentifier", "com.apple.Safari"}};
    const Dict unnamed{{"BundleIdentifier", "com.example.unnamed"}};
    const Dict numberName{{"Name", number(7)}};
    const std::string bare = conditionStart + conditionEnd;
    struct Row {
        const char* name;
        Dict group;
        bool conditional;
        std::string detail;
    };
    const Row rows[] = {
        {"nothingSet", {}, false, enabledDetail},
        {"activateOther", {{"Activate", "Toggle"}}, true, bare},
        {"activateNotText", {{"Activate", number(1)}}, false, enabledDetail},
        {"targetingWithoutApps", {{"Targeting", Dict{}}}, true, bare},
        // Targeting is consulted first: a normal activation does not lift it.
        {"targetingMailThenSafari",
         {{"Targeting", Dict{{"Targeting", "Included"}, {"TargetingApps", List{mail, safari}}}}, {"Activate", "Normal"}},
         true, conditionStart + "（Mail、Safari）" + conditionEnd},
        {"appsWithoutTextNamesLeftOut", {{"Targeting", Dict{{"TargetingApps", List{unnamed, safari, numberName, mail}}}}},
         true, conditionStart + "（Safari、Mail）" + conditionEnd},
        // What the editor writes for every unrestricted group.
        {"allApplicationsNormal", {{"Targeting", Dict{{"Targeting", "All"}, {"TargetingApps", List{}}}}, {"Activate", "Normal"}},
         false, enabledDetail},
        {"allApplicationsOtherActivation",
         {{"Targeting", Dict{{"Targeting", "All"}, {"TargetingApps", List{mail}}}}, {"Activate", "OneAction"}}, true, bare},
        {"targetingNotADictionary", {{"Targeting", "Included"}, {"Activate", "Normal"}}, false, enabledDetail},
    };
    for (const auto& row : rows) {
        const auto found = scan(oneMacro(row.group), controlOptionK);
        ASSERT_EQ(found.size(), 1u) << row.name;
        EXPECT_EQ(found[0].level, row.conditional ? EvidenceLevel::conditionalConfiguration : EvidenceLevel::configuration)
            << row.name;
        EXPECT_EQ(found[0].detail, row.detail) << row.name;
    }
}

TEST(KeyboardMaestro, triggerMatchesOnlyItsExactNormalisedCombination) {
    const Dict exact = hotKey(40, carbonControlOption);
    struct Row {
        const char* name;
        Dict trigger;
        ShortcutSpec shortcut;
        bool found;
    };
    const Row rows[] = {
        {"exact", exact, controlOptionK, true},
        {"otherKey", hotKey(41, carbonControlOption), controlOptionK, false},
        {"moreModifiers", hotKey(40, carbonControlOption | carbonShift), controlOptionK, false},
        {"fnDroppedOnArrow", hotKey(123, carbonControl | carbonFn), ShortcutSpec(123, control), true},
        {"fnKeptOnLetter", hotKey(4, carbonControl | carbonFn), ShortcutSpec(4, control), false},
        {"typedString", changed(exact, "MacroTriggerType", "TypedString"), controlOptionK, false},
        {"typeMissing", changed(exact, "MacroTriggerType", Value()), controlOptionK, false},
        {"modifiersMissing", changed(hotKey(40, 0), "Modifiers", Value()), ShortcutSpec(40, 0), false},
        {"keyCodeAsText", changed(exact, "KeyCode", "40"), controlOptionK, false},
        {"keyCodeBeyond16BitsDoesNotWrap", hotKey(65536, carbonControlOption), ShortcutSpec(0, control | option), false},
        {"largestKeyCode", hotKey(65535, carbonControlOption), ShortcutSpec(65535, control | option), true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(scan(library({group({macro("U", "M", {row.trigger})})}), row.shortcut).size(), row.found ? 1u : 0u)
            << row.name;
    }
}

TEST(KeyboardMaestro, findingsCarryIdsTitlesAndFileOrder) {
    const List onK{hotKey(40, carbonControlOption)};
    const Dict root = library({
        group({macro("UID-A", "First", onK), macro("UID-SKIP", "Other key", {hotKey(41, carbonControlOption)})}),
        group({macro("UID-B", "Twice",
                     {hotKey(40, carbonControlOption), Dict{{"MacroTriggerType", "TypedString"}},
                      hotKey(40, carbonControl | 0x4000)}),  // right option
               Dict{{"Triggers", onK}}, Dict{{"Name", "Only a name"}, {"Triggers", onK}},
               Dict{{"Name", number(5)}, {"UID", "UID-N"}, {"Triggers", onK}}},
              {{"Targeting", Dict{{"TargetingApps", List{Dict{{"Name", "Mail"}}}}}}}),
    });
    const auto found = scan(root, controlOptionK);
    EXPECT_EQ(ids(found), (std::vector<std::string>{"km-UID-A", "km-UID-B", "km-UID-B", "km-未命名宏", "km-Only a name",
                                                    "km-UID-N"}));
    ASSERT_EQ(found.size(), 6u);
    EXPECT_EQ(found[0].title, "First");
    EXPECT_EQ(found[1].title, "Twice");
    EXPECT_EQ(found[1].level, EvidenceLevel::conditionalConfiguration);
    EXPECT_EQ(found[1].detail, conditionStart + "（Mail）" + conditionEnd);
    EXPECT_EQ(found[3].title, "未命名宏");
    EXPECT_EQ(found[4].title, "Only a name");
    EXPECT_EQ(found[5].title, "未命名宏");
}

TEST(KeyboardMaestro, wrongShapesSkipOnlyWhatTheyTouch) {
    const Dict good = macro("UID-GOOD", "Good", {hotKey(40, carbonControlOption)});
    struct Row {
        const char* name;
        Dict root;
        std::vector<std::string> ids;
    };
    const Row rows[] = {
        {"oneGroupNotADictionary", {{"MacroGroups", List{group({good}), "group"}}}, {}},
        {"macrosNotAnArray", library({Dict{{"Macros", good}}, group({good})}), {"km-UID-GOOD"}},
        {"oneMacroNotADictionary", library({group({good, number(3)}), group({good})}), {"km-UID-GOOD"}},
        {"oneTriggerNotADictionary", library({group({macro("X", "X", {hotKey(40, 0x1800), List{}}), good})}),
         {"km-UID-GOOD"}},
        {"uidNotText", library({group({Dict{{"UID", number(9)}, {"Name", "N"}, {"Triggers", List{hotKey(40, 0x1800)}}}})}),
         {"km-N"}},
    };
    for (const auto& row : rows) EXPECT_EQ(ids(scan(row.root, controlOptionK)), row.ids) << row.name;
}

// The library file at its place below a temporary home, through the scanner.
DetectionSnapshot scanFile(const std::string& bytes, const ShortcutSpec& shortcut = controlOptionK) {
    TemporaryDirectory home;
    FakePlatform platform;
    home.write(keyboardMaestroFile, bytes);
    const ConfigurationScanner scanner(home.path(), platform.services);
    return sourceScan(shortcut, [&](Inventory& inventory) { scanner.keyboardMaestro(inventory); });
}

// The sample home's binary library is read in the golden files.
TEST(KeyboardMaestro, readsXmlFilesAndReportsWhatIsNoLibrary) {
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<std::string> ids;
        std::vector<std::string> notes;
    };
    const Row rows[] = {
        {"xml",
         R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>MacroGroups</key><array>)"
         "<dict><key>Macros</key><array><dict><key>UID</key><string>XML-1</string><key>Triggers</key><array>"
         "<dict><key>MacroTriggerType</key><string>HotKey</string><key>KeyCode</key><integer>40</integer>"
         "<key>Modifiers</key><integer>6144</integer></dict></array></dict></array></dict></array></dict></plist>",
         {"km-XML-1"}, {}},
        {"exportedGroupsArray", R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><array><dict/></array></plist>)",
         {}, {unparsable}},
        {"notAPropertyList", "{\"MacroGroups\": []}", {}, {unparsable}},
    };
    for (const auto& row : rows) {
        const DetectionSnapshot snapshot = scanFile(row.bytes);
        EXPECT_EQ(ids(snapshot.findings), row.ids) << row.name;
        EXPECT_EQ(snapshot.notes, row.notes) << row.name;
        EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"Keyboard Maestro 宏配置"}) << row.name;
    }
}

}  // namespace
}  // namespace chordmap
