import QtQuick

// One row of the open details group: its slice of the group's card, and its
// content inside the card's margins, 14 below the toggle or 12 below the
// row before it.
ListRow {
    id: slice
    property bool first: false
    property bool last: false
    default property alias content: inner.data

    implicitHeight: inner.y + inner.height + (last ? 16 : 0)

    CardSlice {
        x: 28
        width: parent.width - 56
        height: parent.height
        roundTop: false
        roundBottom: slice.last
        color: Style.detailsCard
    }
    Item {
        id: inner
        x: 28 + 16
        y: slice.first ? 14 : 12
        width: slice.width - 56 - 32
        height: childrenRect.height
    }
}
