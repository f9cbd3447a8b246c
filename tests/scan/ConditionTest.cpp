#include "scan/ConfigurationScanner.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace chordmap {
namespace {

using testing::FakePlatform;
using testing::TemporaryDirectory;
using namespace modifier;
using Name = ApplicationName;
using Field = ApplicationName::Field;

const FrontApplication terminal{"com.apple.Terminal", "Terminal", "/System/Applications/Utilities/Terminal.app"};
const FrontApplication safari{"com.apple.Safari", "Safari", "/Applications/Safari.app"};
const FrontApplication codeByBundleID{"com.microsoft.VSCode", "", ""};
const FrontApplication finder{"com.apple.finder", "Finder", "/System/Library/CoreServices/Finder.app"};

TEST(Conditions, allMustHoldAndAFailureOutweighsTheUnknown) {
    const Condition inTerminal = Condition::inApplications({{Field::bundleID, R"(^com\.apple\.Terminal$)", true}});
    const Condition variable = Condition::undecided("需要变量 hyper_mode");
    struct Row {
        const char* name;
        std::vector<Condition> conditions;
        FrontApplication front;
        Applicability expected;
    };
    const Row rows[] = {
        {"nothing asked", {}, safari, {Applies::yes, ""}},
        {"named application", {inTerminal}, terminal, {Applies::yes, ""}},
        {"other application", {inTerminal}, safari, {Applies::no, ""}},
        {"excluded application", {Condition::outsideApplications({{Field::path, "/Safari\\.app$", true}})}, safari,
         {Applies::no, ""}},
        {"not excluded", {Condition::outsideApplications({{Field::path, "/Safari\\.app$", true}})}, terminal,
         {Applies::yes, ""}},
        {"unknown and holding", {variable, inTerminal}, terminal, {Applies::unknown, "需要变量 hyper_mode"}},
        {"failing after unknown", {variable, inTerminal}, safari, {Applies::no, ""}},
        {"name ignores case", {Condition::inApplications({{Field::name, "terminal", false}})}, terminal, {Applies::yes, ""}},
        {"bundle identifier is exact", {Condition::inApplications({{Field::bundleID, "com.apple.terminal", false}})},
         terminal, {Applies::no, ""}},
        {"field not known", {Condition::inApplications({{Field::name, "Code", false}})}, codeByBundleID,
         {Applies::unknown, "不知道前台应用的名称"}},
        {"another name fits", {Condition::inApplications({{Field::name, "Code", false}, {Field::bundleID, "com.microsoft.VSCode", false}})},
         codeByBundleID, {Applies::yes, ""}},
        {"pattern that does not compile", {Condition::inApplications({{Field::bundleID, "(", true}})}, terminal,
         {Applies::unknown, "条件中的正则表达式无法解析：("}},
        {"an empty list names nothing", {Condition::inApplications({})}, terminal, {Applies::no, ""}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(evaluate(row.conditions, row.front), row.expected);
    }
}

void write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Conditions as real configurations write them, judged through a scan.
TEST(Conditions, eachToolsConditionsJudgedForTheFrontApplication) {
    TemporaryDirectory home;
    write(std::filesystem::path(home.path()) / ".config/karabiner/karabiner.json", R"({"profiles": [{"selected": true,
      "complex_modifications": {"rules": [{"manipulators": [
        {"type": "basic", "from": {"key_code": "k", "modifiers": {"mandatory": ["command"]}},
         "conditions": [{"type": "frontmost_application_if", "bundle_identifiers": ["^com\\.apple\\.Terminal$"]}]},
        {"type": "basic", "from": {"key_code": "k", "modifiers": {"mandatory": ["option"]}},
         "conditions": [{"type": "frontmost_application_unless", "file_paths": ["/Safari\\.app$"]}]},
        {"type": "basic", "from": {"key_code": "k", "modifiers": {"mandatory": ["control"]}},
         "conditions": [{"type": "frontmost_application_if", "bundle_identifiers": ["Terminal"]},
                        {"type": "variable_if", "name": "hyper_mode", "value": 1}]}
      ]}]}}]})");
    write(std::filesystem::path(home.path()) / ".config/skhd/skhdrc",
          "cmd - p : echo\n:: resize\ncmd - j [\n  \"terminal\" : echo\n]\ncmd - l [\n  * : echo\n  \"Safari\" ~\n]\n"
          "resize < h : echo\n.blacklist [ \"finder\" ]\n");
    write(std::filesystem::path(home.path()) / ".hammerspoon/init.lua",
          "local m = hs.hotkey.modal.new({'cmd'}, 'm')\nm:bind({}, 'escape', function() m:exit() end)\n");
    write(std::filesystem::path(home.path()) / "Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist",
          R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>MacroGroups</key><array>
      <dict><key>Targeting</key><dict><key>Targeting</key><string>Included</string><key>TargetingApps</key><array>
        <dict><key>BundleIdentifier</key><string>com.microsoft.VSCode</string><key>Name</key><string>Code</string></dict></array></dict>
        <key>Macros</key><array><dict><key>UID</key><string>in-code</string><key>Triggers</key><array><dict>
        <key>MacroTriggerType</key><string>HotKey</string><key>KeyCode</key><integer>40</integer><key>Modifiers</key><integer>768</integer>
        </dict></array></dict></array></dict>
      <dict><key>Targeting</key><dict><key>Targeting</key><string>Excluded</string><key>TargetingApps</key><array>
        <dict><key>Name</key><string>Finder</string></dict></array></dict>
        <key>Macros</key><array><dict><key>UID</key><string>not-in-finder</string><key>Triggers</key><array><dict>
        <key>MacroTriggerType</key><string>HotKey</string><key>KeyCode</key><integer>40</integer><key>Modifiers</key><integer>2560</integer>
        </dict></array></dict></array></dict>
    </array></dict></plist>)");
    FakePlatform platform;
    const ConfigurationScanner scanner(home.path(), platform.services);

    struct Row {
        ShortcutSpec shortcut;
        const FrontApplication* front;
        Applies applies;
        std::string undecided;
    };
    const Row rows[] = {
        {ShortcutSpec(40, command), &terminal, Applies::yes, ""},
        {ShortcutSpec(40, command), &safari, Applies::no, ""},
        {ShortcutSpec(40, option), &terminal, Applies::yes, ""},
        {ShortcutSpec(40, option), &safari, Applies::no, ""},
        {ShortcutSpec(40, control), &terminal, Applies::unknown, "需要变量 hyper_mode"},
        {ShortcutSpec(40, control), &safari, Applies::no, ""},
        {ShortcutSpec(38, command), &terminal, Applies::yes, ""},
        {ShortcutSpec(38, command), &safari, Applies::no, ""},
        {ShortcutSpec(38, command), &codeByBundleID, Applies::unknown, "不知道前台应用的名称"},
        {ShortcutSpec(37, command), &terminal, Applies::yes, ""},
        {ShortcutSpec(37, command), &safari, Applies::no, ""},
        {ShortcutSpec(4, 0), &terminal, Applies::unknown, "需要 skhd 处于 resize 模式"},
        {ShortcutSpec(35, command), &terminal, Applies::yes, ""},
        {ShortcutSpec(35, command), &finder, Applies::no, ""},  // the blacklist, read after the binding
        {ShortcutSpec(53, 0), &terminal, Applies::unknown, "需要 Hammerspoon 模态 m 处于激活状态"},
        {ShortcutSpec(40, command | shift), &codeByBundleID, Applies::yes, ""},
        {ShortcutSpec(40, command | shift), &terminal, Applies::no, ""},
        {ShortcutSpec(40, option | shift), &terminal, Applies::yes, ""},
        {ShortcutSpec(40, option | shift), &finder, Applies::no, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shortcut.keyCode * 100 + row.front->name.size());
        const DetectionSnapshot snapshot = scanner.scan(row.shortcut, *row.front);
        ASSERT_EQ(snapshot.findings.size(), 1u);
        const Finding& finding = snapshot.findings.front();
        ASSERT_TRUE(finding.applicability);
        EXPECT_EQ(finding.applicability->applies, row.applies);
        EXPECT_EQ(finding.applicability->undecided, row.undecided);
        EXPECT_EQ(snapshot.frontApplication, *row.front);
        EXPECT_FALSE(scanner.scan(row.shortcut).findings.front().applicability);
    }
}

