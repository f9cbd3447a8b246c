#include "scan/ConfigurationScanner.h"
#include "scan/KeyboardMaestro.h"
#include "platform/Documents.h"
#include "support/BinaryPlist.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace chordmap {
namespace {

using namespace testing;

constexpr std::int64_t carbonCommand = 0x100, carbonShift = 0x200, carbonCapsLock = 0x400, carbonOption = 0x800,
                       carbonControl = 0x1000, carbonRightOption = 0x4000, carbonFn = 0x20000;

const ShortcutSpec controlOptionK(40, modifier::control | modifier::option);
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
    Dict m = macro("UID-1", "Macro", {hotKey(40, carbonControl | carbonOption)});
    for (auto& [key, value] : macroSettings) m.insert_or_assign(key, value);
    return library({group({m}, std::move(groupSettings))});
}

std::vector<Finding> scan(const Dict& root, const ShortcutSpec& shortcut) {
    FakeProcesses processes;
    return keyboardMaestroFindings(processes, root, shortcut, libraryURL);
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
        {"groupActiveNotDisabled", {{"IsActive", true}, {"IsDisabled", false}}, {}, true},
        {"macroInactive", {}, {{"IsActive", false}}, false},
        {"macroDisabledInActiveGroup", {{"IsActive", true}}, {{"IsDisabled", true}}, false},
        // Only true and false are booleans; anything else reads as absent.
        {"groupIsActiveText", {{"IsActive", "false"}}, {}, true},
        {"groupIsActiveZero", {{"IsActive", number(0)}}, {}, true},
        {"macroIsDisabledOne", {}, {{"IsDisabled", number(1)}}, true},
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
    struct Row {
        const char* name;
        Dict group;
        bool conditional;
        std::string detail;
    };
    const Row rows[] = {
        {"nothingSet", {}, false, enabledDetail},
        {"activateNormal", {{"Activate", "Normal"}}, false, enabledDetail},
        {"activateOther", {{"Activate", "Toggle"}}, true, conditionStart + conditionEnd},
        {"activateNotText", {{"Activate", number(1)}}, false, enabledDetail},
        {"targetingWithoutApps", {{"Targeting", Dict{}}}, true, conditionStart + conditionEnd},
        {"targetingEmptyApps", {{"Targeting", Dict{{"Targeting", "Included"}, {"TargetingApps", List{}}}}},
         true, conditionStart + conditionEnd},
        {"targetingMailThenSafari",
         {{"Targeting", Dict{{"Targeting", "Included"}, {"TargetingApps", List{mail, safari}}}}, {"Activate", "Normal"}},
         true, conditionStart + "（Mail、Safari）" + conditionEnd},
        {"excludedApps", {{"Targeting", Dict{{"Targeting", "Excluded"}, {"TargetingApps", List{safari}}}}},
         true, conditionStart + "（Safari）" + conditionEnd},
        {"appsWithoutTextNamesLeftOut",
         {{"Targeting", Dict{{"TargetingApps", List{unnamed, safari, numberName, mail}}}}},
         true, conditionStart + "（Safari、Mail）" + conditionEnd},
        {"appsNotAllDictionaries", {{"Targeting", Dict{{"TargetingApps", List{mail, "Safari"}}}}},
         true, conditionStart + conditionEnd},
        // Targeting consulted first: activation is ignored while it limits the group.
        {"targetingBeatsNormalActivation", {{"Targeting", Dict{{"TargetingApps", List{mail}}}}, {"Activate", "Normal"}},
         true, conditionStart + "（Mail）" + conditionEnd},
        // What the editor writes for every unrestricted group.
        {"allApplicationsNormal",
         {{"Targeting", Dict{{"Targeting", "All"}, {"TargetingApps", List{}}}}, {"Activate", "Normal"}},
         false, enabledDetail},
        {"allApplicationsOtherActivation",
         {{"Targeting", Dict{{"Targeting", "All"}, {"TargetingApps", List{mail}}}}, {"Activate", "OneAction"}},
         true, conditionStart + conditionEnd},
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
    using namespace modifier;
    Dict typed = hotKey(40, carbonControl | carbonOption);
    typed.insert_or_assign("MacroTriggerType", "TypedString");
    Dict lowerCase = hotKey(40, carbonControl | carbonOption);
    lowerCase.insert_or_assign("MacroTriggerType", "hotkey");
    Dict noType = hotKey(40, carbonControl | carbonOption);
    noType.erase("MacroTriggerType");
    Dict noModifiers = hotKey(40, 0);
    noModifiers.erase("Modifiers");
    Dict textCode = hotKey(40, carbonControl | carbonOption);
    textCode.insert_or_assign("KeyCode", "40");
    Dict realCode = hotKey(40, carbonControl | carbonOption);
    realCode.insert_or_assign("KeyCode", Value(40.75));
    struct Row {
        const char* name;
        Dict trigger;
        ShortcutSpec shortcut;
        bool found;
    };
    const Row rows[] = {
        {"exact", hotKey(40, carbonControl | carbonOption), controlOptionK, true},
        {"otherKey", hotKey(41, carbonControl | carbonOption), controlOptionK, false},
        {"fewerModifiers", hotKey(40, carbonControl), controlOptionK, false},
        {"moreModifiers", hotKey(40, carbonControl | carbonOption | carbonShift), controlOptionK, false},
        {"rightOptionIsOption", hotKey(40, carbonControl | carbonRightOption), controlOptionK, true},
        {"capsLockIgnored", hotKey(40, carbonControl | carbonOption | carbonCapsLock), controlOptionK, true},
        {"fnDroppedOnArrow", hotKey(123, carbonControl | carbonFn), ShortcutSpec(123, control), true},
        {"fnDroppedOnF5", hotKey(96, carbonFn), ShortcutSpec(96, 0), true},
        {"fnKeptOnLetter", hotKey(4, carbonControl | carbonFn), ShortcutSpec(4, control), false},
        {"fnOnLetterMatchesFn", hotKey(4, carbonControl | carbonFn), ShortcutSpec(4, control | function), true},
        {"commandShift", hotKey(9, carbonCommand | carbonShift), ShortcutSpec(9, command | shift), true},
        {"typedStringWithKeys", typed, controlOptionK, false},
        {"typeCaseMatters", lowerCase, controlOptionK, false},
        {"typeMissing", noType, controlOptionK, false},
        {"modifiersMissing", noModifiers, ShortcutSpec(40, 0), false},
        {"keyCodeAsText", textCode, controlOptionK, false},
        {"keyCodeRealTruncated", realCode, controlOptionK, true},
        {"keyCodeBeyond16Bits", hotKey(65536 + 40, carbonControl | carbonOption), controlOptionK, false},
        {"keyCodeNegative", hotKey(-1, carbonControl | carbonOption), ShortcutSpec(65535, control | option), false},
        {"largestKeyCode", hotKey(65535, carbonControl | carbonOption), ShortcutSpec(65535, control | option), true},
        {"negativeModifiersKeepKnownBits", hotKey(40, -1), ShortcutSpec(40, all), true},
    };
    for (const auto& row : rows) {
        const Dict root = library({group({macro("U", "M", {row.trigger})})});
        EXPECT_EQ(scan(root, row.shortcut).size(), row.found ? 1u : 0u) << row.name;
    }
}

TEST(KeyboardMaestro, findingsCarryIdsTitlesAndFileOrder) {
    Dict untitled{{"Triggers", List{hotKey(40, carbonControl | carbonOption)}}};
    Dict nameOnly{{"Name", "Only a name"}, {"Triggers", List{hotKey(40, carbonControl | carbonOption)}}};
    Dict numberName{{"Name", number(5)}, {"UID", "UID-N"}, {"Triggers", List{hotKey(40, carbonControl | carbonOption)}}};
    const Dict root = library({
        group({macro("UID-A", "First", {hotKey(40, carbonControl | carbonOption)}),
               macro("UID-SKIP", "Other key", {hotKey(41, carbonControl | carbonOption)})}),
        group({macro("UID-B", "Twice",
                     {hotKey(40, carbonControl | carbonOption), Dict{{"MacroTriggerType", "TypedString"}},
                      hotKey(40, carbonControl | carbonRightOption)}),
               untitled, nameOnly, numberName},
              {{"Targeting", Dict{{"TargetingApps", List{Dict{{"Name", "Mail"}}}}}}}),
    });
    FakeProcesses processes;
    const auto found = keyboardMaestroFindings(processes, root, controlOptionK, libraryURL);
    EXPECT_EQ(ids(found), (std::vector<std::string>{"km-UID-A", "km-UID-B", "km-UID-B", "km-未命名宏",
                                                    "km-Only a name", "km-UID-N"}));
    ASSERT_EQ(found.size(), 6u);
    EXPECT_EQ(found[0], (Finding{.id = "km-UID-A", .level = EvidenceLevel::configuration,
                                 .application = AppIdentity{.name = "Keyboard Maestro", .pid = {},
                                                            .bundleID = "com.stairways.keyboardmaestro.engine",
                                                            .bundleURL = {}, .isRunning = false},
                                 .title = "First", .detail = enabledDetail, .sourceURL = libraryURL}));
    EXPECT_EQ(found[1].title, "Twice");
    EXPECT_EQ(found[1].level, EvidenceLevel::conditionalConfiguration);
    EXPECT_EQ(found[1].detail, conditionStart + "（Mail）" + conditionEnd);
    EXPECT_EQ(found[3].title, "未命名宏");
    EXPECT_EQ(found[4].title, "Only a name");
    EXPECT_EQ(found[5].title, "未命名宏");
}

TEST(KeyboardMaestro, wrongShapesSkipOnlyWhatTheyTouch) {
    const Dict good = macro("UID-GOOD", "Good", {hotKey(40, carbonControl | carbonOption)});
    struct Row {
        const char* name;
        Dict root;
        std::vector<std::string> ids;
    };
    const Row rows[] = {
        {"noGroups", {}, {}},
        {"groupsNotAnArray", {{"MacroGroups", Dict{{"0", group({good})}}}}, {}},
        {"oneGroupNotADictionary", {{"MacroGroups", List{group({good}), "group"}}}, {}},
        {"macrosNotAnArray", library({Dict{{"Macros", good}}, group({good})}), {"km-UID-GOOD"}},
        {"oneMacroNotADictionary", library({group({good, number(3)}), group({good})}), {"km-UID-GOOD"}},
        {"triggersNotAnArray", library({group({Dict{{"UID", "X"}, {"Triggers", hotKey(40, 0x1800)}}, good})}),
         {"km-UID-GOOD"}},
        {"oneTriggerNotADictionary",
         library({group({macro("X", "X", {hotKey(40, 0x1800), List{}}), good})}), {"km-UID-GOOD"}},
        {"uidNotText", library({group({Dict{{"UID", number(9)}, {"Name", "N"}, {"Triggers", List{hotKey(40, 0x1800)}}}})}),
         {"km-N"}},
    };
    for (const auto& row : rows) EXPECT_EQ(ids(scan(row.root, controlOptionK)), row.ids) << row.name;
}

TEST(KeyboardMaestro, hugeLibrariesAreWalkedWhole) {
    const Dict onK = macro("UID-K", "K", {hotKey(40, carbonControl | carbonOption)});
    const Dict onL = macro("UID-L", "L", {hotKey(37, carbonControl | carbonOption)});
    List macros;
    for (int i = 0; i < 100'000; ++i) macros.emplace_back(i % 2 ? onK : onL);
    EXPECT_EQ(scan(library({group(std::move(macros))}), controlOptionK).size(), 50'000u);
}

// Through the scanner: the file below the home directory, its label and notes.
struct Home {
    TemporaryDirectory directory;
    FakePlatform platform;
    std::string write(std::string_view bytes) const { return directory.write(keyboardMaestroFile, bytes); }
    DetectionSnapshot scan(const ShortcutSpec& shortcut) const {
        DetectionSnapshot snapshot = emptySnapshot(shortcut);
        ConfigurationScanner(directory.path(), platform.services).keyboardMaestro(shortcut, snapshot);
        return snapshot;
    }
};

std::string xmlLibrary(std::string_view groups) {
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>MacroGroups</key><array>)") + std::string(groups) + "</array></dict></plist>";
}

TEST(KeyboardMaestro, readsTheBinaryLibraryOfTheSampleHome) {
    FakePlatform platform;
    const ConfigurationScanner scanner(CHORDMAP_EXAMPLE_HOME, platform.services);
    DetectionSnapshot snapshot = emptySnapshot(controlOptionK);
    scanner.keyboardMaestro(controlOptionK, snapshot);
    EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"Keyboard Maestro 宏配置"});
    EXPECT_TRUE(snapshot.notes.empty());
    // Enabled in the global group, targeted at Mail and Safari; the disabled
    // macro and the macro of the inactive group stay out.
    ASSERT_EQ(snapshot.findings.size(), 2u);
    EXPECT_EQ(snapshot.findings[0].title, "Toggle Dark Mode");
    EXPECT_EQ(snapshot.findings[0].level, EvidenceLevel::configuration);
    EXPECT_EQ(snapshot.findings[1].title, "Copy Link as Markdown");
    EXPECT_EQ(snapshot.findings[1].detail, conditionStart + "（Mail、Safari）" + conditionEnd);
    EXPECT_EQ(snapshot.findings[1].sourceURL,
              Url::file(std::string(CHORDMAP_EXAMPLE_HOME) + "/" + keyboardMaestroFile));
}

