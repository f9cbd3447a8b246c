#pragma once

#include "model/Evidence.h"
#include "platform/Platform.h"

#include <optional>
#include <string>

namespace chordmap {

// The static half of the question: for one combination, which system or
// tool configuration claims it. Each source appends findings, notes and the
// labels of what it read; nothing in a scan is fatal.
class ConfigurationScanner {
public:
    ConfigurationScanner(std::string home, const Platform& platform) : home_(std::move(home)), platform_(platform) {}

    const std::string& home() const { return home_; }
    // A path below the home directory, whether or not home ends in a slash.
    std::string inHome(std::string_view relative) const;

    DetectionSnapshot scan(const ShortcutSpec& shortcut) const;

    // The one guarded read every file-based source goes through: a missing
    // file leaves no trace; an oversized or unreadable one leaves its note.
    std::optional<std::string> read(const std::string& path, const std::string& source,
                                    DetectionSnapshot& snapshot) const;

    // The sources, in the order the scan runs them.
    void system(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const;
    void keyboardMaestro(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const;
    void karabiner(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const;
    void skhd(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const;
    void hammerspoon(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const;
    void knownPreferences(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const;
    void listeners(DetectionSnapshot& snapshot) const;

    // Rank order: level, then application name (canonically normalised,
    // ordinal); ties keep their order.
    static void sortFindings(std::vector<Finding>& findings);

private:
    std::string home_;
    const Platform& platform_;
};

}  // namespace chordmap
