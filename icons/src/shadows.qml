import QtQuick 2.15
import QtQuick.Window 2.15
import QtGraphicalEffects 1.15

// Draws, with the same DropShadow the cards used at run time, a white rounded
// rectangle and its shadow for every shadow the interface shows, and saves
// each as icons/shadows/<name>.png (scripts/render-shadows). PrerenderedShadow
// stretches them to any size: the middle of each edge is the same all along.
Window {
    id: window

    // Room for the blur and the offset around the face.
    readonly property int pad: 24
    readonly property var shadows: [
        // Controller card and header bar.
        { corner: 20, x: -2, y: 2, radius: 5, samples: 5, color: "#1f000000" },
        { corner: 0, x: -2, y: 2, radius: 5, samples: 5, color: "#1f000000" },
        // Channel card, dark and lit.
        { corner: 20, x: 0, y: 5, radius: 5, samples: 5, color: "#e1e1e1" },
        { corner: 20, x: 0, y: 6, radius: 15, samples: 15, color: "#d5d5d5" }
    ]
    property int done: 0

    function fileName(s) {
        const scale = Screen.devicePixelRatio > 1 ? "@" + Screen.devicePixelRatio + "x" : ""
        return "shadow-c" + s.corner + "-x" + s.x + "-y" + s.y + "-r" + s.radius + "-s"
                + s.samples + "-" + String(s.color).replace("#", "") + scale + ".png"
    }

    // The edge PrerenderedShadow leaves unstretched, as it computes it: the
    // corner and everything the blur and the offset carry from it.
    function border(s) {
        return pad + s.corner + s.radius + Math.max(Math.abs(s.x), Math.abs(s.y)) + 4
    }

    width: 200
    height: 200
    visible: true
    color: "transparent"

    Repeater {
        id: canvases

        model: window.shadows

        Item {
            id: canvas

            // A middle of 8 that is the same all along each edge.
            width: 2 * window.border(modelData) + 8
            height: width

            Rectangle {
                id: face

                x: window.pad
                y: window.pad
                width: canvas.width - 2 * window.pad
                height: canvas.height - 2 * window.pad
                radius: modelData.corner
                color: "white"
                visible: false
            }

            DropShadow {
                anchors.fill: face
                source: face
                transparentBorder: true
                horizontalOffset: modelData.x
                verticalOffset: modelData.y
                radius: modelData.radius
                samples: modelData.samples
                color: modelData.color
            }
        }
    }

    Timer {
        interval: 500
        running: true
        onTriggered: {
            const target = String(Qt.resolvedUrl("../shadows")).replace("file://", "")
            for (let i = 0; i < window.shadows.length; ++i) {
                const name = window.fileName(window.shadows[i])
                const canvas = canvases.itemAt(i)
                const scale = Screen.devicePixelRatio
                canvas.grabToImage(function(result) {
                    result.saveToFile(target + "/" + name)
                    if (++window.done === window.shadows.length)
                        Qt.quit()
                }, Qt.size(canvas.width * scale, canvas.height * scale))
            }
        }
    }
}
