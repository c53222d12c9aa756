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

        Column {
            property alias selector: selector
            property alias spin: spin

            width: 400
            SettingsRow { width: 400; label: "Скорость"; Selector { id: selector; model: [9600]; currentIndex: 0 } }
            SettingsRow { width: 400; label: "ModbusRTU адрес"; NumberSpinBox { id: spin } }
        }
    }
    Component { id: saveComponent; SaveButton {} }
    Component { id: backComponent; BackButton {} }
    Component { id: switchComponent; ToggleSwitch { text: "DHCP" } }

    function luminance(c) {
        const linear = function(v) { return v <= 0.04045 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4) }
        return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b)
    }

    // Every text colour of the theme on each background it is drawn on
    // (slider: 18 pt, large text).
    function test_contrast_data() {
        return [["accent", "bar"], ["accent", "lightAccent"], ["accent", "pressedOutline"],
                ["white", "accent"], ["neutral", "card"], ["neutral", "popupBackground"],
                ["caption", "card"], ["title", "bar"], ["value", "popupBackground"],
                ["secondary", "card"], ["success", "card"], ["error", "card"],
                ["statusText", "card"], ["deviceName", "card"], ["channelName", "card"],
                ["percentOffText", "percentOffBackground"], ["percentOnText", "percentOnBackground"],
                ["sliderText", "sliderBar", 3], ["menuText", "card"], ["menuTextHovered", "card"],
                ["messageText", "bar"], ["fieldText", "bar"], ["centreButtonText", "centreButtonPressed"]
               ].map(function(p) { return { tag: p[0] + " on " + p[1], text: p[0], back: p[1], least: p[2] || 4.5 } })
    }

    function test_contrast(data) {
        const a = luminance(Theme[data.text])
        const b = luminance(Theme[data.back])
        const ratio = (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05)
        verify(ratio >= data.least, ratio.toFixed(2))
    }

    function test_controlNames() {
        compare(simulator.accessible(createTemporaryObject(saveComponent, testCase)).name, "Сохранить")
        compare(simulator.accessible(createTemporaryObject(backComponent, testCase)).name, "Назад")
        const toggle = simulator.accessible(createTemporaryObject(switchComponent, testCase))
        compare(toggle.role, Accessible.CheckBox)
        compare(toggle.name, "DHCP")
        // Editors are named after their row's label.
        const rows = createTemporaryObject(rowComponent, testCase)
        compare(simulator.accessible(rows.selector).name, "Скорость")
        compare(simulator.accessible(rows.selector).description, "9600")
        compare(simulator.accessible(rows.spin).role, Accessible.SpinBox)
        compare(simulator.accessible(rows.spin).name, "ModbusRTU адрес")
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
        const window = createTemporaryObject(Qt.createComponent("qrc:/main.qml"), testCase)
        window.requestActivate()
        tryCompare(window, "active", true)
        tryVerify(function() { return window.activeFocusItem !== null })
        const stack = findChild(window.contentItem, "stackView")
        tryCompare(stack.currentItem.grid, "count", 1)
        return window
    }

    function cardButton(grid, index, objectName) {
        tryVerify(function() { grid.forceLayout(); return grid.itemAtIndex(index) !== null })
        return findChild(grid.itemAtIndex(index), objectName)
    }

    function test_keyboardPath() {
        const window = createWindow("a11y-keys", [0, 128])
        const stack = findChild(window.contentItem, "stackView")
        const device = cardButton(stack.currentItem.grid, 0, "deviceButton")
        tryVerify(function() { return simulator.accessible(device).name === "Кухня, подключено" })
        // The header first, then the page's content.
        keyClick(Qt.Key_Tab)
        compare(window.activeFocusItem.objectName, "addButton")
        keyClick(Qt.Key_Tab)
        verify(findChild(device, "focusRing").visible)

        keyClick(Qt.Key_Return)
        tryCompare(stack, "depth", 2)
        tryCompare(stack, "busy", false)
        const inner = stack.currentItem
        compare(simulator.accessible(inner).name, "Кухня")
        // The first control of the opened page has the focus.
        const channel = cardButton(inner.grid, 0, "cardButton")
        tryCompare(channel, "activeFocus", true)
        findChild(inner.grid.itemAtIndex(1), "favouriteButton").clicked()
        tryVerify(function() {
            return simulator.accessible(cardButton(inner.grid, 1, "cardButton")).name === "Лампа 2, 50 %, в избранном"
        })
        compare(simulator.accessible(findChild(inner.grid.itemAtIndex(1), "levelValue")).value, 50)

        simulator.clearRequests()
        keyClick(Qt.Key_Space)
        tryVerify(function() { return simulator.queries("a11y-keys").length === 1 })
        compare(simulator.queries("a11y-keys")[0], brightnessSet + "ch_1=255")
        // Two steps down within a second: one write at once, the second
        // level with the send timer's next tick.
        simulator.clearRequests()
        keyClick(Qt.Key_Down)
        keyClick(Qt.Key_Minus)
        tryVerify(function() { return simulator.queries("a11y-keys").length === 2 }, 3000)
        compare(simulator.queries("a11y-keys"), [brightnessSet + "ch_1=230", brightnessSet + "ch_1=204"])

        keyClick(Qt.Key_Escape)
        tryCompare(stack, "depth", 1)
        tryCompare(stack, "busy", false)
        // Back on the card it came from.
        tryCompare(cardButton(stack.currentItem.grid, 0, "deviceButton"), "activeFocus", true)

        keyClick(Qt.Key_3, Qt.ControlModifier)
        tryCompare(stack, "depth", 2)
        compare(stack.currentItem.title, "Настройки")
        compare(findChild(window, "tabBar").currentIndex, 2)

        // Another tab takes the place of that page, at the same depth; its
        // page gets the focus all the same.
        keyClick(Qt.Key_1, Qt.ControlModifier)
        tryCompare(stack, "busy", false)
        compare(stack.depth, 2)
        const favourites = stack.currentItem
        compare(favourites.title, "Избранное")
        compare(findChild(window, "tabBar").currentIndex, 0)
        tryVerify(function() {
            for (let item = window.activeFocusItem; item; item = item.parent) {
                if (item === favourites)
                    return true
            }
            return false
        }, 5000, "focus on the favourites page")

        // The Devices tab goes back down to its page and the card it was left from.
        keyClick(Qt.Key_2, Qt.ControlModifier)
        tryCompare(stack, "depth", 1)
        tryCompare(stack, "busy", false)
        compare(findChild(window, "tabBar").currentIndex, 1)
        tryCompare(cardButton(stack.currentItem.grid, 0, "deviceButton"), "activeFocus", true)
    }
}
