#include "platform/DirectoryWalk.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace chordmap {
namespace {

struct Frame {
    std::string path;
    std::vector<std::string> names;
    std::size_t index = 0;
};

std::string joined(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

}  // namespace

struct DirectoryWalk::State {
    std::set<std::string> skippedNames;
    std::vector<Frame> stack;
    // Directories already entered, so that a bind mount that contains itself
    // is not walked again.
    std::set<std::pair<dev_t, ino_t>> entered;

    // The names of the entries of a directory the walk looks at, sorted.
    std::optional<std::vector<std::string>> listing(const std::string& path) const {
        DIR* directory = ::opendir(path.c_str());
        if (!directory) return std::nullopt;
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(directory)) {
            std::string name = entry->d_name;
            if (name.empty() || name.front() == '.' || skippedNames.contains(name)) continue;
            names.push_back(std::move(name));
        }
        ::closedir(directory);
        std::sort(names.begin(), names.end());
        return names;
    }

    bool enter(const std::string& path, const struct stat& info) {
        if (!entered.insert({info.st_dev, info.st_ino}).second) return false;
        auto names = listing(path);
        if (!names) return false;
        stack.push_back(Frame{path, std::move(*names), 0});
        return true;
    }
};

DirectoryWalk::DirectoryWalk(std::unique_ptr<State> state) : state_(std::move(state)) {}
DirectoryWalk::~DirectoryWalk() = default;
DirectoryWalk::DirectoryWalk(DirectoryWalk&&) noexcept = default;
DirectoryWalk& DirectoryWalk::operator=(DirectoryWalk&&) noexcept = default;

std::optional<DirectoryWalk> DirectoryWalk::open(const std::string& directory, std::set<std::string> skippedNames) {
    auto state = std::make_unique<State>();
    state->skippedNames = std::move(skippedNames);
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
    if (!state->enter(directory, info)) return std::nullopt;
    return DirectoryWalk(std::move(state));
}

std::optional<std::string> DirectoryWalk::next() {
    auto& stack = state_->stack;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.index == frame.names.size()) {
            stack.pop_back();
            continue;
        }
        std::string path = joined(frame.path, frame.names[frame.index++]);
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) continue;  // vanished meanwhile
        if (S_ISDIR(info.st_mode)) {
            state_->enter(path, info);  // unreadable: skipped
            continue;
        }
        if (S_ISLNK(info.st_mode) && ::stat(path.c_str(), &info) != 0) continue;
        if (S_ISREG(info.st_mode)) return path;
    }
    return std::nullopt;
}

std::optional<std::string> resolvedPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return std::nullopt;
    std::string out(resolved);
    std::free(resolved);
    return out;
}

}  // namespace chordmap
