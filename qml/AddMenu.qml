import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import "Focus.js" as Focus

// The Devices page's add menu: one entry per action. A dialog for screen
// readers, named by the button that opens it.
Dialog {
    id: addMenu

    // [{ text, action }], in the order shown.
    property var entries: []
    property bool keyboardOpened: false

    signal actionChosen(string action)

    objectName: "addMenu"
    title: qsTr("Добавить")
    header: null
    footer: null
    anchors.centerIn: parent
    width: Theme.selectorPopupWidth
    height: entries.length * Theme.selectorEntryHeight + 2 * Theme.padding
    padding: Theme.padding
    modal: true
    focus: true
    // Opened from the keyboard, the first entry takes the focus.
    onAboutToShow: keyboardOpened = Focus.fromKeyboard(rootWindow)
    onOpened: {
        if (keyboardOpened)
            Focus.give(Focus.firstIn(menuColumn), true);
    }

    background: Rectangle {
        radius: Theme.popupRadius
        color: Theme.popupBackground
    }

    contentItem: Column {
        id: menuColumn

        // Tab and the arrows stay among the entries.
        Keys.onTabPressed: Focus.give(Focus.stepWithin(menuColumn, Window.activeFocusItem, true), true)
        Keys.onBacktabPressed: Focus.give(Focus.stepWithin(menuColumn, Window.activeFocusItem, false), true)
        Keys.onDownPressed: Focus.give(Focus.stepWithin(menuColumn, Window.activeFocusItem, true), true)
        Keys.onUpPressed: Focus.give(Focus.stepWithin(menuColumn, Window.activeFocusItem, false), true)

        Repeater {
            model: addMenu.entries

            ItemDelegate {
                id: entry

                objectName: "menuEntry" + index
                width: addMenu.availableWidth
                height: Theme.selectorEntryHeight
                leftPadding: Theme.padding
                rightPadding: Theme.padding
                text: modelData.text
                focusPolicy: Qt.TabFocus
                Accessible.onPressAction: clicked()
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
                onClicked: {
                    addMenu.close();
                    addMenu.actionChosen(modelData.action);
                }

                background: Rectangle {
                    radius: Theme.popupRadius
                    color: entry.hovered || entry.pressed ? Theme.lightAccent
                                                          : Theme.transparent
                }

                FocusRing {
                    radius: Theme.popupRadius
                    gap: -Theme.focusRingWidth
                }

                contentItem: Text {
                    text: entry.text
                    textFormat: Text.PlainText
                    font.pointSize: Theme.menuPointSize
                    color: entry.hovered || entry.pressed ? Theme.accent : Theme.neutral
                    horizontalAlignment: Text.AlignLeft
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                }
            }
        }
    }
}
