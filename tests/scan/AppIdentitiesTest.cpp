#include "model/Evidence.h"
#include "scan/AppIdentities.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

using testing::FakeProcesses;

TEST(AppIdentity, processWithoutApplicationOrPathIsNamedByPid) {
    FakeProcesses processes;
    processes.livePids = {321};
    const AppIdentity alive = processIdentity(processes, 321);
    EXPECT_EQ(alive, (AppIdentity{.name = "进程 321", .pid = 321, .bundleID = {}, .bundleURL = {}, .isRunning = true}));
    EXPECT_FALSE(processIdentity(processes, 999).isRunning);
}

TEST(AppIdentity, processFallsBackToExecutableName) {
    FakeProcesses processes;
    processes.executablePaths[55] = "/usr/libexec/karabiner_grabber";
    processes.executablePaths[56] = "/opt/bad\xff/tool\xfe";
    EXPECT_EQ(processIdentity(processes, 55).name, "karabiner_grabber");
    EXPECT_EQ(processIdentity(processes, 56).name, "tool\uFFFD");
}

TEST(AppIdentity, runningApplicationNamesItself) {
    FakeProcesses processes;
    RunningApplication raycast{.pid = 900,
                               .localizedName = "Raycast",
                               .executableURL = Url::file("/Applications/Raycast.app/Contents/MacOS/Raycast"),
                               .bundleID = "com.raycast.macos",
                               .bundleURL = Url::file("/Applications/Raycast.app", true),
                               .isTerminated = false};
    RunningApplication unnamed = raycast;
    unnamed.pid = 901;
    unnamed.localizedName.reset();
    unnamed.isTerminated = true;
    RunningApplication anonymous = unnamed;
    anonymous.pid = 902;
    anonymous.executableURL.reset();
    processes.applicationsByBundleID["x"] = {raycast, unnamed, anonymous};

    const AppIdentity named = processIdentity(processes, 900);
    EXPECT_EQ(named.name, "Raycast");
    EXPECT_EQ(named.bundleID, "com.raycast.macos");
    EXPECT_TRUE(named.isRunning);
    EXPECT_EQ(processIdentity(processes, 901).name, "Raycast");  // executable's last component
    EXPECT_FALSE(processIdentity(processes, 901).isRunning);
    EXPECT_EQ(processIdentity(processes, 902).name, "进程 902");
}

TEST(AppIdentity, knownPrefersTheRunningInstanceElseTheInstalledOne) {
    FakeProcesses processes;
    const Url bundle = Url::file("/Applications/Raycast.app", true);
    processes.installedApplications.emplace("com.raycast.macos", bundle);

    EXPECT_EQ(knownApplication(processes, "Raycast", "com.raycast.macos"),
              (AppIdentity{.name = "Raycast", .pid = {}, .bundleID = "com.raycast.macos", .bundleURL = bundle,
                           .isRunning = false}));
    EXPECT_EQ(knownApplication(processes, "Maccy", "org.p0deje.Maccy").bundleURL, std::nullopt);

    processes.applicationsByBundleID["com.raycast.macos"] = {
        {.pid = 31, .localizedName = "Raycast Beta", .executableURL = {}, .bundleID = "com.raycast.macos",
         .bundleURL = bundle, .isTerminated = false},
        {.pid = 32, .localizedName = "Second", .executableURL = {}, .bundleID = {}, .bundleURL = {},
         .isTerminated = false},
    };
    EXPECT_EQ(knownApplication(processes, "Raycast", "com.raycast.macos"),
              (AppIdentity{.name = "Raycast Beta", .pid = 31, .bundleID = "com.raycast.macos", .bundleURL = bundle,
                           .isRunning = true}));
}

TEST(FrontApplication, aRunningApplicationByItsExecutableInsideItsBundle) {
    const auto app = [](std::optional<std::string> name, std::optional<std::string> bundleID,
                        std::optional<std::string> executable, std::optional<std::string> bundle) {
        return frontApplicationOf(RunningApplication{
            .pid = 1, .localizedName = std::move(name),
            .executableURL = executable ? std::optional(Url::file(*executable)) : std::nullopt,
            .bundleID = std::move(bundleID),
            .bundleURL = bundle ? std::optional(Url::file(*bundle, true)) : std::nullopt});
    };
    EXPECT_EQ(app("Safari", "com.apple.Safari", "/Applications/Safari.app/Contents/MacOS/Safari", "/Applications/Safari.app"),
              (FrontApplication{"com.apple.Safari", "Safari", "/Applications/Safari.app/Contents/MacOS/Safari"}));
    EXPECT_EQ(app(std::nullopt, std::nullopt, std::nullopt, "/Applications/Tool.app"),
              (FrontApplication{"", "Tool", "/Applications/Tool.app"}));
    EXPECT_EQ(app(std::nullopt, std::nullopt, "/usr/bin/kitty", std::nullopt), (FrontApplication{"", "kitty", "/usr/bin/kitty"}));
    EXPECT_EQ(app(std::nullopt, std::nullopt, std::nullopt, std::nullopt), std::nullopt) << "nothing to judge by";
}

TEST(DetectionSnapshot, observedRecipientIsTheFirstOfItsLevel) {
    auto finding = [](std::string id, EvidenceLevel level) {
        return Finding{.id = std::move(id), .level = level, .application = {}, .title = {}, .detail = {}, .sourceURL = {}};
    };
    DetectionSnapshot snapshot{.shortcut = {}, .findings = {}, .notes = {}, .checkedSources = {}, .observedAt = {},
                               .receivedKey = false};
    EXPECT_EQ(snapshot.observedRecipient(), std::nullopt);
    snapshot.findings = {finding("c", EvidenceLevel::configuration), finding("A", EvidenceLevel::observedRecipient),
                         finding("B", EvidenceLevel::observedRecipient)};
    ASSERT_TRUE(snapshot.observedRecipient());
    EXPECT_EQ(snapshot.observedRecipient()->id, "A");
}

}  // namespace
}  // namespace chordmap
