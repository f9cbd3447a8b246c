#include "model/Evidence.h"

#include <algorithm>

namespace chordmap {

std::string_view text(EvidenceLevel level) {
    switch (level) {
        case EvidenceLevel::observedRecipient: return "observedRecipient";
        case EvidenceLevel::systemBinding: return "systemBinding";
        case EvidenceLevel::configuration: return "configuration";
        case EvidenceLevel::conditionalConfiguration: return "conditionalConfiguration";
        case EvidenceLevel::nearbyEvent: return "nearbyEvent";
        case EvidenceLevel::listener: return "listener";
    }
    return "listener";
}

std::string_view text(Applies applies) {
    switch (applies) {
        case Applies::yes: return "yes";
        case Applies::no: return "no";
        case Applies::unknown: return "unknown";
    }
    return "unknown";
}

std::optional<Finding> DetectionSnapshot::observedRecipient() const {
    auto it = std::find_if(findings.begin(), findings.end(),
                           [](const Finding& f) { return f.level == EvidenceLevel::observedRecipient; });
    if (it == findings.end()) return std::nullopt;
    return *it;
}

}  // namespace chordmap
