import QtQuick

// A rounded rectangle filled with a gradient from the top-leading to the
// bottom-trailing corner, with a 1-point border.
Canvas {
    id: canvas
    property real radius: 20
    property color from: Qt.rgba(0.92, 0.94, 1.0, 1)
    property color to: Qt.rgba(0.95, 0.97, 1.0, 1)
    property color border: Qt.rgba(0.86, 0.9, 0.98, 1)

    onWidthChanged: requestPaint()
    onHeightChanged: requestPaint()

    function roundedRect(context, x, y, w, h, r) {
        context.beginPath()
        context.moveTo(x + r, y)
        context.arcTo(x + w, y, x + w, y + h, r)
        context.arcTo(x + w, y + h, x, y + h, r)
        context.arcTo(x, y + h, x, y, r)
        context.arcTo(x, y, x + w, y, r)
        context.closePath()
    }

    onPaint: {
        const context = getContext("2d")
        context.reset()
        if (width <= 0 || height <= 0)
            return
        context.save()
        roundedRect(context, 0, 0, width, height, radius)
        context.clip()
        // The gradient runs corner to corner in the unit square of the
        // shape, so its bands lie along the other diagonal.
        context.scale(width, height)
        const gradient = context.createLinearGradient(0, 0, 1, 1)
        gradient.addColorStop(0, from)
        gradient.addColorStop(1, to)
        context.fillStyle = gradient
        context.fillRect(0, 0, 1, 1)
        context.restore()
        roundedRect(context, 0.5, 0.5, width - 1, height - 1, radius - 0.5)
        context.lineWidth = 1
        context.strokeStyle = border
        context.stroke()
    }
}
