#include "formats/Documents.h"
#include "support/BinaryPlist.h"

#include <gtest/gtest.h>

#include <cmath>

namespace chordmap {
namespace {

using testing::BinaryPlist;

std::string nested(std::string_view open, std::string_view close, std::size_t depth, std::string_view inner = "") {
    std::string out;
    out.reserve(depth * (open.size() + close.size()) + inner.size());
    for (std::size_t i = 0; i < depth; ++i) out += open;
    out += inner;
    for (std::size_t i = 0; i < depth; ++i) out += close;
    return out;
}

std::string xmlPlist(std::string_view body) {
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">)") + std::string(body) + "</plist>";
}

TEST(PropertyList, xmlConvertsEveryKind) {
    const auto value = parsePropertyList(xmlPlist(R"(<dict>
      <key>yes</key><true/>
      <key>no</key><false/>
      <key>count</key><integer>42</integer>
      <key>negative</key><integer>-1</integer>
      <key>real</key><real>2.75</real>
      <key>name</key><string>键盘 &amp; Maestro</string>
      <key>list</key><array><string>a</string><integer>1</integer></array>
      <key>empty</key><array/>
    </dict>)"));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->find("yes")->boolean(), true);
    EXPECT_EQ(value->find("no")->boolean(), false);
    EXPECT_EQ(value->find("count")->number(), 42u);
    EXPECT_EQ(value->find("negative")->number(), ~0ULL);
    EXPECT_EQ(value->find("real")->number(), 2u);
    EXPECT_EQ(*value->find("name")->string(), "键盘 & Maestro");
    EXPECT_EQ(value->find("list")->array()->size(), 2u);
    EXPECT_EQ(value->find("list")->dictionaries(), std::nullopt);
    EXPECT_EQ(value->find("empty")->array()->size(), 0u);
    EXPECT_EQ(value->find("missing"), nullptr);
}

TEST(PropertyList, binaryConvertsDictionariesAndArrays) {
    BinaryPlist plist;
    const auto key = plist.string("AppleSymbolicHotKeys");
    const auto one = plist.integer(1);
    const auto list = plist.array({one, one});
    const auto root = plist.dictionary({{key, list}});
    const auto value = parsePropertyList(plist.bytes(root));
    ASSERT_TRUE(value);
    ASSERT_TRUE(value->find("AppleSymbolicHotKeys"));
    EXPECT_EQ(*value->find("AppleSymbolicHotKeys"), Value(Value::Array{Value::integer(1), Value::integer(1)}));
}

TEST(PropertyList, hostileInputIsAParseFailureNotACrash) {
    struct Row {
        const char* name;
        std::string bytes;
    };
    std::vector<Row> rows;
    rows.push_back({"empty", ""});
    rows.push_back({"garbage", "not a property list at all"});
    rows.push_back({"truncatedXml", xmlPlist("<dict><key>a</key>")});
    rows.push_back({"deepXml", xmlPlist(nested("<array>", "</array>", 300'000))});
    rows.push_back({"deepXmlDicts", xmlPlist(nested("<dict><key>k</key>", "</dict>", 200'000))});
    {
        BinaryPlist plist;  // an array that contains itself
        const auto self = plist.array({0});
        rows.push_back({"selfCycle", plist.bytes(self)});
    }
    {
        BinaryPlist plist;  // a -> b -> a
        const auto a = plist.array({1});
        plist.array({a});
        rows.push_back({"twoStepCycle", plist.bytes(a)});
    }
    {
        BinaryPlist plist;  // 300,000 nested arrays
        const std::uint32_t depth = 300'000;
        for (std::uint32_t i = 0; i < depth; ++i) plist.array(i + 1 < depth ? std::vector<std::uint32_t>{i + 1} : std::vector<std::uint32_t>{});
        rows.push_back({"deepBinary", plist.bytes(0)});
    }
    {
        BinaryPlist plist;  // each level refers to the next twice: 2^60 nodes once expanded
        const std::uint32_t levels = 60;
        for (std::uint32_t i = 0; i < levels; ++i) {
            plist.array(i + 1 < levels ? std::vector<std::uint32_t>{i + 1, i + 1} : std::vector<std::uint32_t>{});
        }
        rows.push_back({"sharedSubtreeBomb", plist.bytes(0)});
    }
    {
        BinaryPlist plist;  // claims 2^60 elements
        plist.raw(std::string("\xAF\x13\x10\x00\x00\x00\x00\x00\x00\x00", 10));
        rows.push_back({"absurdCount", plist.bytes(0)});
    }
    {
        BinaryPlist plist;  // a reference past the object table
        plist.array({7});
        rows.push_back({"referenceOutOfRange", plist.bytes(0)});
    }
    {
        BinaryPlist plist;
        plist.array({});
        std::string bytes = plist.bytes(0);
        rows.push_back({"truncatedTrailer", bytes.substr(0, bytes.size() - 5)});
        std::string badOffsets = bytes;
        badOffsets[badOffsets.size() - 1] = '\x7F';  // offset table beyond the end
        rows.push_back({"offsetTableOutOfRange", badOffsets});
    }
    for (const auto& row : rows) EXPECT_EQ(parsePropertyList(row.bytes), std::nullopt) << row.name;
}

TEST(PropertyList, depthJustInsideTheLimitStillParses) {
    const auto inside = parsePropertyList(xmlPlist(nested("<array>", "</array>", 400)));
    ASSERT_TRUE(inside);
    BinaryPlist plist;
    for (std::uint32_t i = 0; i < 400; ++i) plist.array(i + 1 < 400 ? std::vector<std::uint32_t>{i + 1} : std::vector<std::uint32_t>{});
    EXPECT_TRUE(parsePropertyList(plist.bytes(0)));
}

TEST(PropertyList, sharedObjectsWithinReasonAreAccepted) {
    BinaryPlist plist;
    const auto leaf = plist.string("shared");
    std::vector<std::uint32_t> many(10'000, leaf);
    const auto root = plist.array(many);
    const auto value = parsePropertyList(plist.bytes(root));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->strings()->size(), 10'000u);
}

TEST(Json, convertsEveryKind) {
    const auto value = parseJson(R"({"a": [1, -2, 18446744073709551615, 2.5, true, null, "文"], "b": {"c": false}})");
    ASSERT_TRUE(value);
    const auto& a = *value->find("a")->array();
    EXPECT_EQ(a[0].number(), 1u);
    EXPECT_EQ(a[1].signedNumber(), -2);
    EXPECT_EQ(a[2].number(), ~0ULL);
    EXPECT_EQ(a[3].number(), 2u);
    EXPECT_EQ(a[3].real(), 2.5);
    EXPECT_EQ(a[4].boolean(), true);
    EXPECT_EQ(a[4].number(), std::nullopt);
    EXPECT_TRUE(a[5].isNull());
    EXPECT_EQ(*a[6].string(), "文");
    EXPECT_EQ(value->find("b")->find("c")->boolean(), false);
}

TEST(Json, repeatedKeyKeepsItsLastValue) {
    EXPECT_EQ(parseJson(R"({"k": 1, "k": 2})")->find("k")->number(), 2u);
}

TEST(Json, rejectsWhatIsNotStrictJson) {
    const std::string rows[] = {
        "",
        "{",
        "{\"a\": 1,}",
        "// comment\n{}",
        "{\"a\": \"\xff\"}",
        "[1] [2]",
        nested("[", "]", 600),
        nested("[", "]", 300'000),
    };
    for (const auto& row : rows) EXPECT_EQ(parseJson(row), std::nullopt) << row.substr(0, 40);
    EXPECT_TRUE(parseJson(nested("[", "]", 500)));
}

TEST(Value, numbersAreIntegersAndTruncatedRealsButNotBooleans) {
    EXPECT_EQ(Value(-1.9).number(), ~0ULL);
    EXPECT_EQ(Value(65535.99).number(), 65535u);
    EXPECT_EQ(Value(1e300).number(), std::nullopt);
    EXPECT_EQ(Value(std::nan("")).number(), std::nullopt);
    EXPECT_EQ(Value(true).number(), std::nullopt);
    EXPECT_EQ(Value::integer(1).boolean(), std::nullopt);
    EXPECT_EQ(Value("1").number(), std::nullopt);
}

}  // namespace
}  // namespace chordmap
