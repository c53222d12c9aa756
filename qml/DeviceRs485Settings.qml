import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Flags.js" as Flags

// The controller's RS-485 line and Modbus RTU address. The device applies
// them after a restart, which the page says after every save.
SettingsPage {
    id: page

    property alias notice: restartNotice

    function roleValue(role) {
        return usedModel ? usedModel[role] : undefined;
    }

    // A speed outside the list leaves the selector empty; the line text would
    // then begin with a blank, so such a save is refused.
    function checkSettingsCorrect() {
        const selectors = [speedSelector, paritySelector, stopBitsSelector];
        let correct = true;
        for (let i = 0; i < selectors.length; ++i) {
            if (selectors[i].currentIndex < 0) {
                selectors[i].attention = true;
                correct = false;
            }
        }
        return correct;
    }

    function lineChanged() {
        return String(speedSelector.currentValue) !== String(roleValue("rs485_speed"))
                || String(paritySelector.currentValue) !== String(roleValue("rs485_parity"))
                || String(stopBitsSelector.currentValue) !== String(roleValue("rs485_stop_bits"));
    }

    // For example 9600 8N1: speed, blank, data bits, parity, stop bits.
    function lineText() {
        return speedSelector.currentValue + " " + roleValue("rs485_data_bits")
                + paritySelector.currentValue + stopBitsSelector.currentValue;
    }

    function saveSettings() {
        // The controller is gone.
        if (!usedModel)
            return false;
        if (!checkSettingsCorrect())
            return false;
        if (lineChanged())
            usedModel.rs485_all_settings = lineText();
        if (addressBox.value !== Number(roleValue("modbus_address")))
            usedModel.modbus_address = addressBox.value;
        if (!Flags.isTrue(roleValue("autosave_settings")))
            usedModel.autosave_settings = true;
        return true;
    }

    function save() {
        if (saveSettings())
            restartNotice.open();
    }

    Card {
        Layout.preferredHeight: 75

        SettingsRow {
            objectName: "dataBitsRow"
            label: qsTr("Количество бит данных")
            value: page.roleValue("rs485_data_bits") === undefined ? "" : String(page.roleValue("rs485_data_bits"))
            valueColor: Theme.neutral
        }
    }

    Card {
        Layout.preferredHeight: 195

        SettingsRow {
            label: qsTr("Скорость")

            Selector {
                id: speedSelector

                objectName: "speedSelector"
                model: [2400, 4800, 9600, 19200, 38400, 57600, 115200, 250000, 500000, 1000000]
                sourceValue: page.roleValue("rs485_speed")
                popupHeightRatio: 0.57
            }
        }

        Separator {}

        SettingsRow {
            label: qsTr("Четность")

            Selector {
                id: paritySelector

                objectName: "paritySelector"
                model: [
                    { text: qsTr("N ( None )"), value: "N" },
                    { text: qsTr("E ( Even )"), value: "E" }
                ]
                sourceValue: page.roleValue("rs485_parity")
            }
        }

        Separator {}

        SettingsRow {
            label: qsTr("Количество стоп-бит")

            Selector {
                id: stopBitsSelector

                objectName: "stopBitsSelector"
                model: [1, 2]
                sourceValue: page.roleValue("rs485_stop_bits")
            }
        }

        Separator {}

        SettingsRow {
            label: qsTr("ModbusRTU адрес")

            NumberSpinBox {
                id: addressBox

                objectName: "addressBox"
                from: 1
                to: 247
                editable: true
                sourceValue: page.roleValue("modbus_address")
            }
        }
    }

    Popup {
        id: restartNotice

        objectName: "restartNotice"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: 240
        // Grows when the wrapped notice needs more than the usual height.
        height: Math.max(150, implicitContentHeight + topPadding + bottomPadding)
        padding: Theme.padding
        modal: true
        focus: true
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

        background: Rectangle {
            color: Theme.popupBackground
            radius: Theme.popupRadius
        }

        contentItem: ColumnLayout {
            spacing: 0

            Text {
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.minimumHeight: implicitHeight
                padding: Theme.padding
                text: qsTr("Изменения применятся после перезагрузки устройства!")
                color: Theme.value
                font.pointSize: Theme.buttonPointSize
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }

            AbstractButton {
                id: okButton

                objectName: "noticeButton"
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: restartNotice.width / 2
                Layout.preferredHeight: 32
                text: qsTr("ОК")
                font.pointSize: Theme.buttonPointSize
                Accessible.onPressAction: clicked()
                onClicked: {
                    restartNotice.close();
                    page.popPage();
                }

                background: Rectangle {
                    radius: height / 2
                    color: okButton.pressed ? Theme.pressedOutline : Theme.transparent
                    border.width: 1
                    border.color: Theme.accent
                }

                contentItem: Text {
                    text: okButton.text
                    font: okButton.font
                    color: Theme.accent
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
            }
        }
    }
}
