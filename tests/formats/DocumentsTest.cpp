#include "formats/Documents.h"
#include "support/BinaryPlist.h"

#include <gtest/gtest.h>

#include <cmath>

namespace chordmap {
namespace {

using testing::BinaryPlist;
using namespace std::string_literals;

std::string nested(std::string_view open, std::string_view close, std::size_t depth, std::string_view inner = "") {
    std::string out;
    out.reserve(depth * (open.size() + close.size()) + inner.size());
    for (std::size_t i = 0; i < depth; ++i) out += open;
    out += inner;
    for (std::size_t i = 0; i < depth; ++i) out += close;
    return out;
}

std::string xmlPlist(std::string_view body, std::string_view encoding = "UTF-8") {
    return R"(<?xml version="1.0" encoding=")" + std::string(encoding) + R"("?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">)" + std::string(body) + "</plist>";
}

std::string utf16(std::string_view ascii, bool bigEndianOrder) {
    std::string out;
    for (const char c : ascii) out += bigEndianOrder ? "\0"s + c : c + "\0"s;
    return out;
}

Value array(Value::Array items) { return Value(std::move(items)); }
Value dictionary(Value::Dictionary members) { return Value(std::move(members)); }

// Each document as the platform its tool runs on reads it: what a source
// gets to look at, or none when the document is not valid.
TEST(Documents, readAsTheirPlatformReadsThem) {
    enum Format { json, propertyList };
    struct Row {
        const char* name;
        Format format;
        std::string bytes;
        std::optional<Value> read;
    };
    const double two64 = 18446744073709551616.0, two63 = 9223372036854775808.0;
    const std::optional<Value> invalid;
    const Row rows[] = {
        {"json, every kind", json, R"({"a": [1, -2, 18446744073709551615, -9223372036854775808, 2.5, true, null, "文"],
                                      "b": {"c": false}})",
         dictionary({{"a", array({Value::integer(1), Value::integer(-2), Value::unsignedInteger(~0ULL),
                                  Value::integer(INT64_MIN), Value(2.5), Value(true), Value(), Value("文")})},
                     {"b", dictionary({{"c", Value(false)}})}})},
        {"json, a repeated key keeps its last value", json, R"({"k": 1, "k": 2})",
         dictionary({{"k", Value::integer(2)}})},
        {"json, numbers beyond 64 bits and beyond doubles are reals", json,
         R"([18446744073709551616, -9223372036854775809, 1e400, -1E+400, 1e-400, 0.1e-999, "18446744073709551616"])",
         array({Value(two64), Value(-two63), Value(HUGE_VAL), Value(-HUGE_VAL), Value(0.0), Value(0.0),
                Value("18446744073709551616")})},
        {"json, a key holding U+0000", json, R"({"a\u0000b": 1})", dictionary({{"a\0b"s, Value::integer(1)}})},
        {"json, text after a NUL", json, "{\"keyCode\": 9}\0junk"s, invalid},
        {"json, a wide number beside a malformed one", json, "[18446744073709551616, 01]", invalid},
        {"json, a lone trail surrogate escape", json, R"(["\udc00"])", invalid},
        {"json, empty", json, "", invalid},
        {"json, unfinished", json, "{", invalid},
        {"json, trailing comma", json, R"({"a": 1,})", invalid},
        {"json, comment", json, "// comment\n{}", invalid},
        {"json, invalid UTF-8", json, "{\"a\": \"\xff\"}", invalid},
        {"json, two documents", json, "[1] [2]", invalid},
        {"json, fraction without digits", json, "[1.]", invalid},

        {"xml, every kind", propertyList, xmlPlist(R"(<dict>
           <key>yes</key><true/> <key>no</key><false/>
           <key>count</key><integer>42</integer> <key>negative</key><integer>-1</integer>
           <key>real</key><real>2.75</real> <key>name</key><string>键盘 &amp; Maestro</string>
           <key>list</key><array><string>a</string><integer>1</integer></array> <key>empty</key><array/>
         </dict>)"),
         dictionary({{"yes", Value(true)}, {"no", Value(false)}, {"count", Value::integer(42)},
                     {"negative", Value::integer(-1)}, {"real", Value(2.75)}, {"name", Value("键盘 & Maestro")},
                     {"list", array({Value("a"), Value::integer(1)})}, {"empty", array({})}})},
        {"xml, byte-order mark", propertyList, "\xEF\xBB\xBF" + xmlPlist("<string>a</string>"), Value("a")},
        {"xml, declared ISO-8859-1", propertyList, xmlPlist("<string>caf\xE9</string>", "ISO-8859-1"), Value("café")},
        {"xml, UTF-16 with a byte-order mark", propertyList,
         "\xFF\xFE" + utf16(xmlPlist("<string>caf&#233;</string>", "UTF-16"), false), Value("café")},
        {"xml, UTF-16 without one", propertyList, utf16(xmlPlist("<string>b</string>", "UTF-16"), true), Value("b")},
        {"xml, an encoding nobody knows", propertyList, xmlPlist("<string>a</string>", "x-unknown"), invalid},
        {"xml, CR LF and CR are LF, a CR reference stays", propertyList,
         xmlPlist("<string>a\r\nb\rc&#13;d</string>"), Value("a\nb\nc\rd")},
        {"xml, integers at the 64-bit bounds", propertyList,
         xmlPlist("<array><integer>18446744073709551615</integer><integer>-9223372036854775808</integer></array>"),
         array({Value::unsignedInteger(~0ULL), Value::integer(INT64_MIN)})},
        {"xml, integers beyond them are reals", propertyList,
         xmlPlist("<array><integer>18446744073709551616</integer><integer> -18446744073709551360</integer>"
                  "<integer>0x10000000000000000</integer></array>"),
         array({Value(two64), Value(-18446744073709551360.0), Value(two64)})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.format == json ? parseJson(row.bytes) : parsePropertyList(row.bytes), row.read);
    }
}

