import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import "Focus.js" as Focus

ApplicationWindow {
    id: rootWindow

    // The Devices page hides the back step while its grid shows the controllers.
    property bool backButtonVisible: true
    property var tabButtons: [
        { name: qsTr("Избранное"), icon: "qrc:/icons/favorite.png", path: "qrc:/pages/Favorites.qml" },
        { name: qsTr("Устройства"), icon: "qrc:/icons/conroller.png", path: "qrc:/pages/Devices.qml" },
        { name: qsTr("Настройки"), icon: "qrc:/icons/settings.png", path: "qrc:/pages/Settings.qml" }
    ]

    // The item that had the focus on each page below the top, to return to.
    property var focusTrail: []
    // Where the focus goes once the page stack comes to rest.
    property var pendingFocus: null
    // Set while a key (Escape, Ctrl+1/2/3) navigates.
    property bool keyNavigation: false
    // The page a tab put over the Devices page, and the file it came from.
    property Item tabPage: null
    property string tabPagePath

    // Asks the Devices page to move its grid one level up (the close request
    // doubles as a back step off Windows).
    signal backRequested()

    // The Devices page stays at the bottom of the stack with the channel
    // grid it opened; a tab puts at most one page over them (tabPage), and
    // a later tab takes that page's place instead of piling up pages.
    function openTab(index) {
        const top = stackView.currentItem
        if (top && top.title === "DeviceInner" && index === 2) {
            showTabPage("qrc:/pages/SettingsInner.qml",
                        { usedModel: top.internalModel, modelIndex: top.modelIndex })
            return
        }
        if (index === 1) {
            if (stackView.depth > 1)
                stackView.pop(null)
            return
        }
        const path = tabButtons[index].path
        const shown = shownTabPage()
        if (shown && tabPagePath === path) {
            if (shown !== top)
                stackView.pop(shown)
            return
        }
        showTabPage(path, {})
    }

    // The page a tab opened, while it is still on the stack.
    function shownTabPage() {
        const page = tabPage
        if (!page)
            return null
        return stackView.find(function(item) { return item === page })
    }

    function showTabPage(path, properties) {
        const keyboard = keyNavigation || Focus.fromKeyboard(rootWindow)
        const shown = shownTabPage()
        tabPage = shown ? stackView.replace(shown, path, properties)
                        : stackView.push(path, properties)
        tabPagePath = path
        // A replaced page leaves nothing to return to on the new one; the
        // depth may even stay the same.
        pendingFocus = { item: null, keyboard: keyboard }
        Qt.callLater(placeFocus)
    }

    function selectTab(index) {
        tabBar.currentIndex = index
        keyNavigation = true
        openTab(index)
        keyNavigation = false
    }

    // Escape: one page back, as the page's back button does.
    function goBack() {
        const page = stackView.currentItem
        const button = page && page.header ? page.header.backButton : null
        if (!button || !button.visible)
            return
        keyNavigation = true
        button.clicked()
        keyNavigation = false
    }

    // A pushed page will get the focus on its first control; a page
    // returned to gets it back on the item it was left from.
    function followDepth() {
        const keyboard = keyNavigation || Focus.fromKeyboard(rootWindow)
        if (stackView.depth > focusTrail.length + 1) {
            focusTrail.push(activeFocusItem)
            pendingFocus = { item: null, keyboard: keyboard }
        } else {
            let back = null
            while (focusTrail.length > 0 && focusTrail.length >= stackView.depth)
                back = focusTrail.pop()
            pendingFocus = { item: back, keyboard: keyboard }
        }
        // A push starts its transition only after this.
        Qt.callLater(placeFocus)
    }

    function placeFocus() {
        if (stackView.busy)
            return
        const target = pendingFocus
        const page = stackView.currentItem
        pendingFocus = null
        if (!target || !page)
            return
        if (!target.keyboard) {
            // Tab goes on from the top of the page; nothing is drawn.
            const start = page.header && page.header.focusStart ? page.header.focusStart : page
            start.forceActiveFocus(Qt.OtherFocusReason)
            return
        }
        const header = page.header && page.header.focusStart ? page.header : null
        let item = target.item
        if (!item || !item.visible)
            item = Focus.firstIn(page.contentItem)
        if (!item && header)
            item = header.firstControl() || header.focusStart
        Focus.give(item || page, true)
    }

    width: 480
    height: 830
    minimumWidth: 320
    minimumHeight: 320
    visible: true
    title: Qt.application.name + " v" + norvaleoDevicesModel.applicationVersion()
           + " " + width + "x" + height

    // A window activated with nothing focused starts at its page's top.
    onActiveChanged: {
        if (active && (!activeFocusItem || activeFocusItem === contentItem) && !pendingFocus) {
            pendingFocus = { item: null, keyboard: false }
            Qt.callLater(placeFocus)
        }
    }

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
        onDepthChanged: rootWindow.followDepth()
        onBusyChanged: {
            if (!busy)
                rootWindow.placeFocus()
        }
    }

    Shortcut {
        sequence: "Escape"
        onActivated: rootWindow.goBack()
    }

    Shortcut {
        sequence: "Ctrl+1"
        onActivated: rootWindow.selectTab(0)
    }

    Shortcut {
        sequence: "Ctrl+2"
        onActivated: rootWindow.selectTab(1)
    }

    Shortcut {
        sequence: "Ctrl+3"
        onActivated: rootWindow.selectTab(2)
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
                // Drawn by the content item below; read by screen readers.
                text: modelData.name
                focusPolicy: Qt.TabFocus
                Accessible.role: Accessible.PageTab
                Accessible.name: text
                // The keyboard chooses the tab as a click does.
                Keys.onReturnPressed: rootWindow.selectTab(index)
                Keys.onEnterPressed: rootWindow.selectTab(index)
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

                FocusRing {
                    radius: 6
                    gap: -Theme.focusRingWidth
                }

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
