#include "observe/ShortcutDetector.h"
#include "platform/FileAccess.h"
#include "scan/ConfigurationScanner.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace chordmap {
namespace {

using testing::FakePlatform;
using testing::TemporaryDirectory;

const std::string caveat1 =
    "配置能证明存在对应规则；软件是否已加载、应用范围及条件是否满足，仍需结合实时结果。未检出不代表没有占用。";
const std::string caveat2 =
    "按物理键位匹配，字母标记采用美式键盘；系统菜单、浏览器扩展、任意脚本与未支持工具的私有配置不在完整扫描范围内。";
const std::string secureNote =
    "macOS 正在使用安全键盘输入，实时按键可能无法被观察；关闭密码输入框或结束对应安全输入后重试。";

Finding finding(EvidenceLevel level, std::string name, std::string id = "") {
    return Finding{.id = std::move(id), .level = level, .application = AppIdentity{.name = std::move(name), .pid = {}, .bundleID = {}, .bundleURL = {}, .isRunning = false},
                   .title = {}, .detail = {}, .sourceURL = {}};
}

std::vector<std::pair<EvidenceLevel, std::string>> levelsAndNames(const std::vector<Finding>& findings) {
    std::vector<std::pair<EvidenceLevel, std::string>> out;
    for (const auto& f : findings) out.emplace_back(f.level, f.application.name + f.id);
    return out;
}

TEST(ScanDriver, withNothingInstalledAndBothQueriesFailingOnlyNotesRemain) {
    FakePlatform platform;
    platform.symbolicHotKeys.list = {-50, std::nullopt};
    platform.eventTapList.countError = 1000;
    platform.clock.time = std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
    const DetectionSnapshot snapshot = ConfigurationScanner("/nonexistent", platform.services).scan(ShortcutSpec(49, 0));

    EXPECT_TRUE(snapshot.findings.empty());
    EXPECT_TRUE(snapshot.checkedSources.empty());
    EXPECT_EQ(snapshot.notes, (std::vector<std::string>{"系统热键枚举失败（-50）。", "键盘监听器枚举失败。", caveat1, caveat2}));
    EXPECT_FALSE(snapshot.receivedKey);
    EXPECT_EQ(snapshot.observedAt, platform.clock.time);
}

TEST(ScanDriver, successfulQueriesRecordTheirLabelsInOrder) {
    FakePlatform platform;
    const DetectionSnapshot snapshot = ConfigurationScanner("/nonexistent", platform.services).scan(ShortcutSpec(49, 0));
    EXPECT_EQ(snapshot.checkedSources, (std::vector<std::string>{"macOS 有效系统热键", "系统当前键盘事件过滤器"}));
    EXPECT_EQ(snapshot.notes, (std::vector<std::string>{caveat1, caveat2}));
}

TEST(ScanDriver, sortsByLevelThenNameKeepingTies) {
    std::vector<Finding> findings{
        finding(EvidenceLevel::listener, "B"),
        finding(EvidenceLevel::configuration, "b"),
        finding(EvidenceLevel::configuration, "A"),
        finding(EvidenceLevel::systemBinding, "Z"),
        finding(EvidenceLevel::configuration, "A", "-second"),
        // Canonically equal: precomposed é and e + combining acute keep their order.
        finding(EvidenceLevel::nearbyEvent, "caf\u00e9", "-1"),
        finding(EvidenceLevel::nearbyEvent, "cafe\u0301", "-2"),
        finding(EvidenceLevel::nearbyEvent, "caf\u00e9", "-3"),
        finding(EvidenceLevel::observedRecipient, "z"),
    };
    ConfigurationScanner::sortFindings(findings);
    const std::vector<std::pair<EvidenceLevel, std::string>> expected{
        {EvidenceLevel::observedRecipient, "z"},
        {EvidenceLevel::systemBinding, "Z"},
        {EvidenceLevel::configuration, "A"},
        {EvidenceLevel::configuration, "A-second"},
        {EvidenceLevel::configuration, "b"},
        {EvidenceLevel::nearbyEvent, "caf\u00e9-1"},
        {EvidenceLevel::nearbyEvent, "cafe\u0301-2"},
        {EvidenceLevel::nearbyEvent, "caf\u00e9-3"},
        {EvidenceLevel::listener, "B"},
    };
    EXPECT_EQ(levelsAndNames(findings), expected);
}

TEST(ScanDriver, sortComparesCodePointsNotBytesOfUtf16) {
    // U+FF5E (fullwidth tilde) sorts before U+1F600 by scalar value.
    std::vector<Finding> findings{finding(EvidenceLevel::configuration, "\U0001F600"),
                                  finding(EvidenceLevel::configuration, "\uFF5E")};
    ConfigurationScanner::sortFindings(findings);
    EXPECT_EQ(findings[0].application.name, "\uFF5E");
}

TEST(GuardedRead, notesAndLabelsFollowTheFile) {
    FakePlatform platform;
    TemporaryDirectory home;
    const ConfigurationScanner scanner(home.path(), platform.services);
    const auto exact = home.write("exact.json", std::string(configurationSizeLimit, ' '));
    const auto over = home.write("over.json", std::string(configurationSizeLimit + 1, ' '));
    const std::string fifo = home.path() + "/fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    DetectionSnapshot snapshot = ConfigurationScanner(home.path(), platform.services).scan(ShortcutSpec(0, 0));
    snapshot.notes.clear();
    snapshot.checkedSources.clear();

    EXPECT_EQ(scanner.read(home.path() + "/absent", "不存在", snapshot), std::nullopt);
    EXPECT_EQ(scanner.read(exact, "Karabiner 当前配置", snapshot)->size(), configurationSizeLimit);
    EXPECT_EQ(scanner.read(over, "Karabiner 当前配置", snapshot), std::nullopt);
    EXPECT_EQ(scanner.read(fifo, "skhd", snapshot), std::nullopt);
    EXPECT_EQ(scanner.read(home.path(), "目录", snapshot), std::nullopt);

    EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"Karabiner 当前配置"});
    EXPECT_EQ(snapshot.notes, (std::vector<std::string>{"Karabiner 当前配置：文件超过读取上限或无法读取大小，未扫描。",
                                                        "skhd：无法读取配置。",
                                                        "目录：文件超过读取上限或无法读取大小，未扫描。"}));
}

