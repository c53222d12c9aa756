import QtQuick 2.15
import QtQuick.Window 2.15

// A window that draws one frame, for the start-up tests.
Window {
    width: 200
    height: 100
    visible: true
    color: "white"
}
