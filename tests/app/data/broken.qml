import QtQuick 2.15
import QtQuick.Window 2.15

// Deliberately broken: an unknown property makes the component fail to load.
Window {
    visible: true
    noSuchProperty: 1
}
