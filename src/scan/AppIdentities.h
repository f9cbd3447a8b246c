#pragma once

#include "model/Evidence.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace chordmap {

class Processes;
struct RunningApplication;

// An application known by its bundle identifier: the running instance when
// there is one, else the installed one (or just the name).
AppIdentity knownApplication(const Processes& processes, const std::string& name, const std::string& bundleID);

// A running or recently running process.
AppIdentity processIdentity(const Processes& processes, std::int32_t pid);

// The application a user names: a path (an application bundle, whose
// Info.plist gives the bundle identifier, or an executable) when it holds a
// slash, else a bundle identifier.
FrontApplication frontApplicationNamed(std::string_view bundleIDOrPath);

// A running application as the front one: its path is the executable's,
// which lies inside its bundle, so path patterns written for either match.
// None when nothing about it is known, not even a name.
std::optional<FrontApplication> frontApplicationOf(const RunningApplication& application);

// What the user calls the application: its name, else its bundle identifier,
// else its path's last component.
std::string displayName(const FrontApplication& front);

}  // namespace chordmap
