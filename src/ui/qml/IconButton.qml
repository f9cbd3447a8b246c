import QtQuick
import QtQuick.Controls

// A borderless button showing only a symbol, with a tooltip.
Button {
    id: button
    property string symbol
    property string tooltip

    flat: true
    padding: 6
    implicitWidth: 30
    implicitHeight: 30
    ToolTip.text: tooltip
    ToolTip.visible: tooltip !== "" && hovered
    ToolTip.delay: 600

    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: Symbol {
        name: button.symbol
        color: button.down ? Style.primary : Style.secondary
    }
    background: Rectangle {
        radius: 6
        color: button.hovered ? Qt.rgba(0, 0, 0, 0.05) : "transparent"
    }
    FocusRing {
        shown: button.visualFocus
        controlRadius: 6
    }
}
