import QtQuick 2.15
import QtQuick.Controls 2.15

// The on/off switch of the settings pages (DHCP, autodetection, timer).
Switch {
    id: control

    // What a screen reader calls it; the row it stands in sets its label.
    property string accessibleName

    implicitWidth: Theme.switchWidth
    implicitHeight: Theme.rowHeight
    padding: 0
    spacing: 0
    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.CheckBox
    Accessible.name: accessibleName.length > 0 ? accessibleName : text
    // The keyboard switches it as a click does.
    Keys.onReturnPressed: keyToggle()
    Keys.onEnterPressed: keyToggle()

    function keyToggle() {
        toggle();
        toggled();
    }

    indicator: Rectangle {
        implicitWidth: Theme.switchWidth
        implicitHeight: Theme.rowHeight
        x: control.leftPadding
        y: control.topPadding + (control.availableHeight - height) / 2
        radius: Theme.switchRadius
        color: control.checked ? Theme.switchOn : Theme.switchOff

        Rectangle {
            width: Theme.rowHeight
            height: Theme.rowHeight
            radius: width / 2
            x: control.visualPosition * (parent.width - width)
            color: control.pressed ? Theme.knobPressed : Theme.knob

            Behavior on x {
                enabled: !control.pressed
                NumberAnimation { duration: 120 }
            }
        }
    }

    contentItem: Item {}

    FocusRing {
        anchors.fill: control.indicator
        radius: Theme.switchRadius + gap
    }
}
