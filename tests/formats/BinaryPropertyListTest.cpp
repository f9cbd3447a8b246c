// The binary reader against libplist's reading of the same bytes.
#include "formats/Documents.h"
#include "support/BinaryPlist.h"
#include "support/TemporaryDirectory.h"
#include "support/ValueComparison.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace chordmap {
namespace {

using testing::BinaryPlist;
using testing::sameAsLibplist;
using namespace std::string_literals;

std::string bigEndian(std::uint64_t value, int width) {
    std::string out;
    for (int i = width - 1; i >= 0; --i) out += static_cast<char>(i >= 8 ? 0 : (value >> (8 * i)) & 0xFF);
    return out;
}

std::string utf16(std::u16string_view text, bool withMarker = true) {
    std::string out = withMarker ? std::string(1, static_cast<char>(0x60 | text.size())) : "";
    for (char16_t c : text) out += bigEndian(c, 2);
    return out;
}

std::string real(double value, unsigned marker = 0x23) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return static_cast<char>(marker) + bigEndian(bits, 8);
}

// Objects laid out with any offset and reference width (BinaryPlist writes 8 and 4).
std::string assemble(const std::vector<std::string>& objects, std::uint64_t top, int offsetSize, int refSize) {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const auto& object : objects) {
        offsets.push_back(out.size());
        out += object;
    }
    const std::uint64_t table = out.size();
    for (auto offset : offsets) out += bigEndian(offset, offsetSize);
    out += std::string(6, '\0');
    out += static_cast<char>(offsetSize);
    out += static_cast<char>(refSize);
    out += bigEndian(objects.size(), 8) + bigEndian(top, 8) + bigEndian(table, 8);
    return out;
}

std::string container(unsigned type, const std::vector<std::uint64_t>& references, std::size_t entries, int refSize) {
    std::string out(1, static_cast<char>((type << 4) | std::min<std::size_t>(entries, 0xF)));
    if (entries >= 0xF) out += "\x10"s + static_cast<char>(entries);
    for (auto reference : references) out += bigEndian(reference, refSize);
    return out;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(BinaryPropertyList, realFilesReadAsLibplistReadsThem) {
    std::vector<std::filesystem::path> roots = {CHORDMAP_EXAMPLE_HOME, CHORDMAP_FIXTURES};
    const bool haveCorpus = std::filesystem::is_directory(CHORDMAP_CORPUS);
    if (haveCorpus) roots.emplace_back(CHORDMAP_CORPUS);
    int binaries = 0;
    for (const auto& root : roots) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file()) continue;
            const std::string bytes = readFile(entry.path());
            if (!bytes.starts_with("bplist00")) continue;
            SCOPED_TRACE(entry.path().string());
            ++binaries;
            const auto ours = detail::parseBinaryPropertyList(bytes);
            const auto reference = detail::parsePropertyListWithLibplist(bytes);
            ASSERT_EQ(ours.has_value(), reference.has_value());
            if (ours) {
                EXPECT_TRUE(sameAsLibplist(*ours, *reference));
            }
            EXPECT_EQ(parsePropertyList(bytes), ours);
        }
    }
    EXPECT_GE(binaries, haveCorpus ? 15 : 1);
    if (!haveCorpus) GTEST_SKIP() << "corpus absent; examples and fixtures compared";
}

enum class Libplist { agrees, refuses, misreads };

