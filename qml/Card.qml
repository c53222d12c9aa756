import QtQuick 2.15
import QtQuick.Layouts 1.15

// A white rounded card of a settings page. Its items are laid out in a
// column inset by the padding at the sides; the card spreads them over its
// height when the page gives it a fixed one (Layout.preferredHeight).
Rectangle {
    id: card

    default property alias content: column.data
    property alias spacing: column.spacing
    property real horizontalPadding: Theme.padding
    property real verticalPadding: 10

    implicitHeight: column.implicitHeight + 2 * verticalPadding
    Layout.fillWidth: true
    color: Theme.card
    radius: Theme.cardRadius
    border.color: Theme.border
    border.width: 1

    ColumnLayout {
        id: column

        anchors.fill: parent
        anchors.leftMargin: card.horizontalPadding
        anchors.rightMargin: card.horizontalPadding
        anchors.topMargin: card.verticalPadding
        anchors.bottomMargin: card.verticalPadding
        spacing: 0
    }
}
