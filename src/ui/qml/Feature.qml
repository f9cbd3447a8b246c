import QtQuick

// One step of the introduction: a numbered badge, a title and a detail.
// A positioner, not a layout: the detail wraps to the width it is given and
// the column grows with it.
Column {
    id: feature
    property string number
    property string title
    property string detail
    property color accent: Style.accent

    spacing: 9

    Rectangle {
        width: 24
        height: 24
        radius: 12
        color: Style.withOpacity(feature.accent, 0.09)
        PlainText {
            anchors.centerIn: parent
            text: feature.number
            color: feature.accent
            font.pixelSize: 11
            font.weight: Font.Bold
        }
    }
    PlainText {
        width: feature.width
        text: feature.title
        font.pixelSize: 13
        font.weight: Font.DemiBold
    }
    PlainText {
        width: feature.width
        text: feature.detail
        color: Style.secondary
        font.pixelSize: 12
        wrapMode: Text.Wrap
    }
}
