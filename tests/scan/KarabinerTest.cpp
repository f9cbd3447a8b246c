#include "scan/ConfigurationScanner.h"
#include "scan/Karabiner.h"
#include "platform/Documents.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

#include <set>

namespace chordmap {
namespace {

using namespace testing;
using namespace modifier;

const Url configURL = Url::file("/home/u/.config/karabiner/karabiner.json");
const std::string simpleDetail = "当前配置把该物理键映射为另一按键；修饰键也可能随映射传递。请在配置中查看输出。";
const std::string ruleDetail = "当前配置中启用的输入规则匹配该组合；配置是否已被后台服务加载需结合实际按键核对。";
const std::string conditionalDetail =
    "输入键与修饰键匹配，但规则有变量、应用、设备或左右修饰键等条件；未判断这些条件此刻是否满足。";
const std::string unparsable = "Karabiner：配置格式无法解析。";

List words(std::initializer_list<const char*> names) {
    List out;
    for (const char* name : names) out.emplace_back(name);
    return out;
}

Dict manipulator(const char* key, Dict modifiers = {}, Dict extra = {}) {
    Dict from{{"key_code", key}};
    if (!modifiers.empty()) from.insert_or_assign("modifiers", std::move(modifiers));
    extra.insert_or_assign("from", std::move(from));
    extra.try_emplace("type", "basic");
    extra.try_emplace("to", List{Dict{{"key_code", "escape"}}});
    return extra;
}

Dict rule(List manipulators, Dict extra = {}) {
    extra.insert_or_assign("manipulators", std::move(manipulators));
    return extra;
}

Dict simple(const char* from) { return {{"from", Dict{{"key_code", from}}}, {"to", List{Dict{{"key_code", "a"}}}}}; }

Dict profile(List simples, List rules, bool selected = true) {
    return {{"name", "P"}, {"selected", selected}, {"simple_modifications", std::move(simples)},
            {"complex_modifications", Dict{{"rules", std::move(rules)}}}};
}

Dict config(List profiles) { return {{"profiles", std::move(profiles)}}; }

std::vector<Finding> scan(const Dict& root, const ShortcutSpec& shortcut) {
    FakeProcesses processes;
    return karabinerFindings(processes, root, shortcut, configURL);
}

TEST(Karabiner, onlyTheFirstSelectedProfileIsScanned) {
    const Dict onK = profile({simple("k")}, {}, true);
    const Dict onJ = profile({simple("j")}, {}, true);
    Dict selectedOne = onJ;
    selectedOne.insert_or_assign("selected", number(1));
    Dict selectedText = onJ;
    selectedText.insert_or_assign("selected", "true");
    struct Row {
        const char* name;
        Dict root;
        ShortcutSpec shortcut;
        std::size_t found;
    };
    const Row rows[] = {
        {"firstOfTwoSelected", config({onK, onJ}), ShortcutSpec(40, 0), 1},
        {"secondSelectedIgnored", config({onK, onJ}), ShortcutSpec(38, 0), 0},
        {"unselectedBeforeSelected", config({profile({simple("k")}, {}, false), onJ}), ShortcutSpec(38, 0), 1},
        {"unselectedProfileIgnored", config({profile({simple("k")}, {}, false), onJ}), ShortcutSpec(40, 0), 0},
        {"noneSelected", config({profile({simple("k")}, {}, false)}), ShortcutSpec(40, 0), 0},
        {"selectedAsNumber", config({selectedOne}), ShortcutSpec(38, 0), 0},
        {"selectedAsText", config({selectedText}), ShortcutSpec(38, 0), 0},
        {"profilesNotAllObjects", {{"profiles", List{onK, "x"}}}, ShortcutSpec(40, 0), 0},
        {"profilesAnObject", {{"profiles", onK}}, ShortcutSpec(40, 0), 0},
        {"noProfiles", {}, ShortcutSpec(40, 0), 0},
    };
    for (const auto& row : rows) EXPECT_EQ(scan(row.root, row.shortcut).size(), row.found) << row.name;
}

TEST(Karabiner, simpleModificationsMatchTheKeyWhateverTheModifiers) {
    const Dict root = config({profile({simple("caps_lock"), Dict{{"from", "k"}}, Dict{{"from", Dict{{"key_code", number(40)}}}},
                                       Dict{{"from", Dict{{"consumer_key_code", "k"}}}}, simple("K"), simple("spacebar")},
                                      {})});
    const ShortcutSpec shortcuts[] = {ShortcutSpec(40, 0), ShortcutSpec(40, command),
                                      ShortcutSpec(40, control | option | shift | command | function)};
    for (const auto& shortcut : shortcuts) {
        const auto found = scan(root, shortcut);
        // Only "K" counts; its index includes the five entries before it.
        ASSERT_EQ(found.size(), 1u) << shortcut.displayName();
        EXPECT_EQ(found[0], (Finding{.id = "karabiner-simple-4", .level = EvidenceLevel::configuration,
                                     .application = AppIdentity{.name = "Karabiner-Elements", .pid = {},
                                                                .bundleID = "org.pqrs.Karabiner-Elements.Settings",
                                                                .bundleURL = {}, .isRunning = false},
                                     .title = "简单按键映射", .detail = simpleDetail, .sourceURL = configURL}));
    }
    EXPECT_EQ(ids(scan(root, ShortcutSpec(49, shift))), std::vector<std::string>{"karabiner-simple-5"});
    // The old object form counts as no list.
    EXPECT_TRUE(scan(config({Dict{{"selected", true}, {"simple_modifications", Dict{{"k", "escape"}}}}}), ShortcutSpec(40, 0)).empty());
}

TEST(Karabiner, mandatoryAndOptionalModifiersBoundTheMatch) {
    struct Row {
        const char* name;
        Dict modifiers;
        std::uint64_t shortcut;
        bool found;
        bool conditional;
    };
    const Row rows[] = {
        {"noModifiersPlainKey", {}, 0, true, false},
        {"noModifiersRejectsCommand", {}, command, false, false},
        {"commandAlone", {{"mandatory", words({"command"})}}, command, true, false},
        {"commandNotWithShift", {{"mandatory", words({"command"})}}, command | shift, false, false},
        {"commandMissing", {{"mandatory", words({"command", "shift"})}}, shift, false, false},
        {"anyAllowsShift", {{"mandatory", words({"command"})}, {"optional", words({"any"})}}, command | shift, true, false},
        {"anyAllowsFn", {{"mandatory", words({"command"})}, {"optional", words({"any"})}}, command | function, true, false},
        {"anyStillNeedsMandatory", {{"mandatory", words({"command"})}, {"optional", words({"any"})}}, shift, false, false},
        {"anyAlone", {{"optional", words({"any"})}}, control | option | shift | command, true, false},
        {"anyIsCaseSensitive", {{"mandatory", words({"command"})}, {"optional", words({"Any"})}}, command | shift, false, false},
        {"optionalShiftWithout", {{"mandatory", words({"command"})}, {"optional", words({"shift"})}}, command, true, false},
        {"optionalShiftWith", {{"mandatory", words({"command"})}, {"optional", words({"shift"})}}, command | shift, true, false},
        {"optionalShiftNotOption", {{"mandatory", words({"command"})}, {"optional", words({"shift"})}}, command | option, false, false},
        {"unknownOptionalMeansNone", {{"mandatory", words({"command"})}, {"optional", words({"shift", "caps_lock"})}},
         command | shift, false, false},
        {"unknownOptionalExactMandatory", {{"mandatory", words({"command"})}, {"optional", words({"shift", "caps_lock"})}},
         command, true, false},
        {"unknownMandatory", {{"mandatory", words({"command", "caps_lock"})}}, command, false, false},
        {"hyperWord", {{"mandatory", words({"hyper"})}}, control | option | shift | command, true, false},
        {"leftSideIsConditional", {{"mandatory", words({"left_command"})}}, command, true, true},
        {"rightSideOptionalIsConditional", {{"mandatory", words({"command"})}, {"optional", words({"right_shift"})}}, command,
         true, true},
        {"sideNameCaseSensitive", {{"mandatory", words({"Left_command"})}}, command, true, false},
        {"lctrlIsNoSideName", {{"mandatory", words({"lctrl"})}}, control, true, false},
        {"mandatoryNotAList", {{"mandatory", "command"}}, command, false, false},
        {"mandatoryNotAllText", {{"mandatory", List{"command", number(1)}}}, 0, true, false},
    };
    for (const auto& row : rows) {
        const Dict root = config({profile({}, {rule({manipulator("k", row.modifiers)})})});
        const auto found = scan(root, ShortcutSpec(40, row.shortcut));
        ASSERT_EQ(found.size(), row.found ? 1u : 0u) << row.name;
        if (!row.found) continue;
        EXPECT_EQ(found[0].level, row.conditional ? EvidenceLevel::conditionalConfiguration : EvidenceLevel::configuration)
            << row.name;
        EXPECT_EQ(found[0].detail, row.conditional ? conditionalDetail : ruleDetail) << row.name;
    }
}

TEST(Karabiner, conditionsMakeAMatchConditional) {
    const Dict appCondition{{"type", "frontmost_application_if"}, {"bundle_identifiers", words({"^com\\.apple\\.Safari$"})}};
    struct Row {
        const char* name;
        Dict extra;
        bool conditional;
    };
    const Row rows[] = {
        {"noConditions", {}, false},
        {"emptyConditions", {{"conditions", List{}}}, false},
        {"oneCondition", {{"conditions", List{appCondition}}}, true},
        {"conditionsNotAList", {{"conditions", appCondition}}, false},
    };
    for (const auto& row : rows) {
        const auto found = scan(config({profile({}, {rule({manipulator("k", {}, row.extra)})})}), ShortcutSpec(40, 0));
        ASSERT_EQ(found.size(), 1u) << row.name;
        EXPECT_EQ(found[0].level, row.conditional ? EvidenceLevel::conditionalConfiguration : EvidenceLevel::configuration)
            << row.name;
    }
}

TEST(Karabiner, manipulatorsOtherThanEnabledBasicKeyInputsAreSkipped) {
    Dict noType = manipulator("k");
    noType.erase("type");
    Dict consumerKey = manipulator("k");
    consumerKey.insert_or_assign("from", Dict{{"consumer_key_code", "k"}});
    Dict noFrom = manipulator("k");
    noFrom.erase("from");
    Dict modifiersNotObject = manipulator("k");
    modifiersNotObject.insert_or_assign("from", Dict{{"key_code", "k"}, {"modifiers", words({"command"})}});
    struct Row {
        const char* name;
        Dict manipulator;
        bool found;
    };
    const Row rows[] = {
        {"basic", manipulator("k"), true},
        {"mouseMotion", manipulator("k", {}, {{"type", "mouse_motion_to_scroll"}}), false},
        {"typeMissing", noType, false},
        {"disabled", manipulator("k", {}, {{"enabled", false}}), false},
        {"enabledTrue", manipulator("k", {}, {{"enabled", true}}), true},
        {"enabledAsText", manipulator("k", {}, {{"enabled", "false"}}), true},
        {"consumerKeyInput", consumerKey, false},
        {"fromMissing", noFrom, false},
        {"unknownKeyName", manipulator("caps_lock"), false},
        {"hexKeyName", manipulator("0x28"), true},
        {"otherKey", manipulator("j"), false},
        {"modifiersNotAnObjectMeansNone", modifiersNotObject, true},
    };
    for (const auto& row : rows) {
        const auto found = scan(config({profile({}, {rule({row.manipulator})})}), ShortcutSpec(40, 0));
        EXPECT_EQ(found.size(), row.found ? 1u : 0u) << row.name;
    }
}

TEST(Karabiner, rulesKeepTheirPositionsAndTitles) {
    const Dict onK = manipulator("k", {{"mandatory", words({"control", "option"})}});
    const Dict root = config({profile(
        {simple("k")},
        {rule({onK}, {{"description", "Disabled"}, {"enabled", false}}),
         rule({manipulator("j"), onK, Dict{{"type", "basic"}}, onK}, {{"description", "Emacs ⌃⌥K"}}),
         rule({onK}),
         rule({onK}, {{"description", number(3)}, {"enabled", number(0)}}),
         Dict{{"description", "No manipulators"}}})});
    const auto found = scan(root, ShortcutSpec(40, control | option));
    EXPECT_EQ(ids(found), (std::vector<std::string>{"karabiner-simple-0", "karabiner-1-1", "karabiner-1-3", "karabiner-2-0",
                                                    "karabiner-3-0"}));
    ASSERT_EQ(found.size(), 5u);
    EXPECT_EQ(found[1].title, "Emacs ⌃⌥K");
    EXPECT_EQ(found[2].title, "Emacs ⌃⌥K");
    EXPECT_EQ(found[3].title, "复杂修改规则");
    EXPECT_EQ(found[4].title, "复杂修改规则");
    EXPECT_EQ(found[1].sourceURL, configURL);
}

TEST(Karabiner, wrongShapesBelowTheProfileSkipOnlyThemselves) {
    const Dict onK = manipulator("k");
    struct Row {
        const char* name;
        Dict profile;
        std::vector<std::string> ids;
    };
    const Row rows[] = {
        {"complexNotAnObject", {{"selected", true}, {"complex_modifications", List{rule({onK})}}}, {}},
        {"rulesNotAList", {{"selected", true}, {"complex_modifications", Dict{{"rules", rule({onK})}}}}, {}},
        {"oneRuleNotAnObject", {{"selected", true}, {"complex_modifications", Dict{{"rules", List{rule({onK}), "r"}}}}}, {}},
        {"manipulatorsNotAllObjects",
         {{"selected", true}, {"complex_modifications", Dict{{"rules", List{rule({onK, number(1)}), rule({onK})}}}}},
         {"karabiner-1-0"}},
        {"simpleNotAllObjects", {{"selected", true}, {"simple_modifications", List{simple("k"), "k"}}}, {}},
    };
    for (const auto& row : rows) EXPECT_EQ(ids(scan(config({row.profile}), ShortcutSpec(40, 0))), row.ids) << row.name;
}

struct Home {
    TemporaryDirectory directory;
    FakePlatform platform;
    void write(std::string_view bytes) const { directory.write(karabinerFile, bytes); }
    DetectionSnapshot scan(const ShortcutSpec& shortcut) const {
        DetectionSnapshot snapshot = emptySnapshot(shortcut);
        ConfigurationScanner(directory.path(), platform.services).karabiner(shortcut, snapshot);
        return snapshot;
    }
};

TEST(Karabiner, readsTheFileAndReportsWhatIsNoConfiguration) {
    std::string deep;
    for (int i = 0; i < 2000; ++i) deep += "[";
    for (int i = 0; i < 2000; ++i) deep += "]";
    const std::string valid =
        R"({"profiles": [{"selected": true, "simple_modifications": [{"from": {"key_code": "k"}, "to": [{"key_code": "up_arrow"}]}]}]})";
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<std::string> ids;
        std::vector<std::string> notes;
    };
    const Row rows[] = {
        {"valid", valid, {"karabiner-simple-0"}, {}},
        {"noProfileSelected", R"({"profiles": [{"name": "Default"}]})", {}, {}},
        {"topLevelArray", "[" + valid + "]", {}, {unparsable}},
        {"comments", "// settings\n" + valid, {}, {unparsable}},
        {"trailingComma", R"({"profiles": [],})", {}, {unparsable}},
        {"invalidUtf8", "{\"profiles\": [], \"name\": \"\xff\"}", {}, {unparsable}},
        {"truncated", valid.substr(0, valid.size() / 2), {}, {unparsable}},
        {"deepNesting", R"({"profiles": )" + deep + "}", {}, {unparsable}},
        {"empty", "", {}, {unparsable}},
    };
    for (const auto& row : rows) {
        Home home;
        home.write(row.bytes);
        const DetectionSnapshot snapshot = home.scan(ShortcutSpec(40, command));
        EXPECT_EQ(ids(snapshot.findings), row.ids) << row.name;
        EXPECT_EQ(snapshot.notes, row.notes) << row.name;
        EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"Karabiner 当前配置"}) << row.name;
    }
    Home missing;
    EXPECT_TRUE(missing.scan(ShortcutSpec(40, 0)).checkedSources.empty());
}

