import QtQuick
import QtQuick.Controls

// A scrolling column that makes items only for the rows in view (and a
// little around it), reusing them as it scrolls, so a list of thousands
// costs what a screenful does. Any long list of the window uses it.
//
// Keyboard: Tab and Backtab move through the header's controls and then row
// by row in list order, scrolling each row into view before it is focused,
// since rows far away do not exist yet; focus anywhere in the column is kept
// in view; Page Up/Down, Home, End and the arrows scroll. Rows are ListRow
// items.
ListView {
    id: list
    // Where Tab goes after the last row and Backtab before the header.
    property Item after: null
    property Item before: null

    clip: true
    // No current row: ListView would give its current row the focus and
    // take it from wherever the user had put it.
    currentIndex: -1
    onCurrentIndexChanged: if (currentIndex !== -1) currentIndex = -1
    keyNavigationEnabled: false
    reuseItems: true
    cacheBuffer: 600
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

    // A header that grows or shrinks (a card opens, a result comes) leaves a
    // view that was at the top at the top: ListView would keep an offset.
    property bool wasAtTop: true
    onContentYChanged: wasAtTop = atYBeginning
    Connections {
        target: list.headerItem
        function onHeightChanged() {
            if (list.wasAtTop)
                Qt.callLater(list.positionViewAtBeginning)
        }
    }

    function contains(outer, item) {
        for (let at = item; at; at = at.parent) {
            if (at === outer)
                return true
        }
        return false
    }
    function scrollTo(y) {
        contentY = Math.max(originY, Math.min(y, originY + contentHeight - height))
    }
    // Brings an item in the column fully into view, with some room.
    function reveal(item) {
        if (!contains(contentItem, item))
            return
        const top = item.mapToItem(contentItem, 0, 0).y - 12
        const bottom = top + item.height + 24
        if (top < contentY)
            scrollTo(top)
        else if (bottom > contentY + height)
            scrollTo(Math.min(top, bottom - height))
    }

    // The header or the row holding the item, and its position: -1 for the header.
    function blockOf(item) {
        for (let at = item; at && at.parent; at = at.parent) {
            if (at.parent === contentItem)
                return at === headerItem ? { item: at, index: -1 } : { item: at, index: at.index }
        }
        return null
    }
    function blockAt(index) {
        if (index < 0)
            return headerItem
        positionViewAtIndex(index, ListView.Contain)
        return itemAtIndex(index)
    }
    // The Tab stops of a block, in order.
    function stops(block) {
        const found = []
        const walk = function (item) {
            if (!item.visible || !item.enabled)
                return
            if (item.activeFocusOnTab)
                found.push(item)
            for (let i = 0; i < item.children.length; ++i)
                walk(item.children[i])
        }
        if (block)
            walk(block)
        return found
    }
    // Moves focus to the next (or previous) stop; false when focus is not here.
    function moveFocus(forward, reason) {
        const focus = Window.activeFocusItem
        const block = blockOf(focus)
        if (!block)
            return false
        const inBlock = stops(block.item)
        const at = inBlock.indexOf(focus)
        const next = at < 0 ? (forward ? inBlock[0] : undefined) : inBlock[at + (forward ? 1 : -1)]
        if (next && next !== focus) {
            next.forceActiveFocus(reason)
            return true
        }
        for (let i = block.index + (forward ? 1 : -1); i >= -1 && i < count; i += forward ? 1 : -1) {
            const candidates = stops(blockAt(i))
            if (candidates.length > 0) {
                (forward ? candidates[0] : candidates[candidates.length - 1]).forceActiveFocus(reason)
                return true
            }
        }
        const exit = forward ? after : before
        if (exit)
            exit.forceActiveFocus(reason)
        return exit !== null
    }
    // The first stop among the rows, scrolled into view.
    function focusFirstRow(reason) {
        forceLayout()
        for (let i = 0; i < count; ++i) {
            const candidates = stops(blockAt(i))
            if (candidates.length > 0) {
                candidates[0].forceActiveFocus(reason)
                return true
            }
        }
        return false
    }

    Keys.onTabPressed: (event) => { event.accepted = moveFocus(true, Qt.TabFocusReason) }
    Keys.onBacktabPressed: (event) => { event.accepted = moveFocus(false, Qt.BacktabFocusReason) }
    Keys.onPressed: (event) => {
        if (event.modifiers & ~(Qt.ControlModifier | Qt.KeypadModifier))
            return
        const page = height - 40
        switch (event.key) {
        case Qt.Key_PageDown: scrollTo(contentY + page); break
        case Qt.Key_PageUp: scrollTo(contentY - page); break
        case Qt.Key_Down: scrollTo(contentY + 40); break
        case Qt.Key_Up: scrollTo(contentY - 40); break
        case Qt.Key_Home: positionViewAtBeginning(); break
        case Qt.Key_End: positionViewAtEnd(); break
        default: return
        }
        event.accepted = true
    }
}
