import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15

// The Wi-Fi and wired network pages against a simulated controller that
// starts with Wi-Fi on DHCP (SSID NorvaleoHome) and a static wired address.
SettingsTestCase {
    id: testCase

    readonly property int wifiEntry: 1
    readonly property int lanEntry: 2

    name: "SettingsNetwork"

    function openNetworkPage(entry, uniqueId) {
        addDevice(uniqueId, "Гостиная", 1, 0)
        waitForReplies(0, 0)
        const window = createWindow()
        const page = openGeneralPage(window, 0, entry)
        simulator.clearRequests()
        return page
    }

    function toggle(page, switchName) {
        mouseClick(findChild(page, switchName))
    }

    function test_wifiPageShowsController() {
        const page = openNetworkPage(wifiEntry, "wifi-show")
        compare(findChild(page, "ssidField").text, "NorvaleoHome")
        compare(findChild(page, "passField").text, "")
        verify(findChild(page, "dhcpSwitch").checked)
        compare(findChild(page, "ipField").text, "127.0.0.3")
        compare(findChild(page, "maskField").text, "255.0.0.0")
        compare(findChild(page, "gateField").text, "127.0.0.1")
        verify(!findChild(page, "ipField").enabled)
        const status = findChild(page, "statusRow")
        compare(status.label, "Подключено")
        // Requests go to the wired address while it answers.
        compare(status.value, "")
        simulator.screenshot(page, "settings-wifi")
    }

    function test_lanPageShowsController() {
        const page = openNetworkPage(lanEntry, "lan-show")
        verify(!findChild(page, "dhcpSwitch").checked)
        compare(findChild(page, "ipField").text, "127.0.0.2")
        verify(findChild(page, "ipField").enabled)
        const status = findChild(page, "statusRow")
        compare(status.label, "Подключено")
        compare(status.value, "Используется")
        simulator.screenshot(page, "settings-lan")
    }

    // What the page writes to its carrier role and what the device receives.
    function test_wifiSettingsText_data() {
        return [
            { tag: "only dhcp", dhcpOff: true, ssid: null, pass: null,
              text: '{"wifi_settings":{"wifi_dhcp":"false","wifi_ip":"127.0.0.3",'
                    + '"wifi_mask":"255.0.0.0","wifi_gate":"127.0.0.1"}}',
              query: "request_type=set&item_type=wifi_settings&dhcp=false&ip_address=127.0.0.3"
                     + "&ip_mask=255.0.0.0&ip_gate=127.0.0.1" },
            { tag: "only password", dhcpOff: false, ssid: null, pass: "s3cret 1",
              text: '{"wifi_settings":{"wifi_ssid":"NorvaleoHome","wifi_pass":"s3cret 1",'
                    + '"wifi_dhcp":"true","wifi_ip":"127.0.0.3","wifi_mask":"255.0.0.0",'
                    + '"wifi_gate":"127.0.0.1"}}',
              query: "request_type=set&item_type=wifi_settings&ssid=NorvaleoHome&pass=s3cret 1"
                     + "&dhcp=true" },
            { tag: "only name", dhcpOff: false, ssid: "Дача", pass: null,
              text: '{"wifi_settings":{"wifi_ssid":"Дача","wifi_pass":"",'
                    + '"wifi_dhcp":"true","wifi_ip":"127.0.0.3","wifi_mask":"255.0.0.0",'
                    + '"wifi_gate":"127.0.0.1"}}',
              query: "request_type=set&item_type=wifi_settings&ssid=Дача&pass=&dhcp=true" },
            { tag: "quote and backslash", dhcpOff: false, ssid: 'My "home"\\net', pass: null,
              text: '{"wifi_settings":{"wifi_ssid":"My \\"home\\"\\\\net","wifi_pass":"",'
                    + '"wifi_dhcp":"true","wifi_ip":"127.0.0.3","wifi_mask":"255.0.0.0",'
                    + '"wifi_gate":"127.0.0.1"}}',
              query: 'request_type=set&item_type=wifi_settings&ssid=My "home"\\net&pass=&dhcp=true' }
        ]
    }

    function test_wifiSettingsText(data) {
        const page = openNetworkPage(wifiEntry, "wifi-text")
        const device = page.usedModel
        if (data.dhcpOff)
            toggle(page, "dhcpSwitch")
        if (data.ssid !== null)
            typeInto(findChild(page, "ssidField"), data.ssid)
        if (data.pass !== null)
            typeInto(findChild(page, "passField"), data.pass)
        // The carrier's values in turn, as the model announces changes.
        const carrier = norvaleoDevicesModel.roleByName("wifi_all_settings")
        const written = [String(device.wifi_all_settings)]
        const capture = function(topLeft) {
            const text = norvaleoDevicesModel.data(topLeft, carrier)
            if (typeof text === "string" && text !== written[written.length - 1])
                written.push(text)
        }
        norvaleoDevicesModel.dataChanged.connect(capture)
        saveAndExpectPop(page)
        norvaleoDevicesModel.dataChanged.disconnect(capture)
        // The text holds the password: it is cleared once the request is built.
        compare(written, ["", data.text, ""])
        compare(device.wifi_all_settings, "")
        tryVerify(function() { return decodedQueries("wifi-text").length > 0 }, replyTimeout)
        compare(decodedQueries("wifi-text"), [data.query])
        // The simulated device accepted it: its next status shows the change.
        if (data.ssid !== null)
            tryCompare(device, "wifi_ssid", data.ssid, replyTimeout)
        if (data.dhcpOff)
            tryCompare(device, "wifi_dhcp", false, replyTimeout)
    }

    // With DHCP off the first address field that is empty or incomplete
    // refuses the save and shows its outline.
    function test_incompleteFieldRefused_data() {
        const rows = []
        const fields = ["ipField", "maskField", "gateField"]
        for (let i = 0; i < fields.length; ++i) {
            rows.push({ tag: "wifi " + fields[i], entry: wifiEntry, field: fields[i], typed: "", refused: true })
            rows.push({ tag: "lan " + fields[i], entry: lanEntry, field: fields[i], typed: "", refused: true })
        }
        rows.push({ tag: "wifi half address", entry: wifiEntry, field: "ipField", typed: "192.168.1", refused: true })
        rows.push({ tag: "lan mask with a hole", entry: lanEntry, field: "maskField", typed: "255.0.255.0", refused: true })
        rows.push({ tag: "lan dhcp on", entry: lanEntry, field: "ipField", typed: "", refused: false })
        return rows
    }

    function test_incompleteFieldRefused(data) {
        const page = openNetworkPage(data.entry, "net-empty")
        const device = page.usedModel
        const field = findChild(page, data.field)
        // The Wi-Fi controller starts on DHCP: its fields are editable with it off.
        if (data.entry === wifiEntry)
            toggle(page, "dhcpSwitch")
        typeInto(field, data.typed)
        compare(field.text, data.typed)
        // The wired one starts off; with DHCP switched on the check is skipped.
        if (!data.refused)
            toggle(page, "dhcpSwitch")
        const carrier = data.entry === wifiEntry ? "wifi_all_settings" : "lan_all_settings"
        if (!data.refused) {
            saveAndExpectPop(page)
            const written = JSON.parse(device[carrier]).lan_settings
            compare(written.lan_dhcp, "true")
            compare(written.lan_ip, "")
            return
        }
        saveAndExpectRefusal(page)
        verify(field.attention)
        compare(field.background.border.color, field.attentionColor)
        if (data.tag === "wifi half address")
            simulator.screenshot(page, "settings-wifi-half-address")
        // Only the first refused field is flagged.
        const others = ["ipField", "maskField", "gateField"].filter(function(n) { return n !== data.field })
        for (let i = 0; i < others.length; ++i)
            verify(!findChild(page, others[i]).attention, others[i])
        compare(String(device[carrier]), "")
        settleRequests("net-empty")
        compare(simulator.queries("net-empty"), [])
    }

    // A renewed item data object must not take back typed text.
    function test_editKeptWhenTreeChanges_data() {
        return [
            { tag: "lan address", entry: lanEntry, field: "ipField", typed: "127.0.0.9",
              sent: "ip_address=127.0.0.9&" },
            { tag: "lan address, leading zeros", entry: lanEntry, field: "ipField", typed: "127.0.0.010",
              sent: "ip_address=127.0.0.10&" },
            { tag: "wifi mask", entry: wifiEntry, field: "maskField", typed: "255.255.0.0",
              sent: "ip_mask=255.255.0.0&" },
            { tag: "wifi gateway", entry: wifiEntry, field: "gateField", typed: "127.0.0.254",
              sent: "ip_gate=127.0.0.254" }
        ]
    }

    function test_editKeptWhenTreeChanges(data) {
        const page = openNetworkPage(data.entry, "net-kept")
        if (data.entry === wifiEntry)
            toggle(page, "dhcpSwitch")
        typeInto(findChild(page, data.field), data.typed)
        renewItemData(page)
        compare(findChild(page, data.field).text, data.typed)
        saveAndExpectPop(page)
        tryVerify(function() { return decodedQueries("net-kept").length > 0 }, replyTimeout)
        verify(decodedQueries("net-kept")[0].indexOf(data.sent) > 0, decodedQueries("net-kept")[0])
    }

    function test_staticWiredAddressMovesRequests() {
        const page = openNetworkPage(lanEntry, "lan-move")
        const device = page.usedModel
        settleRequests("lan-move")
        compare(simulator.requestAddresses("lan-move").filter(function(a) { return a !== "127.0.0.2" }), [])

        // The Wi-Fi address of the same device, so the moved requests still land.
        typeInto(findChild(page, "ipField"), "127.0.0.3")
        saveAndExpectPop(page)
        compare(device.lan_all_settings, '{"lan_settings":{"lan_dhcp":"false","lan_ip":"127.0.0.3",'
                + '"lan_mask":"255.0.0.0","lan_gate":"127.0.0.1"}}')
        compare(device.ipAddress_1, "127.0.0.3")
        tryVerify(function() { return decodedQueries("lan-move").length > 0 }, replyTimeout)
        compare(decodedQueries("lan-move"), ["request_type=set&item_type=lan_settings&dhcp=false"
                                             + "&ip_address=127.0.0.3&ip_mask=255.0.0.0&ip_gate=127.0.0.1"])
        // The set request itself went to the old address; everything after it to the new one.
        simulator.clearRequests()
        settleRequests("lan-move")
        compare(simulator.requestAddresses("lan-move").filter(function(a) { return a !== "127.0.0.3" }), [])
        compare(Number(device.using_interface), 1)
    }
}
