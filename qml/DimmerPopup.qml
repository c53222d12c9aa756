import QtQuick 2.15
import QtQuick.Controls 2.15

// Dims one channel with a tall slider. While the slider is held the value
// goes to the channel once a second, and once more on release; an untouched
// slider writes nothing. A new popup is made for every opening and destroys
// itself when it closes. A dialog without header or footer: its title,
// never drawn, is the name screen readers read.
Dialog {
    id: dimmerPopup

    // The channel's item data object.
    property QtObject usedModel: null
    readonly property int modelBrightness: usedModel && usedModel.brightness !== undefined
                                           ? Number(usedModel.brightness) : 0
    readonly property int percent: Math.floor(slider.value / 255 * 100)
    property alias slider: slider
    property alias sendTimer: sendTimer
    // A level set by a key that waits for the next tick of the send timer.
    property bool keyPending: false

    function sendValue() {
        if (usedModel)
            usedModel.brightness = slider.value;
    }

    // Keys move the slider by 10 % and send like a held slider: at once
    // when nothing was sent in the last second, otherwise at the next tick.
    function stepByKey(steps) {
        const stepped = steps > 0 ? (Math.floor(percent / 10) + steps) * 10
                                  : (Math.ceil(percent / 10) + steps) * 10;
        slider.value = Math.ceil(Math.max(0, Math.min(100, stepped)) * 255 / 100);
        if (sendTimer.running) {
            keyPending = true;
            return;
        }
        sendValue();
        sendTimer.start();
    }

    function tick() {
        if (slider.pressed) {
            sendValue();
            return;
        }
        if (keyPending) {
            keyPending = false;
            sendValue();
            return;
        }
        sendTimer.stop();
    }

    objectName: "dimmerPopup"
    title: usedModel && usedModel.name !== undefined ? qsTr("Яркость: %1").arg(usedModel.name)
                                                     : qsTr("Яркость")
    header: null
    footer: null
    anchors.centerIn: parent
    modal: true
    focus: true
    padding: 0
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    // The device may change the value meanwhile; the user's hand wins.
    onModelBrightnessChanged: {
        if (!slider.pressed)
            slider.value = modelBrightness;
    }
    onClosed: destroy()
    Component.onCompleted: slider.value = modelBrightness

    background: Item {}


    Timer {
        id: sendTimer

        interval: 1000
        repeat: true
        onTriggered: dimmerPopup.tick()
    }

    contentItem: Slider {
        id: slider

        orientation: Qt.Vertical
        from: 0
        to: 255
        stepSize: 1
        padding: 0
        implicitWidth: 140
        implicitHeight: 320
        focus: true
        Accessible.name: qsTr("Яркость")
        // The slider is the popup's only control.
        Keys.onTabPressed: {}
        Keys.onBacktabPressed: {}
        Keys.onUpPressed: dimmerPopup.stepByKey(1)
        Keys.onDownPressed: dimmerPopup.stepByKey(-1)
        Keys.onPressed: {
            if (event.key === Qt.Key_Plus || event.key === Qt.Key_Equal)
                dimmerPopup.stepByKey(1);
            else if (event.key === Qt.Key_Minus)
                dimmerPopup.stepByKey(-1);
            else
                return;
            event.accepted = true;
        }

        onPressedChanged: {
            if (pressed) {
                sendTimer.start();
                return;
            }
            sendTimer.stop();
            dimmerPopup.sendValue();
        }

        background: Rectangle {
            id: bar

            width: slider.width
            height: slider.height
            radius: Theme.popupRadius
            color: Theme.sliderBar

            // The fill is the bottom of a bar-sized rounded rectangle, cut
            // off at the slider's position, so that it keeps the bar's
            // rounded corners without an offscreen mask.
            Item {
                objectName: "sliderFill"
                anchors.bottom: parent.bottom
                width: parent.width
                height: slider.position * parent.height
                clip: true

                Rectangle {
                    id: fillFace

                    // Where the cut lies, from 0 (top) to 1 (bottom).
                    readonly property real cut: bar.height > 0 ? 1 - parent.height / bar.height : 1

                    anchors.bottom: parent.bottom
                    width: bar.width
                    height: bar.height
                    radius: bar.radius
                    // From the top colour at the cut to the bottom colour.
                    gradient: Gradient {
                        GradientStop { position: fillFace.cut; color: Theme.sliderGradientTop }
                        GradientStop { position: 1.0; color: Theme.sliderGradientBottom }
                    }
                }
            }
        }

        handle: Text {
            objectName: "sliderText"
            x: (slider.width - width) / 2
            y: (slider.height - height) / 2
            text: dimmerPopup.percent + "%"
            textFormat: Text.PlainText
            font.pointSize: Theme.sliderPointSize
            color: Theme.sliderText
        }
    }
}
