import QtQuick 2.15
import QtQuick.Controls 2.15

// The round back button. A click pops the page it sits on: `page` is found
// by walking up from the button to the first item that a StackView holds,
// unless the user of the button sets it.
RoundToolButton {
    id: control

    property Item page: null

    icon.source: "qrc:/icons/left-black.png"
    // Not drawn: the name a screen reader reads.
    text: qsTr("Назад")

    function findPage() {
        if (control.page)
            return control.page;
        for (let item = control.parent; item; item = item.parent) {
            if (item.StackView.view)
                return item;
        }
        return null;
    }

    function goBack() {
        const stackPage = findPage();
        if (stackPage && stackPage.StackView.view)
            stackPage.StackView.view.pop();
    }

    onClicked: goBack()
}
