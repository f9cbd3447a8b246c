#pragma once

#include "platform/Workspace.h"

class QQmlEngine;

namespace chordmap {

// Makes the window's QML module and its images known to an engine. The
// workspace must outlive the engine.
void prepareEngine(QQmlEngine& engine, const Workspace& workspace);

}  // namespace chordmap
