import QtQuick 2.15
import QtQuick.Layouts 1.15

// The controller's name, which the user can change, and what the controller
// reports about itself.
SettingsPage {
    id: page

    readonly property var infoRows: [
        { label: qsTr("Id устройства"), role: "uniqueId", unit: "" },
        { label: qsTr("Версия ПО wifi модуля:"), role: "net_soft_version", unit: "" },
        { label: qsTr("Версия ПО диммера:"), role: "dimm_soft_version", unit: "" },
        { label: qsTr("Тип контроллера:"), role: "controller_version", unit: "" },
        { label: qsTr("Температура CPU:"), role: "inner_tmp", unit: "°С" },
        { label: qsTr("Температура в корпусе:"), role: "extern_tmp", unit: "°С" },
        { label: qsTr("Напряжение питания:"), role: "v_power_supply", unit: " вольт" },
        { label: qsTr("Опорное напряжение:"), role: "v_ref", unit: " вольт" },
        { label: qsTr("Сохранений во flash:"), role: "save_counter", unit: "" }
    ]

    fillView: true

    function roleText(role) {
        if (!usedModel)
            return "";
        const value = usedModel[role];
        return value === undefined || value === null ? "" : String(value);
    }

    function checkSettingsCorrect() {
        if (nameField.text.length === 0) {
            nameField.attention = true;
            return false;
        }
        return true;
    }

    function saveSettings() {
        // The controller is gone.
        if (!usedModel)
            return false;
        if (!checkSettingsCorrect())
            return false;
        if (nameField.text !== roleText("name")) {
            usedModel.name = nameField.text;
            // A name the model refuses stays in the field, the page open.
            if (roleText("name") !== nameField.text) {
                nameField.attention = true;
                return false;
            }
        }
        return true;
    }

    Component.onCompleted: nameField.text = roleText("name")

    Card {
        Layout.preferredHeight: 75

        SettingsRow {
            label: qsTr("Имя")
            Layout.alignment: Qt.AlignVCenter

            SettingsTextField {
                id: nameField

                objectName: "nameField"
                Layout.fillWidth: true
                maximumLength: norvaleoDevicesModel.maxNameLength
                placeholderText: qsTr("Имя")
                drawAttention: false
            }
        }
    }

    Card {
        Layout.fillHeight: true
        Layout.minimumHeight: 200

        Repeater {
            model: page.infoRows

            // Equal bands, each with its row in the middle and the dividing
            // line at its top edge.
            Item {
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.minimumHeight: Theme.rowHeight + 10

                Separator {
                    width: parent.width
                    visible: index > 0
                }

                SettingsRow {
                    objectName: "info_" + modelData.role
                    width: parent.width
                    anchors.verticalCenter: parent.verticalCenter
                    label: modelData.label
                    value: page.roleText(modelData.role) + modelData.unit
                    valueColor: Theme.secondary
                }
            }
        }
    }
}
