import QtQuick 2.15
import QtQuick.Layouts 1.15
import Project.types 1.0
import "Flags.js" as Flags

// The controller's wired network interface: DHCP and the static address,
// sent to the controller as one JSON text.
SettingsPage {
    id: page

    readonly property color fieldColor: dhcpSwitch.checked ? Theme.secondary : Theme.value

    function roleValue(role) {
        return usedModel ? usedModel[role] : undefined;
    }

    function roleText(role) {
        const value = roleValue(role);
        return value === undefined || value === null ? "" : String(value);
    }

    function checkSettingsCorrect() {
        if (dhcpSwitch.checked)
            return true;
        const fields = [ipField, maskField, gateField];
        for (let i = 0; i < fields.length; ++i) {
            if (!fields[i].acceptableInput) {
                fields[i].attention = true;
                return false;
            }
        }
        return true;
    }

    function settingsChanged() {
        return dhcpSwitch.checked !== Flags.isTrue(roleValue("lan_dhcp"))
                || ipField.text !== roleText("ipAddress_1")
                || maskField.text !== roleText("lan_mask")
                || gateField.text !== roleText("lan_gate");
    }

    // Member order and string values are what the controller expects.
    function settingsText() {
        const members = [
            "\"lan_dhcp\":" + JSON.stringify(dhcpSwitch.checked ? "true" : "false"),
            "\"lan_ip\":" + JSON.stringify(ipField.text),
            "\"lan_mask\":" + JSON.stringify(maskField.text),
            "\"lan_gate\":" + JSON.stringify(gateField.text)
        ];
        return "{\"lan_settings\":{" + members.join(",") + "}}";
    }

    function saveSettings() {
        // The controller is gone.
        if (!usedModel)
            return false;
        if (!checkSettingsCorrect())
            return false;
        if (settingsChanged())
            usedModel.lan_all_settings = settingsText();
        return true;
    }

    Component.onCompleted: dhcpSwitch.checked = Flags.isTrue(roleValue("lan_dhcp"))

    Card {
        Layout.preferredHeight: 75

        SettingsRow {
            objectName: "statusRow"
            label: Flags.isTrue(page.roleValue("lan_status")) ? qsTr("Подключено") : qsTr("Не подключено")
            labelItem.color: Flags.isTrue(page.roleValue("lan_status")) ? Theme.success : Theme.error
            value: Number(page.roleValue("using_interface")) === 1 ? qsTr("Используется") : ""
            valueColor: Theme.success
        }
    }

    Card {
        Layout.preferredHeight: 75

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: Theme.spacing

            Text {
                Layout.fillWidth: true
                text: qsTr("DHCP:")
                color: Theme.neutral
                font.pointSize: Theme.rowPointSize
                font.bold: true
            }

            Separator {
                orientation: Qt.Vertical
            }

            ToggleSwitch {
                id: dhcpSwitch

                objectName: "dhcpSwitch"
                accessibleName: qsTr("DHCP")
            }
        }
    }

    Card {
        Layout.preferredHeight: 150
        opacity: dhcpSwitch.checked ? 0.6 : 1

        SettingsRow {
            label: qsTr("Ip адрес")

            SettingsTextField {
                id: ipField

                objectName: "ipField"
                Layout.fillWidth: true
                sourceText: page.roleText("ipAddress_1")
                placeholderText: "0.0.0.0"
                color: page.fieldColor
                enabled: !dhcpSwitch.checked
                validator: Ipv4Validator {}
            }
        }

        Separator {}

        SettingsRow {
            label: qsTr("Маска подсети")

            SettingsTextField {
                id: maskField

                objectName: "maskField"
                Layout.fillWidth: true
                sourceText: page.roleText("lan_mask")
                placeholderText: "255.0.0.0"
                color: page.fieldColor
                enabled: !dhcpSwitch.checked
                validator: Ipv4Validator {
                    netmask: true
                }
            }
        }

        Separator {}

        SettingsRow {
            label: qsTr("Адрес шлюза")

            SettingsTextField {
                id: gateField

                objectName: "gateField"
                Layout.fillWidth: true
                sourceText: page.roleText("lan_gate")
                placeholderText: "255.0.0.0"
                color: page.fieldColor
                enabled: !dhcpSwitch.checked
                validator: Ipv4Validator {}
            }
        }
    }
}
