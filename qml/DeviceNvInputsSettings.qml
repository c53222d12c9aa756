import QtQuick 2.15
import QtQuick.Layouts 1.15
import Project.types 1.0
import "Flags.js" as Flags

// What each physical input of the controller does, or whether the
// controller detects it by itself.
SettingsPage {
    id: page

    readonly property var inputTypes: [
        { text: qsTr("Не используется"), value: DimmerInputType.NO_FUNCTION },
        { text: qsTr("Аналоговый вход (0-10В)"), value: DimmerInputType.ADC },
        { text: qsTr("Нажатие - вкл/выкл канал \nудержание - диммирование"),
          value: DimmerInputType.CH_ON_OFF_DIMMING },
        { text: qsTr("Нажатие - вкл/выкл канал \nудержание - вкл/выкл всё"),
          value: DimmerInputType.CH_ON_OFF_ALL_ON_OFF },
        { text: qsTr("Нажатие - вкл/выкл всё \nудержание - диммирование \nканала"),
          value: DimmerInputType.ALL_ON_OFF_CH_DIMMING },
        { text: qsTr("Классический выключатель"), value: DimmerInputType.CH_CLASSIC_ON_OFF },
        { text: qsTr("Классический переключатель"), value: DimmerInputType.CH_TOGGLE_ON_OFF }
    ]
    readonly property int inputCount: Math.max(0, Math.floor(Number(roleValue("inputs_count"))) || 0)

    function roleValue(role) {
        return usedModel ? usedModel[role] : undefined;
    }

    function listEntry(role, index) {
        const list = roleValue(role);
        return list && index < list.length ? list[index] : undefined;
    }

    function selectorAt(index) {
        const group = inputGroups.itemAt(index);
        return group ? group.selector : null;
    }

    // With autodetection off every input needs a type: a type the page does
    // not know must not be overwritten with a guess.
    function checkSettingsCorrect() {
        if (autodetectSwitch.checked)
            return true;
        let correct = true;
        for (let i = 0; i < inputGroups.count; ++i) {
            const selector = selectorAt(i);
            if (selector && selector.currentIndex < 0) {
                selector.attention = true;
                correct = false;
            }
        }
        return correct;
    }

    function chosenTypes() {
        const types = [];
        for (let i = 0; i < inputGroups.count; ++i)
            types.push(selectorAt(i).currentValue);
        return types;
    }

    function saveSettings() {
        // The controller is gone.
        if (!usedModel)
            return false;
        if (!checkSettingsCorrect())
            return false;
        if (autodetectSwitch.checked !== Flags.isTrue(roleValue("input_autodetect")))
            usedModel.input_autodetect = autodetectSwitch.checked;
        if (!autodetectSwitch.checked)
            usedModel.inputs_types = chosenTypes();
        if (!Flags.isTrue(roleValue("autosave_settings")))
            usedModel.autosave_settings = true;
        return true;
    }

    Component.onCompleted: autodetectSwitch.checked = Flags.isTrue(roleValue("input_autodetect"))

    Card {
        Layout.preferredHeight: 75

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: Theme.spacing

            Text {
                Layout.fillWidth: true
                text: qsTr("Автоопределение типа:")
                color: Theme.neutral
                font.pointSize: Theme.rowPointSize
                font.bold: true
                wrapMode: Text.WordWrap
                maximumLineCount: 2
                elide: Text.ElideRight
            }

            Separator {
                orientation: Qt.Vertical
            }

            ToggleSwitch {
                id: autodetectSwitch

                objectName: "autodetectSwitch"
                accessibleName: qsTr("Автоопределение типа")
            }
        }
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 6
        visible: inputGroups.count > 0

        Repeater {
            id: inputGroups

            objectName: "inputGroups"
            model: page.inputCount

            Card {
                property alias selector: typeSelector

                // Taller when the chosen type wraps.
                Layout.preferredHeight: Math.max(95, implicitHeight)
                opacity: autodetectSwitch.checked ? 0.5 : 1
                spacing: 6

                CardCaption {
                    Layout.fillWidth: true
                    text: qsTr("ВХОД ") + (index + 1)
                }

                // The long type texts take all of the row the label leaves.
                SettingsRow {
                    implicitHeight: Math.max(Theme.rowHeight, typeSelector.implicitHeight)
                    editorShare: Math.max(Theme.editorShare,
                                          1 - (labelItem.implicitWidth + Theme.spacing) / Math.max(1, width))
                    label: qsTr("Тип входа")

                    Selector {
                        id: typeSelector

                        objectName: "typeSelector" + index
                        accessibleName: qsTr("Тип входа %1").arg(index + 1)
                        model: page.inputTypes
                        sourceValue: page.listEntry("inputs_types", index)
                        enabled: !autodetectSwitch.checked
                        showIndex: true
                        entryHeight: Theme.selectorTallEntryHeight
                        entryTextColor: Theme.black
                        popupWidth: Theme.selectorWidePopupWidth
                        popupHeightRatio: 0.58
                    }
                }

                SettingsRow {
                    objectName: "voltageRow" + index
                    label: qsTr("Напряжение:")
                    value: {
                        const volt = page.listEntry("inputs_values", index);
                        return volt === undefined || volt === null ? "" : String(volt);
                    }
                }
            }
        }
    }
}
