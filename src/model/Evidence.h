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

// The application in front when a combination is examined: whatever of it
// is known.
struct FrontApplication {
    std::string bundleID;
    std::string name;
    std::string path;  // the application bundle or the executable

    bool operator==(const FrontApplication&) const = default;
};

// Whether a conditional finding holds in the front application.
enum class Applies { yes, no, unknown };

std::string_view text(Applies applies);

struct Applicability {
    Applies applies = Applies::unknown;
    std::string undecided;  // why it cannot be told, when unknown

    bool operator==(const Applicability&) const = default;
};

struct Finding {
    std::string id;
    EvidenceLevel level = EvidenceLevel::listener;
    AppIdentity application;
    std::string title;
    std::string detail;
    std::optional<Url> sourceURL;
    // Only for conditional findings, and only when a front application is given.
    std::optional<Applicability> applicability = std::nullopt;

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
    std::optional<FrontApplication> frontApplication = std::nullopt;

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
