import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chordmap

// The application the conditions of the results are judged for: any
// application (none judged), or one of those running.
RowLayout {
    id: picker
    required property AppModel app
    spacing: 8

    PlainText {
        text: "前台应用"
        font.pixelSize: 13
    }
    ComboBox {
        objectName: "frontApplicationPicker"
        Layout.preferredWidth: 220
        Accessible.name: "前台应用"
        model: picker.app.frontApplications
        textRole: "name"
        currentIndex: picker.app.frontChoice
        onActivated: (index) => picker.app.frontChoice = index
    }
}
