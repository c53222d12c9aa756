import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15

// The symbols are PNGs rendered at 1x, 2x and 3x: the screen's density picks
// the picture with enough pixels for it, shown at the same size in points.
// Run at scale factors 1, 2 and 3 (tests/qml/CMakeLists.txt).
TestCase {
    id: testCase

    name: "Symbols"
    when: windowShown

    Component {
        id: picture

        Image {}
    }

    function test_densityPicksThePicture_data() {
        const symbols = [
            ["add", 24], ["bulb", 24], ["conroller", 24], ["done", 24], ["favorite", 24],
            ["favorite-20", 20], ["favorite-fill-20", 20], ["left-black", 24], ["more", 24],
            ["right-black", 24], ["settings", 24], ["warning-15", 15],
            ["settings/dimming", 24], ["settings/info", 24], ["settings/input", 24],
            ["settings/network", 24], ["settings/rs485", 24], ["settings/wifi", 24],
            ["settings/save-file", 24], ["settings/load-file", 24]
        ];
        return symbols.map(function(symbol) {
            return { tag: symbol[0], source: "qrc:/icons/" + symbol[0] + ".png", size: symbol[1] };
        });
    }

    function test_densityPicksThePicture(data) {
        const ratio = Screen.devicePixelRatio;
        const density = ratio > 2 ? 3 : ratio > 1 ? 2 : 1;
        const image = createTemporaryObject(picture, testCase, { source: data.source });
        tryCompare(image, "status", Image.Ready);
        compare(image.sourceSize.width, data.size * density);
        compare(image.sourceSize.height, data.size * density);
        compare(image.implicitWidth, data.size);
    }
}
