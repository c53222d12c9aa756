import QtQuick 2.15
import QtQuick.Layouts 1.15
import Project.types 1.0
import "Flags.js" as Flags

// One light channel: its name, output type, ramp time and brightness limits.
SettingsPage {
    id: page

    property string headerName
    readonly property var outputTypes: [
        { text: qsTr("None"), value: DimmerChType.NO_TYPE },
        { text: qsTr("Trailing edge"), value: DimmerChType.T_EDGE },
        { text: qsTr("Leading edge"), value: DimmerChType.L_EDGE },
        { text: qsTr("PWM"), value: DimmerChType.PWM },
        { text: qsTr("Digital out"), value: DimmerChType.DIGITAL }
    ]
    readonly property int slowTime: Math.max(0, Math.floor(Number(roleValue("slow_time"))) || 0)

    name: headerName

    function roleValue(role) {
        return usedModel ? usedModel[role] : undefined;
    }

    function roleText(role) {
        const value = roleValue(role);
        return value === undefined || value === null ? "" : String(value);
    }

    function rampMilliseconds() {
        return minutesBox.value * 60000 + secondsBox.value * 1000 + millisecondsBox.value;
    }

    function checkSettingsCorrect() {
        if (nameField.text.length === 0) {
            nameField.attention = true;
            return false;
        }
        return true;
    }

    function saveSettings() {
        // The channel is gone.
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
        const ramp = rampMilliseconds();
        if (ramp !== Number(roleValue("slow_time")))
            usedModel.slow_time = ramp;
        if (typeSelector.currentIndex >= 0
                && String(typeSelector.currentValue) !== roleText("light_type"))
            usedModel.light_type = typeSelector.currentValue;
        if (minimumBox.value !== Number(roleValue("min_brightness")))
            usedModel.min_brightness = minimumBox.value;
        if (maximumBox.value !== Number(roleValue("max_brightness")))
            usedModel.max_brightness = maximumBox.value;
        if (!Flags.isTrue(roleValue("autosave_settings")))
            usedModel.autosave_settings = true;
        return true;
    }

    Component.onCompleted: nameField.text = roleText("name")

    Card {
        Layout.preferredHeight: 75

        SettingsRow {
            id: nameRow

            label: qsTr("Имя")
            // The field takes what the short label leaves.
            editorShare: Math.max(0, width - labelItem.implicitWidth - 10) / Math.max(1, width)

            SettingsTextField {
                id: nameField

                objectName: "nameField"
                Layout.fillWidth: true
                maximumLength: norvaleoDevicesModel.maxNameLength
                placeholderText: qsTr("Имя")
                backgroundColor: Theme.white
                attentionColor: Theme.attentionChannel
            }
        }
    }

    Card {
        Layout.preferredHeight: 90

        SettingsRow {
            objectName: "lightIdRow"
            label: qsTr("Номер выхода")
            value: page.roleText("light_id")
            valueColor: Theme.black
            valueItem.rightPadding: 10
        }

        SettingsRow {
            label: qsTr("Тип выхода")

            Selector {
                id: typeSelector

                objectName: "typeSelector"
                model: page.outputTypes
                sourceValue: page.roleValue("light_type")
                showIndex: true
                entryTextColor: Theme.black
                popupHeightRatio: 0.25
            }
        }
    }

    Card {
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacing

            Text {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignVCenter
                text: qsTr("Замедление изменения яркости (время полного включения):")
                color: Theme.neutral
                font.pointSize: Theme.rowPointSize
                wrapMode: Text.WordWrap
            }

            ColumnLayout {
                Layout.preferredWidth: minutesBox.implicitWidth
                spacing: 4

                NumberSpinBox {
                    id: minutesBox

                    objectName: "minutesBox"
                    accessibleName: qsTr("Замедление, минуты")
                    from: 0
                    to: 108
                    editable: true
                    ignoreWhiteSpace: false
                    suffix: qsTr(" мин")
                    sourceValue: Math.floor(page.slowTime / 1000 / 60)
                }

                NumberSpinBox {
                    id: secondsBox

                    objectName: "secondsBox"
                    accessibleName: qsTr("Замедление, секунды")
                    from: 0
                    to: 59
                    editable: true
                    ignoreWhiteSpace: false
                    suffix: qsTr(" сек")
                    sourceValue: Math.floor(page.slowTime / 1000) % 60
                }

                NumberSpinBox {
                    id: millisecondsBox

                    objectName: "millisecondsBox"
                    accessibleName: qsTr("Замедление, миллисекунды")
                    from: 0
                    to: 900
                    stepSize: 100
                    editable: false
                    suffix: qsTr(" мс")
                    sourceValue: page.slowTime % 1000
                }
            }
        }
    }

    Card {
        SettingsRow {
            Layout.topMargin: 5
            Layout.bottomMargin: 5
            label: qsTr("Минимальная яркость:")

            NumberSpinBox {
                id: minimumBox

                objectName: "minimumBox"
                from: 0
                to: 255
                editable: true
                ignoreWhiteSpace: false
                sourceValue: page.roleValue("min_brightness")
            }
        }

        Separator {}

        SettingsRow {
            Layout.topMargin: 5
            Layout.bottomMargin: 5
            label: qsTr("Максимальная яркость:")

            NumberSpinBox {
                id: maximumBox

                objectName: "maximumBox"
                from: 0
                to: 255
                editable: true
                ignoreWhiteSpace: false
                sourceValue: page.roleValue("max_brightness")
            }
        }
    }
}
