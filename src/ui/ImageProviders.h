#pragma once

#include "platform/Workspace.h"

#include <QColor>
#include <QImage>
#include <QQuickImageProvider>

namespace chordmap {

// The window's symbol images: "image://symbol/<name>/<colour>", where the
// colour is written as hexadecimal digits (RRGGBB or AARRGGBB) without "#".
// The symbols are small monochrome SVG drawings shipped with the program.
class SymbolImageProvider final : public QQuickImageProvider {
public:
    SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    // The symbol drawn in the colour, fitted into the size; a transparent
    // image for an unknown name.
    static QImage render(const QString& name, const QColor& colour, const QSize& size);
};

// Application icons: "image://fileicon/<path>" with the path encoded by
// fileIconSource(). The workspace draws the icon; when it has none, a
// generic application symbol stands in.
class FileIconProvider final : public QQuickImageProvider {
public:
    explicit FileIconProvider(const Workspace& workspace)
        : QQuickImageProvider(QQuickImageProvider::Image), workspace_(workspace) {}
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

private:
    const Workspace& workspace_;
};

}  // namespace chordmap
