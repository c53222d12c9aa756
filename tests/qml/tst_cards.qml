import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import "qrc:/"

// Channel cards and the dimming popup on a controller's channel grid, against
// the real root model; what reaches the device is read from the simulator.
TestCase {
    id: testCase

    name: "Cards"
    when: windowShown

    readonly property string brightnessSet: "request_type=set&item_type=light_brightness&"

    function createWindow() {
        const component = Qt.createComponent("qrc:/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        const window = createTemporaryObject(component, testCase)
        verify(window)
        waitForRendering(window.contentItem)
        return window
    }

    function channelCount() {
        const devices = norvaleoDevicesModel.index(0, 0)
        return norvaleoDevicesModel.rowCount(norvaleoDevicesModel.index(0, 0, devices))
    }

    function channelIndex(channel) {
        const devices = norvaleoDevicesModel.index(0, 0)
        const controller = norvaleoDevicesModel.index(0, 0, devices)
        return norvaleoDevicesModel.index(channel - 1, 0, controller)
    }

    function channelValue(channel, roleName) {
        return norvaleoDevicesModel.data(channelIndex(channel),
                                         norvaleoDevicesModel.roleByName(roleName))
    }

    // One controller in the list, its channels at the given levels.
    function startController(uid, wired, wifi, levels) {
        simulator.resetModel()
        simulator.removeControllers()
        verify(simulator.addController(uid, "Кухня", wired, wifi, levels.length))
        for (let i = 0; i < levels.length; ++i)
            simulator.setBrightness(uid, i + 1, levels[i])
        simulator.addToModel(uid)
        tryVerify(function() { return channelCount() === levels.length })
    }

    // The window with the first controller's channel grid open.
    function openChannels() {
        const window = createWindow()
        const stack = findChild(window.contentItem, "stackView")
        const page = stack.currentItem
        tryCompare(page.grid, "count", 1)
        mouseClick(cardAt(page.grid, 0))
        tryCompare(stack, "depth", 2)
        tryCompare(stack, "busy", false)
        const inner = stack.currentItem
        tryCompare(inner.grid, "count", channelCount())
        return { window: window, inner: inner }
    }

    function cardAt(grid, index) {
        tryVerify(function() {
            grid.forceLayout()
            return grid.itemAtIndex(index) !== null
        })
        return grid.itemAtIndex(index)
    }

    function percentText(card) {
        return findChild(card, "percentText").text
    }

    function popupOf(window) {
        return findChild(window, "dimmerPopup")
    }

    // Replies to polls sent before a change may still be on their way; two
    // later polls make sure the card shows what the device holds.
    function waitForTwoPolls(uid) {
        const before = simulator.queries(uid, false).length
        tryVerify(function() { return simulator.queries(uid, false).length >= before + 2 }, 10000)
        wait(100)
    }

    // A point on the card away from its two round buttons.
    function clickCard(card) {
        mouseClick(card, 45, 60)
    }

    function test_percentageAndColours_data() {
        return [
            { tag: "off", channel: 1, brightness: 0, text: "0%", textColor: "#4a4a4a",
              background: "#efefef", glow: false, lit: 0, glowSize: 0, shadowOffset: 5, shadowRadius: 5,
              shadowColor: "#e1e1e1" },
            { tag: "faint", channel: 2, brightness: 2, text: "0%", textColor: "#00702f",
              background: "#c8f0d9", glow: false, lit: 0, glowSize: 0, shadowOffset: 6, shadowRadius: 15,
              shadowColor: "#d5d5d5" },
            { tag: "half", channel: 3, brightness: 128, text: "50%", textColor: "#00702f",
              background: "#c8f0d9", glow: true, lit: 0.5, glowSize: 20, shadowOffset: 6, shadowRadius: 15,
              shadowColor: "#d5d5d5" },
            { tag: "full", channel: 4, brightness: 255, text: "100%", textColor: "#00702f",
              background: "#c8f0d9", glow: true, lit: 1, glowSize: 40, shadowOffset: 6, shadowRadius: 15,
              shadowColor: "#d5d5d5" }
        ]
    }

    function test_percentageAndColours(data) {
        startController("cards-colours", "127.0.0.10", "127.0.0.11", [0, 2, 128, 255])
        const view = openChannels()
        const card = cardAt(view.inner.grid, data.channel - 1)
        tryVerify(function() { return Number(channelValue(data.channel, "brightness")) === data.brightness })
        tryCompare(findChild(card, "percentText"), "text", data.text)

        verify(Qt.colorEqual(findChild(card, "percentText").color, data.textColor))
        verify(Qt.colorEqual(findChild(card, "percentButton").background.color, data.background))
        compare(findChild(card, "bulbOn").opacity, data.lit)
        verify(findChild(card, "bulbOff").visible)
        const glow = findChild(card, "glow")
        compare(glow.visible, data.glow)
        compare(glow.glowRadius, data.glowSize)
        compare(glow.width, data.glowSize)
        const shadow = findChild(card, "cardShadow")
        compare(shadow.verticalOffset, data.shadowOffset)
        compare(shadow.radius, data.shadowRadius)
        verify(Qt.colorEqual(shadow.color, data.shadowColor))
        // A shadow drawn from a picture: one exists for this state.
        tryCompare(shadow, "status", Image.Ready)
        // Connected: no warning.
        tryCompare(findChild(card, "warningIcon"), "visible", false)
        // Neither round button covers the bulb, and "100%" keeps off the circle's edge.
        const bulb = findChild(card, "bulbOn")
        const bulbRight = bulb.mapToItem(card, bulb.width, 0).x
        verify(bulbRight <= findChild(card, "percentButton").x, bulbRight)
        verify(bulbRight <= findChild(card, "favouriteButton").x, bulbRight)
        const text = findChild(card, "percentText")
        verify(text.contentWidth <= text.width - 4, text.contentWidth)
        if (data.tag === "full") {
            simulator.screenshot(view.window, "channels-lit-and-dark")
            view.window.width = 320
            view.window.height = 320
            waitForRendering(view.window.contentItem)
            simulator.screenshot(view.window, "small-channels")
        }
    }

    function test_clickSwitchesOffThenFullOn() {
        startController("cards-click", "127.0.0.12", "127.0.0.13", [17, 0])
        const view = openChannels()
        const card = cardAt(view.inner.grid, 0)
        tryCompare(findChild(card, "percentText"), "text", "6%")
        tryCompare(card, "connected", true)
        simulator.clearRequests()
        // Every picture the shadow takes while the card changes state exists.
        const shadow = findChild(card, "cardShadow")
        const missing = []
        shadow.statusChanged.connect(function() {
            if (shadow.status === Image.Error)
                missing.push(String(shadow.source))
        })

        clickCard(card)
        tryVerify(function() { return simulator.queries("cards-click").length === 1 })
        compare(simulator.queries("cards-click")[0], brightnessSet + "ch_1=0")
        tryCompare(findChild(card, "percentText"), "text", "0%")
        waitForTwoPolls("cards-click")
        compare(percentText(card), "0%")

        clickCard(card)
        tryVerify(function() { return simulator.queries("cards-click").length === 2 })
        compare(simulator.queries("cards-click")[1], brightnessSet + "ch_1=255")
        tryCompare(findChild(card, "percentText"), "text", "100%")
        compare(simulator.brightness("cards-click", 1), 255)
        tryCompare(shadow, "source", "qrc:/icons/shadows/shadow-c20-x0-y6-r15-s15-d5d5d5.png")
        compare(shadow.status, Image.Ready)
        compare(missing, [])
    }

    function test_pressAndHoldOpensPopupWithoutSwitching() {
        startController("cards-hold", "127.0.0.14", "127.0.0.15", [128])
        const view = openChannels()
        const card = cardAt(view.inner.grid, 0)
        tryCompare(findChild(card, "percentText"), "text", "50%")
        tryCompare(card, "connected", true)
        simulator.clearRequests()

        mousePress(card, 45, 60)
        tryVerify(function() { return popupOf(view.window) !== null && popupOf(view.window).opened })
        mouseRelease(card, 45, 60)
        const popup = popupOf(view.window)
        compare(popup.slider.value, 128)
        compare(findChild(popup, "sliderText").text, "50%")
        simulator.screenshot(view.window, "dimmer-popup")
        waitForTwoPolls("cards-hold")
        compare(simulator.queries("cards-hold"), [])
        compare(Number(channelValue(1, "brightness")), 128)

        mouseClick(view.window.contentItem, 5, 5)
        tryVerify(function() { return popupOf(view.window) === null })
    }

    function test_sliderSendsOncePerSecondWhileHeld() {
        startController("cards-slider", "127.0.0.16", "127.0.0.17", [0])
        const view = openChannels()
        const card = cardAt(view.inner.grid, 0)
        tryCompare(card, "connected", true)
        mouseClick(findChild(card, "percentButton"))
        tryVerify(function() { return popupOf(view.window) !== null && popupOf(view.window).opened })
        const popup = popupOf(view.window)
        const slider = popup.slider
        simulator.clearRequests()

        // Press low on the bar and drag past its top, then hold still.
        mousePress(slider, slider.width / 2, slider.height - 5)
        mouseMove(slider, slider.width / 2, slider.height / 2, -1, Qt.LeftButton)
        mouseMove(slider, slider.width / 2, -20, -1, Qt.LeftButton)
        compare(slider.value, 255)
        compare(findChild(popup, "sliderText").text, "100%")
        const held = brightnessSet + "ch_1=255"
        tryVerify(function() { return simulator.queries("cards-slider").length >= 2 }, 10000)
        compare(simulator.queries("cards-slider").filter(function(q) { return q !== held }), [])
        compare(simulator.brightness("cards-slider", 1), 255)

        // Let go past the bottom: that value goes out at once, then nothing more.
        mouseMove(slider, slider.width / 2, slider.height + 20, -1, Qt.LeftButton)
        mouseRelease(slider, slider.width / 2, slider.height + 20)
        verify(!popup.sendTimer.running)
        compare(findChild(popup, "sliderText").text, "0%")
        tryVerify(function() { return simulator.brightness("cards-slider", 1) === 0 }, 10000)
        const queries = simulator.queries("cards-slider")
        compare(queries[queries.length - 1], brightnessSet + "ch_1=0")
    }

    function test_openingAndClosingWritesNothing() {
        startController("cards-quiet", "127.0.0.18", "127.0.0.19", [64])
        const view = openChannels()
        const card = cardAt(view.inner.grid, 0)
        tryCompare(findChild(card, "percentText"), "text", "25%")
        simulator.clearRequests()

        for (let i = 0; i < 3; ++i) {
            mouseClick(findChild(card, "percentButton"))
            tryVerify(function() { return popupOf(view.window) !== null && popupOf(view.window).opened })
            const popup = popupOf(view.window)
            compare(popup.slider.value, 64)
            // A press outside the bar closes it.
            mouseClick(view.window.contentItem, 5, 5)
            tryVerify(function() { return popupOf(view.window) === null })
        }
        waitForTwoPolls("cards-quiet")
        compare(simulator.queries("cards-quiet"), [])
        compare(Number(channelValue(1, "brightness")), 64)
    }

    // A new controller's first channels reset every view of the tree, and the
    // channel's item object goes with the old card: the popup must not stay
    // open with nothing behind it.
    function test_popupClosesWhenItsCardIsRebuilt() {
        startController("cards-rebuilt", "127.0.0.24", "127.0.0.25", [0])
        verify(simulator.addController("cards-other", "Кладовая", "127.0.0.26", "127.0.0.27", 1))
        const view = openChannels()
        const card = cardAt(view.inner.grid, 0)
        mouseClick(findChild(card, "percentButton"))
        tryVerify(function() { return popupOf(view.window) !== null && popupOf(view.window).opened })
        simulator.clearRequests()

        simulator.addToModel("cards-other")
        // Once the new controller's channel is in the tree, any rebuild is over.
        tryVerify(function() {
            const devices = norvaleoDevicesModel.index(0, 0)
            return norvaleoDevicesModel.rowCount(norvaleoDevicesModel.index(1, 0, devices)) === 1
        })
        tryCompare(view.inner.grid, "count", 1)
        const survivor = popupOf(view.window)
        if (survivor !== null) {
            // The grid kept its card: the open popup must still have its channel.
            verify(survivor.usedModel !== null && survivor.usedModel !== undefined)
            compare(Number(survivor.usedModel.light_id), 1)
            mouseClick(view.window.contentItem, 5, 5)
            tryVerify(function() { return popupOf(view.window) === null })
        }
        compare(simulator.queries("cards-rebuilt"), [])

        // The new card opens a working popup.
        const newCard = cardAt(view.inner.grid, 0)
        tryCompare(newCard, "connected", true)
        mouseClick(findChild(newCard, "percentButton"))
        tryVerify(function() { return popupOf(view.window) !== null && popupOf(view.window).opened })
        const slider = popupOf(view.window).slider
        mousePress(slider, slider.width / 2, slider.height - 5)
        mouseMove(slider, slider.width / 2, slider.height / 2, -1, Qt.LeftButton)
        mouseRelease(slider, slider.width / 2, slider.height / 2)
        const expected = brightnessSet + "ch_1=" + slider.value
        tryVerify(function() { return simulator.queries("cards-rebuilt").indexOf(expected) >= 0 })
        mouseClick(view.window.contentItem, 5, 5)
        tryVerify(function() { return popupOf(view.window) === null })
    }

    function test_digitalChannelOpensNoPopup() {
        startController("cards-digital", "127.0.0.20", "127.0.0.21", [0, 0])
        simulator.setOutputType("cards-digital", 2, "DIGITAL")
        const view = openChannels()
        const card = cardAt(view.inner.grid, 1)
        tryCompare(card, "digital", true)
        tryCompare(card, "connected", true)
        simulator.clearRequests()

        mouseClick(findChild(card, "percentButton"))
        compare(popupOf(view.window), null)
        mousePress(card, 45, 60)
        wait(1500)
        compare(popupOf(view.window), null)
        mouseRelease(card, 45, 60)
        compare(popupOf(view.window), null)
        // The release that ends a hold does not switch either.
        compare(Number(channelValue(2, "brightness")), 0)

        // A click still switches it.
        clickCard(card)
        tryVerify(function() { return simulator.queries("cards-digital").length === 1 })
        compare(simulator.queries("cards-digital")[0], brightnessSet + "ch_2=255")
        compare(popupOf(view.window), null)
    }

    function test_disconnectedChannel() {
        simulator.resetModel()
        simulator.removeControllers()
        verify(simulator.addController("cards-dead", "Чулан", "127.0.0.22", "127.0.0.23", 1))
        simulator.setSilent("cards-dead", true)
        verify(simulator.writeSettingsFile(JSON.stringify({
            NORVALEO_DIMMER_1: {
                ipAddress_1: "127.0.0.22", ipAddress_2: "127.0.0.23", name: "Чулан",
                uniqueId: "cards-dead",
                DIMMER_1: { favourites: "false", light_id: "1", name: "Бра <i>1</i>" }
            }
        })))
        simulator.reloadSettings()
        compare(channelCount(), 1)
        const view = openChannels()
        const card = cardAt(view.inner.grid, 0)
        compare(card.connected, false)
        compare(findChild(card, "nameText").text, "Бра <i>1</i>")
        compare(findChild(card, "nameText").textFormat, Text.PlainText)

        const warning = findChild(card, "warningIcon")
        verify(warning.visible)
        compare(String(warning.source), "qrc:/icons/warning-15.png")
        verify(findChild(warning, "warningBlink").running)

        clickCard(card)
        compare(Number(channelValue(1, "brightness")), 0)

        mouseClick(findChild(card, "favouriteButton"))
        compare(String(channelValue(1, "favourites")), "true")

        mouseClick(findChild(card, "percentButton"))
        tryVerify(function() { return popupOf(view.window) !== null && popupOf(view.window).opened })
        const slider = popupOf(view.window).slider
        mousePress(slider, slider.width / 2, slider.height - 5)
        mouseMove(slider, slider.width / 2, slider.height / 2, -1, Qt.LeftButton)
        mouseRelease(slider, slider.width / 2, slider.height / 2)
        const value = slider.value
        verify(value > 100 && value < 160, value)
        compare(Number(channelValue(1, "brightness")), value)
        // Nothing is sent before the device at the address has said who it is:
        // the next request that reaches it is still a status request.
        const asked = simulator.queries("cards-dead", false).length
        tryVerify(function() { return simulator.queries("cards-dead", false).length > asked }, 15000)
        compare(simulator.queries("cards-dead"), [])
        mouseClick(view.window.contentItem, 5, 5)
        tryVerify(function() { return popupOf(view.window) === null })
    }
}