// What does not hold in the front application sorts after what does, and no
// longer makes a conflict there; what holds there counts as unconditional.
TEST(Conditions, theMapForOneApplication) {
    TemporaryDirectory home;
    write(std::filesystem::path(home.path()) / ".config/skhd/skhdrc",
          "cmd - j : echo\ncmd - j [\n  \"Safari\" : echo\n]\n"
          "alt - j [\n  \"Safari\" : echo\n]\nalt - j [\n  \"Terminal\" : echo\n]\nalt - j [\n  \"Terminal\" : echo\n]\n");
    FakePlatform platform;
    const ConfigurationScanner scanner(home.path(), platform.services);
    const auto conflicts = [&](const std::optional<FrontApplication>& front) {
        std::map<std::uint64_t, Conflict> byModifiers;
        for (const auto& combination : scanner.map(front).combinations) byModifiers[combination.shortcut.modifiers] = combination.conflict;
        return byModifiers;
    };
    EXPECT_EQ(conflicts(std::nullopt), (std::map<std::uint64_t, Conflict>{{command, Conflict::possible}, {option, Conflict::possible}}));
    EXPECT_EQ(conflicts(terminal), (std::map<std::uint64_t, Conflict>{{command, Conflict::none}, {option, Conflict::definite}}));
    EXPECT_EQ(conflicts(safari), (std::map<std::uint64_t, Conflict>{{command, Conflict::definite}, {option, Conflict::none}}));

    std::vector<Applies> order;
    for (const Finding& finding : scanner.scan(ShortcutSpec(38, option), terminal).findings)
        order.push_back(finding.applicability->applies);
    EXPECT_EQ(order, (std::vector<Applies>{Applies::yes, Applies::yes, Applies::no}));
}

}  // namespace
}  // namespace chordmap
