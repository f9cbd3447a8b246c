// Arbitrary bytes read as a binary property list both ways: the reader must
// agree with libplist's reading wherever both accept the document, once what
// the reader deliberately reads otherwise is taken out of it.
// With CHORDMAP_FUZZ_STRICT set, a document only one of them accepts stops
// the run too, to find where the two draw the line differently.
#include "fuzz/FuzzSupport.h"
#include "formats/Documents.h"
#include "support/ValueComparison.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

std::uint64_t bigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

bool isSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Replaces, in every string object, U+0000 and lone surrogates by spaces
// (libplist cuts, drops or aborts on them) and makes an empty UTF-16 string
// ASCII (libplist refuses it). Whether anything changed; none when the
// document is too malformed to tell.
std::optional<bool> takeOutDifferences(std::string& bytes) {
    const std::size_t trailer = bytes.size() - 32;
    const std::size_t offsetSize = static_cast<unsigned char>(bytes[trailer + 6]);
    const std::uint64_t count = bigEndian(bytes, trailer + 8, 8);
    const std::uint64_t table = bigEndian(bytes, trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || table > trailer || count > (trailer - table) / offsetSize) return std::nullopt;
    bool changed = false;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t offset = bigEndian(bytes, table + i * offsetSize, offsetSize);
        if (offset >= table) continue;
        const unsigned type = static_cast<unsigned char>(bytes[offset]) >> 4;
        if (type != 0x5 && type != 0x6) continue;
        std::uint64_t length = static_cast<unsigned char>(bytes[offset]) & 0xF, at = offset + 1;
        if (length == 0xF) {
            if (at >= table || (static_cast<unsigned char>(bytes[at]) >> 4) != 1) continue;
            const std::uint64_t width = std::uint64_t{1} << (bytes[at] & 0xF);
            if (width > 8 || width > table - at - 1) continue;
            length = bigEndian(bytes, at + 1, width);
            at += 1 + width;
        }
        if (bytes[offset] == '\x60') {
            bytes[offset] = '\x50';
            changed = true;
        }
        const std::uint64_t unit = type == 0x6 ? 2 : 1;
        if (length > (table - at) / unit) continue;
        const auto character = [&](std::uint64_t k) {
            return unit == 1 ? static_cast<unsigned char>(bytes[at + k])
                             : static_cast<std::uint32_t>(bigEndian(bytes, at + 2 * k, 2));
        };
        for (std::uint64_t k = 0; k < length; ++k) {
            const std::uint32_t c = character(k);
            const bool pair = c >= 0xD800 && c <= 0xDBFF && k + 1 < length && character(k + 1) >= 0xDC00 &&
                              character(k + 1) <= 0xDFFF;
            if (pair) {
                ++k;
            } else if (c == 0 || (unit == 2 && isSurrogate(c))) {
                for (std::uint64_t b = 0; b < unit; ++b) bytes[at + unit * k + b] = ' ';
                changed = true;
            }
        }
    }
    return changed;
}

// Objects may overlap, so a change can make another; repeat until none does.
std::optional<std::string> comparableWithLibplist(std::string bytes) {
    if (bytes.size() < 40) return bytes;
    for (int pass = 0; pass < 8; ++pass) {
        const auto changed = takeOutDifferences(bytes);
        if (!changed || !*changed) return bytes;
    }
    return std::nullopt;
}

// The tree with every member of that name taken out, at every depth.
chordmap::Value without(const chordmap::Value& value, const std::string& name) {
    if (const auto* array = value.array()) {
        chordmap::Value::Array kept;
        for (const auto& element : *array) kept.push_back(without(element, name));
        return chordmap::Value(std::move(kept));
    }
    if (const auto* dictionary = value.dictionary()) {
        chordmap::Value::Dictionary kept;
        for (const auto& [key, member] : *dictionary) {
            if (key != name) kept.emplace(key, without(member, name));
        }
        return chordmap::Value(std::move(kept));
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool strict = std::getenv("CHORDMAP_FUZZ_STRICT") != nullptr;
    const std::string_view input = chordmap::fuzzing::text(data, size);
    if (!input.starts_with("bplist00")) return 0;
    // Leaving members out changes the tree and nothing else.
    static constexpr std::string_view leaveOut[] = {"Actions"};
    const auto whole = chordmap::detail::parseBinaryPropertyList(input);
    const auto partial = chordmap::detail::parseBinaryPropertyList(input, leaveOut);
    if (whole.has_value() != partial.has_value() || (whole && without(*whole, "Actions") != *partial)) __builtin_trap();
    const auto bytes = comparableWithLibplist(std::string(input));
    if (!bytes) return 0;
    const auto ours = chordmap::detail::parseBinaryPropertyList(*bytes);
    const auto reference = chordmap::detail::parsePropertyListWithLibplist(*bytes);
    if (ours && reference && !chordmap::testing::sameAsLibplist(*ours, *reference)) __builtin_trap();
    if (strict && ours.has_value() != reference.has_value()) __builtin_trap();
    return 0;
}
