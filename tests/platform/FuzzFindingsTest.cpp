// Inputs the fuzzers found, kept so they stay fixed.
#include "model/Text.h"
#include "platform/Documents.h"
#include "scan/KeyboardMaestro.h"
#include "scan/KnownPreferences.h"
#include "support/TemporaryDirectory.h"
#include "support/FakePlatform.h"
#include "support/BinaryPlist.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace chordmap {
namespace {

using testing::BinaryPlist;
using namespace std::string_literals;

std::string utf16Key(std::u16string_view text) {
    std::string bytes(1, static_cast<char>(0x60 | text.size()));
    for (char16_t c : text) {
        bytes += static_cast<char>(c >> 8);
        bytes += static_cast<char>(c & 0xFF);
    }
    return bytes;
}

// libplist aborts the process when it hands out a dictionary key holding a
// NUL character, so such a document is refused before it gets there; a key
// without one still parses, in either encoding.
TEST(FuzzFindings, dictionaryKeysWithNulAreRefusedNotFatal) {
    struct Case {
        const char* name;
        std::string key;  // the key object's bytes
        bool parses;
    };
    const Case cases[] = {
        {"ascii", std::string("\x53" "a\0b", 4), false},
        {"ascii only nul", std::string("\x51\0", 2), false},
        {"utf16", utf16Key(u"a\0b"s), false},
        {"utf16 long", "\x6F\x10\x10" + utf16Key(u"0123456789abcde\0"s).substr(1), false},
        {"ascii plain", "\x53" "abc", true},
        {"utf16 plain", utf16Key(u"\u952e\u76d8"), true},
        {"utf16 zero high byte only", utf16Key(u"\u0100a"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BinaryPlist plist;
        const auto key = plist.raw(c.key);
        const auto value = plist.integer(7);
        const auto top = plist.dictionary({{key, value}});
        const auto parsed = parsePropertyList(plist.bytes(top));
        EXPECT_EQ(parsed.has_value(), c.parses);
        if (c.parses) {
            ASSERT_TRUE(parsed->dictionary());
            EXPECT_EQ(parsed->dictionary()->size(), 1u);
        }
    }
}

// An ASCII key in a binary property list may hold bytes above 0x7F; the
// finding named after it must still be text.
TEST(FuzzFindings, preferenceKeysThatAreNotUtf8StillGiveTextFindings) {
    BinaryPlist plist;
    const auto keyCode = plist.integer(49);
    const auto flags = plist.integer(0x100000);
    const auto stored = plist.dictionary({{plist.string("keyCode"), keyCode}, {plist.string("modifierFlags"), flags}});
    const auto top = plist.dictionary({{plist.raw("\x53" "a\xFF\xC3"), stored}});
    const auto parsed = parsePropertyList(plist.bytes(top));
    ASSERT_TRUE(parsed && parsed->dictionary());
    testing::FakeProcesses processes;
    const auto findings = knownPreferenceFindings(processes, knownApplications[0], *parsed->dictionary(),
                                                  ShortcutSpec(49, 0x100000), Url::file("/Users/u/p.plist"));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_TRUE(isValidUtf8(findings[0].id));
    EXPECT_TRUE(isValidUtf8(findings[0].title));
    EXPECT_EQ(findings[0].title, "快捷键偏好：" + validUtf8("a\xFF\xC3"));
}

// Binary ASCII strings may hold any byte; every converted text and key is UTF-8.
TEST(FuzzFindings, convertedStringsAndKeysAreAlwaysUtf8) {
    BinaryPlist plist;
    const auto name = plist.raw("\x55" "Mac\xFF\xC3");
    const auto top = plist.dictionary({{plist.raw("\x53" "k\xFE\xE4"), name}});
    const auto parsed = parsePropertyList(plist.bytes(top));
    ASSERT_TRUE(parsed && parsed->dictionary());
    ASSERT_EQ(parsed->dictionary()->size(), 1u);
    const auto& [key, value] = *parsed->dictionary()->begin();
    EXPECT_EQ(key, validUtf8("k\xFE\xE4"));
    ASSERT_TRUE(value.string());
    EXPECT_EQ(*value.string(), validUtf8("Mac\xFF\xC3"));
}

TEST(FuzzFindings, keyboardMaestroNamesThatAreNotUtf8StillGiveTextFindings) {
    const auto parsed = parsePropertyList(testing::readFile(std::string(CHORDMAP_FIXTURES) +
                                                            "/fuzz-findings/keyboard-maestro-name-not-utf8.bin"));
    ASSERT_TRUE(parsed && parsed->dictionary());
    testing::FakeProcesses processes;
    std::size_t found = 0;
    for (std::uint16_t code = 0; code < 128; ++code) {
        for (std::uint64_t flags : {0ULL, 0x100000ULL, 0x40000ULL | 0x80000ULL, 0x120000ULL, 0x1E0000ULL}) {
            for (const Finding& f : keyboardMaestroFindings(processes, *parsed->dictionary(), ShortcutSpec(code, flags),
                                                            Url::file("/Users/u/m.plist"))) {
                ++found;
                EXPECT_TRUE(isValidUtf8(f.id) && isValidUtf8(f.title) && isValidUtf8(f.detail) &&
                            isValidUtf8(f.application.name));
            }
        }
    }
    EXPECT_GT(found, 0u);
}

TEST(FuzzFindings, savedInputsParseOrFailQuietly) {
    const std::filesystem::path folder = std::filesystem::path(CHORDMAP_FIXTURES) / "fuzz-findings";
    std::size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream file(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        const std::string text = bytes.str();
        if (entry.path().extension() == ".bplist") {
            EXPECT_FALSE(parsePropertyList(text));
        }
        ++seen;
    }
    EXPECT_GT(seen, 0u);
}

}  // namespace
}  // namespace chordmap
