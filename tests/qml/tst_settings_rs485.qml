import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15

// The RS-485 page against a simulated controller reporting 9600 8N1 and
// Modbus address 1.
SettingsTestCase {
    id: testCase

    readonly property int rs485Entry: 3

    name: "SettingsRs485"

    function openRs485Page(uniqueId, options) {
        addDevice(uniqueId, "Щиток", 1, 0, options)
        waitForReplies(0, 0)
        const window = createWindow()
        const page = openGeneralPage(window, 0, rs485Entry)
        simulator.clearRequests()
        return page
    }

    function autosaveQueries(autosave) {
        return autosave ? [] : ["request_type=set&item_type=autosave&val=true"]
    }

    function test_showsDevice() {
        const page = openRs485Page("rs-show", { rs485Speed: "115200 8E2", modbusAddress: 17 })
        compare(findChild(page, "dataBitsRow").value, "8")
        compare(findChild(page, "speedSelector").currentText, "115200")
        compare(findChild(page, "paritySelector").currentText, "E ( Even )")
        compare(findChild(page, "stopBitsSelector").currentText, "2")
        compare(findChild(page, "addressBox").value, 17)
        simulator.screenshot(page, "settings-rs485")
    }

    // A renewed item data object keeps the unsaved choices.
    function test_choiceKeptWhenTreeChanges() {
        const page = openRs485Page("rs-kept", {})
        chooseEntry(findChild(page, "paritySelector"), 1)
        clickPlus(findChild(page, "addressBox"))
        renewItemData(page)
        compare(findChild(page, "paritySelector").currentValue, "E")
        compare(findChild(page, "addressBox").value, 2)
    }

    function test_parityWritesLineText_data() {
        return [ { tag: "autosave on", autosave: true }, { tag: "autosave off", autosave: false } ]
    }

    function test_parityWritesLineText(data) {
        const page = openRs485Page("rs-parity", { autosave: data.autosave })
        const device = page.usedModel
        chooseEntry(findChild(page, "paritySelector"), 1)
        compare(findChild(page, "paritySelector").currentValue, "E")
        save(page)
        // The notice holds the page until its button is clicked.
        const notice = page.notice
        tryCompare(notice, "opened", true)
        verify(page.StackView.view.currentItem === page)
        compare(device.rs485_all_settings, "9600 8E1")
        tryVerify(function() { return simulator.queries("rs-parity").length >= (data.autosave ? 1 : 2) },
                  replyTimeout)
        compare(simulator.queries("rs-parity"),
                ["request_type=set&item_type=rs485_settings&speed=9600&mode=8E1"]
                .concat(autosaveQueries(data.autosave)))
        simulator.screenshot(page, "settings-rs485-notice")

        const stack = page.StackView.view
        const depth = stack.depth
        mouseClick(findChild(notice.contentItem, "noticeButton"))
        compare(stack.depth, depth - 1)
        // The device took it: the next status reply keeps the new parity.
        tryCompare(device, "rs485_parity", "E", replyTimeout)
        compare(String(device.rs485_speed), "9600")
    }

    function test_onlyAddressWritesAddress_data() {
        return [ { tag: "autosave on", autosave: true }, { tag: "autosave off", autosave: false } ]
    }

    function test_onlyAddressWritesAddress(data) {
        const page = openRs485Page("rs-address", { autosave: data.autosave, modbusAddress: 5 })
        const device = page.usedModel
        const box = findChild(page, "addressBox")
        compare(box.value, 5)
        clickPlus(box)
        clickPlus(box)
        compare(box.value, 7)
        save(page)
        tryCompare(page.notice, "opened", true)
        compare(Number(device.modbus_address), 7)
        compare(String(device.rs485_all_settings), "")
        tryVerify(function() { return simulator.queries("rs-address").length >= (data.autosave ? 1 : 2) },
                  replyTimeout)
        compare(simulator.queries("rs-address"),
                ["request_type=set&item_type=modbus_address&val=7"].concat(autosaveQueries(data.autosave)))
    }

    function test_noChangeStillShowsNotice_data() {
        return [ { tag: "autosave on", autosave: true }, { tag: "autosave off", autosave: false } ]
    }

    function test_noChangeStillShowsNotice(data) {
        const page = openRs485Page("rs-same", { autosave: data.autosave })
        save(page)
        tryCompare(page.notice, "opened", true)
        settleRequests("rs-same")
        compare(simulator.queries("rs-same"), autosaveQueries(data.autosave))
        // Escape closes the notice and leaves the page open; nothing more is written.
        keyClick(Qt.Key_Escape)
        tryCompare(page.notice, "visible", false)
        verify(page.StackView.view.currentItem === page)
    }

    function test_addressBoxLimits_data() {
        return [
            { tag: "plus at 247", start: 247, plus: 1, expected: 247 },
            { tag: "minus at 1", start: 1, minus: 1, expected: 1 },
            { tag: "minus from 2", start: 2, minus: 3, expected: 1 },
            { tag: "typed 0", start: 10, typed: "0", expected: 1 },
            { tag: "typed 300", start: 10, typed: "300", expected: 30 },
            { tag: "typed 248", start: 10, typed: "248", expected: 24 },
            { tag: "typed 247", start: 10, typed: "247", expected: 247 }
        ]
    }

    function test_addressBoxLimits(data) {
        const page = openRs485Page("rs-limits", { modbusAddress: data.start })
        const box = findChild(page, "addressBox")
        compare(box.value, data.start)
        for (let i = 0; i < (data.plus || 0); ++i)
            clickPlus(box)
        for (let i = 0; i < (data.minus || 0); ++i)
            clickMinus(box)
        if (data.typed !== undefined)
            typeNumber(box, data.typed)
        compare(box.value, data.expected)
    }

    // A speed outside the list leaves the selector empty; the save is refused.
    function test_unknownSpeedRefused() {
        const page = openRs485Page("rs-unknown", {})
        const device = page.usedModel
        // Keep status replies from putting the device's speed back.
        simulator.setSilent("rs-unknown", true)
        device.rs485_speed = 1234
        const speed = findChild(page, "speedSelector")
        compare(speed.currentIndex, -1)
        saveAndExpectRefusal(page)
        verify(speed.attention)
        verify(!page.notice.visible)
        // Nothing written, so nothing can be sent.
        compare(String(device.rs485_all_settings), "")

        chooseEntry(speed, 3)
        verify(!speed.attention)
        save(page)
        tryCompare(page.notice, "opened", true)
        compare(device.rs485_all_settings, "19200 8N1")
    }
}
