import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A filled button tinted with the accent colour, with an optional symbol.
Button {
    id: button
    property string symbol
    property color tint: Style.accent

    // The label's own insets plus the bezel's.
    leftPadding: 12 + 6
    rightPadding: 12 + 6
    topPadding: 5 + 2
    bottomPadding: 5 + 2
    font.pixelSize: 13
    font.weight: Font.DemiBold

    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: RowLayout {
        spacing: 6
        Symbol {
            visible: button.symbol !== ""
            name: button.symbol
            color: "white"
            Layout.preferredWidth: 14
            Layout.preferredHeight: 14
        }
        PlainText {
            text: button.text
            font: button.font
            Accessible.ignored: true
            color: "white"
        }
    }
    background: Rectangle {
        implicitHeight: 22
        radius: 6
        color: button.down ? Qt.darker(button.tint, 1.2) : button.tint
        opacity: button.enabled ? 1 : 0.5
    }
    FocusRing {
        shown: button.visualFocus
        controlRadius: 6
    }
}
