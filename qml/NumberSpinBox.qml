import QtQuick 2.15
import QtQuick.Controls 2.15

// A spin box for whole numbers from 0 up: the number, grouped as the
// control's locale writes it and followed by `suffix`, between a "-" and a
// "+" button. With `editable` the number can be typed; typing is limited to
// digits (and the suffix) that stay within `to`, with the locale's group
// separator or any blank between digits, and the text is read by
// readNumber(): group separators and, unless `ignoreWhiteSpace` is false,
// all white space removed first, then the digits before the first other
// character. Text that is no such number leaves the value unchanged.
//
// `sourceValue`, when bound to a role, sets the value at start and again
// whenever the role changes; a repeated report of the same value keeps what
// the user has set meanwhile.
SpinBox {
    id: control

    property var sourceValue
    property string suffix: ""
    property bool ignoreWhiteSpace: true
    property color textColor: Theme.value
    // What a screen reader calls it; the row it stands in sets its label.
    property string accessibleName
    readonly property int minimum: Math.min(from, to)
    readonly property int maximum: Math.max(from, to)

    // Wider than usual where the largest value would not fit between the
    // buttons with a margin on each side.
    implicitWidth: Math.max(Theme.spinBoxWidth,
                            Math.ceil(widestText.advanceWidth)
                            + 2 * (implicitHeight + Theme.spinTextMargin))
    implicitHeight: Theme.rowHeight
    padding: 0
    leftPadding: down.indicator ? down.indicator.width : 0
    rightPadding: up.indicator ? up.indicator.width : 0
    from: 0
    to: 100
    stepSize: 1
    editable: false
    font.pointSize: Theme.rowPointSize
    inputMethodHints: Qt.ImhDigitsOnly
    focusPolicy: Qt.StrongFocus
    Accessible.name: accessibleName

    // The blanks a locale may group digits with (no-break and narrow no-break
    // space among them) and the locale's own separator, as a character class.
    function separatorClass() {
        const separator = locale.groupSeparator ? String(locale.groupSeparator) : "";
        const blanks = ignoreWhiteSpace ? "\\s\u00a0\u2007\u202f" : "";
        const own = separator.replace(/[-\\\]^]/g, "\\$&");
        return blanks + own;
    }

    // The number the text stands for, or NaN when it starts with no digit.
    function readNumber(text) {
        let source = String(text);
        const separators = separatorClass();
        if (separators.length > 0)
            source = source.replace(new RegExp("[" + separators + "]", "g"), "");
        const digits = /^[0-9]*/.exec(source)[0];
        return digits.length > 0 ? parseInt(digits, 10) : NaN;
    }

    // Whether the text is a whole number as typing allows it (up to the upper
    // limit; one below the lower limit is raised to it).
    function isNumberText(text) {
        return !isNaN(readNumber(text)) && new RegExp(typingPattern()).test(String(text));
    }

    // A pattern for the decimal numbers from 0 to `max`, without leading
    // zeros; `gap` may stand between two digits.
    function numberPattern(max, gap) {
        const limit = String(Math.max(0, Math.floor(max)));
        const alternatives = [];
        for (let length = 1; length < limit.length; ++length) {
            const digits = [length === 1 ? "[0-9]" : "[1-9]"];
            for (let i = 1; i < length; ++i)
                digits.push("[0-9]");
            alternatives.push(digits.join(gap));
        }
        for (let position = 0; position < limit.length; ++position) {
            const digit = Number(limit[position]);
            const lowest = position === 0 && limit.length > 1 ? 1 : 0;
            const last = position === limit.length - 1;
            const highest = last ? digit : digit - 1;
            if (highest < lowest)
                continue;
            const digits = limit.slice(0, position).split("");
            digits.push("[" + lowest + "-" + highest + "]");
            for (let i = position + 1; i < limit.length; ++i)
                digits.push("[0-9]");
            alternatives.push(digits.join(gap));
        }
        return "(?:" + alternatives.join("|") + ")";
    }

    function followSource(always) {
        if (sourceValue === undefined || sourceValue === null)
            return;
        const seen = String(sourceValue);
        if (!always && seen === internal.lastSource)
            return;
        internal.lastSource = seen;
        const number = Number(sourceValue);
        if (!isNaN(number))
            value = number;
    }

    function typingPattern() {
        const separators = separatorClass();
        const gap = separators.length > 0 ? "[" + separators + "]*" : "";
        const blank = "[\\s\u00a0\u2007\u202f]*";
        const unit = suffix.trim().replace(/[.*+?^${}()|[\]\\]/g, "\\$&");
        let pattern = "^" + blank + "(?:0" + gap + ")*" + numberPattern(maximum, gap);
        if (unit.length > 0)
            pattern += "(?:" + blank + unit + ")?";
        return pattern + blank + "$";
    }

    textFromValue: function (value, locale) {
        return Number(value).toLocaleString(locale, "f", 0) + control.suffix;
    }
    valueFromText: function (text, locale) {
        return control.isNumberText(text) ? control.readNumber(text) : control.value;
    }

    onSourceValueChanged: followSource(false)
    Component.onCompleted: followSource(true)

    validator: RegularExpressionValidator {
        regularExpression: new RegExp(control.typingPattern())
    }

    background: Item {}

    FocusRing {
        radius: Theme.spinButtonRadius + gap
    }

    TextMetrics {
        id: widestText

        font: control.font
        text: control.textFromValue(control.maximum, control.locale)
    }

    QtObject {
        id: internal

        property string lastSource
    }

    contentItem: TextInput {
        z: 2
        text: control.displayText
        font: control.font
        color: control.textColor
        selectionColor: Theme.accent
        selectedTextColor: Theme.white
        horizontalAlignment: Qt.AlignHCenter
        verticalAlignment: Qt.AlignVCenter
        readOnly: !control.editable
        validator: control.validator
        inputMethodHints: control.inputMethodHints
        selectByMouse: control.editable
        clip: true
    }

    down.indicator: SpinBoxButton {
        x: control.mirrored ? control.width - width : 0
        height: control.height
        pressed: control.down.pressed
        controlEnabled: control.enabled
    }

    up.indicator: SpinBoxButton {
        x: control.mirrored ? 0 : control.width - width
        height: control.height
        pressed: control.up.pressed
        controlEnabled: control.enabled
        plus: true
    }
}
