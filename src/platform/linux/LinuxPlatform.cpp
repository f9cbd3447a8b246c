#include "platform/linux/LinuxPlatform.h"

#include "formats/Documents.h"
#include "platform/FileAccess.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <map>
#include <memory>

namespace chordmap::linux_platform {
namespace {

constexpr std::int32_t fileNotFound = -43;  // fnfErr, as CopySymbolicHotKeys would report

std::optional<std::string> readLink(const std::string& path) {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n <= 0) return std::nullopt;
    buffer.resize(static_cast<std::size_t>(n));
    return buffer;
}

std::optional<std::uint64_t> asciiDigits(std::string_view text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{}) return std::nullopt;
    return value;
}

std::uint64_t carbonFromEventFlags(std::uint64_t flags) {
    std::uint64_t carbon = 0;
    if (flags & 0x20000) carbon |= 0x200;
    if (flags & 0x40000) carbon |= 0x1000;
    if (flags & 0x80000) carbon |= 0x800;
    if (flags & 0x100000) carbon |= 0x100;
    if (flags & 0x800000) carbon |= 0x20000;
    return carbon;
}

// Enabled flag of a stored entry: a boolean or an integer.
std::optional<bool> enabledFlag(const Value* value) {
    if (!value) return std::nullopt;
    if (auto b = value->boolean()) return b;
    if (value->isInteger()) return *value->number() != 0;
    return std::nullopt;
}

struct DirectoryCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using Directory = std::unique_ptr<DIR, DirectoryCloser>;

}  // namespace

std::string Home::path() const {
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable && *variable) {
        home = variable;
    } else if (std::optional<std::string> account = accountHomeDirectory()) {
        home = std::move(*account);
    } else {
        return "/";
    }
    // A relative HOME would make relative file URLs; anchor it at the working directory.
    if (home.front() != '/') {
        std::string cwd(4096, '\0');
        if (::getcwd(cwd.data(), cwd.size())) home = std::string(cwd.c_str()) + "/" + home;
    }
    return home;
}

std::optional<std::string> LinuxProcesses::executablePath(std::int32_t pid) const {
    if (pid <= 0) return std::nullopt;
    return readLink("/proc/" + std::to_string(pid) + "/exe");
}

bool LinuxProcesses::processExists(std::int32_t pid) const { return ::kill(pid, 0) == 0; }

std::int32_t LinuxProcesses::ownPid() const { return static_cast<std::int32_t>(::getpid()); }

SymbolicHotKeyList symbolicHotKeys(const Value& preferences) {
    const Value* table = preferences.find("AppleSymbolicHotKeys");
    if (!table || !table->dictionary()) return {0, std::nullopt};

    std::map<std::uint64_t, const Value*> byId;
    for (const auto& [id, entry] : *table->dictionary()) {
        if (auto number = asciiDigits(id)) byId.emplace(*number, &entry);
    }
    std::vector<SymbolicHotKey> entries;
    for (const auto& [id, entry] : byId) {
        auto enabled = enabledFlag(entry->find("enabled"));
        if (!enabled) continue;
        SymbolicHotKey hotKey{.code = std::nullopt, .carbonModifiers = std::nullopt, .enabled = enabled};
        const Value* parameters = entry->find("value") ? entry->find("value")->find("parameters") : nullptr;
        const Value::Array* list = parameters ? parameters->array() : nullptr;
        if (list && list->size() == 3 &&
            std::all_of(list->begin(), list->end(), [](const Value& v) { return v.isInteger(); })) {
            hotKey.code = (*list)[1].number();
            hotKey.carbonModifiers = carbonFromEventFlags(*(*list)[2].number());
        }
        entries.push_back(hotKey);
    }
    return {0, std::move(entries)};
}

SymbolicHotKeyList SymbolicHotKeysFile::copySymbolicHotKeys() const {
    const std::string path = home_.path() + "/Library/Preferences/com.apple.symbolichotkeys.plist";
    FileRead file = readRegularFile(path);
    if (file.status == FileReadStatus::missing) return {fileNotFound, std::nullopt};
    if (file.status != FileReadStatus::read) return {0, std::nullopt};
    auto document = parsePropertyList(file.bytes);
    if (!document) return {0, std::nullopt};
    return symbolicHotKeys(*document);
}

EventTapListResult ProcKeyboardDevices::eventTapList(std::uint32_t room) const {
    constexpr std::int32_t failure = 1000;  // kCGErrorFailure
    Directory proc(::opendir(procRoot_.c_str()));
    if (!proc) return {failure, 0, {}};

    const auto self = static_cast<std::int32_t>(::getpid());
    std::vector<EventTapInformation> found;
    while (const dirent* process = ::readdir(proc.get())) {
        auto pid = asciiDigits(process->d_name);
        if (!pid || *pid == 0 || *pid > 0x7FFFFFFF || static_cast<std::int32_t>(*pid) == self) continue;
        const std::string fdPath = procRoot_ + "/" + process->d_name + "/fd";
        Directory descriptors(::opendir(fdPath.c_str()));
        if (!descriptors) continue;  // another user's process
        bool injects = false, listens = false;
        while (const dirent* fd = ::readdir(descriptors.get())) {
            if (fd->d_name[0] == '.') continue;
            auto target = readLink(fdPath + "/" + fd->d_name);
            if (!target) continue;
            if (*target == "/dev/uinput") injects = true;
            if (target->starts_with("/dev/input/event")) listens = true;
        }
        if (injects || listens) {
            found.push_back({.tappingProcess = static_cast<std::int32_t>(*pid),
                             .enabled = true,
                             .options = injects ? 0u : 1u,
                             .eventsOfInterest = 0xC00});
        }
    }
    EventTapListResult result{0, static_cast<std::uint32_t>(found.size()), {}};
    if (found.size() > room) found.resize(room);
    result.taps = std::move(found);
    return result;
}

namespace {

struct NeverRuns final : ScheduledTask, RepeatingTimer {
    void cancel() override {}
    void invalidate() override {}
};

}  // namespace

bool NoEventLoop::isMainThread() const { return ::gettid() == ::getpid(); }

std::unique_ptr<ScheduledTask> NoEventLoop::asyncAfter(std::chrono::nanoseconds, Task) {
    return std::make_unique<NeverRuns>();
}

std::unique_ptr<RepeatingTimer> NoEventLoop::repeatingTimer(std::chrono::nanoseconds, std::chrono::nanoseconds, Task) {
    return std::make_unique<NeverRuns>();
}

}  // namespace chordmap::linux_platform

namespace chordmap {

const Platform& systemPlatform() {
    static const linux_platform::Home home;
    static const linux_platform::LinuxProcesses processes;
    static const linux_platform::SymbolicHotKeysFile symbolicHotKeys(home);
    static const linux_platform::ProcKeyboardDevices tapList;
    static const linux_platform::NoSecureInput secureInput;
    static const linux_platform::SystemWallClock clock;
    static linux_platform::NoEventTaps eventTaps;
    static linux_platform::NoEventLoop mainQueue;
    static const Platform platform{home, processes, symbolicHotKeys, tapList, secureInput, clock, eventTaps, mainQueue};
    return platform;
}

}  // namespace chordmap
