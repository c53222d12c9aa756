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
    readonly property int edge: pad + cornerRadius + radius
                                + Math.max(Math.abs(horizontalOffset), Math.abs(verticalOffset)) + 4

    anchors.margins: -pad
    source: "qrc:/icons/shadows/shadow-c" + cornerRadius + "-x" + horizontalOffset + "-y"
            + verticalOffset + "-r" + radius + "-s" + samples + "-"
            + String(color).replace("#", "") + ".png"
    border.left: edge
    border.right: edge
    border.top: edge
    border.bottom: edge
}