std::string nestedArrays(int depth) {
    std::string out;
    for (int i = 0; i < depth; ++i) out += "<array>";
    for (int i = 0; i < depth; ++i) out += "</array>";
    return out;
}

TEST(KeyboardMaestro, readsBinaryAndXmlFilesAndReportsWhatIsNoLibrary) {
    BinaryPlist binary;
    const auto root = binary.dictionary({{binary.string("MacroGroups"), binary.array({binary.dictionary({
        {binary.string("Macros"), binary.array({binary.dictionary({
            {binary.string("UID"), binary.string("BIN-1")},
            {binary.string("Triggers"), binary.array({binary.dictionary({
                {binary.string("MacroTriggerType"), binary.string("HotKey")},
                {binary.string("KeyCode"), binary.integer(40)},
                {binary.string("Modifiers"), binary.integer(0x1800)}})})}})})}})})}});
    BinaryPlist cyclic;  // a group array that contains itself
    const auto cycleRoot = cyclic.dictionary({{1, 2}});
    cyclic.string("MacroGroups");
    cyclic.array({2});
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<std::string> ids;
        std::vector<std::string> notes;
    };
    const Row rows[] = {
        {"binary", binary.bytes(root), {"km-BIN-1"}, {}},
        {"xml",
         xmlLibrary("<dict><key>Macros</key><array><dict><key>UID</key><string>XML-1</string><key>Triggers</key><array>"
                    "<dict><key>MacroTriggerType</key><string>HotKey</string><key>KeyCode</key><integer>40</integer>"
                    "<key>Modifiers</key><integer>6144</integer></dict></array></dict></array></dict>"),
         {"km-XML-1"}, {}},
        {"exportedGroupsArray", R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><array><dict/></array></plist>)",
         {}, {unparsable}},
        {"notAPropertyList", "{\"MacroGroups\": []}", {}, {unparsable}},
        {"empty", "", {}, {unparsable}},
        {"cycle", cyclic.bytes(cycleRoot), {}, {unparsable}},
        {"tooDeep", xmlLibrary(nestedArrays(600)), {}, {unparsable}},
    };
    for (const auto& row : rows) {
        Home home;
        home.write(row.bytes);
        const DetectionSnapshot snapshot = home.scan(controlOptionK);
        EXPECT_EQ(ids(snapshot.findings), row.ids) << row.name;
        EXPECT_EQ(snapshot.notes, row.notes) << row.name;
        EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"Keyboard Maestro 宏配置"}) << row.name;
    }
}