// One object, the only element of the top array.
TEST(BinaryPropertyList, everyKindOfObjectConvertsAsLibplistDoes) {
    struct Row {
        const char* name;
        std::string object;
        std::optional<Value> expected;
        Libplist libplist = Libplist::agrees;
    };
    const auto integer = [](std::uint64_t v) { return std::optional<Value>(Value::unsignedInteger(v)); };
    const std::optional<Value> refused;
    const Row rows[] = {
        {"false", "\x08", Value(false)},
        {"true", "\x09", Value(true)},
        {"null is not read", "\x00"s, refused},
        {"fill is not read", "\x0F", refused},
        {"int 1 byte", "\x10\xFF", integer(255)},
        {"int 2 bytes", "\x11\x01\x02", integer(0x0102)},
        {"int 4 bytes unsigned", "\x12\xFF\xFF\xFF\xFE", integer(0xFFFFFFFE)},
        {"int 8 bytes negative", "\x13" + bigEndian(~std::uint64_t{1}, 8), Value::integer(-2)},
        {"int 16 bytes keeps low half", "\x14" + bigEndian(1, 8) + bigEndian(5, 8), integer(5)},
        {"int 16 bytes minus one", "\x14" + std::string(16, '\xFF'), Value::integer(-1)},
        {"int 32 bytes", "\x15" + std::string(32, '\x01'), refused},
        {"int past the objects", "\x13\x00\x01", refused},
        {"real 4 bytes", "\x22\x3F\xC0\x00\x00"s, Value(1.5)},
        {"real 8 bytes", real(-2.25), Value(-2.25)},
        {"real 1 byte", "\x20\x01", refused},
        {"real 16 bytes", "\x24" + std::string(16, '\0'), refused},
        {"date to whole microseconds", real(1.2345678, 0x33), Value(Value::Date{1.234567})},
        {"date in 2060", real(1'900'000'000.25, 0x33), Value(Value::Date{1'900'000'000.25})},
        {"date 4 bytes", "\x32\x3F\x80\x00\x00"s, refused},
        {"date before 2001", real(-1.5, 0x33), Value(Value::Date{-1.5}), Libplist::misreads},
        {"date past 32 bits", real(3e9, 0x33), Value(Value::Date{3e9}), Libplist::misreads},
        {"data empty", "\x40", Value(Value::Data{""})},
        {"data with zeros", "\x43\x00\x01\x00"s, Value(Value::Data{"\x00\x01\x00"s})},
        {"data counted by an int", "\x4F\x10\x03" "abc", Value(Value::Data{"abc"})},
        {"data counted by 16 bytes", "\x4F\x14" + bigEndian(0, 8) + bigEndian(2, 8) + "ab", refused},
        {"data count not an int", "\x4F\x20\x03" "abc", refused},
        {"data past the objects", "\x45" "abc", refused},
        {"ascii", "\x53" "abc", Value("abc")},
        {"ascii stops at NUL", "\x53" "a\0b"s, Value("a")},
        {"ascii invalid byte", "\x52\xFF\x41", Value("\xEF\xBF\xBD" "A")},
        {"utf16 BMP", utf16(u"键盘"), Value("键盘")},
        {"utf16 pair", utf16(u"\U0001F600"), Value("\U0001F600")},
        {"utf16 NUL kept", utf16(u"\0A"s), Value("\0A"s)},
        {"utf16 lone trail dropped", utf16(u"\xDE00" u"A"), Value("A")},
        {"utf16 lead waits for a trail", utf16(u"\xD83D" u"A" u"\xDE00"), Value("A\U0001F600")},
        {"utf16 two leads drop both", utf16(u"\xD83D\xD83D\xDE00" u"B"), Value("B")},
        {"utf16 lone lead at end", utf16(u"A\xD83D"), Value("A")},
        {"utf16 long", "\x6F\x10\x10" + utf16(u"0123456789abcdef", false), Value("0123456789abcdef")},
        {"utf16 empty", "\x60", Value(""), Libplist::refuses},
        {"utf16 odd byte past the objects", "\x62\x00\x41\x00", refused},
        {"uid 1 byte", "\x80\x05", integer(5)},
        {"uid 3 bytes", "\x82\x01\x02\x03", integer(0x010203)},
        {"uid 5 bytes small", "\x84" + bigEndian(7, 5), integer(7)},
        {"uid 16 bytes small", "\x8F" + bigEndian(9, 16), integer(9)},
        {"uid beyond 32 bits", "\x84" + bigEndian(0x0102030405, 5), refused},
        {"marker 7", "\x70", refused},
        {"marker 9", "\x90", refused},
        {"marker B", "\xB0", refused},
        {"marker E", "\xE0", refused},
        {"marker F", "\xF0", refused},
        {"empty array", "\xA0", Value(Value::Array{})},
        {"empty set", "\xC0", Value(Value::Array{})},
        {"empty dictionary", "\xD0", Value(Value::Dictionary{})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BinaryPlist plist;  // the object last, right before the offset table
        const auto top = plist.array({1});
        plist.raw(row.object);
        const std::string bytes = plist.bytes(top);
        const auto ours = detail::parseBinaryPropertyList(bytes);
        const auto reference = detail::parsePropertyListWithLibplist(bytes);
        ASSERT_EQ(ours.has_value(), row.expected.has_value());
        if (ours) {
            EXPECT_EQ(*ours, Value(Value::Array{*row.expected}));
        }
        switch (row.libplist) {
            case Libplist::agrees:
                ASSERT_EQ(reference.has_value(), ours.has_value());
                if (reference) {
                    EXPECT_TRUE(sameAsLibplist(*ours, *reference));
                }
                break;
            case Libplist::refuses:
                EXPECT_FALSE(reference);
                break;
            case Libplist::misreads:
                ASSERT_TRUE(reference);
                EXPECT_NE(*reference, *ours);
                EXPECT_TRUE(sameAsLibplist(*ours, *reference));  // the comparison allows for it
                break;
        }
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
            const std::vector<std::string> objects = {
                container(0xD, {1, 2, 3, 4}, 2, refSize),  // 0: {name: 键, list: set}
                "\x54" "name",                             // 1
                "\x54" "list",                             // 2
                utf16(u"键"),                               // 3
                container(0xC, {5, 6, 6}, 3, refSize),     // 4: a set, read as an array
                "\x10\x01",                                // 5
                "\x56" "shared",                           // 6, referred to twice
            };
            const std::string bytes = assemble(objects, 0, offsetSize, refSize);
            const auto ours = detail::parseBinaryPropertyList(bytes);
            const auto reference = detail::parsePropertyListWithLibplist(bytes);
            ASSERT_TRUE(ours);
            ASSERT_TRUE(reference);
            EXPECT_EQ(*ours, expected);
            EXPECT_EQ(*reference, expected);
        }
    }
}

