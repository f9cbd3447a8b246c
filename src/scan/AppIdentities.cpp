#include "scan/AppIdentities.h"

#include "model/Text.h"
#include "formats/Documents.h"
#include "platform/FileAccess.h"
#include "platform/Processes.h"
#include "scan/DictionaryLookup.h"

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

FrontApplication frontApplicationNamed(std::string_view bundleIDOrPath) {
    if (bundleIDOrPath.find('/') == std::string_view::npos) return {std::string(bundleIDOrPath), {}, {}};
    std::string path(bundleIDOrPath);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    std::string name = path.substr(path.rfind('/') + 1);
    FrontApplication front{{}, {}, path};
    if (name.ends_with(".app")) {
        name.resize(name.size() - 4);
        const FileRead info = readRegularFile(path + "/Contents/Info.plist");
        if (info.status == FileReadStatus::read) {
            if (const std::optional<Value> plist = parsePropertyList(info.bytes); plist && plist->dictionary()) {
                if (const std::string* bundleID = lookup::string(*plist->dictionary(), "CFBundleIdentifier"))
                    front.bundleID = *bundleID;
            }
        }
    }
    front.name = validUtf8(name);
    return front;
}

std::optional<FrontApplication> frontApplicationOf(const RunningApplication& application) {
    FrontApplication front{validUtf8(application.bundleID.value_or("")), {}, {}};
    for (const auto& url : {application.executableURL, application.bundleURL}) {
        std::optional<std::string> path = url ? url->path() : std::nullopt;
        if (!path || path->empty()) continue;
        while (path->size() > 1 && path->back() == '/') path->pop_back();
        front.path = std::move(*path);
        break;
    }
    if (application.localizedName) {
        front.name = validUtf8(*application.localizedName);
    } else if (!front.path.empty()) {
        std::string_view name = lastPathComponent(front.path);
        if (name.ends_with(".app")) name.remove_suffix(4);
        front.name = validUtf8(name);
    }
    if (front.bundleID.empty() && front.name.empty()) return std::nullopt;
    return front;
}

std::string displayName(const FrontApplication& front) {
    if (!front.name.empty()) return front.name;
    if (!front.bundleID.empty()) return front.bundleID;
    return validUtf8(lastPathComponent(front.path));
}

}  // namespace chordmap
