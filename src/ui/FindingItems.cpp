#include "ui/FindingItems.h"

#include "scan/AppIdentities.h"

#include <QByteArray>

namespace chordmap {
namespace {

constexpr auto pathEncoding = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

}  // namespace

QString fileIconSource(const std::string& path) {
    // Paths are bytes and may hold anything; the image id keeps to URL-safe
    // characters so nothing in it is read as part of the URL.
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return QStringLiteral("image://fileicon/") + QString::fromLatin1(bytes.toBase64(pathEncoding));
}

std::string fileIconPath(const QString& id) {
    const auto decoded = QByteArray::fromBase64Encoding(id.toLatin1(), pathEncoding);
    if (!decoded) return {};
    return decoded.decoded.toStdString();
}

bool isListenerLevel(EvidenceLevel level) {
    return level == EvidenceLevel::nearbyEvent || level == EvidenceLevel::listener;
}

std::string applicabilityLine(const Applicability& applicability, const FrontApplication& front) {
    switch (applicability.applies) {
        case Applies::yes: return "在 " + displayName(front) + " 中生效";
        case Applies::no: return "在 " + displayName(front) + " 中不生效";
        case Applies::unknown: break;
    }
    return "无法判断：" + applicability.undecided;
}

QVariantMap findingItem(const Finding& finding, const std::optional<FrontApplication>& front) {
    QString iconSource;
    if (finding.application.bundleURL) {
        if (auto path = finding.application.bundleURL->path()) iconSource = fileIconSource(*path);
    }
    QString applies;
    QString applicability;
    if (finding.applicability && front) {
        applies = QString::fromUtf8(text(finding.applicability->applies));
        applicability = QString::fromStdString(applicabilityLine(*finding.applicability, *front));
    }
    return {
        {QStringLiteral("id"), QString::fromStdString(finding.id)},
        {QStringLiteral("level"), QString::fromUtf8(text(finding.level))},
        {QStringLiteral("name"), QString::fromStdString(finding.application.name)},
        {QStringLiteral("title"), QString::fromStdString(finding.title)},
        {QStringLiteral("detail"), QString::fromStdString(finding.detail)},
        {QStringLiteral("sourceURL"),
         finding.sourceURL ? QString::fromStdString(finding.sourceURL->absoluteString()) : QString()},
        {QStringLiteral("sourceIsFile"), finding.sourceURL && finding.sourceURL->isFile()},
        {QStringLiteral("iconSource"), iconSource},
        {QStringLiteral("applies"), applies},
        {QStringLiteral("applicability"), applicability},
    };
}

}  // namespace chordmap
