import QtQuick 2.15
import QtQuick.Controls 2.15
import QtGraphicalEffects 1.15

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

    background: Rectangle {
        radius: Theme.saveButtonRadius
        color: control.pressed ? Theme.accent : Theme.bar
        layer.enabled: control.hovered || control.pressed
        layer.effect: DropShadow {
            transparentBorder: true
            horizontalOffset: 0
            verticalOffset: 2
            radius: 6
            samples: 13
            color: Theme.buttonShadow
        }
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
