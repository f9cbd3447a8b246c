#include "formats/Documents.h"
#include "platform/FileAccess.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace chordmap {
namespace {

using testing::FakeHome;
using testing::TemporaryDirectory;
namespace fs = std::filesystem;

SymbolicHotKeyList hotKeysOf(const std::string& xmlDictionaryBody) {
    const auto document = parsePropertyList("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>" + xmlDictionaryBody +
                                            "</dict></plist>");
    EXPECT_TRUE(document);
    return linux_platform::symbolicHotKeys(document ? *document : Value());
}

std::string entry(const std::string& id, const std::string& enabled, const std::string& parameters) {
    return "<key>" + id + "</key><dict>" + enabled + "<key>value</key><dict><key>parameters</key><array>" + parameters +
           "</array></dict></dict>";
}

TEST(SymbolicHotKeysStandIn, listsNumericIdsInAscendingOrderConvertingFlagsToCarbon) {
    const std::string on = "<key>enabled</key><true/>";
    const auto list = hotKeysOf("<key>AppleSymbolicHotKeys</key><dict>" +
                                entry("64", on, "<integer>32</integer><integer>49</integer><integer>1048576</integer>") +
                                entry("7", "<key>enabled</key><integer>0</integer>",
                                      "<integer>65535</integer><integer>120</integer><integer>8650752</integer>") +
                                entry("abc", on, "<integer>1</integer><integer>2</integer><integer>3</integer>") +
                                entry("١٢", on, "<integer>1</integer><integer>2</integer><integer>3</integer>") +
                                entry("30", on, "<integer>1</integer><integer>2</integer>") +
                                entry("31", on, "<integer>1</integer><real>2</real><integer>3</integer>") +
                                entry("40", "", "<integer>1</integer><integer>2</integer><integer>3</integer>") +
                                entry("41", "<key>enabled</key><string>yes</string>",
                                      "<integer>1</integer><integer>2</integer><integer>3</integer>") +
                                "</dict>");
    EXPECT_EQ(list.status, 0);
    ASSERT_TRUE(list.entries);
    ASSERT_EQ(list.entries->size(), 4u);
    const auto& e = *list.entries;
    // 7: fn + control + numeric pad -> Carbon fn + control; numeric pad dropped.
    EXPECT_EQ(e[0].code, 120u);
    EXPECT_EQ(e[0].carbonModifiers, 0x20000u | 0x1000u);
    EXPECT_EQ(e[0].enabled, false);
    EXPECT_EQ(e[1].code, std::nullopt);  // 30: two parameters
    EXPECT_EQ(e[2].code, std::nullopt);  // 31: a real among them
    EXPECT_EQ(e[3].code, 49u);           // 64
    EXPECT_EQ(e[3].carbonModifiers, 0x100u);
    EXPECT_EQ(e[3].enabled, true);
}

TEST(SymbolicHotKeysStandIn, fileStatusFollowsThePreferenceFile) {
    TemporaryDirectory home;
    FakeHome fakeHome;
    fakeHome.directory = home.path();
    const linux_platform::SymbolicHotKeysFile hotKeys(fakeHome);

    EXPECT_EQ(hotKeys.copySymbolicHotKeys().status, -43);
    EXPECT_EQ(hotKeys.copySymbolicHotKeys().entries, std::nullopt);

    const std::string relative = "Library/Preferences/com.apple.symbolichotkeys.plist";
    home.write(relative, "<?xml version=\"1.0\"?><plist><dict><key>Other</key><true/></dict></plist>");
    EXPECT_EQ(hotKeys.copySymbolicHotKeys().status, 0);
    EXPECT_EQ(hotKeys.copySymbolicHotKeys().entries, std::nullopt);

    home.write(relative, "garbage");
    EXPECT_EQ(hotKeys.copySymbolicHotKeys().status, 0);
    EXPECT_EQ(hotKeys.copySymbolicHotKeys().entries, std::nullopt);

    home.write(relative, std::string(4'000'001, ' '));
    EXPECT_EQ(hotKeys.copySymbolicHotKeys().status, 0);
    EXPECT_EQ(hotKeys.copySymbolicHotKeys().entries, std::nullopt);
}

TEST(KeyboardDevicesStandIn, injectorsAreFiltersAndReadersAreListenOnly) {
    TemporaryDirectory proc;
    auto descriptor = [&](const std::string& pid, const std::string& fd, const std::string& target) {
        fs::create_directories(proc.path() + "/" + pid + "/fd");
        fs::create_symlink(target, proc.path() + "/" + pid + "/fd/" + fd);
    };
    descriptor("120", "3", "/dev/uinput");
    descriptor("120", "4", "/dev/input/event3");
    descriptor("121", "7", "/dev/input/event0");
    descriptor("122", "1", "/dev/null");
    descriptor(std::to_string(::getpid()), "9", "/dev/uinput");
    fs::create_directories(proc.path() + "/self/fd");
    fs::create_directories(proc.path() + "/123");  // descriptors unreadable: skipped

    const linux_platform::ProcKeyboardDevices devices(proc.path());
    const EventTapListResult counted = devices.eventTapList(0);
    EXPECT_EQ(counted.error, 0);
    EXPECT_EQ(counted.count, 2u);
    EXPECT_TRUE(counted.taps.empty());

    auto listed = devices.eventTapList(16).taps;
    std::sort(listed.begin(), listed.end(), [](auto& a, auto& b) { return a.tappingProcess < b.tappingProcess; });
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].tappingProcess, 120);
    EXPECT_EQ(listed[0].options, 0u);
    EXPECT_EQ(listed[1].tappingProcess, 121);
    EXPECT_EQ(listed[1].options, 1u);
    for (const auto& tap : listed) {
        EXPECT_TRUE(tap.enabled);
        EXPECT_EQ(tap.eventsOfInterest, 0xC00u);
    }
    EXPECT_EQ(devices.eventTapList(1).taps.size(), 1u);
    EXPECT_NE(linux_platform::ProcKeyboardDevices(proc.path() + "/absent").eventTapList(0).error, 0);
}

// HOME first; without it the account's home; a relative one anchored at the
// working directory, so file URLs stay absolute.
TEST(HomeStandIn, homeFromTheEnvironmentOrTheAccount) {
    const char* saved = std::getenv("HOME");
    const std::string original = saved ? saved : "";
    const linux_platform::Home home;
    ::setenv("HOME", "/somewhere/else", 1);
    EXPECT_EQ(home.path(), "/somewhere/else");
    ::setenv("HOME", "relative", 1);
    EXPECT_EQ(home.path(), fs::current_path().string() + "/relative");
    ::unsetenv("HOME");
    const std::optional<std::string> account = accountHomeDirectory();
    ASSERT_TRUE(account);
    EXPECT_EQ(home.path(), *account);
    EXPECT_EQ(*account, ::getpwuid(::getuid())->pw_dir);
    if (saved) ::setenv("HOME", original.c_str(), 1);
}

}  // namespace
}  // namespace chordmap
