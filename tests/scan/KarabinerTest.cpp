#include "scan/ConfigurationScanner.h"
#include "scan/Karabiner.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

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

Dict manipulator(Dict from, Dict extra = {}) {
    extra.insert_or_assign("from", std::move(from));
    extra.try_emplace("type", "basic");
    extra.try_emplace("to", List{Dict{{"key_code", "escape"}}});
    return extra;
}

// A key_code input with these from.modifiers (none when empty).
Dict manipulator(const char* key, Dict modifiers = {}, Dict extra = {}) {
    Dict from{{"key_code", key}};
    if (!modifiers.empty()) from.insert_or_assign("modifiers", std::move(modifiers));
    return manipulator(std::move(from), std::move(extra));
}

// from.modifiers with these names (a list left out when empty).
Dict modifiers(std::initializer_list<const char*> mandatory, std::initializer_list<const char*> optional = {}) {
    Dict out;
    if (mandatory.size() != 0) out.insert_or_assign("mandatory", words(mandatory));
    if (optional.size() != 0) out.insert_or_assign("optional", words(optional));
    return out;
}

Dict rule(List manipulators, Dict extra = {}) {
    extra.insert_or_assign("manipulators", std::move(manipulators));
    return extra;
}

Dict simple(const char* from) { return {{"from", Dict{{"key_code", from}}}, {"to", List{Dict{{"key_code", "a"}}}}}; }

Dict profile(List simples, List rules, std::optional<Value> selected = true) {
    Dict out{{"name", "P"}, {"simple_modifications", std::move(simples)},
             {"complex_modifications", Dict{{"rules", std::move(rules)}}}};
    if (selected) out.insert_or_assign("selected", *selected);
    return out;
}

Dict config(List profiles) { return {{"profiles", std::move(profiles)}}; }

std::vector<Finding> scan(const Dict& root, const ShortcutSpec& shortcut) {
    FakeProcesses processes;
    return sourceScan(shortcut, [&](Inventory& inventory) { karabinerDeclarations(processes, root, configURL, inventory); }).findings;
}

TEST(Karabiner, usesTheProfileKarabinerUses) {
    const Dict onK = profile({simple("k")}, {});
    const Dict onJ = profile({simple("j")}, {});
    struct Row {
        const char* name;
        Dict root;
        std::uint16_t key;
        std::size_t found;
    };
    const Row rows[] = {
        {"firstOfTwoSelected", config({onK, onJ}), 40, 1},
        {"secondSelectedIgnored", config({onK, onJ}), 38, 0},
        {"selectedAfterUnselected", config({profile({simple("k")}, {}, false), onJ}), 38, 1},
        {"unselectedIgnored", config({profile({simple("k")}, {}, false), onJ}), 40, 0},
        // None selected (a text is no flag): Karabiner takes the first.
        {"noneSelectedFirstUsed", config({profile({simple("k")}, {}, "true"), profile({simple("j")}, {}, std::nullopt)}), 40, 1},
        {"noneSelectedSecondIgnored", config({profile({simple("k")}, {}, std::nullopt), profile({simple("j")}, {}, std::nullopt)}), 38, 0},
        {"noProfiles", {}, 40, 0},
    };
    for (const auto& row : rows) EXPECT_EQ(scan(row.root, ShortcutSpec(row.key, 0)).size(), row.found) << row.name;
}

TEST(Karabiner, simpleModificationsTakeTheKeyWhateverTheModifiers) {
    const Dict device{{"identifiers", Dict{{"vendor_id", number(1452)}, {"product_id", number(615)}, {"is_keyboard", true}}},
                      {"simple_modifications", List{simple("backslash"), simple("k")}}};
    Dict ignored = device;
    ignored.insert_or_assign("ignore", true);
    const Dict anyKeyboard{{"identifiers", Dict{{"is_keyboard", true}}}, {"simple_modifications", List{simple("k")}}};
    Dict active = profile({simple("caps_lock"), Dict{{"from", "k"}}, Dict{{"from", Dict{{"key_code", number(40)}}}},
                           Dict{{"from", Dict{{"consumer_key_code", "k"}}}}, simple("K"), simple("k")},
                          {});
    active.insert_or_assign("devices", List{ignored, device, anyKeyboard});
    const Dict root = config({active});

    for (const auto& shortcut : {ShortcutSpec(40, 0), ShortcutSpec(40, command), ShortcutSpec(40, all)}) {
        const auto found = scan(root, shortcut);
        // Only Karabiner's own name counts; indices include the entries before.
        ASSERT_EQ(ids(found), (std::vector<std::string>{"karabiner-simple-5", "karabiner-device-1-simple-1",
                                                        "karabiner-device-2-simple-0"}))
            << shortcut.displayName();
        EXPECT_EQ(found[0].detail, simpleDetail);
        EXPECT_EQ(found[1].level, EvidenceLevel::conditionalConfiguration);
        EXPECT_EQ(found[1].detail,
                  "当前配置只在厂商 ID 1452、产品 ID 615 的设备上把该物理键映射为另一按键；未判断该设备此刻是否连接。");
        EXPECT_EQ(found[2].detail, "当前配置只在配置中指定的设备上把该物理键映射为另一按键；未判断该设备此刻是否连接。");
    }
    EXPECT_EQ(ids(scan(root, ShortcutSpec(57, shift))), std::vector<std::string>{"karabiner-simple-0"});
    // The old object form counts as no list.
    EXPECT_TRUE(scan(config({Dict{{"selected", true}, {"simple_modifications", Dict{{"k", "escape"}}}}}), ShortcutSpec(40, 0)).empty());
}

