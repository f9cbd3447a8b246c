import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One finding as a card: the application with its icon, the evidence level,
// the title and explanation, and a link to where the finding comes from.
Rectangle {
    id: row
    // An item of AppModel's finding lists.
    required property var finding
    // Where the link goes: the model's WorkspaceActions.
    required property var workspace

    readonly property string levelText: Style.levelTexts[finding.level] || ""
    readonly property color levelColour: Style.levelColour(finding.level)
    readonly property color capsuleColour: Style.levelFill(finding.level, 0.08)
    readonly property string symbolName: finding.iconSource !== "" ? ""
                                         : finding.level === "systemBinding" ? "macwindow" : "app.dashed"
    // No link where its target cannot be opened on this desktop.
    readonly property string linkTitle: finding.sourceURL === "" ? ""
                                        : finding.sourceIsFile ? "查看配置位置"
                                        : workspace.canOpen(finding.sourceURL) ? "打开系统设置" : ""

    implicitHeight: content.implicitHeight + 30
    radius: 13
    color: "white"
    border.width: 1
    border.color: Qt.rgba(0, 0, 0, 0.055)

    // A stop for Tab, so every finding can be reached and read by keyboard.
    activeFocusOnTab: true
    Accessible.role: Accessible.ListItem
    Accessible.name: finding.name + "，" + levelText
    Accessible.description: finding.applicability !== "" ? finding.title + "，" + finding.applicability
                                                         : finding.title
    Accessible.focusable: true
    FocusRing {
        shown: row.activeFocus
        controlRadius: row.radius
    }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 15
        spacing: 13

        Item {
            Layout.preferredWidth: 40
            Layout.preferredHeight: 40
            Layout.alignment: Qt.AlignTop

            Image {
                objectName: "fileIcon"
                anchors.fill: parent
                visible: row.finding.iconSource !== ""
                source: row.finding.iconSource
                sourceSize: Qt.size(80, 80)
                fillMode: Image.PreserveAspectFit
                smooth: true
            }
            Symbol {
                objectName: "symbolIcon"
                anchors.fill: parent
                anchors.margins: 5
                visible: row.symbolName !== ""
                name: row.symbolName
                color: Style.secondary
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignTop
            spacing: 6

            RowLayout {
                Layout.fillWidth: true
                spacing: 9

                SelectableText {
                    id: name
                    objectName: "applicationName"
                    // Its natural width, or what is left beside the label.
                    Layout.fillWidth: true
                    Layout.preferredWidth: Math.ceil(nameWidth.advanceWidth) + 1
                    Layout.maximumWidth: Layout.preferredWidth
                    text: row.finding.name
                    font.pixelSize: 15
                    font.weight: Font.DemiBold
                    TextMetrics {
                        id: nameWidth
                        font: name.font
                        text: name.text
                    }
                    // Names and paths may have no space to break at.
                    wrapMode: TextEdit.WrapAtWordBoundaryOrAnywhere
                }
                Rectangle {
                    id: capsule
                    objectName: "levelCapsule"
                    Layout.alignment: Qt.AlignVCenter
                    Layout.minimumWidth: implicitWidth
                    implicitWidth: levelLabel.implicitWidth + 14
                    implicitHeight: levelLabel.implicitHeight + 6
                    radius: height / 2
                    color: row.capsuleColour
                    PlainText {
                        id: levelLabel
                        objectName: "levelLabel"
                        anchors.centerIn: parent
                        text: row.levelText
                        color: row.levelColour
                        font.pixelSize: 10
                        font.weight: Font.Medium
                    }
                }
                Item { Layout.fillWidth: true }
            }

            SelectableText {
                objectName: "findingTitle"
                Layout.fillWidth: true
                text: row.finding.title
                font.pixelSize: 12
                font.weight: Font.Medium
                // Names and paths may have no space to break at.
                wrapMode: TextEdit.WrapAtWordBoundaryOrAnywhere
            }
            SelectableText {
                objectName: "applicability"
                Layout.fillWidth: true
                visible: text !== ""
                text: row.finding.applicability
                color: row.finding.applies === "yes" ? Style.levelColour("systemBinding")
                       : row.finding.applies === "no" ? Style.secondary : Style.possible
                font.pixelSize: 12
                font.weight: Font.Medium
                wrapMode: TextEdit.WrapAtWordBoundaryOrAnywhere
            }
            SelectableText {
                objectName: "findingDetail"
                Layout.fillWidth: true
                text: row.finding.detail
                color: Style.secondary
                font.pixelSize: 12
                // Names and paths may have no space to break at.
                wrapMode: TextEdit.WrapAtWordBoundaryOrAnywhere
            }
            LinkButton {
                objectName: "sourceLink"
                visible: row.linkTitle !== ""
                text: row.linkTitle
                onClicked: {
                    if (row.finding.sourceIsFile)
                        row.workspace.revealFile(row.finding.sourceURL)
                    else
                        row.workspace.openURL(row.finding.sourceURL)
                }
            }
        }
    }
}
