#include "ui/UiSupport.h"

#include <QVariantList>

#include <algorithm>

namespace chordmap::testing {

Finding makeFinding(EvidenceLevel level, std::string name, std::string title, std::string detail,
                    std::optional<Url> source, std::optional<Url> bundle) {
    Finding finding;
    finding.id = "test-" + name;
    finding.level = level;
    finding.application.name = std::move(name);
    finding.application.bundleURL = std::move(bundle);
    finding.title = std::move(title);
    finding.detail = std::move(detail);
    finding.sourceURL = std::move(source);
    return finding;
}

namespace {

std::vector<std::string> strings(const QVariant& list) {
    std::vector<std::string> out;
    for (const QVariant& item : list.toList()) out.push_back(item.toString().toStdString());
    return out;
}

}  // namespace

DetectionSnapshot snapshotFrom(const QVariantMap& description) {
    DetectionSnapshot snapshot;
    snapshot.shortcut = ShortcutSpec(static_cast<std::uint16_t>(description.value(QStringLiteral("keyCode"), 40).toInt()),
                                     description.value(QStringLiteral("modifiers"), 0).toULongLong());
    snapshot.receivedKey = description.value(QStringLiteral("receivedKey")).toBool();
    snapshot.notes = strings(description.value(QStringLiteral("notes")));
    snapshot.checkedSources = strings(description.value(QStringLiteral("checkedSources")));
    for (const QVariant& item : description.value(QStringLiteral("findings")).toList()) {
        const QVariantMap map = item.toMap();
        const std::string levelName = map.value(QStringLiteral("level")).toString().toStdString();
        const auto level = std::find_if(allEvidenceLevels.begin(), allEvidenceLevels.end(),
                                        [&](EvidenceLevel l) { return text(l) == levelName; });
        std::optional<Url> source;
        const QString sourceURL = map.value(QStringLiteral("sourceURL")).toString();
        if (sourceURL.startsWith(QLatin1Char('/'))) {
            source = Url::file(sourceURL.toStdString());
        } else if (!sourceURL.isEmpty()) {
            source = Url::fromString(sourceURL.toStdString());
        }
        std::optional<Url> bundle;
        const QString bundlePath = map.value(QStringLiteral("bundlePath")).toString();
        if (!bundlePath.isEmpty()) bundle = Url::file(bundlePath.toStdString(), true);
        Finding finding = makeFinding(level == allEvidenceLevels.end() ? EvidenceLevel::listener : *level, map.value(QStringLiteral("name")).toString().toStdString(),
                                      map.value(QStringLiteral("title")).toString().toStdString(),
                                      map.value(QStringLiteral("detail")).toString().toStdString(), source, bundle);
        if (map.contains(QStringLiteral("id"))) finding.id = map.value(QStringLiteral("id")).toString().toStdString();
        snapshot.findings.push_back(std::move(finding));
    }
    return snapshot;
}

}  // namespace chordmap::testing
