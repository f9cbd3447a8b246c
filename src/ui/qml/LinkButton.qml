import QtQuick
import QtQuick.Controls

// A text link: opens or shows something on the desktop.
AbstractButton {
    id: link
    property color colour: Style.link

    font.pixelSize: 11
    Accessible.role: Accessible.Link
    Accessible.name: text
    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: PlainText {
        text: link.text
        font: link.font
        color: link.colour
        Accessible.ignored: true
    }
    HoverHandler { cursorShape: Qt.PointingHandCursor }
    FocusRing {
        shown: link.visualFocus
        controlRadius: 2
    }
}
