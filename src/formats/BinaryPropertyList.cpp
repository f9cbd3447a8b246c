// Binary property lists (bplist00), read straight into Value.
//
// The reader accepts what libplist 2.2 accepts and converts it the same way
// (the libplist path stays as the reference for tests). Where libplist gets a
// value wrong the reader keeps it: dates before 2001 or past 2^31 seconds;
// empty UTF-16 strings, which libplist refuses; strings and keys holding
// U+0000, which libplist cuts or aborts on. A lone UTF-16 surrogate becomes
// U+FFFD, a 16-byte integer beyond 64 bits a real (so no number), and a UID
// stays a UID. Counts wider than 8 bytes, which libplist reads in part, are
// refused.
#include "formats/Documents.h"

#include "model/Text.h"

#include <cmath>
#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace chordmap {
namespace detail {
namespace {

std::uint64_t readBigEndian(const unsigned char* p, std::size_t n) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < n; ++i) value = (value << 8) | p[i];
    return value;
}

enum Marker : unsigned {
    simple = 0x0,
    integerMarker = 0x1,
    realMarker = 0x2,
    dateMarker = 0x3,
    dataMarker = 0x4,
    asciiMarker = 0x5,
    utf16Marker = 0x6,
    uidMarker = 0x8,
    arrayMarker = 0xA,
    setMarker = 0xC,
    dictionaryMarker = 0xD,
};

bool isContainer(unsigned type) { return type == arrayMarker || type == setMarker || type == dictionaryMarker; }

// The object table of a binary property list. Every read is checked against
// the end of the object area (the start of the offset table).
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
        if (tableOffset_ < 8 || tableOffset_ > tableEnd) return false;
        return count_ <= (tableEnd - tableOffset_) / offsetSize_;
    }

    std::uint64_t count() const { return count_; }
    std::uint64_t top() const { return top_; }
    unsigned refSize() const { return refSize_; }

    // Where an object starts; none when the offset points outside the object area.
    std::optional<std::uint64_t> offset(std::uint64_t object) const {
        const std::uint64_t at = readBigEndian(data_ + tableOffset_ + object * offsetSize_, offsetSize_);
        if (at < 8 || at >= tableOffset_) return std::nullopt;
        return at;
    }

    // An object's type, its count (strings, data, containers) or size nibble
    // (the rest), and where its payload starts.
    struct Header {
        unsigned type;
        std::uint64_t count;
        std::uint64_t payload;
    };
    std::optional<Header> header(std::uint64_t object) const {
        const auto at = offset(object);
        if (!at) return std::nullopt;
        const unsigned char marker = data_[*at];
        Header h{static_cast<unsigned>(marker >> 4), marker & 0xFu, *at + 1};
        const bool counted =
            h.type == dataMarker || h.type == asciiMarker || h.type == utf16Marker || isContainer(h.type);
        if (counted && h.count == 0xF) {
            if (h.payload >= tableOffset_ || (data_[h.payload] >> 4) != integerMarker) return std::nullopt;
            // Counts wider than 8 bytes are malformed (libplist reads their low bytes).
            const std::uint64_t width = std::uint64_t{1} << (data_[h.payload] & 0xF);
            if (width > 8 || !fits(h.payload + 1, width)) return std::nullopt;
            h.count = readBigEndian(data_ + h.payload + 1, width);
            h.payload += 1 + width;
        }
        return h;
    }

    // Whether `length` bytes from `position` lie inside the object area.
    bool fits(std::uint64_t position, std::uint64_t length) const {
        return position <= tableOffset_ && length <= tableOffset_ - position;
    }
    // Whether `count` items of `unit` bytes each do.
    bool fits(std::uint64_t position, std::uint64_t count, std::uint64_t unit) const {
        return position <= tableOffset_ && count <= (tableOffset_ - position) / unit;
    }

    std::uint64_t reference(std::uint64_t position, std::uint64_t i) const {
        return readBigEndian(data_ + position + i * refSize_, refSize_);
    }
    const unsigned char* at(std::uint64_t position) const { return data_ + position; }

    // A container's references: count (doubled for a dictionary) and where
    // they start; none when they do not fit or point past the table.
    struct References {
        std::uint64_t entries;  // elements, or dictionary pairs
        std::uint64_t total;    // references
        std::uint64_t position;
    };
    std::optional<References> references(const Header& h) const {
        if (!isContainer(h.type)) return References{0, 0, h.payload};
        if (h.count > tableOffset_) return std::nullopt;
        const std::uint64_t total = h.type == dictionaryMarker ? h.count * 2 : h.count;
        if (!fits(h.payload, total, refSize_)) return std::nullopt;
        return References{h.count, total, h.payload};
    }

