import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import "qrc:/"

// The Devices page against the real root model and simulated controllers:
// the controller grid and its root, opening a controller, the add menu and
// every outcome the message box reports.
TestCase {
    id: testCase

    name: "Devices"
    when: windowShown

    readonly property int nameRole: norvaleoDevicesModel.roleByName("name")

    SignalSpy {
        id: finishedSpy

        target: norvaleoDevicesModel
        signalName: "searchingProcessFinished"
    }

    function init() {
        simulator.resetModel()
        simulator.removeControllers()
        finishedSpy.clear()
    }

    function createWindow() {
        const component = Qt.createComponent("qrc:/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        const window = createTemporaryObject(component, testCase)
        verify(window)
        waitForRendering(window.contentItem)
        return window
    }

    function stackOf(window) {
        return findChild(window.contentItem, "stackView")
    }

    function devicesPageOf(window) {
        const page = stackOf(window).get(0)
        verify(page)
        return page
    }

    // Items inside popups are not QObject children of the page: walk the
    // visual tree instead.
    function findItem(item, objectName) {
        if (!item)
            return null
        if (item.objectName === objectName)
            return item
        for (let i = 0; i < item.children.length; ++i) {
            const found = findItem(item.children[i], objectName)
            if (found)
                return found
        }
        return null
    }

    function addController(uid, name, wired, wifi, channels) {
        verify(simulator.addController(uid, name, wired, wifi, channels))
    }

    function controllerCount() {
        return norvaleoDevicesModel.rowCount(norvaleoDevicesModel.index(0, 0))
    }

    function channelCount(row) {
        const devices = norvaleoDevicesModel.index(0, 0)
        return norvaleoDevicesModel.rowCount(norvaleoDevicesModel.index(row, 0, devices))
    }

    function rootName(page) {
        return norvaleoDevicesModel.data(page.devicesModel.rootIndex, nameRole)
    }

    // The names on the grid's cards, in order.
    function cardNames(page) {
        const names = []
        for (let i = 0; i < page.grid.count; ++i) {
            const card = page.grid.itemAtIndex(i)
            names.push(card ? findChild(card, "nameText").text : "")
        }
        return names
    }

    // Views create their delegates when they lay out.
    function cardAt(grid, index) {
        tryVerify(function() {
            grid.forceLayout()
            return grid.itemAtIndex(index) !== null
        })
        return grid.itemAtIndex(index)
    }

    function statusOf(grid, index) {
        grid.forceLayout()
        const card = grid.itemAtIndex(index)
        return card ? findChild(card, "statusText").text : ""
    }

    function chooseMenuEntry(page, index) {
        mouseClick(findChild(page, "addButton"))
        tryVerify(function() { return page.addMenu.opened })
        const entry = findItem(page.addMenu.contentItem, "menuEntry" + index)
        verify(entry)
        mouseClick(entry)
        tryVerify(function() { return !page.addMenu.visible })
        tryVerify(function() { return page.messageBox.opened })
    }

    function typeAddressAndAdd(page, address) {
        page.messageBox.ipAddress = address
        mouseClick(page.messageBox.leftButton)
    }

    function test_gridShowsControllersOnly() {
        const window = createWindow()
        const page = devicesPageOf(window)
        // The popups are created when first opened.
        verify(page.addMenu === null && page.messageBox === null)
        compare(page.grid.count, 0)
        compare(rootName(page), "Устройства")
        compare(window.backButtonVisible, false)

        // The first controller and its first channels arrive as layout
        // changes, which reset the grid's root.
        addController("dev-grid-1", "Кухня <b>1</b>", "127.0.0.10", "127.0.0.11", 2)
        simulator.addToModel("dev-grid-1")
        tryCompare(page.grid, "count", 1)
        tryVerify(function() { return channelCount(0) === 2 })
        addController("dev-grid-2", "Спальня", "127.0.0.12", "127.0.0.13", 0)
        simulator.addToModel("dev-grid-2")
        tryCompare(page.grid, "count", 2)
        compare(rootName(page), "Устройства")
        tryVerify(function() {
            return cardNames(page).join("|") === "Кухня <b>1</b>|Спальня"
        }, 5000, cardNames(page).join("|"))
        compare(findChild(cardAt(page.grid, 0), "nameText").textFormat, Text.PlainText)
        tryVerify(function() {
            return statusOf(page.grid, 0) === "ПОДКЛЮЧЕНО"
                && statusOf(page.grid, 1) === "ПОДКЛЮЧЕНО"
        })
        compare(window.backButtonVisible, false)
        // Shadows drawn from pictures: the pictures exist.
        tryCompare(findChild(cardAt(page.grid, 0), "cardShadow"), "status", Image.Ready)
        tryCompare(findChild(page.header, "barShadow"), "status", Image.Ready)
        simulator.screenshot(window, "devices-controllers")

        // The back step moves the root to the invisible root, which puts it
        // straight back on the "Устройства" node.
        window.backRequested()
        compare(rootName(page), "Устройства")
        compare(page.grid.count, 2)
        compare(window.backButtonVisible, false)

        // Rooted anywhere else the window's close is a back step.
        page.devicesModel.rootIndex = page.devicesModel.modelIndex(0)
        compare(window.backButtonVisible, true)
        window.close()
        verify(window.visible)
        compare(rootName(page), "Устройства")
        compare(window.backButtonVisible, false)
        compare(page.grid.count, 2)

        // The narrowest window still holds a whole card per row.
        window.width = 320
        window.height = 320
        tryCompare(page, "width", 320)
        waitForRendering(window.contentItem)
        compare(cardAt(page.grid, 1).x, 0)
        simulator.screenshot(window, "small-devices-controllers")
    }

    function test_silentControllerShowsNotAnswering() {
        addController("dev-silent", "Чулан", "127.0.0.14", "127.0.0.15", 1)
        simulator.setSilent("dev-silent", true)
        simulator.addToModel("dev-silent")
        const window = createWindow()
        const page = devicesPageOf(window)
        tryCompare(page.grid, "count", 1)
        const card = cardAt(page.grid, 0)
        compare(findChild(card, "statusText").text, "НЕ ОТВЕЧАЕТ")
        verify(Qt.colorEqual(findChild(card, "statusDot").color, "#f32a1b"))
    }

    function test_openingController() {
        addController("dev-open-1", "Без каналов", "127.0.0.16", "127.0.0.17", 0)
        addController("dev-open-2", "Гостиная", "127.0.0.18", "127.0.0.19", 3)
        simulator.addToModel("dev-open-1")
        simulator.addToModel("dev-open-2")
        const window = createWindow()
        const stack = stackOf(window)
        const page = devicesPageOf(window)
        tryCompare(page.grid, "count", 2)
        tryVerify(function() { return channelCount(1) === 3 })
        // Let the first poll of the empty controller come back too.
        tryVerify(function() {
            return statusOf(page.grid, 0) === "ПОДКЛЮЧЕНО"
        })

        mouseClick(cardAt(page.grid, 0))
        wait(50)
        compare(stack.depth, 1)

        mouseClick(cardAt(page.grid, 1))
        tryCompare(stack, "depth", 2)
        const inner = stack.currentItem
        compare(inner.title, "DeviceInner")
        compare(inner.modelIndex, 1)
        compare(inner.modelName, "Гостиная")
        compare(inner.internalModel.uniqueId, "dev-open-2")
        compare(inner.header.title, "Гостиная")
        tryCompare(inner.grid, "count", 3)
        compare(findChild(cardAt(inner.grid, 0), "nameText").text, "Лампа 1")
        compare(findChild(cardAt(inner.grid, 2), "nameText").text, "Лампа 3")

        // A new controller somewhere else resets every view of the tree; the
        // channel grid stays on its controller.
        addController("dev-open-3", "Кабинет", "127.0.0.20", "127.0.0.21", 1)
        simulator.addToModel("dev-open-3")
        tryVerify(function() { return channelCount(2) === 1 })
        tryCompare(inner.grid, "count", 3)
        compare(findChild(cardAt(inner.grid, 0), "nameText").text, "Лампа 1")

        // A pop is not taken while the push still moves (slow on dense screens).
        tryCompare(stack, "busy", false)
        mouseClick(inner.header.backButton)
        tryCompare(stack, "depth", 1)
    }

    function test_menuEntries_data() {
        return [
            { tag: "manual", entry: 1, state: "manual", text: "Ip адрес, сеть или диапазон:",
              left: "Добавить", right: "Отмена" },
            { tag: "clear", entry: 2, state: "dialog_dell_all",
              text: "Очистить список устройств?", left: "Да", right: "Нет" }
        ]
    }

    function verifyCentredInPage(page, popup) {
        const centre = popup.background.mapToItem(page, popup.width / 2, popup.height / 2)
        fuzzyCompare(centre.x, page.width / 2, 1)
        fuzzyCompare(centre.y, page.height / 2, 1)
    }

    function test_menuEntries(data) {
        const window = createWindow()
        const page = devicesPageOf(window)
        const entryTexts = []
        mouseClick(findChild(page, "addButton"))
        tryVerify(function() { return page.addMenu.opened })
        for (let i = 0; i < 3; ++i)
            entryTexts.push(findItem(page.addMenu.contentItem, "menuEntry" + i).text)
        compare(entryTexts.join("|"), "Поиск устройств|Добавить вручную|Удалить все")
        compare(page.addMenu.width, 290)
        compare(page.addMenu.height, 135)
        verifyCentredInPage(page, page.addMenu)
        simulator.screenshot(window, "devices-add-menu")
        page.addMenu.close()
        tryVerify(function() { return !page.addMenu.visible })

        chooseMenuEntry(page, data.entry)
        compare(page.messageBox.stateName, data.state)
        compare(page.messageBox.messageText, data.text)
        compare(page.messageBox.leftButton.text, data.left)
        compare(page.messageBox.rightButton.text, data.right)
        // Sized from the whole 480 x 770 page, not from the list above the menu.
        fuzzyCompare(page.messageBox.height, 200, 1)
        fuzzyCompare(page.messageBox.width, 400, 1)
        verifyCentredInPage(page, page.messageBox)
        if (data.state === "dialog_dell_all")
            simulator.screenshot(window, "message-dialog-dell-all")

        mouseClick(page.messageBox.rightButton)
        tryVerify(function() { return !page.messageBox.visible })
        compare(finishedSpy.count, 0)
    }

    function test_emptyAddressIsFlagged() {
        const window = createWindow()
        const page = devicesPageOf(window)
        chooseMenuEntry(page, 1)
        typeAddressAndAdd(page, "")
        compare(page.messageBox.addressField.attention, true)
        compare(page.messageBox.stateName, "manual")
        verify(page.messageBox.opened)
        compare(finishedSpy.count, 0)
        simulator.screenshot(window, "message-manual-attention")

        // In the smallest window the box still fits in the page.
        window.width = 320
        window.height = 320
        tryCompare(page, "width", 320)
        waitForRendering(window.contentItem)
        verify(page.messageBox.width <= page.width && page.messageBox.height <= page.height)
        // The box grows with its text, which wraps anew at the new width: one
        // more layout pass may follow the first frame.
        const field = page.messageBox.addressField
        const fieldBottom = function() { return field.mapToItem(page, 0, field.height).y }
        tryVerify(function() { return fieldBottom() < page.messageBox.leftButton.mapToItem(page, 0, 0).y },
                  2000, "field bottom " + fieldBottom())
        simulator.screenshot(window, "small-message-manual")

        // A network too wide is refused with the reason; nothing is sent.
        page.messageBox.addressField.attention = false
        typeAddressAndAdd(page, "192.168.0.0/16")
        verify(page.messageBox.addressField.attention && finishedSpy.count === 0)
        compare(page.messageBox.messageText.indexOf("Сеть /16 слишком велика"), 0)
        simulator.screenshot(window, "message-manual-network-error")
    }

    function test_searchFindingNothingSaysSo() {
        const window = createWindow()
        const page = devicesPageOf(window)
        chooseMenuEntry(page, 0)
        compare(page.messageBox.stateName, "waiting")
        compare(page.messageBox.closePolicy, Popup.NoAutoClose)
        simulator.screenshot(window, "message-waiting")

        tryCompare(finishedSpy, "count", 1, 20000)
        compare(finishedSpy.signalArguments[0][0], "search")
        compare(finishedSpy.signalArguments[0][1], 0)
        compare(page.messageBox.stateName, "inform")
        verify(page.messageBox.opened)
        const text = page.messageBox.messageText
        compare(text.split("\n")[0], "Контроллеры не найдены.")
        // The bridge of the test's own network namespace was searched.
        verify(text.split("\n").indexOf("nvbr0 10.253.0.1/24") > 0, text)
        verify(text.indexOf("UDP-порт 1112 и TCP-порт 80") > 0, text)
        compare(page.grid.count, 0)
        simulator.screenshot(window, "message-nothing-found")
        mouseClick(page.messageBox.centreButton)
        tryVerify(function() { return !page.messageBox.visible })

        // More networks than fit: the first six, then how many more.
        const lines = page.nothingFoundText(["a", "b", "c", "d", "e", "f", "g", "h"]).split("\n")
        compare(lines.slice(2, 9).join(" "), "a b c d e f и ещё 2")
    }

    function test_addByAddress_data() {
        return [
            { tag: "found", address: "127.0.0.30", inModel: false,
              text: "Добавлено!", controllers: 1 },
            { tag: "wired address listed", address: "127.0.0.30", inModel: true,
              text: "Устройство с этим ip уже добавлено!", controllers: 1 },
            { tag: "wifi address listed", address: "127.0.0.31", inModel: true,
              text: "Устройство с этим ip уже добавлено!", controllers: 1 },
            { tag: "nothing answers", address: "127.0.0.99", inModel: false,
              text: "Устройство не найдено!", controllers: 0 },
            { tag: "range", address: "127.0.0.30-127.0.0.31", inModel: false,
              text: "Добавлено: 1", controllers: 1 },
            { tag: "range listed", address: "127.0.0.30-127.0.0.31", inModel: true,
              text: "Добавлено: 0\nУже были в списке: 1", controllers: 1 }
        ]
    }

    function test_addByAddress(data) {
        addController("dev-add", "Прихожая", "127.0.0.30", "127.0.0.31", 1)
        if (data.inModel)
            simulator.addToModel("dev-add")
        const window = createWindow()
        const page = devicesPageOf(window)
        chooseMenuEntry(page, 1)
        typeAddressAndAdd(page, data.address)

        tryCompare(page.messageBox, "stateName", "inform", 25000)
        compare(page.messageBox.messageText, data.text)
        verify(page.messageBox.opened)
        compare(page.messageBox.centreButton.text, "Ok")
        compare(controllerCount(), data.controllers)
        tryCompare(page.grid, "count", data.controllers)
        if (data.tag === "found")
            simulator.screenshot(window, "message-inform")

        mouseClick(page.messageBox.centreButton)
        tryVerify(function() { return !page.messageBox.visible })
    }

    function test_cancellingCheckStopsIt() {
        addController("dev-cancel", "Детская", "127.0.0.40", "127.0.0.41", 1)
        simulator.addToModel("dev-cancel")
        const window = createWindow()
        const page = devicesPageOf(window)
        chooseMenuEntry(page, 1)
        typeAddressAndAdd(page, "127.0.0.98")
        compare(page.messageBox.stateName, "waiting")
        compare(page.messageBox.centreButton.text, "Отмена")

        mouseClick(page.messageBox.centreButton)
        tryVerify(function() { return !page.messageBox.visible })
        compare(finishedSpy.count, 0)
        // A check still running would refuse this one with "error".
        norvaleoDevicesModel.tryToAddDevice("127.0.0.40")
        compare(finishedSpy.count, 1)
        compare(finishedSpy.signalArguments[0][0], "existed")
    }

    function test_clearAllThenSearchAgain() {
        addController("dev-clear-1", "Кухня", "127.0.0.50", "127.0.0.51", 1)
        addController("dev-clear-2", "Спальня", "127.0.0.52", "127.0.0.53", 1)
        simulator.addToModel("dev-clear-1")
        simulator.addToModel("dev-clear-2")
        const window = createWindow()
        const page = devicesPageOf(window)
        tryCompare(page.grid, "count", 2)

        chooseMenuEntry(page, 2)
        mouseClick(page.messageBox.rightButton)
        tryVerify(function() { return !page.messageBox.visible })
        compare(controllerCount(), 2)
        compare(page.grid.count, 2)

        chooseMenuEntry(page, 2)
        mouseClick(page.messageBox.leftButton)
        tryVerify(function() { return !page.messageBox.visible })
        compare(controllerCount(), 0)
        tryCompare(page.grid, "count", 0)
        compare(rootName(page), "Устройства")
        compare(window.backButtonVisible, false)

        chooseMenuEntry(page, 0)
        compare(page.messageBox.stateName, "waiting")
        tryCompare(finishedSpy, "count", 1, 20000)
        compare(finishedSpy.signalArguments[0][0], "search")
        compare(finishedSpy.signalArguments[0][1], 2)
        verify(!page.messageBox.visible)
        compare(page.grid.count, 2)
        compare(rootName(page), "Устройства")
        compare(window.backButtonVisible, false)
        compare(cardNames(page).sort().join("|"), "Кухня|Спальня")
    }
}
