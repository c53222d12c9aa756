import QtQuick 2.15

// The keyboard focus ring: an outline in the accent colour around the
// control it is declared in, shown only while the control has the focus
// from the keyboard (a mouse click draws nothing new).
Rectangle {
    id: ring

    property Item control: parent
    property real gap: Theme.focusRingGap

    anchors.fill: parent
    anchors.margins: -gap
    z: 100
    visible: control !== null && control.visualFocus === true
    color: Theme.transparent
    radius: Math.min(width, height) / 2
    border.width: Theme.focusRingWidth
    border.color: Theme.focusRing
}