TEST(Karabiner, sampleHomeConfiguration) {
    FakePlatform platform;
    const ConfigurationScanner scanner(CHORDMAP_EXAMPLE_HOME, platform.services);
    struct Row {
        ShortcutSpec shortcut;
        std::vector<std::string> ids;
        std::vector<EvidenceLevel> levels;
    };
    const Row rows[] = {
        // The unselected laptop profile binds ⌃⌥K too; only the selected ISO profile counts.
        {ShortcutSpec(40, control | option), {"karabiner-2-2"}, {EvidenceLevel::conditionalConfiguration}},
        {ShortcutSpec(40, control | option | shift), {"karabiner-2-2"}, {EvidenceLevel::conditionalConfiguration}},
        {ShortcutSpec(9, shift | command), {"karabiner-3-0"}, {EvidenceLevel::configuration}},
        {ShortcutSpec(50, command), {"karabiner-simple-0"}, {EvidenceLevel::configuration}},
        {ShortcutSpec(48, shift), {}, {}},  // the Tab rule is turned off
    };
    for (const auto& row : rows) {
        DetectionSnapshot snapshot = emptySnapshot(row.shortcut);
        scanner.karabiner(row.shortcut, snapshot);
        EXPECT_EQ(ids(snapshot.findings), row.ids) << row.shortcut.displayName();
        std::vector<EvidenceLevel> levels;
        for (const auto& f : snapshot.findings) levels.push_back(f.level);
        EXPECT_EQ(levels, row.levels) << row.shortcut.displayName();
        EXPECT_TRUE(snapshot.notes.empty());
    }
}

