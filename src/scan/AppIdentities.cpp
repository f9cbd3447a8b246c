#include "scan/AppIdentities.h"

#include "model/Text.h"
#include "platform/Processes.h"

namespace chordmap {

AppIdentity knownApplication(const Processes& processes, const std::string& name, const std::string& bundleID) {
    const auto running = processes.runningApplications(bundleID);
    if (!running.empty()) return processIdentity(processes, running.front().pid);
    return AppIdentity{
        .name = name,
        .pid = std::nullopt,
        .bundleID = bundleID,
        .bundleURL = processes.applicationURL(bundleID),
        .isRunning = false,
    };
}

AppIdentity processIdentity(const Processes& processes, std::int32_t pid) {
    const std::string fallbackName = "进程 " + std::to_string(pid);
    if (auto app = processes.runningApplication(pid)) {
        std::string name = fallbackName;
        if (app->localizedName) {
            name = validUtf8(*app->localizedName);
        } else if (app->executableURL) {
            if (auto path = app->executableURL->path()) name = validUtf8(lastPathComponent(*path));
        }
        return AppIdentity{
            .name = std::move(name),
            .pid = pid,
            .bundleID = app->bundleID,
            .bundleURL = app->bundleURL,
            .isRunning = !app->isTerminated,
        };
    }
    const auto path = processes.executablePath(pid);
    return AppIdentity{
        .name = path && !path->empty() ? validUtf8(lastPathComponent(*path)) : fallbackName,
        .pid = pid,
        .bundleID = std::nullopt,
        .bundleURL = std::nullopt,
        .isRunning = processes.processExists(pid),
    };
}

}  // namespace chordmap
