import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQml.Models 2.15
import Qt.labs.platform 1.1 as Platform
import ".."

// The settings menu of one controller: its general settings pages and its
// outputs (light channels).
Page {
    id: page

    // The controller's item data object and its row under "Устройства".
    property var usedModel
    property int modelIndex: -1
    // Counts the renewals of the channels' item data objects.
    property int channelRevision: 0
    // The outcome of the last save or of a file that could not be loaded.
    property string configurationMessage
    property bool configurationOk: false
    readonly property var generalEntries: [
        { button_name: qsTr("Информация"), button_icon: "qrc:/icons/settings/info.png",
          button_page: "qrc:/DeviceNvInformation.qml" },
        { button_name: qsTr("Настройки wifi"), button_icon: "qrc:/icons/settings/wifi.png",
          button_page: "qrc:/DeviceWiFiSettings.qml" },
        { button_name: qsTr("Настройки lan"), button_icon: "qrc:/icons/settings/network.png",
          button_page: "qrc:/DeviceLanSettings.qml" },
        { button_name: qsTr("Параметры RS485"), button_icon: "qrc:/icons/settings/rs485.png",
          button_page: "qrc:/DeviceRs485Settings.qml" },
        { button_name: qsTr("Параметры входов"), button_icon: "qrc:/icons/settings/input.png",
          button_page: "qrc:/DeviceNvInputsSettings.qml" },
        { button_name: qsTr("Параметры димирования"), button_icon: "qrc:/icons/settings/dimming.png",
          button_page: "qrc:/DeviceNvDimmingSettings.qml" }
    ]

    title: usedModel ? String(usedModel.name) : ""
    // StackView sets the pushed properties after completion.
    onModelIndexChanged: followRoots()
    Component.onCompleted: followRoots()

    function devicesIndex() {
        return norvaleoDevicesModel.index(0, 0)
    }

    function controllerIndex() {
        return norvaleoDevicesModel.index(modelIndex, 0, devicesIndex())
    }

    function sameIndex(a, b) {
        return a.valid === b.valid && a.row === b.row && a.internalId === b.internalId
    }

    function followRoots() {
        followControllers()
        followChannels()
    }

    // Every model reset or layout change (the first controller and each
    // controller's first channels arrive as one) drops the roots of the
    // delegate models and with them the item data objects handed out so
    // far. The roots are put back and the objects renewed; the pages opened
    // from here follow the renewed ones.
    function followControllers() {
        if (!sameIndex(controllersModel.rootIndex, devicesIndex())) {
            controllersModel.rootIndex = devicesIndex()
            return
        }
        // Delegates are not created while the model is still being reset.
        Qt.callLater(renewController)
    }

    function renewController() {
        const holder = controllerHolders.itemAt(modelIndex)
        if (holder)
            usedModel = holder.itemData
    }

    function followChannels() {
        const index = controllerIndex()
        if (!index.valid) {
            channelList.model = null
            return
        }
        if (!sameIndex(channelHoldersModel.rootIndex, index))
            channelHoldersModel.rootIndex = index
        if (!sameIndex(channelsModel.rootIndex, index)) {
            channelsModel.rootIndex = index
            return
        }
        channelList.model = channelsModel
        Qt.callLater(renewChannels)
    }

    function renewChannels() {
        channelRevision += 1
    }

    // `revision` only makes a binding on this call follow the renewals.
    function channelData(row, revision) {
        const holder = channelHolders.itemAt(row)
        return holder ? holder.itemData : null
    }

    function openGeneral(entry) {
        const item = page.StackView.view.push(entry.button_page,
                                              { usedModel: page.usedModel, name: entry.button_name })
        item.usedModel = Qt.binding(function() { return page.usedModel })
    }

    // The controller's name, without characters file systems refuse.
    function suggestedFile() {
        const name = page.title.replace(/[\/\\:*?"<>|]/g, "_") || qsTr("конфигурация");
        return saveDialog.folder + "/" + name + ".json";
    }

    function saveConfiguration(file) {
        configurationMessage = qsTr("Чтение настроек контроллера…");
        configurationOk = true;
        configurationTransfer.save(modelIndex, file);
    }

    // The preview opens only for a file that can be used; otherwise the
    // card says why.
    function loadConfiguration(file) {
        configurationMessage = "";
        if (!configurationTransfer.load(modelIndex, file))
            return null;
        return page.StackView.view.push("qrc:/ConfigurationPreview.qml",
                                        { usedModel: page.usedModel });
    }

    function openChannel(row, channelModel) {
        const item = page.StackView.view.push("qrc:/DimmerMainSettings.qml",
                                              { usedModel: channelModel, headerName: channelModel.name })
        item.usedModel = Qt.binding(function() { return page.channelData(row, page.channelRevision) })
    }

    background: Rectangle {
        color: Theme.pageBackground
    }

    // Writable item data objects come from delegate instances only: these
    // invisible ones hold those of the controllers and of this controller's
    // channels.
    Repeater {
        id: controllerHolders

        model: DelegateModel {
            id: controllersModel

            model: norvaleoDevicesModel
            rootIndex: norvaleoDevicesModel.index(0, 0)
            onRootIndexChanged: page.followControllers()

            delegate: Item {
                readonly property var itemData: model

                visible: false
            }
        }
    }

    Repeater {
        id: channelHolders

        model: DelegateModel {
            id: channelHoldersModel

            model: norvaleoDevicesModel
            onRootIndexChanged: page.followChannels()

            delegate: Item {
                readonly property var itemData: model

                visible: false
            }
        }
    }

    DelegateModel {
        id: channelsModel

        model: norvaleoDevicesModel
        onRootIndexChanged: page.followChannels()

        delegate: SettingsMenuEntry {
            objectName: "channelEntry" + index
            width: channelList.width
            iconSource: "qrc:/icons/bulb.png"
            text: model.light_id + ". " + model.name
            onClicked: page.openChannel(index, model)
        }
    }

    Connections {
        target: configurationTransfer

        function onFinished(ok, message) {
            if (page.StackView.status !== StackView.Active)
                return;
            page.configurationOk = ok;
            page.configurationMessage = message;
        }
    }

    Platform.FileDialog {
        id: saveDialog

        fileMode: Platform.FileDialog.SaveFile
        defaultSuffix: "json"
        nameFilters: [qsTr("Конфигурация (*.json)")]
        folder: Platform.StandardPaths.writableLocation(Platform.StandardPaths.HomeLocation)
        onAccepted: page.saveConfiguration(file)
    }

    Platform.FileDialog {
        id: loadDialog

        fileMode: Platform.FileDialog.OpenFile
        nameFilters: [qsTr("Конфигурация (*.json)"), qsTr("Все файлы (*)")]
        onAccepted: page.loadConfiguration(file)
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
                    id: channelList

                    objectName: "channelList"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    interactive: false
                    clip: true
                    model: null
                }
            }

            Card {
                verticalPadding: Theme.padding
                spacing: Theme.spacing / 3

                CardCaption {
                    Layout.bottomMargin: Theme.spacing * 2 / 3
                    text: qsTr("Конфигурация")
                }

                SettingsMenuEntry {
                    objectName: "saveConfigurationEntry"
                    Layout.fillWidth: true
                    enabled: !configurationTransfer.busy
                    iconSource: "qrc:/icons/settings/save-file.png"
                    text: qsTr("Сохранить в файл…")
                    onClicked: {
                        // Only a dialog that is open passes the name on to Qt's own.
                        saveDialog.open();
                        saveDialog.currentFile = page.suggestedFile();
                    }
                }

                SettingsMenuEntry {
                    objectName: "loadConfigurationEntry"
                    Layout.fillWidth: true
                    enabled: !configurationTransfer.busy
                    iconSource: "qrc:/icons/settings/load-file.png"
                    text: qsTr("Загрузить из файла…")
                    onClicked: loadDialog.open()
                }

                Text {
                    objectName: "configurationMessage"
                    Layout.fillWidth: true
                    visible: text.length > 0
                    text: page.configurationMessage
                    textFormat: Text.PlainText
                    color: page.configurationOk ? Theme.neutral : Theme.error
                    font.pointSize: Theme.rowPointSize
                    wrapMode: Text.Wrap
                }
            }
        }
    }
}
