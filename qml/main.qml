import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15

ApplicationWindow {
    id: rootWindow

    // The Devices page hides the back step while its grid shows the controllers.
    property bool backButtonVisible: true
    property var tabButtons: [
        { name: qsTr("Избранное"), icon: "qrc:/icons/favorite.svg", path: "qrc:/pages/Favorites.qml" },
        { name: qsTr("Устройства"), icon: "qrc:/icons/conroller.svg", path: "qrc:/pages/Devices.qml" },
        { name: qsTr("Настройки"), icon: "qrc:/icons/settings.svg", path: "qrc:/pages/Settings.qml" }
    ]

    // Asks the Devices page to move its grid one level up (the close request
    // doubles as a back step off Windows).
    signal backRequested()

    function openTab(index) {
        const top = stackView.currentItem
        if (top && top.title === "DeviceInner" && index === 2) {
            stackView.push("qrc:/pages/SettingsInner.qml",
                           { usedModel: top.internalModel, modelIndex: top.modelIndex })
            return
        }
        stackView.push(tabButtons[index].path)
    }

    width: 480
    height: 830
    minimumWidth: 320
    minimumHeight: 320
    visible: true
    title: Qt.application.name + " v" + norvaleoDevicesModel.applicationVersion()
           + " " + width + "x" + height

    onClosing: function(close) {
        if (Qt.platform.os !== "windows" && backButtonVisible) {
            close.accepted = false
            backRequested()
            return
        }
        norvaleoDevicesModel.saveSettings()
    }

    Connections {
        target: Qt.application
        function onStateChanged() {
            if (Qt.application.state === Qt.ApplicationSuspended
                    || Qt.application.state === Qt.ApplicationHidden) {
                norvaleoDevicesModel.saveSettings()
            }
        }
    }

    StackView {
        id: stackView
        objectName: "stackView"
        anchors.fill: parent
        initialItem: "qrc:/pages/Devices.qml"
    }

    footer: TabBar {
        id: tabBar
        objectName: "tabBar"
        currentIndex: 1
        width: parent.width
        implicitHeight: Theme.tabBarHeight
        background: Rectangle {
            color: Theme.bar
            Rectangle {
                width: parent.width
                height: 2
                color: Theme.footerLine
            }
        }

        Repeater {
            model: rootWindow.tabButtons

            TabButton {
                id: tabButton

                readonly property color tint: tabButton.checked ? Theme.accent : Theme.neutral

                objectName: "tab" + index
                // The bar's line runs on over the buttons, which cover the bar.
                background: Rectangle {
                    color: Theme.bar

                    Rectangle {
                        width: parent.width
                        height: 2
                        color: Theme.footerLine
                    }
                }
                onClicked: rootWindow.openTab(index)

                contentItem: Column {
                    spacing: 3

                    Item {
                        width: 24
                        height: 24
                        anchors.horizontalCenter: parent.horizontalCenter

                        TintedIcon {
                            anchors.fill: parent
                            source: modelData.icon
                            color: tabButton.tint
                        }
                    }
                    // Shrinks a little where three names would touch.
                    Text {
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: tabButton.availableWidth - 8
                        text: modelData.name
                        font.pointSize: Theme.tabPointSize
                        fontSizeMode: Text.HorizontalFit
                        minimumPointSize: Theme.tabPointSize - 3
                        horizontalAlignment: Text.AlignHCenter
                        color: tabButton.tint
                    }
                }
            }
        }
    }
}
