#include "platform/Regex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace chordmap {
namespace {

TEST(Regex, aPatternThatDoesNotCompileGivesNothing) {
    EXPECT_FALSE(Regex::compile("(unclosed").has_value());
    EXPECT_FALSE(Regex::compile("[z-a]").has_value());
    EXPECT_TRUE(Regex::compile(R"(\w+\s*<)").has_value());
}

TEST(Regex, aMatcherOutlivesTheRegexItWasMadeFrom) {
    RegexMatcher matcher(*Regex::compile("b+"));
    const std::optional<RegexMatch> match = matcher.firstMatch("abbbc");
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->start, 1u);
    EXPECT_EQ(match->end, 4u);
}

TEST(Regex, capturesAreUnicodeAwareAndOffsetsAreBytes) {
    // \w takes letters of any script, \s any Unicode space; offsets count
    // bytes even after characters outside the Basic Multilingual Plane.
    const auto regex = Regex::compile(R"((\w+)\s*<\s*(x)?(\w+))");
    ASSERT_TRUE(regex);
    RegexMatcher matcher(*regex);
    const std::string text = "\U0001F600 é " "模式\u3000<\tabc";
    const auto match = matcher.firstMatch(text);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->start, text.find("模式"));
    EXPECT_EQ(match->end, text.size());
    EXPECT_EQ(match->group(1), std::optional<std::string>("模式"));
    EXPECT_EQ(match->group(2), std::nullopt);
    EXPECT_EQ(match->group(3), std::optional<std::string>("abc"));
    EXPECT_FALSE(matcher.lastSearchExhausted());
}

TEST(Regex, allMatchesComeInTextOrderWithByteOffsets) {
    const auto regex = Regex::compile(R"(k=(\d))");
    ASSERT_TRUE(regex);
    RegexMatcher matcher(*regex);
    const std::string text = "k=1 \U0001F600 k=2 \xFF k=3";  // an invalid byte counts as one character
    const auto matches = matcher.allMatches(text);
    ASSERT_EQ(matches.size(), 3u);
    for (std::size_t i = 0; i < matches.size(); ++i) {
        EXPECT_EQ(text.substr(matches[i].start, matches[i].end - matches[i].start), "k=" + std::to_string(i + 1));
        EXPECT_EQ(matches[i].group(1), std::optional<std::string>(std::to_string(i + 1)));
    }
    EXPECT_TRUE(matcher.allMatches("none here").empty());
}

TEST(Regex, aSearchThatRunsOutOfWorkFindsNothingAndTheNextSearchStartsAfresh) {
    // Nested quantifiers over a run of spaces backtrack exponentially.
    const auto regex = Regex::compile(R"(^(\s*)*-)");
    ASSERT_TRUE(regex);
    RegexMatcher matcher(*regex);
    EXPECT_FALSE(matcher.firstMatch(std::string(40, ' ') + "x"));
    EXPECT_TRUE(matcher.lastSearchExhausted());
    EXPECT_TRUE(matcher.firstMatch("  -"));
    EXPECT_FALSE(matcher.lastSearchExhausted());
}

TEST(Regex, allMatchesKeepsWhatItFoundBeforeRunningOut) {
    const auto regex = Regex::compile(R"(a(\s*)*b)");
    ASSERT_TRUE(regex);
    RegexMatcher matcher(*regex);
    const auto matches = matcher.allMatches("ab a b a" + std::string(40, ' ') + "c ab");
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(matches[1].start, 3u);
    EXPECT_TRUE(matcher.lastSearchExhausted());
}

}  // namespace
}  // namespace chordmap
