// Arbitrary bytes read as a binary property list both ways: the reader must
// agree with libplist's reading wherever both accept the document.
// With CHORDMAP_FUZZ_STRICT set, a document only one of them accepts stops
// the run too (apart from the known case below), to find where the two draw
// the line differently.
#include "fuzz/FuzzSupport.h"
#include "formats/Documents.h"
#include "support/ValueComparison.h"

#include <cstdlib>
#include <string>

namespace {

std::uint64_t bigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The same document with each empty UTF-16 string written as an empty ASCII
// one: libplist refuses the former, the reader reads both as "".
std::string withoutEmptyUtf16(std::string bytes) {
    if (bytes.size() < 40) return bytes;
    const std::size_t trailer = bytes.size() - 32;
    const std::size_t offsetSize = static_cast<unsigned char>(bytes[trailer + 6]);
    const std::uint64_t count = bigEndian(bytes, trailer + 8, 8);
    const std::uint64_t table = bigEndian(bytes, trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || table > trailer || count > (trailer - table) / offsetSize) return bytes;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t offset = bigEndian(bytes, table + i * offsetSize, offsetSize);
        if (offset < trailer && bytes[offset] == '\x60') bytes[offset] = '\x50';
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool strict = std::getenv("CHORDMAP_FUZZ_STRICT") != nullptr;
    const std::string_view bytes = chordmap::fuzzing::text(data, size);
    if (!bytes.starts_with("bplist00")) return 0;
    const auto ours = chordmap::detail::parseBinaryPropertyList(bytes);
    const auto reference = chordmap::detail::parsePropertyListWithLibplist(bytes);
    if (ours && reference && !chordmap::testing::sameAsLibplist(*ours, *reference)) __builtin_trap();
    if (strict && ours.has_value() != reference.has_value()) {
        if (ours && chordmap::detail::parsePropertyListWithLibplist(withoutEmptyUtf16(std::string(bytes)))) return 0;
        __builtin_trap();
    }
    return 0;
}
