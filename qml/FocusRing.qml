import QtQuick 2.15

// The keyboard focus ring: an outline in the accent colour around the
// control it is declared in, shown only while the control has the focus
// from the keyboard (a mouse click draws nothing new).
Rectangle {
    id: ring

    property Item control: parent
    property real gap: Theme.focusRingGap

    objectName: "focusRing"

    anchors.fill: parent
    anchors.margins: -gap
    z: 100
    // Text fields have no visualFocus of their own: the reason tells. Read
    // with activeFocus, which a control does not always announce a change
    // of visualFocus with.
    visible: {
        if (!control || !control.activeFocus)
            return false;
        if (control.visualFocus !== undefined)
            return control.visualFocus;
        return control.focusReason === Qt.TabFocusReason
                || control.focusReason === Qt.BacktabFocusReason
                || control.focusReason === Qt.ShortcutFocusReason;
    }
    color: Theme.transparent
    radius: Math.min(width, height) / 2
    border.width: Theme.focusRingWidth
    border.color: Theme.focusRing
}
