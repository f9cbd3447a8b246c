// An XML property list made ready for libplist, which reads UTF-8 only,
// keeps CR as it is and clamps integers to 64 bits.
#include "formats/Documents.h"

#include <unicode/unistr.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace chordmap::detail {
namespace {

bool equalsIgnoringCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lower[i]) return false;
    }
    return true;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The encoding named by the XML declaration, if the document starts with one.
std::string_view declaredEncoding(std::string_view bytes) {
    if (!bytes.starts_with("<?xml") || bytes.size() < 6 || !isSpace(bytes[5])) return {};
    const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
    std::size_t i = declaration.find("encoding");
    if (i == std::string_view::npos) return {};
    i += 8;
    while (i < declaration.size() && isSpace(declaration[i])) ++i;
    if (i == declaration.size() || declaration[i] != '=') return {};
    ++i;
    while (i < declaration.size() && isSpace(declaration[i])) ++i;
    if (i == declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) return {};
    const std::size_t end = declaration.find(declaration[i], i + 1);
    if (end == std::string_view::npos) return {};
    return declaration.substr(i + 1, end - i - 1);
}

// The document in UTF-8: `bytes` itself, or `storage` once converted. A
// byte-order mark, or the first characters of a UTF-16 document, decide its
// encoding; otherwise the declaration does, UTF-8 when it names none. None
// when ICU knows no such encoding.
std::optional<std::string_view> utf8Document(std::string_view bytes, std::string& storage) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return bytes.substr(3);
    std::string name;
    if (bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xFF\xFE")) {
        name = "UTF-16";  // the converter reads and drops the mark
    } else if (bytes.starts_with(std::string_view("\0<\0?", 4))) {
        name = "UTF-16BE";
    } else if (bytes.starts_with(std::string_view("<\0?\0", 4))) {
        name = "UTF-16LE";
    } else {
        const std::string_view declared = declaredEncoding(bytes);
        if (declared.empty() || equalsIgnoringCase(declared, "utf-8")) return bytes;
        name = declared;
    }
    if (bytes.size() > INT32_MAX) return std::nullopt;
    const icu::UnicodeString text(bytes.data(), static_cast<std::int32_t>(bytes.size()), name.c_str());
    if (text.isBogus()) return std::nullopt;
    storage.clear();
    text.toUTF8String(storage);
    return storage;
}

// CR LF and lone CR become LF, as an XML processor sees line ends: `text`
// itself, or `storage` once changed (`text` may already be `storage`).
std::string_view withLineFeeds(std::string_view text, std::string& storage) {
    const std::size_t first = text.find('\r');
    if (first == std::string_view::npos) return text;
    if (text.data() != storage.data()) storage.assign(text);
    std::size_t out = first;
    for (std::size_t i = first; i < storage.size(); ++i) {
        if (storage[i] != '\r') {
            storage[out++] = storage[i];
            continue;
        }
        storage[out++] = '\n';
        if (i + 1 < storage.size() && storage[i + 1] == '\n') ++i;
    }
    storage.resize(out);
    return storage;
}

// Whether libplist would clamp this integer text: it skips white space, takes
// one sign, and reads the rest with strtoull (decimal, 0x hexadecimal or 0 octal).
bool beyond64Bits(std::string_view content) {
    if (content.size() < 19) return false;  // the shortest: "0x" and 17 hexadecimal digits
    std::size_t i = 0;
    while (i < content.size() && isSpace(content[i])) ++i;
    const bool negative = i < content.size() && content[i] == '-';
    if (i < content.size() && (content[i] == '-' || content[i] == '+')) ++i;
    if (i == content.size() || content[i] < '0' || content[i] > '9') return false;
    const std::string digits(content.substr(i));
    errno = 0;
    const unsigned long long magnitude = std::strtoull(digits.c_str(), nullptr, 0);
    return errno == ERANGE || (negative && magnitude > (1ULL << 63));
}

// An integer element, from "<integer" to past "</integer>", and its text.
struct IntegerElement {
    std::size_t begin, textBegin, textEnd, end;
};

}  // namespace

std::optional<std::string_view> xmlPropertyListForLibplist(std::string_view bytes, int depthLimit,
                                                            std::string& storage) {
    const std::optional<std::string_view> decoded = utf8Document(bytes, storage);
    if (!decoded) return std::nullopt;
    const std::string_view text = withLineFeeds(*decoded, storage);

    // One walk over the tags: nesting depth, and the integer elements whose
    // text is beyond 64 bits, to be given as reals instead.
    std::vector<IntegerElement> wideIntegers;
    int depth = 0;
    std::size_t i = 0;
    auto skipPast = [&](std::string_view terminator) {
        const std::size_t end = text.find(terminator, i);
        i = end == std::string_view::npos ? text.size() : end + terminator.size();
    };
    while ((i = text.find('<', i)) != std::string_view::npos) {
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("<!--")) {
            skipPast("-->");
            continue;
        }
        if (rest.starts_with("<![CDATA[")) {
            skipPast("]]>");
            continue;
        }
        const std::size_t close = text.find('>', i);
        if (close == std::string_view::npos) break;
        const std::string_view tag = text.substr(i + 1, close - i - 1);
        const bool selfClosing = !tag.empty() && tag.back() == '/';
        auto named = [&](std::string_view name) {
            return tag.starts_with(name) &&
                   (tag.size() == name.size() || tag[name.size()] == '/' || isSpace(tag[name.size()]));
        };
        if ((named("array") || named("dict")) && !selfClosing) {
            if (++depth > depthLimit) return std::nullopt;
        } else if (named("/array") || named("/dict")) {
            --depth;
        } else if (named("integer") && !selfClosing) {
            const std::size_t textEnd = text.find('<', close + 1);
            const std::size_t end = textEnd == std::string_view::npos ? textEnd : text.find('>', textEnd);
            if (end != std::string_view::npos && text.substr(textEnd).starts_with("</integer") &&
                beyond64Bits(text.substr(close + 1, textEnd - close - 1))) {
                wideIntegers.push_back({i, close + 1, textEnd, end + 1});
                i = end + 1;
                continue;
            }
        }
        i = close + 1;
    }
    if (wideIntegers.empty()) return text;

    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (const IntegerElement& element : wideIntegers) {
        out += text.substr(copied, element.begin - copied);
        out += "<real>";
        out += text.substr(element.textBegin, element.textEnd - element.textBegin);
        out += "</real>";
        copied = element.end;
    }
    out += text.substr(copied);
    storage = std::move(out);
    return storage;
}

}  // namespace chordmap::detail
