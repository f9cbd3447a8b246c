#include "formats/JsonWithComments.h"

#include <algorithm>

namespace chordmap {

std::string withoutJsonComments(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        // Plain text runs up to the next string or possible comment.
        const std::size_t special = std::min(text.find_first_of("\"/", i), text.size());
        out.append(text.substr(i, special - i));
        i = special;
        if (i == text.size()) break;
        const std::string_view rest = text.substr(i);
        if (rest[0] == '"') {
            // The whole string; a backslash escapes the byte after it.
            std::size_t end = 1;
            while (end < rest.size() && rest[end] != '"') end += rest[end] == '\\' ? 2 : 1;
            end = std::min(end + 1, rest.size());
            out.append(rest.substr(0, end));
            i += end;
        } else if (rest.starts_with("//")) {
            out += ' ';
            i = std::min(text.find('\n', i), text.size());
        } else if (rest.starts_with("/*")) {
            const std::size_t end = rest.find("*/", 2);
            if (end == std::string_view::npos) {
                out.append(rest);
                break;
            }
            out += ' ';
            i += end + 2;
        } else {
            out += '/';
            ++i;
        }
    }
    return out;
}

}  // namespace chordmap
