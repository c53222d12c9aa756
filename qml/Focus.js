.pragma library

// Keyboard focus helpers shared by the window and the popups.

// The first item inside `scope` that Tab would reach, or null.
function firstIn(scope) {
    if (!scope)
        return null;
    const item = scope.nextItemInFocusChain(true);
    for (let parent = item; parent; parent = parent.parent) {
        if (parent === scope)
            return item;
    }
    return null;
}

// Whether the item holding the focus got it from the keyboard.
function fromKeyboard(window) {
    const item = window ? window.activeFocusItem : null;
    return item !== null && item !== undefined && item.visualFocus === true;
}

// Focus for a newly shown item: with a ring when the keyboard led there.
function give(item, keyboard) {
    if (item)
        item.forceActiveFocus(keyboard ? Qt.TabFocusReason : Qt.OtherFocusReason);
}
