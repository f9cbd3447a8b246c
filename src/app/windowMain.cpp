#include "app/ChordmapMain.h"
#include "app/WindowedApplication.h"

int main(int argc, char** argv) { return chordmap::ChordmapMain::main(argc, argv, chordmap::runWindowedApplication); }
