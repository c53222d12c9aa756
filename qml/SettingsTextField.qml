import QtQuick 2.15
import QtQuick.Controls 2.15

// A text field whose background carries the `attention` flag that a
// refusing check sets on it. `drawAttention` decides whether the flag shows
// as an outline in `attentionColor`; a change of focus clears the flag.
//
// `sourceText`, when bound to a role, fills the field at start and follows
// the role until the user edits the field; from then on the typed text
// stays until the page is saved or left. Renewed item data objects re-run
// the binding, and must not take back what the user typed.
TextField {
    id: field

    property string sourceText
    property bool edited: false
    property alias attention: fieldBackground.attention
    property bool drawAttention: true
    property bool clearAttentionOnFocusChange: true
    property color attentionColor: Theme.attention
    property color backgroundColor: Theme.transparent
    property color borderColor: Theme.transparent
    property real radius: Theme.fieldRadius
    // What a screen reader calls it; the row it stands in sets its label.
    property string accessibleName

    implicitHeight: Theme.rowHeight
    topPadding: 0
    bottomPadding: 0
    leftPadding: 6
    rightPadding: 6
    color: Theme.value
    placeholderTextColor: Theme.secondary
    selectedTextColor: Theme.white
    selectionColor: Theme.accent
    font.pointSize: Theme.rowPointSize
    horizontalAlignment: TextInput.AlignRight
    verticalAlignment: TextInput.AlignVCenter
    selectByMouse: true
    Accessible.name: accessibleName.length > 0 ? accessibleName : placeholderText

    onSourceTextChanged: {
        if (!edited)
            text = sourceText;
    }
    onTextEdited: edited = true
    // A field without a source keeps what its page filled in.
    Component.onCompleted: {
        if (sourceText.length > 0)
            text = sourceText;
    }

    onActiveFocusChanged: {
        if (clearAttentionOnFocusChange)
            fieldBackground.attention = false;
    }

    FocusRing {
        radius: field.radius + gap
    }

    background: Rectangle {
        id: fieldBackground

        property bool attention: false

        radius: field.radius
        color: field.backgroundColor
        border.width: 1
        border.color: attention && field.drawAttention ? field.attentionColor : field.borderColor
    }
}
