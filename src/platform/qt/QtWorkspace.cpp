#include "platform/qt/QtWorkspace.h"

#include <QAbstractFileIconProvider>
#include <QByteArray>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QStringList>
#include <QUrl>

#if QT_CONFIG(dbus)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

#include <cstring>

namespace chordmap::qt_platform {
namespace {

QUrl qtUrl(const Url& url) {
    return QUrl::fromEncoded(QByteArray::fromStdString(url.absoluteString()), QUrl::StrictMode);
}

bool mayOpen(const QUrl& url) {
#ifdef Q_OS_MACOS
    return url.isValid();
#else
    // The links to macOS's settings application have no handler here; do not
    // hand them to the desktop, which would only report a failure.
    return url.isValid() && !url.scheme().startsWith(QLatin1String("x-apple"));
#endif
}

void openContainingFolders(const QList<QUrl>& files) {
    for (const QUrl& file : files) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath()));
    }
}

QIcon themeIcon(const QFileInfo& info) {
    QAbstractFileIconProvider provider;
    QIcon icon = provider.icon(info);
    if (!icon.isNull()) return icon;
    // Without a platform theme that knows file icons, ask the icon theme for
    // the file's type, then for a generic one.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (!icon.isNull()) return icon;
    return QIcon::fromTheme(info.isDir() ? QStringLiteral("folder") : QStringLiteral("application-x-executable"));
}

}  // namespace

bool QtWorkspace::openURL(const Url& url) const {
    const QUrl target = qtUrl(url);
    if (!mayOpen(target)) return false;
    return QDesktopServices::openUrl(target);
}

bool QtWorkspace::canOpenURL(const Url& url) const { return mayOpen(qtUrl(url)); }

void QtWorkspace::activateFileViewerSelectingURLs(const std::vector<Url>& urls) const {
    QList<QUrl> files;
    for (const auto& url : urls) {
        const QUrl file = qtUrl(url);
        if (file.isValid() && file.isLocalFile()) files.append(file);
    }
    if (files.isEmpty()) return;
#if QT_CONFIG(dbus)
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QStringList uris;
        for (const QUrl& file : files) uris.append(QString::fromLatin1(file.toEncoded()));
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << uris << QString();
        // Asynchronous, so a slow or absent file manager never blocks the
        // window; without one, the folder opens instead.
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [files](QDBusPendingCallWatcher* done) {
            if (QDBusPendingReply<>(*done).isError()) openContainingFolders(files);
            done->deleteLater();
        });
        return;
    }
#endif
    openContainingFolders(files);
}

std::optional<IconImage> QtWorkspace::iconForFile(const std::string& path, int size) const {
    if (size <= 0) return std::nullopt;
    const QIcon icon = themeIcon(QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))));
    if (icon.isNull()) return std::nullopt;

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        icon.paint(&painter, QRect(0, 0, size, size));
    }
    IconImage result{size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * static_cast<std::size_t>(size))};
    for (int row = 0; row < size; ++row) {
        std::memcpy(result.pixels.data() + static_cast<std::size_t>(row) * size, image.constScanLine(row),
                    static_cast<std::size_t>(size) * sizeof(std::uint32_t));
    }
    return result;
}

}  // namespace chordmap::qt_platform
