#include "observe/ShortcutDetector.h"
#include "platform/FileAccess.h"
#include "scan/ConfigurationScanner.h"
#include "scan/KeyboardMaestro.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace chordmap {
namespace {

using testing::FakePlatform;
using testing::TemporaryDirectory;
using namespace modifier;

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
        // By scalar value U+FF5E sorts before U+1F600, in UTF-16 units after it.
        finding(EvidenceLevel::configuration, "\U0001F600"),
        finding(EvidenceLevel::configuration, "\uFF5E"),
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
        {EvidenceLevel::configuration, "\uFF5E"},
        {EvidenceLevel::configuration, "\U0001F600"},
        {EvidenceLevel::nearbyEvent, "caf\u00e9-1"},
        {EvidenceLevel::nearbyEvent, "cafe\u0301-2"},
        {EvidenceLevel::nearbyEvent, "caf\u00e9-3"},
        {EvidenceLevel::listener, "B"},
    };
    EXPECT_EQ(levelsAndNames(findings), expected);
}

TEST(GuardedRead, notesAndLabelsFollowTheFile) {
    FakePlatform platform;
    TemporaryDirectory home;
    const ConfigurationScanner scanner(home.path(), platform.services);
    const auto exact = home.write("exact.json", std::string(configurationSizeLimit, ' '));
    const auto over = home.write("over.json", std::string(configurationSizeLimit + 1, ' '));
    const std::string fifo = home.path() + "/fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    Inventory snapshot;

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

TEST(ScanDriver, homeWithOrWithoutTrailingSlashLocatesTheSameFile) {
    FakePlatform platform;
    EXPECT_EQ(ConfigurationScanner("/home/u", platform.services).inHome(".config/x"), "/home/u/.config/x");
    EXPECT_EQ(ConfigurationScanner("/home/u/", platform.services).inHome(".config/x"), "/home/u/.config/x");
}

// The sample home's binary Keyboard Maestro library, Karabiner configuration
// and binary preference files, through the whole scan: which of their entries
// each combination finds, ranked.
TEST(ScanOfSampleHome, toolSourcesRunInTheirPlacesAndRank) {
    FakePlatform platform;
    const ConfigurationScanner scanner(CHORDMAP_EXAMPLE_HOME, platform.services);
    using Ranked = std::vector<std::pair<EvidenceLevel, std::string>>;
    const auto configuration = EvidenceLevel::configuration, conditional = EvidenceLevel::conditionalConfiguration;
    const std::string darkMode = "km-9F4C2B7A-1D3E-4F5A-8B6C-7D8E9F0A1B21", markdownLink = "km-7A1C3E5B-9D2F-4A6C-8E0B-2D4F6A8C0E35";
    const std::pair<ShortcutSpec, Ranked> rows[] = {
        // The disabled macro, the inactive group's macro and the unselected
        // Karabiner profile bind it too.
        {ShortcutSpec(40, control | option),
         {{configuration, darkMode}, {configuration, "prefs-com.knollsoft.Rectangle-bottomRight"},
          {conditional, "karabiner-2-2"}, {conditional, markdownLink}}},
        {ShortcutSpec(40, control | option | shift), {{conditional, "karabiner-2-2"}}},
        // Also a macro of a group activated by toggling.
        {ShortcutSpec(9, shift | command),
         {{configuration, "karabiner-3-0"}, {configuration, "prefs-org.p0deje.Maccy-KeyboardShortcuts_popup"},
          {conditional, "km-1E3A5C7E-9B0D-4F2A-8C4E-6A8B0C2E4A46"}}},
        {ShortcutSpec(50, command), {{configuration, "karabiner-simple-0"}}},
        {ShortcutSpec(48, shift), {}},  // the Tab rule is turned off
        {ShortcutSpec(123, control | option | function), {{configuration, "prefs-com.knollsoft.Rectangle-leftHalf"}}},
        {ShortcutSpec(49, command), {{configuration, "raycast-global"}}},
        {ShortcutSpec(49, option), {}},
    };
    for (const auto& [shortcut, expected] : rows) {
        const DetectionSnapshot snapshot = scanner.scan(shortcut);
        Ranked ranked;
        for (const auto& f : snapshot.findings) {
            for (const char* prefix : {"km-", "karabiner-", "prefs-", "raycast-"}) {
                if (f.id.starts_with(prefix)) ranked.emplace_back(f.level, f.id);
            }
        }
        EXPECT_EQ(ranked, expected) << shortcut.displayName();
        for (const auto& note : snapshot.notes) {
            EXPECT_FALSE(note.starts_with("Keyboard Maestro") || note.starts_with("Karabiner") ||
                         note.find("快捷键偏好") != std::string::npos)
                << note;
        }
        const std::vector<std::string> order{"macOS 有效系统热键", "Keyboard Maestro 宏配置", "Karabiner 当前配置",
                                             "Rectangle 快捷键偏好", "Maccy 沙盒快捷键偏好", "Raycast 快捷键偏好",
                                             "系统当前键盘事件过滤器"};
        auto position = snapshot.checkedSources.begin();
        for (const auto& label : order) {
            position = std::find(position, snapshot.checkedSources.end(), label);
            ASSERT_NE(position, snapshot.checkedSources.end()) << label;
        }
    }
    const auto findings = scanner.scan(ShortcutSpec(40, control | option)).findings;
    const auto link = std::find_if(findings.begin(), findings.end(), [&](const Finding& f) { return f.id == markdownLink; });
    ASSERT_NE(link, findings.end());
    EXPECT_EQ(link->title, "Copy Link as Markdown");
    EXPECT_EQ(link->detail, "此宏有应用或激活条件（Mail、Safari）；当前是否生效需在 Keyboard Maestro 中核对。");
    EXPECT_EQ(link->sourceURL, Url::file(std::string(CHORDMAP_EXAMPLE_HOME) + "/" + keyboardMaestroFile));
}

TEST(DetectorScan, whileSecureInputIsOnItsNoteAndTheConsoleSessionsHolderComeFirst) {
    using Sessions = Value::Array;
    const auto session = [](Value onConsole, Value pid) {
        return Value(Value::Dictionary{{"kCGSSessionOnConsoleKey", onConsole}, {"kCGSSessionSecureInputPID", pid},
                                       {"kCGSSessionUserNameKey", "me"}});
    };
    const Value onePassword = Sessions{session(true, Value::integer(612))};
    const std::string onePasswordNote = "安全输入由 1Password（pid 612）开启；退出或锁定该应用后再检测。";
    struct Row {
        const char* name;
        bool secureInput;
        Value consoleUsers;
        std::vector<std::string> notesBeforeTheScans;
    };
    const Row rows[] = {
        {"off: no note, holder or not", false, onePassword, {}},
        {"on, no sessions", true, Value(), {secureNote}},
        {"on, held by an application", true, onePassword, {secureNote, onePasswordNote}},
        {"on, held by a process without application", true, Sessions{session(true, Value::integer(88))},
         {secureNote, "安全输入由 loginwindow（pid 88）开启；退出或锁定该应用后再检测。"}},
        {"holder has ended", true, Sessions{session(true, Value::integer(99))}, {secureNote}},
        {"console session found after others", true,
         Sessions{"not a session", session(false, Value::integer(88)), session(true, Value::integer(612))},
         {secureNote, onePasswordNote}},
        {"only another session names a holder", true,
         Sessions{session(false, Value::integer(612)), session(true, Value())}, {secureNote}},
        {"console flag not a boolean", true, Sessions{session(Value::integer(1), Value::integer(612))}, {secureNote}},
        {"pid as text", true, Sessions{session(true, "612")}, {secureNote}},
        {"pid 0", true, Sessions{session(true, Value::integer(0))}, {secureNote}},
        {"pid beyond 32 bits", true, Sessions{session(true, Value::integer(0x1'0000'0264))}, {secureNote}},
        {"sessions not an array", true, session(true, Value::integer(612)), {secureNote}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakePlatform platform;
        platform.symbolicHotKeys.list = {-1, std::nullopt};
        platform.processes.applicationsByBundleID["com.1password.1password"] = {
            {.pid = 612, .localizedName = "1Password", .executableURL = {}, .bundleID = "com.1password.1password",
             .bundleURL = {}, .isTerminated = false}};
        platform.processes.executablePaths = {{88, "/System/Library/CoreServices/loginwindow.app/Contents/MacOS/loginwindow"},
                                              {99, "/usr/local/bin/ended"}};
        platform.processes.livePids = {88};
        platform.secureInput.enabled = row.secureInput;
        platform.secureInput.sessions = row.consoleUsers;
        const ShortcutDetector detector(platform.services);

        const DetectionSnapshot snapshot = detector.scan(ShortcutSpec(49, modifier::command));
        std::vector<std::string> notes = row.notesBeforeTheScans;
        notes.insert(notes.end(), {"系统热键枚举失败（-1）。", caveat1, caveat2});
        EXPECT_EQ(snapshot.notes, notes);
        EXPECT_FALSE(snapshot.receivedKey);
    }
}

}  // namespace
}  // namespace chordmap