// Where a number is expected, integers and reals count, truncated and as
// their 64-bit pattern; whatever cannot be one counts as absent.
TEST(Value, numbersAreThoseSixtyFourBitsHold) {
    const std::pair<Value, std::optional<std::uint64_t>> rows[] = {
        {Value::integer(-1), ~0ULL},
        {Value(-1.9), ~0ULL},
        {Value(65535.99), 65535u},
        {Value(9223372036854774784.0), 9223372036854774784u},  // the last double below 2^63
        {Value(9223372036854775808.0), std::nullopt},
        {Value(-9223372036854775808.0), std::nullopt},
        {Value(HUGE_VAL), std::nullopt},
        {Value(std::nan("")), std::nullopt},
        {Value(true), std::nullopt},
        {Value("1"), std::nullopt},
        {Value(Value::Uid{1}), std::nullopt},
    };
    for (const auto& [value, number] : rows) EXPECT_EQ(value.number(), number);
}

TEST(Documents, hostileInputIsAParseFailureNotACrash) {
    std::vector<std::pair<const char*, std::string>> rows = {
        {"empty", ""},
        {"garbage", "not a property list at all"},
        {"truncated xml", xmlPlist("<dict><key>a</key>")},
        {"deep xml", xmlPlist(nested("<array>", "</array>", 300'000))},
        {"deep xml dictionaries", xmlPlist(nested("<dict><key>k</key>", "</dict>", 200'000))},
    };
    {
        BinaryPlist plist;  // an array that contains itself
        rows.emplace_back("self cycle", plist.bytes(plist.array({0})));
    }
    {
        BinaryPlist plist;  // a -> b -> a
        const auto a = plist.array({1});
        plist.array({a});
        rows.emplace_back("two-step cycle", plist.bytes(a));
    }
    {
        BinaryPlist plist;  // 300,000 nested arrays
        const std::uint32_t depth = 300'000;
        for (std::uint32_t i = 0; i < depth; ++i) plist.array(i + 1 < depth ? std::vector<std::uint32_t>{i + 1} : std::vector<std::uint32_t>{});
        rows.emplace_back("deep binary", plist.bytes(0));
    }
    {
        BinaryPlist plist;  // each level refers to the next twice: 2^60 nodes once expanded
        for (std::uint32_t i = 0; i < 60; ++i) plist.array(i + 1 < 60 ? std::vector<std::uint32_t>{i + 1, i + 1} : std::vector<std::uint32_t>{});
        rows.emplace_back("shared subtree bomb", plist.bytes(0));
    }
    {
        BinaryPlist plist;  // claims 2^60 elements
        plist.raw("\xAF\x13\x10\x00\x00\x00\x00\x00\x00\x00"s);
        rows.emplace_back("absurd count", plist.bytes(0));
    }
    {
        BinaryPlist plist;  // a reference past the object table
        rows.emplace_back("reference out of range", plist.bytes(plist.array({7})));
    }
    for (const auto& [name, bytes] : rows) EXPECT_EQ(parsePropertyList(bytes), std::nullopt) << name;
    EXPECT_EQ(parseJson(nested("[", "]", 600)), std::nullopt);
    EXPECT_EQ(parseJson(nested("[", "]", 300'000)), std::nullopt);
}

TEST(Documents, depthJustInsideTheLimitStillParses) {
    EXPECT_TRUE(parsePropertyList(xmlPlist(nested("<array>", "</array>", 400))));
    BinaryPlist plist;
    for (std::uint32_t i = 0; i < 400; ++i) plist.array(i + 1 < 400 ? std::vector<std::uint32_t>{i + 1} : std::vector<std::uint32_t>{});
    EXPECT_TRUE(parsePropertyList(plist.bytes(0)));
    EXPECT_TRUE(parseJson(nested("[", "]", 500)));
}

TEST(Documents, xmlArraysKeepEveryElementInOrder) {
    std::string body = "<array>";
    for (int i = 0; i < 3000; ++i) body += "<integer>" + std::to_string(i) + "</integer>";
    const auto value = parsePropertyList(xmlPlist(body + "</array>"));
    ASSERT_TRUE(value);
    ASSERT_EQ(value->array()->size(), 3000u);
    for (std::size_t i = 0; i < 3000; ++i) ASSERT_EQ((*value->array())[i].number(), i);
}

}  // namespace
}  // namespace chordmap
