import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQml.Models 2.15
import ".."

// The list of known controllers; a click opens the settings menu of one.
Page {
    id: page

    function sameIndex(a, b) {
        return a.valid === b.valid && a.row === b.row && a.internalId === b.internalId
    }

    // A model reset or layout change (the first controller arrives as one)
    // drops the list's root: put it back on the "Устройства" node.
    function followRoot() {
        const devices = norvaleoDevicesModel.index(0, 0)
        if (!sameIndex(devicesModel.rootIndex, devices))
            devicesModel.rootIndex = devices
    }

    title: qsTr("Настройки")
    padding: Theme.padding

    background: Rectangle {
        color: Theme.pageBackground
    }

    header: HeaderBar {
        title: page.title
    }

    ListView {
        id: deviceList

        objectName: "deviceList"
        anchors.fill: parent
        spacing: Theme.spacing
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        model: DelegateModel {
            id: devicesModel

            model: norvaleoDevicesModel
            rootIndex: norvaleoDevicesModel.index(0, 0)
            onRootIndexChanged: page.followRoot()

            delegate: AbstractButton {
                id: row

                readonly property color tint: row.pressed ? Theme.white
                                                          : row.hovered ? Theme.accent : Theme.menuText

                objectName: "deviceRow" + index
                width: deviceList.width
                height: 50
                hoverEnabled: true
                focusPolicy: Qt.TabFocus
                Accessible.role: Accessible.Button
                Accessible.name: model.name !== undefined ? String(model.name) : ""
                Accessible.onPressAction: clicked()
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
                onClicked: page.StackView.view.push("qrc:/pages/SettingsInner.qml",
                                                    { usedModel: model, modelIndex: index })

                background: Rectangle {
                    radius: Theme.cardRadius
                    border.color: Theme.border
                    border.width: 1
                    color: row.pressed ? Theme.accent : row.hovered ? Theme.lightAccent : Theme.card
                }

                // Inside the row: the list clips what lies outside.
                FocusRing {
                    radius: Theme.cardRadius
                    gap: -Theme.focusRingWidth
                }

                contentItem: Item {
                    Image {
                        id: picture

                        anchors.left: parent.left
                        anchors.leftMargin: Theme.padding
                        anchors.verticalCenter: parent.verticalCenter
                        height: 25
                        fillMode: Image.PreserveAspectFit
                        source: "qrc:/icons/norvaleo_dimmer.png"
                        sourceSize.height: 25 * Screen.devicePixelRatio
                    }

                    Text {
                        objectName: "deviceName"
                        anchors.left: picture.right
                        anchors.leftMargin: Theme.padding
                        anchors.right: arrow.left
                        anchors.rightMargin: Theme.padding
                        anchors.verticalCenter: parent.verticalCenter
                        text: model.name
                        textFormat: Text.PlainText
                        color: row.tint
                        font.pointSize: Theme.menuPointSize
                        wrapMode: Text.Wrap
                        maximumLineCount: 2
                        elide: Text.ElideRight
                    }

                    TintedIcon {
                        id: arrow

                        anchors.right: parent.right
                        anchors.rightMargin: Theme.padding
                        anchors.verticalCenter: parent.verticalCenter
                        source: "qrc:/icons/right-black.png"
                        color: Theme.menuIcon
                    }
                }
            }
        }
    }
}
