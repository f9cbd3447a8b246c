#include "app/ChordmapMain.h"
#include "app/WindowProgram.h"

// The command line: version and scans here, the window in its own program.
int main(int argc, char** argv) { return chordmap::ChordmapMain::main(argc, argv, chordmap::execWindowProgram); }
