import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQml.Models 2.15
import ".."

// The settings menu of one controller: its general settings pages and its
// outputs (light channels).
Page {
    id: page

    // The controller's item data object and its row under "Устройства".
    property var usedModel
    property int modelIndex: -1
    readonly property var generalEntries: [
        { button_name: qsTr("Информация"), button_icon: "qrc:/icons/settings/info.svg",
          button_page: "qrc:/DeviceNvInformation.qml" },
        { button_name: qsTr("Настройки wifi"), button_icon: "qrc:/icons/settings/wifi.svg",
          button_page: "qrc:/DeviceWiFiSettings.qml" },
        { button_name: qsTr("Настройки lan"), button_icon: "qrc:/icons/settings/network.svg",
          button_page: "qrc:/DeviceLanSettings.qml" },
        { button_name: qsTr("Параметры RS485"), button_icon: "qrc:/icons/settings/rs485.svg",
          button_page: "qrc:/DeviceRs485Settings.qml" },
        { button_name: qsTr("Параметры входов"), button_icon: "qrc:/icons/settings/input.svg",
          button_page: "qrc:/DeviceNvInputsSettings.qml" },
        { button_name: qsTr("Параметры димирования"), button_icon: "qrc:/icons/settings/dimming.svg",
          button_page: "qrc:/DeviceNvDimmingSettings.qml" }
    ]

    title: usedModel ? String(usedModel.name) : ""

    function openGeneral(entry) {
        page.StackView.view.push(entry.button_page,
                                 { usedModel: page.usedModel, name: entry.button_name })
    }

    function openChannel(channelModel) {
        page.StackView.view.push("qrc:/DimmerMainSettings.qml",
                                 { usedModel: channelModel, headerName: channelModel.name })
    }

    background: Rectangle {
        color: Theme.pageBackground
    }

    header: HeaderBar {
        title: page.title
        backButtonVisible: true
        backButton.page: page
    }

    ScrollView {
        id: scrollView

        anchors.fill: parent
        padding: Theme.padding
        contentWidth: availableWidth
        contentHeight: column.implicitHeight
        clip: true
        ScrollBar.horizontal.policy: ScrollBar.AlwaysOff
        ScrollBar.vertical.policy: ScrollBar.AlwaysOff

        ColumnLayout {
            id: column

            width: scrollView.availableWidth
            spacing: Theme.spacing

            Card {
                Layout.preferredHeight: 290
                verticalPadding: Theme.padding
                spacing: Theme.spacing

                CardCaption {
                    text: qsTr("Общие настройки")
                }

                ListView {
                    objectName: "generalList"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    interactive: false
                    clip: true
                    model: page.generalEntries

                    delegate: SettingsMenuEntry {
                        objectName: "generalEntry" + index
                        width: ListView.view.width
                        iconSource: modelData.button_icon
                        text: modelData.button_name
                        onClicked: page.openGeneral(modelData)
                    }
                }
            }

            Card {
                Layout.preferredHeight: 290
                verticalPadding: Theme.padding
                spacing: Theme.spacing

                CardCaption {
                    text: qsTr("Выходы")
                }

                ListView {
                    objectName: "channelList"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    interactive: false
                    clip: true

                    model: DelegateModel {
                        model: norvaleoDevicesModel
                        rootIndex: norvaleoDevicesModel.index(page.modelIndex, 0,
                                                              norvaleoDevicesModel.index(0, 0))

                        delegate: SettingsMenuEntry {
                            objectName: "channelEntry" + index
                            width: ListView.view.width
                            iconSource: "qrc:/icons/bulb.svg"
                            text: model.light_id + ". " + model.name
                            onClicked: page.openChannel(model)
                        }
                    }
                }
            }
        }
    }
}
