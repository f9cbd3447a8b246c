#pragma once

#include "platform/Processes.h"

#include <mutex>

namespace chordmap {

// The running processes asked one question at a time: a scan's sources run
// on several threads, and the system's process queries are not promised to
// be safe to ask at once.
class SerializedProcesses final : public Processes {
public:
    explicit SerializedProcesses(const Processes& processes) : processes_(processes) {}

    std::vector<RunningApplication> runningApplications(const std::string& bundleID) const override {
        const std::lock_guard lock(mutex_);
        return processes_.runningApplications(bundleID);
    }
    std::optional<RunningApplication> runningApplication(std::int32_t pid) const override {
        const std::lock_guard lock(mutex_);
        return processes_.runningApplication(pid);
    }
    std::optional<RunningApplication> frontmostApplication() const override {
        const std::lock_guard lock(mutex_);
        return processes_.frontmostApplication();
    }
    std::vector<RunningApplication> regularApplications() const override {
        const std::lock_guard lock(mutex_);
        return processes_.regularApplications();
    }
    std::optional<Url> applicationURL(const std::string& bundleID) const override {
        const std::lock_guard lock(mutex_);
        return processes_.applicationURL(bundleID);
    }
    std::optional<std::string> executablePath(std::int32_t pid) const override {
        const std::lock_guard lock(mutex_);
        return processes_.executablePath(pid);
    }
    bool processExists(std::int32_t pid) const override {
        const std::lock_guard lock(mutex_);
        return processes_.processExists(pid);
    }
    std::int32_t ownPid() const override { return processes_.ownPid(); }

private:
    const Processes& processes_;
    mutable std::mutex mutex_;
};

}  // namespace chordmap
