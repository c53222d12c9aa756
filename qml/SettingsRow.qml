import QtQuick 2.15
import QtQuick.Layouts 1.15

// One row of a settings card: the label at the left and, at the right, the
// row's editor or its value text. Items declared inside the row are its
// editor; they are laid out from the right edge of an area that takes
// `editorShare` of the row (an item with Layout.fillWidth fills it).
Item {
    id: row

    property string label
    property string value
    property color valueColor: Theme.value
    property real editorShare: Theme.editorShare
    property alias labelItem: labelText
    property alias valueItem: valueText
    default property alias editor: editorArea.data

    // Editors are named after the row's label for screen readers.
    function nameEditors() {
        for (let i = 0; i < editorArea.children.length; ++i) {
            const child = editorArea.children[i];
            if (child.accessibleName !== undefined && child.accessibleName.length === 0)
                child.accessibleName = Qt.binding(function() { return row.label; });
        }
    }

    implicitHeight: Theme.rowHeight
    Component.onCompleted: nameEditors()
    Layout.fillWidth: true
    Layout.preferredHeight: implicitHeight

    Text {
        id: labelText

        anchors.left: parent.left
        anchors.right: editorArea.left
        anchors.rightMargin: 5
        anchors.verticalCenter: parent.verticalCenter
        text: row.label
        textFormat: Text.PlainText
        color: Theme.neutral
        font.pointSize: Theme.rowPointSize
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
    }

    RowLayout {
        id: editorArea

        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: row.width * row.editorShare
        layoutDirection: Qt.RightToLeft
        spacing: 5

        Text {
            id: valueText

            Layout.fillWidth: true
            visible: row.value.length > 0
            text: row.value
            textFormat: Text.PlainText
            color: row.valueColor
            font.pointSize: Theme.rowPointSize
            horizontalAlignment: Text.AlignRight
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
    }
}
