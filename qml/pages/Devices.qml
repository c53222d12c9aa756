import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQml.Models 2.15
import ".."

// The known controllers as cards, the add menu (search, add by address,
// clear) and the message box that waits for and reports the outcome.
Page {
    id: devicesPage

    property alias grid: grid
    property alias devicesModel: devicesModel
    // Null until first opened.
    readonly property AddMenu addMenu: addMenuLoader.item
    readonly property MessageBoxPopup messageBox: messageBoxLoader.item
    readonly property var menuEntries: [
        { text: qsTr("Поиск устройств"), action: "search" },
        { text: qsTr("Добавить вручную"), action: "manual" },
        { text: qsTr("Удалить все"), action: "clear" }
    ]

    function openAddMenu() {
        addMenuLoader.active = true;
        addMenu.open();
    }

    function openMessageBox(stateName, text) {
        messageBoxLoader.active = true;
        if (text !== undefined)
            messageBox.messageText = text;
        messageBox.stateName = stateName;
        messageBox.open();
    }

    function runMenuAction(action) {
        if (action === "search")
            startSearch();
        else if (action === "manual")
            askAddress();
        else if (action === "clear")
            askClearAll();
    }

    function startSearch() {
        norvaleoDevicesModel.startCommunication();
        openMessageBox("waiting");
    }

    function askAddress() {
        openMessageBox("manual", qsTr("Ip адрес, сеть или диапазон:"));
    }

    // A refused address, network or range keeps the box open and says why.
    function addTypedAddress() {
        const reason = norvaleoDevicesModel.addressRangeError(messageBox.ipAddress);
        if (reason.length > 0) {
            messageBox.messageText = reason;
            messageBox.addressField.attention = true;
            return;
        }
        messageBox.stateName = "waiting";
        norvaleoDevicesModel.tryToAddDevice(messageBox.ipAddress);
    }

    // What was searched, in short lines, and what the user can try.
    function nothingFoundText(networks) {
        const shownCount = 6;
        const lines = [qsTr("Контроллеры не найдены."), qsTr("Искали в сетях:")];
        if (networks.length === 0)
            lines.push(qsTr("только 255.255.255.255 (сетевых адаптеров нет)"));
        for (let i = 0; i < networks.length && i < shownCount; ++i)
            lines.push(networks[i]);
        if (networks.length > shownCount)
            lines.push(qsTr("и ещё %1").arg(networks.length - shownCount));
        lines.push(qsTr("Что попробовать:"),
                   qsTr("• подключиться к той же сети, что и контроллеры;"),
                   qsTr("• разрешить в брандмауэре UDP-порт 1112 и TCP-порт 80;"),
                   qsTr("• добавить контроллер по адресу или сети через «Добавить вручную»."));
        return lines.join("\n");
    }

    function informOf(text) {
        messageBox.messageText = text;
        messageBox.stateName = "inform";
    }

    function networkResult(devicesCount) {
        const added = norvaleoDevicesModel.addedCount();
        const lines = [qsTr("Добавлено: %1").arg(added)];
        if (devicesCount > added)
            lines.push(qsTr("Уже были в списке: %1").arg(devicesCount - added));
        return lines.join("\n");
    }

    function askClearAll() {
        openMessageBox("dialog_dell_all", qsTr("Очистить список устройств?"));
    }

    function showSearchResult(triggerName, devicesCount) {
        // Searches started elsewhere (a lost controller) have no box to report in.
        if (!messageBox)
            return;
        const searched = triggerName === "search" || triggerName === "network";
        if (searched && devicesCount === 0) {
            informOf(nothingFoundText(norvaleoDevicesModel.searchedNetworks()));
            return;
        }
        if (triggerName === "network") {
            informOf(networkResult(devicesCount));
            return;
        }
        if (triggerName === "check") {
            messageBox.messageText = devicesCount > 0 ? qsTr("Добавлено!")
                                                      : qsTr("Устройство не найдено!");
            messageBox.stateName = "inform";
            return;
        }
        if (triggerName === "existed") {
            messageBox.messageText = qsTr("Устройство с этим ip уже добавлено!");
            messageBox.stateName = "inform";
            return;
        }
        messageBox.close();
    }

    function openController(row, itemModel, hasChildren) {
        if (!hasChildren)
            return;
        devicesPage.StackView.view.push("qrc:/pages/DevicesInner.qml", {
            modelIndex: row,
            modelName: itemModel.name,
            internalModel: itemModel
        });
    }

    // The grid shows the children of its root: keep that root on the
    // "Устройства" node, which a model reset or the back step leave.
    function followRoot() {
        const name = norvaleoDevicesModel.data(devicesModel.rootIndex,
                                               norvaleoDevicesModel.roleByName("name"));
        if (name === undefined || name === null) {
            devicesModel.rootIndex = devicesModel.modelIndex(0);
            return;
        }
        rootWindow.backButtonVisible = name !== "Устройства";
    }

    function moveRootUp() {
        devicesModel.rootIndex = devicesModel.parentModelIndex();
    }

    title: qsTr("Устройства")
    Component.onCompleted: followRoot()

    header: HeaderBar {
        title: qsTr("Устройства")

        RoundToolButton {
            objectName: "addButton"
            icon.source: "qrc:/icons/add.png"
            text: qsTr("Добавить")
            icon.color: hovered || pressed ? Theme.accent : Theme.neutral
            onClicked: devicesPage.openAddMenu()
        }
    }

    background: Rectangle {
        color: Theme.pageBackground
    }

    Connections {
        target: rootWindow

        function onBackRequested() {
            devicesPage.moveRootUp();
        }
    }

    Connections {
        target: norvaleoDevicesModel

        function onSearchingProcessFinished(triggerName, devicesCount) {
            devicesPage.showSearchResult(triggerName, devicesCount);
        }
    }

    GridView {
        id: grid

        anchors.fill: parent
        cellWidth: 320
        cellHeight: 128
        clip: true
        model: DelegateModel {
            id: devicesModel

            model: norvaleoDevicesModel
            onRootIndexChanged: devicesPage.followRoot()

            delegate: Device {
                canvasItem: devicesPage
                onClicked: devicesPage.openController(index, model, hasModelChildren)
            }
        }
    }

    // The menu and the box are created when first opened: most starts
    // open neither, and they are a good part of the page's objects.
    Loader {
        id: addMenuLoader

        active: false
        sourceComponent: AddMenu {
            // Centred in the whole page, not in the area below the header.
            parent: devicesPage
            entries: devicesPage.menuEntries
            onActionChosen: function(action) { devicesPage.runMenuAction(action); }
        }
    }

    Loader {
        id: messageBoxLoader

        active: false
        sourceComponent: MessageBoxPopup {
            objectName: "messageBox"
            // Sized from and centred in the whole page, header included.
            parent: devicesPage
            onYesClicked: {
                if (stateName === "dialog_dell_all") {
                    norvaleoDevicesModel.clearSettings();
                    close();
                    return;
                }
                stateName = "waiting";
                norvaleoDevicesModel.startCommunication();
            }
            onAddClicked: devicesPage.addTypedAddress()
            onNoClicked: close()
            onCancelClicked: {
                if (stateName === "waiting")
                    norvaleoDevicesModel.stopSearching();
                close();
            }
        }
    }
}
