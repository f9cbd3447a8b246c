#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap::testing {

// Writes binary property lists object by object, so tests can make any
// shape, hostile ones included (cycles, shared subtrees, bad counts).
class BinaryPlist {
public:
    // Offsets and references this many bytes wide (9 makes a malformed list).
    explicit BinaryPlist(int offsetSize = 8, int referenceSize = 4)
        : offsetSize_(offsetSize), referenceSize_(referenceSize) {}

    std::uint32_t integer(std::uint64_t value);
    std::uint32_t boolean(bool value);
    std::uint32_t string(const std::string& ascii);
    std::uint32_t utf16(std::u16string_view text);
    std::uint32_t array(const std::vector<std::uint32_t>& references) { return container(0xA, references, {}); }
    std::uint32_t set(const std::vector<std::uint32_t>& references) { return container(0xC, references, {}); }
    std::uint32_t dictionary(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries);
    // An object whose bytes the test gives as they are.
    std::uint32_t raw(std::string bytes);

    std::string bytes(std::uint32_t top) const;

private:
    std::uint32_t container(unsigned type, const std::vector<std::uint32_t>& first,
                            const std::vector<std::uint32_t>& second);

    int offsetSize_, referenceSize_;
    std::vector<std::string> objects_;
};

// `width` bytes of `value`, most significant first (zeros beyond 8 bytes).
std::string bigEndian(std::uint64_t value, int width);
// The bytes of a UTF-16 string object.
std::string utf16Object(std::u16string_view text);

}  // namespace chordmap::testing