private:
    const unsigned char* data_;
    std::uint64_t size_;
    unsigned offsetSize_ = 0, refSize_ = 0;
    std::uint64_t count_ = 0, top_ = 0, tableOffset_ = 0;
};

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A string object (ASCII or UTF-16) as valid UTF-8, U+0000 included; none
// when the object is no string or is malformed.
std::optional<std::string> string(const BinaryObjects& objects, const BinaryObjects::Header& h) {
    if (h.type == asciiMarker) {
        if (!objects.fits(h.payload, h.count)) return std::nullopt;
        return validUtf8(std::string_view(reinterpret_cast<const char*>(objects.at(h.payload)), h.count));
    }
    if (h.type != utf16Marker) return std::nullopt;
    if (!objects.fits(h.payload, h.count, 2)) return std::nullopt;
    const unsigned char* units = objects.at(h.payload);
    const auto unit = [&](std::uint64_t i) { return (std::uint32_t{units[2 * i]} << 8) | units[2 * i + 1]; };
    const auto isLead = [](std::uint32_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto isTrail = [](std::uint32_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    std::string out;
    out.reserve(h.count * 3);
    for (std::uint64_t i = 0; i < h.count; ++i) {
        const std::uint32_t c = unit(i);
        if (isLead(c) && i + 1 < h.count && isTrail(unit(i + 1))) {
            appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00));
        } else {
            appendUtf8(out, isLead(c) || isTrail(c) ? 0xFFFD : c);
        }
    }
    return out;
}

// A signed 128-bit integer: its 64-bit pattern when it lies in
// [-2^63, 2^64 - 1], otherwise the nearest real.
Value wideInteger(std::uint64_t high, std::uint64_t low) {
    if (high == 0 || (high == ~std::uint64_t{0} && (low >> 63) != 0)) return Value::unsignedInteger(low);
    const double magnitude = static_cast<double>(high) * 18446744073709551616.0 + static_cast<double>(low);
    if ((high >> 63) == 0) return Value(magnitude);
    return Value(-(static_cast<double>(~high) * 18446744073709551616.0 + static_cast<double>(~low) + 1.0));
}

// Dates keep whole microseconds, as libplist 2.2 stores them; the seconds
// are not cut to 32 bits as its accessor does.
double microsecondDate(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) >= 9.2e18) return seconds;
    const auto whole = static_cast<std::int64_t>(seconds);
    const auto microseconds = static_cast<std::int64_t>((seconds - static_cast<double>(whole)) * 1000000);
    return static_cast<double>(whole) + static_cast<double>(microseconds) / 1e6;
}

// Builds the tree, once the graph is known to be tame (no cycles, bounded
// depth and expansion). Members named in `leaveOut` are only checked: a
// malformed one still fails the document, as it does for libplist.
class Builder {
public:
    Builder(const BinaryObjects& objects, std::span<const std::string_view> leaveOut)
        : objects_(objects), leaveOut_(leaveOut) {}

