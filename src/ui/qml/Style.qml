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

    function withOpacity(colour, opacity) {
        return Qt.rgba(colour.r, colour.g, colour.b, colour.a * opacity)
    }
}
