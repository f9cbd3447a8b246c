// Karabiner's and Keyboard Maestro's files through the scanner: read as
// their tools read them, or noted. What the sources read of a document is in
// cases/; the sample home's binary library is in the golden files.
#include "scan/ConfigurationScanner.h"
#include "scan/Karabiner.h"
#include "scan/KeyboardMaestro.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

using namespace testing;

TEST(DocumentFiles, readAsTheirToolReadsThemOrNoted) {
    const std::string karabinerValid =
        R"({"profiles": [{"selected": true, "simple_modifications": [{"from": {"key_code": "k"}, "to": [{"key_code": "up_arrow"}]}]}]})";
    const std::string karabinerNote = "Karabiner：配置格式无法解析。", maestroNote = "Keyboard Maestro：配置格式无法解析。";
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0">)";
    struct Row {
        const char* name;
        bool karabiner;  // else Keyboard Maestro
        std::string bytes;
        std::vector<std::string> ids;
        std::vector<std::string> notes;
    };
    const Row rows[] = {
        {"karabiner", true, karabinerValid, {"karabiner-simple-0"}, {}},
        {"karabiner with comments", true, "// settings\n" + karabinerValid + "\n/* end */", {"karabiner-simple-0"}, {}},
        {"karabiner, unterminated comment", true, karabinerValid + "/* end", {}, {karabinerNote}},
        {"karabiner, trailing comma", true, R"({"profiles": [],})", {}, {karabinerNote}},
        {"karabiner, top-level array", true, "[" + karabinerValid + "]", {}, {karabinerNote}},
        {"maestro xml", false,
         xml + "<dict><key>MacroGroups</key><array><dict><key>Macros</key><array><dict><key>UID</key><string>XML-1</string>"
               "<key>Triggers</key><array><dict><key>MacroTriggerType</key><string>HotKey</string><key>KeyCode</key>"
               "<integer>40</integer><key>Modifiers</key><integer>6144</integer></dict></array></dict></array></dict>"
               "</array></dict></plist>",
         {"km-XML-1"}, {}},
        {"maestro, exported groups array", false, xml + "<array><dict/></array></plist>", {}, {maestroNote}},
        {"maestro, not a property list", false, "{\"MacroGroups\": []}", {}, {maestroNote}},
    };
    for (const auto& row : rows) {
        TemporaryDirectory home;
        FakePlatform platform;
        home.write(row.karabiner ? karabinerFile : keyboardMaestroFile, row.bytes);
        const ConfigurationScanner scanner(home.path(), platform.services);
        const DetectionSnapshot snapshot = sourceScan(ShortcutSpec(40, modifier::control | modifier::option), [&](Inventory& inventory) {
            row.karabiner ? scanner.karabiner(inventory) : scanner.keyboardMaestro(inventory);
        });
        EXPECT_EQ(ids(snapshot.findings), row.ids) << row.name;
        EXPECT_EQ(snapshot.notes, row.notes) << row.name;
        EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{row.karabiner ? "Karabiner 当前配置" : "Keyboard Maestro 宏配置"})
            << row.name;
    }
    TemporaryDirectory empty;
    FakePlatform platform;
    Inventory inventory;
    ConfigurationScanner(empty.path(), platform.services).karabiner(inventory);
    EXPECT_TRUE(inventory.checkedSources.empty());
}

}  // namespace
}  // namespace chordmap
