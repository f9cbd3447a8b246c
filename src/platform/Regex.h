#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

struct RegexMatch {
    // Byte offsets of the whole match in the searched UTF-8 text.
    std::size_t start = 0;
    std::size_t end = 0;
    // Capture groups from 1 on; none for a group that took no part.
    std::vector<std::optional<std::string>> groups;

    const std::optional<std::string>& group(std::size_t number) const { return groups.at(number - 1); }
};

// A regular expression in ICU syntax (the syntax NSRegularExpression uses),
// compiled once and shared freely. Matching is done by a RegexMatcher.
class Regex {
public:
    // None when the pattern does not compile.
    static std::optional<Regex> compile(std::string_view pattern);

    struct Compiled;

private:
    explicit Regex(std::shared_ptr<const Compiled> compiled) : compiled_(std::move(compiled)) {}
    std::shared_ptr<const Compiled> compiled_;
    friend class RegexMatcher;
};

// Searches UTF-8 texts with one Regex; reusable from text to text, for one
// thread at a time. Every search runs with a bounded amount of backtracking
// work and memory: a search that runs out finds nothing more, so a
// pathological input cannot stall the caller. Invalid UTF-8 is searched as
// if each ill-formed sequence were U+FFFD.
class RegexMatcher {
public:
    explicit RegexMatcher(const Regex& regex);
    ~RegexMatcher();
    RegexMatcher(RegexMatcher&&) noexcept;
    RegexMatcher& operator=(RegexMatcher&&) noexcept;

    // The first match in a short text such as one line. A search that runs
    // out of work counts as no match.
    std::optional<RegexMatch> firstMatch(std::string_view text);

    // Every match in text order. The whole search shares one larger budget;
    // when it runs out, the matches found up to then are the result.
    std::vector<RegexMatch> allMatches(std::string_view text);

    // Whether the last search ended because it ran out of work or memory.
    bool lastSearchExhausted() const { return exhausted_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    bool exhausted_ = false;
};

}  // namespace chordmap
