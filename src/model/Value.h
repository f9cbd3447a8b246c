#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace chordmap {

// A parsed document (property list or JSON) in one shape, so every source
// reads both kinds with the same accessors. Accessors are strict: a value of
// another type counts as absent.
class Value {
public:
    struct Null {
        bool operator==(const Null&) const = default;
    };
    struct Integer {
        std::uint64_t bits;  // two's-complement pattern of the stored integer
        bool operator==(const Integer&) const = default;
    };
    struct Data {
        std::string bytes;
        bool operator==(const Data&) const = default;
    };
    struct Date {
        double secondsSince2001;
        bool operator==(const Date&) const = default;
    };
    // A keyed archive's object reference: no number.
    struct Uid {
        std::uint64_t index;
        bool operator==(const Uid&) const = default;
    };
    using Array = std::vector<Value>;
    using Dictionary = std::map<std::string, Value, std::less<>>;

    Value() = default;
    Value(Null) {}
    Value(bool b) : storage_(b) {}
    Value(Integer i) : storage_(i) {}
    Value(double d) : storage_(d) {}
    Value(std::string s) : storage_(std::move(s)) {}
    Value(const char* s) : storage_(std::string(s)) {}
    Value(Data d) : storage_(std::move(d)) {}
    Value(Date d) : storage_(d) {}
    Value(Uid u) : storage_(u) {}
    Value(Array a) : storage_(std::move(a)) {}
    Value(Dictionary d) : storage_(std::move(d)) {}

    static Value integer(std::int64_t v) { return Value(Integer{static_cast<std::uint64_t>(v)}); }
    static Value unsignedInteger(std::uint64_t v) { return Value(Integer{v}); }

    bool isNull() const { return std::holds_alternative<Null>(storage_); }

    // Only true and false count as booleans.
    std::optional<bool> boolean() const;
    // Integers as their 64-bit pattern; reals truncated toward zero. A real
    // that is NaN, infinite or of magnitude 2^63 or more is no number.
    // (Integers too wide for 64 bits are stored as reals, so they are none either.)
    std::optional<std::uint64_t> number() const;
    std::optional<std::int64_t> signedNumber() const;
    // The number exactly as stored, for range checks that must see fractions.
    std::optional<double> real() const;
    bool isInteger() const { return std::holds_alternative<Integer>(storage_); }
    const std::string* string() const { return std::get_if<std::string>(&storage_); }
    const Data* data() const { return std::get_if<Data>(&storage_); }
    const Date* date() const { return std::get_if<Date>(&storage_); }
    const Uid* uid() const { return std::get_if<Uid>(&storage_); }
    const Array* array() const { return std::get_if<Array>(&storage_); }
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&storage_); }

    // Member of a dictionary; none when this is no dictionary or the key is missing.
    const Value* find(std::string_view key) const;
    const Value* operator[](std::string_view key) const { return find(key); }

    // Arrays that must hold only dictionaries (or only strings): one element
    // of another type makes the whole array count as absent.
    std::optional<std::vector<const Dictionary*>> dictionaries() const;
    std::optional<std::vector<std::string>> strings() const;

    bool operator==(const Value&) const = default;

private:
    std::variant<Null, bool, Integer, double, std::string, Data, Date, Uid, Array, Dictionary> storage_;
};

}  // namespace chordmap