// How one manipulator in an otherwise empty profile fares for one combination.
enum class Outcome { none, plain, conditional };

Outcome outcome(const Dict& manipulator, const ShortcutSpec& shortcut) {
    const auto found = scan(config({profile({}, {rule({manipulator})})}), shortcut);
    if (found.empty()) return Outcome::none;
    EXPECT_EQ(found.size(), 1u);
    const bool conditional = found[0].level == EvidenceLevel::conditionalConfiguration;
    EXPECT_EQ(found[0].detail, conditional ? conditionalDetail : ruleDetail);
    return conditional ? Outcome::conditional : Outcome::plain;
}

TEST(Karabiner, manipulatorsClaimWhatKarabinerMatches) {
    using enum Outcome;
    const Dict variable{{"type", "variable_if"}, {"name", "hyper_mode"}, {"value", number(1)}};
    struct Row {
        const char* name;
        Dict manipulator;
        ShortcutSpec shortcut;
        Outcome expected;
    };
    const Row rows[] = {
        {"noModifiersPlainKey", manipulator("k"), {40, 0}, plain},
        {"noModifiersRejectsCommand", manipulator("k"), {40, command}, none},
        {"commandAlone", manipulator("k", modifiers({"command"})), {40, command}, plain},
        {"commandMissing", manipulator("k", modifiers({"command", "shift"})), {40, shift}, none},
        {"optionalAnyAllowsAll", manipulator("k", modifiers({"command"}, {"any"})), {40, command | shift | function}, plain},
        {"optionalAnyNeedsMandatory", manipulator("k", modifiers({"command"}, {"any"})), {40, shift}, none},
        {"optionalShiftNotOption", manipulator("k", modifiers({"command"}, {"shift"})), {40, command | option}, none},
        // AriSweedler: a layer key taken whatever is held.
        {"mandatoryAny", manipulator("v", modifiers({"any"})), {9, hyper}, plain},
        {"mandatoryAnyInLayer", manipulator("v", modifiers({"any"}), {{"conditions", List{variable}}}), {9, 0}, conditional},
        // matias_ergo_pro: caps lock is a state, not part of a combination.
        {"optionalCapsLockAndShift", manipulator("r", modifiers({}, {"caps_lock", "shift"})), {15, shift}, plain},
        {"optionalCapsLockOnly", manipulator("r", modifiers({}, {"caps_lock"})), {15, shift}, none},
        {"mandatoryCapsLockIsAState", manipulator("k", modifiers({"caps_lock", "command"})), {40, command}, conditional},
        // DavidWells: fn on an arrow or function key is no modifier of its own.
        {"fnArrow", manipulator("left_arrow", modifiers({"fn"})), {123, 0}, plain},
        {"fnArrowNotControl", manipulator("left_arrow", modifiers({"fn"})), {123, control}, none},
        {"fnCommandF1", manipulator("f1", modifiers({"fn", "command"})), {122, command}, plain},
        {"fnOnLetterKept", manipulator("h", modifiers({"fn"})), {4, 0}, none},
        {"leftSideIsConditional", manipulator("k", modifiers({"left_command"})), {40, command}, conditional},
        {"aliasSideIsConditional", manipulator("k", modifiers({"left_gui", "right_alt"})), {40, command | option}, conditional},
        {"rightSideOptional", manipulator("k", modifiers({"command"}, {"right_shift"})), {40, command}, conditional},
        {"mandatoryAsOneName", manipulator("k", {{"mandatory", "command"}}), {40, command}, plain},
        // Karabiner refuses a manipulator with a name it does not know.
        {"unknownOptional", manipulator("k", modifiers({}, {"shift", "Any"})), {40, 0}, none},
        {"unknownMandatory", manipulator("k", modifiers({"cmd"})), {40, command}, none},
        {"namesAreCaseSensitive", manipulator("k", modifiers({"Left_command"})), {40, command}, none},
        {"mandatoryNotAllText", manipulator("k", {{"mandatory", List{"command", number(1)}}}), {40, 0}, none},
        {"modifiersNotAnObject", manipulator(Dict{{"key_code", "k"}, {"modifiers", "command"}}), {40, 0}, none},
        // Karabiner's names for modifier keys, and for keys macOS codes under another name.
        {"capsLock", manipulator("caps_lock", modifiers({}, {"any"})), {57, shift}, plain},
        {"rightCommand", manipulator("right_command", modifiers({}, {"any"})), {54, 0}, plain},
        {"nonUsBackslash", manipulator("non_us_backslash"), {10, 0}, plain},
        {"nonUsPound", manipulator("non_us_pound"), {42, 0}, plain},
        {"insertIsHelp", manipulator("insert"), {114, 0}, plain},
        {"printScreenIsF13", manipulator("print_screen"), {105, 0}, plain},
        {"fnKey", manipulator(Dict{{"apple_vendor_top_case_key_code", "keyboard_fn"}}), {63, 0}, plain},
        {"otherKey", manipulator("j"), {40, 0}, none},
        {"mouseMotion", manipulator("k", {}, {{"type", "mouse_motion_to_scroll"}}), {40, 0}, none},
        {"disabled", manipulator("k", {}, {{"enabled", false}}), {40, 0}, none},
        {"enabledAsText", manipulator("k", {}, {{"enabled", "false"}}), {40, 0}, plain},
        {"emptyConditions", manipulator("k", {}, {{"conditions", List{}}}), {40, 0}, plain},
    };
    for (const auto& row : rows) EXPECT_EQ(outcome(row.manipulator, row.shortcut), row.expected) << row.name;

    // Names that are not Karabiner's or have no Mac key code, and inputs of
    // more or other than one key, declare nothing at all.
    const Dict inputs[] = {
        {{"key_code", "K"}},     {{"key_code", "left"}},  {{"key_code", "f21"}},
        {{"key_code", "mute"}},  {{"key_code", "power"}}, {{"key_code", number(40)}},
        {{"simultaneous", List{Dict{{"key_code", "j"}}, Dict{{"key_code", "k"}}}}},
        {{"consumer_key_code", "play_or_pause"}}, {{"pointing_button", "button4"}}, {{"any", "key_code"}},
    };
    for (std::size_t i = 0; i < std::size(inputs); ++i) {
        const Dict& from = inputs[i];
        Dict anyModifiers = from;
        anyModifiers.insert_or_assign("modifiers", modifiers({}, {"any"}));
        Inventory everything;
        karabinerDeclarations(FakeProcesses(), config({profile({Dict{{"from", from}}}, {rule({manipulator(anyModifiers)})})}),
                              configURL, everything);
        EXPECT_TRUE(everything.declarations.empty()) << "input " << i;
    }
}

TEST(Karabiner, rulesKeepTheirPositionsAndTitlesAndWrongShapesSkipOnlyThemselves) {
    const Dict onK = manipulator("k", modifiers({"control", "option"}));
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

TEST(Karabiner, readsTheFileWithCommentsAndReportsWhatIsNoConfiguration) {
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
        {"comments", "// settings\n" + valid + "\n/* end */", {"karabiner-simple-0"}, {}},
        {"unterminatedComment", valid + "/* end", {}, {unparsable}},
        {"trailingComma", R"({"profiles": [],})", {}, {unparsable}},
        {"topLevelArray", "[" + valid + "]", {}, {unparsable}},
    };
    for (const auto& row : rows) {
        const DetectionSnapshot snapshot = scanFile(row.bytes, ShortcutSpec(40, command));
        EXPECT_EQ(ids(snapshot.findings), row.ids) << row.name;
        EXPECT_EQ(snapshot.notes, row.notes) << row.name;
        EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"Karabiner 当前配置"}) << row.name;
    }
    EXPECT_TRUE(scanFile(std::nullopt, ShortcutSpec(40, 0)).checkedSources.empty());
}

}  // namespace
}  // namespace chordmap
