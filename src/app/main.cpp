#include "app/ChordmapMain.h"

int main(int argc, char** argv) { return chordmap::ChordmapMain::main(argc, argv); }