TEST(BinaryPropertyList, dictionariesReadAsLibplistBuildsThem) {
    struct Row {
        const char* name;
        std::vector<std::string> objects;
        std::optional<Value> expected;
        std::uint64_t top = 0;
    };
    const Row rows[] = {
        {"repeated key keeps the last value",
         {container(0xD, {1, 1, 2, 3}, 2, 1), "\x51k", "\x10\x01", "\x10\x02"},
         Value(Value::Dictionary{{"k", Value::integer(2)}})},
        {"utf16 key",
         {container(0xD, {1, 2}, 1, 1), utf16(u"键"), "\x09"},
         Value(Value::Dictionary{{"键", Value(true)}})},
        {"keys that become equal once valid UTF-8",
         {container(0xD, {1, 2, 3, 4}, 2, 1), "\x51\xFE", "\x51\xFF", "\x10\x01", "\x10\x02"},
         Value(Value::Dictionary{{"\xEF\xBF\xBD", Value::integer(2)}})},
        {"integer key", {container(0xD, {1, 1}, 1, 1), "\x10\x01"}, std::nullopt},
        {"container key", {container(0xD, {1, 2}, 1, 1), "\xA0", "\x10\x01"}, std::nullopt},
        {"shared dictionary",
         {container(0xA, {1, 1}, 2, 1), container(0xD, {2, 3}, 1, 1), "\x51k", "\x08"},
         Value(Value::Array{Value(Value::Dictionary{{"k", Value(false)}}),
                            Value(Value::Dictionary{{"k", Value(false)}})})},
        {"value out of range", {container(0xD, {1, 9}, 1, 1), "\x51k"}, std::nullopt},
        {"values run into the offset table", {"\x51k", container(0xD, {0}, 1, 1)}, std::nullopt, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string bytes = assemble(row.objects, row.top, 1, 1);
        const auto ours = detail::parseBinaryPropertyList(bytes);
        const auto reference = detail::parsePropertyListWithLibplist(bytes);
        EXPECT_EQ(ours, row.expected);
        EXPECT_EQ(reference, row.expected);
    }
}

TEST(BinaryPropertyList, malformedLayoutsAreRefusedByBothReaders) {
    struct Row {
        const char* name;
        std::string bytes;
    };
    std::vector<Row> rows;
    const std::vector<std::string> plain = {container(0xA, {1}, 1, 1), "\x10\x07"};
    const std::string good = assemble(plain, 0, 1, 1);
    ASSERT_TRUE(detail::parseBinaryPropertyList(good));
    auto withOffset = [&](std::size_t object, unsigned char offset) {
        std::string bytes = good;
        const std::size_t table = bytes.size() - 32 - plain.size();
        bytes[table + object] = static_cast<char>(offset);
        return bytes;
    };
    rows.push_back({"offset into the header", withOffset(1, 3)});
    rows.push_back({"offset into the offset table", withOffset(1, static_cast<unsigned char>(good.size() - 33))});
    {
        std::string bytes = good;
        bytes[bytes.size() - 1] = 4;  // offset table inside the header
        rows.push_back({"offset table inside the header", bytes});
    }
    {
        std::string bytes = good;
        bytes[8] = '\xA5';  // five references where the table starts after three
        rows.push_back({"references run into the offset table", bytes});
    }
    rows.push_back({"offset width 9", assemble(plain, 0, 9, 1)});
    rows.push_back({"reference width 9", assemble({container(0xA, {1}, 1, 9), "\x10\x07"}, 0, 1, 9)});
    rows.push_back({"version 01", "bplist01" + good.substr(8)});
    {
        // One chain of 300 arrays reached at depth 2 and again below another
        // chain of 300: more than 512 deep once expanded, though each object
        // is first met shallow.
        std::vector<std::string> objects(602);
        objects[0] = container(0xA, {1, 301}, 2, 2);
        for (std::uint64_t i = 1; i <= 300; ++i) objects[i] = i < 300 ? container(0xA, {i + 1}, 1, 2) : "\xA0";
        for (std::uint64_t i = 301; i <= 600; ++i) objects[i] = container(0xA, {i < 600 ? i + 1 : 1}, 1, 2);
        objects[601] = "\x08";
        rows.push_back({"shared chain deeper than the limit", assemble(objects, 0, 2, 2)});
    }
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(detail::parseBinaryPropertyList(row.bytes));
        EXPECT_FALSE(detail::parsePropertyListWithLibplist(row.bytes));
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
    EXPECT_EQ(ours, detail::parsePropertyListWithLibplist(bytes));
}

TEST(PropertyList, xmlArraysKeepEveryElementInOrder) {
    std::string body = "<array>";
    for (int i = 0; i < 3000; ++i) body += "<integer>" + std::to_string(i) + "</integer>";
    body += "</array>";
    const auto value = parsePropertyList("<?xml version=\"1.0\"?><plist version=\"1.0\">" + body + "</plist>");
    ASSERT_TRUE(value);
    ASSERT_EQ(value->array()->size(), 3000u);
    for (std::size_t i = 0; i < 3000; ++i) ASSERT_EQ((*value->array())[i].number(), i);
}

}  // namespace
}  // namespace chordmap
