import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

// The frame of every settings page: header bar with back button, title and
// Save button over a scrolling column of cards.
//
// A concrete page declares its cards inside it and defines
//     function saveSettings() { ...; return true or false }
// The Save button calls save() (through requestSave(), which waits for a data
// object the page may be without for a moment), which pops the page when saveSettings()
// returns true and leaves it open with the user's edits when it returns
// false. A page that must do something else after saving (the RS-485 page
// opens its restart notice) defines its own function save(); functions of
// the concrete page replace the frame's ones of the same name. The back
// button pops the page without saving. A page with a card that fills the
// rest of the view (Layout.fillHeight) sets fillView.
Page {
    id: page

    property var usedModel
    property string name
    property bool fillView: false
    property alias headerBar: headerBar
    property alias saveButton: saveButton
    property alias scrollView: scrollView
    property alias cardSpacing: column.spacing
    // Save was asked for while the tree renewed the page's data object (right
    // after a layout change): it runs once the page has one again.
    property bool saveWaiting: false
    default property alias content: column.data

    title: name
    onUsedModelChanged: {
        if (saveWaiting && usedModel)
            requestSave();
    }

    // Replaced by the concrete page.
    function saveSettings() {
        return true;
    }

    function save() {
        if (saveSettings())
            popPage();
    }

    // What the Save button and Return call; never drops the user's edit. A
    // data object of null is one the tree is renewing (a page never given
    // one saves at once).
    function requestSave() {
        saveWaiting = usedModel === null;
        if (!saveWaiting)
            save();
    }

    function popPage() {
        if (page.StackView.view)
            page.StackView.view.pop();
    }

    background: Rectangle {
        color: Theme.pageBackground
    }

    header: HeaderBar {
        id: headerBar

        title: page.name
        backButtonVisible: true
        betweenButtons: true
        backButton.page: page

        SaveButton {
            id: saveButton

            onClicked: page.requestSave()
        }
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

        // With fillView at least as high as the view, so that a card with
        // Layout.fillHeight takes the rest of the page.
        Item {
            id: body

            width: scrollView.availableWidth
            height: page.fillView ? Math.max(column.implicitHeight, scrollView.availableHeight)
                                  : column.implicitHeight

            ColumnLayout {
                id: column

                anchors.fill: parent
                spacing: Theme.spacing
            }
        }
    }
}
