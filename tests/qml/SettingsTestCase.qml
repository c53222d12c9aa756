import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15

// Helpers of the settings page tests: simulated controllers in the real root
// model, the main window, and the way from the "Настройки" tab to a page.
TestCase {
    id: testCase

    // Longer than a poll cycle (system_info comes every 7.5 s).
    readonly property int replyTimeout: 10000

    when: windowShown

    Component {
        id: renewalSpy

        SignalSpy {
            signalName: "usedModelChanged"
        }
    }

    function init() {
        simulator.resetModel()
        simulator.removeControllers()
    }

    function cleanup() {
        simulator.resetModel()
        simulator.removeControllers()
    }

    // A controller at wired 127.0.0.<2n>, Wi-Fi 127.0.0.<2n+1>; options are
    // device values (setDeviceValue keys) and "inputs" set before the first poll.
    function addDevice(uniqueId, name, number, channels, options) {
        const wired = "127.0.0." + (2 * number)
        const wifi = "127.0.0." + (2 * number + 1)
        verify(simulator.addController(uniqueId, name, wired, wifi, channels),
               "controller " + uniqueId + " could not listen")
        const values = options || {}
        for (const key in values) {
            if (key === "inputs")
                simulator.setInputs(uniqueId, values[key])
            else
                simulator.setDeviceValue(uniqueId, key, values[key])
        }
        simulator.addToModel(uniqueId)
    }

    function devicesIndex() {
        return norvaleoDevicesModel.index(0, 0)
    }

    function deviceIndex(row) {
        return norvaleoDevicesModel.index(row, 0, devicesIndex())
    }

    function roleOf(index, roleName) {
        return norvaleoDevicesModel.data(index, norvaleoDevicesModel.roleByName(roleName))
    }

    // Waits until both status replies of the controller in `row` were applied.
    function waitForReplies(row, channels) {
        tryVerify(function() {
            const index = deviceIndex(row)
            return index.valid && String(roleOf(index, "net_soft_version")) !== ""
                    && String(roleOf(index, "dimm_soft_version")) !== ""
                    && norvaleoDevicesModel.rowCount(index) === channels
        }, replyTimeout, "status replies of controller " + row)
    }

    // A second controller whose first channels change the tree's layout,
    // which renews the item data object of the open page.
    function renewItemData(page) {
        const renewals = createTemporaryObject(renewalSpy, page, { target: page })
        addDevice("renewing", "Кухня", 2, 2)
        tryVerify(function() { return renewals.count > 0 }, replyTimeout, "item data renewed")
        waitForReplies(1, 2)
        // The old object is gone before the new one is handed out.
        tryVerify(function() { return page.usedModel && page.usedModel.uniqueId !== undefined },
                  replyTimeout, "renewed item data")
    }

    function createWindow() {
        const component = Qt.createComponent("qrc:/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        const window = createTemporaryObject(component, testCase)
        verify(window)
        // Key events go to the active window.
        window.requestActivate()
        tryCompare(window, "active", true)
        return window
    }

    function resizeWindow(window, page, width, height) {
        window.width = width
        window.height = height
        tryCompare(page, "width", width)
        waitForRendering(page)
    }

    function stackOf(window) {
        const stack = findChild(window.contentItem, "stackView")
        verify(stack)
        return stack
    }

    function settled(window) {
        const stack = stackOf(window)
        tryCompare(stack, "busy", false)
        return stack.currentItem
    }

    function clickChild(parentItem, objectName) {
        let item = null
        tryVerify(function() {
            item = findChild(parentItem, objectName)
            return item !== null && item.visible && item.width > 0
        }, 5000, objectName)
        mouseClick(item)
        return item
    }

    // The list of controllers, pushed by the "Настройки" tab.
    function openSettingsList(window) {
        const tab = findChild(window.footer, "tab2")
        verify(tab)
        // The last tab sits right of the others once the bar is laid out.
        tryVerify(function() { return tab.width > 0 && tab.x > tab.width }, 5000, "tab bar laid out")
        mouseClick(tab)
        const page = settled(window)
        compare(page.title, "Настройки")
        return page
    }

    function openMenu(window, deviceRow) {
        clickChild(openSettingsList(window), "deviceRow" + deviceRow)
        const menu = settled(window)
        verify(menu.hasOwnProperty("modelIndex"), "settings menu expected")
        return menu
    }

    // entry: 0 information, 1 Wi-Fi, 2 wired, 3 RS-485, 4 inputs, 5 dimming.
    function openGeneralPage(window, deviceRow, entry) {
        const menu = openMenu(window, deviceRow)
        clickChild(menu, "generalEntry" + entry)
        return settled(window)
    }

    function openChannelPage(window, deviceRow, channelRow) {
        const menu = openMenu(window, deviceRow)
        clickChild(menu, "channelEntry" + channelRow)
        return settled(window)
    }

    // Opens the selector's list and clicks its entry.
    function chooseEntry(selector, index) {
        mouseClick(selector)
        tryCompare(selector.popup, "opened", true)
        const list = selector.popup.contentItem
        list.positionViewAtIndex(index, ListView.Contain)
        const entry = list.itemAtIndex(index)
        verify(entry, "entry " + index)
        mouseClick(entry)
        tryCompare(selector.popup, "visible", false)
    }

    function clickPlus(box) {
        mouseClick(box, box.width - 3, box.height / 2)
    }

    function clickMinus(box) {
        mouseClick(box, 3, box.height / 2)
    }

    // Types into a spin box key by key, as the user would, and commits with
    // Enter; characters keyClick cannot type (beyond ASCII) are inserted
    // through the validator.
    function typeNumber(box, text) {
        const input = box.contentItem
        typeInto(input, "")
        for (let i = 0; i < text.length; ++i) {
            if (text.charCodeAt(i) < 128)
                keyClick(text[i])
            else
                input.insert(input.cursorPosition, text[i])
        }
        keyClick(Qt.Key_Enter)
    }

    function save(page) {
        mouseClick(page.saveButton)
    }

    // Save, and the page leaves the stack (it is destroyed afterwards).
    function saveAndExpectPop(page) {
        const stack = page.StackView.view
        const depth = stack.depth
        save(page)
        compare(stack.depth, depth - 1, "page popped after saving")
        tryCompare(stack, "busy", false)
    }

    // Save, and the page stays open with the user's edits.
    function saveAndExpectRefusal(page) {
        const stack = page.StackView.view
        const depth = stack.depth
        save(page)
        compare(stack.depth, depth, "page stays open")
        verify(stack.currentItem === page)
    }

    // Replaces the text as typing would: through the field's validator
    // (keyClick cannot type Cyrillic).
    function typeInto(field, text) {
        field.forceActiveFocus()
        field.selectAll()
        keyClick(Qt.Key_Delete)
        field.insert(0, text)
    }

    function decodedQueries(uniqueId) {
        return simulator.queries(uniqueId).map(function(query) { return decodeURIComponent(query) })
    }

    // Waits for one more request (a poll) to reach the simulator, so that
    // whatever the page sent before has arrived too.
    function settleRequests(uniqueId) {
        const before = simulator.queries(uniqueId, false).length
        tryVerify(function() { return simulator.queries(uniqueId, false).length > before },
                  replyTimeout, "a poll after the save")
    }
}