// Every hot-key trigger of a parsed library, by the id its findings get.
std::map<std::string, std::set<std::pair<std::uint16_t, std::uint64_t>>> triggersById(const Value& root) {
    std::map<std::string, std::set<std::pair<std::uint16_t, std::uint64_t>>> out;
    const Value* groups = root.find("MacroGroups");
    for (const Value& group : elements(groups)) {
        const Value* macros = group.find("Macros");
        for (const Value& m : elements(macros)) {
            const Value* uid = m.find("UID");
            const Value* name = m.find("Name");
            const std::string id = "km-" + (uid && uid->string() ? *uid->string()
                                                                : name && name->string() ? *name->string() : "未命名宏");
            const Value* triggers = m.find("Triggers");
            for (const Value& t : elements(triggers)) {
                const Value* type = t.find("MacroTriggerType");
                const Value* code = t.find("KeyCode");
                const Value* carbon = t.find("Modifiers");
                if (!type || !type->string() || *type->string() != "HotKey" || !code || !code->number() ||
                    *code->number() > 0xFFFF || !carbon || !carbon->number()) {
                    continue;
                }
                const ShortcutSpec spec(static_cast<std::uint16_t>(*code->number()),
                                        ShortcutSpec::cocoaModifiersFromCarbon(*carbon->number()));
                out[id].insert({spec.keyCode, spec.modifiers});
            }
        }
    }
    return out;
}

