import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Focus.js" as Focus

// The message box of the Devices page: a question ("dialog…"), a wait with
// a spinner ("waiting"), an address entry ("manual") or a result ("inform"),
// chosen by `stateName`. Its size follows the parent it is centred in.
// A dialog without header or footer: its title, never drawn, is the name
// screen readers read.
Dialog {
    id: messageBox

    property string messageText
    property alias ipAddress: addressField.text
    property string stateName: "dialog"
    property alias addressField: addressField
    property alias leftButton: leftButton
    property alias rightButton: rightButton
    property alias centreButton: centreButton
    // Opened from the keyboard: its first control takes the focus.
    property bool keyboardOpened: false

    // The first state whose condition holds; an unknown name asks a question.
    readonly property string shownState: {
        if (stateName.indexOf("dialog") === 0)
            return "dialog";
        if (stateName === "waiting" || stateName === "manual" || stateName === "inform")
            return stateName;
        return "dialog";
    }

    readonly property real parentWidth: parent ? parent.width : 0
    readonly property real parentHeight: parent ? parent.height : 0
    readonly property int maximumWidth: Math.floor(0.85 * parentWidth)
    readonly property int maximumHeight: Math.floor(0.8 * maximumWidth)
    readonly property int minimumWidth: 300
    readonly property int minimumHeight: 150
    readonly property real boxHeight: {
        const proposed = 0.26 * parentHeight;
        if (proposed < minimumHeight)
            return minimumHeight;
        if (proposed >= maximumHeight)
            return maximumHeight;
        return proposed;
    }
    readonly property real boxWidth: {
        const proposed = 2 * boxHeight;
        if (proposed < minimumWidth)
            return minimumWidth;
        if (proposed >= maximumWidth)
            return maximumWidth;
        return proposed;
    }
    readonly property int rowHeight: Math.floor(0.25 * boxHeight > 50 ? 0.25 * boxHeight : 50)
    readonly property int textSize: Math.floor(0.32 * rowHeight)

    // Height left for the message in the parent, beside the field and the buttons.
    readonly property real messageRoom: Math.max(rowHeight, parentHeight - topPadding
                                                 - bottomPadding - 2 * Theme.spacing - rowHeight
                                                 - (shownState === "manual" ? rowHeight : 0))
    readonly property real messageHeight: Math.min(messageLabel.implicitHeight, messageRoom)
    readonly property real topRowsHeight: {
        if (shownState === "waiting")
            return spinner.Layout.preferredHeight;
        if (shownState === "manual")
            return messageHeight + Theme.spacing + rowHeight;
        return messageHeight;
    }
    readonly property bool twoButtons: shownState === "dialog" || shownState === "manual"
    readonly property string leftText: shownState === "manual" ? qsTr("Добавить") : qsTr("Да")
    readonly property string rightText: shownState === "manual" ? qsTr("Отмена") : qsTr("Нет")
    readonly property string centreText: shownState === "inform" ? qsTr("Ok") : qsTr("Отмена")

    title: shownState === "waiting" ? qsTr("Поиск устройств") : messageText
    header: null
    footer: null
    anchors.centerIn: parent
    width: boxWidth
    // In a small window the message, the field and the buttons may need more
    // than the computed height; the box grows rather than overlap them.
    // Summed here rather than read from the column's implicit height, which
    // the layout recomputes while this binding runs (a binding loop).
    height: Math.max(boxHeight, topRowsHeight + Theme.spacing + rowHeight + topPadding + bottomPadding)
    padding: Theme.padding
    modal: true
    focus: true
    closePolicy: shownState === "waiting" ? Popup.NoAutoClose
                                          : Popup.CloseOnEscape | Popup.CloseOnPressOutside

    signal yesClicked()
    signal noClicked()
    signal addClicked()
    signal cancelClicked()

    function leftButtonClicked() {
        if (leftButton.text === qsTr("Да")) {
            yesClicked();
            return;
        }
        if (addressField.text.length === 0) {
            addressField.attention = true;
            return;
        }
        addClicked();
    }

    function rightButtonClicked() {
        if (rightButton.text === qsTr("Нет"))
            noClicked();
        else
            cancelClicked();
    }

    function firstControl() {
        if (shownState === "manual")
            return addressField;
        return twoButtons ? leftButton : centreButton;
    }

    function focusFirstControl() {
        if (opened && keyboardOpened)
            Focus.give(firstControl(), true);
    }

    function centreButtonClicked() {
        if (centreButton.text === qsTr("Ok"))
            close();
        else
            cancelClicked();
    }

    onAboutToShow: keyboardOpened = typeof rootWindow !== "undefined" && Focus.fromKeyboard(rootWindow)
    onOpened: focusFirstControl()
    onShownStateChanged: focusFirstControl()

    background: Rectangle {
        radius: Theme.popupRadius
        color: messageBox.shownState === "waiting" ? Theme.transparent : Theme.bar
    }

    contentItem: Item {
        id: boxContent

        // Tab stays among the box's own controls.
        Keys.onTabPressed: Focus.give(Focus.stepWithin(boxContent, Window.activeFocusItem, true), true)
        Keys.onBacktabPressed: Focus.give(Focus.stepWithin(boxContent, Window.activeFocusItem, false), true)

        ColumnLayout {
            id: topRows

            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            spacing: Theme.spacing

            Image {
                id: spinner

                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 35
                Layout.preferredHeight: 35
                visible: messageBox.shownState === "waiting"
                source: "qrc:/icons/waiting.png"
                sourceSize: Qt.size(35 * Math.max(2, Screen.devicePixelRatio), 35 * Math.max(2, Screen.devicePixelRatio))
                fillMode: Image.PreserveAspectFit
                smooth: true

                RotationAnimator on rotation {
                    from: 0
                    to: 360
                    duration: 1000
                    loops: Animation.Infinite
                    running: spinner.visible && messageBox.visible
                }
            }

            // A long message (what a search that found nothing tried) scrolls
            // rather than push the buttons out of a small window.
            Flickable {
                id: messageArea

                Layout.fillWidth: true
                Layout.preferredHeight: messageBox.messageHeight
                visible: messageBox.shownState !== "waiting"
                contentHeight: messageLabel.implicitHeight
                clip: true
                interactive: contentHeight > height
                boundsBehavior: Flickable.StopAtBounds
                ScrollIndicator.vertical: ScrollIndicator {}

                Text {
                    id: messageLabel

                    // Known before the layout runs, so the box height settles at once.
                    width: messageBox.availableWidth
                    text: messageBox.messageText
                    textFormat: Text.PlainText
                    color: Theme.messageText
                    font.pointSize: messageBox.textSize
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
            }

            SettingsTextField {
                id: addressField

                Layout.fillWidth: true
                Layout.preferredHeight: messageBox.rowHeight
                visible: messageBox.shownState === "manual"
                radius: height / 2
                backgroundColor: Theme.bar
                borderColor: Theme.accent
                attentionColor: Theme.attention
                color: Theme.fieldText
                font.pointSize: messageBox.textSize
                horizontalAlignment: TextInput.AlignHCenter
                accessibleName: messageBox.messageText
                leftPadding: 10
                rightPadding: 10
                validator: AddressRangeValidator {}
            }
        }

        Item {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: messageBox.rowHeight

            RowLayout {
                anchors.fill: parent
                spacing: Theme.spacing
                visible: messageBox.twoButtons

                MessageBoxButton {
                    id: leftButton

                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    text: messageBox.leftText
                    font.pointSize: messageBox.textSize
                    onClicked: messageBox.leftButtonClicked()
                }

                MessageBoxButton {
                    id: rightButton

                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    text: messageBox.rightText
                    font.pointSize: messageBox.textSize
                    onClicked: messageBox.rightButtonClicked()
                }
            }

            MessageBoxButton {
                id: centreButton

                anchors.horizontalCenter: parent.horizontalCenter
                width: parent.width / 2
                height: parent.height
                visible: !messageBox.twoButtons
                centre: true
                text: messageBox.centreText
                font.pointSize: messageBox.textSize
                onClicked: messageBox.centreButtonClicked()
            }
        }
    }
}
