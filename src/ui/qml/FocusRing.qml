import QtQuick

// The window's keyboard-focus indicator: an accent outline just outside the
// control that has keyboard focus.
Rectangle {
    // Whether the control shows it: its keyboard focus (visualFocus for controls).
    property bool shown: false
    // The control's own corner radius; the ring follows it 3 further out.
    property real controlRadius: 6

    anchors.fill: parent
    anchors.margins: -3
    radius: controlRadius + 3
    visible: shown
    color: "transparent"
    border.width: 2
    border.color: Style.focusRing
    Accessible.ignored: true
}
