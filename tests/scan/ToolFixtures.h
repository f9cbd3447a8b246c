#pragma once

// Helpers shared by the tests of the file-based tool sources.

#include "model/Evidence.h"
#include "model/Value.h"
#include "scan/Declaration.h"
#include "support/TemporaryDirectory.h"

#include <string>
#include <vector>

namespace chordmap::testing {

using Dict = Value::Dictionary;
using List = Value::Array;

inline Value number(std::int64_t v) { return Value::integer(v); }

// What a source declares for one combination, recorded as a scan records it
// (unsorted, without the general notes).
template <typename Source>
DetectionSnapshot sourceScan(const ShortcutSpec& shortcut, Source source) {
    Inventory inventory(shortcut);
    source(inventory);
    DetectionSnapshot snapshot{.shortcut = shortcut, .findings = {}, .notes = std::move(inventory.notes),
                               .checkedSources = std::move(inventory.checkedSources), .observedAt = {},
                               .receivedKey = false};
    for (Declaration& declaration : inventory.declarations) snapshot.findings.push_back(std::move(declaration.finding));
    return snapshot;
}

inline std::vector<std::string> ids(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const auto& f : findings) out.push_back(f.id);
    return out;
}

}  // namespace chordmap::testing
