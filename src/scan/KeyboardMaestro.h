#pragma once

#include "model/Value.h"
#include "scan/Declaration.h"

namespace chordmap {

class Processes;

// The macro library, below the home directory, and its label in notes and
// checked sources.
inline constexpr const char* keyboardMaestroFile =
    "Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist";
inline constexpr const char* keyboardMaestroLabel = "Keyboard Maestro 宏配置";

// Every hot-key trigger of an enabled macro in an enabled group, in file
// order. A macro with two triggers on one combination gives two findings
// with one id.
void keyboardMaestroDeclarations(const Processes& processes, const Value::Dictionary& root, const Url& sourceURL,
                                 Inventory& inventory);

}  // namespace chordmap
