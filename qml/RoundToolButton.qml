import QtQuick 2.15
import QtQuick.Controls 2.15

// A round white tool button with a recoloured icon: icon.source is the
// symbol, icon.color its tint (accent unless the user of the button says
// otherwise). While hovered or pressed it casts a small shadow.
AbstractButton {
    id: control

    implicitWidth: Theme.roundButtonSize
    implicitHeight: Theme.roundButtonSize
    padding: 0
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    icon.color: Theme.accent
    icon.width: Theme.iconSize
    icon.height: Theme.iconSize
    Accessible.role: Accessible.Button
    Accessible.name: text
    // The keyboard and a screen reader's press activate it as a click does
    // (Qt 6.4 offers a button's press action but does not run it).
    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    background: Rectangle {
        id: backgroundRect

        radius: width / 2
        color: Theme.bar

        // Under the face, 2 px lower.
        SoftGlow {
            anchors.fill: parent
            anchors.topMargin: 2
            anchors.bottomMargin: -2
            z: -1
            visible: control.hovered || control.pressed
            glowRadius: 6
            cornerRadius: parent.radius + glowRadius
            color: Theme.buttonShadow
        }
    }

    FocusRing {}

    contentItem: Item {
        TintedIcon {
            anchors.centerIn: parent
            width: control.icon.width
            height: control.icon.height
            source: control.icon.source
            color: control.icon.color
        }
    }
}
