.pragma library

// Keyboard focus helpers shared by the window and the popups.

// The first item inside `scope` that Tab would reach, or null.
function firstIn(scope) {
    if (!scope)
        return null;
    const item = scope.nextItemInFocusChain(true);
    return item && isInside(item, scope) ? item : null;
}

// Whether the item holding the focus got it from the keyboard.
function fromKeyboard(window) {
    const item = window ? window.activeFocusItem : null;
    return item !== null && item !== undefined && item.visualFocus === true;
}

// Focus for a newly shown item: with a ring when the keyboard led there.
function give(item, keyboard) {
    if (!item)
        return;
    const reason = keyboard ? Qt.TabFocusReason : Qt.OtherFocusReason;
    item.forceActiveFocus(reason);
    // An item that kept the focus inside its hidden page keeps its old
    // reason too; controls draw the ring from the reason.
    if (item.focusReason !== undefined)
        item.focusReason = reason;
}

function isInside(item, scope) {
    for (let parent = item; parent; parent = parent.parent) {
        if (parent === scope)
            return true;
    }
    return false;
}

// The item Tab (or Shift+Tab) reaches from `from` without leaving `scope`:
// a modal popup keeps the focus among its own controls, wrapping around.
function stepWithin(scope, from, forward) {
    const next = from ? from.nextItemInFocusChain(forward) : null;
    if (next && next !== from && isInside(next, scope))
        return next;
    const first = firstIn(scope);
    if (forward || !first)
        return first;
    let last = first;
    for (let guard = 0; guard < 200; ++guard) {
        const after = last.nextItemInFocusChain(true);
        if (!after || after === first || !isInside(after, scope))
            break;
        last = after;
    }
    return last;
}
