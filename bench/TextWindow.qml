import QtQuick 2.15
import QtQuick.Controls 2.15

// A second reference: the bare window with one line of text, so that the
// price of the first text (fonts, glyph cache, text shader) shows apart.
ApplicationWindow {
    id: textWindow

    width: 480
    height: 830
    visible: true

    Text {
        text: "Устройства"
    }
}
