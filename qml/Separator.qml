import QtQuick 2.15
import QtQuick.Layouts 1.15

// A 1-pixel line between rows (horizontal) or beside a switch (vertical).
Rectangle {
    id: separator

    property int orientation: Qt.Horizontal
    readonly property bool horizontal: orientation === Qt.Horizontal

    implicitWidth: horizontal ? 0 : 1
    implicitHeight: horizontal ? 1 : 0
    Layout.fillWidth: horizontal
    Layout.fillHeight: !horizontal
    Layout.preferredWidth: horizontal ? -1 : 1
    Layout.preferredHeight: horizontal ? 1 : -1
    color: Theme.border
}
