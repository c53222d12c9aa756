import QtQuick 2.15
import QtQuick.Layouts 1.15
import "Flags.js" as Flags

// Timing of the phase dimming against the mains, sent to the controller as
// one JSON text.
SettingsPage {
    id: page

    function roleValue(role) {
        return usedModel ? usedModel[role] : undefined;
    }

    function settingsChanged() {
        return offsetBox.value !== Number(roleValue("crosszero_offset"))
                || halfPeriodBox.value !== Number(roleValue("dimmer_half_period"))
                || pulseBox.value !== Number(roleValue("dimmer_pulse_duration"))
                || timerSwitch.checked !== Flags.isTrue(roleValue("dimmer_use_timer_sinch"));
    }

    // Member order and string values are what the controller expects.
    function settingsText() {
        const members = [
            "\"crosszero_offset\":" + JSON.stringify(String(offsetBox.value)),
            "\"half_period\":" + JSON.stringify(String(halfPeriodBox.value)),
            "\"pulse_duration\":" + JSON.stringify(String(pulseBox.value)),
            "\"use_timer_sinch\":" + JSON.stringify(timerSwitch.checked ? "true" : "false")
        ];
        return "{" + members.join(",") + "}";
    }

    function saveSettings() {
        // The controller is gone.
        if (!usedModel)
            return false;
        if (!settingsChanged())
            return true;
        const text = settingsText();
        console.debug("dimming settings:", text);
        usedModel.dimmimg_all_settings = text;
        if (!Flags.isTrue(roleValue("autosave_settings")))
            usedModel.autosave_settings = true;
        return true;
    }

    Component.onCompleted: timerSwitch.checked = Flags.isTrue(roleValue("dimmer_use_timer_sinch"))

    Card {
        // Taller in a narrow window, where the labels wrap.
        Layout.preferredHeight: Math.max(225, implicitHeight)

        SettingsRow {
            Layout.topMargin: 5
            Layout.bottomMargin: 5
            editorShare: offsetBox.implicitWidth / Math.max(width, offsetBox.implicitWidth)
            implicitHeight: Math.max(Theme.rowHeight, labelItem.implicitHeight)
            labelItem.wrapMode: Text.WordWrap
            labelItem.maximumLineCount: 3
            label: qsTr("Смещение перехода нуля")

            NumberSpinBox {
                id: offsetBox

                objectName: "offsetBox"
                from: 0
                to: 20000
                editable: true
                suffix: " мкс"
                textColor: Theme.neutral
                locale: Qt.locale("ru_RU")
                sourceValue: page.roleValue("crosszero_offset")
            }
        }

        Separator {}

        SettingsRow {
            Layout.topMargin: 5
            Layout.bottomMargin: 5
            editorShare: offsetBox.implicitWidth / Math.max(width, offsetBox.implicitWidth)
            implicitHeight: Math.max(Theme.rowHeight, labelItem.implicitHeight)
            labelItem.wrapMode: Text.WordWrap
            labelItem.maximumLineCount: 3
            label: qsTr("Полупериод сети")

            NumberSpinBox {
                id: halfPeriodBox

                objectName: "halfPeriodBox"
                from: 0
                to: 20000
                editable: true
                suffix: " мкс"
                textColor: Theme.neutral
                locale: Qt.locale("ru_RU")
                sourceValue: page.roleValue("dimmer_half_period")
            }
        }

        Separator {}

        SettingsRow {
            Layout.topMargin: 5
            Layout.bottomMargin: 5
            editorShare: offsetBox.implicitWidth / Math.max(width, offsetBox.implicitWidth)
            implicitHeight: Math.max(Theme.rowHeight, labelItem.implicitHeight)
            labelItem.wrapMode: Text.WordWrap
            labelItem.maximumLineCount: 3
            label: qsTr("Максимальная длительность импульса")

            NumberSpinBox {
                id: pulseBox

                objectName: "pulseBox"
                from: 0
                to: 20000
                editable: true
                suffix: " мкс"
                textColor: Theme.neutral
                locale: Qt.locale("ru_RU")
                sourceValue: page.roleValue("dimmer_pulse_duration")
            }
        }

        Separator {}

        SettingsRow {
            Layout.topMargin: 5
            Layout.bottomMargin: 5
            editorShare: offsetBox.implicitWidth / Math.max(width, offsetBox.implicitWidth)
            implicitHeight: Math.max(Theme.rowHeight, labelItem.implicitHeight)
            labelItem.wrapMode: Text.WordWrap
            labelItem.maximumLineCount: 3
            label: qsTr("Использовать таймер")

            ToggleSwitch {
                id: timerSwitch

                objectName: "timerSwitch"
            }
        }
    }
}
