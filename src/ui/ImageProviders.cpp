#include "ui/ImageProviders.h"

#include "ui/FindingItems.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cstring>

namespace chordmap {
namespace {

constexpr int defaultSide = 64;

QSize requested(const QSize& size) {
    const int width = size.width() > 0 ? size.width() : (size.height() > 0 ? size.height() : defaultSide);
    const int height = size.height() > 0 ? size.height() : width;
    return {width, height};
}

}  // namespace

QImage SymbolImageProvider::render(const QString& name, const QColor& colour, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QFile file(QStringLiteral(":/chordmap/symbols/") + name + QStringLiteral(".svg"));
    if (!file.open(QIODevice::ReadOnly)) return image;

    // The drawings paint in currentColor; opacity comes from the painter.
    QByteArray svg = file.readAll();
    svg.replace("currentColor", colour.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) return image;

    const QSizeF fitted = renderer.defaultSize().toSizeF().scaled(QSizeF(size), Qt::KeepAspectRatio);
    const QRectF target(QPointF((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2), fitted);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(colour.alphaF());
    renderer.render(&painter, target);
    return image;
}

QImage SymbolImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
    const auto slash = id.indexOf(QLatin1Char('/'));
    const QString name = slash < 0 ? id : id.left(slash);
    QColor colour(Qt::black);
    if (slash >= 0) {
        const QColor parsed(QLatin1Char('#') + id.mid(slash + 1));
        if (parsed.isValid()) colour = parsed;
    }
    QImage image = render(name, colour, requested(requestedSize));
    if (size) *size = image.size();
    return image;
}

QImage FileIconProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
    const QSize side = requested(requestedSize);
    const int extent = std::max(side.width(), side.height());
    QImage image;
    if (const auto icon = workspace_.iconForFile(fileIconPath(id), extent);
        icon && icon->size > 0 &&
        icon->pixels.size() == static_cast<std::size_t>(icon->size) * static_cast<std::size_t>(icon->size)) {
        image = QImage(icon->size, icon->size, QImage::Format_ARGB32_Premultiplied);
        for (int row = 0; row < icon->size; ++row) {
            std::memcpy(image.scanLine(row), icon->pixels.data() + static_cast<std::size_t>(row) * icon->size,
                        static_cast<std::size_t>(icon->size) * sizeof(std::uint32_t));
        }
    } else {
        image = SymbolImageProvider::render(QStringLiteral("app.dashed"), QColor(0, 0, 0, 128), {extent, extent});
    }
    if (size) *size = image.size();
    return image;
}

}  // namespace chordmap
