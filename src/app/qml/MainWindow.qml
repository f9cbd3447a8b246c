import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chordmap

// The one main window: the menus (which live in the window where the
// desktop has no global menu bar) and the content view.
ApplicationWindow {
    id: window
    required property AppModel model
    required property AppDelegate shell
    property color accent: Style.accent

    title: "Chordmap · 组合寻踪"
    width: 780
    height: 710
    minimumWidth: 690
    minimumHeight: 590
    color: Style.windowBackground

    function keyText(keys) { return window.shell.shortcutText(keys) }

    // Keyboard focus starts on the main button.
    Component.onCompleted: content.focusMainButton()

    WindowKeys {
        window: window
        listening: window.model.isListening
        stopKey: toggleAction.shortcut
        keyEquivalents: [hideAction, quitAction, toggleAction, manualAction, refreshAction, clearAction,
                         keyboardAction, showWindowAction, closeAction, minimiseAction, helpAction].map(action => action.shortcut)
        onMenuBarRequested: window.openMenuBar()
    }
    // F10 or a tap on Alt opens the first menu, its first item current.
    function openMenuBar() {
        if (!menuBar.visible)
            return
        const first = menuBar.menuAt(0)
        first.open()
        first.currentIndex = 0
    }

    // Key equivalents: Ctrl is the platform's command key (⌘ on macOS).
    Action {
        id: aboutAction
        objectName: "menu.about"
        text: "关于 Chordmap"
        onTriggered: aboutDialog.open()
    }
    Action {
        id: hideAction
        objectName: "menu.hide"
        text: "隐藏 Chordmap"
        shortcut: "Ctrl+H"
        onTriggered: window.shell.hide()
    }
    Action {
        id: quitAction
        objectName: "menu.quit"
        text: "退出 Chordmap"
        shortcut: "Ctrl+Q"
        onTriggered: window.shell.quit()
    }
    Action {
        id: toggleAction
        objectName: "menu.toggleDetection"
        text: "开始 / 停止检测"
        shortcut: "Ctrl+R"
        onTriggered: window.shell.toggleDetection()
    }
    Action {
        id: manualAction
        objectName: "menu.manualSelection"
        text: "手动选择"
        shortcut: "Ctrl+K"
        onTriggered: window.shell.manualSelection()
    }
    Action {
        id: refreshAction
        objectName: "menu.refresh"
        text: "刷新结果"
        shortcut: "Ctrl+L"
        onTriggered: window.shell.refresh()
    }
    Action {
        id: clearAction
        objectName: "menu.clear"
        text: "清空"
        shortcut: "Ctrl+Backspace"
        onTriggered: window.shell.clear()
    }
    Action {
        id: keyboardAction
        objectName: "menu.keyboardOverview"
        text: "键盘总览"
        shortcut: "Ctrl+B"
        onTriggered: window.shell.keyboardOverview()
    }
    Action {
        id: showWindowAction
        objectName: "menu.showWindow"
        text: "显示主窗口"
        shortcut: "Ctrl+N"
        onTriggered: window.shell.showWindow()
    }
    Action {
        id: closeAction
        objectName: "menu.close"
        text: "关闭窗口"
        shortcut: "Ctrl+W"
        onTriggered: window.close()
    }
    Action {
        id: minimiseAction
        objectName: "menu.minimise"
        text: "最小化"
        shortcut: "Ctrl+M"
        onTriggered: window.showMinimized()
    }
    Action {
        id: helpAction
        objectName: "menu.openHelp"
        text: "使用指南与官网"
        shortcut: "Ctrl+?"
        onTriggered: window.shell.openHelp()
    }

    menuBar: MenuBar {
        objectName: "menuBar"
        // macOS has the native menu bar instead.
        visible: Qt.platform.os !== "osx"
        // A menu closed with Escape while the pointer rests on its title
        // leaves the bar in its open mode, and the next click on another
        // title would open and at once close that menu: titles do not track
        // the pointer.
        delegate: MenuBarItem { hoverEnabled: false }
        Menu {
            title: "Chordmap"
            MenuEntry { action: aboutAction }
            MenuSeparator {}
            MenuEntry { action: hideAction; keyText: window.keyText("Ctrl+H") }
            MenuEntry { action: quitAction; keyText: window.keyText("Ctrl+Q") }
        }
        Menu {
            title: "检测"
            MenuEntry { action: toggleAction; keyText: window.keyText("Ctrl+R") }
            MenuEntry { action: manualAction; keyText: window.keyText("Ctrl+K") }
            MenuEntry { action: refreshAction; keyText: window.keyText("Ctrl+L") }
            MenuEntry { action: clearAction; keyText: window.keyText("Ctrl+Backspace") }
            MenuEntry { action: keyboardAction; keyText: window.keyText("Ctrl+B") }
        }
        Menu {
            title: "窗口"
            MenuEntry { action: showWindowAction; keyText: window.keyText("Ctrl+N") }
            MenuEntry { action: closeAction; keyText: window.keyText("Ctrl+W") }
            MenuEntry { action: minimiseAction; keyText: window.keyText("Ctrl+M") }
        }
        Menu {
            title: "帮助"
            MenuEntry { action: helpAction; keyText: window.keyText("Ctrl+?") }
        }
    }

    ContentView {
        id: content
        objectName: "contentView"
        anchors.fill: parent
        model: window.model
        accent: window.accent
        refreshKeyText: window.keyText("Ctrl+L")
    }

    Popup {
        id: aboutDialog
        objectName: "aboutDialog"
        anchors.centerIn: Overlay.overlay
        modal: true
        // Takes focus, so Escape closes it, and gives it back when closed.
        focus: true
        padding: 24
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
        background: Rectangle {
            radius: 12
            color: "white"
            border.width: 1
            border.color: Qt.rgba(0, 0, 0, 0.1)
        }
        contentItem: ColumnLayout {
            spacing: 8
            Accessible.role: Accessible.Dialog
            Accessible.name: aboutAction.text
            Image {
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 64
                Layout.preferredHeight: 64
                source: "qrc:/chordmap/chordmap.svg"
                sourceSize: Qt.size(128, 128)
            }
            PlainText {
                Layout.alignment: Qt.AlignHCenter
                text: "Chordmap"
                font.pixelSize: 17
                font.weight: Font.Bold
            }
            PlainText {
                Layout.alignment: Qt.AlignHCenter
                text: "组合寻踪"
                color: Style.secondary
                font.pixelSize: 12
            }
            PlainText {
                objectName: "aboutVersion"
                Layout.alignment: Qt.AlignHCenter
                text: window.shell.version
                color: Style.secondary
                font.pixelSize: 12
            }
        }
    }
}
