import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import Project.types 1.0

TestCase {
    id: testCase

    name: "MainWindow"
    when: windowShown

    function createWindow() {
        const component = Qt.createComponent("qrc:/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        const window = createTemporaryObject(component, testCase)
        verify(window)
        return window
    }

    function init() {
        simulator.resetModel()
    }

    function test_titleFollowsSize() {
        const window = createWindow()
        compare(window.title, "NorvaleoDimmer v" + projectVersion + " 480x830")
        waitForRendering(window.contentItem)
        simulator.screenshot(window, "main-empty")
        window.width = 800
        window.height = 600
        tryCompare(window, "title", "NorvaleoDimmer v" + projectVersion + " 800x600")
    }

    // The window system enforces the limit (Xvfb runs without a window
    // manager, so only the request can be checked here).
    function test_minimumSize() {
        const window = createWindow()
        compare(window.minimumWidth, 320)
        compare(window.minimumHeight, 320)
    }

    function test_enumerationsAndRoles() {
        compare(DimmerChType.PWM, 3)
        compare(DimmerChType.DIGITAL, 4)
        compare(DimmerInputType.ADC, 1)
        compare(DimmerInputType.CH_TOGGLE_ON_OFF, 6)
        compare(norvaleoDevicesModel.roleByName("name"), 257)
        compare(norvaleoDevicesModel.roleByName("favourites"), 306)
    }

    function test_enumerationsAreUncreatable_data() {
        return [ { tag: "DimmerChType" }, { tag: "DimmerInputType" } ]
    }

    function test_enumerationsAreUncreatable(data) {
        let message = ""
        try {
            Qt.createQmlObject("import Project.types 1.0; " + data.tag + " {}", testCase)
        } catch (error) {
            message = error.qmlErrors.map(function(e) { return e.message }).join(" ")
        }
        verify(message.indexOf("Access to enums & flags only") >= 0, message)
    }

    // The 2-pixel line above the tabs runs whole, over the buttons too.
    function test_tabBarLineIsWhole() {
        const window = createWindow()
        const bar = findChild(window, "tabBar")
        waitForRendering(bar)
        const image = grabImage(bar)
        for (let x = 0; x < bar.width; x += 4) {
            verify(Qt.colorEqual(image.pixel(x, 0), "#d5d5d5"), "x " + x)
            verify(Qt.colorEqual(image.pixel(x, 1), "#d5d5d5"), "x " + x)
        }
        compare(bar.height, 60)
    }

    // The tab of the page shown opens nothing new.
    function test_tabsPushPages() {
        const window = createWindow()
        const stack = findChild(window.contentItem, "stackView")
        verify(stack)
        compare(stack.depth, 1)
        const bar = findChild(window, "tabBar")
        compare(bar.currentIndex, 1)
        window.openTab(1)
        compare(stack.depth, 1)
        window.openTab(0)
        compare(stack.depth, 2)
        const favourites = stack.currentItem
        compare(favourites.title, "Избранное")
        tryCompare(stack, "busy", false)
        window.openTab(0)
        compare(stack.depth, 2)
        compare(stack.currentItem, favourites)
    }

    function test_closingSavesOnlyWithControllers() {
        let window = createWindow()
        window.backButtonVisible = false
        window.close()
        compare(simulator.settingsFileText(), "")

        verify(simulator.addController("close-1", "Кухня", "127.0.0.2", "127.0.0.3", 2))
        simulator.addToModel("close-1")
        window = createWindow()
        window.backButtonVisible = false
        window.close()
        verify(simulator.settingsFileText().indexOf("\"uniqueId\":\"close-1\"") >= 0,
               simulator.settingsFileText())
    }

    function test_closeOffWindowsIsABackStep() {
        const window = createWindow()
        window.backButtonVisible = true
        let backs = 0
        window.backRequested.connect(function() { backs += 1 })
        window.close()
        compare(backs, 1)
        verify(window.visible)
    }
}
