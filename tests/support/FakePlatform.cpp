#include "support/FakePlatform.h"

#include <algorithm>

namespace chordmap::testing {

std::vector<RunningApplication> FakeProcesses::runningApplications(const std::string& bundleID) const {
    auto it = applicationsByBundleID.find(bundleID);
    return it == applicationsByBundleID.end() ? std::vector<RunningApplication>{} : it->second;
}

std::optional<RunningApplication> FakeProcesses::runningApplication(std::int32_t pid) const {
    for (const auto& [bundleID, applications] : applicationsByBundleID) {
        for (const auto& application : applications) {
            if (application.pid == pid) return application;
        }
    }
    return std::nullopt;
}

std::optional<Url> FakeProcesses::applicationURL(const std::string& bundleID) const {
    auto it = installedApplications.find(bundleID);
    if (it == installedApplications.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> FakeProcesses::executablePath(std::int32_t pid) const {
    auto it = executablePaths.find(pid);
    if (it == executablePaths.end()) return std::nullopt;
    return it->second;
}

bool FakeProcesses::processExists(std::int32_t pid) const {
    return std::find(livePids.begin(), livePids.end(), pid) != livePids.end();
}

EventTapListResult FakeEventTapList::eventTapList(std::uint32_t room) const {
    roomsAsked.push_back(room);
    if (room == 0) return {countError, static_cast<std::uint32_t>(taps.size()), {}};
    if (listError != 0) return {listError, 0, {}};
    std::vector<EventTapInformation> listed(taps.begin(), taps.begin() + std::min<std::size_t>(room, taps.size()));
    return {0, static_cast<std::uint32_t>(taps.size()), std::move(listed)};
}

bool FakeWorkspace::openURL(const Url& url) const {
    openedURLs.push_back(url);
    return openSucceeds;
}

std::optional<IconImage> FakeWorkspace::iconForFile(const std::string& path, int size) const {
    auto it = iconColours.find(path);
    if (it == iconColours.end() || size <= 0) return std::nullopt;
    return IconImage{size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), it->second)};
}

bool FakeInputMonitoring::requestListenEventAccess() const {
    ++requests;
    if (grantOnRequest) granted = true;
    return granted;
}

}  // namespace chordmap::testing
