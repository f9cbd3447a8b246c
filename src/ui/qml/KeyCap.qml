import QtQuick

// One piece of a shortcut's name on a key cap.
Item {
    id: cap
    property string text

    implicitWidth: Math.max(48, label.implicitWidth) + 18
    implicitHeight: 53

    // Shadow without blur, 3 below the cap.
    Rectangle {
        x: 0
        y: 3
        width: cap.width
        height: cap.height
        radius: 11
        color: Qt.rgba(0, 0, 0, 0.045)
    }
    Rectangle {
        anchors.fill: parent
        radius: 11
        color: "white"
        border.width: 1
        border.color: Qt.rgba(0, 0, 0, 0.07)
    }
    PlainText {
        id: label
        objectName: "keyCapText"
        anchors.centerIn: parent
        text: cap.text
        font.pixelSize: 33
        font.weight: Font.Medium
        // The row of caps is read as one.
        Accessible.ignored: true
    }
}
