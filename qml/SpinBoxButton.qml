import QtQuick 2.15

// The square "-" or "+" button of NumberSpinBox. The sign is drawn as bars
// so that it scales with the box; the button greys out when disabled (the
// spin box disables it at its limit).
Rectangle {
    id: button

    property bool pressed: false
    property bool plus: false
    property bool controlEnabled: true
    readonly property color signColor: enabled && controlEnabled ? Theme.accent : Theme.disabled

    implicitWidth: height > 0 ? height : Theme.rowHeight
    implicitHeight: Theme.rowHeight
    width: height
    radius: Theme.spinButtonRadius
    color: pressed ? Theme.lightAccent : Theme.popupBackground
    border.width: 1
    border.color: signColor

    Rectangle {
        anchors.centerIn: parent
        width: Math.round(parent.width * 0.44)
        height: Math.max(2, Math.round(parent.height * 0.08))
        radius: height / 2
        color: button.signColor
    }

    Rectangle {
        anchors.centerIn: parent
        visible: button.plus
        width: Math.max(2, Math.round(parent.height * 0.08))
        height: Math.round(parent.width * 0.44)
        radius: width / 2
        color: button.signColor
    }
}
