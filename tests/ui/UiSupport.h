#pragma once

#include "model/Evidence.h"
#include "support/FakePlatform.h"

#include <QVariantMap>

#include <optional>
#include <string>

namespace chordmap::testing {

// A fake platform whose workspace is shared, so that one engine's icon
// provider and every model reach the same desktop.
struct SharedDesktopPlatform {
    explicit SharedDesktopPlatform(const FakeWorkspace& workspace)
        : services{fake.home,      fake.processes, fake.symbolicHotKeys, fake.eventTapList, fake.secureInput,
                   fake.clock,     fake.eventTaps, fake.mainQueue,       workspace,         fake.inputMonitoring} {}
    SharedDesktopPlatform(const SharedDesktopPlatform&) = delete;
    SharedDesktopPlatform& operator=(const SharedDesktopPlatform&) = delete;

    FakePlatform fake;
    Platform services;
};

Finding makeFinding(EvidenceLevel level, std::string name, std::string title = "title", std::string detail = "detail",
                    std::optional<Url> source = std::nullopt, std::optional<Url> bundle = std::nullopt);

// A snapshot described as the view tests write it:
//   {keyCode, modifiers, receivedKey, notes: [...], checkedSources: [...],
//    findings: [{id, level, name, title, detail, sourceURL, bundlePath}]}
// A sourceURL starting with "/" is a file.
DetectionSnapshot snapshotFrom(const QVariantMap& description);

}  // namespace chordmap::testing
