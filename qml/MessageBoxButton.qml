import QtQuick 2.15
import QtQuick.Controls 2.15

// A fully rounded button of the message box: outlined in the accent colour,
// or with `centre` the grey centre button.
AbstractButton {
    id: control

    property bool centre: false

    implicitWidth: 100
    implicitHeight: 50
    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    // Keeps the text off the rounded ends in a narrow box.
    leftPadding: height / 4
    rightPadding: height / 4
    Accessible.role: Accessible.Button
    Accessible.name: text
    // The keyboard and a screen reader's press activate it as a click does
    // (Qt 6.4 offers a button's press action but does not run it).
    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    background: Rectangle {
        radius: height / 2
        border.width: 1
        border.color: control.centre ? Theme.centreButtonBorder : Theme.accent
        color: {
            if (control.centre)
                return control.pressed ? Theme.centreButtonPressed : Theme.centreButton;
            return control.pressed ? Theme.pressedOutline : Theme.bar;
        }
    }

    FocusRing {}

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.centre ? Theme.centreButtonText : Theme.accent
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        fontSizeMode: Text.HorizontalFit
        minimumPointSize: Math.max(1, control.font.pointSize - 5)
        elide: Text.ElideRight
    }
}
