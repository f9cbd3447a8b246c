#include "formats/Documents.h"

#include "model/Text.h"

#include <plist/plist.h>

#include <cstdlib>
#include <memory>

namespace chordmap {
namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};

std::optional<Value> convert(plist_t node, int depth) {
    if (depth > documentDepthLimit) return std::nullopt;
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            std::uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return Value(b != 0);
        }
        case PLIST_UINT: {
            std::uint64_t v = 0;
            plist_get_uint_val(node, &v);
            return Value::unsignedInteger(v);
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return Value(d);
        }
        case PLIST_STRING:
        case PLIST_KEY: {
            std::uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            // A binary list's ASCII strings may carry any byte: keep every text valid UTF-8.
            return Value(validUtf8(std::string_view(text ? text : "", text ? length : 0)));
        }
        case PLIST_DATA: {
            std::uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            return Value(Value::Data{std::string(bytes ? bytes : "", bytes ? length : 0)});
        }
        case PLIST_DATE: {
            std::int32_t seconds = 0, microseconds = 0;
            plist_get_date_val(node, &seconds, &microseconds);
            return Value(Value::Date{seconds + microseconds / 1e6});
        }
        case PLIST_UID: {
            std::uint64_t v = 0;
            plist_get_uid_val(node, &v);
            return Value(Value::Uid{v});
        }
        case PLIST_ARRAY: {
            Value::Array array;
            array.reserve(plist_array_get_size(node));
            // Walking by index is linear per item in libplist 2.2 (parsed
            // arrays have no index), so the iterator keeps this linear.
            plist_array_iter iterator = nullptr;
            plist_array_new_iter(node, &iterator);
            std::unique_ptr<void, decltype(&std::free)> iteratorOwner(iterator, &std::free);
            for (;;) {
                plist_t element = nullptr;
                plist_array_next_item(node, iterator, &element);
                if (!element) break;
                auto item = convert(element, depth + 1);
                if (!item) return std::nullopt;
                array.push_back(std::move(*item));
            }
            return Value(std::move(array));
        }
        case PLIST_DICT: {
            Value::Dictionary dictionary;
            plist_dict_iter iterator = nullptr;
            plist_dict_new_iter(node, &iterator);
            std::unique_ptr<void, decltype(&std::free)> iteratorOwner(iterator, &std::free);
            for (;;) {
                char* key = nullptr;
                plist_t item = nullptr;
                plist_dict_next_item(node, iterator, &key, &item);
                if (!item) {
                    std::free(key);
                    break;
                }
                std::unique_ptr<char, decltype(&std::free)> keyOwner(key, &std::free);
                auto value = convert(item, depth + 1);
                if (!value) return std::nullopt;
                dictionary.insert_or_assign(validUtf8(key ? key : ""), std::move(*value));
            }
            return Value(std::move(dictionary));
        }
        case PLIST_NONE:
            break;
    }
    return std::nullopt;
}

}  // namespace

namespace detail {

std::optional<Value> parsePropertyListWithLibplist(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > UINT32_MAX) return std::nullopt;
    std::string storage;
    if (plist_is_binary(bytes.data(), static_cast<std::uint32_t>(bytes.size())) != 0) {
        if (!binaryPropertyListIsTame(bytes, documentDepthLimit, propertyListNodeLimit, true)) return std::nullopt;
    } else {
        const auto xml = xmlPropertyListForLibplist(bytes, documentDepthLimit, storage);
        if (!xml || xml->empty() || xml->size() > UINT32_MAX) return std::nullopt;
        bytes = *xml;
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    if (!root) return std::nullopt;
    std::unique_ptr<void, PlistDeleter> owner(root);
    return convert(root, 0);
}

}  // namespace detail

std::optional<Value> parsePropertyList(std::string_view bytes, std::span<const std::string_view> leaveOut) {
    if (bytes.empty() || bytes.size() > UINT32_MAX) return std::nullopt;
    // One tree instead of libplist's and ours alive at once.
    if (plist_is_binary(bytes.data(), static_cast<std::uint32_t>(bytes.size())) != 0)
        return detail::parseBinaryPropertyList(bytes, leaveOut);
    return detail::parsePropertyListWithLibplist(bytes);
}

std::optional<Value> parsePropertyList(std::string_view bytes) { return parsePropertyList(bytes, {}); }

}  // namespace chordmap
