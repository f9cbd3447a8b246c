#pragma once

#include "model/Value.h"
#include "scan/Declaration.h"

#include <optional>
#include <string_view>

namespace chordmap {

class Processes;

// The macro library, below the home directory, and its label in notes and
// checked sources.
inline constexpr const char* keyboardMaestroFile =
    "Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist";
inline constexpr const char* keyboardMaestroLabel = "Keyboard Maestro 宏配置";

// The library as the scan reads it: the macros' actions, most of a
// library, are left out of the tree (a binary list still checks them).
std::optional<Value> parseKeyboardMaestroLibrary(std::string_view bytes);

// Every hot-key trigger of an enabled macro in an enabled group, in file
// order. A macro with two triggers on one combination gives two findings
// with one id.
void keyboardMaestroDeclarations(const Processes& processes, const Value::Dictionary& root, const Url& sourceURL,
                                 Inventory& inventory);

}  // namespace chordmap
