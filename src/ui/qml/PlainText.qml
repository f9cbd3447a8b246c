import QtQuick

// Text that is never read as markup: names and details come from the user's
// files and the system. Screen readers read it; a control's own label sets
// Accessible.ignored.
Text {
    textFormat: Text.PlainText
    color: Style.primary
    font.pixelSize: 13
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