TEST(DetectorScan, secureInputNoteComesFirstOnlyWhileSecureInputIsOn) {
    FakePlatform platform;
    platform.symbolicHotKeys.list = {-1, std::nullopt};
    const ShortcutDetector detector(platform.services);

    const DetectionSnapshot plain = detector.scan(ShortcutSpec(49, modifier::command));
    EXPECT_EQ(plain.notes, (std::vector<std::string>{"系统热键枚举失败（-1）。", caveat1, caveat2}));

    platform.secureInput.enabled = true;
    const DetectionSnapshot secure = detector.scan(ShortcutSpec(49, modifier::command));
    EXPECT_EQ(secure.notes, (std::vector<std::string>{secureNote, "系统热键枚举失败（-1）。", caveat1, caveat2}));
    EXPECT_FALSE(secure.receivedKey);
}

TEST(DetectorScan, carriesTheScannersFindings) {
    FakePlatform platform;
    platform.symbolicHotKeys.list = {0, std::vector<SymbolicHotKey>{{49, 0x100, true}}};
    const DetectionSnapshot snapshot = ShortcutDetector(platform.services).scan(ShortcutSpec(49, modifier::command));
    ASSERT_EQ(snapshot.findings.size(), 1u);
    EXPECT_EQ(snapshot.findings[0].id, "system-49-1048576");
}

}  // namespace
}  // namespace chordmap
