import QtQuick 2.15

// A drop shadow drawn from a picture instead of being blurred at run time:
// QtGraphicalEffects' DropShadow rendered once (icons/src/shadows.qml,
// scripts/render-shadows) as a white face of `cornerRadius` with its shadow,
// stretched here to the face it is anchored to. It takes the properties of
// the DropShadow it stands for; each combination used needs its picture.
BorderImage {
    id: shadow

    property int cornerRadius: 0
    property real horizontalOffset: 0
    property real verticalOffset: 0
    property real radius: 0
    property int samples: 0
    property color color: "black"

    // As icons/src/shadows.qml draws them.
    readonly property int pad: 24
    readonly property var wanted: ({
        corner: cornerRadius, x: horizontalOffset, y: verticalOffset, radius: radius,
        samples: samples, color: String(color).replace("#", "")
    })
    // The combination drawn. A change of state sets the properties above one
    // after another, and the half-changed combinations have no picture: this
    // follows once they have all changed (the Binding below).
    property var shown: wanted
    readonly property int edge: pad + shown.corner + shown.radius
                                + Math.max(Math.abs(shown.x), Math.abs(shown.y)) + 4

    anchors.margins: -pad
    source: "qrc:/icons/shadows/shadow-c" + shown.corner + "-x" + shown.x + "-y" + shown.y
            + "-r" + shown.radius + "-s" + shown.samples + "-" + shown.color + ".png"
    border.left: edge
    border.right: edge
    border.top: edge
    border.bottom: edge

    Binding {
        target: shadow
        property: "shown"
        value: shadow.wanted
        delayed: true
    }
}