// The corpus, checked against the entry each finding names by its id.

const Value::Dictionary* firstSelected(const Value& root) {
    const Value* profiles = root.find("profiles");
    for (const Value& p : elements(profiles)) {
        const Value* selected = p.find("selected");
        if (selected && selected->boolean() == true) return p.dictionary();
    }
    return nullptr;
}

std::vector<std::string> namesAt(const Value* modifiers, const char* key) {
    const Value* list = modifiers ? modifiers->find(key) : nullptr;
    return list ? list->strings().value_or(std::vector<std::string>{}) : std::vector<std::string>{};
}

// Whether the entry an id names really takes `shortcut` as its input.
::testing::AssertionResult entryTakes(const Value& profile, const std::string& id, const ShortcutSpec& shortcut) {
    const auto keyOf = [](const Value& entry) -> std::optional<std::uint16_t> {
        const Value* from = entry.find("from");
        const Value* name = from ? from->find("key_code") : nullptr;
        return name && name->string() ? ShortcutSpec::keyCodeNamed(*name->string()) : std::nullopt;
    };
    std::size_t a = 0, b = 0;
    if (std::sscanf(id.c_str(), "karabiner-simple-%zu", &a) == 1) {
        const auto& simple = *profile.find("simple_modifications")->array();
        if (a >= simple.size() || keyOf(simple[a]) != shortcut.keyCode) return ::testing::AssertionFailure() << id;
        return ::testing::AssertionSuccess();
    }
    if (std::sscanf(id.c_str(), "karabiner-%zu-%zu", &a, &b) != 2) return ::testing::AssertionFailure() << "id " << id;
    const auto& rules = *profile.find("complex_modifications")->find("rules")->array();
    const auto& manipulators = *rules.at(a).find("manipulators")->array();
    const Value& m = manipulators.at(b);
    if (keyOf(m) != shortcut.keyCode) return ::testing::AssertionFailure() << id << " key";
    const Value* modifiers = m.find("from")->find("modifiers");
    const auto mandatory = ShortcutSpec::modifiersNamed(namesAt(modifiers, "mandatory"));
    const auto optionalNames = namesAt(modifiers, "optional");
    const bool any = std::find(optionalNames.begin(), optionalNames.end(), "any") != optionalNames.end();
    if (!mandatory) return ::testing::AssertionFailure() << id << " mandatory names";
    const std::uint64_t allowed = any ? ~0ULL : *mandatory | ShortcutSpec::modifiersNamed(optionalNames).value_or(0);
    if ((*mandatory & shortcut.modifiers) != *mandatory || (shortcut.modifiers & ~allowed) != 0) {
        return ::testing::AssertionFailure() << id << " modifiers for " << shortcut.displayName();
    }
    return ::testing::AssertionSuccess();
}

