#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace chordmap {

// A URL kept in its absolute string form. File URLs percent-encode the raw
// bytes of the path, so any file name (valid UTF-8 or not) gives a valid URL.
class Url {
public:
    static Url file(std::string_view absolutePath, bool isDirectory = false);
    static Url fromString(std::string absolute) { return Url(std::move(absolute)); }

    const std::string& absoluteString() const { return text_; }
    bool isFile() const;
    // The decoded path of a file URL (raw bytes), none for other schemes.
    std::optional<std::string> path() const;

    bool operator==(const Url&) const = default;

private:
    explicit Url(std::string text) : text_(std::move(text)) {}
    std::string text_;
};

}  // namespace chordmap
