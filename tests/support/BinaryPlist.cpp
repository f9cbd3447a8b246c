#include "support/BinaryPlist.h"

namespace chordmap::testing {
namespace {

void appendBigEndian(std::string& out, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string marker(unsigned type, std::uint64_t count) {
    std::string out;
    if (count < 15) {
        out += static_cast<char>((type << 4) | count);
    } else {
        out += static_cast<char>((type << 4) | 0xF);
        out += static_cast<char>(0x13);  // 8-byte integer follows
        appendBigEndian(out, count, 8);
    }
    return out;
}

}  // namespace

std::uint32_t BinaryPlist::raw(std::string bytes) {
    objects_.push_back(std::move(bytes));
    return static_cast<std::uint32_t>(objects_.size() - 1);
}

std::uint32_t BinaryPlist::integer(std::uint64_t value) {
    std::string out(1, static_cast<char>(0x13));
    appendBigEndian(out, value, 8);
    return raw(out);
}

std::uint32_t BinaryPlist::boolean(bool value) { return raw(std::string(1, static_cast<char>(value ? 0x09 : 0x08))); }

std::uint32_t BinaryPlist::string(const std::string& ascii) { return raw(marker(0x5, ascii.size()) + ascii); }

std::string BinaryPlist::arrayBytes(const std::vector<std::uint32_t>& references) {
    std::string out = marker(0xA, references.size());
    for (auto ref : references) appendBigEndian(out, ref, 4);
    return out;
}

std::uint32_t BinaryPlist::array(const std::vector<std::uint32_t>& references) { return raw(arrayBytes(references)); }

std::uint32_t BinaryPlist::dictionary(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries) {
    std::string out = marker(0xD, entries.size());
    for (const auto& entry : entries) appendBigEndian(out, entry.first, 4);
    for (const auto& entry : entries) appendBigEndian(out, entry.second, 4);
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
    for (auto offset : offsets) appendBigEndian(out, offset, 8);
    out += std::string(6, '\0');
    out += static_cast<char>(8);  // offset size
    out += static_cast<char>(4);  // reference size
    appendBigEndian(out, objects_.size(), 8);
    appendBigEndian(out, top, 8);
    appendBigEndian(out, tableOffset, 8);
    return out;
}

}  // namespace chordmap::testing
