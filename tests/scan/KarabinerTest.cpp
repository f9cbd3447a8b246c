// The file through the scanner; what the source reads of it is in cases/karabiner.txt.
#include "scan/ConfigurationScanner.h"
#include "scan/Karabiner.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

using namespace testing;

DetectionSnapshot scanFile(std::optional<std::string> bytes, const ShortcutSpec& shortcut) {
    TemporaryDirectory home;
    FakePlatform platform;
    if (bytes) home.write(karabinerFile, *bytes);
    const ConfigurationScanner scanner(home.path(), platform.services);
    return sourceScan(shortcut, [&](Inventory& inventory) { scanner.karabiner(inventory); });
}

TEST(Karabiner, readsTheFileWithCommentsAndReportsWhatIsNoConfiguration) {
    const std::string unparsable = "Karabiner：配置格式无法解析。";
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
        const DetectionSnapshot snapshot = scanFile(row.bytes, ShortcutSpec(40, modifier::command));
        EXPECT_EQ(ids(snapshot.findings), row.ids) << row.name;
        EXPECT_EQ(snapshot.notes, row.notes) << row.name;
        EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"Karabiner 当前配置"}) << row.name;
    }
    EXPECT_TRUE(scanFile(std::nullopt, ShortcutSpec(40, 0)).checkedSources.empty());
}

}  // namespace
}  // namespace chordmap
