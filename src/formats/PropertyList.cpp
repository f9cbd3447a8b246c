#include "formats/Documents.h"

#include "model/Text.h"

#include <plist/plist.h>

#include <cstdlib>
#include <memory>

namespace chordmap {
namespace detail {

bool xmlPropertyListIsTame(std::string_view bytes, int depthLimit) {
    int depth = 0;
    std::size_t i = 0;
    auto skipPast = [&](std::string_view terminator) {
        const std::size_t end = bytes.find(terminator, i);
        i = end == std::string_view::npos ? bytes.size() : end + terminator.size();
    };
    while ((i = bytes.find('<', i)) != std::string_view::npos) {
        const std::string_view rest = bytes.substr(i);
        if (rest.starts_with("<!--")) {
            skipPast("-->");
            continue;
        }
        if (rest.starts_with("<![CDATA[")) {
            skipPast("]]>");
            continue;
        }
        const std::size_t close = bytes.find('>', i);
        if (close == std::string_view::npos) break;
        const std::string_view tag = bytes.substr(i + 1, close - i - 1);
        const bool selfClosing = !tag.empty() && tag.back() == '/';
        auto named = [&](std::string_view name) {
            return tag.starts_with(name) &&
                   (tag.size() == name.size() || tag[name.size()] == ' ' || tag[name.size()] == '/' ||
                    tag[name.size()] == '\t' || tag[name.size()] == '\n' || tag[name.size()] == '\r');
        };
        if ((named("array") || named("dict")) && !selfClosing) {
            if (++depth > depthLimit) return false;
        } else if (named("/array") || named("/dict")) {
            --depth;
        }
        i = close + 1;
    }
    return true;
}

}  // namespace detail

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
            return Value::unsignedInteger(v);
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
    const auto length = static_cast<std::uint32_t>(bytes.size());
    const bool binary = plist_is_binary(bytes.data(), length) != 0;
    if (binary ? !binaryPropertyListIsTame(bytes, documentDepthLimit, propertyListNodeLimit)
               : !xmlPropertyListIsTame(bytes, documentDepthLimit)) {
        return std::nullopt;
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), length, &root);
    if (!root) return std::nullopt;
    std::unique_ptr<void, PlistDeleter> owner(root);
    return convert(root, 0);
}

}  // namespace detail

std::optional<Value> parsePropertyList(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > UINT32_MAX) return std::nullopt;
    // One tree instead of libplist's and ours alive at once.
    if (plist_is_binary(bytes.data(), static_cast<std::uint32_t>(bytes.size())) != 0)
        return detail::parseBinaryPropertyList(bytes);
    return detail::parsePropertyListWithLibplist(bytes);
}

}  // namespace chordmap
