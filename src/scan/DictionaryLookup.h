#pragma once

#include "model/Value.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap::lookup {

// Typed members of a parsed dictionary. Every accessor is strict: a member of
// another type reads as absent, so a wrong type never widens a match.

inline const Value* member(const Value::Dictionary& dictionary, std::string_view key) {
    const auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : &found->second;
}

inline std::optional<bool> boolean(const Value::Dictionary& dictionary, std::string_view key) {
    const Value* value = member(dictionary, key);
    return value ? value->boolean() : std::nullopt;
}

inline std::optional<std::uint64_t> number(const Value::Dictionary& dictionary, std::string_view key) {
    const Value* value = member(dictionary, key);
    return value ? value->number() : std::nullopt;
}

inline const std::string* string(const Value::Dictionary& dictionary, std::string_view key) {
    const Value* value = member(dictionary, key);
    return value ? value->string() : nullptr;
}

inline const Value::Dictionary* dictionary(const Value::Dictionary& dictionary, std::string_view key) {
    const Value* value = member(dictionary, key);
    return value ? value->dictionary() : nullptr;
}

// An array of dictionaries; absent (or holding anything else) reads as empty.
inline std::vector<const Value::Dictionary*> dictionaries(const Value::Dictionary& dictionary, std::string_view key) {
    const Value* value = member(dictionary, key);
    if (!value) return {};
    return value->dictionaries().value_or(std::vector<const Value::Dictionary*>{});
}

// An array of strings; absent (or holding anything else) reads as empty.
inline std::vector<std::string> strings(const Value::Dictionary& dictionary, std::string_view key) {
    const Value* value = member(dictionary, key);
    if (!value) return {};
    return value->strings().value_or(std::vector<std::string>{});
}


}  // namespace chordmap::lookup
