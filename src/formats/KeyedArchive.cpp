#include "formats/KeyedArchive.h"

namespace chordmap {
namespace {

// The object a reference names in $objects; none for anything else.
const Value* referenced(const Value::Array& objects, const Value* reference) {
    const Value::Uid* uid = reference ? reference->uid() : nullptr;
    return uid && uid->index < objects.size() ? &objects[uid->index] : nullptr;
}

}  // namespace

std::optional<ArchivedObject> keyedArchiveRoot(const Value& archive) {
    const Value* archiver = archive.find("$archiver");
    if (!archiver || !archiver->string() || *archiver->string() != "NSKeyedArchiver") return std::nullopt;
    const Value* objects = archive.find("$objects");
    const Value* top = archive.find("$top");
    if (!objects || !objects->array() || !top) return std::nullopt;
    // A nil root is the string "$null", so no dictionary.
    const Value* root = referenced(*objects->array(), top->find("root"));
    if (!root || !root->dictionary()) return std::nullopt;
    const Value* objectClass = referenced(*objects->array(), root->find("$class"));
    const Value* className = objectClass ? objectClass->find("$classname") : nullptr;
    if (!className || !className->string()) return std::nullopt;
    return ArchivedObject{root->dictionary(), className->string()};
}

}  // namespace chordmap
