#pragma once

#include "model/Evidence.h"

#include <QString>
#include <QVariantMap>

#include <optional>
#include <string>

namespace chordmap {

// A finding as the finding row reads it:
//   id, level (the level's name), name, title, detail: texts;
//   sourceURL: the source location's absolute string, empty without one;
//   sourceIsFile: whether that location is a file;
//   iconSource: the image of the application's file icon, empty without a
//   bundle location;
//   applies ("yes", "no", "unknown") and applicability (the line saying so
//   for the front application): empty unless the finding was judged there.
QVariantMap findingItem(const Finding& finding, const std::optional<FrontApplication>& front = std::nullopt);

// Whether a finding holds in the front application, as one line.
std::string applicabilityLine(const Applicability& applicability, const FrontApplication& front);

// Nearby events and listeners: the findings the window keeps in the details.
bool isListenerLevel(EvidenceLevel level);

// The image source of the file icon for a path (raw bytes), and back.
QString fileIconSource(const std::string& path);
std::string fileIconPath(const QString& id);

}  // namespace chordmap
