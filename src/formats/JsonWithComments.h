#pragma once

#include <string>
#include <string_view>

namespace chordmap {

// JSON text with its `//` line comments and `/* */` block comments taken
// out, so a strict parser reads what a comment-tolerant one would. Text
// inside strings is kept as is; each comment becomes one space, a line
// comment keeps its line break. An unterminated block comment is left in
// place, so the strict parser still refuses the text.
std::string withoutJsonComments(std::string_view text);

}  // namespace chordmap
