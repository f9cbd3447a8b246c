import QtQuick

// The root of a VirtualColumn row: as wide as the column, and hidden while
// the column keeps it for reuse, so neither Tab nor screen readers find it.
Item {
    required property int index

    width: ListView.view ? ListView.view.width : 0
    ListView.onPooled: visible = false
    ListView.onReused: visible = true
}
