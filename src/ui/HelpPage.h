#pragma once

#include "model/Url.h"

namespace chordmap {

// The help page that ships with the program, at its "#help" fragment. It
// lies beside the executable as the installation lays it out:
// <prefix>/bin/chordmap and <prefix>/share/chordmap/help/index.html (the
// build tree mirrors that), or the bundle's resources on macOS.
Url helpPageURL();

}  // namespace chordmap
