#include "model/Text.h"
#include "model/Url.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

TEST(Utf8, eachInvalidByteBecomesOneReplacementCharacter) {
    struct Row {
        std::string bytes;
        std::string text;
    };
    const Row rows[] = {
        {"plain", "plain"},
        {"中文", "中文"},
        {"a\xffz", "a\uFFFDz"},
        {"\xe4\xb8", "\uFFFD\uFFFD"},              // truncated sequence
        {"\xc0\xaf", "\uFFFD\uFFFD"},              // overlong slash
        {"\xed\xa0\x80", "\uFFFD\uFFFD\uFFFD"},    // surrogate
        {"\xf4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},  // emoji stays
    };
    for (const auto& row : rows) {
        EXPECT_EQ(validUtf8(row.bytes), row.text);
        EXPECT_EQ(isValidUtf8(row.bytes), row.bytes == row.text);
    }
}

TEST(FileUrl, percentEncodesRawPathBytesAndRoundTrips) {
    struct Row {
        std::string path;
        bool directory;
        std::string url;
    };
    const Row rows[] = {
        {"/Users/me/.config/skhd/skhdrc", false, "file:///Users/me/.config/skhd/skhdrc"},
        {"/Applications/Keyboard Maestro.app", true, "file:///Applications/Keyboard%20Maestro.app/"},
        {"/home/me/中文", false, "file:///home/me/%E4%B8%AD%E6%96%87"},
        {"/tmp/bad\xff name%#?", false, "file:///tmp/bad%FF%20name%25%23%3F"},
        {"/a-._~!$&'()*+,;=:@b", false, "file:///a-._~!$&'()*+,;=:@b"},
    };
    for (const auto& row : rows) {
        const Url url = Url::file(row.path, row.directory);
        EXPECT_EQ(url.absoluteString(), row.url);
        EXPECT_TRUE(url.isFile());
        EXPECT_EQ(url.path(), row.path);
    }
    EXPECT_EQ(Url::fromString("x-apple.systempreferences:com.apple.Keyboard-Settings.extension").path(), std::nullopt);
}

TEST(PathComponents, lastComponentIgnoresTrailingSlashes) {
    EXPECT_EQ(lastPathComponent("/usr/bin/karabiner_grabber"), "karabiner_grabber");
    EXPECT_EQ(lastPathComponent("/Applications/Rectangle.app/"), "Rectangle.app");
    EXPECT_EQ(lastPathComponent("plain"), "plain");
    EXPECT_EQ(lastPathComponent("/"), "/");
}

}  // namespace
}  // namespace chordmap
