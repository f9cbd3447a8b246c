#include "platform/BundleInfo.h"

namespace chordmap {

// Without a bundle, the build compiles the project's version in.
std::optional<std::string> bundleShortVersion() {
#ifdef CHORDMAP_VERSION
    return CHORDMAP_VERSION;
#else
    return std::nullopt;
#endif
}

}  // namespace chordmap