// Each enabled basic manipulator's own input: its key with exactly its mandatory modifiers.
std::set<std::pair<std::uint16_t, std::uint64_t>> declaredInputs(const Value& profile) {
    std::set<std::pair<std::uint16_t, std::uint64_t>> out;
    const Value* complex = profile.find("complex_modifications");
    const Value* rules = complex ? complex->find("rules") : nullptr;
    for (const Value& r : elements(rules)) {
        if (r.find("enabled") && r.find("enabled")->boolean() == false) continue;
        const Value* manipulators = r.find("manipulators");
        for (const Value& m : elements(manipulators)) {
            const Value* type = m.find("type");
            if (!type || !type->string() || *type->string() != "basic") continue;
            if (m.find("enabled") && m.find("enabled")->boolean() == false) continue;
            const Value* from = m.find("from");
            const Value* name = from ? from->find("key_code") : nullptr;
            const auto key = name && name->string() ? ShortcutSpec::keyCodeNamed(*name->string()) : std::nullopt;
            if (!key) continue;
            const auto mandatory = ShortcutSpec::modifiersNamed(namesAt(from->find("modifiers"), "mandatory"));
            if (!mandatory) continue;
            const ShortcutSpec input(*key, *mandatory);
            if (input.modifiers == *mandatory) out.insert({input.keyCode, input.modifiers});  // fn on arrows never matches
        }
    }
    return out;
}

