#include "model/Text.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace chordmap {
namespace {

// Length of the well-formed UTF-8 sequence starting at bytes[i], or 0.
std::size_t sequenceLength(std::string_view bytes, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    }
    return length;
}

}  // namespace

std::size_t utf8SequenceLength(std::string_view bytes, std::size_t at) { return sequenceLength(bytes, at); }

std::string validUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);  // nearly always: one copy, no byte-by-byte rebuild
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        if (std::size_t n = sequenceLength(bytes, i)) {
            out.append(bytes.substr(i, n));
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    constexpr std::uint64_t highBits = 0x8080808080808080u;
    for (std::size_t i = 0; i < bytes.size();) {
        // ASCII, most of every configuration, 32 bytes at a time, then eight.
        if (i + 32 <= bytes.size()) {
            std::uint64_t words[4];
            std::memcpy(words, bytes.data() + i, sizeof words);
            if (((words[0] | words[1] | words[2] | words[3]) & highBits) == 0) {
                i += 32;
                continue;
            }
        }
        if (i + 8 <= bytes.size()) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if ((word & highBits) == 0) {
                i += 8;
                continue;
            }
        }
        std::size_t n = sequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string lowercased(std::string_view text) {
    std::string out(text);
    // Names are nearly always ASCII: lower-case those in place.
    if (std::all_of(out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        return out;
    }
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(validUtf8(text));
    out.clear();
    unicode.toLower(icu::Locale::getRoot()).toUTF8String(out);
    return out;
}

std::string_view lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (auto slash = path.rfind('/'); slash != std::string_view::npos && path.size() > 1) return path.substr(slash + 1);
    return path;
}

}  // namespace chordmap
