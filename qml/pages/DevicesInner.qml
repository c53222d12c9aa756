import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQml.Models 2.15
import ".."

// The light channels of one controller. The window recognises this page by
// its title and opens the controller's settings from it.
Page {
    id: devicesInner

    // Row of the controller under the "Устройства" node.
    property int modelIndex: -1
    property string modelName
    // The controller's item data object, for its settings pages.
    property var internalModel: null
    property alias grid: grid
    property alias channelsModel: channelsModel

    function controllerIndex() {
        const devices = norvaleoDevicesModel.index(0, 0);
        return norvaleoDevicesModel.index(modelIndex, 0, devices);
    }

    function sameIndex(a, b) {
        return a.valid === b.valid && a.row === b.row && a.internalId === b.internalId;
    }

    // A model reset or layout change drops the grid's root: put it back on
    // the controller, or show nothing once the controller is gone.
    function followRoot() {
        const index = controllerIndex();
        if (!index.valid) {
            grid.model = null;
            return;
        }
        if (!sameIndex(channelsModel.rootIndex, index)) {
            channelsModel.rootIndex = index;
            return;
        }
        grid.model = channelsModel;
    }

    title: "DeviceInner"
    Accessible.name: modelName
    // StackView sets the pushed properties after completion.
    onModelIndexChanged: followRoot()
    Component.onCompleted: followRoot()

    header: HeaderBar {
        title: devicesInner.modelName
        backButtonVisible: true
    }

    background: Rectangle {
        color: Theme.pageBackground
    }

    DelegateModel {
        id: channelsModel

        model: norvaleoDevicesModel
        onRootIndexChanged: devicesInner.followRoot()

        delegate: Light {
            canvasItem: rootWindow
        }
    }

    GridView {
        id: grid

        anchors.fill: parent
        cellWidth: 160
        cellHeight: 160
        clip: true
        model: null
    }
}
