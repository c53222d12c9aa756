import QtQuick 2.15

// Accepts one to four numbers from 0 to 255 separated by single dots, and
// lets every text stand that can still grow into such an address.
RegularExpressionValidator {
    regularExpression: /^((?:[0-1]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])\.){0,3}(?:[0-1]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])$/
}
