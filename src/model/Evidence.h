#pragma once

#include "model/ShortcutSpec.h"
#include "model/Url.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

// Kinds of evidence, strongest first; the order is the display rank.
enum class EvidenceLevel {
    observedRecipient,
    systemBinding,
    configuration,
    conditionalConfiguration,
    nearbyEvent,
    listener,
};

inline constexpr std::array<EvidenceLevel, 6> allEvidenceLevels{
    EvidenceLevel::observedRecipient, EvidenceLevel::systemBinding, EvidenceLevel::configuration,
    EvidenceLevel::conditionalConfiguration, EvidenceLevel::nearbyEvent, EvidenceLevel::listener,
};

std::string_view text(EvidenceLevel level);

// The software a finding points at.
struct AppIdentity {
    std::string name;
    std::optional<std::int32_t> pid;
    std::optional<std::string> bundleID;
    std::optional<Url> bundleURL;
    bool isRunning = false;

    bool operator==(const AppIdentity&) const = default;
};

struct Finding {
    std::string id;
    EvidenceLevel level = EvidenceLevel::listener;
    AppIdentity application;
    std::string title;
    std::string detail;
    std::optional<Url> sourceURL;

    bool operator==(const Finding&) const = default;
};

// The result of one check of one combination.
struct DetectionSnapshot {
    ShortcutSpec shortcut;
    std::vector<Finding> findings;
    std::vector<std::string> notes;
    std::vector<std::string> checkedSources;
    std::chrono::system_clock::time_point observedAt;
    bool receivedKey = false;

    // The first finding whose level is observedRecipient.
    std::optional<Finding> observedRecipient() const;
};

struct ObservationDiagnostic {
    std::string kind;
    std::optional<std::uint64_t> keyTimestamp;
    std::optional<std::uint64_t> eventTimestamp;
    std::optional<std::int64_t> targetPID;
    std::optional<std::string> correlation;

    bool operator==(const ObservationDiagnostic&) const = default;
};

}  // namespace chordmap
