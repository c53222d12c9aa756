import QtQuick 2.15
import QtTest 1.15

SettingsTestCase {
    id: testCase

    name: "SettingsNavigation"

    Component {
        id: pageWatch

        QtObject {
            // Null once the page is destroyed.
            property Item page
        }
    }

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

    // Saving a page without a change writes nothing, not even the autosave
    // flag; switching back and forth is no change either.
    function test_saveUnchangedWritesNothing_data() {
        return [
            { tag: "information", entry: 0 },
            { tag: "wifi", entry: 1, toggled: "dhcpSwitch", carrier: "wifi_all_settings" },
            { tag: "lan", entry: 2, toggled: "dhcpSwitch", carrier: "lan_all_settings" },
            { tag: "dimming", entry: 5, carrier: "dimmimg_all_settings" }
        ]
    }

    function test_saveUnchangedWritesNothing(data) {
        addDevice("nav-same", "Гостиная", 1, 1, { autosave: false })
        waitForReplies(0, 1)
        const page = openGeneralPage(createWindow(), 0, data.entry)
        const device = page.usedModel
        simulator.clearRequests()
        for (let i = 0; data.toggled && i < 2; ++i)
            mouseClick(findChild(page, data.toggled))
        saveAndExpectPop(page)
        if (data.carrier)
            compare(String(device[data.carrier]), "")
        settleRequests("nav-same")
        compare(simulator.queries("nav-same"), [])
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

    // From a controller's channel grid the tab opens that controller's menu.
    function test_settingsTabFromChannelGrid() {
        addDevice("nav-grid-1", "Первый", 1, 1)
        addDevice("nav-grid-2", "Второй", 2, 3)
        waitForReplies(0, 1)
        waitForReplies(1, 3)
        const window = createWindow()
        const devices = settled(window)
        compare(devices.title, "Устройства")
        let card = null
        tryVerify(function() {
            card = devices.grid.itemAtIndex(1)
            return card !== null && card.visible && card.width > 0
        }, 5000, "second controller card")
        mouseClick(findChild(card, "deviceButton"))
        const channels = settled(window)
        compare(channels.title, "DeviceInner")

        const tab = findChild(window.footer, "tab2")
        mouseClick(tab)
        const menu = settled(window)
        compare(menu.modelIndex, 1)
        compare(menu.title, "Второй")
        compare(String(menu.usedModel.uniqueId), "nav-grid-2")
        tryCompare(findChild(menu, "channelList"), "count", 3)

        // Anywhere else the tab opens the list of all controllers.
        mouseClick(menu.header.backButton)
        compare(settled(window).title, "DeviceInner")
        mouseClick(channels.header.backButton)
        compare(settled(window).title, "Устройства")
        mouseClick(tab)
        compare(settled(window).title, "Настройки")
    }

    // Tabs clicked over and over, at times over a controller's channel grid:
    // the stack keeps the Devices page, the grid and one page of a tab at
    // most, and the pages left behind are destroyed.
    function test_tabClicksKeepTheStackBounded() {
        addDevice("nav-tabs", "Гостиная", 1, 2)
        waitForReplies(0, 2)
        const window = createWindow()
        const stack = stackOf(window)
        const bar = findChild(window, "tabBar")
        const devices = settled(window)
        const watches = []
        let gridOpen = false
        for (let click = 0; click < 30; ++click) {
            const index = click % 3
            mouseClick(findChild(window.footer, "tab" + index))
            const page = settled(window)
            compare(bar.currentIndex, index)
            if (index === 1) {
                compare(page, devices)
                compare(stack.depth, 1)
                gridOpen = click % 2 === 1
                if (!gridOpen)
                    continue
                let card = null
                tryVerify(function() {
                    card = devices.grid.itemAtIndex(0)
                    return card !== null && card.visible && card.width > 0
                }, 5000, "controller card")
                mouseClick(findChild(card, "deviceButton"))
                const grid = settled(window)
                compare(grid.title, "DeviceInner")
                watches.push(createTemporaryObject(pageWatch, testCase, { page: grid }))
                continue
            }
            compare(stack.depth, gridOpen ? 3 : 2, "click " + click)
            compare(page.title, index === 0 ? "Избранное" : gridOpen ? "Гостиная" : "Настройки")
            watches.push(createTemporaryObject(pageWatch, testCase, { page: page }))
        }
        compare(watches.length, 25)
        // The last click left the Devices page and the list of controllers.
        compare(stack.depth, 2)
        tryVerify(function() {
            return watches.filter(function(watch) { return watch.page !== null }).length === 1
        }, 5000, "pages left behind destroyed")
        compare(watches[24].page, stack.currentItem)
    }

    // The first controller and a controller's first channels arrive as
    // layout changes of the model; the lists stay on their nodes.
    function test_listsFollowLayoutChanges() {
        const window = createWindow()
        const list = findChild(openSettingsList(window), "deviceList")
        compare(list.count, 0)
        simulator.addController("nav-late", "Поздний", "127.0.0.2", "127.0.0.3", 2)
        // Channels come with the first dimmer_info reply, once the device answers.
        simulator.setSilent("nav-late", true)
        simulator.addToModel("nav-late")
        tryCompare(list, "count", 1)
        const page = stackOf(window).currentItem
        const firstName = function() {
            return visibleText(findChild(findChild(page, "deviceRow0"), "deviceName"))
        }
        tryVerify(function() { return firstName() !== "" })
        compare(firstName(), "Поздний")

        const menu = openMenu(window, 0)
        const channels = findChild(menu, "channelList")
        compare(channels.count, 0)
        simulator.setSilent("nav-late", false)
        tryCompare(channels, "count", 2, replyTimeout)
        tryVerify(function() { return findChild(menu, "channelEntry1") !== null })
        compare(visibleText(findChild(findChild(menu, "channelEntry1"), "entryText")), "2. Лампа 2")
        compare(menu.title, "Поздний")

        mouseClick(menu.header.backButton)
        settled(window)
        compare(list.count, 1)
        compare(firstName(), "Поздний")
    }

    // Pages opened before such a layout change still edit their controller
    // or channel afterwards.
    function test_openPagesFollowLayoutChanges_data() {
        return [
            { tag: "information", entry: 0, typed: "Спальня",
              query: "request_type=set&item_type=device_name&name=Спальня" },
            { tag: "channel", channel: 1, typed: "Кухня",
              query: "request_type=set&item_type=channel_name&ch_2=Кухня" }
        ]
    }

    function test_openPagesFollowLayoutChanges(data) {
        simulator.addController("nav-open", "Поздний", "127.0.0.2", "127.0.0.3", 2)
        simulator.addToModel("nav-open")
        waitForReplies(0, 2)
        // A second controller gets its first channels while the page is open.
        simulator.addController("nav-other", "Другой", "127.0.0.4", "127.0.0.5", 1)
        simulator.setSilent("nav-other", true)
        simulator.addToModel("nav-other")
        const window = createWindow()
        const page = data.channel === undefined ? openGeneralPage(window, 0, data.entry)
                                                : openChannelPage(window, 0, data.channel)
        simulator.setSilent("nav-other", false)
        waitForReplies(1, 1)
        // The page renews its item data object once the layout change is over.
        const name = data.channel === undefined ? "Поздний" : "Лампа 2"
        tryVerify(function() { return page.usedModel && String(page.usedModel.name) === name },
                  replyTimeout, "page lost its item data object")

        simulator.clearRequests()
        typeInto(findChild(page, "nameField"), data.typed)
        if (data.channel === undefined) {
            // Saved between two data objects: done once the page has one again.
            const renewed = page.usedModel
            const stack = findChild(window, "stackView")
            const depth = stack.depth
            page.usedModel = null
            save(page)
            compare(stack.depth, depth, "saved without a data object")
            page.usedModel = renewed
            tryCompare(stack, "depth", depth - 1)
            tryCompare(stack, "busy", false)
        } else {
            saveAndExpectPop(page)
        }
        tryVerify(function() { return decodedQueries("nav-open").length > 0 }, replyTimeout)
        compare(decodedQueries("nav-open"), [data.query])
        compare(simulator.queries("nav-other"), [])
        const menu = settled(window)
        compare(menu.title, data.channel === undefined ? data.typed : "Поздний")
        tryVerify(function() { return findChild(menu, "channelEntry1") !== null })
        compare(visibleText(findChild(findChild(menu, "channelEntry1"), "entryText")),
                data.channel === undefined ? "2. Лампа 2" : "2. Кухня")
    }
}
