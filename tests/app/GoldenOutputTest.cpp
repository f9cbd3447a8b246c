// The command line's output over a copy of the sample home, against golden
// files in tests/golden. After a deliberate change, rewrite them with
// CHORDMAP_UPDATE_GOLDEN=1 and review the diff.
#include "formats/Documents.h"
#include "model/Json.h"
#include "platform/Platform.h"
#include "scan/ConfigurationScanner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace chordmap {
namespace {

namespace fs = std::filesystem;

const fs::path goldenFolder = fs::path(CHORDMAP_TESTS) / "golden";

// The sample home, copied so that nothing a run might leave lands in the
// checkout, at a path every machine spells the same way once replaced.
class SampleHome {
public:
    SampleHome() {
        fs::copy(CHORDMAP_EXAMPLE_HOME, path(), fs::copy_options::recursive);
        ::setenv("HOME", path().c_str(), 1);
    }
    ~SampleHome() { ::unsetenv("HOME"); }
    std::string path() const { return directory_.path() + "/home"; }

private:
    testing::TemporaryDirectory directory_;
};

std::string run(const std::string& arguments) {
    const std::string command = std::string("'") + CHORDMAP_EXECUTABLE + "' " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
    EXPECT_EQ(::pclose(pipe), 0) << arguments;
    return output;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The output without what differs between runs and machines: the time, the
// home's path, and the keyboard filters running on this machine.
Value normalised(const Value& value, const std::string& home) {
    if (const std::string* text = value.string()) return replaced(*text, home, "~");
    if (const Value::Array* array = value.array()) {
        Value::Array out;
        for (const Value& element : *array) {
            const Value* level = element.find("level");
            if (level && level->string() && *level->string() == "listener") continue;
            out.push_back(normalised(element, home));
        }
        return out;
    }
    if (const Value::Dictionary* object = value.dictionary()) {
        Value::Dictionary out;
        for (const auto& [key, member] : *object)
            out.emplace(key, key == "observedAt" ? Value::integer(0) : normalised(member, home));
        return out;
    }
    return value;
}

// The whole map at a glance: one line per conflict and set of findings (by
// id and level), then the combinations (key code/modifiers) that have it.
// The findings themselves are the scan's (checked below).
std::string mapSummary(const Value& map) {
    std::string out;
    for (const char* list : {"checkedSources", "notes"}) {
        for (const Value& item : *map.find(list)->array()) out += std::string(list) + ": " + *item.string() + "\n";
    }
    std::vector<std::pair<std::string, std::string>> groups;
    for (const Value& combination : *map.find("combinations")->array()) {
        std::string findings = *combination.find("conflict")->string();
        for (const Value& finding : *combination.find("findings")->array())
            findings += " " + *finding.find("id")->string() + "@" + *finding.find("level")->string();
        auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == findings; });
        if (group == groups.end()) group = groups.insert(groups.end(), {findings, ""});
        const Value& shortcut = *combination.find("shortcut");
        group->second += " " + std::to_string(*shortcut.find("keyCode")->number()) + "/" +
                         std::to_string(*shortcut.find("modifiers")->number());
    }
    for (const auto& [findings, combinations] : groups) out += findings + " :" + combinations + "\n";
    return out;
}

void expectGolden(const std::string& name, const std::string& actual) {
    const fs::path file = goldenFolder / name;
    if (std::getenv("CHORDMAP_UPDATE_GOLDEN")) {
        std::ofstream(file, std::ios::binary) << actual;
        return;
    }
    EXPECT_EQ(actual, testing::readFile(file.string())) << "differs from " << file;
}

TEST(GoldenOutput, scanAndMapOfTheSampleHome) {
    const SampleHome home;
    const std::string escapedHome = replaced(home.path(), "/", "\\/");
    // The combinations the demo shows, ⌃⌥K judged for Terminal as well.
    for (const auto& [name, arguments] : {std::pair{"scan-command-space.json", "--scan 49 1048576"},
                                          std::pair{"scan-control-option-k-terminal.json",
                                                    "--scan 40 786432 --app com.apple.Terminal"},
                                          std::pair{"scan-shift-command-v.json", "--scan 9 1179648"}}) {
        const std::optional<Value> output = parseJson(run(arguments));
        ASSERT_TRUE(output) << name;
        expectGolden(name, writeJson(normalised(*output, home.path())) + "\n");
    }
    const std::optional<Value> map = parseJson(run("--map"));
    ASSERT_TRUE(map);
    expectGolden("map.txt", mapSummary(normalised(*map, home.path())));
}

bool sameFindings(std::vector<Finding> scanned, const std::vector<Finding>& mapped) {
    std::erase_if(scanned, [](const Finding& f) { return f.level == EvidenceLevel::listener; });
    return scanned == mapped;
}

TEST(GoldenOutput, everyMappedCombinationScansTheSameAndOthersScanEmpty) {
    const SampleHome home;
    const ConfigurationScanner scanner(home.path(), systemPlatform());
    const KeyboardMap map = scanner.map();
    ASSERT_GT(map.combinations.size(), 20u);
    for (const KeyboardMap::Combination& combination : map.combinations) {
        std::vector<Finding> mapped;
        for (const std::uint32_t place : combination.findings) mapped.push_back(map.findings[place]);
        EXPECT_TRUE(sameFindings(scanner.scan(combination.shortcut).findings, mapped))
            << combination.shortcut.displayName();
    }
    // A sample of what is not in the map: every key with a few modifier sets.
    for (std::uint16_t key = 0; key < 128; ++key) {
        for (const std::uint64_t modifiers : {std::uint64_t{0}, modifier::command | modifier::shift, modifier::hyper}) {
            const ShortcutSpec shortcut(key, modifiers);
            const bool mapped = std::any_of(map.combinations.begin(), map.combinations.end(),
                                            [&](const KeyboardMap::Combination& c) { return c.shortcut == shortcut; });
            if (!mapped) {
                EXPECT_TRUE(sameFindings(scanner.scan(shortcut).findings, {})) << shortcut.displayName();
            }
        }
    }
}

}  // namespace
}  // namespace chordmap
