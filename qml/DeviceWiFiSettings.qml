import QtQuick 2.15
import QtQuick.Layouts 1.15
import Project.types 1.0
import "Flags.js" as Flags

// The controller's Wi-Fi interface: network name and password, DHCP and the
// static address. All of it goes to the controller as one JSON text.
SettingsPage {
    id: page

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

    function credentialsChanged() {
        return ssidField.text !== roleText("wifi_ssid") || passField.text !== roleText("wifi_pass");
    }

    function settingsChanged() {
        return credentialsChanged()
                || dhcpSwitch.checked !== Flags.isTrue(roleValue("wifi_dhcp"))
                || ipField.text !== roleText("ipAddress_2")
                || maskField.text !== roleText("wifi_mask")
                || gateField.text !== roleText("wifi_gate");
    }

    // Member order and string values are what the controller expects.
    function settingsText() {
        const members = [];
        if (credentialsChanged()) {
            members.push("\"wifi_ssid\":" + JSON.stringify(ssidField.text));
            members.push("\"wifi_pass\":" + JSON.stringify(passField.text));
        }
        members.push("\"wifi_dhcp\":" + JSON.stringify(dhcpSwitch.checked ? "true" : "false"));
        members.push("\"wifi_ip\":" + JSON.stringify(ipField.text));
        members.push("\"wifi_mask\":" + JSON.stringify(maskField.text));
        members.push("\"wifi_gate\":" + JSON.stringify(gateField.text));
        return "{\"wifi_settings\":{" + members.join(",") + "}}";
    }

    function saveSettings() {
        // The controller is gone.
        if (!usedModel)
            return false;
        if (!checkSettingsCorrect())
            return false;
        if (settingsChanged())
            usedModel.wifi_all_settings = settingsText();
        return true;
    }

    Component.onCompleted: {
        ssidField.text = roleText("wifi_ssid");
        passField.text = roleText("wifi_pass");
        dhcpSwitch.checked = Flags.isTrue(roleValue("wifi_dhcp"));
    }

    Card {
        Layout.preferredHeight: 75

        SettingsRow {
            objectName: "statusRow"
            label: Flags.isTrue(page.roleValue("wifi_status")) ? qsTr("Подключено") : qsTr("Не подключено")
            labelItem.color: Flags.isTrue(page.roleValue("wifi_status")) ? Theme.success : Theme.error
            value: Number(page.roleValue("using_interface")) === 2 ? qsTr("Используется") : ""
            valueColor: Theme.error
        }
    }

    Card {
        Layout.preferredHeight: 95

        SettingsRow {
            label: qsTr("Имя сети")

            SettingsTextField {
                id: ssidField

                objectName: "ssidField"
                Layout.fillWidth: true
                placeholderText: qsTr("Название сети")
                drawAttention: false
            }
        }

        Separator {}

        SettingsRow {
            label: qsTr("Пароль")

            SettingsTextField {
                id: passField

                objectName: "passField"
                Layout.fillWidth: true
                placeholderText: qsTr("Пароль")
                drawAttention: false
            }
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
            label: qsTr("Ip адрес:")

            SettingsTextField {
                id: ipField

                objectName: "ipField"
                Layout.fillWidth: true
                sourceText: page.roleText("ipAddress_2")
                color: Theme.black
                enabled: !dhcpSwitch.checked
                validator: Ipv4Validator {}
            }
        }

        Separator {}

        SettingsRow {
            label: qsTr("Маска подсети:")

            SettingsTextField {
                id: maskField

                objectName: "maskField"
                Layout.fillWidth: true
                sourceText: page.roleText("wifi_mask")
                placeholderText: "255.0.0.0"
                color: Theme.neutral
                enabled: !dhcpSwitch.checked
                validator: Ipv4Validator {
                    netmask: true
                }
            }
        }

        Separator {}

        SettingsRow {
            label: qsTr("Адрес шлюза:")

            SettingsTextField {
                id: gateField

                objectName: "gateField"
                Layout.fillWidth: true
                sourceText: page.roleText("wifi_gate")
                placeholderText: "255.0.0.0"
                color: Theme.black
                enabled: !dhcpSwitch.checked
                validator: Ipv4Validator {}
            }
        }
    }
}
