import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Project.types 1.0

// The channel page, opened for channel 2 of a simulated controller.
SettingsTestCase {
    id: testCase

    name: "SettingsChannel"

    function channelIndex(row) {
        return norvaleoDevicesModel.index(row, 0, deviceIndex(0))
    }

    // slowTime, when given, is set on the device through the model first.
    function openChannel(uniqueId, options, slowTime) {
        addDevice(uniqueId, "Щиток", 1, 2, options)
        waitForReplies(0, 2)
        if (slowTime !== undefined) {
            norvaleoDevicesModel.setData(channelIndex(1), slowTime,
                                         norvaleoDevicesModel.roleByName("slow_time"))
            tryVerify(function() { return simulator.queries(uniqueId).length > 0 }, replyTimeout)
            compare(simulator.queries(uniqueId),
                    ["request_type=set&item_type=light_slowtime&ch_2=" + slowTime])
        }
        const window = createWindow()
        const page = openChannelPage(window, 0, 1)
        simulator.clearRequests()
        return page
    }

    function autosaveQueries(autosave) {
        return autosave ? [] : ["request_type=set&item_type=autosave&val=true"]
    }

    function test_showsChannel() {
        const page = openChannel("ch-show", {})
        compare(page.header.title, "Лампа 2")
        compare(findChild(page, "nameField").text, "Лампа 2")
        compare(findChild(page, "lightIdRow").value, "2")
        // The simulator starts its outputs as trailing edge.
        compare(findChild(page, "typeSelector").currentText, "1: Trailing edge")
        compare(findChild(page, "minimumBox").value, 0)
        compare(findChild(page, "maximumBox").value, 255)
        compare(findChild(page, "secondsBox").value, 1)
        simulator.screenshot(page, "settings-channel")
        const selector = findChild(page, "typeSelector")
        mouseClick(selector)
        tryCompare(selector.popup, "opened", true)
        // The list is longer than its popup: the indicator says so without a flick.
        verify(selector.popup.contentItem.contentHeight > selector.popup.contentItem.height)
        const indicator = findChild(selector.popup.contentItem, "scrollIndicator")
        verify(indicator.active)
        verify(indicator.contentItem.opacity > 0)
        simulator.screenshot(page, "settings-channel-types")
    }

    function test_rampOpensAndSaves_data() {
        return [
            { tag: "90500", slowTime: 90500, minutes: 1, seconds: 30, milliseconds: 500, saved: null },
            { tag: "1950", slowTime: 1950, minutes: 0, seconds: 1, milliseconds: 900, saved: 1900 },
            { tag: "6539900", slowTime: 6539900, minutes: 108, seconds: 59, milliseconds: 900, saved: null }
        ]
    }

    function test_rampOpensAndSaves(data) {
        const page = openChannel("ch-ramp", {}, data.slowTime)
        compare(findChild(page, "minutesBox").value, data.minutes)
        compare(findChild(page, "secondsBox").value, data.seconds)
        compare(findChild(page, "millisecondsBox").value, data.milliseconds)
        compare(findChild(page, "minutesBox").displayText, data.minutes + " мин")
        saveAndExpectPop(page)
        settleRequests("ch-ramp")
        compare(simulator.queries("ch-ramp"), data.saved === null
                ? [] : ["request_type=set&item_type=light_slowtime&ch_2=" + data.saved])
    }

    function test_longestRamp() {
        const page = openChannel("ch-long", {})
        typeNumber(findChild(page, "minutesBox"), "108")
        typeNumber(findChild(page, "secondsBox"), "59")
        const milliseconds = findChild(page, "millisecondsBox")
        verify(!milliseconds.editable)
        for (let i = 0; i < 10; ++i)
            clickPlus(milliseconds)
        compare(milliseconds.value, 900)
        saveAndExpectPop(page)
        tryVerify(function() { return simulator.queries("ch-long").length > 0 }, replyTimeout)
        compare(simulator.queries("ch-long"), ["request_type=set&item_type=light_slowtime&ch_2=6539900"])
    }

    // One edited value writes that role only, and the autosave flag when it was off.
    function test_singleChange_data() {
        const rows = []
        const changes = [
            { tag: "maximum", box: "maximumBox", typed: "200",
              query: "request_type=set&item_type=light_max_threshold&ch_2=200" },
            { tag: "minimum", box: "minimumBox", typed: "12",
              query: "request_type=set&item_type=light_min_threshold&ch_2=12" },
            { tag: "name", name: "Кухня", query: "request_type=set&item_type=channel_name&ch_2=Кухня" },
            { tag: "type", type: 3, query: "request_type=set&item_type=light_type&ch_2=PWM" }
        ]
        for (let i = 0; i < changes.length; ++i) {
            for (const autosave of [true, false]) {
                const row = Object.assign({}, changes[i])
                row.tag = changes[i].tag + (autosave ? ", autosave on" : ", autosave off")
                row.autosave = autosave
                rows.push(row)
            }
        }
        return rows
    }

    function test_singleChange(data) {
        const page = openChannel("ch-one", { autosave: data.autosave })
        if (data.box)
            typeNumber(findChild(page, data.box), data.typed)
        if (data.name)
            typeInto(findChild(page, "nameField"), data.name)
        if (data.type)
            chooseEntry(findChild(page, "typeSelector"), data.type)
        saveAndExpectPop(page)
        const expected = [data.query].concat(autosaveQueries(data.autosave))
        tryVerify(function() { return simulator.queries("ch-one").length >= expected.length }, replyTimeout)
        settleRequests("ch-one")
        compare(decodedQueries("ch-one"), expected)
    }

    // The field stops at the model's limit; a longer name that the model
    // refuses (a field allowed more) keeps the page open and sends nothing.
    function test_longName_data() {
        const cut = "request_type=set&item_type=channel_name&ch_2=" + "ж".repeat(64)
        return [{ tag: "cut", fieldLimit: 64, length: 64, queries: [cut] },
                { tag: "refused", fieldLimit: 100, length: 70, queries: [] }]
    }

    function test_longName(data) {
        const page = openChannel("ch-long-name", {})
        const field = findChild(page, "nameField")
        compare(field.maximumLength, 64)
        field.maximumLength = data.fieldLimit
        typeInto(field, "ж".repeat(70))
        compare(field.text, "ж".repeat(data.length))
        if (data.queries.length > 0) {
            saveAndExpectPop(page)
        } else {
            saveAndExpectRefusal(page)
            verify(field.attention)
        }
        settleRequests("ch-long-name")
        compare(decodedQueries("ch-long-name"), data.queries)
    }

    // Typed limits are read up to the first character that is not a digit.
    function test_limitBoxReadsLeadingDigits() {
        const page = openChannel("ch-digits", {})
        const box = findChild(page, "maximumBox")
        verify(!box.ignoreWhiteSpace)
        compare(box.readNumber("12 5"), 12)
        compare(box.readNumber("7x"), 7)
        typeNumber(box, "999")
        compare(box.value, 99)
    }

    function test_emptyNameRefused() {
        const page = openChannel("ch-empty", { autosave: false })
        const field = findChild(page, "nameField")
        typeInto(field, "")
        typeNumber(findChild(page, "maximumBox"), "100")
        saveAndExpectRefusal(page)
        verify(field.attention)
        verify(Qt.colorEqual(field.background.border.color, "red"), String(field.background.border.color))
        compare(Number(page.usedModel.max_brightness), 255)
        simulator.screenshot(page, "settings-channel-empty-name")

        // Clicking into the field clears the flag.
        mouseClick(field)
        verify(field.activeFocus)
        verify(!field.attention)
        verify(Qt.colorEqual(field.background.border.color, "transparent"), String(field.background.border.color))
        settleRequests("ch-empty")
        compare(simulator.queries("ch-empty"), [])
    }
}
