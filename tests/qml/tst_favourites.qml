import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import "qrc:/"

// The Favourites page over the real favourites proxy: marks made on a
// channel grid, switching from the page, and marks restored as text.
TestCase {
    id: testCase

    name: "Favourites"
    when: windowShown

    readonly property string brightnessSet: "request_type=set&item_type=light_brightness&"

    function init() {
        simulator.resetModel()
        simulator.removeControllers()
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

    function channelCount() {
        const devices = norvaleoDevicesModel.index(0, 0)
        return norvaleoDevicesModel.rowCount(norvaleoDevicesModel.index(0, 0, devices))
    }

    function channelIndex(row) {
        const devices = norvaleoDevicesModel.index(0, 0)
        return norvaleoDevicesModel.index(row, 0, norvaleoDevicesModel.index(0, 0, devices))
    }

    function cardAt(grid, index) {
        tryVerify(function() {
            grid.forceLayout()
            return grid.itemAtIndex(index) !== null
        })
        return grid.itemAtIndex(index)
    }

    function cardNames(grid) {
        grid.forceLayout()
        const names = []
        for (let i = 0; i < grid.count; ++i) {
            const card = grid.itemAtIndex(i)
            names.push(card ? findChild(card, "nameText").text : "")
        }
        return names.join("|")
    }

    function waitForStack(stack, depth) {
        tryCompare(stack, "depth", depth)
        tryCompare(stack, "busy", false)
    }

    // The window with the first controller's channel grid on top.
    function openChannels(window) {
        const stack = stackOf(window)
        const page = stack.currentItem
        tryCompare(page.grid, "count", 1)
        mouseClick(cardAt(page.grid, 0))
        waitForStack(stack, 2)
        tryCompare(stack.currentItem.grid, "count", channelCount())
        return stack.currentItem
    }

    function openFavourites(window) {
        const stack = stackOf(window)
        const depth = stack.depth
        mouseClick(findChild(window, "tabBar").itemAt(0))
        waitForStack(stack, depth + 1)
        compare(stack.currentItem.title, "Избранное")
        return stack.currentItem
    }

    function starOf(card) {
        const button = findChild(card, "favouriteButton")
        return {
            filled: card.favourite,
            background: button.background.color
        }
    }

    function test_marksOnChannelGridFillThePage() {
        verify(simulator.addController("fav-marks", "Кухня", "127.0.0.10", "127.0.0.11", 3))
        simulator.addToModel("fav-marks")
        tryVerify(function() { return channelCount() === 3 })
        const window = createWindow()
        const stack = stackOf(window)

        let favourites = openFavourites(window)
        compare(favourites.grid.count, 0)
        compare(favourites.grid.cellWidth, 170)
        compare(favourites.grid.cellHeight, 170)
        compare(favourites.header.backButtonVisible, false)
        stack.pop()
        waitForStack(stack, 1)

        const inner = openChannels(window)
        const first = cardAt(inner.grid, 0)
        const third = cardAt(inner.grid, 2)
        verify(Qt.colorEqual(starOf(first).background, "#efefef"))
        mouseClick(findChild(third, "favouriteButton"))
        mouseClick(findChild(first, "favouriteButton"))
        compare(favouritesFilterProxyModel.rowCount(), 2)
        compare(starOf(first).filled, true)
        verify(Qt.colorEqual(starOf(first).background, "#faefe0"))

        favourites = openFavourites(window)
        tryCompare(favourites.grid, "count", 2)
        // Marked while running: in the order of marking.
        compare(cardNames(favourites.grid), "Лампа 3|Лампа 1")
        const card = cardAt(favourites.grid, 0)
        compare(card.width, 160)
        compare(card.height, 160)
        simulator.screenshot(window, "favourites")

        mouseClick(findChild(card, "favouriteButton"))
        compare(favourites.grid.count, 1)
        compare(cardNames(favourites.grid), "Лампа 1")

        stack.pop()
        waitForStack(stack, 2)
        compare(starOf(third).filled, false)
        compare(starOf(first).filled, true)
        mouseClick(findChild(first, "favouriteButton"))
        compare(favouritesFilterProxyModel.rowCount(), 0)
    }

    function test_switchingOnThePageReachesTheChannelGrid() {
        verify(simulator.addController("fav-switch", "Спальня", "127.0.0.12", "127.0.0.13", 2))
        simulator.addToModel("fav-switch")
        tryVerify(function() { return channelCount() === 2 })
        const window = createWindow()
        const inner = openChannels(window)
        const channelCard = cardAt(inner.grid, 1)
        tryCompare(channelCard, "connected", true)
        mouseClick(findChild(channelCard, "favouriteButton"))
        compare(channelCard.favourite, true)
        simulator.clearRequests()

        const favourites = openFavourites(window)
        tryCompare(favourites.grid, "count", 1)
        const card = cardAt(favourites.grid, 0)
        compare(card.connected, true)
        compare(findChild(card, "percentText").text, "0%")
        mouseClick(card, 45, 60)
        tryVerify(function() { return simulator.queries("fav-switch").length === 1 })
        compare(simulator.queries("fav-switch")[0], brightnessSet + "ch_2=255")
        tryCompare(findChild(card, "percentText"), "text", "100%")
        // The channel grid below shows the same channel lit.
        compare(findChild(channelCard, "percentText").text, "100%")
        compare(findChild(cardAt(inner.grid, 0), "percentText").text, "0%")
        tryVerify(function() { return simulator.brightness("fav-switch", 2) === 255 })
    }

    function test_marksRestoredAsText() {
        verify(simulator.writeSettingsFile(JSON.stringify({
            NORVALEO_DIMMER_1: {
                ipAddress_1: "127.0.0.14", ipAddress_2: "127.0.0.15", name: "Кабинет",
                uniqueId: "fav-restored",
                DIMMER_1: { favourites: "false", light_id: "1", name: "Бра" },
                DIMMER_2: { favourites: "true", light_id: "2", name: "Люстра" }
            }
        })))
        simulator.reloadSettings()
        compare(channelCount(), 2)
        const window = createWindow()
        const inner = openChannels(window)
        const plain = cardAt(inner.grid, 0)
        const marked = cardAt(inner.grid, 1)
        compare(starOf(plain).filled, false)
        verify(Qt.colorEqual(starOf(plain).background, "#efefef"))
        compare(starOf(marked).filled, true)
        verify(Qt.colorEqual(starOf(marked).background, "#faefe0"))

        let favourites = openFavourites(window)
        tryCompare(favourites.grid, "count", 1)
        compare(cardNames(favourites.grid), "Люстра")
        stackOf(window).pop()
        waitForStack(stackOf(window), 2)

        // A mark held as the text "false" is no mark.
        const favouritesRole = norvaleoDevicesModel.roleByName("favourites")
        const markedIndex = channelIndex(1)
        compare(typeof norvaleoDevicesModel.data(markedIndex, favouritesRole), "string")
        verify(norvaleoDevicesModel.setData(markedIndex, "false", favouritesRole))
        compare(norvaleoDevicesModel.data(markedIndex, favouritesRole), "false")
        compare(starOf(marked).filled, false)
        verify(Qt.colorEqual(starOf(marked).background, "#efefef"))

        // One click marks the plain one.
        mouseClick(findChild(plain, "favouriteButton"))
        compare(starOf(plain).filled, true)
        compare(favouritesFilterProxyModel.rowCount(), 1)
        mouseClick(findChild(marked, "favouriteButton"))
        compare(starOf(marked).filled, true)
        compare(norvaleoDevicesModel.data(markedIndex, favouritesRole), true)
        favourites = openFavourites(window)
        tryCompare(favourites.grid, "count", 2)
    }
}
