#pragma once

// Helpers shared by the tests of the file-based tool sources.

#include "model/Evidence.h"
#include "model/Value.h"
#include "scan/Declaration.h"
#include "support/TemporaryDirectory.h"

#include <algorithm>
#include <filesystem>
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

// The files of one kind of the shared corpus, sorted; empty when the corpus
// is not there (the caller skips).
inline std::vector<std::filesystem::path> corpusFiles(const std::string& kind) {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = std::filesystem::path(CHORDMAP_CORPUS) / kind;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The elements of an array member, or none; never a copy.
inline const List& elements(const Value* array) {
    static const List none;
    return array && array->array() ? *array->array() : none;
}

inline bool corpusPresent() { return std::filesystem::is_directory(CHORDMAP_CORPUS); }

inline std::vector<std::string> ids(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const auto& f : findings) out.push_back(f.id);
    return out;
}

}  // namespace chordmap::testing
