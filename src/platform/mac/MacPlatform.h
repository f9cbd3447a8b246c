#pragma once

#include "platform/Platform.h"

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>

namespace chordmap::mac_platform {

// The native services of macOS behind the platform interfaces.

class Home final : public HomeDirectory {
public:
    std::string path() const override;  // NSFileManager's home of the current user, else the password database
};

// NSRunningApplication, NSWorkspace and the process calls.
class MacProcesses final : public Processes {
public:
    std::vector<RunningApplication> runningApplications(const std::string& bundleID) const override;
    std::optional<RunningApplication> runningApplication(std::int32_t pid) const override;
    std::optional<RunningApplication> frontmostApplication() const override;
    std::vector<RunningApplication> regularApplications() const override;
    std::optional<Url> applicationURL(const std::string& bundleID) const override;
    std::optional<std::string> executablePath(std::int32_t pid) const override;
    bool processExists(std::int32_t pid) const override;
    std::int32_t ownPid() const override;
};

// CopySymbolicHotKeys.
class CarbonSymbolicHotKeys final : public SymbolicHotKeys {
public:
    SymbolicHotKeyList copySymbolicHotKeys() const override;
};

// The entries of what CopySymbolicHotKeys returned; none unless it is an
// array whose every element is a dictionary with string keys.
std::optional<std::vector<SymbolicHotKey>> symbolicHotKeyEntries(CFTypeRef list);

// CGGetEventTapList.
class CoreGraphicsTapList final : public EventTapList {
public:
    EventTapListResult eventTapList(std::uint32_t room) const override;
};

// IsSecureEventInputEnabled, and the sessions of the IOKit registry root.
class CarbonSecureInput final : public SecureInput {
public:
    bool isSecureEventInputEnabled() const override;
    Value consoleUsers() const override;
};

class SystemWallClock final : public WallClock {
public:
    std::chrono::system_clock::time_point now() const override { return std::chrono::system_clock::now(); }
};

// Listen-only CoreGraphics event taps on the main run loop.
class CoreGraphicsEventTaps final : public EventTaps {
public:
    std::unique_ptr<EventTap> createTap(TapLocation location, std::uint64_t mask, TapCallback callback) override;
};

// The values a tap's callback reads from its event, which may be null (the
// notices of a disabled tap carry no event worth reading).
class CoreGraphicsTapEvent final : public TapEvent {
public:
    explicit CoreGraphicsTapEvent(CGEventRef event) : event_(event) {}
    std::int64_t keyCode() const override;
    std::int64_t autorepeat() const override;
    std::uint64_t flags() const override;
    std::uint64_t timestamp() const override;
    std::int64_t targetPid() const override;
    std::optional<std::int16_t> subtype() const override;

private:
    CGEventRef event_;
};

// The subtype of the event's AppKit view (NSEvent eventWithCGEvent:); none
// when there is no such view or its type carries no subtype.
std::optional<std::int16_t> appKitSubtype(CGEventRef event);

// The main dispatch queue and main run loop: what Qt's Cocoa event loop, or
// any NSApplication, runs. The command line runs neither, so there nothing
// queued ever runs.
class DispatchMainQueue final : public MainQueue {
public:
    bool isMainThread() const override;
    void async(Task task) override;
    std::unique_ptr<ScheduledTask> asyncAfter(std::chrono::nanoseconds delay, Task task) override;
    std::unique_ptr<RepeatingTimer> repeatingTimer(std::chrono::nanoseconds interval, std::chrono::nanoseconds tolerance,
                                                   Task action) override;
};

// NSWorkspace: links, the Finder, file icons.
class AppKitWorkspace final : public Workspace {
public:
    bool openURL(const Url& url) const override;
    void activateFileViewerSelectingURLs(const std::vector<Url>& urls) const override;
    std::optional<IconImage> iconForFile(const std::string& path, int size) const override;
};

// CGPreflightListenEventAccess, CGRequestListenEventAccess.
class CoreGraphicsInputMonitoring final : public InputMonitoring {
public:
    bool preflightListenEventAccess() const override;
    bool requestListenEventAccess() const override;
};

}  // namespace chordmap::mac_platform
