import QtQuick 2.15
import "Focus.js" as Focus

// The white bar at the top of every page. Items declared inside it go to its
// right end (an add button, a Save button). With `betweenButtons` the title
// fills the space between the back button and those items, as settings
// pages show it; otherwise it is centred on the bar.
Item {
    id: headerBar

    property string title
    property bool backButtonVisible: false
    property bool betweenButtons: false
    property alias backButton: backButton
    property alias titleItem: titleText
    default property alias rightItems: rightSlot.data
    // Holds the focus of a page opened by the mouse, so that Tab starts at
    // the header.
    property alias focusStart: focusStart

    readonly property real sideWidth: Math.max(backButton.visible ? backButton.width : 0,
                                               rightSlot.width) + Theme.headerButtonMargin * 2

    // The header's first button, or else the page's first control.
    function firstControl() {
        if (backButton.visible)
            return backButton;
        for (let i = 0; i < rightSlot.children.length; ++i) {
            const item = rightSlot.children[i];
            if (item.visible && item.enabled && item.activeFocusOnTab)
                return item;
        }
        const page = headerBar.parent;
        return page && page.contentItem ? Focus.firstIn(page.contentItem) : null;
    }

    implicitHeight: Theme.headerHeight
    z: 1

    // The window's own order would begin with the tab bar.
    Item {
        id: focusStart

        Keys.onTabPressed: Focus.give(headerBar.firstControl(), true)
    }

    PrerenderedShadow {
        objectName: "barShadow"
        anchors.fill: parent
        horizontalOffset: -2
        verticalOffset: 2
        radius: 5
        samples: 5
        color: Theme.shadow
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.bar
    }

    BackButton {
        id: backButton

        anchors.left: parent.left
        anchors.leftMargin: Theme.headerButtonMargin
        anchors.verticalCenter: parent.verticalCenter
        visible: headerBar.backButtonVisible
    }

    Text {
        id: titleText

        x: headerBar.betweenButtons
           ? (backButton.visible ? backButton.x + backButton.width : 0) + Theme.headerButtonMargin
           : headerBar.sideWidth
        width: headerBar.betweenButtons
               ? rightSlot.x - Theme.headerButtonMargin - x
               : headerBar.width - 2 * headerBar.sideWidth
        anchors.verticalCenter: parent.verticalCenter
        text: headerBar.title
        textFormat: Text.PlainText
        color: Theme.title
        font.pixelSize: Theme.headerTitlePixelSize
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        maximumLineCount: 1
    }

    Row {
        id: rightSlot

        anchors.right: parent.right
        anchors.rightMargin: Theme.headerButtonMargin
        anchors.verticalCenter: parent.verticalCenter
        spacing: Theme.headerButtonMargin
    }
}
