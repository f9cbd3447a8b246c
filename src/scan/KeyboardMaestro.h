#pragma once

#include "model/Evidence.h"
#include "model/Value.h"

#include <vector>

namespace chordmap {

class Processes;

// The macro library, below the home directory, and its label in notes and
// checked sources.
inline constexpr const char* keyboardMaestroFile =
    "Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist";
inline constexpr const char* keyboardMaestroLabel = "Keyboard Maestro 宏配置";

// Every hot-key trigger of an enabled macro in an enabled group that is
// exactly `shortcut`, in file order. A macro with two such triggers gives two
// findings with one id.
std::vector<Finding> keyboardMaestroFindings(const Processes& processes, const Value::Dictionary& root,
                                             const ShortcutSpec& shortcut, const Url& sourceURL);

}  // namespace chordmap
