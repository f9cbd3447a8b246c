#pragma once

namespace chordmap {

// Runs the desktop application until it quits (on Linux: until its window
// closes).
int runWindowedApplication(int& argc, char** argv);

// The application-wide settings of the windowed program: name, version,
// icon, the controls' style. Call right after making the application object.
void configureApplication();

}  // namespace chordmap
