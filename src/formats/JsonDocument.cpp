#include "formats/Documents.h"
#include "formats/JsonInPlace.h"

#include <simdjson.h>

#if defined(__APPLE__)
#include <xlocale.h>
#endif

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace chordmap {
namespace {

// Numbers JSON allows but simdjson refuses (integers outside [-2^63, 2^64 - 1],
// reals beyond the double range) are parsed as 0 in a rewritten copy, then
// put back as reals in place of the numbers at those positions, counted in
// document order.
struct WideNumbers {
    struct Number {
        std::size_t ordinal;
        double value;
    };
    std::vector<Number> numbers;
    std::size_t next = 0;  // first entry not yet put back
    std::size_t met = 0;   // numbers converted so far

    std::optional<Value> putBack() {
        const std::size_t ordinal = met++;
        if (next == numbers.size() || numbers[next].ordinal != ordinal) return std::nullopt;
        return Value(numbers[next++].value);
    }
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A whole JSON number token (RFC 8259 grammar) that simdjson cannot hold,
// as the nearest real (infinite beyond the double range).
std::optional<double> wideNumber(std::string_view token) {
    const auto digitsFrom = [&](std::size_t i) {
        while (i < token.size() && isDigit(token[i])) ++i;
        return i;
    };
    const std::size_t integerStart = token.starts_with('-') ? 1 : 0;
    const bool zero = integerStart < token.size() && token[integerStart] == '0';
    std::size_t i = zero ? integerStart + 1 : digitsFrom(integerStart);
    const std::size_t integerEnd = i;
    if (integerEnd == integerStart) return std::nullopt;
    if (i < token.size() && token[i] == '.') {
        const std::size_t fractionStart = i + 1;
        i = digitsFrom(fractionStart);
        if (i == fractionStart) return std::nullopt;
    }
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
        const std::size_t start = i;
        i = digitsFrom(i);
        if (i == start) return std::nullopt;
    }
    if (i != token.size()) return std::nullopt;

    // strtod in the C locale: the window's locale may write decimals with a comma.
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    const std::string text(token);
    char* end = nullptr;
    errno = 0;
    const double value = strtod_l(text.c_str(), &end, cLocale);
    if (end != text.c_str() + text.size()) return std::nullopt;
    // Beyond the double range: infinite. Below it, a number simdjson reads
    // itself (as 0), so none here.
    if (errno == ERANGE) return std::isinf(value) ? std::optional(value) : std::nullopt;
    if (integerEnd != token.size()) return std::nullopt;
    // An integer: wide when outside [-2^63, 2^64 - 1].
    const std::string_view magnitude = token.substr(integerStart);
    const std::string_view limit = integerStart ? "9223372036854775808" : "18446744073709551615";
    const bool fits = magnitude.size() < limit.size() || (magnitude.size() == limit.size() && magnitude <= limit);
    if (fits) return std::nullopt;
    return value;
}

// The text with each wide number replaced by `placeholder`; none when there
// is none.
std::optional<std::string> withoutWideNumbers(std::string_view text, WideNumbers& wide,
                                              std::string_view placeholder) {
    const auto delimits = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == ':' || c == '[' || c == ']' ||
               c == '{' || c == '}' || c == '"';
    };
    std::string out;
    std::size_t copied = 0, ordinal = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
            }
            ++i;
            continue;
        }
        if (text[i] != '-' && !isDigit(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !delimits(text[end])) ++end;
        if (const auto value = wideNumber(text.substr(i, end - i))) {
            out.append(text.substr(copied, i - copied));
            out += placeholder;
            copied = end;
            wide.numbers.push_back({ordinal, *value});
        }
        ++ordinal;
        i = end;
    }
    if (wide.numbers.empty()) return std::nullopt;
    out.append(text.substr(copied));
    return out;
}

// Wide numbers are put back in document order.
std::optional<Value> convert(simdjson::dom::element element, int depth, WideNumbers& wide) {
    using simdjson::dom::element_type;
    if (depth > documentDepthLimit) return std::nullopt;
    const element_type type = element.type();
    if (type == element_type::INT64 || type == element_type::UINT64 || type == element_type::DOUBLE) {
        if (auto value = wide.putBack()) return value;
    }
    switch (type) {
        case element_type::NULL_VALUE: return Value(Value::Null{});
        case element_type::BOOL: {
            bool b = false;
            if (element.get(b) != simdjson::SUCCESS) break;
            return Value(b);
        }
        case element_type::INT64: {
            std::int64_t i = 0;
            if (element.get(i) != simdjson::SUCCESS) break;
            return Value::integer(i);
        }
        case element_type::UINT64: {
            std::uint64_t u = 0;
            if (element.get(u) != simdjson::SUCCESS) break;
            return Value::unsignedInteger(u);
        }
        case element_type::DOUBLE: {
            double d = 0;
            if (element.get(d) != simdjson::SUCCESS) break;
            return Value(d);
        }
        case element_type::STRING: {
            std::string_view text;
            if (element.get(text) != simdjson::SUCCESS) break;
            return Value(std::string(text));
        }
        case element_type::ARRAY: {
            simdjson::dom::array items;
            if (element.get(items) != simdjson::SUCCESS) break;
            Value::Array array;
            array.reserve(items.size());
            for (simdjson::dom::element item : items) {
                auto value = convert(item, depth + 1, wide);
                if (!value) return std::nullopt;
                array.push_back(std::move(*value));
            }
            return Value(std::move(array));
        }
        case element_type::OBJECT: {
            simdjson::dom::object members;
            if (element.get(members) != simdjson::SUCCESS) break;
            Value::Dictionary dictionary;
            for (simdjson::dom::key_value_pair member : members) {
                auto value = convert(member.value, depth + 1, wide);
                if (!value) return std::nullopt;
                // A repeated key keeps its last value.
                dictionary.insert_or_assign(std::string(member.key), std::move(*value));
            }
            return Value(std::move(dictionary));
        }
    }
    return std::nullopt;
}

// `bytes` parsed into `parser`; when the parser refuses a wide number, the
// text again with each one replaced by `placeholder` and noted in `wide`.
std::optional<simdjson::dom::element> parsed(simdjson::dom::parser& parser, std::string_view bytes,
                                             WideNumbers& wide, std::string_view placeholder) {
    if (bytes.empty()) return std::nullopt;
    // The parser's own depth limit stops deep input before a reader sees it.
    if (parser.allocate(bytes.size(), documentDepthLimit + 1) != simdjson::SUCCESS) return std::nullopt;
    simdjson::dom::element root;
    const auto error = parser.parse(simdjson::padded_string(bytes)).get(root);
    if (error == simdjson::SUCCESS) return root;
    if (error != simdjson::NUMBER_ERROR) return std::nullopt;
    const auto narrowed = withoutWideNumbers(bytes, wide, placeholder);
    if (!narrowed || parser.parse(simdjson::padded_string(*narrowed)).get(root) != simdjson::SUCCESS)
        return std::nullopt;
    return root;
}

}  // namespace

std::optional<Value> parseJson(std::string_view bytes) {
    simdjson::dom::parser parser;
    WideNumbers wide;
    const std::optional<simdjson::dom::element> root = parsed(parser, bytes, wide, "0");
    if (!root) return std::nullopt;
    return convert(*root, 0, wide);
}

std::optional<simdjson::dom::element> parseJsonInPlace(simdjson::dom::parser& parser, std::string_view bytes) {
    WideNumbers wide;
    return parsed(parser, bytes, wide, "null");
}

}  // namespace chordmap
