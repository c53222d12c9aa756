import QtQuick 2.15

// The small grey capitals above a card's list ("ОБЩИЕ НАСТРОЙКИ", "ВХОД 1").
Text {
    id: caption

    textFormat: Text.PlainText
    color: Theme.caption
    font.pointSize: Theme.captionPointSize
    font.bold: true
    font.capitalization: Font.AllUppercase
    elide: Text.ElideRight
}
