import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Project.types 1.0

// The inputs page and the dimming page against a simulated controller.
SettingsTestCase {
    id: testCase

    readonly property int inputsEntry: 4
    readonly property int dimmingEntry: 5
    // The window of the page opened last.
    property var window: null
    readonly property var twoInputs: [ { type: "ADC", volt: 3.3 }, { type: "CH_TOGGLE_ON_OFF", volt: 0 } ]

    name: "SettingsInputs"

    SignalSpy {
        id: dataChangedSpy

        target: norvaleoDevicesModel
        signalName: "dataChanged"
    }

    function openPage(entry, uniqueId, options) {
        addDevice(uniqueId, "Щиток", 1, 0, options)
        waitForReplies(0, 0)
        window = createWindow()
        const page = openGeneralPage(window, 0, entry)
        simulator.clearRequests()
        return page
    }

    function autosaveQueries(autosave) {
        return autosave ? [] : ["request_type=set&item_type=autosave&val=true"]
    }

    function waitForQueries(uniqueId, count) {
        tryVerify(function() { return simulator.queries(uniqueId).length >= count }, replyTimeout,
                  count + " set requests")
        settleRequests(uniqueId)
    }

    function test_inputsPageShowsInputs() {
        const page = openPage(inputsEntry, "in-show", { inputs: twoInputs })
        verify(!findChild(page, "autodetectSwitch").checked)
        compare(findChild(page, "inputGroups").count, 2)
        compare(findChild(page, "typeSelector0").currentText, "1: Аналоговый вход (0-10В)")
        compare(findChild(page, "typeSelector1").currentValue, DimmerInputType.CH_TOGGLE_ON_OFF)
        compare(findChild(page, "voltageRow0").value, "3.3")
        compare(findChild(page, "voltageRow1").value, "0")
        simulator.screenshot(page, "settings-inputs")
        mouseClick(findChild(page, "typeSelector1"))
        tryCompare(findChild(page, "typeSelector1").popup, "opened", true)
        simulator.screenshot(page, "settings-inputs-types")
        keyClick(Qt.Key_Escape)
        // Nothing of the chosen type is cut, even in the smallest window.
        resizeWindow(window, page, 320, 320)
        verify(!findChild(findChild(page, "typeSelector0"), "chosenText").truncated)
        simulator.screenshot(page, "small-settings-inputs")
    }

    function test_autodetectWritesNoTypes_data() {
        return [ { tag: "autosave on", autosave: true }, { tag: "autosave off", autosave: false } ]
    }

    function test_autodetectWritesNoTypes(data) {
        const page = openPage(inputsEntry, "in-auto", { inputs: twoInputs, autosave: data.autosave })
        const device = page.usedModel
        mouseClick(findChild(page, "autodetectSwitch"))
        verify(!findChild(page, "typeSelector0").enabled)
        compare(findChild(page, "inputGroups").itemAt(0).opacity, 0.5)
        saveAndExpectPop(page)
        compare(device.input_autodetect, true)
        waitForQueries("in-auto", data.autosave ? 1 : 2)
        compare(simulator.queries("in-auto"),
                ["request_type=set&item_type=input_autodetect&val=true"].concat(autosaveQueries(data.autosave)))
    }

    // With autodetection off the chosen types go out on every save, changed or not.
    function test_typesWrittenOnEverySave_data() {
        return [
            { tag: "unchanged", choose: -1,
              query: "request_type=set&item_type=input_type&ch_1=ADC&ch_2=CH_TOGGLE_ON_OFF" },
            { tag: "second changed", choose: 5,
              query: "request_type=set&item_type=input_type&ch_1=ADC&ch_2=CH_CLASSIC_ON_OFF" }
        ]
    }

    function test_typesWrittenOnEverySave(data) {
        const page = openPage(inputsEntry, "in-types", { inputs: twoInputs })
        const device = page.usedModel
        if (data.choose >= 0)
            chooseEntry(findChild(page, "typeSelector1"), data.choose)
        saveAndExpectPop(page)
        waitForQueries("in-types", 1)
        compare(simulator.queries("in-types"), [data.query])
        if (data.choose >= 0)
            tryVerify(function() { return device.inputs_types[1] === data.choose }, replyTimeout)
    }

    function test_noInputsWritesEmptyList() {
        const page = openPage(inputsEntry, "in-none", { inputs: [] })
        const device = page.usedModel
        compare(Number(device.inputs_count), 0)
        compare(findChild(page, "inputGroups").count, 0)
        // A list the device has not confirmed, so that writing the empty one is a change.
        device.inputs_types = [DimmerInputType.ADC]
        compare(device.inputs_types.length, 1)
        waitForQueries("in-none", 1)
        simulator.clearRequests()
        dataChangedSpy.clear()

        // The write is synchronous: the role changes before the save returns.
        save(page)
        compare(device.inputs_types.length, 0)
        const deviceChanges = dataChangedSpy.signalArguments.filter(function(args) {
            return String(roleOf(args[0], "uniqueId")) === "in-none"
        })
        compare(deviceChanges.length, 1)
        // An empty list is not sent.
        settleRequests("in-none")
        compare(simulator.queries("in-none"), [])
    }

    // A type the page does not know is not overwritten while autodetection is off.
    function test_unknownTypeRefused() {
        const page = openPage(inputsEntry, "in-unknown", { inputs: twoInputs })
        const device = page.usedModel
        // Keep status replies from putting the device's types back.
        simulator.setSilent("in-unknown", true)
        device.inputs_types = [DimmerInputType.ADC, 9]
        const first = findChild(page, "typeSelector0")
        const second = findChild(page, "typeSelector1")
        compare(first.currentIndex, 1)
        compare(second.currentIndex, -1)
        simulator.clearRequests()
        saveAndExpectRefusal(page)
        verify(second.attention)
        verify(!first.attention)
        compare(device.inputs_types, [DimmerInputType.ADC, 9])

        // With autodetection on the types are not needed.
        mouseClick(findChild(page, "autodetectSwitch"))
        saveAndExpectPop(page)
        compare(device.input_autodetect, true)
        compare(device.inputs_types, [DimmerInputType.ADC, 9])
    }

    function test_dimmingPageShowsDevice_data() {
        return [ { tag: "480x830", width: 480, height: 830, shot: "settings-dimming" },
                 { tag: "320x320", width: 320, height: 320, shot: "small-settings-dimming" } ]
    }

    function test_dimmingPageShowsDevice(data) {
        const page = openPage(dimmingEntry, "dim-show", {})
        compare(findChild(page, "offsetBox").value, 500)
        compare(findChild(page, "halfPeriodBox").value, 10000)
        compare(findChild(page, "pulseBox").value, 9000)
        compare(findChild(page, "halfPeriodBox").displayText.replace(/\s/g, " "), "10 000 мкс")
        verify(!findChild(page, "timerSwitch").checked)
        resizeWindow(window, page, data.width, data.height)
        simulator.screenshot(page, data.shot)
        // The largest value keeps a margin to both buttons.
        const boxes = ["offsetBox", "halfPeriodBox", "pulseBox"]
        for (let i = 0; i < boxes.length; ++i) {
            const box = findChild(page, boxes[i])
            box.value = box.to
            waitForRendering(box)
            verify(box.contentItem.contentWidth + 12 <= box.contentItem.width,
                   boxes[i] + " " + box.contentItem.contentWidth + " in " + box.contentItem.width)
        }
    }

    function test_dimmingSendsAllMembers_data() {
        return [ { tag: "autosave on", autosave: true }, { tag: "autosave off", autosave: false } ]
    }

    function test_dimmingSendsAllMembers(data) {
        const page = openPage(dimmingEntry, "dim-all", { autosave: data.autosave })
        const device = page.usedModel
        mouseClick(findChild(page, "timerSwitch"))
        saveAndExpectPop(page)
        compare(device.dimmimg_all_settings, '{"crosszero_offset":"500","half_period":"10000",'
                + '"pulse_duration":"9000","use_timer_sinch":"true"}')
        waitForQueries("dim-all", data.autosave ? 1 : 2)
        compare(simulator.queries("dim-all"),
                ["request_type=set&item_type=dimming_parameters&crosszero_offset=500&half_period=10000"
                 + "&pulse_duration=9000&use_timer_sinch=true"].concat(autosaveQueries(data.autosave)))
    }

    function test_dimmingBoxLimits_data() {
        const rows = []
        const boxes = ["offsetBox", "halfPeriodBox", "pulseBox"]
        for (let i = 0; i < boxes.length; ++i) {
            rows.push({ tag: boxes[i] + " minus at 0", box: boxes[i], typed: "0", minus: 2, expected: 0 })
            rows.push({ tag: boxes[i] + " plus at 20000", box: boxes[i], typed: "20000", plus: 2,
                        expected: 20000 })
        }
        rows.push({ tag: "typed 25000", box: "pulseBox", typed: "25000", expected: 2500 })
        rows.push({ tag: "typed 20001", box: "pulseBox", typed: "20001", expected: 2000 })
        rows.push({ tag: "typed with blanks and unit", box: "halfPeriodBox", typed: " 1 500 мкс",
                    expected: 1500 })
        return rows
    }

    function test_dimmingBoxLimits(data) {
        const page = openPage(dimmingEntry, "dim-limits", {})
        const box = findChild(page, data.box)
        typeNumber(box, data.typed)
        for (let i = 0; i < (data.plus || 0); ++i)
            clickPlus(box)
        for (let i = 0; i < (data.minus || 0); ++i)
            clickMinus(box)
        compare(box.value, data.expected)
    }

    // The box reads back what it shows (the Russian grouping puts a no-break
    // space between the digit groups); text that is no whole number within
    // the limits is refused while typing and leaves the value as it was.
    function test_dimmingBoxRefusesMangledText_data() {
        return [
            { tag: "letters inside", box: "pulseBox", at: 1, typed: "x99", expected: 9000 },
            { tag: "beyond the limit", box: "halfPeriodBox", at: 1, typed: "5", expected: 10000 },
            { tag: "digit inside", box: "offsetBox", at: 0, typed: "1", expected: 1500 }
        ]
    }

    function test_dimmingBoxRefusesMangledText(data) {
        const page = openPage(dimmingEntry, "dim-mangled", {})
        const box = findChild(page, data.box)
        const input = box.contentItem
        verify(input.acceptableInput, input.text)
        compare(box.valueFromText(input.text, box.locale), box.value)
        input.forceActiveFocus()
        input.cursorPosition = data.at
        for (let i = 0; i < data.typed.length; ++i)
            keyClick(data.typed[i])
        keyClick(Qt.Key_Enter)
        compare(box.value, data.expected)
        verify(input.acceptableInput, input.text)
    }

    function test_dimmingTypedValueIsSent() {
        const page = openPage(dimmingEntry, "dim-typed", {})
        const device = page.usedModel
        typeNumber(findChild(page, "halfPeriodBox"), " 1 500 мкс")
        saveAndExpectPop(page)
        compare(JSON.parse(device.dimmimg_all_settings).half_period, "1500")
        waitForQueries("dim-typed", 1)
        compare(simulator.queries("dim-typed"),
                ["request_type=set&item_type=dimming_parameters&crosszero_offset=500&half_period=1500"
                 + "&pulse_duration=9000&use_timer_sinch=false"])
    }
}
