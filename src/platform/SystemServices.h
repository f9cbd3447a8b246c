#pragma once

#include "model/Value.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace chordmap {

// The current user's home directory, as an absolute path.
class HomeDirectory {
public:
    virtual ~HomeDirectory() = default;
    virtual std::string path() const = 0;
};

// One symbolic hotkey as the system lists it. A field is none when the entry
// lacks it or it is not a number.
struct SymbolicHotKey {
    std::optional<std::uint64_t> code;
    std::optional<std::uint64_t> carbonModifiers;
    std::optional<bool> enabled;
};

struct SymbolicHotKeyList {
    std::int32_t status = 0;                             // OSStatus, 0 for success
    std::optional<std::vector<SymbolicHotKey>> entries;  // none: no usable array
};

class SymbolicHotKeys {
public:
    virtual ~SymbolicHotKeys() = default;
    virtual SymbolicHotKeyList copySymbolicHotKeys() const = 0;
};

// One record of the system's list of running event taps.
struct EventTapInformation {
    std::int32_t tappingProcess = 0;
    bool enabled = false;
    std::uint32_t options = 0;  // bit 0: listen-only
    std::uint64_t eventsOfInterest = 0;
};

struct EventTapListResult {
    std::int32_t error = 0;                 // 0 for success
    std::uint32_t count = 0;                // taps that exist now
    std::vector<EventTapInformation> taps;  // at most the room asked for
};

class EventTapList {
public:
    virtual ~EventTapList() = default;
    // room 0 asks only for the count.
    virtual EventTapListResult eventTapList(std::uint32_t room) const = 0;
};

class SecureInput {
public:
    virtual ~SecureInput() = default;
    virtual bool isSecureEventInputEnabled() const = 0;
    // The IOKit registry root's "IOConsoleUsers": one dictionary per login
    // session, the console's naming the process that holds secure input.
    // Null when the system has none.
    virtual Value consoleUsers() const = 0;
};

class WallClock {
public:
    virtual ~WallClock() = default;
    virtual std::chrono::system_clock::time_point now() const = 0;
};

}  // namespace chordmap
