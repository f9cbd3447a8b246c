#include "formats/Documents.h"

#include <simdjson.h>

namespace chordmap {
namespace {

std::optional<Value> convert(simdjson::dom::element element, int depth) {
    using simdjson::dom::element_type;
    if (depth > documentDepthLimit) return std::nullopt;
    switch (element.type()) {
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
                auto value = convert(item, depth + 1);
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
                auto value = convert(member.value, depth + 1);
                if (!value) return std::nullopt;
                // A repeated key keeps its last value.
                dictionary.insert_or_assign(std::string(member.key), std::move(*value));
            }
            return Value(std::move(dictionary));
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<Value> parseJson(std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    simdjson::dom::parser parser;
    // The parser's own depth limit stops deep input before conversion sees it.
    if (parser.allocate(bytes.size(), documentDepthLimit + 1) != simdjson::SUCCESS) return std::nullopt;
    simdjson::padded_string padded(bytes);
    simdjson::dom::element root;
    if (parser.parse(padded).get(root) != simdjson::SUCCESS) return std::nullopt;
    return convert(root, 0);
}

}  // namespace chordmap
