import QtQuick
import QtQuick.Controls

// A check box that shows a value kept elsewhere and asks for changes through
// edited(), whether the pointer, the keyboard or an assistive tool changes it.
CheckBox {
    id: box
    property bool value
    signal edited(bool value)

    checked: value
    font.pixelSize: 12
    onToggled: edited(checked)
    Accessible.onToggleAction: edited(!value)
    Accessible.onPressAction: edited(!value)
}
