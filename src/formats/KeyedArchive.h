#pragma once

#include "model/Value.h"

#include <optional>
#include <string>

namespace chordmap {

// The root object of a keyed archive (the $archiver, $top and $objects
// property list NSKeyedArchiver writes), read without running any class code:
// its members as stored, references unresolved, and the name of its class.
struct ArchivedObject {
    const Value::Dictionary* members;
    const std::string* className;
};

// None when the document is no keyed archive, its root is nil, or a
// reference on the way points nowhere. Property-list readers give object
// references as integers.
std::optional<ArchivedObject> keyedArchiveRoot(const Value& archive);

}  // namespace chordmap
