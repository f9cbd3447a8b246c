#pragma once

#include "model/Value.h"

#include <cmath>
#include <cstring>

namespace chordmap::testing {

// Whether the binary reader's value matches libplist's for one document.
// Reals compare by bit pattern, so NaN matches NaN. Dates must match where
// libplist reads them soundly (0 up to 2^31 seconds); before 2001 it turns
// -1.5 into -0.5, and past 32 bits it wraps, where the reader keeps the date.
// A 16-byte integer beyond 64 bits is a real to the reader (so no number);
// libplist keeps its low half.
inline bool sameAsLibplist(const Value& ours, const Value& reference) {
    if (reference.isInteger() && !ours.isInteger() && ours.real() && !ours.number()) return true;
    if (ours.isInteger() || reference.isInteger())
        return ours.isInteger() && reference.isInteger() && ours.number() == reference.number();
    if (ours.date() || reference.date()) {
        if (!ours.date() || !reference.date()) return false;
        const double seconds = ours.date()->secondsSince2001;
        if (!std::isfinite(seconds) || seconds < 0 || seconds >= 2147483648.0) return true;
        return std::memcmp(&seconds, &reference.date()->secondsSince2001, sizeof seconds) == 0;
    }
    if (ours.array() || reference.array()) {
        if (!ours.array() || !reference.array() || ours.array()->size() != reference.array()->size()) return false;
        for (std::size_t i = 0; i < ours.array()->size(); ++i)
            if (!sameAsLibplist((*ours.array())[i], (*reference.array())[i])) return false;
        return true;
    }
    if (ours.dictionary() || reference.dictionary()) {
        if (!ours.dictionary() || !reference.dictionary()) return false;
        if (ours.dictionary()->size() != reference.dictionary()->size()) return false;
        auto theirs = reference.dictionary()->begin();
        for (const auto& [key, value] : *ours.dictionary()) {
            if (key != theirs->first || !sameAsLibplist(value, theirs->second)) return false;
            ++theirs;
        }
        return true;
    }
    if (ours.real() || reference.real()) {
        if (!ours.real() || !reference.real()) return false;
        const double a = *ours.real(), b = *reference.real();
        return std::memcmp(&a, &b, sizeof a) == 0;
    }
    return ours == reference;  // null, booleans, strings, data
}

}  // namespace chordmap::testing
