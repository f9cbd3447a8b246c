import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A menu item that shows its key equivalent at the trailing edge.
MenuItem {
    id: item
    property string keyText

    contentItem: RowLayout {
        spacing: 28
        PlainText {
            Layout.fillWidth: true
            text: item.text
            font: item.font
            color: item.enabled ? Style.primary : Style.secondary
            Accessible.ignored: true
        }
        PlainText {
            visible: item.keyText !== ""
            text: item.keyText
            font: item.font
            color: Style.secondary
            Accessible.ignored: true
        }
    }
}
