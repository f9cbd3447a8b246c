#pragma once

#include "model/Evidence.h"
#include "model/KeyboardMap.h"
#include "model/Value.h"
#include "platform/Platform.h"
#include "scan/Declaration.h"
#include "scan/SerializedProcesses.h"

#include <optional>
#include <string>
#include <string_view>

namespace chordmap {

// The static half of the question: which system or tool configuration claims
// a combination. Each configuration source reads its files once and declares
// what they claim; a scan keeps the declarations that claim one combination,
// the map groups them all by combination. Nothing in a scan is fatal.
class ConfigurationScanner {
public:
    ConfigurationScanner(std::string home, const Platform& platform)
        : home_(std::move(home)), platform_(platform), processes_(platform.processes) {}

    const std::string& home() const { return home_; }
    // A path below the home directory, whether or not home ends in a slash.
    std::string inHome(std::string_view relative) const;

    // With a front application, each conditional finding says whether it
    // holds there, and those that do not sort after the rest of their level.
    DetectionSnapshot scan(const ShortcutSpec& shortcut,
                           const std::optional<FrontApplication>& front = std::nullopt) const;
    KeyboardMap map(const std::optional<FrontApplication>& front = std::nullopt) const;

    // What every configuration source declares (or only what claims `only`),
    // in the order below; the sources are read at once, on several threads.
    Inventory inventory(std::optional<ShortcutSpec> only = std::nullopt) const;

    // The one guarded read every file-based source goes through: a missing
    // file leaves no trace; an oversized or unreadable one leaves its note.
    std::optional<std::string> read(const std::string& path, const std::string& source, Inventory& inventory) const;

    // A read document whose top level is a dictionary. Anything else gives
    // none and, when `unparsableNote` is given, that note.
    using Parser = std::optional<Value> (*)(std::string_view bytes);
    std::optional<Value> readDictionary(const std::string& path, const std::string& source, Parser parse,
                                        const char* unparsableNote, Inventory& inventory) const;

    // The configuration sources, in the order the inventory lists them.
    void system(Inventory& inventory) const;
    void keyboardMaestro(Inventory& inventory) const;
    void karabiner(Inventory& inventory) const;
    void skhd(Inventory& inventory) const;
    void hammerspoon(Inventory& inventory) const;
    void knownPreferences(Inventory& inventory) const;
    // The running keyboard filters: evidence about every combination, not a
    // declaration.
    void listeners(DetectionSnapshot& snapshot) const;

    // Rank order: level, then, when a front application was given, those
    // that hold there before those that do not, then application name
    // (canonically normalised, ordinal); ties keep their order.
    static void sortFindings(std::vector<Finding>& findings);
    // The places of the findings in rank order.
    static std::vector<std::size_t> rankOrder(const std::vector<const Finding*>& findings);

private:
    std::string home_;
    const Platform& platform_;
    // What the sources ask of the running processes, from whichever thread.
    SerializedProcesses processes_;
};

}  // namespace chordmap
