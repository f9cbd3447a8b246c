#pragma once

#include <string>
#include <string_view>

namespace chordmap::testing {

// A fresh directory for one test, removed with everything in it afterwards.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& path() const { return path_; }
    // Writes a file (creating parent folders) and returns its path.
    std::string write(const std::string& relative, std::string_view bytes) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);

}  // namespace chordmap::testing
