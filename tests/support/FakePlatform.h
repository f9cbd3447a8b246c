#pragma once

#include "platform/Platform.h"
#include "support/FakeEventTaps.h"
#include "support/FakeMainQueue.h"

#include <map>

namespace chordmap::testing {

// Platform services whose answers a test sets.
struct FakeHome final : HomeDirectory {
    std::string directory = "/nonexistent";
    std::string path() const override { return directory; }
};

struct FakeProcesses final : Processes {
    std::map<std::string, std::vector<RunningApplication>> applicationsByBundleID;
    std::map<std::string, Url> installedApplications;
    std::map<std::int32_t, std::string> executablePaths;
    std::vector<std::int32_t> livePids;
    std::int32_t self = 4242;
    std::optional<RunningApplication> front;
    std::vector<RunningApplication> regular;

    std::vector<RunningApplication> runningApplications(const std::string& bundleID) const override;
    std::optional<RunningApplication> runningApplication(std::int32_t pid) const override;
    std::optional<RunningApplication> frontmostApplication() const override { return front; }
    std::vector<RunningApplication> regularApplications() const override { return regular; }
    std::optional<Url> applicationURL(const std::string& bundleID) const override;
    std::optional<std::string> executablePath(std::int32_t pid) const override;
    bool processExists(std::int32_t pid) const override;
    std::int32_t ownPid() const override { return self; }
};

struct FakeSymbolicHotKeys final : SymbolicHotKeys {
    SymbolicHotKeyList list{0, std::vector<SymbolicHotKey>{}};
    SymbolicHotKeyList copySymbolicHotKeys() const override { return list; }
};

struct FakeEventTapList final : EventTapList {
    std::vector<EventTapInformation> taps;
    std::int32_t countError = 0;
    std::int32_t listError = 0;
    mutable std::vector<std::uint32_t> roomsAsked;
    EventTapListResult eventTapList(std::uint32_t room) const override;
};

struct FakeSecureInput final : SecureInput {
    bool enabled = false;
    Value sessions;
    bool isSecureEventInputEnabled() const override { return enabled; }
    Value consoleUsers() const override { return sessions; }
};

struct FixedClock final : WallClock {
    std::chrono::system_clock::time_point time{};
    std::chrono::system_clock::time_point now() const override { return time; }
};

// Records what the program asked the desktop to open or show.
struct FakeWorkspace final : Workspace {
    mutable std::vector<Url> openedURLs;
    mutable std::vector<std::vector<Url>> revealedFiles;
    // Paths that have an icon, drawn in one colour (ARGB).
    std::map<std::string, std::uint32_t> iconColours;
    bool openSucceeds = true;

    bool openURL(const Url& url) const override;
    void activateFileViewerSelectingURLs(const std::vector<Url>& urls) const override { revealedFiles.push_back(urls); }
    std::optional<IconImage> iconForFile(const std::string& path, int size) const override;
};

struct FakeInputMonitoring final : InputMonitoring {
    mutable bool granted = true;  // a request may grant it
    bool grantOnRequest = false;
    mutable int requests = 0;

    bool preflightListenEventAccess() const override { return granted; }
    bool requestListenEventAccess() const override;
};

struct FakePlatform {
    FakeHome home;
    FakeProcesses processes;
    FakeSymbolicHotKeys symbolicHotKeys;
    FakeEventTapList eventTapList;
    FakeSecureInput secureInput;
    FixedClock clock;
    FakeEventTaps eventTaps;
    FakeMainQueue mainQueue;
    FakeWorkspace workspace;
    FakeInputMonitoring inputMonitoring;
    Platform services{home,       processes, symbolicHotKeys, eventTapList, secureInput,
                      clock,      eventTaps, mainQueue,       workspace,    inputMonitoring};
};

}  // namespace chordmap::testing
