#pragma once

#include "model/Evidence.h"
#include "platform/Platform.h"

namespace chordmap {

// The live keyboard observer. Its scan is the one entry to the
// configuration scan for the whole program.
class ShortcutDetector {
public:
    explicit ShortcutDetector(const Platform& platform) : platform_(platform) {}

    // The configuration scan of the user's home, with the secure-input note
    // first while secure keyboard input hides key presses.
    DetectionSnapshot scan(const ShortcutSpec& shortcut) const;

private:
    const Platform& platform_;
};

}  // namespace chordmap
