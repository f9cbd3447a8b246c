#pragma once

#include "model/Url.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace chordmap {

// What the system knows of a running application (an NSRunningApplication).
struct RunningApplication {
    std::int32_t pid = 0;
    std::optional<std::string> localizedName;
    std::optional<Url> executableURL;
    std::optional<std::string> bundleID;
    std::optional<Url> bundleURL;
    bool isTerminated = false;
};

// Running applications and processes.
class Processes {
public:
    virtual ~Processes() = default;
    virtual std::vector<RunningApplication> runningApplications(const std::string& bundleID) const = 0;
    virtual std::optional<RunningApplication> runningApplication(std::int32_t pid) const = 0;
    // The application in front, the one the keyboard goes to; none when the
    // system cannot tell. Main thread only.
    virtual std::optional<RunningApplication> frontmostApplication() const { return std::nullopt; }
    // The applications a user can switch to, in no particular order. Main
    // thread only.
    virtual std::vector<RunningApplication> regularApplications() const { return {}; }
    // Location of the installed application with this bundle identifier.
    virtual std::optional<Url> applicationURL(const std::string& bundleID) const = 0;
    // Executable path of any process (proc_pidpath); none when it cannot be told.
    virtual std::optional<std::string> executablePath(std::int32_t pid) const = 0;
    // kill(pid, 0) == 0
    virtual bool processExists(std::int32_t pid) const = 0;
    virtual std::int32_t ownPid() const = 0;
};

}  // namespace chordmap
