#pragma once

namespace chordmap {

// Runs the desktop application until its window closes or it quits.
int runWindowedApplication(int& argc, char** argv);

}  // namespace chordmap
