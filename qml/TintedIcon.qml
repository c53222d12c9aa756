import QtQuick 2.15
import QtGraphicalEffects 1.15

// A monochrome symbol from icons/ drawn in `color`.
Item {
    id: icon

    property url source
    property color color: Theme.neutral

    implicitWidth: Theme.iconSize
    implicitHeight: Theme.iconSize

    Image {
        id: symbol

        anchors.fill: parent
        source: icon.source
        sourceSize: Qt.size(Math.max(1, icon.width), Math.max(1, icon.height))
        visible: false
    }

    ColorOverlay {
        anchors.fill: parent
        source: symbol
        color: icon.color
    }
}