    // Without `out`, only whether it could be built.
    bool build(std::uint64_t object, int depth, Value* out) const {
        if (depth > documentDepthLimit) return false;
        const auto h = objects_.header(object);
        if (!h) return false;
        switch (h->type) {
            case simple:
                // Null and fill markers are not objects libplist 2.2 reads.
                if (h->count != 0x8 && h->count != 0x9) return false;
                if (out) *out = Value(h->count == 0x9);
                return true;
            case integerMarker: {
                if (h->count > 4) return false;
                const std::uint64_t width = std::uint64_t{1} << h->count;
                if (!objects_.fits(h->payload, width)) return false;
                if (!out) return true;
                if (width < 16) {
                    *out = Value::unsignedInteger(readBigEndian(objects_.at(h->payload), width));
                    return true;
                }
                *out = wideInteger(readBigEndian(objects_.at(h->payload), 8),
                                   readBigEndian(objects_.at(h->payload + 8), 8));
                return true;
            }
            case realMarker:
            case dateMarker: {
                if (h->count != 2 && h->count != 3) return false;
                if (h->type == dateMarker && h->count != 3) return false;
                const std::uint64_t width = std::uint64_t{1} << h->count;
                if (!objects_.fits(h->payload, width)) return false;
                if (!out) return true;
                const std::uint64_t bits = readBigEndian(objects_.at(h->payload), width);
                double real = 0;
                if (width == 4) {
                    float f = 0;
                    const auto narrow = static_cast<std::uint32_t>(bits);
                    std::memcpy(&f, &narrow, sizeof f);
                    real = f;
                } else {
                    std::memcpy(&real, &bits, sizeof real);
                }
                *out = h->type == dateMarker ? Value(Value::Date{microsecondDate(real)}) : Value(real);
                return true;
            }
            case dataMarker: {
                if (!objects_.fits(h->payload, h->count)) return false;
                if (out) *out = Value(Value::Data{std::string(reinterpret_cast<const char*>(objects_.at(h->payload)), h->count)});
                return true;
            }
            case asciiMarker:
            case utf16Marker: {
                if (!out) return isString(*h);
                auto text = string(objects_, *h);
                if (!text) return false;
                *out = Value(std::move(*text));
                return true;
            }
            case uidMarker: {
                const std::uint64_t width = h->count + 1;
                if (!objects_.fits(h->payload, width)) return false;
                const std::uint64_t low = width > 8 ? width - 8 : 0;
                const std::uint64_t uid = readBigEndian(objects_.at(h->payload + low), width - low);
                if (uid > UINT32_MAX) return false;  // keyed archives count objects in 32 bits
                if (out) *out = Value(Value::Uid{uid});
                return true;
            }
            case arrayMarker:
            case setMarker:
            case dictionaryMarker:
                return container(*h, depth, out);
            default:
                return false;
        }
    }

private:
    // What string() reads without failing.
    bool isString(const BinaryObjects::Header& h) const {
        if (h.type == asciiMarker) return objects_.fits(h.payload, h.count);
        return h.type == utf16Marker && objects_.fits(h.payload, h.count, 2);
    }

    bool container(const BinaryObjects::Header& h, int depth, Value* out) const {
        const auto refs = objects_.references(h);
        if (!refs) return false;
        for (std::uint64_t i = 0; i < refs->total; ++i) {
            if (objects_.reference(refs->position, i) >= objects_.count()) return false;
        }
        if (h.type != dictionaryMarker) {
            Value::Array array(out ? refs->entries : 0);
            for (std::uint64_t i = 0; i < refs->entries; ++i) {
                if (!build(objects_.reference(refs->position, i), depth + 1, out ? &array[i] : nullptr)) return false;
            }
            if (out) *out = Value(std::move(array));
            return true;
        }
        Value::Dictionary dictionary;
        for (std::uint64_t i = 0; i < refs->entries; ++i) {
            const std::uint64_t keyObject = objects_.reference(refs->position, i);
            const std::uint64_t valueObject = objects_.reference(refs->position, refs->entries + i);
            const auto keyHeader = objects_.header(keyObject);
            if (!keyHeader) return false;
            if (!out) {
                if (!isString(*keyHeader) || !build(valueObject, depth + 1, nullptr)) return false;
                continue;
            }
            auto key = string(objects_, *keyHeader);
            if (!key) return false;
            if (std::find(leaveOut_.begin(), leaveOut_.end(), *key) != leaveOut_.end()) {
                if (!build(valueObject, depth + 1, nullptr)) return false;
                continue;
            }
            // A repeated key keeps its last value.
            auto& value = dictionary.insert_or_assign(std::move(*key), Value()).first->second;
            if (!build(valueObject, depth + 1, &value)) return false;
        }
        if (out) *out = Value(std::move(dictionary));
        return true;
    }

