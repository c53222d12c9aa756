import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

// What a loaded configuration file would change on the controller, setting
// by setting, and the button that applies it. Network settings only go with
// the tick set, and a change of Wi-Fi network then needs its password.
SettingsPage {
    id: page

    property string resultText
    property bool resultOk: false
    readonly property bool passwordShown: networkBox.checked && configurationTransfer.wifiNeedsPassword
    readonly property var changes: configurationTransfer.changes

    name: qsTr("Загрузка конфигурации")
    saveButton.visible: false

    function apply() {
        resultText = "";
        configurationTransfer.apply(networkBox.checked, passwordField.text);
    }

    Connections {
        target: configurationTransfer

        function onFinished(ok, message) {
            page.resultOk = ok;
            page.resultText = message;
        }
    }

    Card {
        spacing: 6

        CardCaption {
            text: qsTr("Что изменится")
        }

        // A plain column: wrapped texts in a layout feed their height back
        // into the page's.
        Column {
            Layout.fillWidth: true
            spacing: 6

            Text {
                objectName: "originText"
                width: parent.width
                text: configurationTransfer.origin
                textFormat: Text.PlainText
                color: Theme.secondary
                font.pointSize: Theme.statusPointSize
                wrapMode: Text.Wrap
            }

            Text {
                objectName: "noChanges"
                width: parent.width
                visible: page.changes.length === 0
                text: qsTr("Отличий нет: контроллер уже настроен так же.")
                textFormat: Text.PlainText
                color: Theme.neutral
                font.pointSize: Theme.rowPointSize
                wrapMode: Text.Wrap
            }

            Repeater {
                id: changeList

                objectName: "changeList"
                model: page.changes

                delegate: Column {
                    objectName: "change" + index
                    width: parent.width
                    bottomPadding: 4
                    // Network settings not ticked stay as they are.
                    opacity: modelData.network && !networkBox.checked ? 0.4 : 1

                    Text {
                        objectName: "setting"
                        width: parent.width
                        text: modelData.setting
                        textFormat: Text.PlainText
                        color: Theme.neutral
                        font.pointSize: Theme.rowPointSize
                        wrapMode: Text.Wrap
                    }

                    Text {
                        objectName: "values"
                        width: parent.width
                        text: modelData.current + "  →  " + modelData.proposed
                        textFormat: Text.PlainText
                        color: Theme.value
                        font.pointSize: Theme.rowPointSize
                        font.bold: true
                        wrapMode: Text.Wrap
                    }
                }
            }

            Text {
                objectName: "skippedText"
                width: parent.width
                visible: text.length > 0
                text: configurationTransfer.skipped
                textFormat: Text.PlainText
                color: Theme.error
                font.pointSize: Theme.rowPointSize
                wrapMode: Text.Wrap
            }
        }
    }

    Card {
        spacing: 8

        CheckBox {
            id: networkBox

            objectName: "networkBox"
            Layout.fillWidth: true
            enabled: configurationTransfer.hasNetworkChanges && !configurationTransfer.busy
            checked: false
            text: qsTr("Также сетевые настройки")
            font.pointSize: Theme.rowPointSize
        }

        SettingsRow {
            objectName: "passwordRow"
            visible: page.passwordShown
            label: qsTr("Пароль Wi-Fi")

            SettingsTextField {
                id: passwordField

                objectName: "passwordField"
                Layout.fillWidth: true
                echoMode: TextInput.Password
                placeholderText: qsTr("Пароль")
                backgroundColor: Theme.pageBackground
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacing

            Button {
                objectName: "applyButton"
                enabled: !configurationTransfer.busy && page.changes.length > 0
                text: qsTr("Применить")
                font.pointSize: Theme.buttonPointSize
                Accessible.onPressAction: clicked()
                onClicked: page.apply()
            }

            BusyIndicator {
                Layout.preferredHeight: 32
                Layout.preferredWidth: 32
                running: configurationTransfer.busy
                visible: running
            }
        }

        Text {
            objectName: "resultText"
            Layout.fillWidth: true
            Layout.preferredWidth: 0
            visible: text.length > 0
            text: page.resultText
            textFormat: Text.PlainText
            color: page.resultOk ? Theme.statusConnected : Theme.error
            font.pointSize: Theme.rowPointSize
            wrapMode: Text.Wrap
        }
    }
}
