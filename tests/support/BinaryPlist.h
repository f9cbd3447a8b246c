#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chordmap::testing {

// Writes binary property lists object by object, so tests can make any
// shape, hostile ones included (cycles, shared subtrees, bad counts).
class BinaryPlist {
public:
    std::uint32_t integer(std::uint64_t value);
    std::uint32_t boolean(bool value);
    std::uint32_t string(const std::string& ascii);
    std::uint32_t array(const std::vector<std::uint32_t>& references);
    std::uint32_t dictionary(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries);
    // An object whose bytes the test gives as they are.
    std::uint32_t raw(std::string bytes);
    // Replaces an object's bytes after the fact, e.g. to point back at a parent.
    void replace(std::uint32_t object, std::string bytes) { objects_[object] = std::move(bytes); }
    static std::string arrayBytes(const std::vector<std::uint32_t>& references);

    std::string bytes(std::uint32_t top) const;

private:
    std::vector<std::string> objects_;
};

}  // namespace chordmap::testing
