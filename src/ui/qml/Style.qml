pragma Singleton
import QtQuick

// Colours and type of the window, in the light appearance it always uses.
QtObject {
    readonly property color accent: Qt.rgba(0.24, 0.36, 0.82, 1)
    readonly property color background: Qt.rgba(0.965, 0.973, 0.99, 1)
    readonly property color windowBackground: Qt.rgba(0.97, 0.98, 1.0, 1)
    readonly property color primary: Qt.rgba(0, 0, 0, 0.85)
    readonly property color secondary: Qt.rgba(0, 0, 0, 0.5)
    readonly property color separator: Qt.rgba(0, 0, 0, 0.1)
    readonly property color link: Qt.rgba(0, 0.41, 0.85, 1)
    // White at 0.75 over the background, opaque so that a card split over
    // several rows shows no seams.
    readonly property color detailsCard: Qt.tint(background, Qt.rgba(1, 1, 1, 0.75))
    readonly property color focusRing: Qt.rgba(0.24, 0.36, 0.82, 0.55)
    readonly property color green: Qt.rgba(0.204, 0.78, 0.349, 1)
    readonly property color gray: Qt.rgba(0.557, 0.557, 0.576, 1)

    // Conflict marks of the keyboard overview.
    readonly property color definite: Qt.rgba(0.84, 0.2, 0.17, 1)
    readonly property color possible: Qt.rgba(0.9, 0.55, 0.08, 1)

    // Evidence levels by name: the finding row's label texts and colours.
    readonly property var levelTexts: ({
        observedRecipient: "观察到接收软件",
        systemBinding: "系统已启用绑定",
        configuration: "匹配配置",
        conditionalConfiguration: "条件配置线索",
        nearbyEvent: "相邻事件线索",
        listener: "可能拦截的监听器"
    })
    function isEmphasised(level) {
        return level === "observedRecipient" || level === "systemBinding"
    }
    function levelColour(level) {
        return isEmphasised(level) ? Qt.rgba(0.13, 0.46, 0.36, 1) : secondary
    }
    function levelFill(level, opacity) {
        return withOpacity(isEmphasised(level) ? green : gray, opacity)
    }

    // A key claimed at that level: the stronger the evidence, the stronger the tint.
    function claimFill(level) {
        const opacity = ({ observedRecipient: 0.26, systemBinding: 0.26, configuration: 0.3,
                           conditionalConfiguration: 0.13 })[level] || 0.08
        return Qt.tint("white", levelFill(level, opacity))
    }

    function withOpacity(colour, opacity) {
        return Qt.rgba(colour.r, colour.g, colour.b, colour.a * opacity)
    }
}
