.pragma library

// Devices and the settings file deliver flags as the texts "true" and "false",
// which JavaScript would take as true both; every boolean role is read here.
function isTrue(value) {
    if (value === undefined || value === null)
        return false
    if (typeof value === "string") {
        const text = value.toLowerCase()
        return text !== "" && text !== "0" && text !== "false"
    }
    return Boolean(value)
}
