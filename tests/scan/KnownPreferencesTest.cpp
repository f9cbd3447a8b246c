#include "scan/ConfigurationScanner.h"
#include "scan/KnownPreferences.h"
#include "formats/Documents.h"
#include "support/BinaryPlist.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace chordmap {
namespace {

using namespace testing;
using namespace modifier;

const KnownApplication& rectangle = knownApplications[0];
const KnownApplication& maccy = knownApplications[1];
const KnownApplication& raycast = knownApplications[2];
const KnownApplication& monitorControl = knownApplications[3];
const Url prefsURL = Url::file("/home/u/Library/Preferences/app.plist");
const char* const archivedDetail =
    "偏好文件中以键控归档（MASShortcut）保存的键码与修饰键匹配；未确认软件当前是否加载这项绑定。";
const char* const configDetail =
    "Rectangle 启动时载入的 RectangleConfig.json 含此快捷键；载入（可能需要确认）后才替换偏好中的设置，未确认是否已载入。";

Dict stored(std::int64_t code, std::int64_t flags) { return {{"keyCode", number(code)}, {"modifierFlags", number(flags)}}; }

// A MASShortcut as NSKeyedArchiver writes it, the way older Rectangle
// versions kept their shortcuts: $top's root and the object's $class are
// references into $objects, whose first element is nil.
Value archived(std::int64_t keyCode, std::int64_t flags, const char* className = "MASShortcut", char root = 1) {
    BinaryPlist plist;
    const auto reference = [&](char index) { return plist.raw({'\x80', index}); };
    const auto key = [&](const char* text) { return plist.string(text); };
    const auto nil = plist.string("$null");
    const auto object = plist.dictionary({{key("KeyCode"), plist.integer(static_cast<std::uint64_t>(keyCode))},
                                          {key("$class"), reference(2)},
                                          {key("ModifierFlags"), plist.integer(static_cast<std::uint64_t>(flags))}});
    const auto objectClass = plist.dictionary({{key("$classname"), plist.string(className)}});
    return Value(Value::Data{plist.bytes(plist.dictionary({
        {key("$version"), plist.integer(100000)},
        {key("$archiver"), plist.string("NSKeyedArchiver")},
        {key("$top"), plist.dictionary({{key("root"), reference(root)}})},
        {key("$objects"), plist.array({nil, object, objectClass})},
    }))});
}

std::vector<Declaration> declarations(const KnownApplication& application, const Dict& preferences) {
    Inventory inventory;
    knownPreferenceDeclarations(FakeProcesses(), application, preferences, prefsURL, nullptr, inventory);
    return inventory.declarations;
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
        {"49", std::nullopt},
        {"Option--49", std::nullopt},
        {"Option-", std::nullopt},
        {"", std::nullopt},
        {"Option-128", std::nullopt},
        {"Option-65536", std::nullopt},  // would wrap to key 0
        {"Option- 49", std::nullopt},
        {"None-49", std::nullopt},
        {"Super-49", std::nullopt},
        {"Option-Space", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(raycastShortcut(row.text), row.expected) << row.text;
}

// A MASShortcut kept as a keyed archive, in Rectangle's file only; the other
// shapes are in cases/preferences.txt.
TEST(KnownPreferences, archivedHotKeys) {
    struct Row {
        const char* name;
        const KnownApplication* application;
        Value value;
        std::optional<ShortcutSpec> expected;
    };
    const Row rows[] = {
        {"archived", &rectangle, archived(123, control | option | command), ShortcutSpec(123, control | option | command)},
        {"archivedNil", &rectangle, archived(32, option, "MASShortcut", 0), std::nullopt},
        {"archivedRootOutOfRange", &rectangle, archived(32, option, "MASShortcut", 9), std::nullopt},
        {"archivedClearedKeyCode", &rectangle, archived(-1, option), std::nullopt},
        {"archivedOtherClass", &rectangle, archived(32, option, "NSDictionary"), std::nullopt},
        {"archivedOutsideRectangle", &maccy, archived(9, command), std::nullopt},
        {"dataNoPropertyList", &rectangle, Value(Value::Data{"not an archive"}), std::nullopt},
    };
    for (const auto& row : rows) {
        const std::vector<Declaration> found = declarations(*row.application, Dict{{"leftHalf", row.value}});
        ASSERT_EQ(found.size(), row.expected ? 1u : 0u) << row.name;
        if (!row.expected) continue;
        EXPECT_EQ(found[0].claim, Claim::exactly(*row.expected)) << row.name;
        EXPECT_EQ(found[0].finding.id, "prefs-com.knollsoft.Rectangle-leftHalf") << row.name;
        EXPECT_EQ(found[0].finding.detail, archivedDetail) << row.name;
    }
}

// RectangleConfig.json as Rectangle exports it (shortcuts by action name,
// beside its other settings) and loads it when it starts.
TEST(KnownPreferences, rectangleConfigShortcuts) {
    const auto config = [](const char* shortcuts, const char* rest = R"("bundleId":"com.knollsoft.Rectangle",)"
                                                                      R"("defaults":{},"version":"91")") {
        return *parseJson(std::string("{") + rest + R"(,"shortcuts":{)" + shortcuts + "}}");
    };
    struct Row {
        const char* name;
        Value config;
        Dict preferences;  // read before it
        bool loadable;
        std::vector<std::pair<std::string, ShortcutSpec>> declared;  // ids and combinations
    };
    const Row rows[] = {
        {"exported", config(R"("leftHalf":{"keyCode":123,"modifierFlags":786432},)"
                            R"("toggleTodo":{"keyCode":11,"modifierFlags":786432})"),
         {}, true,
         {{"prefs-com.knollsoft.Rectangle-config-leftHalf", ShortcutSpec(123, control | option)},
          {"prefs-com.knollsoft.Rectangle-config-toggleTodo", ShortcutSpec(11, control | option)}}},
        {"clearedAction", config(R"("leftHalf":{"keyCode":-1,"modifierFlags":0})"), {}, true, {}},
        {"alreadyInThePreferences", config(R"("leftHalf":{"keyCode":123,"modifierFlags":786432})"),
         {{"leftHalf", stored(123, control | option)}}, true,
         {{"prefs-com.knollsoft.Rectangle-leftHalf", ShortcutSpec(123, control | option)}}},
        {"changesThePreferences", config(R"("leftHalf":{"keyCode":123,"modifierFlags":1572864})"),
         {{"leftHalf", stored(123, control | option)}}, true,
         {{"prefs-com.knollsoft.Rectangle-leftHalf", ShortcutSpec(123, control | option)},
          {"prefs-com.knollsoft.Rectangle-config-leftHalf", ShortcutSpec(123, option | command)}}},
        // Rectangle decodes the file whole: one bad member and nothing loads.
        {"oneShortcutUndecodable", config(R"("leftHalf":{"keyCode":123,"modifierFlags":786432},)"
                                          R"("rightHalf":{"keyCode":124,"modifierFlags":"786432"})"),
         {}, false, {}},
        {"noDefaults", config(R"("leftHalf":{"keyCode":123,"modifierFlags":786432})",
                              R"("bundleId":"com.knollsoft.Rectangle","version":"91")"),
         {}, false, {}},
    };
    for (const auto& row : rows) {
        FakeProcesses processes;
        Inventory inventory;
        knownPreferenceDeclarations(processes, rectangle, row.preferences, prefsURL, nullptr, inventory);
        const Url configURL = Url::file("/home/u/RectangleConfig.json");
        EXPECT_EQ(rectangleConfigDeclarations(processes, row.config, configURL, &row.preferences, inventory), row.loadable)
            << row.name;
        std::vector<std::pair<std::string, ShortcutSpec>> found;
        for (const Declaration& declaration : inventory.declarations) {
            const auto combinations = declaration.claim.combinations();
            ASSERT_EQ(combinations.size(), 1u) << row.name;
            found.emplace_back(declaration.finding.id, combinations[0]);
            if (declaration.finding.sourceURL != configURL) continue;
            EXPECT_EQ(declaration.finding.level, EvidenceLevel::conditionalConfiguration) << row.name;
            const std::string prefix = "prefs-com.knollsoft.Rectangle-config-";
            EXPECT_EQ(declaration.finding.title, "配置文件快捷键：" + declaration.finding.id.substr(prefix.size()))
                << row.name;
            EXPECT_EQ(declaration.finding.detail, configDetail) << row.name;
        }
        EXPECT_EQ(found, row.declared) << row.name;
    }
}

// Preference files below a temporary home.
struct Home {
    TemporaryDirectory directory;
    FakePlatform platform;
    static std::string preferences(const KnownApplication& application) {
        return "Library/Preferences/" + std::string(application.bundleID) + ".plist";
    }
    static std::string container(const KnownApplication& application) {
        return "Library/Containers/" + std::string(application.bundleID) + "/Data/" + preferences(application);
    }
    std::string path(const std::string& relative) const { return directory.path() + "/" + relative; }
    Inventory inventory() const {
        Inventory inventory;
        ConfigurationScanner(directory.path(), platform.services).knownPreferences(inventory);
        return inventory;
    }
};

std::string binaryPreferences(const std::string& key, std::uint64_t code, std::uint64_t flags) {
    BinaryPlist plist;
    const auto entry = plist.dictionary({{plist.string("keyCode"), plist.integer(code)},
                                         {plist.string("modifierFlags"), plist.integer(flags)}});
    return plist.bytes(plist.dictionary({{plist.string(key), entry}, {plist.string("launchOnLogin"), plist.boolean(true)}}));
}

TEST(KnownPreferences, readsEachApplicationsFilesInOrder) {
    Home home;
    home.directory.write(Home::preferences(monitorControl), binaryPreferences("brightnessUp", 40, control | option));
    home.directory.write(Home::preferences(rectangle), binaryPreferences("bottomRight", 40, control | option));
    home.directory.write("Library/Application Support/Rectangle/RectangleConfig.json", "{");
    // The same binding in the container and outside it is declared once, from the container.
    home.directory.write(Home::container(maccy), binaryPreferences("popup", 40, control | option));
    home.directory.write(Home::preferences(maccy), binaryPreferences("popup", 40, control | option));
    home.directory.write(Home::preferences(raycast), "not a property list");  // skipped silently
    const Inventory inventory = home.inventory();
    std::vector<std::string> found;
    for (const Declaration& declaration : inventory.declarations) found.push_back(declaration.finding.id);
    EXPECT_EQ(found, (std::vector<std::string>{"prefs-com.knollsoft.Rectangle-bottomRight", "prefs-org.p0deje.Maccy-popup",
                                               "prefs-me.guillaumeb.MonitorControl-brightnessUp"}));
    EXPECT_EQ(inventory.declarations[1].finding.sourceURL, Url::file(home.path(Home::container(maccy))));
    EXPECT_EQ(inventory.checkedSources,
              (std::vector<std::string>{"Rectangle 快捷键偏好", "Rectangle 配置文件", "Maccy 沙盒快捷键偏好",
                                        "Maccy 快捷键偏好", "Raycast 快捷键偏好", "MonitorControl 快捷键偏好"}));
    EXPECT_EQ(inventory.notes, std::vector<std::string>{"Rectangle 配置文件：格式无法解析。"});
}

TEST(KnownPreferences, aContainerLinkedToThePreferencesIsReadOnce) {
    Home home;
    home.directory.write(Home::preferences(maccy), binaryPreferences("popup", 40, control | option));
    std::filesystem::create_directories(std::filesystem::path(home.path(Home::container(maccy))).parent_path());
    std::filesystem::create_symlink(home.path(Home::preferences(maccy)), home.path(Home::container(maccy)));
    const Inventory inventory = home.inventory();
    EXPECT_EQ(inventory.checkedSources, std::vector<std::string>{"Maccy 沙盒快捷键偏好"});
    EXPECT_EQ(inventory.declarations.size(), 1u);
}

}  // namespace
}  // namespace chordmap
