#pragma once

#include "model/Value.h"
#include "platform/Platform.h"

namespace chordmap::linux_platform {

// Stand-ins that make the program useful on a copy of a macOS home directory.

class Home final : public HomeDirectory {
public:
    std::string path() const override;  // $HOME when set and not empty, else the password database
};

class LinuxProcesses final : public Processes {
public:
    std::vector<RunningApplication> runningApplications(const std::string&) const override { return {}; }
    std::optional<RunningApplication> runningApplication(std::int32_t) const override { return std::nullopt; }
    std::optional<Url> applicationURL(const std::string&) const override { return std::nullopt; }
    std::optional<std::string> executablePath(std::int32_t pid) const override;
    bool processExists(std::int32_t pid) const override;
    std::int32_t ownPid() const override;
};

// The symbolic hotkeys as macOS stores them, read from the preference file
// under a home directory.
class SymbolicHotKeysFile final : public SymbolicHotKeys {
public:
    explicit SymbolicHotKeysFile(const HomeDirectory& home) : home_(home) {}
    SymbolicHotKeyList copySymbolicHotKeys() const override;

private:
    const HomeDirectory& home_;
};

// Keyboard filters: processes holding /dev/uinput (they can inject and so
// filter keys) and listeners holding only /dev/input/event* devices.
class ProcKeyboardDevices final : public EventTapList {
public:
    explicit ProcKeyboardDevices(std::string procRoot = "/proc") : procRoot_(std::move(procRoot)) {}
    EventTapListResult eventTapList(std::uint32_t room) const override;

private:
    std::string procRoot_;
};

class NoSecureInput final : public SecureInput {
public:
    bool isSecureEventInputEnabled() const override { return false; }
    Value consoleUsers() const override { return {}; }
};

class SystemWallClock final : public WallClock {
public:
    std::chrono::system_clock::time_point now() const override { return std::chrono::system_clock::now(); }
};

// The taps of a process without an event loop (the command line): every tap
// is refused. The window observes keys on X11 (platform/x11).
class NoEventTaps final : public EventTaps {
public:
    std::unique_ptr<EventTap> createTap(TapLocation, std::uint64_t, TapCallback) override { return nullptr; }
};

// The main queue of a process that runs no event loop (the command line):
// queued work never runs and timers never fire.
class NoEventLoop final : public MainQueue {
public:
    bool isMainThread() const override;  // the thread whose id is the process id
    void async(Task) override {}
    std::unique_ptr<ScheduledTask> asyncAfter(std::chrono::nanoseconds, Task) override;
    std::unique_ptr<RepeatingTimer> repeatingTimer(std::chrono::nanoseconds, std::chrono::nanoseconds, Task) override;
};

// Entries of the symbolic-hotkeys preference document, in ascending id order.
SymbolicHotKeyList symbolicHotKeys(const Value& preferences);

}  // namespace chordmap::linux_platform
