#include "formats/JsonWithComments.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

TEST(JsonWithComments, removesCommentsOutsideStringsOnly) {
    struct Row {
        const char* name;
        std::string_view text;
        std::string_view expected;
    };
    const Row rows[] = {
        {"lineComment", "{\n  // v1 format\n  \"a\": 1 // trailing\n}", "{\n   \n  \"a\": 1  \n}"},
        {"lineCommentAtEnd", "[1] // done", "[1]  "},
        {"blockComment", "[1, /* two\n lines */ 2]", "[1,   2]"},
        {"blockBetweenTokens", "[1/**/,2]", "[1 ,2]"},
        {"slashesInString", R"({"url": "https://x/*y*/"})", R"({"url": "https://x/*y*/"})"},
        {"escapedQuoteInString", R"(["a\"//b", 1])", R"(["a\"//b", 1])"},
        {"escapedBackslashEndsString", R"(["a\\"//c)", R"(["a\\" )"},
        {"loneSlashKept", "[1/2]", "[1/2]"},
        {"unterminatedBlockKept", "[1 /* open", "[1 /* open"},
        {"unterminatedString", "[\"abc // x", "[\"abc // x"},
        {"trailingEscape", "[\"abc\\", "[\"abc\\"},
    };
    for (const auto& row : rows) EXPECT_EQ(withoutJsonComments(row.text), row.expected) << row.name;
}

}  // namespace
}  // namespace chordmap
