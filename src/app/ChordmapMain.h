#pragma once

#include "model/ShortcutSpec.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace chordmap {

// The one entry point: print the version or the usage, scan one combination,
// map them all, or start the windowed application with `startWindow`.
// Returns 0, or what `startWindow` returns (2 when no display can be reached).
struct ChordmapMain {
    using WindowStarter = int (*)(int& argc, char** argv);
    static int main(int argc, char** argv, WindowStarter startWindow);
};

// "Chordmap " followed by the version text and a line feed.
std::string versionLine();

// The snapshot of one combination as the command line prints it, line feed included.
std::string scanOutput(const Platform& platform, const ShortcutSpec& shortcut);

// Every claimed combination as the command line prints it, line feed included.
void writeMap(const Platform& platform, int fd);

}  // namespace chordmap
