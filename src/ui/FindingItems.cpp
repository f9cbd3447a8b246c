#include "ui/FindingItems.h"

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

QVariantMap findingItem(const Finding& finding) {
    QString iconSource;
    if (finding.application.bundleURL) {
        if (auto path = finding.application.bundleURL->path()) iconSource = fileIconSource(*path);
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
    };
}

}  // namespace chordmap
