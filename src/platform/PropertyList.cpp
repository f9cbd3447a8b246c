#include "platform/Documents.h"

#include "model/Text.h"

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace chordmap {
namespace detail {
namespace {

std::uint64_t readBigEndian(const unsigned char* p, std::size_t n) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < n; ++i) value = (value << 8) | p[i];
    return value;
}

// The object table of a binary property list, read only as far as the
// container references go.
class BinaryObjects {
public:
    explicit BinaryObjects(std::string_view bytes)
        : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {}

    bool readTrailer() {
        if (size_ < 8 + 32 || std::memcmp(data_, "bplist00", 8) != 0) return false;
        const unsigned char* trailer = data_ + size_ - 32;
        offsetSize_ = trailer[6];
        refSize_ = trailer[7];
        count_ = readBigEndian(trailer + 8, 8);
        top_ = readBigEndian(trailer + 16, 8);
        tableOffset_ = readBigEndian(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return false;
        if (count_ == 0 || top_ >= count_) return false;
        const std::uint64_t tableEnd = size_ - 32;
        if (tableOffset_ > tableEnd || count_ > (tableEnd - tableOffset_) / offsetSize_) return false;
        return true;
    }

    std::uint64_t count() const { return count_; }
    std::uint64_t top() const { return top_; }

    // The references an object holds; false when the object is malformed.
    bool references(std::uint64_t object, std::vector<std::uint64_t>& out) const {
        out.clear();
        const std::uint64_t offset = readBigEndian(data_ + tableOffset_ + object * offsetSize_, offsetSize_);
        if (offset >= size_) return false;
        const unsigned char marker = data_[offset];
        const unsigned type = marker >> 4;
        if (type != 0xA && type != 0xC && type != 0xD) return true;  // no children
        std::uint64_t entries = marker & 0xF;
        std::uint64_t position = offset + 1;
        if (entries == 0xF) {
            if (position >= size_ || (data_[position] >> 4) != 0x1) return false;
            const std::size_t width = std::size_t{1} << (data_[position] & 0xF);
            if (width > 8 || position + 1 + width > size_) return false;
            entries = readBigEndian(data_ + position + 1, width);
            position += 1 + width;
        }
        const std::uint64_t refs = type == 0xD ? entries * 2 : entries;
        if (entries > size_ || refs > (size_ - position) / refSize_) return false;
        out.reserve(refs);
        for (std::uint64_t i = 0; i < refs; ++i) {
            const std::uint64_t ref = readBigEndian(data_ + position + i * refSize_, refSize_);
            if (ref >= count_) return false;
            // libplist aborts on a dictionary key holding a NUL character.
            if (type == 0xD && i < entries && keyHoldsNul(ref)) return false;
            out.push_back(ref);
        }
        return true;
    }

private:
    // An ASCII or UTF-16 string with a zero character; malformed counts too.
    bool keyHoldsNul(std::uint64_t object) const {
        const std::uint64_t offset = readBigEndian(data_ + tableOffset_ + object * offsetSize_, offsetSize_);
        if (offset >= size_) return true;
        const unsigned type = data_[offset] >> 4;
        if (type != 0x5 && type != 0x6) return false;
        std::uint64_t length = data_[offset] & 0xF;
        std::uint64_t position = offset + 1;
        if (length == 0xF) {
            if (position >= size_ || (data_[position] >> 4) != 0x1) return true;
            const std::size_t width = std::size_t{1} << (data_[position] & 0xF);
            if (width > 8 || position + 1 + width > size_) return true;
            length = readBigEndian(data_ + position + 1, width);
            position += 1 + width;
        }
        const std::uint64_t unit = type == 0x6 ? 2 : 1;
        if (length > (size_ - position) / unit) return true;
        for (std::uint64_t i = 0; i < length; ++i) {
            const unsigned char* character = data_ + position + i * unit;
            if (character[0] == 0 && (unit == 1 || character[1] == 0)) return true;
        }
        return false;
    }

    const unsigned char* data_;
    std::uint64_t size_;
    unsigned offsetSize_ = 0, refSize_ = 0;
    std::uint64_t count_ = 0, top_ = 0, tableOffset_ = 0;
};

}  // namespace

bool binaryPropertyListIsTame(std::string_view bytes, int depthLimit, std::uint64_t nodeLimit) {
    BinaryObjects objects(bytes);
    if (!objects.readTrailer()) return false;

    // Depth-first over the object graph with memoised subtree sizes: the
    // expanded tree is what the parser builds, so shared objects count once
    // per reference. A reference back into the current path is a cycle.
    enum : unsigned char { unvisited, open, done };
    std::vector<unsigned char> state(objects.count(), unvisited);
    std::vector<std::uint32_t> treeSize(objects.count(), 0);
    struct Frame {
        std::uint64_t object;
        std::vector<std::uint64_t> children;
        std::size_t next = 0;
        std::uint64_t size = 1;
    };
    std::vector<Frame> stack;
    auto enter = [&](std::uint64_t object) {
        Frame frame{object, {}, 0, 1};
        if (!objects.references(object, frame.children)) return false;
        state[object] = open;
        stack.push_back(std::move(frame));
        return static_cast<int>(stack.size()) <= depthLimit;
    };
    if (!enter(objects.top())) return false;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.children.size()) {
            if (frame.size > nodeLimit) return false;
            treeSize[frame.object] = static_cast<std::uint32_t>(frame.size);
            state[frame.object] = done;
            const std::uint64_t size = frame.size;
            stack.pop_back();
            if (!stack.empty()) stack.back().size += size;
            continue;
        }
        const std::uint64_t child = frame.children[frame.next++];
        if (state[child] == open) return false;
        if (state[child] == done) {
            frame.size += treeSize[child];
            if (frame.size > nodeLimit) return false;
            continue;
        }
        if (!enter(child)) return false;
    }
    return true;
}

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

// Each container in an expanded tree needs at least one byte of a file that
// may hold at most about four million; more means shared objects multiplied.
constexpr std::uint64_t propertyListNodeLimit = 8'000'000;

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
            const std::uint32_t size = plist_array_get_size(node);
            array.reserve(size);
            for (std::uint32_t i = 0; i < size; ++i) {
                auto item = convert(plist_array_get_item(node, i), depth + 1);
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

std::optional<Value> parsePropertyList(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > UINT32_MAX) return std::nullopt;
    const auto length = static_cast<std::uint32_t>(bytes.size());
    const bool binary = plist_is_binary(bytes.data(), length) != 0;
    if (binary ? !detail::binaryPropertyListIsTame(bytes, documentDepthLimit, propertyListNodeLimit)
               : !detail::xmlPropertyListIsTame(bytes, documentDepthLimit)) {
        return std::nullopt;
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), length, &root);
    if (!root) return std::nullopt;
    std::unique_ptr<void, PlistDeleter> owner(root);
    return convert(root, 0);
}

}  // namespace chordmap
