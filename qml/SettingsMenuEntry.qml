import QtQuick 2.15
import QtQuick.Controls 2.15

// One entry of the settings menu: a symbol, a text and the right arrow.
AbstractButton {
    id: entry

    property url iconSource

    implicitHeight: 40
    padding: 0
    hoverEnabled: true
    font.pointSize: Theme.menuPointSize
    focusPolicy: Qt.TabFocus
    Accessible.role: Accessible.Button
    Accessible.name: text
    // The keyboard and a screen reader's press activate it as a click does
    // (Qt 6.4 offers a button's press action but does not run it).
    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    background: Item {}

    // Inside the entry: the menu's list clips what lies outside.
    FocusRing {
        radius: Theme.fieldRadius
        gap: -Theme.focusRingWidth
    }

    contentItem: Item {
        TintedIcon {
            id: symbol

            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            source: entry.iconSource
            color: Theme.menuIcon
        }

        Text {
            objectName: "entryText"
            anchors.left: symbol.right
            anchors.leftMargin: Theme.padding
            anchors.right: arrow.left
            anchors.rightMargin: 5
            anchors.verticalCenter: parent.verticalCenter
            text: entry.text
            textFormat: Text.PlainText
            font: entry.font
            color: entry.pressed ? Theme.accent : entry.hovered ? Theme.menuTextHovered : Theme.menuText
            elide: Text.ElideRight
        }

        TintedIcon {
            id: arrow

            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            source: "qrc:/icons/right-black.png"
            color: Theme.menuIcon
        }
    }
}