TEST(KeyboardMaestroCorpus, everyFindingComesFromATriggerOnTheScannedCombination) {
    if (!corpusPresent()) GTEST_SKIP() << "no corpus at " << CHORDMAP_CORPUS;
    const auto files = corpusFiles("keyboard-maestro");
    ASSERT_FALSE(files.empty());
    FakeProcesses processes;
    std::size_t filesWithFindings = 0;
    for (const auto& file : files) {
        const std::string bytes = readFile(file.string());
        auto document = parsePropertyList(bytes);
        ASSERT_TRUE(document) << file;
        // Exported .kmmacros files hold the group array itself.
        if (document->array()) document = Value(Dict{{"MacroGroups", *document}});
        ASSERT_TRUE(document->dictionary()) << file;

        const auto triggers = triggersById(*document);
        std::set<std::pair<std::uint16_t, std::uint64_t>> combinations{
            {49, modifier::command}, {40, modifier::control | modifier::option}, {122, 0}, {123, modifier::option}};
        for (const auto& [id, set] : triggers) combinations.insert(set.begin(), set.end());

        std::size_t total = 0;
        for (const auto& [code, modifiers] : combinations) {
            const ShortcutSpec shortcut(code, modifiers);
            const auto found = keyboardMaestroFindings(processes, *document->dictionary(), shortcut, libraryURL);
            total += found.size();
            for (const Finding& f : found) {
                const auto it = triggers.find(f.id);
                ASSERT_NE(it, triggers.end()) << file << " " << f.id;
                EXPECT_TRUE(it->second.count({shortcut.keyCode, shortcut.modifiers}))
                    << file << " " << f.id << " " << shortcut.displayName();
            }
        }
        if (total > 0) ++filesWithFindings;

        // The file itself at the library's place: a group array is no library.
        Home home;
        home.write(bytes);
        const DetectionSnapshot snapshot = home.scan(controlOptionK);
        const bool exported = file.extension() == ".kmmacros";
        EXPECT_EQ(snapshot.notes, exported ? std::vector<std::string>{unparsable} : std::vector<std::string>{}) << file;
    }
    // All but the export without hot keys bind something.
    EXPECT_EQ(filesWithFindings, files.size() - 1);
}

