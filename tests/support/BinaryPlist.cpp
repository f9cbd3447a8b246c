#include "support/BinaryPlist.h"

namespace chordmap::testing {
namespace {

std::string marker(unsigned type, std::uint64_t count) {
    if (count < 15) return std::string(1, static_cast<char>((type << 4) | count));
    return std::string(1, static_cast<char>((type << 4) | 0xF)) + "\x13" + bigEndian(count, 8);
}

}  // namespace

std::string bigEndian(std::uint64_t value, int width) {
    std::string out;
    for (int i = width - 1; i >= 0; --i) out += static_cast<char>(i >= 8 ? 0 : (value >> (8 * i)) & 0xFF);
    return out;
}

std::string utf16Object(std::u16string_view text) {
    std::string out = marker(0x6, text.size());
    for (const char16_t c : text) out += bigEndian(c, 2);
    return out;
}

std::uint32_t BinaryPlist::raw(std::string bytes) {
    objects_.push_back(std::move(bytes));
    return static_cast<std::uint32_t>(objects_.size() - 1);
}

std::uint32_t BinaryPlist::integer(std::uint64_t value) { return raw("\x13" + bigEndian(value, 8)); }

std::uint32_t BinaryPlist::boolean(bool value) { return raw(value ? "\x09" : "\x08"); }

std::uint32_t BinaryPlist::string(const std::string& ascii) { return raw(marker(0x5, ascii.size()) + ascii); }

std::uint32_t BinaryPlist::utf16(std::u16string_view text) { return raw(utf16Object(text)); }

std::uint32_t BinaryPlist::dictionary(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries) {
    std::vector<std::uint32_t> keys, values;
    for (const auto& [key, value] : entries) {
        keys.push_back(key);
        values.push_back(value);
    }
    return container(0xD, keys, values);
}

std::uint32_t BinaryPlist::container(unsigned type, const std::vector<std::uint32_t>& first,
                                     const std::vector<std::uint32_t>& second) {
    std::string out = marker(type, first.size());
    for (const auto reference : first) out += bigEndian(reference, referenceSize_);
    for (const auto reference : second) out += bigEndian(reference, referenceSize_);
    return raw(out);
}

std::string BinaryPlist::bytes(std::uint32_t top) const {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const auto& object : objects_) {
        offsets.push_back(out.size());
        out += object;
    }
    const std::uint64_t tableOffset = out.size();
    for (const auto offset : offsets) out += bigEndian(offset, offsetSize_);
    out += std::string(6, '\0');
    out += static_cast<char>(offsetSize_);
    out += static_cast<char>(referenceSize_);
    return out + bigEndian(objects_.size(), 8) + bigEndian(top, 8) + bigEndian(tableOffset, 8);
}

}  // namespace chordmap::testing
