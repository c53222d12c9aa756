import QtQuick 2.15
import QtTest 1.15

SettingsTestCase {
    id: testCase

    name: "SettingsConfiguration"

    SignalSpy {
        id: finishedSpy

        target: configurationTransfer
        signalName: "finished"
    }

    // In the temporary directory that holds the settings directory, which
    // exists before any save.
    function fileUrl(name) {
        const settings = simulator.settingsFilePath()
        const directory = settings.substring(0, settings.lastIndexOf("/"))
        return "file://" + directory.substring(0, directory.lastIndexOf("/")) + "/" + name
    }

    // Kitchen (row 0) saved to a file; the hall (row 1) differs in its name,
    // channel 2's output type and, unless `sameWifi`, its Wi-Fi network.
    function savedKitchenAndHall(window, sameWifi) {
        addDevice("conf-a", "Кухня", 1, 2)
        addDevice("conf-b", "Прихожая", 2, 2, sameWifi ? {} : { wifiSsid: "Соседи" })
        simulator.setOutputType("conf-b", 2, "PWM")
        waitForReplies(0, 2)
        waitForReplies(1, 2)
        tryVerify(function() {
            return Number(roleOf(norvaleoDevicesModel.index(1, 0, deviceIndex(1)), "light_type")) === 3
        }, replyTimeout)
        const kitchen = openMenu(window, 0)
        finishedSpy.clear()
        kitchen.saveConfiguration(fileUrl("kitchen.json"))
        finishedSpy.wait(replyTimeout)
        verify(finishedSpy.signalArguments[0][0], finishedSpy.signalArguments[0][1])
        return fileUrl("kitchen.json")
    }

    function changeTexts(preview) {
        const texts = []
        for (let i = 0; i < preview.changes.length; ++i) {
            const row = findChild(preview, "change" + i)
            texts.push(findChild(row, "setting").text + ": " + findChild(row, "values").text)
        }
        return texts
    }

    function test_previewListsWhatDiffers() {
        const window = createWindow()
        const file = savedKitchenAndHall(window, true)
        const hall = openMenu(window, 1)
        const preview = hall.loadConfiguration(file)
        verify(preview)
        settled(window)
        compare(changeTexts(preview), [
            "Канал 2 «Лампа 2»: тип выхода: PWM  →  Trailing edge",
            "Имя контроллера: Прихожая  →  Кухня",
            "Проводная сеть: Ip адрес: 127.0.0.4  →  127.0.0.2"
        ])
        simulator.screenshot(window, "configuration-preview")
    }

    function test_damagedFileOpensNoPreview() {
        const window = createWindow()
        addDevice("conf-bad", "Кухня", 1, 1)
        waitForReplies(0, 1)
        const menu = openMenu(window, 0)
        verify(simulator.writeSettingsFile("{\"format\":\"norvaleo-dimmer-configuration\",\"version\":1"))
        simulator.clearRequests()
        compare(menu.loadConfiguration("file://" + simulator.settingsFilePath()), null)
        const message = findChild(menu, "configurationMessage")
        verify(message.text.indexOf("Файл нельзя загрузить") === 0, message.text)
        compare(simulator.queries("conf-bad"), [])
    }

    // Without the tick the network rows are dimmed and not sent; with it the
    // new Wi-Fi network needs its password, which goes along.
    function test_networkTick_data() {
        return [
            { tag: "without", tick: false, sent: ["device_name", "light_type"] },
            { tag: "with", tick: true, sent: ["device_name", "lan_settings", "light_type", "wifi_settings"] }
        ]
    }

    function test_networkTick(data) {
        const window = createWindow()
        const file = savedKitchenAndHall(window, false)
        const preview = openMenu(window, 1).loadConfiguration(file)
        settled(window)
        const box = findChild(preview, "networkBox")
        const wifiRow = findChild(preview, "change" + (preview.changes.length - 2))
        compare(box.checked, false)
        compare(wifiRow.opacity, 0.4)
        verify(!findChild(preview, "passwordRow").visible)
        if (data.tick) {
            mouseClick(box)
            compare(wifiRow.opacity, 1)
            verify(findChild(preview, "passwordRow").visible)
            findChild(preview, "passwordField").text = "тайна"
        }
        simulator.clearRequests()
        finishedSpy.clear()
        mouseClick(findChild(preview, "applyButton"))
        finishedSpy.wait(3 * replyTimeout)
        const sent = simulator.queries("conf-b").map(function(query) {
            return query.split("&")[1].split("=")[1]
        }).sort()
        compare(sent, data.sent)
        if (data.tick) {
            verify(simulator.queries("conf-b").some(function(query) {
                return query.indexOf("pass=%D1%82%D0%B0%D0%B9%D0%BD%D0%B0") > 0
            }), simulator.queries("conf-b").join("\n"))
        }
        tryCompare(configurationTransfer, "busy", false, replyTimeout)
    }

    function test_refusalStopsAndReports() {
        const window = createWindow()
        const file = savedKitchenAndHall(window, true)
        const preview = openMenu(window, 1).loadConfiguration(file)
        settled(window)
        simulator.setRefusedItemType("conf-b", "light_type")
        simulator.clearRequests()
        finishedSpy.clear()
        mouseClick(findChild(preview, "applyButton"))
        finishedSpy.wait(3 * replyTimeout)
        compare(finishedSpy.signalArguments[0][0], false)
        const result = findChild(preview, "resultText").text
        verify(result.indexOf("Не применено: Канал 2 «Лампа 2»: тип выхода; Имя контроллера.") > 0,
               result)
        compare(simulator.queries("conf-b").length, 1)
    }
}
