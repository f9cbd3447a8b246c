#include "platform/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace chordmap {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

FileRead readRegularFile(const std::string& path, std::size_t limit) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {FileReadStatus::missing, {}};
    if (S_ISDIR(info.st_mode)) return {FileReadStatus::sizeUnavailable, {}};
    if (!S_ISREG(info.st_mode)) return {FileReadStatus::unreadable, {}};
    if (info.st_size < 0 || static_cast<std::size_t>(info.st_size) > limit) return {FileReadStatus::sizeUnavailable, {}};

    // O_NONBLOCK: should the path have been swapped for a FIFO since the
    // check above, opening it must not wait for a writer.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) return {FileReadStatus::unreadable, {}};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {FileReadStatus::unreadable, {}};
    if (info.st_size < 0 || static_cast<std::size_t>(info.st_size) > limit) return {FileReadStatus::sizeUnavailable, {}};

    std::string bytes;
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() == limit) break;
            // The file may have grown since fstat: keep reading, up to the limit.
            bytes.resize(std::min(limit, std::max<std::size_t>(bytes.size() * 2, 4096)));
        }
        const ssize_t n = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {FileReadStatus::unreadable, {}};
        }
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
    }
    if (filled == limit) {
        // One probe byte tells a file that grew past the limit (or misreports
        // its size, like /proc files) from one that ends exactly there.
        char probe;
        ssize_t n;
        while ((n = ::read(file.get(), &probe, 1)) < 0 && errno == EINTR) {
        }
        if (n != 0) return {FileReadStatus::sizeUnavailable, {}};
    }
    bytes.resize(filled);
    return {FileReadStatus::read, std::move(bytes)};
}

std::optional<std::string> accountHomeDirectory() {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (!found || !found->pw_dir || !*found->pw_dir) return std::nullopt;
    return std::string(found->pw_dir);
}

}  // namespace chordmap
