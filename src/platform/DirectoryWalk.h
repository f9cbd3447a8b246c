#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

namespace chordmap {

// A depth-first walk that reports the regular files below a directory.
// Hidden entries (names beginning with a dot) are skipped, and so is every
// entry whose name is one of `skippedNames`, with everything below it.
// Links to files are reported (a link to a FIFO or a device is not); links
// to directories are not followed, so a link loop cannot make the walk
// repeat itself. A subdirectory that cannot be read is skipped silently.
// Entries of one directory come in byte order of their names.
class DirectoryWalk {
public:
    // None when the directory cannot be opened.
    static std::optional<DirectoryWalk> open(const std::string& directory, std::set<std::string> skippedNames);

    ~DirectoryWalk();
    DirectoryWalk(DirectoryWalk&&) noexcept;
    DirectoryWalk& operator=(DirectoryWalk&&) noexcept;

    // The path of the next regular file (the directory's path joined with
    // the names below it, links not resolved); none at the end.
    std::optional<std::string> next();

private:
    struct State;
    explicit DirectoryWalk(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// The path with every symbolic link in it resolved; none when it cannot be
// resolved (nothing there, a loop, no permission).
std::optional<std::string> resolvedPath(const std::string& path);

}  // namespace chordmap
