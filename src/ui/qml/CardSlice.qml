import QtQuick

// One horizontal slice of a rounded card, so a card can span several rows
// of a list: the first slice rounds the top corners, the last the bottom ones.
Item {
    property bool roundTop: true
    property bool roundBottom: true
    property real radius: 16
    property color color: "white"

    clip: !roundTop || !roundBottom
    Rectangle {
        y: parent.roundTop ? 0 : -parent.radius
        width: parent.width
        height: parent.height + (parent.roundTop ? 0 : parent.radius) + (parent.roundBottom ? 0 : parent.radius)
        radius: parent.radius
        color: parent.color
    }
}
