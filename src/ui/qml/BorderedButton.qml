import QtQuick
import QtQuick.Controls

// A plain bordered push button.
Button {
    id: button
    property bool large: false

    leftPadding: large ? 14 : 10
    rightPadding: large ? 14 : 10
    topPadding: large ? 7 : 4
    bottomPadding: large ? 7 : 4
    font.pixelSize: 13

    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: PlainText {
        text: button.text
        font: button.font
        Accessible.ignored: true
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        radius: 6
        color: button.down ? Qt.rgba(0.9, 0.91, 0.93, 1) : "white"
        border.width: 1
        border.color: Qt.rgba(0, 0, 0, 0.14)
    }
    FocusRing {
        shown: button.visualFocus
        controlRadius: 6
    }
}
