import QtQuick
import QtTest
import Chordmap
import ChordmapTest

// One finding row: level label and colours, icon, link, wrapping.
TestCase {
    id: test
    name: "FindingRow"
    when: windowShown
    visible: true
    width: 700
    height: 600

    Component {
        id: rowComponent
        FindingRow { width: 600 }
    }

    readonly property color emphasisedText: Qt.rgba(0.13, 0.46, 0.36, 1)
    readonly property color secondaryText: Qt.rgba(0, 0, 0, 0.5)
    readonly property color greenCapsule: Qt.rgba(0.204, 0.78, 0.349, 0.08)
    readonly property color grayCapsule: Qt.rgba(0.557, 0.557, 0.576, 0.08)

    // A row for one finding, made from the description as the window makes it.
    function makeRow(description) {
        const row = createTemporaryObject(rowComponent, test,
                                          { finding: Fixture.findingItem(description), workspace: Fixture.model().workspace })
        verify(row)
        return row
    }

    function colourEqual(actual, expected) {
        return Math.abs(actual.r - expected.r) < 0.01 && Math.abs(actual.g - expected.g) < 0.01
            && Math.abs(actual.b - expected.b) < 0.01 && Math.abs(actual.a - expected.a) < 0.01
    }

    function test_levelLabel_data() {
        return [
            { tag: "observedRecipient", level: "observedRecipient", label: "观察到接收软件", text: emphasisedText, fill: greenCapsule },
            { tag: "systemBinding", level: "systemBinding", label: "系统已启用绑定", text: emphasisedText, fill: greenCapsule },
            { tag: "configuration", level: "configuration", label: "匹配配置", text: secondaryText, fill: grayCapsule },
            { tag: "conditionalConfiguration", level: "conditionalConfiguration", label: "条件配置线索", text: secondaryText, fill: grayCapsule },
            { tag: "nearbyEvent", level: "nearbyEvent", label: "相邻事件线索", text: secondaryText, fill: grayCapsule },
            { tag: "listener", level: "listener", label: "可能拦截的监听器", text: secondaryText, fill: grayCapsule },
        ]
    }

    function test_levelLabel(data) {
        const row = makeRow({ level: data.level, name: "Hammerspoon", title: "t", detail: "d" })
        waitForRendering(row)
        // A name with room to spare keeps to one line.
        compare(findChild(row, "applicationName").lineCount, 1)
        const label = findChild(row, "levelLabel")
        compare(label.text, data.label)
        verify(colourEqual(label.color, data.text), "label colour " + label.color)
        verify(colourEqual(findChild(row, "levelCapsule").color, data.fill), "capsule colour")
    }

    function test_icon_data() {
        return [
            { tag: "bundle location: the file icon", level: "configuration", bundlePath: "/Applications/Tool.app", symbol: "" },
            { tag: "system binding without bundle", level: "systemBinding", bundlePath: "", symbol: "macwindow" },
            { tag: "other level without bundle", level: "listener", bundlePath: "", symbol: "app.dashed" },
        ]
    }

    function test_icon(data) {
        Fixture.giveIcon("/Applications/Tool.app", Qt.rgba(0.9, 0.2, 0.1, 1))
        const row = makeRow({ level: data.level, name: "Tool", title: "t", detail: "d", bundlePath: data.bundlePath })
        const file = findChild(row, "fileIcon")
        const symbol = findChild(row, "symbolIcon")
        compare(file.visible, data.symbol === "")
        compare(symbol.visible, data.symbol !== "")
        if (data.symbol !== "") {
            compare(symbol.name, data.symbol)
            return
        }
        tryCompare(file, "status", Image.Ready)
        waitForRendering(row)
        // The workspace's icon, scaled into the 40 × 40 frame.
        compare(file.width, 40)
        const image = grabImage(file)
        verify(colourEqual(image.pixel(20, 20), Qt.rgba(0.9, 0.2, 0.1, 1)), "icon pixel " + image.pixel(20, 20))
    }

    function test_sourceLink_data() {
        return [
            { tag: "a file: reveal it", source: "/Users/me/.config/karabiner/karabiner.json", title: "查看配置位置",
              revealed: ["file:///Users/me/.config/karabiner/karabiner.json"], opened: [] },
            { tag: "a settings link: open it", source: "x-apple.systempreferences:com.apple.Keyboard-Settings.extension",
              title: "打开系统设置", revealed: [], opened: ["x-apple.systempreferences:com.apple.Keyboard-Settings.extension"] },
            { tag: "no source: no link", source: "", title: "", revealed: [], opened: [] },
        ]
    }

    function test_sourceLink(data) {
        const row = makeRow({ level: "configuration", name: "Tool", title: "t", detail: "d", sourceURL: data.source })
        const link = findChild(row, "sourceLink")
        compare(link.visible, data.title !== "")
        if (!link.visible)
            return
        compare(link.text, data.title)
        Fixture.forgetDesktopRequests()
        mouseClick(link)
        compare(Fixture.revealedFiles(), data.revealed)
        compare(Fixture.openedURLs(), data.opened)
    }

    function test_longDetailWrapsAndGrowsTheRow() {
        const brief = makeRow({ level: "configuration", name: "Tool", title: "t", detail: "d" })
        let detail = ""
        for (let i = 0; i < 12; ++i)
            detail += "根据结果回到对应软件调整。无法确认时，查看排查线索。 "
        const lengthy = makeRow({ level: "configuration", name: "Tool", title: "t", detail: detail })
        waitForRendering(lengthy)
        const text = findChild(lengthy, "findingDetail")
        verify(text.lineCount > 2, "lines " + text.lineCount)
        verify(text.width <= 600)
        verify(lengthy.height > brief.height + 30)
        // The level label keeps its line and its natural width.
        const label = findChild(lengthy, "levelCapsule")
        compare(label.mapToItem(lengthy, 0, 0).y, findChild(brief, "levelCapsule").mapToItem(brief, 0, 0).y)
        compare(label.width, findChild(brief, "levelCapsule").width)
    }
}
