import QtQuick

// Plain text the user can select and copy with the pointer.
TextEdit {
    readOnly: true
    selectByMouse: true
    textFormat: TextEdit.PlainText
    color: Style.primary
    selectionColor: Style.withOpacity(Style.accent, 0.3)
    selectedTextColor: Style.primary
    font.pixelSize: 13
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
