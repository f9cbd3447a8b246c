import QtQuick
import QtQuick.Window

// One of the window's symbol images, drawn in one colour.
Image {
    id: symbol
    property string name
    property color color: Style.primary

    source: name ? "image://symbol/" + name + "/" + String(color).substring(1) : ""
    sourceSize: Qt.size(Math.ceil(width * Screen.devicePixelRatio), Math.ceil(height * Screen.devicePixelRatio))
    fillMode: Image.PreserveAspectFit
    smooth: true
}
