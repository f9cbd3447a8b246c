#include "model/Value.h"

#include <cmath>

namespace chordmap {

std::optional<bool> Value::boolean() const {
    if (const bool* b = std::get_if<bool>(&storage_)) return *b;
    return std::nullopt;
}

std::optional<std::uint64_t> Value::number() const {
    if (const Integer* i = std::get_if<Integer>(&storage_)) return i->bits;
    if (const double* d = std::get_if<double>(&storage_)) {
        if (!(std::fabs(*d) < 9223372036854775808.0)) return std::nullopt;  // 2^63; NaN fails too
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(*d));
    }
    return std::nullopt;
}

std::optional<std::int64_t> Value::signedNumber() const {
    if (auto n = number()) return static_cast<std::int64_t>(*n);
    return std::nullopt;
}

std::optional<double> Value::real() const {
    if (const Integer* i = std::get_if<Integer>(&storage_)) return static_cast<double>(static_cast<std::int64_t>(i->bits));
    if (const double* d = std::get_if<double>(&storage_)) return *d;
    return std::nullopt;
}

const Value* Value::find(std::string_view key) const {
    const Dictionary* dict = dictionary();
    if (!dict) return nullptr;
    auto it = dict->find(key);
    return it == dict->end() ? nullptr : &it->second;
}

std::optional<std::vector<const Value::Dictionary*>> Value::dictionaries() const {
    const Array* items = array();
    if (!items) return std::nullopt;
    std::vector<const Dictionary*> out;
    out.reserve(items->size());
    for (const Value& item : *items) {
        const Dictionary* dict = item.dictionary();
        if (!dict) return std::nullopt;
        out.push_back(dict);
    }
    return out;
}

std::optional<std::vector<std::string>> Value::strings() const {
    const Array* items = array();
    if (!items) return std::nullopt;
    std::vector<std::string> out;
    out.reserve(items->size());
    for (const Value& item : *items) {
        const std::string* text = item.string();
        if (!text) return std::nullopt;
        out.push_back(*text);
    }
    return out;
}

}  // namespace chordmap
