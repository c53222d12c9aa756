import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import Project.types 1.0
import "Flags.js" as Flags

// A light channel: a click switches it, press and hold or the percentage
// opens the dimming popup, the star marks it as a favourite. Used as a
// delegate: `model` is the channel's item data object, and writes to it
// reach the channel's controller.
Item {
    id: light

    // Where dimming popups are created (the window).
    property var canvasItem: null
    readonly property int brightness: model.brightness !== undefined ? Number(model.brightness) : 0
    readonly property int percent: Math.floor(brightness * 100 / 255)
    readonly property bool lit: brightness !== 0
    readonly property bool connected: Flags.isTrue(model.connection_status)
    readonly property bool favourite: Flags.isTrue(model.favourites)
    readonly property bool digital: Number(model.light_type) === DimmerChType.DIGITAL
    // Rendered at the screen's density so that the bulb stays sharp.
    readonly property size bulbSourceSize: Qt.size(72 * Screen.devicePixelRatio, 105 * Screen.devicePixelRatio)
    // The open dimming popup; it destroys itself when closed.
    property var dimmerPopup: null
    // Keyboard dimming: the level the keys have reached, and whether it
    // still waits for the send timer.
    property int keyTarget: -1
    property bool keyPending: false
    readonly property string accessibleText: {
        const parts = [nameText.text, percent + " %"];
        if (favourite)
            parts.push(qsTr("в избранном"));
        if (!connected)
            parts.push(qsTr("не отвечает"));
        return parts.join(", ");
    }

    function openDimmingPopUp() {
        if (digital)
            return;
        const component = Qt.createComponent("DimmerPopup.qml");
        if (component.status !== Component.Ready) {
            console.debug("Error creating component DimmerPopup.qml");
            return;
        }
        const popup = component.createObject(canvasItem, { usedModel: model });
        if (!popup) {
            console.debug("Error creating object dimmer");
            return;
        }
        dimmerPopup = popup;
        popup.open();
    }

    function switchChannel() {
        if (!connected)
            return;
        model.brightness = lit ? 0 : 255;
    }

    function toggleFavourite() {
        model.favourites = !favourite;
    }

    // Dims by steps of 10 % (`steps` up, or down when negative), through the
    // same limit as the dimming popup: at most one write a second while the
    // keys go on, and the last level once they rest.
    function dimBy(steps) {
        if (digital || steps === 0)
            return;
        const base = keyTarget >= 0 ? keyTarget : brightness;
        const now = Math.floor(base * 100 / 255);
        const stepped = steps > 0 ? (Math.floor(now / 10) + steps) * 10
                                  : (Math.ceil(now / 10) + steps) * 10;
        const target = Math.ceil(Math.max(0, Math.min(100, stepped)) * 255 / 100);
        if (target === base)
            return;
        keyTarget = target;
        if (keySendTimer.running) {
            keyPending = true;
            return;
        }
        model.brightness = target;
        keySendTimer.start();
    }

    function sendKeyTarget() {
        if (!keyPending) {
            keyTarget = -1;
            return;
        }
        keyPending = false;
        model.brightness = keyTarget;
        keySendTimer.start();
    }

    width: 160
    height: 160

    Timer {
        id: keySendTimer

        interval: 1000
        onTriggered: light.sendKeyTarget()
    }

    // A rebuilt grid destroys the card and its item data object: a popup left
    // open would have nothing behind it.
    Component.onDestruction: {
        if (dimmerPopup)
            dimmerPopup.close();
    }

    Rectangle {
        id: cardFace

        anchors.fill: parent
        anchors.margins: 10
        radius: Theme.cardRadius
        color: Theme.card
        visible: false
    }

    // Draws the face too.
    PrerenderedShadow {
        objectName: "cardShadow"
        anchors.fill: cardFace
        cornerRadius: cardFace.radius
        horizontalOffset: 0
        verticalOffset: light.lit ? 6 : 5
        radius: light.lit ? 15 : 5
        samples: light.lit ? 15 : 5
        color: light.lit ? Theme.channelShadowOn : Theme.channelShadowOff
    }

    Button {
        id: cardButton

        objectName: "cardButton"
        anchors.fill: cardFace
        padding: 0
        Accessible.name: light.accessibleText
        Accessible.description: qsTr("Пробел включает и выключает, стрелки вверх и вниз меняют яркость")
        Accessible.onPressAction: light.switchChannel()
        Accessible.onIncreaseAction: light.dimBy(1)
        Accessible.onDecreaseAction: light.dimBy(-1)
        Keys.onReturnPressed: light.switchChannel()
        Keys.onEnterPressed: light.switchChannel()
        Keys.onUpPressed: light.dimBy(1)
        Keys.onDownPressed: light.dimBy(-1)
        Keys.onPressed: {
            if (event.key === Qt.Key_Plus || event.key === Qt.Key_Equal) {
                light.dimBy(1);
                event.accepted = true;
            } else if (event.key === Qt.Key_Minus) {
                light.dimBy(-1);
                event.accepted = true;
            }
        }
        onClicked: light.switchChannel()
        onPressAndHold: light.openDimmingPopUp()

        background: Item {}

        FocusRing {
            radius: Theme.cardRadius + gap
        }

        // The level as a value for screen readers; a control keeps its own
        // role, so a plain item carries it.
        Item {
            readonly property int value: light.percent
            readonly property int from: 0
            readonly property int to: 100
            readonly property int stepSize: 10

            objectName: "levelValue"
            anchors.fill: parent
            Accessible.role: Accessible.Slider
            Accessible.name: qsTr("Яркость")
            Accessible.onIncreaseAction: light.dimBy(1)
            Accessible.onDecreaseAction: light.dimBy(-1)
        }

        contentItem: Item {
            // The bulb stands in the middle of the room the buttons on the
            // right leave, so that neither covers it.
            Item {
                id: bulbArea

                anchors.left: parent.left
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                width: Math.min(favouriteButton.x, percentButton.x) - cardFace.x
            }

            Rectangle {
                id: glowCircle

                anchors.horizontalCenter: bulbArea.horizontalCenter
                y: 67 - height / 2
                width: 40 * light.percent / 100
                height: width
                radius: width / 2
                visible: false
            }

            SoftGlow {
                objectName: "glow"
                anchors.fill: glowCircle
                visible: light.percent > 0
                glowRadius: 40 * light.percent / 100
                spread: 0.1
                cornerRadius: 50 + glowRadius
                color: Theme.bulbGlow
            }

            Image {
                objectName: "bulbOff"
                anchors.horizontalCenter: bulbArea.horizontalCenter
                anchors.bottom: parent.bottom
                width: 55
                height: 80
                sourceSize: light.bulbSourceSize
                source: "qrc:/icons/bulb-off.png"
                smooth: true
            }

            Image {
                objectName: "bulbOn"
                anchors.horizontalCenter: bulbArea.horizontalCenter
                anchors.bottom: parent.bottom
                width: 55
                height: 80
                sourceSize: light.bulbSourceSize
                source: "qrc:/icons/bulb-on.png"
                opacity: light.percent / 100
                smooth: true
            }

            Text {
                id: nameText

                objectName: "nameText"
                x: 10
                y: 10
                width: parent.width - 40
                height: 40
                text: model.name !== undefined ? model.name : ""
                textFormat: Text.PlainText
                font.bold: true
                font.pointSize: Theme.rowPointSize
                color: Theme.channelName
                wrapMode: Text.Wrap
                clip: true
            }

            TintedIcon {
                id: warningIcon

                objectName: "warningIcon"
                anchors.top: parent.top
                anchors.right: parent.right
                anchors.margins: 10
                width: 15
                height: 15
                visible: !light.connected
                source: light.connected ? "" : "qrc:/icons/warning-15.png"
                color: Theme.error

                ColorAnimation on color {
                    objectName: "warningBlink"
                    from: Theme.error
                    to: Theme.errorBlink
                    duration: 800
                    loops: Animation.Infinite
                    running: !light.connected
                }
            }
        }
    }

    AbstractButton {
        id: favouriteButton

        objectName: "favouriteButton"
        x: cardFace.x + cardFace.width - 13 - width
        y: percentButton.y - 10 - height
        width: 35
        height: 35
        Accessible.name: light.favourite ? qsTr("Убрать из избранного") : qsTr("В избранное")
        Accessible.onPressAction: clicked()
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        onClicked: light.toggleFavourite()

        FocusRing {}

        background: Rectangle {
            radius: width / 2
            color: light.favourite ? Theme.favouriteBackground : Theme.notFavouriteBackground
        }

        contentItem: Item {
            TintedIcon {
                anchors.centerIn: parent
                width: 20
                height: 20
                source: light.favourite ? "qrc:/icons/favorite-fill-20.png" : "qrc:/icons/favorite-20.png"
                color: light.favourite ? Theme.favouriteStar : Theme.channelIcon
            }
        }
    }

    AbstractButton {
        id: percentButton

        objectName: "percentButton"
        x: cardFace.x + cardFace.width - 10 - width
        y: cardFace.y + cardFace.height - 10 - height
        width: 40
        height: 40
        Accessible.name: qsTr("Яркость %1 %").arg(light.percent)
        Accessible.description: qsTr("Открыть регулятор яркости")
        Accessible.onPressAction: clicked()
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        onClicked: light.openDimmingPopUp()

        FocusRing {}

        background: Rectangle {
            radius: width / 2
            color: light.lit ? Theme.percentOnBackground : Theme.percentOffBackground
        }

        // "100%" shrinks a little to keep clear of the circle's edge.
        contentItem: Text {
            objectName: "percentText"
            leftPadding: 3
            rightPadding: 3
            text: light.percent + "%"
            textFormat: Text.PlainText
            font.pointSize: Theme.percentPointSize
            fontSizeMode: Text.HorizontalFit
            minimumPointSize: Theme.percentPointSize - 2
            color: light.lit ? Theme.percentOnText : Theme.percentOffText
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }
}