TEST(KeyboardMaestroCorpus, knownBindingsOfRealLibrariesAreFound) {
    if (!corpusPresent()) GTEST_SKIP() << "no corpus at " << CHORDMAP_CORPUS;
    struct Row {
        const char* file;
        ShortcutSpec shortcut;
        std::vector<std::string> titles;
        EvidenceLevel level;
    };
    using namespace modifier;
    const Row rows[] = {
        // Groups that target all applications, activated normally.
        {"joseph9252__dotfiles__Keyboard_Maestro__Keyboard_Maestro_Macros.plist", ShortcutSpec(40, option),
         {"Activate Kakaotalk"}, EvidenceLevel::configuration},
        {"joseph9252__dotfiles__Keyboard_Maestro__Keyboard_Maestro_Macros.plist", ShortcutSpec(40, control),
         {"k"}, EvidenceLevel::configuration},
        // A Finder-only group.
        {"tjluoma__km-finder-move-or-copy__macros__Finder-Copy.kmmacros", ShortcutSpec(9, command | option),
         {"Finder - Copy"}, EvidenceLevel::conditionalConfiguration},
        // Within a group that is not active.
        {"Samelot__KeyboardMaestro2022__Keyboard_Maestro_Macros.plist", ShortcutSpec(1, command | shift), {},
         EvidenceLevel::configuration},
        // A macro that is not active, in an active group.
        {"IdVincentYang__home-env__.config__backups__Application_Switcher_Macros.kmmacros", ShortcutSpec(46, hyper),
         {"Active MWeb"}, EvidenceLevel::configuration},
    };
    FakeProcesses processes;
    for (const auto& row : rows) {
        auto document = parsePropertyList(readFile(std::string(CHORDMAP_CORPUS) + "/keyboard-maestro/" + row.file));
        ASSERT_TRUE(document) << row.file;
        if (document->array()) document = Value(Dict{{"MacroGroups", *document}});
        const auto found = keyboardMaestroFindings(processes, *document->dictionary(), row.shortcut, libraryURL);
        std::vector<std::string> titles;
        for (const auto& f : found) {
            titles.push_back(f.title);
            EXPECT_EQ(f.level, row.level) << row.file;
        }
        EXPECT_EQ(titles, row.titles) << row.file;
    }
}

}  // namespace
}  // namespace chordmap