TEST(KarabinerCorpus, everyFindingNamesAnEntryThatTakesTheScannedCombination) {
    if (!corpusPresent()) GTEST_SKIP() << "no corpus at " << CHORDMAP_CORPUS;
    std::vector<std::filesystem::path> files = corpusFiles("karabiner");
    const auto ruleFiles = corpusFiles("karabiner-rules");
    ASSERT_FALSE(files.empty());
    ASSERT_FALSE(ruleFiles.empty());
    files.insert(files.end(), ruleFiles.begin(), ruleFiles.end());

    // Files that bind nothing this scan can see: caps_lock has no key code
    // of its own, no rules, no profile selected, the old object form.
    const std::set<std::string> bindNothing{
        "ArniDagur__dotfiles__.config__karabiner__karabiner.json",
        "BrandonShega__dotmatrix__.config__karabiner__karabiner.json",
        "mxstbr__karabiner__karabiner.json",
        "pqrs-org__Karabiner-Elements__tests__src__core_configuration__json__example.json",
        "pqrs-org__KE-complex_modifications__public__json__Caps-Lock-Hyper-Key.json",
        "pqrs-org__KE-complex_modifications__public__json__caps_lock_to_hyper_key_and_double_tap_shift_to_caps_lock.json",
    };
    FakeProcesses processes;
    std::size_t unparsableFiles = 0;
    for (const auto& file : files) {
        const std::string bytes = readFile(file.string());
        Home home;
        home.write(bytes);
        const DetectionSnapshot snapshot = home.scan(ShortcutSpec(40, control | option));
        auto document = parseJson(bytes);
        if (!document) {
            EXPECT_EQ(snapshot.notes, std::vector<std::string>{unparsable}) << file;
            ++unparsableFiles;
            continue;
        }
        EXPECT_TRUE(snapshot.notes.empty()) << file;
        // A rule file holds what a profile's complex modifications would.
        if (!document->find("profiles")) {
            ASSERT_TRUE(document->find("rules")) << file;
            document = Value(Dict{{"profiles", List{Dict{{"selected", true},
                                                         {"complex_modifications", Dict{{"rules", *document->find("rules")}}}}}}});
        }
        const Value::Dictionary* profile = firstSelected(*document);
        const auto inputs = profile ? declaredInputs(Value(*profile)) : std::set<std::pair<std::uint16_t, std::uint64_t>>{};
        std::set<std::pair<std::uint16_t, std::uint64_t>> combinations{
            {49, command}, {40, control | option}, {4, 0}, {123, option}, {38, hyper}};
        combinations.insert(inputs.begin(), inputs.end());

        std::size_t total = 0;
        for (const auto& [code, modifiers] : combinations) {
            const ShortcutSpec shortcut(code, modifiers);
            const auto found = karabinerFindings(processes, *document->dictionary(), shortcut, configURL);
            total += found.size();
            if (inputs.count({code, modifiers})) {
                EXPECT_FALSE(found.empty()) << file << " " << shortcut.displayName();
            }
            for (const Finding& f : found) EXPECT_TRUE(entryTakes(Value(*profile), f.id, shortcut)) << file;
        }
        EXPECT_EQ(total == 0, bindNothing.count(file.filename().string()) == 1) << file;
    }
    // Only the JSON-with-comments example is not strict JSON.
    EXPECT_EQ(unparsableFiles, 1u);
}

}  // namespace
}  // namespace chordmap
