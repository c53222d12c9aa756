import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQml.Models 2.15
import ".."

// Every favourite channel of every controller, as channel cards.
Page {
    id: favoritesPage

    property alias grid: grid

    title: qsTr("Избранное")

    header: HeaderBar {
        title: qsTr("Избранное")
    }

    background: Rectangle {
        color: Theme.pageBackground
    }

    GridView {
        id: grid

        anchors.fill: parent
        cellWidth: 170
        cellHeight: 170
        clip: true
        model: DelegateModel {
            model: favouritesFilterProxyModel

            delegate: Light {
                width: 160
                height: 160
                canvasItem: rootWindow
            }
        }
    }
}
