// The binary reader, value by value: where it reads otherwise than libplist,
// what it refuses, and widths at their bounds. That it reads as libplist does
// elsewhere is the differential fuzzer's job.
#include "formats/Documents.h"
#include "support/BinaryPlist.h"

#include <gtest/gtest.h>

#include <cstring>

namespace chordmap {
namespace {

using testing::BinaryPlist;
using testing::bigEndian;
using testing::utf16Object;
using namespace std::string_literals;

std::string real(double value, unsigned marker = 0x23) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return static_cast<char>(marker) + bigEndian(bits, 8);
}

// Objects given as bytes, offsets and references one byte wide.
std::string document(const std::vector<std::string>& objects, std::uint32_t top = 0) {
    BinaryPlist plist(1, 1);
    for (const auto& object : objects) plist.raw(object);
    return plist.bytes(top);
}

// One object, the only element of the top array.
TEST(BinaryPropertyList, everyKindOfObject) {
    struct Row {
        const char* name;
        std::string object;
        std::optional<Value> expected;
    };
    const auto integer = [](std::uint64_t v) { return std::optional<Value>(Value::unsignedInteger(v)); };
    const auto utf16 = [](std::u16string_view text) { return utf16Object(text); };
    const std::optional<Value> refused;
    const Row rows[] = {
        {"null is not read", "\x00"s, refused},
        {"fill is not read", "\x0F", refused},
        {"int 1 byte", "\x10\xFF", integer(255)},
        {"int 8 bytes negative", "\x13" + bigEndian(~std::uint64_t{1}, 8), Value::integer(-2)},
        {"int 16 bytes unsigned", "\x14" + bigEndian(0, 8) + bigEndian(~0ULL, 8), integer(~0ULL)},
        {"int 16 bytes minus one", "\x14" + std::string(16, '\xFF'), Value::integer(-1)},
        {"int 16 bytes beyond 2^64", "\x14" + bigEndian(1, 8) + bigEndian(5, 8), Value(18446744073709551621.0)},
        {"int 16 bytes below -2^63", "\x14" + std::string(8, '\xFF') + bigEndian(5, 8), Value(-18446744073709551611.0)},
        {"int 32 bytes", "\x15" + std::string(32, '\x01'), refused},
        {"int past the objects", "\x13\x00\x01", refused},
        {"real 4 bytes", "\x22\x3F\xC0\x00\x00"s, Value(1.5)},
        {"real 8 bytes", real(-2.25), Value(-2.25)},
        {"real 1 byte", "\x20\x01", refused},
        {"real 16 bytes", "\x24" + std::string(16, '\0'), refused},
        {"date to whole microseconds", real(1.2345678, 0x33), Value(Value::Date{1.234567})},
        {"date in 2060", real(1'900'000'000.25, 0x33), Value(Value::Date{1'900'000'000.25})},
        {"date 4 bytes", "\x32\x3F\x80\x00\x00"s, refused},
        {"date before 2001", real(-1.5, 0x33), Value(Value::Date{-1.5})},
        {"date past 32 bits", real(3e9, 0x33), Value(Value::Date{3e9})},
        {"data counted by an int", "\x4F\x10\x03" "abc", Value(Value::Data{"abc"})},
        {"data counted by 16 bytes", "\x4F\x14" + bigEndian(0, 8) + bigEndian(2, 8) + "ab", refused},
        {"data count not an int", "\x4F\x20\x03" "abc", refused},
        {"data past the objects", "\x45" "abc", refused},
        {"ascii keeps NUL", "\x53" "a\0b"s, Value("a\0b"s)},
        {"ascii invalid byte", "\x52\xFF\x41", Value("\xEF\xBF\xBD" "A")},
        {"utf16 NUL kept", utf16(u"\0A"s), Value("\0A"s)},
        {"utf16 lone trail", utf16(u"\xDE00" u"A"), Value("\uFFFDA")},
        {"utf16 lead before another character", utf16(u"\xD83D" u"A" u"\xDE00"), Value("\uFFFDA\uFFFD")},
        {"utf16 two leads", utf16(u"\xD83D\xD83D\xDE00" u"B"), Value("\uFFFD\U0001F600B")},
        {"utf16 lone lead at end", utf16(u"A\xD83D"), Value("A\uFFFD")},
        {"utf16 empty", "\x60", Value("")},
        {"utf16 odd byte past the objects", "\x62\x00\x41\x00", refused},
        {"uid 1 byte", "\x80\x05", Value(Value::Uid{5})},
        {"uid 16 bytes small", "\x8F" + bigEndian(9, 16), Value(Value::Uid{9})},
        {"uid beyond 32 bits", "\x84" + bigEndian(0x0102030405, 5), refused},
        {"marker 7", "\x70", refused},
        {"marker F", "\xF0", refused},
        {"empty array", "\xA0", Value(Value::Array{})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string bytes = document({"\xA1\x01", row.object});
        EXPECT_EQ(detail::parseBinaryPropertyList(bytes),
                  row.expected ? std::optional(Value(Value::Array{*row.expected})) : std::nullopt);
    }
}

TEST(BinaryPropertyList, everyOffsetAndReferenceWidthReads) {
    const Value expected(Value::Dictionary{
        {"name", Value("键")},
        {"list", Value(Value::Array{Value::integer(1), Value("shared"), Value("shared")})},
    });
    for (int offsetSize : {1, 2, 3, 4, 5, 8}) {
        for (int refSize : {1, 2, 3, 4, 8}) {
            SCOPED_TRACE(std::to_string(offsetSize) + "/" + std::to_string(refSize));
            BinaryPlist plist(offsetSize, refSize);
            const auto shared = plist.string("shared");  // referred to twice
            const auto list = plist.set({plist.integer(1), shared, shared});  // read as an array
            const auto root = plist.dictionary({{plist.string("name"), plist.utf16(u"键")}, {plist.string("list"), list}});
            const std::string bytes = plist.bytes(root);
            EXPECT_EQ(detail::parseBinaryPropertyList(bytes), expected);
        }
    }
}

TEST(BinaryPropertyList, dictionaries) {
    struct Row {
        const char* name;
        std::vector<std::string> objects;
        std::optional<Value> expected;
    };
    const Row rows[] = {
        {"repeated key keeps the last value", {"\xD2\x01\x01\x02\x03", "\x51k", "\x10\x01", "\x10\x02"},
         Value(Value::Dictionary{{"k", Value::integer(2)}})},
        {"utf16 key", {"\xD1\x01\x02", utf16Object(u"键"), "\x09"}, Value(Value::Dictionary{{"键", Value(true)}})},
        {"keys that become equal once valid UTF-8", {"\xD2\x01\x02\x03\x04", "\x51\xFE", "\x51\xFF", "\x10\x01", "\x10\x02"},
         Value(Value::Dictionary{{"\xEF\xBF\xBD", Value::integer(2)}})},
        {"key holding NUL", {"\xD1\x01\x02", "\x53" "a\0b"s, "\x09"}, Value(Value::Dictionary{{"a\0b"s, Value(true)}})},
        {"utf16 key holding NUL", {"\xD1\x01\x02", utf16Object(u"\0"s), "\x09"},
         Value(Value::Dictionary{{"\0"s, Value(true)}})},
        {"integer key", {"\xD1\x01\x01", "\x10\x01"}, std::nullopt},
        {"container key", {"\xD1\x01\x02", "\xA0", "\x10\x01"}, std::nullopt},
        {"shared dictionary", {"\xA2\x01\x01", "\xD1\x02\x03", "\x51k", "\x08"},
         Value(Value::Array{Value(Value::Dictionary{{"k", Value(false)}}), Value(Value::Dictionary{{"k", Value(false)}})})},
        {"value out of range", {"\xD1\x01\x09", "\x51k"}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string bytes = document(row.objects);
        EXPECT_EQ(detail::parseBinaryPropertyList(bytes), row.expected);
    }
}

TEST(BinaryPropertyList, malformedLayoutsAreRefused) {
    const std::string good = document({"\xA1\x01", "\x10\x07"});  // offsets at the size minus 34 and 33
    ASSERT_TRUE(detail::parseBinaryPropertyList(good));
    auto changed = [&](std::size_t fromEnd, char byte) {
        std::string bytes = good;
        bytes[bytes.size() - fromEnd] = byte;
        return bytes;
    };
    std::vector<std::pair<const char*, std::string>> rows = {
        {"offset into the header", changed(33, 3)},
        {"offset into the offset table", changed(33, static_cast<char>(good.size() - 33))},
        {"offset table beyond the end", changed(1, 0x7F)},
        {"offset table inside the header", changed(1, 4)},
        {"references run into the offset table", "bplist00\xA5" + good.substr(9)},
        {"values run into the offset table", document({"\x51k", "\xD1\x00"}, 1)},
        {"version 01", "bplist01" + good.substr(8)},
        {"truncated trailer", good.substr(0, good.size() - 5)},
    };
    {
        BinaryPlist plist(9, 1);
        rows.emplace_back("offset width 9", plist.bytes(plist.array({plist.integer(7)})));
        BinaryPlist references(1, 9);
        rows.emplace_back("reference width 9", references.bytes(references.array({references.integer(7)})));
    }
    {
        // One chain of 300 arrays reached at depth 2 and again below another
        // chain of 300: more than 512 deep once expanded, though each object
        // is first met shallow.
        BinaryPlist plist(2, 2);
        plist.array({1, 301});
        for (std::uint32_t i = 1; i <= 300; ++i) plist.array(i < 300 ? std::vector<std::uint32_t>{i + 1} : std::vector<std::uint32_t>{});
        for (std::uint32_t i = 301; i <= 600; ++i) plist.array({i < 600 ? i + 1 : 1});
        rows.emplace_back("shared chain deeper than the limit", plist.bytes(0));
    }
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(detail::parseBinaryPropertyList(bytes));
    }
}

// What a reader leaves out is not built but still checked, so a file that
// would fail whole fails the same.
TEST(BinaryPropertyList, membersLeftOutAreCheckedNotBuilt) {
    static constexpr std::string_view actions[] = {"Actions"};
    const auto macro = [](const std::string& action) {
        BinaryPlist plist;
        const auto name = plist.string("Name"), key = plist.string("Actions");
        const auto inner = plist.dictionary({{plist.string("Text"), plist.raw(action)}});
        return plist.bytes(plist.dictionary({{name, plist.string("m")}, {key, plist.array({inner})}}));
    };
    EXPECT_EQ(detail::parseBinaryPropertyList(macro("\x51x"), actions), Value(Value::Dictionary{{"Name", Value("m")}}));
    EXPECT_TRUE(detail::parseBinaryPropertyList(macro("\x51x"))->find("Actions"));
    // A null (which libplist does not read) and an unknown marker.
    for (const std::string& malformed : {std::string(1, '\0'), std::string("\x70")}) {
        EXPECT_FALSE(detail::parseBinaryPropertyList(macro(malformed), actions)) << int(malformed[0]);
        EXPECT_FALSE(detail::parseBinaryPropertyList(macro(malformed))) << int(malformed[0]);
    }
}

TEST(BinaryPropertyList, sharedObjectsExpandLikeCopies) {
    BinaryPlist plist;
    const auto leaf = plist.string("x");
    const auto pair = plist.array({leaf, leaf});
    std::vector<std::uint32_t> many(5000, pair);
    const std::string bytes = plist.bytes(plist.array(many));
    const auto ours = detail::parseBinaryPropertyList(bytes);
    ASSERT_TRUE(ours);
    ASSERT_EQ(ours->array()->size(), 5000u);
    EXPECT_EQ((*ours->array())[4999], Value(Value::Array{Value("x"), Value("x")}));
}

}  // namespace
}  // namespace chordmap
