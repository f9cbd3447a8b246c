#pragma once

#include "model/Evidence.h"

#include <string>
#include <vector>

namespace chordmap {

// One way a configuration names an application.
struct ApplicationName {
    enum class Field { bundleID, name, path };
    Field field = Field::bundleID;
    std::string text;
    // A regular expression searched in the field; otherwise the whole field,
    // ignoring ASCII case for names (as skhd and Keyboard Maestro compare them).
    bool pattern = false;

    bool operator==(const ApplicationName&) const = default;
};

// What a declaration needs besides its combination. Either it names
// applications (it holds in one of them, or, when `excluded`, in none of
// them), or nothing outside the tool can tell, and `undecidable` says why.
struct Condition {
    std::vector<ApplicationName> applications;
    bool excluded = false;
    std::string undecidable;

    static Condition inApplications(std::vector<ApplicationName> names) { return {std::move(names), false, {}}; }
    static Condition outsideApplications(std::vector<ApplicationName> names) { return {std::move(names), true, {}}; }
    static Condition undecided(std::string reason) { return {{}, false, std::move(reason)}; }

    bool operator==(const Condition&) const = default;
};

// Whether every condition holds in the front application: no when one fails,
// otherwise unknown when one cannot be told (the first such reason), else yes.
Applicability evaluate(const std::vector<Condition>& conditions, const FrontApplication& front);

}  // namespace chordmap
