import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import Project.types 1.0
import "qrc:/"

// The shared controls on their own: message box, address validator,
// selector, spin box and the settings-page save contract.
Item {
    id: root

    width: 480
    height: 700

    Component {
        id: boxComponent
        MessageBoxPopup {}
    }
    Component {
        id: addressComponent
        TextField { validator: Ipv4Validator {} }
    }
    Component {
        id: selectorComponent
        Selector { width: 200 }
    }
    Component {
        id: spinComponent
        NumberSpinBox {
            width: 130
            height: 25
            editable: true
        }
    }
    Component {
        id: stackComponent
        StackView { anchors.fill: parent }
    }
    Component {
        id: pageComponent
        SettingsPage {
            property int saves: 0
            property bool result: true
            function saveSettings() {
                saves += 1
                return result
            }
        }
    }
    Component {
        id: spyComponent
        SignalSpy {}
    }

    TextField {
        id: otherField
        y: 600
    }

    TestCase {
        id: testCase

        name: "Components"
        when: windowShown

        function openBox(stateName) {
            const box = createTemporaryObject(boxComponent, root,
                                              { stateName: stateName, messageText: "Ip адрес:" })
            box.open()
            tryCompare(box, "opened", true)
            return box
        }

        function spy(target, signalName) {
            return spyComponent.createObject(target, { target: target, signalName: signalName })
        }

        function bottomRow(box) {
            return box.contentItem.height - 10
        }

        function test_boxSize() {
            const box = createTemporaryObject(boxComponent, root)
            compare(box.height, 182)
            compare(box.width, 364)
            compare(box.rowHeight, 50)
            compare(box.textSize, 16)
        }

        function test_boxStates_data() {
            return [
                { tag: "dialog_dell_all", stateName: "dialog_dell_all", shown: "dialog", field: false,
                  escapeCloses: true },
                { tag: "waiting", stateName: "waiting", shown: "waiting", field: false,
                  escapeCloses: false },
                { tag: "manual", stateName: "manual", shown: "manual", field: true, escapeCloses: true },
                { tag: "inform", stateName: "inform", shown: "inform", field: false, escapeCloses: true }
            ]
        }

        function test_boxStates(data) {
            const box = openBox(data.stateName)
            compare(box.shownState, data.shown)
            compare(box.addressField.visible, data.field)
            simulator.screenshot(box.contentItem, "component-message-" + data.tag)
            keyClick(Qt.Key_Escape)
            tryCompare(box, "opened", !data.escapeCloses)
        }

        function test_emptyAddressIsFlaggedUntilFocusMoves() {
            const box = openBox("manual")
            const added = spy(box, "addClicked")
            mouseClick(box.contentItem, 40, bottomRow(box))
            compare(added.count, 0)
            verify(box.addressField.attention)
            compare(String(box.addressField.background.border.color), "#d32f2f")
            mouseClick(box.addressField)
            verify(!box.addressField.attention)
            box.ipAddress = "10.0.0.1"
            mouseClick(box.contentItem, 40, bottomRow(box))
            compare(added.count, 1)
        }

        function test_okClosesWithoutCancel() {
            const box = openBox("inform")
            const cancelled = spy(box, "cancelClicked")
            mouseClick(box.contentItem, box.contentItem.width / 2, bottomRow(box))
            tryCompare(box, "visible", false)
            compare(cancelled.count, 0)
        }

        function test_waitingOnlyCancels() {
            const box = openBox("waiting")
            const cancelled = spy(box, "cancelClicked")
            keyClick(Qt.Key_Escape)
            verify(box.visible)
            mouseClick(box.contentItem, box.contentItem.width / 2, bottomRow(box))
            compare(cancelled.count, 1)
        }

        function test_yesAndNo() {
            const box = openBox("dialog")
            const yes = spy(box, "yesClicked")
            const no = spy(box, "noClicked")
            mouseClick(box.contentItem, 20, bottomRow(box))
            compare(yes.count, 1)
            mouseClick(box.contentItem, box.contentItem.width - 20, bottomRow(box))
            compare(no.count, 1)
        }

        // stands: the typed text is kept; acceptable: it is then a whole address.
        function test_addressValidator_data() {
            return [
                { tag: "256", text: "256", stands: false },
                { tag: "five numbers", text: "1.2.3.4.5", stands: false },
                { tag: "two dots", text: "1..2", stands: false },
                { tag: "letter", text: "1a", stands: false },
                { tag: "growing", text: "10.0.", stands: true, acceptable: false },
                { tag: "three numbers", text: "192.168.1", stands: true, acceptable: false },
                { tag: "leading zeros", text: "192.168.001.010", stands: true, acceptable: true },
                { tag: "complete", text: "255.255.255.0", stands: true, acceptable: true }
            ]
        }

        function test_addressValidator(data) {
            const field = createTemporaryObject(addressComponent, root)
            field.forceActiveFocus()
            for (let i = 0; i < data.text.length; ++i)
                keyClick(data.text[i])
            compare(field.text === data.text, data.stands, field.text)
            if (data.stands)
                compare(field.acceptableInput, data.acceptable)
        }

        function test_selectorFollowsItsRole() {
            const selector = createTemporaryObject(selectorComponent, root, {
                model: [{ text: "N ( None )", value: "N" }, { text: "E ( Even )", value: "E" }]
            })
            compare(selector.currentIndex, -1)
            selector.sourceValue = "E"
            compare(selector.currentValue, "E")
            compare(selector.currentText, "E ( Even )")
            selector.sourceValue = "X"
            compare(selector.currentIndex, -1)

            const speeds = createTemporaryObject(selectorComponent, root,
                                                 { model: [2400, 9600], sourceValue: "9600" })
            compare(speeds.currentValue, 9600)
            mouseClick(speeds)
            tryCompare(speeds.popup, "opened", true)
            mouseClick(speeds.popup.contentItem, 20, 10)
            tryCompare(speeds.popup, "visible", false)
            compare(speeds.currentValue, 2400)
        }

        // Hover and the arrow keys highlight; only the chosen entry leaves
        // room for its check mark.
        function test_selectorListHighlights() {
            const selector = createTemporaryObject(selectorComponent, root,
                                                   { model: ["Классический выключатель", "Б", "В"], sourceValue: "В" })
            mouseClick(selector)
            tryCompare(selector.popup, "opened", true)
            const list = selector.popup.contentItem
            compare(findChild(list.itemAtIndex(0), "entryText").width, list.itemAtIndex(0).availableWidth)
            verify(findChild(list.itemAtIndex(2), "entryText").width < list.itemAtIndex(2).availableWidth)
            mouseMove(list.itemAtIndex(1), 20, 10)
            tryVerify(function() { return list.itemAtIndex(1).highlighted })
            mouseMove(root, 1, 1)
            keyClick(Qt.Key_Up)
            keyClick(Qt.Key_Up)
            verify(list.itemAtIndex(0).highlighted && !list.itemAtIndex(1).highlighted)
        }

        function test_spinBoxReadsAndLimits() {
            const box = createTemporaryObject(spinComponent, root,
                                              { from: 0, to: 20000, suffix: " мкс", value: 500 })
            box.locale = Qt.locale("ru_RU")
            compare(box.valueFromText("12 345 мкс", box.locale), 12345)
            box.value = 20000
            box.increase()
            compare(box.value, 20000)

            const address = createTemporaryObject(spinComponent, root, { from: 1, to: 247, value: 17 })
            address.contentItem.forceActiveFocus()
            address.contentItem.selectAll()
            keyClick("0")
            otherField.forceActiveFocus()
            compare(address.value, 1)
        }

        function test_saveContract() {
            const stack = createTemporaryObject(stackComponent, root)
            stack.push(Qt.createQmlObject("import QtQuick 2.15; Item {}", stack))
            const page = stack.push(pageComponent)
            tryCompare(stack, "busy", false)
            page.result = false
            mouseClick(page.saveButton)
            compare(page.saves, 1)
            compare(stack.depth, 2)
            page.result = true
            mouseClick(page.saveButton)
            tryCompare(stack, "depth", 1)

            const second = stack.push(pageComponent)
            tryCompare(stack, "busy", false)
            mouseClick(second.headerBar.backButton)
            tryCompare(stack, "depth", 1)
            compare(second.saves, 0)
        }
    }
}
