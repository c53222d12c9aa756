import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15

// The information page against a simulated controller.
SettingsTestCase {
    id: testCase

    name: "SettingsInformation"

    function openInformation(uniqueId) {
        addDevice(uniqueId, "Гостиная", 1, 0)
        waitForReplies(0, 0)
        const window = createWindow()
        const page = openGeneralPage(window, 0, 0)
        simulator.clearRequests()
        return page
    }

    function rowValue(page, role) {
        return findChild(page, "info_" + role).value
    }

    function test_showsWhatTheDeviceReports() {
        const page = openInformation("info-1")
        const expected = [
            ["uniqueId", "info-1"],
            ["net_soft_version", "2.4.0"],
            ["dimm_soft_version", "1.7.3"],
            ["controller_version", "stm32f103 medium"],
            ["inner_tmp", "41.5°С"],
            ["extern_tmp", "27°С"],
            ["v_power_supply", "24.1 вольт"],
            ["v_ref", "3.3 вольт"],
            ["save_counter", "12"]
        ]
        compare(expected.map(function(row) { return [row[0], rowValue(page, row[0])] }), expected)
        const labels = expected.map(function(row) { return findChild(page, "info_" + row[0]).label })
        compare(labels, ["Id устройства", "Версия ПО wifi модуля:", "Версия ПО диммера:",
                         "Тип контроллера:", "Температура CPU:", "Температура в корпусе:",
                         "Напряжение питания:", "Опорное напряжение:", "Сохранений во flash:"])
        simulator.screenshot(page, "settings-information")
    }

    function test_newTemperatureReplacesShownOne() {
        const page = openInformation("info-tmp")
        compare(rowValue(page, "inner_tmp"), "41.5°С")
        simulator.setDeviceValue("info-tmp", "innerTmp", 55.5)
        simulator.setDeviceValue("info-tmp", "externTmp", 30.25)
        tryCompare(findChild(page, "info_inner_tmp"), "value", "55.5°С", replyTimeout)
        tryCompare(findChild(page, "info_extern_tmp"), "value", "30.25°С", replyTimeout)
    }

    // Only the empty name is refused; blanks are a name. The field stops at
    // the model's limit, and a longer name (a field allowed more) that the
    // model refuses keeps the page open.
    function test_nameCheck_data() {
        const tooLong = "ж".repeat(70)
        const cut = "ж".repeat(64)
        return [
            { tag: "longer than the limit", typed: tooLong, saved: cut, refused: false,
              queries: ["request_type=set&item_type=device_name&name=" + cut] },
            { tag: "refused by the model", typed: tooLong, fieldLimit: 100, refused: true,
              queries: [] },
            { tag: "blanks", typed: "   ", refused: false,
              queries: ["request_type=set&item_type=device_name&name=   "] },
            { tag: "unchanged", typed: "Гостиная", refused: false, queries: [] },
            { tag: "with ampersand", typed: "Кухня & зал", refused: false,
              queries: ["request_type=set&item_type=device_name&name=Кухня & зал"] },
            { tag: "empty", typed: "", refused: true, queries: [] }
        ]
    }

    function test_nameCheck(data) {
        const page = openInformation("info-name")
        const device = page.usedModel
        const field = findChild(page, "nameField")
        compare(field.maximumLength, 64)
        if (data.fieldLimit !== undefined)
            field.maximumLength = data.fieldLimit
        typeInto(field, data.typed)
        if (data.refused) {
            saveAndExpectRefusal(page)
            verify(field.attention)
            // The flag is kept but not drawn on this page.
            verify(Qt.colorEqual(field.background.border.color, "transparent"))
            compare(device.name, "Гостиная")
        } else {
            saveAndExpectPop(page)
            compare(device.name, data.saved !== undefined ? data.saved : data.typed)
        }
        settleRequests("info-name")
        compare(decodedQueries("info-name"), data.queries)
    }
}
