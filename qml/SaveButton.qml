import QtQuick 2.15
import QtQuick.Controls 2.15

// The "Сохранить" button of the settings pages' header bar.
AbstractButton {
    id: control

    implicitWidth: Theme.saveButtonWidth
    implicitHeight: Theme.roundButtonSize
    leftPadding: 10
    rightPadding: 10
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    text: qsTr("Сохранить")
    font.pointSize: Theme.buttonPointSize
    Accessible.role: Accessible.Button
    Accessible.name: text
    // The keyboard and a screen reader's press activate it as a click does
    // (Qt 6.4 offers a button's press action but does not run it).
    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    background: Rectangle {
        radius: Theme.saveButtonRadius
        color: control.pressed ? Theme.accent : Theme.bar

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

    FocusRing {
        radius: Theme.saveButtonRadius + gap
    }

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.pressed ? Theme.white : Theme.accent
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
}
