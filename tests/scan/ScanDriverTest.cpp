#include "observe/ShortcutDetector.h"
#include "platform/FileAccess.h"
#include "scan/Concurrently.h"
#include "scan/ConfigurationScanner.h"
#include "scan/LuaHotKeys.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <pthread.h>
#include <sys/stat.h>
#include <chrono>
#include <thread>

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

TEST(Concurrently, runsEveryJobOnceAndPassesOnTheFirstFailure) {
    std::vector<std::atomic<int>> runs(1000);
    runConcurrently(runs.size(), [&](std::size_t i) { ++runs[i]; });
    EXPECT_TRUE(std::all_of(runs.begin(), runs.end(), [](const std::atomic<int>& n) { return n == 1; }));
    std::atomic<int> ran{0};
    EXPECT_THROW(runConcurrently(50,
                                 [&](std::size_t i) {
                                     ++ran;
                                     if (i % 7 == 3) throw std::runtime_error("job failed");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(ran, 50);  // the others still ran
}

#if defined(__GLIBC__)
// macOS gives a thread 512 KB of stack by default, less than the readers need
// at their nesting limits; here the default is made as small, for the helpers
// not to rely on it.
TEST(Concurrently, helpersReadTheDeepestNestingWhateverTheDefaultStack) {
    if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one processor: no helper threads";
    pthread_attr_t saved, small;
    ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
    pthread_attr_init(&small);
    pthread_attr_setstacksize(&small, std::size_t{128} << 10);
    ASSERT_EQ(pthread_setattr_default_np(&small), 0);
    std::string deep = "hs.hotkey.bind(";
    for (int i = 0; i < 400; ++i) deep += "f(";
    const auto caller = std::this_thread::get_id();
    std::atomic<int> read{0};
    runConcurrently(2, [&](std::size_t) {
        if (std::this_thread::get_id() != caller) {
            forEachLuaHotKey(deep, [](const LuaHotKey&) {});
            ++read;
            return;
        }
        // Leave the other job to a helper.
        for (int wait = 0; read == 0 && wait < 10'000; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    pthread_setattr_default_np(&saved);
    EXPECT_GT(read, 0);
}
#endif

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
