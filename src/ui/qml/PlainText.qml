import QtQuick

// Text that is never read as markup: names and details come from the user's
// files and the system.
Text {
    textFormat: Text.PlainText
    color: Style.primary
    font.pixelSize: 13
}
