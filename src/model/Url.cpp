#include "model/Url.h"

#include <cstring>

namespace chordmap {
namespace {

constexpr std::string_view filePrefix = "file://";

bool staysLiteral(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::strchr("-._~!$&'()*+,;=:@/", c) != nullptr && c != 0;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

Url Url::file(std::string_view absolutePath, bool isDirectory) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text(filePrefix);
    for (char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        if (staysLiteral(c)) {
            text += ch;
        } else {
            text += '%';
            text += hex[c >> 4];
            text += hex[c & 0xF];
        }
    }
    if (isDirectory && text.back() != '/') text += '/';
    return Url(std::move(text));
}

bool Url::isFile() const { return text_.starts_with(filePrefix); }

std::optional<std::string> Url::path() const {
    if (!isFile()) return std::nullopt;
    std::string_view encoded = std::string_view(text_).substr(filePrefix.size());
    std::string out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0 && hexValue(encoded[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
            i += 2;
        } else {
            out += encoded[i];
        }
    }
    // A directory URL's path has no trailing slash, as Foundation reports it.
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

}  // namespace chordmap
