pragma Singleton
import QtQuick 2.15

// Every colour, size and font size of the user interface. Pages and
// components name colours by role here and hold no hex value of their own.
//
// Every text colour keeps a contrast of at least 4.5:1 against the
// background it is drawn on (3:1 for large text); tst_accessibility
// computes it for each pair.
QtObject {
    id: theme

    // Palette
    readonly property color accent: "#3d5afe"
    readonly property color neutral: "#555568"
    readonly property color lightAccent: "#eef0fb"
    readonly property color pressedOutline: "#edf0fc"
    readonly property color pageBackground: "#efefef"
    readonly property color bar: "white"
    readonly property color card: "#ffffff"
    readonly property color border: "#e4e4e4"
    readonly property color caption: "#757575"
    readonly property color title: "#101010"
    readonly property color value: "#171717"
    readonly property color secondary: "#6f6f84"
    readonly property color success: "#00702f"
    readonly property color error: "#d32f2f"
    readonly property color errorBlink: "#f32a1b"
    readonly property color popupBackground: "#fafafa"
    readonly property color shadow: "#1f000000"
    readonly property color buttonShadow: "#e8e8e8"
    readonly property color disabled: "#bdbebf"
    readonly property color white: "white"
    readonly property color black: "black"
    readonly property color transparent: "transparent"

    // Keyboard focus
    readonly property color focusRing: accent
    readonly property int focusRingWidth: 2
    readonly property int focusRingGap: 2

    // Switch
    readonly property color switchOn: accent
    readonly property color switchOff: secondary
    readonly property color knob: "white"
    readonly property color knobPressed: "#cccccc"

    // Tab bar
    readonly property color tabBarLine: "#d5d5d5"
    readonly property color footerLine: tabBarLine

    // Controller card
    readonly property color statusConnected: "#4caf50"
    readonly property color statusDisconnected: errorBlink
    readonly property color statusText: "#707070"
    readonly property color deviceName: "#111111"

    // Channel card
    readonly property color favouriteBackground: "#faefe0"
    readonly property color notFavouriteBackground: pageBackground
    readonly property color favouriteStar: "#ff9100"
    readonly property color channelIcon: "#4a4a4a"
    readonly property color percentOffText: "#4a4a4a"
    readonly property color percentOffBackground: pageBackground
    readonly property color percentOnText: success
    readonly property color percentOnBackground: "#c8f0d9"
    readonly property color channelName: neutral
    readonly property color bulbGlow: "#f6cf94"
    readonly property color channelShadowOff: "#e1e1e1"
    readonly property color channelShadowOn: "#d5d5d5"

    // Dimming popup
    readonly property color sliderBar: disabled
    readonly property color sliderGradientTop: "#fceabb"
    readonly property color sliderGradientBottom: "#f8b500"
    readonly property color sliderText: black

    // Settings lists and menus
    readonly property color menuText: "#484848"
    readonly property color menuTextHovered: "#4760f0"
    readonly property color menuIcon: "#484848"

    // Message box
    readonly property color messageText: "#494949"
    readonly property color fieldText: "#434343"
    readonly property color centreButton: "#f8f8f8"
    readonly property color centreButtonPressed: pageBackground
    readonly property color centreButtonBorder: "#d4d4d4"
    readonly property color centreButtonText: "#474747"

    // Fields flagged for attention
    readonly property color attention: error
    readonly property color attentionChannel: "red"

    // Sizes
    readonly property int headerHeight: 65
    readonly property int headerTitlePixelSize: 18
    readonly property int headerButtonMargin: 10
    readonly property int roundButtonSize: 45
    // Icon, spacing and name at 12 points: fixed, so that the pages get the
    // same height whichever way the name's font is measured.
    readonly property int tabBarHeight: 60
    readonly property int iconSize: 24
    readonly property int saveButtonWidth: 120
    readonly property int saveButtonRadius: 15
    readonly property int rowHeight: 25
    readonly property int padding: 15
    readonly property int spacing: 15
    readonly property int cardRadius: 20
    readonly property int popupRadius: 20
    readonly property int fieldRadius: 6
    readonly property int spinButtonRadius: 10
    readonly property real editorShare: 0.55
    readonly property int switchWidth: 48
    readonly property int switchRadius: 13
    readonly property int selectorPopupWidth: 290
    readonly property int selectorWidePopupWidth: 320
    readonly property int selectorEntryHeight: 35
    readonly property int selectorTallEntryHeight: 55
    readonly property int spinBoxWidth: 130
    readonly property int spinTextMargin: 8

    // Font sizes (points unless named pixel)
    readonly property int rowPointSize: 10
    readonly property int buttonPointSize: 12
    readonly property int captionPointSize: 8
    readonly property int tabPointSize: 12
    readonly property int menuPointSize: 12
    readonly property int namePointSize: 12
    readonly property int statusPointSize: 8
    readonly property int percentPointSize: 10
    readonly property int sliderPointSize: 18
}
