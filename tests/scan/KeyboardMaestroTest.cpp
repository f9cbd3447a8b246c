// The library file through the scanner; what the source reads of it is in
// cases/keyboard-maestro.txt, and the sample home's binary library in the golden files.
#include "scan/ConfigurationScanner.h"
#include "scan/KeyboardMaestro.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

using namespace testing;

const std::string unparsable = "Keyboard Maestro：配置格式无法解析。";

DetectionSnapshot scanFile(const std::string& bytes, const ShortcutSpec& shortcut = ShortcutSpec(40, modifier::control | modifier::option)) {
    TemporaryDirectory home;
    FakePlatform platform;
    home.write(keyboardMaestroFile, bytes);
    const ConfigurationScanner scanner(home.path(), platform.services);
    return sourceScan(shortcut, [&](Inventory& inventory) { scanner.keyboardMaestro(inventory); });
}

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
