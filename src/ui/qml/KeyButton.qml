import QtQuick
import QtQuick.Controls

// One key of the keyboard overview: its cap tinted by the strongest claim on
// it under the chosen modifiers, the number of claims, and a mark for a
// conflict. Keys without a code (modifiers, caps lock) are drawn for
// orientation only.
AbstractButton {
    id: key
    // An entry of KeyboardView.layout and the claims at the same place.
    required property var place
    property var claims: ({})
    // The width of one key, in pixels.
    property real unit: 36

    readonly property bool named: place.code >= 0
    readonly property int count: claims.count || 0
    readonly property string level: claims.level || ""
    readonly property string conflict: claims.conflict || "none"

    x: place.x * unit
    y: place.y * unit
    width: place.width * unit - 4
    height: place.height * unit - 4
    enabled: named
    focusPolicy: named ? Qt.StrongFocus : Qt.NoFocus

    Accessible.role: Accessible.Button
    Accessible.name: place.name
    Accessible.description: claims.description || ""
    Accessible.ignored: !named
    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    background: Rectangle {
        radius: 5
        color: !key.named ? Qt.rgba(0.93, 0.94, 0.96, 1)
               : key.count > 0 ? Style.claimFill(key.level)
               : key.down ? Qt.rgba(0.9, 0.91, 0.93, 1) : "white"
        border.width: 1
        border.color: key.conflict === "definite" ? Style.definite
                      : key.conflict === "possible" ? Style.possible : Qt.rgba(0, 0, 0, 0.12)
    }
    contentItem: Item {
        PlainText {
            anchors.centerIn: parent
            width: parent.width - 4
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            text: key.place.label
            color: key.named ? Style.primary : Style.secondary
            // Longer labels ("help", "Space") a little smaller.
            font.pixelSize: Math.max(8, Math.round(key.unit * (text.length > 3 ? 0.27 : 0.34)))
            Accessible.ignored: true
        }
        PlainText {
            objectName: "keyCount"
            visible: key.count > 0
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 2
            text: key.count
            color: Style.levelColour(key.level)
            font.pixelSize: Math.max(8, Math.round(key.unit * 0.26))
            font.weight: Font.DemiBold
            Accessible.ignored: true
        }
    }
    // The conflict mark: "!" on red when certain, "?" on orange when possible.
    Rectangle {
        objectName: "conflictMark"
        visible: key.conflict !== "none"
        x: key.width - width / 2 - 2
        y: -height / 2 + 2
        width: Math.max(11, key.unit * 0.38)
        height: width
        radius: width / 2
        color: key.conflict === "definite" ? Style.definite : Style.possible
        PlainText {
            anchors.centerIn: parent
            text: key.conflict === "definite" ? "!" : "?"
            color: "white"
            font.pixelSize: parent.width * 0.75
            font.weight: Font.Bold
            Accessible.ignored: true
        }
    }
    FocusRing {
        shown: key.visualFocus
        controlRadius: 5
    }
}