    const BinaryObjects& objects_;
    std::span<const std::string_view> leaveOut_;
};

// An ASCII or UTF-16 key with a zero character; malformed counts too.
// libplist 2.2 aborts the process on such a key.
bool keyHoldsNul(const BinaryObjects& objects, std::uint64_t object) {
    const auto h = objects.header(object);
    if (!h) return true;
    if (h->type != asciiMarker && h->type != utf16Marker) return false;
    const std::uint64_t unit = h->type == utf16Marker ? 2 : 1;
    if (!objects.fits(h->payload, h->count, unit)) return true;
    const unsigned char* characters = objects.at(h->payload);
    for (std::uint64_t i = 0; i < h->count; ++i) {
        const unsigned char* character = characters + i * unit;
        if (character[0] == 0 && (unit == 1 || character[1] == 0)) return true;
    }
    return false;
}

}  // namespace

bool binaryPropertyListIsTame(std::string_view bytes, int depthLimit, std::uint64_t nodeLimit, bool refuseNulKeys) {
    BinaryObjects objects(bytes);
    if (!objects.readTrailer()) return false;

    // Depth-first over the object graph with memoised subtree sizes: the
    // expanded tree is what a parser builds, so shared objects count once
    // per reference. A reference back into the current path is a cycle.
    enum : unsigned char { unvisited, open, done };
    std::vector<unsigned char> state(objects.count(), unvisited);
    std::vector<std::uint32_t> treeSize(objects.count(), 0);
    struct Frame {
        std::uint64_t object;
        BinaryObjects::References refs;
        std::uint64_t next = 0;
        std::uint64_t size = 1;
    };
    std::vector<Frame> stack;
    auto enter = [&](std::uint64_t object) {
        const auto h = objects.header(object);
        if (!h) return false;
        const auto refs = objects.references(*h);
        if (!refs) return false;
        for (std::uint64_t i = 0; i < refs->total; ++i) {
            const std::uint64_t ref = objects.reference(refs->position, i);
            if (ref >= objects.count()) return false;
            if (refuseNulKeys && h->type == dictionaryMarker && i < refs->entries && keyHoldsNul(objects, ref))
                return false;
        }
        state[object] = open;
        stack.push_back(Frame{object, *refs, 0, 1});
        return static_cast<int>(stack.size()) <= depthLimit;
    };
    if (!enter(objects.top())) return false;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.refs.total) {
            if (frame.size > nodeLimit) return false;
            treeSize[frame.object] = static_cast<std::uint32_t>(frame.size);
            state[frame.object] = done;
            const std::uint64_t size = frame.size;
            stack.pop_back();
            if (!stack.empty()) stack.back().size += size;
            continue;
        }
        const std::uint64_t child = objects.reference(frame.refs.position, frame.next++);
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

std::optional<Value> parseBinaryPropertyList(std::string_view bytes, std::span<const std::string_view> leaveOut) {
    if (!binaryPropertyListIsTame(bytes, documentDepthLimit, propertyListNodeLimit)) return std::nullopt;
    BinaryObjects objects(bytes);
    objects.readTrailer();
    Value root;
    if (!Builder(objects, leaveOut).build(objects.top(), 0, &root)) return std::nullopt;
    return root;
}

}  // namespace detail
}  // namespace chordmap
