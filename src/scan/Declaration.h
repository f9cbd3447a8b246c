#pragma once

#include "model/Evidence.h"
#include "scan/Condition.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace chordmap {

// The combinations a configuration entry takes: one key, the modifiers that
// must be held and those that may be held besides.
struct Claim {
    std::uint16_t keyCode = 0;
    std::uint64_t required = 0;
    std::uint64_t allowed = 0;

    static Claim exactly(const ShortcutSpec& shortcut) { return Claim{shortcut.keyCode, shortcut.modifiers, 0}; }
    // The key whatever modifiers are held.
    static Claim anyModifiers(std::uint16_t keyCode) { return Claim{keyCode, 0, modifier::all}; }

    bool claims(const ShortcutSpec& shortcut) const {
        return shortcut.keyCode == keyCode && (required & ~shortcut.modifiers) == 0 &&
               (shortcut.modifiers & ~(required | allowed)) == 0;
    }

    // Every combination it takes, each once, by ascending modifiers.
    std::vector<ShortcutSpec> combinations() const;

    bool operator==(const Claim&) const = default;
};

// One entry of a configuration that claims combinations, with the finding it
// gives for each of them.
struct Declaration {
    Claim claim;
    Finding finding;
    // What else it needs (the application in front, a mode…); empty when it holds
    // wherever its tool runs.
    std::vector<Condition> conditions = {};
};

// What the configuration sources declare, in the order they were read, with
// the notes and labels of what was read. A one-combination scan collects
// only the declarations that claim it, so it never builds the rest.
class Inventory {
public:
    // Every declaration, or only those that claim `only`.
    explicit Inventory(std::optional<ShortcutSpec> only = std::nullopt) : only_(only) {}

    const std::optional<ShortcutSpec>& only() const { return only_; }
    bool wants(const Claim& claim) const { return !only_ || claim.claims(*only_); }
    void declare(const Claim& claim, Finding finding, std::vector<Condition> conditions = {}) {
        if (wants(claim)) declarations.push_back({claim, std::move(finding), std::move(conditions)});
    }
    // What another inventory read, after what this one holds.
    void append(Inventory&& other);

    std::vector<Declaration> declarations;
    std::vector<std::string> notes;
    std::vector<std::string> checkedSources;

private:
    std::optional<ShortcutSpec> only_;
};

}  // namespace chordmap
