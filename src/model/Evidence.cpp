#include "model/Evidence.h"

#include "model/Text.h"
#include "platform/Processes.h"

#include <algorithm>

namespace chordmap {

std::string_view text(EvidenceLevel level) {
    switch (level) {
        case EvidenceLevel::observedRecipient: return "observedRecipient";
        case EvidenceLevel::systemBinding: return "systemBinding";
        case EvidenceLevel::configuration: return "configuration";
        case EvidenceLevel::conditionalConfiguration: return "conditionalConfiguration";
        case EvidenceLevel::nearbyEvent: return "nearbyEvent";
        case EvidenceLevel::listener: return "listener";
    }
    return "listener";
}

std::optional<EvidenceLevel> evidenceLevel(std::string_view name) {
    for (EvidenceLevel level : allEvidenceLevels) {
        if (text(level) == name) return level;
    }
    return std::nullopt;
}

AppIdentity AppIdentity::known(const Processes& processes, const std::string& name, const std::string& bundleID) {
    const auto running = processes.runningApplications(bundleID);
    if (!running.empty()) return process(processes, running.front().pid);
    return AppIdentity{
        .name = name,
        .pid = std::nullopt,
        .bundleID = bundleID,
        .bundleURL = processes.applicationURL(bundleID),
        .isRunning = false,
    };
}

AppIdentity AppIdentity::process(const Processes& processes, std::int32_t pid) {
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

std::optional<Finding> DetectionSnapshot::observedRecipient() const {
    auto it = std::find_if(findings.begin(), findings.end(),
                           [](const Finding& f) { return f.level == EvidenceLevel::observedRecipient; });
    if (it == findings.end()) return std::nullopt;
    return *it;
}

}  // namespace chordmap
