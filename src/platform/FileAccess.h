#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace chordmap {

// The most a configuration file may hold to be read.
inline constexpr std::size_t configurationSizeLimit = 4'000'000;

enum class FileReadStatus {
    missing,          // nothing at the path (links followed)
    sizeUnavailable,  // over the limit, or no file size (a directory)
    unreadable,       // not a regular file, or opening or reading failed
    read,
};

struct FileRead {
    FileReadStatus status = FileReadStatus::missing;
    std::string bytes;
};

// Reads a regular file whole, never more than `limit` bytes, even when the
// file grows while it is read; a FIFO or device never blocks.
FileRead readRegularFile(const std::string& path, std::size_t limit = configurationSizeLimit);

// The home directory the user database gives this process's user; none when
// it gives none. Safe on any thread (the map is read on a worker).
std::optional<std::string> accountHomeDirectory();

}  // namespace chordmap
