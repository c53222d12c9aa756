import QtQuick 2.15
import QtQuick.Controls 2.15

// The floor: what any Qt Quick Controls window costs on this machine.
ApplicationWindow {
    id: emptyWindow

    width: 480
    height: 830
    visible: true
}
