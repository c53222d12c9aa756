import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import "qrc:/"

// What screen readers read of the shared controls and cards, the keyboard
// paths through the window, and the contrast of every text colour.
TestCase {
    id: testCase

    name: "Accessibility"
    when: windowShown

    readonly property string brightnessSet: "request_type=set&item_type=light_brightness&"

    Component {
        id: rowComponent

        Item {
            property alias selector: selector
            property alias spin: spin
            property alias field: field

            width: 400
            height: 100

            Column {
                width: parent.width

                SettingsRow {
                    width: parent.width
                    label: "Скорость"
                    Selector {
                        id: selector
                        model: [9600, 19200]
                        currentIndex: 0
                    }
                }
                SettingsRow {
                    width: parent.width
                    label: "ModbusRTU адрес"
                    NumberSpinBox { id: spin }
                }
                SettingsRow {
                    width: parent.width
                    label: "Имя"
                    SettingsTextField { id: field }
                }
            }
        }
    }
    Component {
        id: saveComponent
        SaveButton {}
    }
    Component {
        id: backComponent
        BackButton {}
    }
    Component {
        id: entryComponent
        SettingsMenuEntry { text: "Информация" }
    }
    Component {
        id: switchComponent
        ToggleSwitch { text: "DHCP" }
    }
    Component {
        id: boxComponent
        MessageBoxPopup { messageText: "Очистить список устройств?" }
    }

    function luminance(colour) {
        const linear = function(c) {
            return c <= 0.04045 ? c / 12.92 : Math.pow((c + 0.055) / 1.055, 2.4)
        }
        return 0.2126 * linear(colour.r) + 0.7152 * linear(colour.g) + 0.0722 * linear(colour.b)
    }

    function contrast(a, b) {
        const la = luminance(a)
        const lb = luminance(b)
        return (Math.max(la, lb) + 0.05) / (Math.min(la, lb) + 0.05)
    }

    // Every text colour on every background it is drawn on; large: 18 pt.
    function test_contrast_data() {
        const t = Theme
        return [
            { tag: "tab and button texts", text: t.accent, background: t.bar },
            { tag: "hovered and chosen entries", text: t.accent, background: t.lightAccent },
            { tag: "pressed message-box button", text: t.accent, background: t.pressedOutline },
            { tag: "pressed Save and rows", text: t.white, background: t.accent },
            { tag: "labels and tabs", text: t.neutral, background: t.card },
            { tag: "add menu", text: t.neutral, background: t.popupBackground },
            { tag: "card captions", text: t.caption, background: t.card },
            { tag: "header titles", text: t.title, background: t.bar },
            { tag: "values", text: t.value, background: t.card },
            { tag: "list entries", text: t.value, background: t.popupBackground },
            { tag: "read-only values and placeholders", text: t.secondary, background: t.card },
            { tag: "connected", text: t.success, background: t.card },
            { tag: "not connected", text: t.error, background: t.card },
            { tag: "controller status", text: t.statusText, background: t.card },
            { tag: "controller name", text: t.deviceName, background: t.card },
            { tag: "channel name", text: t.channelName, background: t.card },
            { tag: "dark percentage", text: t.percentOffText, background: t.percentOffBackground },
            { tag: "lit percentage", text: t.percentOnText, background: t.percentOnBackground },
            { tag: "slider on bar", text: t.sliderText, background: t.sliderBar, large: true },
            { tag: "slider on fill", text: t.sliderText, background: t.sliderGradientTop, large: true },
            { tag: "menu", text: t.menuText, background: t.card },
            { tag: "hovered menu", text: t.menuTextHovered, background: t.card },
            { tag: "message", text: t.messageText, background: t.bar },
            { tag: "address field", text: t.fieldText, background: t.bar },
            { tag: "centre button", text: t.centreButtonText, background: t.centreButton },
            { tag: "pressed centre button", text: t.centreButtonText, background: t.centreButtonPressed }
        ]
    }

    function test_contrast(data) {
        const ratio = contrast(data.text, data.background)
        verify(ratio >= (data.large ? 3 : 4.5), data.text + " on " + data.background + ": " + ratio.toFixed(2))
    }

    function test_contrastFormula() {
        fuzzyCompare(contrast(Qt.rgba(0, 0, 0, 1), Qt.rgba(1, 1, 1, 1)), 21, 0.001)
        fuzzyCompare(contrast(Qt.rgba(0.894, 0.894, 0.894, 1), Qt.rgba(1, 1, 1, 1)), 1.27, 0.01)
    }

    function test_controlNames_data() {
        return [
            { tag: "save", component: saveComponent, role: Accessible.Button, name: "Сохранить" },
            { tag: "back", component: backComponent, role: Accessible.Button, name: "Назад" },
            { tag: "menu entry", component: entryComponent, role: Accessible.Button, name: "Информация" },
            { tag: "switch", component: switchComponent, role: Accessible.CheckBox, name: "DHCP" }
        ]
    }

    function test_controlNames(data) {
        const control = createTemporaryObject(data.component, testCase)
        const read = simulator.accessible(control)
        compare(read.role, data.role)
        compare(read.name, data.name)
    }

    // Editors are named after the label of the row they stand in.
    function test_editorsNamedByRow() {
        const rows = createTemporaryObject(rowComponent, testCase)
        const selector = simulator.accessible(rows.selector)
        compare(selector.name, "Скорость")
        compare(selector.description, "9600")
        const spin = simulator.accessible(rows.spin)
        compare(spin.role, Accessible.SpinBox)
        compare(spin.name, "ModbusRTU адрес")
        compare(simulator.accessible(rows.field).name, "Имя")
        rows.selector.popup.open()
        tryCompare(rows.selector.popup, "opened", true)
        compare(simulator.accessible(rows.selector.popup.contentItem.itemAtIndex(1)).name, "19200")
        rows.selector.popup.close()
    }

    function test_messageBoxIsADialog() {
        const box = createTemporaryObject(boxComponent, testCase)
        box.open()
        tryCompare(box, "opened", true)
        compare(simulator.accessible(box.contentItem.parent).role, Accessible.Dialog)
        compare(simulator.accessible(box.leftButton).name, "Да")
        box.close()
    }

    // --- The window, against a simulated controller.

    function init() {
        simulator.resetModel()
        simulator.removeControllers()
    }

    function createWindow(uid, levels) {
        verify(simulator.addController(uid, "Кухня", "127.0.0.10", "127.0.0.11", levels.length))
        for (let i = 0; i < levels.length; ++i)
            simulator.setBrightness(uid, i + 1, levels[i])
        simulator.addToModel(uid)
        tryVerify(function() {
            const devices = norvaleoDevicesModel.index(0, 0)
            return norvaleoDevicesModel.rowCount(norvaleoDevicesModel.index(0, 0, devices)) === levels.length
        })
        const component = Qt.createComponent("qrc:/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        const window = createTemporaryObject(component, testCase)
        verify(window)
        window.requestActivate()
        tryCompare(window, "active", true)
        const stack = findChild(window.contentItem, "stackView")
        tryCompare(stack.currentItem.grid, "count", 1)
        tryCompare(cardButton(stack.currentItem.grid, 0, "deviceButton"), "visible", true)
        return window
    }

    function cardButton(grid, index, objectName) {
        tryVerify(function() {
            grid.forceLayout()
            return grid.itemAtIndex(index) !== null
        })
        return findChild(grid.itemAtIndex(index), objectName)
    }

    // Tab until the item has the focus; false when it never comes.
    function tabTo(window, item) {
        for (let i = 0; i < 20 && !item.activeFocus; ++i)
            keyClick(Qt.Key_Tab)
        return item.activeFocus
    }

    function test_cardsReadNameAndState() {
        const window = createWindow("a11y-cards", [128, 0])
        const stack = findChild(window.contentItem, "stackView")
        const device = cardButton(stack.currentItem.grid, 0, "deviceButton")
        tryVerify(function() { return simulator.accessible(device).name === "Кухня, подключено" })
        mouseClick(device)
        tryCompare(stack, "busy", false)
        const inner = stack.currentItem
        compare(simulator.accessible(inner).name, "Кухня")
        tryCompare(inner.grid, "count", 2)
        const channel = cardButton(inner.grid, 0, "cardButton")
        findChild(inner.grid.itemAtIndex(0), "favouriteButton").clicked()
        tryVerify(function() { return simulator.accessible(channel).name === "Лампа 1, 50 %, в избранном" },
                  5000, simulator.accessible(channel).name)
        const read = simulator.accessible(channel)
        verify(read.actions.indexOf("Press") >= 0, read.actions)
        const level = simulator.accessible(findChild(inner.grid.itemAtIndex(0), "levelValue"))
        compare(level.value, 50)
        compare(level.role, Accessible.Slider)

        // A screen reader's press switches the channel as a click does.
        simulator.clearRequests()
        verify(simulator.accessibleAction(cardButton(inner.grid, 1, "cardButton"), "Press"))
        tryVerify(function() { return simulator.queries("a11y-cards").length === 1 })
        compare(simulator.queries("a11y-cards")[0], brightnessSet + "ch_2=255")
    }

    function test_keyboardPath() {
        const window = createWindow("a11y-keys", [0, 0])
        const stack = findChild(window.contentItem, "stackView")
        const device = cardButton(stack.currentItem.grid, 0, "deviceButton")
        // The header first, then the page's content.
        keyClick(Qt.Key_Tab)
        compare(window.activeFocusItem.objectName, "addButton")
        keyClick(Qt.Key_Tab)
        verify(device.activeFocus)
        verify(findChild(device, "focusRing").visible)

        keyClick(Qt.Key_Return)
        tryCompare(stack, "depth", 2)
        tryCompare(stack, "busy", false)
        const inner = stack.currentItem
        tryCompare(inner.grid, "count", 2)
        // The first control of the opened page has the focus.
        const channel = cardButton(inner.grid, 0, "cardButton")
        tryCompare(channel, "activeFocus", true)

        simulator.clearRequests()
        keyClick(Qt.Key_Space)
        tryVerify(function() { return simulator.queries("a11y-keys").length === 1 })
        compare(simulator.queries("a11y-keys")[0], brightnessSet + "ch_1=255")

        // Down twice within a second: one write at once, the second level
        // with the send timer's next tick.
        simulator.clearRequests()
        keyClick(Qt.Key_Down)
        keyClick(Qt.Key_Down)
        compare(simulator.queries("a11y-keys").length <= 1, true)
        tryVerify(function() { return simulator.queries("a11y-keys").length === 2 }, 3000)
        compare(simulator.queries("a11y-keys"), [brightnessSet + "ch_1=230", brightnessSet + "ch_1=204"])

        keyClick(Qt.Key_Escape)
        tryCompare(stack, "depth", 1)
        tryCompare(stack, "busy", false)
        // Back on the card it came from.
        tryCompare(cardButton(stack.currentItem.grid, 0, "deviceButton"), "activeFocus", true)
    }

    function test_shortcutsChooseTabs() {
        const window = createWindow("a11y-tabs", [0])
        const stack = findChild(window.contentItem, "stackView")
        const bar = findChild(window, "tabBar")
        keyClick(Qt.Key_3, Qt.ControlModifier)
        tryCompare(stack, "depth", 2)
        compare(stack.currentItem.title, "Настройки")
        compare(bar.currentIndex, 2)
        keyClick(Qt.Key_1, Qt.ControlModifier)
        tryCompare(stack, "depth", 3)
        compare(stack.currentItem.title, "Избранное")
        compare(bar.currentIndex, 0)
        compare(simulator.accessible(bar.itemAt(0)).name, "Избранное")
        compare(simulator.accessible(bar.itemAt(0)).role, Accessible.PageTab)
    }
}
