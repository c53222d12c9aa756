import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

// A drop-down selector. Closed it shows the chosen entry's text and the
// "more" symbol; a click opens a modal list centred over the whole window.
//
// `model` is a JS array whose entries are plain values (numbers, texts),
// shown and yielded as they are, or records {text, value} that show their
// text and yield their value. `sourceValue`, when bound to a role, selects
// the matching entry at start and again whenever the role changes; an
// unsaved choice of the user is then replaced.
AbstractButton {
    id: control

    property var model: []
    property int currentIndex: -1
    readonly property int count: model ? model.length : 0
    readonly property var currentValue: valueAt(currentIndex)
    readonly property string currentText: displayTextAt(currentIndex)
    property var sourceValue
    property bool showIndex: false
    property bool attention: false
    property int popupWidth: Theme.selectorPopupWidth
    property real popupHeightRatio: 0
    property int entryHeight: Theme.selectorEntryHeight
    property color entryTextColor: Theme.value
    property color textColor: Theme.value
    property alias popup: listPopup
    // What a screen reader calls it; the row it stands in sets its label.
    property string accessibleName

    implicitWidth: 120
    // Grows with a chosen text that must wrap to be read whole.
    implicitHeight: Math.max(Theme.rowHeight, chosenText.implicitHeight + 4)
    Layout.fillWidth: true
    leftPadding: 6
    rightPadding: 0
    hoverEnabled: true
    font.pointSize: Theme.rowPointSize
    focusPolicy: Qt.StrongFocus
    Accessible.name: accessibleName
    Accessible.description: currentText
    // The keyboard and a screen reader's press activate it as a click does
    // (Qt 6.4 offers a button's press action but does not run it).
    Accessible.onPressAction: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    signal activated(int index)

    function entryAt(index) {
        if (!model || index < 0 || index >= model.length)
            return undefined;
        return model[index];
    }

    function isRecord(entry) {
        return entry !== null && typeof entry === "object";
    }

    function textAt(index) {
        const entry = entryAt(index);
        if (entry === undefined || entry === null)
            return "";
        return String(isRecord(entry) ? entry.text : entry);
    }

    function displayTextAt(index) {
        const text = textAt(index);
        if (!showIndex || index < 0 || index >= count)
            return text;
        return index + ": " + text;
    }

    function valueAt(index) {
        const entry = entryAt(index);
        return isRecord(entry) ? entry.value : entry;
    }

    // Compared as texts, so the number 9600 and the text "9600" match.
    function indexOfValue(value) {
        if (value === undefined || value === null)
            return -1;
        for (let i = 0; i < count; ++i) {
            const entryValue = valueAt(i);
            if (entryValue !== undefined && entryValue !== null && String(entryValue) === String(value))
                return i;
        }
        return -1;
    }

    // Chooses the entry with this value, or no entry when none has it.
    function selectValue(value) {
        currentIndex = indexOfValue(value);
        return currentIndex;
    }

    // Selects the entry of sourceValue when it differs from the value seen
    // last, so that a repeated report of the same value keeps the user's
    // unsaved choice.
    function followSource(always) {
        if (sourceValue === undefined)
            return;
        const seen = String(sourceValue);
        if (!always && seen === internal.lastSource)
            return;
        internal.lastSource = seen;
        selectValue(sourceValue);
    }

    function choose(index) {
        currentIndex = index;
        attention = false;
        listPopup.close();
        activated(index);
    }

    onSourceValueChanged: followSource(false)
    onModelChanged: followSource(true)
    Component.onCompleted: followSource(true)
    onClicked: listPopup.open()

    background: Rectangle {
        radius: Theme.fieldRadius
        color: Theme.card
        border.width: control.attention ? 1 : 0
        border.color: Theme.attention
    }

    FocusRing {
        radius: Theme.fieldRadius
    }

    contentItem: Item {
        // The whole chosen text, wrapped where it does not fit in one line.
        Text {
            id: chosenText

            objectName: "chosenText"
            anchors.left: parent.left
            anchors.right: moreIcon.left
            anchors.rightMargin: 4
            anchors.verticalCenter: parent.verticalCenter
            text: control.currentText.replace(/\s*\n\s*/g, " ")
            textFormat: Text.PlainText
            color: control.textColor
            font: control.font
            horizontalAlignment: Text.AlignRight
            verticalAlignment: Text.AlignVCenter
            wrapMode: Text.Wrap
        }

        TintedIcon {
            id: moreIcon

            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            source: "qrc:/icons/more.png"
            color: control.textColor
        }
    }

    QtObject {
        id: internal

        property string lastSource
    }

    // Read by screen readers as a dialog named by the selector's label.
    Dialog {
        id: listPopup

        parent: Overlay.overlay
        title: control.accessibleName
        header: null
        footer: null
        anchors.centerIn: parent
        modal: true
        focus: true
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
        width: control.popupWidth
        height: {
            if (!parent)
                return implicitHeight;
            if (control.popupHeightRatio > 0)
                return parent.height * control.popupHeightRatio;
            return Math.min(implicitHeight, parent.height - 2 * Theme.padding);
        }
        padding: Theme.padding

        // The keyboard starts on the chosen entry, which is scrolled into view.
        onOpened: {
            listView.currentIndex = Math.max(0, control.currentIndex);
            listView.positionViewAtIndex(listView.currentIndex, ListView.Contain);
            listView.forceActiveFocus();
        }

        background: Rectangle {
            color: Theme.popupBackground
            radius: Theme.popupRadius
        }

        contentItem: ListView {
            id: listView

            readonly property bool scrolls: contentHeight > height

            implicitHeight: contentHeight
            clip: true
            spacing: 10
            model: control.count
            boundsBehavior: Flickable.StopAtBounds
            keyNavigationWraps: false
            highlightFollowsCurrentItem: false
            Keys.onReturnPressed: control.choose(currentIndex)
            Keys.onEnterPressed: control.choose(currentIndex)
            // The list is the popup's only control.
            Keys.onTabPressed: {}
            Keys.onBacktabPressed: {}
            Keys.onSpacePressed: control.choose(currentIndex)

            // Shown for as long as the list is longer than the popup, so that
            // entries below the edge are not hidden without a sign.
            ScrollIndicator.vertical: ScrollIndicator {
                objectName: "scrollIndicator"
                active: listView.scrolls
                rightPadding: 0

                contentItem: Rectangle {
                    implicitWidth: 3
                    implicitHeight: 3
                    radius: width / 2
                    color: Theme.secondary
                    opacity: listView.scrolls ? 1 : 0
                }
            }

            delegate: ItemDelegate {
                id: entry

                readonly property bool chosen: index === control.currentIndex

                text: control.displayTextAt(index)
                Accessible.name: text
                Accessible.onPressAction: clicked()

                width: listView.width - (listView.scrolls ? 6 : 0)
                height: control.entryHeight
                leftPadding: Theme.padding
                rightPadding: Theme.padding
                topPadding: 0
                bottomPadding: 0
                // Under the mouse, or reached with the arrow keys.
                highlighted: hovered || pressed || (ListView.isCurrentItem && listView.activeFocus)
                hoverEnabled: true
                onClicked: control.choose(index)

                background: Rectangle {
                    radius: Theme.popupRadius
                    color: entry.chosen || entry.highlighted ? Theme.lightAccent : Theme.transparent
                }

                contentItem: Item {
                    Text {
                        objectName: "entryText"
                        anchors.left: parent.left
                        // Only the chosen entry gives room to its check mark.
                        anchors.right: entry.chosen ? doneIcon.left : parent.right
                        anchors.rightMargin: entry.chosen ? 6 : 0
                        anchors.top: parent.top
                        anchors.bottom: parent.bottom
                        text: control.displayTextAt(index)
                        textFormat: Text.PlainText
                        color: entry.chosen || entry.highlighted ? Theme.accent : control.entryTextColor
                        font.pointSize: Theme.rowPointSize
                        wrapMode: Text.Wrap
                        elide: Text.ElideRight
                        verticalAlignment: Text.AlignVCenter
                    }

                    TintedIcon {
                        id: doneIcon

                        anchors.right: parent.right
                        anchors.verticalCenter: parent.verticalCenter
                        source: "qrc:/icons/done.png"
                        color: Theme.success
                        visible: entry.chosen
                    }
                }
            }
        }
    }
}
