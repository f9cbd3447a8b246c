import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chordmap

// The keyboard overview: every key under the chosen modifiers, then every
// conflict of the map as rows made only while in view. Pressing a key or a
// conflict looks that combination up as the manual query does.
VirtualColumn {
    id: page
    required property AppModel app
    property color accent: Style.accent
    property string refreshKeyText: "⌘L"
    readonly property KeyboardView keyboard: app.keyboard
    // Called with the focus reason once a combination was looked up.
    signal queried(int reason)

    model: keyboard.conflicts

    function reasonFrom(control) {
        return control.visualFocus ? Qt.TabFocusReason : Qt.OtherFocusReason
    }
    function query(control, keyCode, modifiers) {
        const reason = reasonFrom(control)
        page.app.queryCombination(keyCode, modifiers)
        queried(reason)
    }
    // Where focus starts: the key last focused.
    function focusStart(reason) {
        positionViewAtBeginning()
        const board = headerItem ? headerItem.board : null
        if (board)
            board.focusCurrent(reason)
    }

    header: Item {
        readonly property Item board: board
        width: ListView.view.width
        height: column.implicitHeight + 20

        ColumnLayout {
            id: column
            x: 28
            width: parent.width - 56
            spacing: 14

            RowLayout {
                Layout.fillWidth: true
                spacing: 10
                BorderedButton {
                    objectName: "keyboardBack"
                    text: "返回"
                    onClicked: page.app.closeKeyboard()
                }
                PlainText {
                    text: "键盘总览"
                    font.pixelSize: 17
                    font.weight: Font.DemiBold
                }
                Item { Layout.fillWidth: true }
                FrontApplicationPicker {
                    app: page.app
                }
                BusyIndicator {
                    objectName: "keyboardBusy"
                    visible: page.keyboard.building
                    running: visible
                    Layout.preferredWidth: 22
                    Layout.preferredHeight: 22
                    Accessible.ignored: true
                }
                PlainText {
                    objectName: "keyboardBusyText"
                    visible: page.keyboard.building
                    text: "正在读取配置…"
                    color: Style.secondary
                    font.pixelSize: 12
                }
                IconButton {
                    objectName: "keyboardRefresh"
                    symbol: "arrow.clockwise"
                    tooltip: "刷新结果 " + page.refreshKeyText
                    Accessible.name: "刷新结果"
                    onClicked: page.app.refresh()
                }
            }
            PlainText {
                Layout.fillWidth: true
                text: "选择修饰键，查看每个按键被哪些配置占用。按下按键即可查看这个组合的结果。"
                color: Style.secondary
                font.pixelSize: 12
                wrapMode: Text.Wrap
            }
            RowLayout {
                spacing: 10
                OptionBox {
                    objectName: "keyboardControl"
                    text: "⌃ Control"
                    value: page.keyboard.control
                    onEdited: (value) => page.keyboard.control = value
                }
                OptionBox {
                    objectName: "keyboardOption"
                    text: "⌥ Option"
                    value: page.keyboard.option
                    onEdited: (value) => page.keyboard.option = value
                }
                OptionBox {
                    objectName: "keyboardShift"
                    text: "⇧ Shift"
                    value: page.keyboard.shift
                    onEdited: (value) => page.keyboard.shift = value
                }
                OptionBox {
                    objectName: "keyboardCommand"
                    text: "⌘ Command"
                    value: page.keyboard.command
                    onEdited: (value) => page.keyboard.command = value
                }
                OptionBox {
                    objectName: "keyboardFn"
                    text: "fn"
                    value: page.keyboard.fn
                    onEdited: (value) => page.keyboard.fn = value
                }
            }

            // The keys, one Tab stop: the arrows move between them.
            Rectangle {
                Layout.fillWidth: true
                implicitHeight: board.height + 24
                radius: 14
                color: "white"
                border.width: 1
                border.color: Qt.rgba(0, 0, 0, 0.055)
                opacity: page.keyboard.hasMap ? 1 : 0.6

                Item {
                    id: board
                    objectName: "keyboard"
                    readonly property var layout: page.keyboard.layout
                    readonly property real unit: Math.min(40, (parent.width - 24 + 4) / 24)
                    // The key that takes focus when Tab comes in.
                    property int current: layout.findIndex(place => place.code === 40)
                    x: 12
                    y: 12
                    width: 24 * unit
                    height: 6.5 * unit

                    function focusCurrent(reason) {
                        keys.itemAt(current).forceActiveFocus(reason)
                    }
                    // The nearest key in a direction, rows first when moving up or down.
                    function neighbour(from, dx, dy) {
                        const here = layout[from]
                        const cx = here.x + here.width / 2, cy = here.y + here.height / 2
                        let best = -1, bestScore = Infinity
                        for (let i = 0; i < layout.length; ++i) {
                            const there = layout[i]
                            if (i === from || there.code < 0)
                                continue
                            const ox = there.x + there.width / 2 - cx, oy = there.y + there.height / 2 - cy
                            let score
                            if (dx !== 0) {
                                const sameRow = there.y < here.y + here.height && here.y < there.y + there.height
                                if (!sameRow || ox * dx <= 0)
                                    continue
                                score = Math.abs(ox)
                            } else {
                                if (oy * dy <= 0.25)
                                    continue
                                score = Math.abs(oy) * 100 + Math.abs(ox)
                            }
                            if (score < bestScore) {
                                best = i
                                bestScore = score
                            }
                        }
                        return best
                    }
                    function move(from, dx, dy) {
                        // The key focused becomes the current one.
                        const to = neighbour(from, dx, dy)
                        if (to >= 0)
                            keys.itemAt(to).forceActiveFocus(Qt.TabFocusReason)
                    }

                    Repeater {
                        id: keys
                        model: board.layout
                        KeyButton {
                            required property int index
                            required property var modelData
                            objectName: "key." + modelData.name
                            place: modelData
                            claims: page.keyboard.claims[index] || ({})
                            unit: board.unit
                            activeFocusOnTab: named && index === board.current
                            onActiveFocusChanged: if (activeFocus) board.current = index
                            onClicked: page.query(this, place.code, page.keyboard.modifiers)
                            Keys.onPressed: (event) => {
                                const step = { [Qt.Key_Left]: [-1, 0], [Qt.Key_Right]: [1, 0],
                                               [Qt.Key_Up]: [0, -1], [Qt.Key_Down]: [0, 1] }[event.key]
                                if (!step || event.modifiers & ~Qt.KeypadModifier)
                                    return
                                board.move(index, step[0], step[1])
                                event.accepted = true
                            }
                        }
                    }
                }
            }

            // What the tints and marks mean.
            Flow {
                Layout.fillWidth: true
                spacing: 16
                Repeater {
                    model: ["systemBinding", "configuration", "conditionalConfiguration"]
                    Row {
                        required property string modelData
                        spacing: 6
                        Rectangle {
                            width: 14
                            height: 14
                            radius: 3
                            color: Style.claimFill(parent.modelData)
                            border.width: 1
                            border.color: Qt.rgba(0, 0, 0, 0.12)
                        }
                        PlainText {
                            text: Style.levelTexts[parent.modelData]
                            color: Style.secondary
                            font.pixelSize: 11
                        }
                    }
                }
                Repeater {
                    model: [{ mark: "!", text: "确定冲突", colour: Style.definite },
                            { mark: "?", text: "可能冲突", colour: Style.possible }]
                    Row {
                        required property var modelData
                        spacing: 6
                        Rectangle {
                            width: 14
                            height: 14
                            radius: 7
                            color: parent.modelData.colour
                            PlainText {
                                anchors.centerIn: parent
                                text: parent.parent.modelData.mark
                                color: "white"
                                font.pixelSize: 10
                                font.weight: Font.Bold
                            }
                        }
                        PlainText {
                            text: parent.modelData.text
                            color: Style.secondary
                            font.pixelSize: 11
                        }
                    }
                }
            }

            // A source that could not be read leaves its keys looking free.
            Repeater {
                model: page.keyboard.notes
                PlainText {
                    required property string modelData
                    objectName: "keyboardNote"
                    Layout.fillWidth: true
                    text: modelData
                    color: Style.secondary
                    font.pixelSize: 11
                    wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                }
            }

            RowLayout {
                spacing: 8
                Layout.topMargin: 6
                Symbol {
                    Layout.preferredWidth: 17
                    Layout.preferredHeight: 17
                    name: "checkmark.shield"
                }
                PlainText {
                    text: "全部冲突"
                    font.pixelSize: 15
                    font.weight: Font.DemiBold
                }
                PlainText {
                    objectName: "conflictCount"
                    visible: page.keyboard.hasMap
                    text: page.keyboard.conflictCount + " 个组合"
                    color: Style.secondary
                    font.pixelSize: 12
                }
            }
            PlainText {
                objectName: "noConflicts"
                visible: page.keyboard.hasMap && page.keyboard.conflictCount === 0
                text: "没有发现冲突：每个被占用的组合都只有一处配置。"
                color: Style.secondary
                font.pixelSize: 12
            }
        }
    }
    footer: Item {
        width: ListView.view.width
        height: 22
    }

    delegate: ListRow {
        id: row
        required property string name
        required property string claimants
        required property string conflict
        required property string conflictText
        required property int keyCode
        required property int modifiers
        height: entry.height + 8

        AbstractButton {
            id: entry
            objectName: "conflictEntry"
            x: 28
            width: parent.width - 56
            height: entryRow.implicitHeight + 20
            Accessible.role: Accessible.Button
            Accessible.name: row.name + "：" + row.conflictText
            Accessible.description: row.claimants
            Accessible.onPressAction: clicked()
            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
            onClicked: page.query(this, row.keyCode, row.modifiers)

            background: Rectangle {
                radius: 11
                color: entry.down ? Qt.rgba(0.95, 0.96, 0.98, 1) : "white"
                border.width: 1
                border.color: Qt.rgba(0, 0, 0, 0.055)
            }
            FocusRing {
                shown: entry.visualFocus
                controlRadius: 11
            }
            contentItem: Item {}
            RowLayout {
                id: entryRow
                x: 14
                y: 10
                width: parent.width - 28
                spacing: 12
                PlainText {
                    objectName: "conflictName"
                    // A column for the usual names; longer ones push on.
                    Layout.preferredWidth: Math.max(120, implicitWidth)
                    text: row.name
                    font.pixelSize: 15
                    font.weight: Font.DemiBold
                    Accessible.ignored: true
                }
                PlainText {
                    objectName: "conflictKind"
                    text: row.conflictText
                    color: row.conflict === "definite" ? Style.definite : Style.possible
                    font.pixelSize: 11
                    font.weight: Font.Medium
                    Accessible.ignored: true
                }
                PlainText {
                    objectName: "conflictClaimants"
                    Layout.fillWidth: true
                    text: row.claimants
                    color: Style.secondary
                    font.pixelSize: 12
                    elide: Text.ElideRight
                    Accessible.ignored: true
                }
            }
        }
    }
}
