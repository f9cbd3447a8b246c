import QtQuick
import QtQuick.Controls
import QtTest
import Chordmap
import ChordmapTest

// The main window's content against the real model: which parts show in
// each state, the texts they show, and that every control reaches the model.
TestCase {
    id: test
    name: "ContentView"
    when: windowShown
    visible: true
    width: 780
    height: 1400

    Component {
        id: viewComponent
        ContentView {
            width: 780
            height: 1400
        }
    }

    readonly property var controlOptionK: ({ keyCode: 40, modifiers: 786432 })

    function makeView(model) {
        const view = createTemporaryObject(viewComponent, test, { model: model })
        verify(view)
        waitForRendering(view)
        return view
    }

    function snapshot(findings, extra) {
        const description = { keyCode: 40, modifiers: 786432, findings: findings || [] }
        for (const key in extra)
            description[key] = extra[key]
        return description
    }

    function finding(level, name) {
        return { level: level, name: name || level, title: "title of " + (name || level), detail: "detail" }
    }

    // Clicks the control once the layout has caught up with the model.
    function click(view, name) {
        waitForRendering(view)
        const item = findChild(view, name)
        verify(item, "no item " + name)
        verify(item.visible, name + " is hidden")
        mouseClick(item)
    }

    // Rows exist only while shown.
    function visibleIn(view, name) {
        const item = findChild(view, name)
        return item !== null && item.visible
    }

    // Every visible item of that name, top to bottom.
    function all(view, name) {
        waitForRendering(view)
        const found = []
        const walk = function (item) {
            if (!item.visible)
                return
            if (item.objectName === name)
                found.push(item)
            for (let i = 0; i < item.children.length; ++i)
                walk(item.children[i])
        }
        walk(view)
        return found.sort((a, b) => a.mapToItem(view, 0, 0).y - b.mapToItem(view, 0, 0).y)
    }

    function test_whichPartsShow_data() {
        return [
            { tag: "launch", setup: function (m) {},
              shown: ["keyboardSymbol", "intro"],
              hidden: ["permissionCard", "manualCard", "keyCaps", "refresh", "clear", "resultsHeading", "noRecipientCard", "details"],
              main: "开始检测", symbol: "waveform", state: "未在监听" },
            { tag: "permission missing", permission: false, setup: function (m) {},
              shown: ["permissionCard", "intro"], hidden: ["manualCard"], main: "开始检测", symbol: "waveform", state: "未在监听" },
            { tag: "manual card open", setup: function (m) { m.showManual = true },
              shown: ["manualCard", "intro"], hidden: ["permissionCard"], main: "开始检测", symbol: "waveform", state: "未在监听" },
            { tag: "listening without a result", setup: function (m) { m.start() },
              shown: ["keyboardSymbol", "intro"], hidden: ["keyCaps", "refresh", "clear"],
              main: "停止检测", symbol: "stop.fill", state: "正在检测" },
            { tag: "a result with primary findings",
              setup: function (m) { Fixture.show(m, snapshot([finding("configuration"), finding("listener")])) },
              shown: ["keyCaps", "refresh", "clear", "resultsHeading", "details", "detailsCount"],
              hidden: ["keyboardSymbol", "intro", "noRecipientCard"], main: "再次检测", symbol: "waveform", state: "未在监听" },
            { tag: "listening with a result",
              setup: function (m) { m.start(); Fixture.show(m, snapshot([finding("configuration")])) },
              shown: ["keyCaps", "resultsHeading"], hidden: ["intro", "detailsCount"],
              main: "停止检测", symbol: "stop.fill", state: "正在检测" },
            { tag: "a result of listeners only",
              setup: function (m) { Fixture.show(m, snapshot([finding("listener"), finding("nearbyEvent")])) },
              shown: ["noRecipientCard", "details", "detailsCount"], hidden: ["resultsHeading"],
              main: "再次检测", symbol: "waveform", state: "未在监听" },
            { tag: "an empty result", setup: function (m) { Fixture.show(m, snapshot([])) },
              shown: ["noRecipientCard", "details"], hidden: ["resultsHeading", "detailsCount", "intro"],
              main: "再次检测", symbol: "waveform", state: "未在监听" },
        ]
    }

    function test_whichPartsShow(data) {
        const model = Fixture.model(data.permission !== false)
        data.setup(model)
        const view = makeView(model)
        for (const name of data.shown)
            verify(visibleIn(view, name), name + " should show")
        for (const name of data.hidden)
            verify(!visibleIn(view, name), name + " should not show")
        const main = findChild(view, "toggleDetection")
        compare(main.text, data.main)
        compare(main.symbol, data.symbol)
        compare(findChild(view, "listeningState").text, data.state)
        const dot = findChild(view, "listeningDot").color
        compare(dot.g > 0.7 && dot.a === 1, model.isListening, "dot " + dot)
    }

    function test_permissionCardComesBeforeManualCard() {
        const model = Fixture.model(false)
        model.showManual = true
        const view = makeView(model)
        const permission = findChild(view, "permissionCard")
        const manual = findChild(view, "manualCard")
        verify(permission.visible && manual.visible)
        verify(permission.y < manual.y)
        verify(findChild(view, "hero").y < permission.y)
    }

    function test_headingNamesAnObservedRecipient_data() {
        return [
            { tag: "observed recipient", level: "observedRecipient", heading: "找到接收软件" },
            { tag: "binding only", level: "systemBinding", heading: "找到相关绑定" },
        ]
    }

    function test_headingNamesAnObservedRecipient(data) {
        const model = Fixture.model()
        Fixture.show(model, snapshot([finding(data.level), finding("configuration")]))
        const view = makeView(model)
        compare(findChild(view, "resultsHeading").text, data.heading)
        compare(all(view, "applicationName").length, 2)
    }

    function test_detailsGroup() {
        const model = Fixture.model()
        Fixture.show(model, snapshot([finding("configuration"), finding("listener", "a"), finding("nearbyEvent", "b"),
                                      finding("listener", "c")],
                                     { notes: ["note one", "note one", "note two"], checkedSources: ["Alpha", "Beta"] }))
        const view = makeView(model)
        compare(findChild(view, "detailsCount").text, "3 条线索")
        verify(!visibleIn(view, "listenerIntro"))

        model.showDetails = true
        waitForRendering(view)
        compare(findChild(view, "listenerIntro").text, "以下软件在监听键盘事件。仅凭监听行为，不能判定它占用了这个快捷键。")
        compare(all(view, "applicationName").map(name => name.text), ["configuration", "a", "b", "c"])
        compare(all(view, "note").map(note => note.text), ["note one", "note one", "note two"])
        compare(findChild(view, "checkedSources").text, "已检查：Alpha、Beta")

        model.showDetails = false
        compare(all(view, "note").length, 0)
    }

    function test_detailsWithoutListenersNotesOrSources() {
        const model = Fixture.model()
        Fixture.show(model, snapshot([finding("configuration")]))
        model.showDetails = true
        const view = makeView(model)
        verify(visibleIn(view, "detailsToggle"))
        for (const name of ["detailsCount", "listenerIntro", "note", "checkedSources"])
            verify(!visibleIn(view, name), name)
        compare(all(view, "applicationName").length, 1)
    }

    function test_refreshTooltipNamesItsKey() {
        const model = Fixture.model()
        Fixture.show(model, snapshot([]))
        compare(findChild(makeView(model), "refresh").tooltip, "刷新结果 ⌘L")
    }

    function test_permissionCardAndHelpReachTheDesktop() {
        const model = Fixture.model(false)
        const view = makeView(model)
        Fixture.forgetDesktopRequests()

        click(view, "openPermissionSettings")
        compare(Fixture.permissionRequests(model), 1)
        compare(Fixture.openedURLs(), ["x-apple.systempreferences:com.apple.preference.security?Privacy_ListenEvent"])
        Fixture.setPermission(model, true)
        click(view, "checkPermission")
        verify(!findChild(view, "permissionCard").visible)

        Fixture.forgetDesktopRequests()
        click(view, "help")
        compare(Fixture.openedURLs().length, 1)
        verify(Fixture.openedURLs()[0].endsWith("#help"))
    }

    function test_manualSelectionFollowsTheModel() {
        const model = Fixture.model()
        model.showManual = true
        const view = makeView(model)
        model.option = true
        verify(findChild(view, "optionBox").checked)
        const picker = findChild(view, "keyPicker")
        compare(picker.currentValue, 5)
        compare(picker.currentText, "G")
        model.keyCode = 40
        compare(picker.currentText, "K")
        const space = picker.indexOfValue(49)
        verify(space >= 0)
        picker.currentIndex = space
        picker.activated(space)
        compare(model.keyCode, 49)
        compare(picker.count, model.selectableKeys.length)
    }

    // Every text that can come from a user's files or the system is plain.
    function test_markupIsShownLiterally() {
        const markup = "<b>bold</b><img src=x>"
        const model = Fixture.model()
        Fixture.show(model, snapshot([{ level: "configuration", name: markup, title: markup, detail: markup,
                                        sourceURL: "/tmp/" + markup },
                                      { level: "listener", name: markup, title: markup, detail: markup }],
                                     { notes: [markup], checkedSources: [markup] }))
        model.showDetails = true
        const view = makeView(model)
        waitForRendering(view)
        let checked = 0
        const walk = function (item) {
            if (item.text !== undefined && String(item.text).indexOf("<b>") >= 0) {
                compare(item.textFormat, Text.PlainText, "text " + item.text)
                if (item.length !== undefined)
                    compare(item.length, item.text.length)
                ++checked
            }
            for (let i = 0; i < item.children.length; ++i)
                walk(item.children[i])
        }
        walk(view)
        // Two rows of name, title and detail, the note and the sources line.
        compare(checked, 8)
    }

    // The keyboard overview of the example home: keys as its map has them.
    function openOverview() {
        const model = Fixture.model()
        const view = makeView(model)
        click(view, "keyboardOverview")
        verify(model.showKeyboard)
        tryCompare(model.keyboard, "building", false)
        waitForRendering(view)
        verify(visibleIn(view, "keyboardPage") && !visibleIn(view, "scrollArea"))
        return { model: model, view: view }
    }

    function test_keyboardOverviewShowsTheMap_data() {
        return [
            { tag: "definite", modifiers: ["keyboardControl", "keyboardOption"], key: "K", count: 7, conflict: "definite",
              description: "⌃ ⌥ K：7 项占用，确定冲突" },
            { tag: "possible", modifiers: ["keyboardControl", "keyboardOption"], key: "H", count: 3, conflict: "possible",
              description: "⌃ ⌥ H：3 项占用，可能冲突" },
            { tag: "claimed once", modifiers: ["keyboardControl", "keyboardOption"], key: "C", count: 1, conflict: "none",
              description: "⌃ ⌥ C：1 项占用，无冲突" },
            { tag: "command", modifiers: ["keyboardCommand"], key: "Space", count: 2, conflict: "possible",
              description: "⌘ Space：2 项占用，可能冲突" },
            { tag: "unclaimed", modifiers: ["keyboardCommand", "keyboardFn"], key: "F5", count: 0, conflict: "none",
              description: "⌘ F5：未发现占用" },
        ]
    }

    function test_keyboardOverviewShowsTheMap(data) {
        const overview = openOverview()
        const keyboard = overview.model.keyboard
        keyboard.control = keyboard.option = false
        for (const name of data.modifiers)
            click(overview.view, name)
        const key = findChild(overview.view, "key." + data.key)
        compare(key.count, data.count)
        compare(key.conflict, data.conflict)
        compare(key.Accessible.name, data.key)
        compare(key.Accessible.description, data.description)
        compare(findChild(key, "conflictMark").visible, data.conflict !== "none")
        compare(key.background.color === Qt.color("white"), data.count === 0)
    }

    function test_conflictEntryLooksUpItsCombination() {
        const overview = openOverview()
        compare(findChild(overview.view, "conflictCount").text, "11 个组合")
        compare(all(overview.view, "keyboardNote")[0].text,
                "配置能证明存在对应规则；软件是否已加载、应用范围及条件是否满足，仍需结合实时结果。未检出不代表没有占用。")
        const entries = all(overview.view, "conflictEntry")
        verify(entries.length > 0)
        compare(findChild(entries[0], "conflictName").text, "⌃ ⌥ H")
        compare(findChild(entries[0], "conflictKind").text, "可能冲突")
        compare(findChild(entries[0], "conflictClaimants").text, "skhd、Karabiner-Elements")
        mouseClick(entries[0])
        verify(!overview.model.showKeyboard)
        compare(overview.model.shortcutName, "⌃ ⌥ H")
        compare(overview.model.status, "已查询 ⌃ ⌥ H 的系统绑定、已知配置与监听软件。")
        compare(all(overview.view, "applicationName").length, 3)
    }

    // The application chosen in front, by keyboard, judges the rules that
    // hold only in some applications: in the results and in the overview.
    function test_frontApplicationJudgesConditions() {
        const model = Fixture.model()
        const view = makeView(model)
        click(view, "manualSelection")
        const picker = all(view, "frontApplicationPicker")[0]
        compare([0, 1, 2].map(i => picker.textAt(i)), ["任意应用", "Safari", "Terminal"])
        compare(picker.currentIndex, 0)
        picker.forceActiveFocus(Qt.TabFocusReason)
        keyClick(Qt.Key_Down)
        keyClick(Qt.Key_Down)
        compare(model.frontChoice, 2)
        model.option = true
        model.keyCode = 40
        click(view, "queryShortcut")
        const lines = all(view, "applicability").map(line => line.text)
        compare(lines, ["在 Terminal 中生效", "无法判断：需要 skhd 处于 resize 模式", "在 Terminal 中不生效",
                        "在 Terminal 中不生效"])

        click(view, "keyboardOverview")
        tryCompare(model.keyboard, "building", false)
        const overviewPicker = all(view, "frontApplicationPicker")[0]
        compare(overviewPicker.currentText, "Terminal")
        compare(findChild(view, "key.K").Accessible.description, "⌃ ⌥ K：5 项占用，确定冲突")
        compare(findChild(view, "key.R").Accessible.description, "⌃ ⌥ R：2 项占用，确定冲突")
        overviewPicker.activated(0)
        tryCompare(model.keyboard, "building", false)
        compare(findChild(view, "key.K").Accessible.description, "⌃ ⌥ K：7 项占用，确定冲突")
        compare(findChild(view, "key.R").Accessible.description, "⌃ ⌥ R：2 项占用，可能冲突")
        compare(picker.currentText, "任意应用", "one choice for both places")
    }

    // Arrows move between keys, Space looks one up, Escape goes back.
    function test_keyboardOverviewByKeyboard() {
        const overview = openOverview()
        tryVerify(() => findChild(overview.view, "key.K").activeFocus)
        keyClick(Qt.Key_Right)
        const l = findChild(overview.view, "key.L")
        verify(l.activeFocus && l.visualFocus)
        keyClick(Qt.Key_Up)
        verify(findChild(overview.view, "key.O").activeFocus)
        keyClick(Qt.Key_Space)
        compare(overview.model.shortcutName, "⌃ ⌥ O")
        verify(!overview.model.showKeyboard)

        overview.model.openKeyboard()
        tryVerify(() => findChild(overview.view, "key.O").activeFocus)
        keyClick(Qt.Key_Escape)
        verify(!overview.model.showKeyboard)
        tryVerify(() => findChild(overview.view, "keyboardOverview").activeFocus)
    }
}
