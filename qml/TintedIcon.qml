import QtQuick 2.15
import QtQuick.Controls.impl 2.15

// A monochrome symbol from icons/ drawn in `color`.
Item {
    id: icon

    property url source
    property color color: Theme.neutral

    implicitWidth: Theme.iconSize
    implicitHeight: Theme.iconSize

    // Tinted once when loaded, as Qt's own styles tint their icons: a
    // ColorOverlay redrew it through an offscreen layer and its own shader,
    // which cost more of the first frame than anything else where OpenGL is
    // software.
    ColorImage {
        anchors.fill: parent
        source: icon.source
        sourceSize: Qt.size(Math.max(1, icon.width), Math.max(1, icon.height))
        color: icon.color
    }
}
