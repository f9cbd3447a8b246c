#include "scan/ConfigurationScanner.h"
#include "scan/Karabiner.h"
#include "formats/Documents.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

#include <map>
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
    return sourceScan(shortcut, [&](Inventory& inventory) { karabinerDeclarations(processes, root, configURL, inventory); }).findings;
}

// How one manipulator in an otherwise empty profile fares for K with these modifiers.
enum class Outcome { none, plain, conditional };

Outcome outcome(const Dict& manipulator, std::uint64_t modifiers) {
    const auto found = scan(config({profile({}, {rule({manipulator})})}), ShortcutSpec(40, modifiers));
    if (found.empty()) return Outcome::none;
    EXPECT_EQ(found.size(), 1u);
    const bool conditional = found[0].level == EvidenceLevel::conditionalConfiguration;
    EXPECT_EQ(found[0].detail, conditional ? conditionalDetail : ruleDetail);
    return conditional ? Outcome::conditional : Outcome::plain;
}

TEST(Karabiner, onlyTheFirstSelectedProfileIsScanned) {
    const Dict onK = profile({simple("k")}, {}, true);
    const Dict onJ = profile({simple("j")}, {}, true);
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
        {"selectedAsText", config({selectedText}), ShortcutSpec(38, 0), 0},
        {"noProfiles", {}, ShortcutSpec(40, 0), 0},
    };
    for (const auto& row : rows) EXPECT_EQ(scan(row.root, row.shortcut).size(), row.found) << row.name;
}

