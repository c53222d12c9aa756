import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Flags.js" as Flags

// A controller in the Devices grid: its picture, whether it answers and its
// name. Used as a delegate: `model` is the controller's item data object.
// A click is reported; the page decides what it opens.
Item {
    id: device

    property var canvasItem: null
    readonly property bool connected: Flags.isTrue(model.connection_status)

    signal clicked()

    width: 320
    height: 128

    Button {
        id: cardButton

        objectName: "deviceButton"
        anchors.fill: parent
        anchors.margins: 15
        padding: 15
        Accessible.name: nameText.text + ", " + (device.connected ? qsTr("подключено")
                                                                  : qsTr("не отвечает"))
        Accessible.description: qsTr("Открыть каналы")
        Accessible.onPressAction: clicked()
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        onClicked: device.clicked()

        background: Item {
            PrerenderedShadow {
                objectName: "cardShadow"
                anchors.fill: parent
                cornerRadius: Theme.cardRadius
                horizontalOffset: -2
                verticalOffset: 2
                radius: 5
                samples: 5
                color: Theme.shadow
            }

            Rectangle {
                anchors.fill: parent
                radius: Theme.cardRadius
                color: cardButton.pressed ? Theme.lightAccent : Theme.card
            }
        }

        FocusRing {
            radius: Theme.cardRadius + gap
        }

        contentItem: GridLayout {
            columns: 2
            rows: 2
            rowSpacing: 10
            columnSpacing: 10

            Row {
                Layout.row: 0
                Layout.column: 0
                Layout.fillWidth: true
                Layout.preferredHeight: 14
                spacing: 5

                Rectangle {
                    objectName: "statusDot"
                    anchors.verticalCenter: parent.verticalCenter
                    width: 8
                    height: 8
                    radius: 4
                    color: device.connected ? Theme.statusConnected : Theme.statusDisconnected
                }

                Text {
                    objectName: "statusText"
                    height: 14
                    verticalAlignment: Text.AlignVCenter
                    text: device.connected ? qsTr("ПОДКЛЮЧЕНО") : qsTr("НЕ ОТВЕЧАЕТ")
                    font.pointSize: Theme.statusPointSize
                    color: Theme.statusText
                }
            }

            Text {
                id: nameText

                objectName: "nameText"
                Layout.row: 1
                Layout.column: 0
                Layout.fillWidth: true
                Layout.preferredHeight: 42
                text: model.name !== undefined ? model.name : ""
                textFormat: Text.PlainText
                font.pointSize: Theme.namePointSize
                color: Theme.deviceName
                horizontalAlignment: Text.AlignLeft
                verticalAlignment: Text.AlignTop
                wrapMode: Text.Wrap
                elide: Text.ElideRight
                clip: true
            }

            Image {
                Layout.row: 0
                Layout.column: 1
                Layout.rowSpan: 2
                Layout.preferredWidth: 90
                Layout.preferredHeight: 90
                Layout.alignment: Qt.AlignVCenter
                source: "qrc:/icons/norvaleo_dimmer.png"
                // Scaled once when loaded, to the size it is drawn at on this
                // screen: mipmaps cost 60 ms of the first frame where OpenGL
                // is software.
                sourceSize: Qt.size(90 * Screen.devicePixelRatio, 90 * Screen.devicePixelRatio)
                fillMode: Image.PreserveAspectFit
                smooth: true
            }
        }
    }
}
