#pragma once

namespace chordmap {

// Replaces this process with the windowed program installed beside it
// (chordmap-window), so that the command line never loads the GUI
// libraries. Returns only when that program cannot be started.
int execWindowProgram(int& argc, char** argv);

}  // namespace chordmap