TEST(Karabiner, simpleModificationsMatchTheKeyWhateverTheModifiers) {
    const Dict root = config({profile({simple("caps_lock"), Dict{{"from", "k"}}, Dict{{"from", Dict{{"key_code", number(40)}}}},
                                       Dict{{"from", Dict{{"consumer_key_code", "k"}}}}, simple("K"), simple("spacebar")},
                                      {})});
    for (const auto& shortcut : {ShortcutSpec(40, 0), ShortcutSpec(40, command), ShortcutSpec(40, all)}) {
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
    using enum Outcome;
    const List commandOnly = words({"command"});
    struct Row {
        const char* name;
        Dict modifiers;
        std::uint64_t shortcut;
        Outcome expected;
    };
    const Row rows[] = {
        {"noModifiersPlainKey", {}, 0, plain},
        {"noModifiersRejectsCommand", {}, command, none},
        {"commandAlone", {{"mandatory", commandOnly}}, command, plain},
        {"commandMissing", {{"mandatory", words({"command", "shift"})}}, shift, none},
        {"anyAllowsShift", {{"mandatory", commandOnly}, {"optional", words({"any"})}}, command | shift, plain},
        {"anyAllowsFn", {{"mandatory", commandOnly}, {"optional", words({"any"})}}, command | function, plain},
        {"anyStillNeedsMandatory", {{"mandatory", commandOnly}, {"optional", words({"any"})}}, shift, none},
        {"anyIsCaseSensitive", {{"mandatory", commandOnly}, {"optional", words({"Any"})}}, command | shift, none},
        {"optionalShiftWithout", {{"mandatory", commandOnly}, {"optional", words({"shift"})}}, command, plain},
        {"optionalShiftWith", {{"mandatory", commandOnly}, {"optional", words({"shift"})}}, command | shift, plain},
        {"optionalShiftNotOption", {{"mandatory", commandOnly}, {"optional", words({"shift"})}}, command | option, none},
        {"unknownOptionalMeansNone", {{"mandatory", commandOnly}, {"optional", words({"shift", "caps_lock"})}},
         command | shift, none},
        {"unknownMandatory", {{"mandatory", words({"command", "caps_lock"})}}, command, none},
        {"leftSideIsConditional", {{"mandatory", words({"left_command"})}}, command, conditional},
        {"rightSideOptionalIsConditional", {{"mandatory", commandOnly}, {"optional", words({"right_shift"})}}, command,
         conditional},
        {"sideNameCaseSensitive", {{"mandatory", words({"Left_command"})}}, command, plain},
        {"mandatoryNotAList", {{"mandatory", "command"}}, command, none},
        {"mandatoryNotAllText", {{"mandatory", List{"command", number(1)}}}, 0, plain},
    };
    for (const auto& row : rows) EXPECT_EQ(outcome(manipulator("k", row.modifiers), row.shortcut), row.expected) << row.name;
}

TEST(Karabiner, onlyEnabledBasicKeyInputsCountAndConditionsMakeThemConditional) {
    using enum Outcome;
    const Dict appCondition{{"type", "frontmost_application_if"}, {"bundle_identifiers", words({"^com\\.apple\\.Safari$"})}};
    Dict consumerKey = manipulator("k");
    consumerKey.insert_or_assign("from", Dict{{"consumer_key_code", "k"}});
    struct Row {
        const char* name;
        Dict manipulator;
        Outcome expected;
    };
    const Row rows[] = {
        {"basic", manipulator("k"), plain},
        {"mouseMotion", manipulator("k", {}, {{"type", "mouse_motion_to_scroll"}}), none},
        {"disabled", manipulator("k", {}, {{"enabled", false}}), none},
        {"enabledAsText", manipulator("k", {}, {{"enabled", "false"}}), plain},
        {"consumerKeyInput", consumerKey, none},
        {"unknownKeyName", manipulator("caps_lock"), none},
        {"otherKey", manipulator("j"), none},
        {"emptyConditions", manipulator("k", {}, {{"conditions", List{}}}), plain},
        {"oneCondition", manipulator("k", {}, {{"conditions", List{appCondition}}}), conditional},
    };
    for (const auto& row : rows) EXPECT_EQ(outcome(row.manipulator, 0), row.expected) << row.name;
}

TEST(Karabiner, rulesKeepTheirPositionsAndTitlesAndWrongShapesSkipOnlyThemselves) {
    const Dict onK = manipulator("k", {{"mandatory", words({"control", "option"})}});
    const Dict root = config({profile(
        {simple("k")},
        {rule({onK}, {{"description", "Disabled"}, {"enabled", false}}),
         rule({manipulator("j"), onK, Dict{{"type", "basic"}}, onK}, {{"description", "Emacs ⌃⌥K"}}),
         rule({onK}),
         rule({onK}, {{"description", number(3)}, {"enabled", number(0)}}),
         rule({onK, number(1)}),  // a list that is not all objects counts as none
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
    // Likewise one rule that is no object voids the whole rule list.
    EXPECT_TRUE(scan(config({profile({}, {rule({onK}), "r"})}), ShortcutSpec(40, control | option)).empty());
}

// The configuration at its place below a temporary home, through the scanner.
DetectionSnapshot scanFile(std::optional<std::string> bytes, const ShortcutSpec& shortcut) {
    TemporaryDirectory home;
    FakePlatform platform;
    if (bytes) home.write(karabinerFile, *bytes);
    const ConfigurationScanner scanner(home.path(), platform.services);
    return sourceScan(shortcut, [&](Inventory& inventory) { scanner.karabiner(inventory); });
}

TEST(Karabiner, readsTheFileAndReportsWhatIsNoConfiguration) {
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
    };
    for (const auto& row : rows) {
        const DetectionSnapshot snapshot = scanFile(row.bytes, ShortcutSpec(40, command));
        EXPECT_EQ(ids(snapshot.findings), row.ids) << row.name;
        EXPECT_EQ(snapshot.notes, row.notes) << row.name;
        EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"Karabiner 当前配置"}) << row.name;
    }
    EXPECT_TRUE(scanFile(std::nullopt, ShortcutSpec(40, 0)).checkedSources.empty());
}

// The corpus, checked against the entry each finding names by its id.

// An entry of a profile by the id its findings get: its input key, and for a
// manipulator the modifiers it requires and admits.
struct Entry {
    std::optional<std::uint16_t> key;
    bool simple = false;
    bool live = true;  // enabled basic manipulator of an enabled rule
    std::optional<std::uint64_t> mandatory = 0;
    std::uint64_t allowed = ~0ULL;
};

std::map<std::string, Entry> entriesById(const Value& profile) {
    const auto keyOf = [](const Value& entry) -> std::optional<std::uint16_t> {
        const Value* name = entry["from"] ? (*entry["from"])["key_code"] : nullptr;
        return name && name->string() ? ShortcutSpec::keyCodeNamed(*name->string()) : std::nullopt;
    };
    std::map<std::string, Entry> out;
    const List& simple = elements(profile["simple_modifications"]);
    for (std::size_t i = 0; i < simple.size(); ++i) {
        out["karabiner-simple-" + std::to_string(i)] = Entry{.key = keyOf(simple[i]), .simple = true};
    }
    const Value* complex = profile["complex_modifications"];
    const List& rules = elements(complex ? (*complex)["rules"] : nullptr);
    for (std::size_t r = 0; r < rules.size(); ++r) {
        const List& manipulators = elements(rules[r]["manipulators"]);
        for (std::size_t m = 0; m < manipulators.size(); ++m) {
            const Value& entry = manipulators[m];
            const Value* modifiers = entry["from"] ? (*entry["from"])["modifiers"] : nullptr;
            const auto names = [&](const char* kind) {
                const Value* list = modifiers ? (*modifiers)[kind] : nullptr;
                return list ? list->strings().value_or(std::vector<std::string>{}) : std::vector<std::string>{};
            };
            const auto isFalse = [](const Value* flag) { return flag && flag->boolean() == false; };
            const auto mandatory = ShortcutSpec::modifiersNamed(names("mandatory"));
            const auto optional = names("optional");
            const bool any = std::find(optional.begin(), optional.end(), "any") != optional.end();
            const Value* type = entry["type"];
            out["karabiner-" + std::to_string(r) + "-" + std::to_string(m)] = Entry{
                .key = keyOf(entry),
                .live = !isFalse(rules[r]["enabled"]) && !isFalse(entry["enabled"]) && type && type->string() &&
                        *type->string() == "basic",
                .mandatory = mandatory,
                .allowed = any ? ~0ULL : mandatory.value_or(0) | ShortcutSpec::modifiersNamed(optional).value_or(0),
            };
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
    std::size_t unparsableFiles = 0;
    for (const auto& file : files) {
        const std::string bytes = readFile(file.string());
        const DetectionSnapshot snapshot = scanFile(bytes, ShortcutSpec(40, control | option));
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
        const auto profiles = elements(document->find("profiles"));
        const auto selected = std::find_if(profiles.begin(), profiles.end(),
                                           [](const Value& p) { return p["selected"] && p["selected"]->boolean() == true; });
        const Value profile = selected == profiles.end() ? Value(Dict{}) : *selected;

        // Each live manipulator's own input, its key with exactly its mandatory modifiers, must find it.
        const auto entries = entriesById(profile);
        std::map<std::pair<std::uint16_t, std::uint64_t>, std::set<std::string>> declared{
            {{49, command}, {}}, {{40, control | option}, {}}, {{4, 0}, {}}, {{123, option}, {}}, {{38, hyper}, {}}};
        for (const auto& [id, entry] : entries) {
            if (entry.simple || !entry.live || !entry.key || !entry.mandatory) continue;
            const ShortcutSpec input(*entry.key, *entry.mandatory);
            if (input.modifiers == *entry.mandatory) declared[{input.keyCode, input.modifiers}].insert(id);  // fn on arrows never matches
        }
        std::size_t total = 0;
        for (const auto& [combination, expected] : declared) {
            const auto [code, modifiers] = combination;
            const ShortcutSpec shortcut(code, modifiers);
            const auto found = sourceScan(shortcut, [&](Inventory& inventory) {
                karabinerDeclarations(FakeProcesses(), *document->dictionary(), configURL, inventory);
            }).findings;
            total += found.size();
            const auto foundIds = ids(found);
            for (const auto& id : expected) {
                EXPECT_NE(std::find(foundIds.begin(), foundIds.end(), id), foundIds.end()) << file << " " << id;
            }
            for (const auto& id : foundIds) {
                const auto entry = entries.find(id);
                ASSERT_NE(entry, entries.end()) << file << " " << id;
                const Entry& e = entry->second;
                EXPECT_TRUE(e.live && e.key == code &&
                            (e.simple || (e.mandatory && (*e.mandatory & ~modifiers) == 0 && (modifiers & ~e.allowed) == 0)))
                    << file << " " << id << " " << shortcut.displayName();
            }
        }
        EXPECT_EQ(total == 0, bindNothing.count(file.filename().string()) == 1) << file;
    }
    // Only the JSON-with-comments example is not strict JSON.
    EXPECT_EQ(unparsableFiles, 1u);
}

}  // namespace
}  // namespace chordmap
