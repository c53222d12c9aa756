import QtQuick 2.15

// The address field of "Добавить вручную": one IPv4 address, a network
// (192.168.5.0/24) or a range (192.168.5.10-192.168.5.60), and anything that
// can still grow into one. IPv6 may be typed too, so that the box can say it
// is not supported rather than swallow the keys.
RegularExpressionValidator {
    regularExpression: /^\s*(?:(?:[0-1]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])\.){3}(?:[0-1]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])(?:\s*\/\s*[0-9]{1,2}|\s*-\s*(?:(?:[0-1]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])\.){3}(?:[0-1]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5]))?\s*$|^[0-9A-Fa-f]*:[0-9A-Fa-f:.]*(?:\/[0-9]{0,3})?$/
}
