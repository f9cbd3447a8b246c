#pragma once

#include "model/ShortcutSpec.h"
#include "platform/Platform.h"

#include <optional>
#include <string>
#include <vector>

namespace chordmap {

// The one entry point: print the version or the usage, scan one combination,
// map them all, or start the windowed application with `startWindow`.
// Returns 0, 2 for --app without an application, or what `startWindow`
// returns (2 when no display can be reached).
struct ChordmapMain {
    using WindowStarter = int (*)(int& argc, char** argv);
    static int main(int argc, char** argv, WindowStarter startWindow);
};

// "Chordmap " followed by the version text and a line feed.
std::string versionLine();

// The snapshot of one combination as the command line prints it, line feed
// included; `app` names the front application the conditions are judged for.
std::string scanOutput(const Platform& platform, const ShortcutSpec& shortcut,
                       const std::optional<std::string>& app = std::nullopt);

// Every claimed combination as the command line prints it, line feed included.
void writeMap(const Platform& platform, int fd, const std::optional<std::string>& app = std::nullopt);

}  // namespace chordmap
