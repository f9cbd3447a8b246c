#include "platform/Regex.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <limits>

namespace chordmap {
namespace {

// ICU counts work in steps of 10,000 backtracking state saves; a step takes
// roughly 0.1 ms. A line-sized search gets about 10 ms, a whole text about
// 0.3 s. Real files stay far below: 4 MB of nothing but hot-key
// declarations takes some 50 steps.
constexpr std::int32_t lineSearchSteps = 100;
constexpr std::int32_t textSearchSteps = 2000;
// Backtracking memory of one search, in bytes.
constexpr std::int32_t backtrackStackBytes = 8 * 1024 * 1024;

UChar32 nextCodePoint(std::string_view text, std::int32_t& offset) {
    UChar32 c;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    U8_NEXT(bytes, offset, static_cast<std::int32_t>(text.size()), c);
    return c < 0 ? 0xFFFD : c;
}

// UTF-16 for ICU, built with the same decoding the offsets are mapped back with.
void toUtf16(std::string_view text, icu::UnicodeString& out) {
    out.remove();
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t offset = 0; offset < length;) out.append(nextCodePoint(text, offset));
}

// Maps UTF-16 indexes back to byte offsets; indexes must not decrease.
class OffsetMap {
public:
    explicit OffsetMap(std::string_view text) : text_(text) {}

    std::size_t byteOffset(std::int64_t index16) {
        const auto length = static_cast<std::int32_t>(text_.size());
        while (index16_ < index16 && offset_ < length) index16_ += U16_LENGTH(nextCodePoint(text_, offset_));
        return static_cast<std::size_t>(offset_);
    }

private:
    std::string_view text_;
    std::int64_t index16_ = 0;
    std::int32_t offset_ = 0;
};

// The matcher's current match, offsets in bytes of the searched text.
RegexMatch currentMatch(const icu::RegexMatcher& matcher, std::int32_t groupCount, OffsetMap& offsets,
                        UErrorCode& status) {
    RegexMatch match;
    match.start = offsets.byteOffset(matcher.start64(status));
    match.end = offsets.byteOffset(matcher.end64(status));
    for (std::int32_t group = 1; group <= groupCount; ++group) {
        if (matcher.start64(group, status) < 0) {
            match.groups.emplace_back();
            continue;
        }
        std::string utf8;
        matcher.group(group, status).toUTF8String(utf8);
        match.groups.emplace_back(std::move(utf8));
    }
    return match;
}

}  // namespace

struct Regex::Compiled {
    std::unique_ptr<icu::RegexPattern> pattern;
};

struct RegexMatcher::State {
    // The matcher points into the compiled pattern, which must outlive it
    // even when the Regex it came from is gone.
    std::shared_ptr<const Regex::Compiled> compiled;
    std::unique_ptr<icu::RegexMatcher> matcher;
    std::int32_t groupCount = 0;
    icu::UnicodeString input;  // the matcher keeps a reference to it

    // The matcher set on `text` with a fresh work limit; none when there is
    // no matcher or the text is too long for ICU's indexes.
    icu::RegexMatcher* prepared(std::string_view text, std::int32_t steps) {
        if (!matcher || text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return nullptr;
        toUtf16(text, input);
        matcher->reset(input);
        UErrorCode status = U_ZERO_ERROR;
        matcher->setTimeLimit(steps, status);
        return U_SUCCESS(status) ? matcher.get() : nullptr;
    }
};

std::optional<Regex> Regex::compile(std::string_view pattern) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError where;
    const icu::UnicodeString source =
        icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<std::int32_t>(pattern.size())));
    std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(source, 0, where, status));
    if (U_FAILURE(status) || !compiled) return std::nullopt;
    auto shared = std::make_shared<Compiled>();
    shared->pattern = std::move(compiled);
    return Regex(std::move(shared));
}

RegexMatcher::RegexMatcher(const Regex& regex) : state_(std::make_unique<State>()) {
    state_->compiled = regex.compiled_;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(regex.compiled_->pattern->matcher(status));
    if (U_FAILURE(status) || !matcher) return;
    matcher->setStackLimit(backtrackStackBytes, status);
    if (U_FAILURE(status)) return;
    state_->groupCount = matcher->groupCount();
    state_->matcher = std::move(matcher);
}

RegexMatcher::~RegexMatcher() = default;
RegexMatcher::RegexMatcher(RegexMatcher&&) noexcept = default;
RegexMatcher& RegexMatcher::operator=(RegexMatcher&&) noexcept = default;

std::optional<RegexMatch> RegexMatcher::firstMatch(std::string_view text) {
    exhausted_ = false;
    icu::RegexMatcher* matcher = state_ ? state_->prepared(text, lineSearchSteps) : nullptr;
    if (!matcher) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const bool found = matcher->find(status);
    if (U_FAILURE(status)) {
        exhausted_ = true;
        return std::nullopt;
    }
    if (!found) return std::nullopt;
    OffsetMap offsets(text);
    RegexMatch match = currentMatch(*matcher, state_->groupCount, offsets, status);
    if (U_FAILURE(status)) return std::nullopt;
    return match;
}

std::vector<RegexMatch> RegexMatcher::allMatches(std::string_view text) {
    exhausted_ = false;
    std::vector<RegexMatch> matches;
    // Continued searches of one text add up against the one limit.
    icu::RegexMatcher* matcher = state_ ? state_->prepared(text, textSearchSteps) : nullptr;
    if (!matcher) return matches;
    UErrorCode status = U_ZERO_ERROR;
    OffsetMap offsets(text);
    while (matcher->find(status)) {
        RegexMatch match = currentMatch(*matcher, state_->groupCount, offsets, status);
        if (U_FAILURE(status)) break;
        matches.push_back(std::move(match));
    }
    exhausted_ = U_FAILURE(status);
    return matches;
}


}  // namespace chordmap
