import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Qt.labs.qmlmodels
import Chordmap

// The whole content of the main window: a pure function of the model. Every
// control calls the model; the view keeps no state of its own.
Rectangle {
    id: root
    required property AppModel model
    property color accent: Style.accent
    // The key that refreshes, as this platform writes it.
    property string refreshKeyText: "⌘L"

    implicitWidth: 780
    implicitHeight: 710
    color: Style.background

    // Keyboard focus: never lost when an action hides the control that had
    // it, and always scrolled into view. Moved by an action, it shows as
    // keyboard focus if the control acted on did.
    property Item mainButton: null
    property Item keyboardButton: null
    // The scrolling part on display: the main column or the keyboard overview.
    readonly property VirtualColumn column: root.model.showKeyboard ? keyboardPage : scroll
    function reasonFrom(control) {
        return control.visualFocus ? Qt.TabFocusReason : Qt.OtherFocusReason
    }
    function focusMainButton(reason) {
        if (root.model.showKeyboard)
            keyboardPage.focusStart(reason === undefined ? Qt.OtherFocusReason : reason)
        else
            mainButton.forceActiveFocus(reason === undefined ? Qt.OtherFocusReason : reason)
    }
    function focusFirstResult(reason) {
        if (!scroll.focusFirstRow(reason))
            focusMainButton(reason)
    }
    // Whether focus is on a control, a row or a selected text; menus and
    // dialogs are outside the view and look after themselves.
    function focusIsHeld() {
        const item = root.Window.activeFocusItem
        return item && item.visible
               && (!scroll.contains(root, item) || item.activeFocusOnTab || item.selectByMouse !== undefined)
    }
    // Opening or closing the keyboard overview takes focus along, shown as
    // keyboard focus when it came from the keyboard.
    Connections {
        target: root.model
        function onShowKeyboardChanged() {
            const item = root.Window.activeFocusItem
            const reason = item && item.visualFocus !== false ? Qt.TabFocusReason : Qt.OtherFocusReason
            // Later, once the page or the column shows; a lookup from the
            // overview has put focus on its result by then.
            Qt.callLater(() => {
                if (root.model.showKeyboard)
                    keyboardPage.focusStart(reason)
                else if (!root.focusIsHeld())
                    root.keyboardButton.forceActiveFocus(reason)
            })
        }
    }
    Shortcut {
        sequence: "Escape"
        enabled: root.model.showKeyboard
        onActivated: root.model.closeKeyboard()
    }
    Connections {
        target: root.Window.window
        function onActiveFocusItemChanged() {
            if (root.focusIsHeld())
                root.column.reveal(root.Window.activeFocusItem)
            else
                Qt.callLater(() => {
                    if (!root.focusIsHeld() && root.Window.active && root.visible)
                        root.focusMainButton()
                })
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Header
        RowLayout {
            objectName: "header"
            Layout.fillWidth: true
            Layout.leftMargin: 28
            Layout.rightMargin: 28
            Layout.topMargin: 20
            Layout.bottomMargin: 20
            spacing: 12

            Image {
                Layout.preferredWidth: 44
                Layout.preferredHeight: 44
                source: "qrc:/chordmap/chordmap.svg"
                sourceSize: Qt.size(88, 88)
                smooth: true
            }
            ColumnLayout {
                spacing: 3
                PlainText {
                    text: "Chordmap"
                    font.pixelSize: 23
                    font.weight: Font.Bold
                }
                PlainText {
                    text: "组合寻踪"
                    color: Style.secondary
                    font.pixelSize: 12
                }
            }
            Item { Layout.fillWidth: true }
            Rectangle {
                objectName: "listeningDot"
                Layout.preferredWidth: 7
                Layout.preferredHeight: 7
                radius: 3.5
                color: root.model.isListening ? Style.green : Style.withOpacity(Style.gray, 0.5)
            }
            PlainText {
                objectName: "listeningState"
                text: root.model.isListening ? "正在检测" : "未在监听"
                color: Style.secondary
                font.pixelSize: 12
                font.weight: Font.Medium
            }
        }

        KeyboardPage {
            id: keyboardPage
            objectName: "keyboardPage"
            visible: root.model.showKeyboard
            Layout.fillWidth: true
            Layout.fillHeight: true
            app: root.model
            accent: root.accent
            refreshKeyText: root.refreshKeyText
            before: help
            after: help
            onQueried: (reason) => root.focusFirstResult(reason)
        }

        VirtualColumn {
            id: scroll
            objectName: "scrollArea"
            visible: !root.model.showKeyboard
            Layout.fillWidth: true
            Layout.fillHeight: true
            model: root.model.results
            before: help
            after: help

            // Everything above the results: hero, cards and, without a
            // result, the introduction.
            header: Item {
                width: ListView.view.width
                height: column.implicitHeight + (root.model.hasSnapshot ? 20 : 0)

                ColumnLayout {
                    id: column
                    objectName: "scrollColumn"
                    x: 28
                    width: parent.width - 56
                    spacing: 20

                    // Hero
                    Item {
                        objectName: "hero"
                        Layout.fillWidth: true
                        implicitHeight: heroColumn.implicitHeight + 48

                        HeroBackground { anchors.fill: parent }

                        ColumnLayout {
                            id: heroColumn
                            anchors.fill: parent
                            anchors.margins: 24
                            spacing: 17

                            PlainText {
                                objectName: "prompt"
                                Layout.alignment: Qt.AlignHCenter
                                text: root.model.hasSnapshot ? "正在检查的快捷键" : "按下你想检查的快捷键"
                                color: Style.secondary
                                font.pixelSize: 14
                                font.weight: Font.Medium
                            }
                            Item {
                                objectName: "keyboardSymbol"
                                visible: !root.model.hasSnapshot
                                Layout.alignment: Qt.AlignHCenter
                                Layout.preferredWidth: 66
                                Layout.preferredHeight: 61
                                Symbol {
                                    anchors.centerIn: parent
                                    width: 66
                                    height: 46
                                    name: "keyboard"
                                    color: root.accent
                                }
                            }
                            Row {
                                id: keyCaps
                                objectName: "keyCaps"
                                visible: root.model.hasSnapshot
                                Layout.alignment: Qt.AlignHCenter
                                spacing: 9
                                Accessible.role: Accessible.StaticText
                                Accessible.name: "快捷键 " + root.model.shortcutName

                                Repeater {
                                    model: root.model.keyCaps
                                    KeyCap {
                                        required property string modelData
                                        text: modelData
                                        Accessible.ignored: true
                                    }
                                }
                            }
                            PlainText {
                                objectName: "status"
                                Layout.fillWidth: true
                                Layout.minimumHeight: 18
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                                text: root.model.status
                                color: Style.secondary
                                font.pixelSize: 12
                                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                            }
                            RowLayout {
                                Layout.alignment: Qt.AlignHCenter
                                spacing: 10

                                ProminentButton {
                                    objectName: "toggleDetection"
                                    Component.onCompleted: root.mainButton = this
                                    tint: root.accent
                                    symbol: root.model.isListening ? "stop.fill" : "waveform"
                                    text: root.model.isListening ? "停止检测"
                                                                 : root.model.hasSnapshot ? "再次检测" : "开始检测"
                                    onClicked: root.model.toggleDetection()
                                }
                                BorderedButton {
                                    objectName: "manualSelection"
                                    large: true
                                    text: "手动选择"
                                    onClicked: root.model.toggleManual()
                                }
                                BorderedButton {
                                    objectName: "keyboardOverview"
                                    Component.onCompleted: root.keyboardButton = this
                                    large: true
                                    text: "键盘总览"
                                    onClicked: root.model.openKeyboard()
                                }
                                IconButton {
                                    objectName: "refresh"
                                    visible: root.model.hasSnapshot
                                    symbol: "arrow.clockwise"
                                    tooltip: "刷新结果 " + root.refreshKeyText
                                    Accessible.name: "刷新结果"
                                    onClicked: root.model.refresh()
                                }
                                IconButton {
                                    objectName: "clear"
                                    visible: root.model.hasSnapshot
                                    symbol: "xmark"
                                    tooltip: "清空"
                                    Accessible.name: "清空"
                                    onClicked: {
                                        const reason = root.reasonFrom(this)
                                        root.model.clear()
                                        root.focusMainButton(reason)
                                    }
                                }
                            }
                        }
                    }

                    // Permission card
                    Rectangle {
                        objectName: "permissionCard"
                        visible: !root.model.permissionGranted
                        Layout.fillWidth: true
                        implicitHeight: permissionColumn.implicitHeight + 34
                        radius: 15
                        color: Qt.rgba(1.0, 0.974, 0.91, 1)

                        ColumnLayout {
                            id: permissionColumn
                            anchors.fill: parent
                            anchors.margins: 17
                            spacing: 12

                            RowLayout {
                                spacing: 6
                                Symbol {
                                    Layout.preferredWidth: 16
                                    Layout.preferredHeight: 16
                                    name: "hand.raised"
                                }
                                PlainText {
                                    text: "首次使用：允许输入监控"
                                    font.pixelSize: 14
                                    font.weight: Font.DemiBold
                                }
                            }
                            PlainText {
                                Layout.fillWidth: true
                                text: "Chordmap 需要输入监控权限来检查你按下的组合键。查询系统绑定与已知配置仍可使用“手动选择”。"
                                color: Style.secondary
                                font.pixelSize: 12
                                wrapMode: Text.Wrap
                            }
                            RowLayout {
                                spacing: 8
                                BorderedButton {
                                    objectName: "openPermissionSettings"
                                    // Not where the settings cannot be opened.
                                    visible: root.model.canOpenPermissionSettings
                                    text: "打开输入监控设置"
                                    onClicked: root.model.openPermissionSettings()
                                }
                                BorderedButton {
                                    objectName: "checkPermission"
                                    text: "重新检查权限"
                                    onClicked: root.model.checkPermission()
                                }
                            }
                        }
                    }

                    // Manual card
                    Rectangle {
                        objectName: "manualCard"
                        visible: root.model.showManual
                        Layout.fillWidth: true
                        implicitHeight: manualColumn.implicitHeight + 36
                        radius: 16
                        color: "white"

                        ColumnLayout {
                            id: manualColumn
                            anchors.fill: parent
                            anchors.margins: 18
                            spacing: 14

                            PlainText {
                                text: "手动选择"
                                font.pixelSize: 15
                                font.weight: Font.DemiBold
                            }
                            PlainText {
                                Layout.fillWidth: true
                                text: "按键被其他软件接走时，也可以直接查询这个组合。"
                                color: Style.secondary
                                font.pixelSize: 12
                                wrapMode: Text.Wrap
                            }
                            RowLayout {
                                spacing: 10
                                OptionBox {
                                    objectName: "controlBox"
                                    text: "⌃ Control"
                                    value: root.model.control
                                    onEdited: (value) => root.model.control = value
                                }
                                OptionBox {
                                    objectName: "optionBox"
                                    text: "⌥ Option"
                                    value: root.model.option
                                    onEdited: (value) => root.model.option = value
                                }
                                OptionBox {
                                    objectName: "shiftBox"
                                    text: "⇧ Shift"
                                    value: root.model.shift
                                    onEdited: (value) => root.model.shift = value
                                }
                                OptionBox {
                                    objectName: "commandBox"
                                    text: "⌘ Command"
                                    value: root.model.command
                                    onEdited: (value) => root.model.command = value
                                }
                            }
                            RowLayout {
                                Layout.fillWidth: true
                                spacing: 14

                                RowLayout {
                                    objectName: "keyPickerRow"
                                    Layout.fillWidth: false
                                    Layout.preferredWidth: 220
                                    Layout.maximumWidth: 220
                                    spacing: 8
                                    PlainText {
                                        text: "按键"
                                        font.pixelSize: 13
                                    }
                                    ComboBox {
                                        id: keyPicker
                                        objectName: "keyPicker"
                                        Layout.fillWidth: true
                                        Accessible.name: "按键"
                                        model: root.model.selectableKeys
                                        textRole: "name"
                                        valueRole: "code"
                                        // count: evaluated again once the list is in.
                                        currentIndex: count > 0 ? indexOfValue(root.model.keyCode) : -1
                                        onActivated: root.model.keyCode = currentValue
                                    }
                                }
                                FrontApplicationPicker {
                                    app: root.model
                                }
                                ProminentButton {
                                    objectName: "queryShortcut"
                                    tint: root.accent
                                    text: "查询此组合"
                                    onClicked: {
                                        const reason = root.reasonFrom(this)
                                        root.model.queryManualShortcut()
                                        root.focusFirstResult(reason)
                                    }
                                }
                                Item { Layout.fillWidth: true }
                            }
                        }
                    }

                    // Introduction. Positioners, not layouts: the features'
                    // details wrap to the width they get and the card grows.
                    Rectangle {
                        objectName: "intro"
                        visible: !root.model.hasSnapshot
                        Layout.fillWidth: true
                        implicitHeight: introColumn.height + 40
                        radius: 16
                        color: "white"

                        Column {
                            id: introColumn
                            x: 20
                            y: 20
                            width: parent.width - 40
                            spacing: 16

                            PlainText {
                                text: "找到快捷键的去向"
                                font.pixelSize: 16
                                font.weight: Font.DemiBold
                            }
                            Row {
                                id: features
                                width: parent.width
                                spacing: 24
                                // An equal share each.
                                readonly property real share: (width - 2 * spacing) / 3
                                Feature {
                                    width: features.share
                                    accent: root.accent
                                    number: "1"
                                    title: "开始检测"
                                    detail: "开启只读监听，按下 Control、Option、Command 组合或功能键。"
                                }
                                Feature {
                                    width: features.share
                                    accent: root.accent
                                    number: "2"
                                    title: "查看接收软件"
                                    detail: "优先显示实际接收事件的软件，并说明找到的绑定依据。"
                                }
                                Feature {
                                    width: features.share
                                    accent: root.accent
                                    number: "3"
                                    title: "解决冲突"
                                    detail: "根据结果回到对应软件调整。无法确认时，查看排查线索。"
                                }
                            }
                        }
                    }
                }
            }
            footer: Item {
                width: ListView.view.width
                height: 22
            }

            delegate: DelegateChooser {
                role: "kind"

                DelegateChoice {
                    roleValue: "heading"
                    ListRow {
                        height: heading.implicitHeight

                        RowLayout {
                            id: heading
                            x: 28
                            spacing: 6
                            Symbol {
                                Layout.preferredWidth: 17
                                Layout.preferredHeight: 17
                                name: "checkmark.shield"
                            }
                            PlainText {
                                objectName: "resultsHeading"
                                text: root.model.hasObservedRecipient ? "找到接收软件" : "找到相关绑定"
                                font.pixelSize: 15
                                font.weight: Font.DemiBold
                            }
                        }
                    }
                }
                DelegateChoice {
                    roleValue: "finding"
                    ListRow {
                        required property var finding
                        height: row.height + 10

                        FindingRow {
                            id: row
                            x: 28
                            y: 10
                            width: parent.width - 56
                            finding: parent.finding
                            workspace: root.model.workspace
                        }
                    }
                }
                DelegateChoice {
                    roleValue: "noRecipient"
                    ListRow {
                        height: noRecipientCard.height

                        Rectangle {
                            id: noRecipientCard
                            objectName: "noRecipientCard"
                            x: 28
                            width: parent.width - 56
                            implicitHeight: noRecipientRow.implicitHeight + 36
                            radius: 16
                            color: "white"

                            RowLayout {
                                id: noRecipientRow
                                anchors.fill: parent
                                anchors.margins: 18
                                spacing: 12

                                Symbol {
                                    Layout.alignment: Qt.AlignTop
                                    Layout.preferredWidth: 24
                                    Layout.preferredHeight: 24
                                    name: "questionmark.circle"
                                    color: root.accent
                                }
                                ColumnLayout {
                                    Layout.fillWidth: true
                                    Layout.alignment: Qt.AlignTop
                                    spacing: 6
                                    PlainText {
                                        text: "暂未确认接收软件"
                                        font.pixelSize: 16
                                        font.weight: Font.DemiBold
                                    }
                                    PlainText {
                                        Layout.fillWidth: true
                                        text: "没有发现可明确归属的绑定。部分软件直接过滤按键，可以展开排查详情查看线索。"
                                        color: Style.secondary
                                        font.pixelSize: 13
                                        wrapMode: Text.Wrap
                                    }
                                }
                            }
                        }
                    }
                }
                DelegateChoice {
                    roleValue: "details"
                    ListRow {
                        id: details
                        required property bool last
                        objectName: "details"
                        height: 20 + 16 + detailsToggle.height + (last ? 16 : 0)

                        CardSlice {
                            x: 28
                            y: 20
                            width: parent.width - 56
                            height: parent.height - 20
                            roundBottom: details.last
                            color: Style.detailsCard
                        }
                        AbstractButton {
                            id: detailsToggle
                            objectName: "detailsToggle"
                            x: 28 + 16
                            y: 20 + 16
                            width: parent.width - 56 - 32
                            // Checked while the details show; however it is
                            // flipped, the model holds the state.
                            checkable: true
                            checked: root.model.showDetails
                            function flip() { root.model.showDetails = !root.model.showDetails }
                            onToggled: root.model.showDetails = checked
                            Accessible.name: detailsLabel.text
                            Accessible.description: detailsCount.visible ? detailsCount.text : ""
                            Accessible.onToggleAction: flip()
                            Accessible.onPressAction: flip()
                            Keys.onReturnPressed: flip()
                            Keys.onEnterPressed: flip()
                            FocusRing {
                                shown: detailsToggle.visualFocus
                                controlRadius: 4
                            }

                            contentItem: RowLayout {
                                spacing: 6
                                Symbol {
                                    Layout.preferredWidth: 11
                                    Layout.preferredHeight: 11
                                    name: "chevron.right"
                                    color: Style.secondary
                                    rotation: root.model.showDetails ? 90 : 0
                                }
                                PlainText {
                                    id: detailsLabel
                                    text: "查看排查详情"
                                    font.pixelSize: 13
                                    font.weight: Font.DemiBold
                                    Accessible.ignored: true
                                }
                                PlainText {
                                    id: detailsCount
                                    objectName: "detailsCount"
                                    visible: root.model.listenerCount > 0
                                    text: root.model.listenerCount + " 条线索"
                                    color: Style.secondary
                                    font.pixelSize: 11
                                    Accessible.ignored: true
                                }
                                Item { Layout.fillWidth: true }
                            }
                        }
                    }
                }
                DelegateChoice {
                    roleValue: "listenerIntro"
                    DetailsSlice {
                        required first
                        required last
                        PlainText {
                            objectName: "listenerIntro"
                            width: parent.width
                            text: "以下软件在监听键盘事件。仅凭监听行为，不能判定它占用了这个快捷键。"
                            color: Style.secondary
                            font.pixelSize: 12
                            wrapMode: Text.Wrap
                        }
                    }
                }
                DelegateChoice {
                    roleValue: "listenerFinding"
                    DetailsSlice {
                        id: listenerSlice
                        required property var finding
                        required first
                        required last
                        FindingRow {
                            width: parent.width
                            finding: listenerSlice.finding
                            workspace: root.model.workspace
                        }
                    }
                }
                DelegateChoice {
                    roleValue: "note"
                    DetailsSlice {
                        id: noteSlice
                        required property string note
                        required first
                        required last
                        PlainText {
                            objectName: "note"
                            width: parent.width
                            text: noteSlice.note
                            color: Style.secondary
                            font.pixelSize: 12
                            wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                        }
                    }
                }
                DelegateChoice {
                    roleValue: "sources"
                    DetailsSlice {
                        required first
                        required last
                        PlainText {
                            objectName: "checkedSources"
                            width: parent.width
                            text: "已检查：" + root.model.checkedSources.join("、")
                            color: Style.secondary
                            font.pixelSize: 11
                            wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                        }
                    }
                }
            }
        }

        // Divider
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Style.separator
            opacity: 0.55
        }

        // Footer
        RowLayout {
            objectName: "footer"
            Layout.fillWidth: true
            Layout.leftMargin: 28
            Layout.rightMargin: 28
            Layout.topMargin: 14
            Layout.bottomMargin: 14
            spacing: 8

            Symbol {
                Layout.preferredWidth: 14
                Layout.preferredHeight: 14
                name: "lock.shield"
                color: root.accent
            }
            PlainText {
                text: "本机处理 · 不记录普通文本 · 不修改现有快捷键"
                color: Style.secondary
                font.pixelSize: 11
            }
            Item { Layout.fillWidth: true }
            LinkButton {
                id: help
                objectName: "help"
                text: "使用指南"
                colour: root.accent
                onClicked: root.model.workspace.openHelp()
            }
        }
    }
}
