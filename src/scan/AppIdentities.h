#pragma once

#include "model/Evidence.h"

#include <cstdint>
#include <string>

namespace chordmap {

class Processes;

// An application known by its bundle identifier: the running instance when
// there is one, else the installed one (or just the name).
AppIdentity knownApplication(const Processes& processes, const std::string& name, const std::string& bundleID);

// A running or recently running process.
AppIdentity processIdentity(const Processes& processes, std::int32_t pid);

}  // namespace chordmap
