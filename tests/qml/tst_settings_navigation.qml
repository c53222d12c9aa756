import QtQuick 2.15
import QtTest 1.15

SettingsTestCase {
    id: testCase

    name: "SettingsNavigation"

    function visibleText(item) {
        return item ? String(item.text) : ""
    }

    function test_emptyList() {
        const window = createWindow()
        const list = findChild(openSettingsList(window), "deviceList")
        verify(list)
        compare(list.count, 0)
        simulator.screenshot(window, "settings-list-empty")
    }

    function test_listOfControllers() {
        addDevice("nav-1", "Гостиная", 1, 2)
        addDevice("nav-2", "Кухня и столовая", 2, 1)
        waitForReplies(0, 2)
        waitForReplies(1, 1)
        const window = createWindow()
        const page = openSettingsList(window)
        const list = findChild(page, "deviceList")
        tryCompare(list, "count", 2)
        const names = [0, 1].map(function(row) {
            return visibleText(findChild(findChild(page, "deviceRow" + row), "deviceName"))
        })
        compare(names, ["Гостиная", "Кухня и столовая"])
        simulator.screenshot(window, "settings-list")
    }

    function test_menuCards() {
        addDevice("nav-menu", "Гостиная", 1, 3)
        waitForReplies(0, 3)
        simulator.setChannelName("nav-menu", 3, "Кухня")
        tryVerify(function() {
            return String(roleOf(norvaleoDevicesModel.index(2, 0, deviceIndex(0)), "name")) === "Кухня"
        }, replyTimeout)
        const window = createWindow()
        const menu = openMenu(window, 0)
        compare(menu.title, "Гостиная")
        compare(menu.header.title, "Гостиная")
        verify(menu.header.backButton.visible)

        const general = findChild(menu, "generalList")
        compare(general.count, 6)
        const entries = []
        for (let i = 0; i < 6; ++i)
            entries.push(visibleText(findChild(findChild(menu, "generalEntry" + i), "entryText")))
        compare(entries, ["Информация", "Настройки wifi", "Настройки lan", "Параметры RS485",
                          "Параметры входов", "Параметры димирования"])

        const channels = findChild(menu, "channelList")
        tryCompare(channels, "count", 3)
        const outputs = []
        for (let row = 0; row < 3; ++row)
            outputs.push(visibleText(findChild(findChild(menu, "channelEntry" + row), "entryText")))
        compare(outputs, ["1. Лампа 1", "2. Лампа 2", "3. Кухня"])
        simulator.screenshot(window, "settings-menu")
    }

    // Each entry opens its page for this controller, titled by the entry.
    function test_entryOpensPage_data() {
        return [
            { tag: "information", entry: 0, title: "Информация", file: "DeviceNvInformation" },
            { tag: "wifi", entry: 1, title: "Настройки wifi", file: "DeviceWiFiSettings" },
            { tag: "lan", entry: 2, title: "Настройки lan", file: "DeviceLanSettings" },
            { tag: "rs485", entry: 3, title: "Параметры RS485", file: "DeviceRs485Settings" },
            { tag: "inputs", entry: 4, title: "Параметры входов", file: "DeviceNvInputsSettings" },
            { tag: "dimming", entry: 5, title: "Параметры димирования", file: "DeviceNvDimmingSettings" }
        ]
    }

    function test_entryOpensPage(data) {
        addDevice("nav-a", "Первый", 1, 1)
        addDevice("nav-b", "Второй", 2, 1)
        waitForReplies(0, 1)
        waitForReplies(1, 1)
        const window = createWindow()
        const page = openGeneralPage(window, 1, data.entry)
        compare(page.name, data.title)
        compare(page.header.title, data.title)
        verify(String(page).indexOf(data.file) === 0, String(page))
        compare(String(page.usedModel.uniqueId), "nav-b")
    }

    function test_channelOpensPage() {
        addDevice("nav-ch", "Гостиная", 1, 2)
        waitForReplies(0, 2)
        const window = createWindow()
        const page = openChannelPage(window, 0, 1)
        compare(page.headerName, "Лампа 2")
        compare(page.header.title, "Лампа 2")
        compare(Number(page.usedModel.light_id), 2)
    }

    // Back from every page returns to the menu and sends nothing.
    function test_backWritesNothing_data() {
        return [0, 1, 2, 3, 4, 5].map(function(entry) { return { tag: "entry" + entry, entry: entry } })
                .concat([{ tag: "channel", channel: 0 }])
    }

    function test_backWritesNothing(data) {
        addDevice("nav-back", "Гостиная", 1, 1, { autosave: false })
        waitForReplies(0, 1)
        const window = createWindow()
        const page = data.channel === undefined ? openGeneralPage(window, 0, data.entry)
                                                : openChannelPage(window, 0, data.channel)
        const stack = stackOf(window)
        const depth = stack.depth
        simulator.clearRequests()
        mouseClick(page.header.backButton)
        const menu = settled(window)
        compare(stack.depth, depth - 1)
        verify(menu.hasOwnProperty("modelIndex"))
        settleRequests("nav-back")
        compare(simulator.queries("nav-back"), [])
    }

    function test_backFromMenuAndList() {
        addDevice("nav-pop", "Гостиная", 1, 0)
        waitForReplies(0, 0)
        const window = createWindow()
        const stack = stackOf(window)
        const menu = openMenu(window, 0)
        const depth = stack.depth
        mouseClick(menu.header.backButton)
        const list = settled(window)
        compare(stack.depth, depth - 1)
        compare(list.title, "Настройки")
        verify(!list.header.backButton.visible)
    }

    function test_renameFollowsMenuAndList() {
        addDevice("nav-rename", "Гостиная", 1, 0)
        waitForReplies(0, 0)
        const window = createWindow()
        const page = openGeneralPage(window, 0, 0)
        const field = findChild(page, "nameField")
        compare(field.text, "Гостиная")
        typeInto(field, "Спальня")
        save(page)
        const menu = settled(window)
        compare(menu.title, "Спальня")
        compare(menu.header.title, "Спальня")
        mouseClick(menu.header.backButton)
        const list = settled(window)
        compare(visibleText(findChild(findChild(list, "deviceRow0"), "deviceName")), "Спальня")
        tryVerify(function() { return decodedQueries("nav-rename").length > 0 }, replyTimeout)
        compare(decodedQueries("nav-rename"), ["request_type=set&item_type=device_name&name=Спальня"])
    }
}
